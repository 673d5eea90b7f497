// options: vhcapture's command line, checked in full before anything is opened.
#include "options.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <strings.h>

#include "core/keys.h"

namespace {
const double maxSeconds = 9999.999; // the 7-digit millisecond field of at_ file names
const int maxSide = 4096;

struct NamedKey {
    const char* name;
    bool special;
    int code;
};

const NamedKey namedKeys[] = {
    {"esc", false, VH_KEY_ESCAPE},
    {"space", false, VH_KEY_SPACE},
    {"enter", false, VH_KEY_ENTER},
    {"backspace", false, VH_KEY_BACKSPACE},
    {"backquote", false, VH_KEY_BACKQUOTE},
    {"left", true, VH_SPECIAL_LEFT},
    {"right", true, VH_SPECIAL_RIGHT},
    {"up", true, VH_SPECIAL_UP},
    {"down", true, VH_SPECIAL_DOWN},
    {"home", true, VH_SPECIAL_HOME},
    {"end", true, VH_SPECIAL_END},
    {"insert", true, VH_SPECIAL_INSERT},
    {"pageup", true, VH_SPECIAL_PAGE_UP},
    {"pagedown", true, VH_SPECIAL_PAGE_DOWN},
    {"f3", true, VH_SPECIAL_F3},   // the frame-time graph
    {"f12", true, VH_SPECIAL_F12}, // a screenshot
};

bool fail(std::string* error, const std::string& text) {
    *error = text;
    return false;
}

const char usage[] =
    "usage: vhcapture [options]\n"
    "Plays the demo on a fixed frame step and seed and writes what it draws to files.\n"
    "Run it in the folder holding vh_data.clu and credits.txt; it needs an X display (a virtual one will do).\n"
    "  --data DIR        play from DIR instead of the working folder\n"
    "  --fps N           frame step 1/N s (default 60)\n"
    "  --seed N          seed for rand after start-up (default 1)\n"
    "  --until T         stop after T s of demo time (default: once the credits have stood for one second;\n"
    "                    a run that waits in a scene with no key left to press and no --at frame to come\n"
    "                    stops there, unless --autoplay moves it on)\n"
    "  --loops N         play the whole sequence N times in one process (default 1): after each run's\n"
    "                    end (the credits, or --until) it begins again at the first intro, with the\n"
    "                    --keys, --at and --every times counted from that loop's start; frames keep\n"
    "                    counting, and --at files of loop L are OUT/at_<ms>_loop<L>.png. After each\n"
    "                    loop one line gives its demo time and the process's resident size\n"
    "  --autoplay        each scene moves on by itself once its script has been seen, as vexhal\n"
    "                    --autoplay does, so a whole-demo sheet or video needs no 'n' in --keys\n"
    "  --keys T:KEY,...  press KEY at T s; KEY is one character or esc, space, enter, backspace,\n"
    "                    backquote, left, right, up, down, home, end, insert, pageup,\n"
    "                    pagedown, f3, f12\n"
    "  --at T1,T2,...    save the frames at those times as OUT/at_<ms, 7 digits>.png\n"
    "  --every K         save every K-th frame as OUT/frame_<frame, 6 digits>.png\n"
    "  --out DIR         folder for saved frames (default capture)\n"
    "  --sheet FILE.png  contact sheet of the saved frames (PNG: a name ending in .png)\n"
    "  --video FILE.mp4  encode every frame with ffmpeg, with the soundtrack as it plays under them\n"
    "  --audio FILE.wav  the soundtrack of the run (16-bit stereo, 44100 Hz), sample-exact to the frames\n"
    "  --stats FILE.csv  per-frame timing, and a summary per state and scene on stdout; each row has\n"
    "                    the state, part and message by number and by name\n"
    "  --plot FILE.png   a picture of the frame times (PNG): update and render ms stacked per frame, one\n"
    "                    coloured band per intro, scene and the credits, a line at 16.7 ms\n"
    "  --overdraw FILE.png  a sheet of heat maps of the saved frames (--at, --every): how many fragments\n"
    "                    each pixel received while the frame was drawn (counted in the stencil buffer;\n"
    "                    the frames drawn are the same), one line per saved frame with the mean\n"
    "  --passes          time each pass of a frame (sky, clouds, models, water, particles, figures, text,\n"
    "                    other) with glFinish between them: columns of the --stats CSV and a table per part\n"
    "  --size WxH        window size (default 800x600)\n"
    "  --quiet           leave the engine's \"NO GL ERROR\" reports out of stderr (errors still show)\n"
    "  --trace           write the scenes' steps and viewpoints to vh_debug.txt as they come\n"
    "  --help            this text\n"
    "  --version         the engine's version\n"
    "Frame k is drawn after k steps, at demo time k/fps; a key due at T is pressed before the first\n"
    "step that starts at or after T. Without --until the credits stay for one second of demo time,\n"
    "and with --every the last frame drawn is saved too, so sheets and videos end on them.\n"
    "Every output file and folder is checked before the first frame. Bad arguments exit with status 2;\n"
    "missing data, no display, no ffmpeg or an output that cannot be written exit with status 1.\n";

// Whole-string number parsers: trailing junk, blanks, NaN and infinities are faults.
bool parseSeconds(const std::string& text, double* out) {
    if (text.empty() || std::isspace((unsigned char)text[0])) return false;
    char* end = nullptr;
    errno = 0;
    const double v = std::strtod(text.c_str(), &end);
    if (errno != 0 || *end != '\0' || !std::isfinite(v) || v < 0.0 || v > maxSeconds) return false;
    *out = v;
    return true;
}

bool parseInt(const std::string& text, long lo, long hi, long* out) {
    if (text.empty() || !(std::isdigit((unsigned char)text[0]))) return false;
    char* end = nullptr;
    errno = 0;
    const long long v = std::strtoll(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || v < lo || v > hi) return false;
    *out = (long)v;
    return true;
}

std::vector<std::string> splitCommas(const std::string& text) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        const size_t comma = text.find(',', start);
        parts.push_back(text.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return parts;
}

// "T:KEY,T:KEY". A one-character key may itself be ',' or ':', so the key field is read
// before looking for the next separator.
bool parseKeys(const std::string& text, std::vector<CapKey>* keys, std::string* error) {
    size_t pos = 0;
    while (pos <= text.size()) {
        const size_t colon = text.find(':', pos);
        if (colon == std::string::npos) {
            *error = "--keys: \"" + text.substr(pos) + "\" is not TIME:KEY";
            return false;
        }
        CapKey key{};
        const std::string timeText = text.substr(pos, colon - pos);
        if (!parseSeconds(timeText, &key.time)) {
            *error = "--keys: \"" + timeText + "\" is not a time in seconds (0 to 9999.999)";
            return false;
        }
        const size_t keyStart = colon + 1;
        size_t keyEnd;
        if (keyStart < text.size() && (keyStart + 1 == text.size() || text[keyStart + 1] == ','))
            keyEnd = keyStart + 1;
        else
            keyEnd = std::min(text.find(',', keyStart), text.size());
        const std::string name = text.substr(keyStart, keyEnd - keyStart);
        if (name.size() == 1) {
            key.special = false;
            key.code = (unsigned char)name[0];
        } else {
            const NamedKey* found = nullptr;
            for (const NamedKey& k : namedKeys)
                if (strcasecmp(k.name, name.c_str()) == 0) found = &k;
            if (!found) {
                *error = "--keys: unknown key \"" + name + "\" at " + timeText + " s";
                return false;
            }
            key.special = found->special;
            key.code = found->code;
        }
        keys->push_back(key);
        if (keyEnd >= text.size()) break;
        pos = keyEnd + 1; // past the comma
        if (pos == text.size()) {
            *error = "--keys: trailing comma";
            return false;
        }
    }
    std::stable_sort(keys->begin(), keys->end(), [](const CapKey& a, const CapKey& b) { return a.time < b.time; });
    return true;
}

bool parseAt(const std::string& text, std::vector<double>* at, std::string* error) {
    for (const std::string& part : splitCommas(text)) {
        double t;
        if (!parseSeconds(part, &t)) {
            *error = "--at: \"" + part + "\" is not a time in seconds (0 to 9999.999)";
            return false;
        }
        at->push_back(t);
    }
    std::sort(at->begin(), at->end());
    // Two times that share a file name would overwrite each other; keep one.
    at->erase(std::unique(at->begin(), at->end(), [](double a, double b) { return CAP_Millis(a) == CAP_Millis(b); }),
              at->end());
    return true;
}

bool wavName(const std::string& path) {
    return path.size() > 4 && strcasecmp(path.c_str() + path.size() - 4, ".wav") == 0;
}

bool pngName(const std::string& path) {
    return path.size() > 4 && strcasecmp(path.c_str() + path.size() - 4, ".png") == 0;
}

bool parseSize(const std::string& text, int* width, int* height) {
    const size_t x = text.find_first_of("xX");
    if (x == std::string::npos) return false;
    long w, h;
    if (!parseInt(text.substr(0, x), 16, maxSide, &w) || !parseInt(text.substr(x + 1), 16, maxSide, &h)) return false;
    *width = (int)w;
    *height = (int)h;
    return true;
}
} // namespace

const char* CAP_Usage() {
    return usage;
}

long CAP_Millis(double t) {
    return std::lround(t * 1000.0);
}

long CAP_FrameAt(double t, int fps) {
    // The small allowance keeps 0.6 s at 60 fps on frame 36 despite binary rounding.
    const long k = (long)std::ceil(t * fps - 1e-6);
    return k < 1 ? 1 : k;
}

bool CAP_ParseOptions(int argc, const char* const* argv, CapOptions* o, std::string* error) {
    bool sawUntil = false;
    for (int i = 1; i < argc; ++i) {
        std::string name = argv[i];
        std::string value;
        bool hasValue = false;
        const size_t eq = name.find('=');
        if (name.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = name.substr(eq + 1);
            name = name.substr(0, eq);
            hasValue = true;
        }
        bool* flag = name == "--help" || name == "-h" ? &o->help
                     : name == "--version"            ? &o->version
                     : name == "--quiet"              ? &o->quiet
                     : name == "--trace"              ? &o->trace
                     : name == "--autoplay"           ? &o->autoplay
                     : name == "--passes"             ? &o->passes
                                                      : nullptr;
        if (flag) {
            if (hasValue) return fail(error, name + " takes no value");
            *flag = true;
            continue;
        }
        static const char* const withValue[] = {"--data",  "--fps",   "--seed", "--until", "--keys",
                                                "--at",    "--every", "--out",  "--sheet", "--video",
                                                "--stats", "--size",  "--plot", "--loops", "--audio",
                                                "--overdraw"};
        bool known = false;
        for (const char* n : withValue)
            if (name == n) known = true;
        if (!known) {
            *error = name.rfind("-", 0) == 0 ? "unknown option " + name + " (see --help)"
                                             : "unexpected argument \"" + name + "\" (see --help)";
            return false;
        }
        if (!hasValue) {
            if (i + 1 >= argc) {
                *error = name + " needs a value (see --help)";
                return false;
            }
            value = argv[++i];
        }
        long n;
        if (name == "--data") {
            if (value.empty()) return fail(error, "--data needs a folder");
            o->dataDir = value;
        } else if (name == "--fps") {
            if (!parseInt(value, 1, 1000, &n))
                return fail(error, "--fps: \"" + value + "\" is not a whole number from 1 to 1000");
            o->fps = (int)n;
        } else if (name == "--seed") {
            if (!parseInt(value, 0, 4294967295L, &n))
                return fail(error, "--seed: \"" + value + "\" is not a whole number from 0 to 4294967295");
            o->seed = (unsigned)n;
        } else if (name == "--until") {
            if (!parseSeconds(value, &o->until))
                return fail(error, "--until: \"" + value + "\" is not a time in seconds (0 to 9999.999)");
            sawUntil = true;
        } else if (name == "--loops") {
            if (!parseInt(value, 1, 1000000, &n))
                return fail(error, "--loops: \"" + value + "\" is not a whole number from 1 to 1000000");
            o->loops = n;
        } else if (name == "--keys") {
            if (!parseKeys(value, &o->keys, error)) return false;
        } else if (name == "--at") {
            if (!parseAt(value, &o->at, error)) return false;
        } else if (name == "--every") {
            if (!parseInt(value, 1, 1000000, &n))
                return fail(error, "--every: \"" + value + "\" is not a whole number from 1 to 1000000");
            o->every = (int)n;
        } else if (name == "--out") {
            if (value.empty()) return fail(error, "--out needs a folder");
            o->out = value;
        } else if (name == "--sheet") {
            if (value.empty()) return fail(error, "--sheet needs a file name");
            o->sheet = value;
        } else if (name == "--video") {
            if (value.empty()) return fail(error, "--video needs a file name");
            o->video = value;
        } else if (name == "--audio") {
            if (value.empty()) return fail(error, "--audio needs a file name");
            o->audio = value;
        } else if (name == "--stats") {
            if (value.empty()) return fail(error, "--stats needs a file name");
            o->stats = value;
        } else if (name == "--plot") {
            if (value.empty()) return fail(error, "--plot needs a file name");
            o->plot = value;
        } else if (name == "--overdraw") {
            if (value.empty()) return fail(error, "--overdraw needs a file name");
            o->overdraw = value;
        } else if (name == "--size") {
            if (!parseSize(value, &o->width, &o->height))
                return fail(error, "--size: \"" + value + "\" is not WxH with sides from 16 to 4096");
        }
    }
    if (o->help || o->version) return true;
    // Pictures are written as PNG; a name that promises another format is refused rather than
    // left holding PNG bytes that the viewer its extension picks may not open.
    for (const auto& [option, path] : {std::make_pair("--sheet", &o->sheet), std::make_pair("--plot", &o->plot),
                                       std::make_pair("--overdraw", &o->overdraw)}) {
        if (!path->empty() && !pngName(*path))
            return fail(error, std::string(option) + ": " + *path +
                                   ": vhcapture writes pictures as PNG only; give a name ending in .png");
    }
    if (!o->audio.empty() && !wavName(o->audio))
        return fail(error, "--audio: " + o->audio + ": vhcapture writes sound as WAV only; give a name ending in .wav");
    if (!o->sheet.empty() && o->at.empty() && o->every == 0) {
        *error = "--sheet needs frames to show: give --at or --every";
        return false;
    }
    if (!o->overdraw.empty() && o->at.empty() && o->every == 0) {
        *error = "--overdraw counts the frames the run saves: give --at or --every";
        return false;
    }
    if (o->passes && o->stats.empty()) {
        *error = "--passes writes its times into the --stats CSV: give --stats FILE.csv";
        return false;
    }
    if (sawUntil && !o->at.empty() &&
        CAP_FrameAt(o->at.back(), o->fps) > std::max(1L, (long)std::floor(o->until * o->fps + 1e-6))) {
        *error = "--at: a frame is asked for after the --until time";
        return false;
    }
    return true;
}
