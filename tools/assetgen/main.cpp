// assetgen: makes every picture, font, model, path and the credits text of the demo, from code.
// Usage: assetgen --out DIR [--preview DIR]; writes DIR/vh_data.clu and DIR/credits.txt.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/catalogue.h"
#include "core/version.h"
#include "generator.h"
#include "music.h"

// The square-root banner belongs to the demo's start-up, not to a tool that reads its data.
extern const bool VH_QuietStartup = true;

namespace {

const char usageText[] = "usage: assetgen --out DIR [--preview DIR]\n"
                         "Makes the demo's data from code: DIR/vh_data.clu and DIR/credits.txt, the same bytes on\n"
                         "every run, each entry then read back with the demo's own readers (as vhpack check\n"
                         "--deep does). Folders that do not exist are made, with their parents.\n"
                         "  --out DIR      where the archive and the credits text go\n"
                         "  --preview DIR  also every picture of the archive, as the engine decodes it, as\n"
                         "                 DIR/NAME.png\n"
                         "  --help         this text\n"
                         "  --version      the engine's version\n"
                         "Exit status: 0 done, 1 a file or folder that cannot be made or an entry the demo's\n"
                         "readers refuse (one line names it; the archive is removed), 2 bad arguments.\n";

bool writeText(const std::string& path, const std::string& text) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    return (std::fclose(f) == 0) && ok;
}

int usage(const std::string& fault) {
    std::fprintf(stderr, "assetgen: %s (see --help)\n", fault.c_str());
    return 2;
}

// The folder and its missing parents; on a fault one line naming the part that could not be made.
bool makeFolder(const std::string& path, std::string* error) {
    for (size_t slash = 1;; ++slash) {
        slash = path.find('/', slash);
        const std::string part = path.substr(0, slash);
        if (!part.empty() && mkdir(part.c_str(), 0777) != 0 && errno != EEXIST) {
            *error = part + ": cannot create the folder (" + std::strerror(errno) + ")";
            return false;
        }
        if (slash == std::string::npos) break;
    }
    struct stat st;
    if (stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        *error = path + ": is not a folder";
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    std::string out, preview;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(usageText, stdout);
            return 0;
        }
        if (arg == "--version") {
            std::printf("assetgen %s\n", VH_VERSION_TEXT);
            return 0;
        }
        if (arg != "--out" && arg != "--preview")
            return usage(arg.rfind("-", 0) == 0 ? "unknown option " + arg : "unexpected argument \"" + arg + "\"");
        if (i + 1 >= argc || argv[i + 1][0] == '\0') return usage(arg + " needs a folder");
        (arg == "--out" ? out : preview) = argv[++i];
    }
    if (out.empty()) return usage("--out DIR is required");

    std::string error;
    for (const std::string* dir : {&out, &preview})
        if (!dir->empty() && !makeFolder(*dir, &error)) {
            std::fprintf(stderr, "assetgen: %s\n", error.c_str());
            return 1;
        }

    AssetSink sink;
    AG_AddAllAssets(sink);
    std::string musicError;
    if (sink.Error().empty() && !AG_AddMusic(sink, &musicError) && sink.Error().empty()) {
        std::fprintf(stderr, "assetgen: %s\n", musicError.c_str());
        return 1;
    }
    if (!sink.Error().empty()) {
        std::fprintf(stderr, "assetgen: %s\n", sink.Error().c_str());
        return 1;
    }
    const std::string archive = out + "/" + CAT_ARCHIVE, credits = out + "/" + CAT_CREDITS;
    std::string reason;
    if (!AG_PackArchive(sink, archive, &reason)) {
        std::fprintf(stderr, "assetgen: %s: %s\n", archive.c_str(), reason.c_str());
        return 1;
    }
    // What the demo cannot read is a fault of the generator, caught here rather than on screen.
    if (!AG_CheckArchive(archive, &reason)) {
        // A refused archive left in place would look up to date to the next build.
        std::remove(archive.c_str());
        std::fprintf(stderr, "assetgen: %s: %s; the archive is not kept\n", archive.c_str(), reason.c_str());
        return 1;
    }
    if (!AG_CheckCredits(AG_CreditsText(), &reason)) {
        std::fprintf(stderr, "assetgen: %s: %s\n", credits.c_str(), reason.c_str());
        return 1;
    }
    if (!writeText(credits, AG_CreditsText())) {
        std::fprintf(stderr, "assetgen: %s: cannot be written\n", credits.c_str());
        return 1;
    }
    size_t bytes = 0;
    for (const AssetEntry& e : sink.Entries())
        bytes += e.data.size();
    std::printf("assetgen: %zu entries (%zu bytes) into %s, and credits.txt\n", sink.Entries().size(), bytes,
                archive.c_str());
    if (!preview.empty()) {
        const int pictures = AG_WritePreviews(sink, preview, &error);
        if (pictures < 0) {
            std::fprintf(stderr, "assetgen: %s\n", error.c_str());
            return 1;
        }
        std::printf("assetgen: %d pictures as PNG into %s\n", pictures, preview.c_str());
    }
    return 0;
}
