// vh_golden: compares the frames of a golden run with the reference pictures kept in the repository,
// or makes those references anew.
//
//   vh_golden compare FRAMES REFS OUT   every REFS/NAME.png against FRAMES/NAME.png; for each frame that
//                                       differs, OUT/NAME-ref.png, OUT/NAME-new.png and OUT/NAME-diff.png
//   vh_golden bless FRAMES REFS         REFS/NAME.png from every FRAMES/NAME.png; references whose pixels
//                                       stay the same are not rewritten, references of no frame are removed
//
// References are the frames reduced by kReduce in each direction (each pixel the rounded mean of a
// kReduce x kReduce block), which keeps the repository light and evens out single-pixel noise. Two
// pictures match when at most a few pixels move by more than a couple of colour levels: another build
// of the same software rasteriser may move an edge by a pixel or round a blend the other way, while
// anything a viewer would notice (a model turned round, a particle stream falling instead of rising, a
// shot cut short, a glow a shade greener) moves dozens of pixels or shifts a whole region.
#include <dirent.h>
#include <png.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "image/pngwrite.h"

namespace {

const int kReduce = 2;     // reference side = frame side / kReduce
const int kLevel = 2;      // a pixel differs when a channel moves by more than this many levels
const int kMaxPixels = 12; // ... and a picture differs when more pixels than this do

struct Picture {
    int width = 0, height = 0;
    std::vector<std::uint8_t> rgb;
};

bool readPng(const std::string& path, Picture* p) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
    image.format = PNG_FORMAT_RGB;
    p->width = (int)image.width;
    p->height = (int)image.height;
    p->rgb.assign(PNG_IMAGE_SIZE(image), 0);
    if (!png_image_finish_read(&image, nullptr, p->rgb.data(), 0, nullptr)) {
        png_image_free(&image);
        return false;
    }
    return true;
}

bool writePng(const std::string& path, const Picture& p) {
    std::string error;
    if (IMG_WritePNG(path, p.rgb.data(), p.width, p.height, 3, &error)) return true;
    std::fprintf(stderr, "vh_golden: %s\n", error.c_str());
    return false;
}

Picture reduce(const Picture& in) {
    Picture out;
    out.width = in.width / kReduce;
    out.height = in.height / kReduce;
    out.rgb.resize((size_t)out.width * out.height * 3);
    const int n = kReduce * kReduce;
    for (int y = 0; y < out.height; ++y)
        for (int x = 0; x < out.width; ++x)
            for (int c = 0; c < 3; ++c) {
                int sum = 0;
                for (int dy = 0; dy < kReduce; ++dy)
                    for (int dx = 0; dx < kReduce; ++dx)
                        sum += in.rgb[((size_t)(y * kReduce + dy) * in.width + x * kReduce + dx) * 3 + c];
                out.rgb[((size_t)y * out.width + x) * 3 + c] = (std::uint8_t)((sum + n / 2) / n);
            }
    return out;
}

struct Difference {
    int pixels = 0;  // pixels with a channel moved by more than kLevel
    int largest = 0; // the largest channel move anywhere
    double mean = 0; // mean over all pixels of the largest channel move (reported, to say how much)
    bool differs() const { return pixels > kMaxPixels; }
};

// The largest channel move of every pixel; a and b have the same size.
std::vector<int> moves(const Picture& a, const Picture& b) {
    std::vector<int> m((size_t)a.width * a.height);
    for (size_t i = 0; i < m.size(); ++i)
        for (int c = 0; c < 3; ++c)
            m[i] = std::max(m[i], std::abs((int)a.rgb[i * 3 + c] - (int)b.rgb[i * 3 + c]));
    return m;
}

Difference measure(const std::vector<int>& m) {
    Difference d;
    double sum = 0;
    for (int v : m) {
        sum += v;
        d.largest = std::max(d.largest, v);
        if (v > kLevel) ++d.pixels;
    }
    d.mean = m.empty() ? 0 : sum / (double)m.size();
    return d;
}

// Where two pictures differ: the reference in dim grey, each differing pixel red (brighter the more
// it moved), small moves that the comparison forgives in dark yellow.
Picture diffPicture(const Picture& ref, const std::vector<int>& m) {
    Picture out = ref;
    for (size_t i = 0; i < m.size(); ++i) {
        const int grey = (ref.rgb[i * 3] + ref.rgb[i * 3 + 1] + ref.rgb[i * 3 + 2]) / 9;
        std::uint8_t* p = &out.rgb[i * 3];
        if (m[i] > kLevel) {
            p[0] = (std::uint8_t)std::min(255, 128 + m[i]), p[1] = 0, p[2] = 0;
        } else if (m[i] > 0) {
            p[0] = p[1] = (std::uint8_t)(90 + grey), p[2] = 0;
        } else {
            p[0] = p[1] = p[2] = (std::uint8_t)grey;
        }
    }
    return out;
}

std::vector<std::string> pngNames(const std::string& dir) {
    std::vector<std::string> names;
    if (DIR* d = opendir(dir.c_str())) {
        while (dirent* e = readdir(d)) {
            const std::string name = e->d_name;
            if (name.size() > 4 && name.compare(name.size() - 4, 4, ".png") == 0) names.push_back(name);
        }
        closedir(d);
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string stem(const std::string& name) {
    return name.substr(0, name.size() - 4);
}

int compare(const std::string& frames, const std::string& refs, const std::string& out) {
    const std::vector<std::string> names = pngNames(refs);
    if (names.empty()) {
        std::fprintf(stderr, "vh_golden: %s: no reference pictures\n", refs.c_str());
        return 1;
    }
    int failed = 0;
    for (const std::string& name : names) {
        Picture ref, frame;
        if (!readPng(refs + "/" + name, &ref)) {
            std::printf("golden: %s/%s: not a readable PNG\n", refs.c_str(), name.c_str());
            ++failed;
            continue;
        }
        if (!readPng(frames + "/" + name, &frame)) {
            std::printf("golden: %s: the run made no such frame (%s/%s)\n", stem(name).c_str(), frames.c_str(),
                        name.c_str());
            ++failed;
            continue;
        }
        const Picture now = reduce(frame);
        if (now.width != ref.width || now.height != ref.height) {
            std::printf("golden: %s: %dx%d reduced, the reference is %dx%d\n", stem(name).c_str(), now.width,
                        now.height, ref.width, ref.height);
            ++failed;
            continue;
        }
        const std::vector<int> m = moves(ref, now);
        const Difference d = measure(m);
        if (getenv("VH_GOLDEN_VERBOSE"))
            std::printf("golden: %s: %d pixels over %d levels, largest %d, mean %.3f\n", stem(name).c_str(), d.pixels,
                        kLevel, d.largest, d.mean);
        if (!d.differs()) continue;
        ++failed;
        const std::string base = out + "/" + stem(name);
        const bool written = writePng(base + "-ref.png", ref) && writePng(base + "-new.png", now) &&
                             writePng(base + "-diff.png", diffPicture(ref, m));
        std::printf("golden: %s differs: %d pixels moved more than %d levels (largest %d, mean %.3f); %s\n",
                    stem(name).c_str(), d.pixels, kLevel, d.largest, d.mean,
                    written ? (base + "-{ref,new,diff}.png").c_str() : "the pictures could not be written");
    }
    std::printf("golden: %d of %zu frames differ from their references\n", failed, names.size());
    return failed ? 1 : 0;
}

int bless(const std::string& frames, const std::string& refs) {
    const std::vector<std::string> names = pngNames(frames);
    if (names.empty()) {
        std::fprintf(stderr, "vh_golden: %s: no frames\n", frames.c_str());
        return 1;
    }
    int written = 0, kept = 0, removed = 0;
    for (const std::string& name : names) {
        Picture frame, old;
        if (!readPng(frames + "/" + name, &frame)) {
            std::fprintf(stderr, "vh_golden: %s/%s: not a readable PNG\n", frames.c_str(), name.c_str());
            return 1;
        }
        const Picture now = reduce(frame);
        // Same pixels, same file: a picture that did not change never shows in git.
        if (readPng(refs + "/" + name, &old) && old.width == now.width && old.height == now.height &&
            old.rgb == now.rgb) {
            ++kept;
            continue;
        }
        if (!writePng(refs + "/" + name, now)) return 1;
        ++written;
    }
    for (const std::string& name : pngNames(refs))
        if (!std::binary_search(names.begin(), names.end(), name)) {
            std::remove((refs + "/" + name).c_str());
            ++removed;
        }
    std::printf("golden: %d references written, %d unchanged, %d removed\n", written, kept, removed);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 5 && std::strcmp(argv[1], "compare") == 0) return compare(argv[2], argv[3], argv[4]);
    if (argc == 4 && std::strcmp(argv[1], "bless") == 0) return bless(argv[2], argv[3]);
    std::fprintf(stderr, "usage: vh_golden compare FRAMES REFS OUT | vh_golden bless FRAMES REFS\n");
    return 2;
}
