// Cross-check of the decoders against an independent writer and reader: ImageMagick
// writes each layout the decoders accept, and its own reading of the same file
// ("convert FILE txt:-") must give the pixels our surface holds, row order included.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "data/rwops.h"
#include "image/image.h"
#include "support/gl_fixture.h"

namespace {
bool haveConvert() { return std::system("command -v convert >/dev/null 2>&1") == 0; }

std::string run(const std::string& command) {
    std::string out;
    if (FILE* p = popen(command.c_str(), "r")) {
        char buf[4096];
        size_t n;
        while ((n = fread(buf, 1, sizeof(buf), p)) > 0) out.append(buf, n);
        pclose(p);
    }
    return out;
}

// ImageMagick's enumeration: "x,y: (...)  #RRGGBB[AA]  name"; the hex field is rounded.
std::map<std::pair<int, int>, std::vector<int>> readEnumeration(const std::string& text) {
    std::map<std::pair<int, int>, std::vector<int>> pixels;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        int x, y;
        if (std::sscanf(line.c_str(), "%d,%d:", &x, &y) != 2) continue;
        const size_t hash = line.find('#');
        if (hash == std::string::npos) continue;
        std::vector<int> channels;
        for (size_t i = hash + 1; i + 1 < line.size() && std::isxdigit((unsigned char)line[i]); i += 2)
            channels.push_back(std::stoi(line.substr(i, 2), nullptr, 16));
        pixels[{x, y}] = channels;
    }
    return pixels;
}

// A w x h picture of distinct colours (more than 16, so a palette needs 8 bits),
// with an alpha ramp; written as a PAM that ImageMagick reads.
std::string writeSource(const std::string& dir, int w, int h, bool alpha) {
    const std::string path = dir + (alpha ? "/source_rgba.pam" : "/source.pam");
    std::ofstream out(path, std::ios::binary);
    out << "P7\nWIDTH " << w << "\nHEIGHT " << h << "\nDEPTH " << (alpha ? 4 : 3) << "\nMAXVAL 255\nTUPLTYPE "
        << (alpha ? "RGB_ALPHA" : "RGB") << "\nENDHDR\n";
    for (int i = 0; i < w * h; ++i) {
        out.put((char)((i * 37 + 11) % 256)).put((char)((i * 91 + 3) % 256)).put((char)((i * 13 + 200) % 256));
        if (alpha) out.put((char)(255 - i * 7));
    }
    return path;
}

struct Layout {
    const char* name;
    const char* options; // ImageMagick options and output format
    const char* file;
    bool alpha;
    int bits; // the surface depth we expect
    bool tga;
};
} // namespace

TEST(ImageMagickCrossCheck, EveryAcceptedLayoutDecodesToTheSamePixels) {
    if (!haveConvert()) GTEST_SKIP() << "ImageMagick's convert is not installed";
    const std::string dir = VH_TestTempDir();
    const int w = 7, h = 5; // odd width: BMP rows carry padding
    const std::string rgb = writeSource(dir, w, h, false);
    const std::string rgba = writeSource(dir, w, h, true);

    const Layout layouts[] = {
        {"8-bit palettised BMP", "-type Palette -compress None BMP3:", "p8.bmp", false, 8, false},
        {"24-bit BMP", "-type TrueColor -compress None BMP3:", "t24.bmp", false, 24, false},
        {"16-bit TGA", "-depth 5 -compress None TGA:", "t16.tga", false, 15, true},
        {"24-bit TGA", "-type TrueColor -compress None TGA:", "t24.tga", false, 24, true},
        {"24-bit TGA, top-left origin", "-type TrueColor -orient TopLeft -compress None TGA:", "tl24.tga", false, 24,
         true},
        {"32-bit TGA", "-type TrueColorAlpha -compress None TGA:", "t32.tga", true, 32, true},
    };
    for (const Layout& layout : layouts) {
        SCOPED_TRACE(layout.name);
        const std::string file = dir + "/" + layout.file;
        const std::string convert =
            "convert '" + (layout.alpha ? rgba : rgb) + "' " + layout.options + "'" + file + "' 2>&1";
        ASSERT_EQ(run(convert), "");
        std::ifstream in(file, std::ios::binary);
        std::vector<Uint8> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        ASSERT_GT(bytes.size(), 18u);

        VH_RWops* rw = VH_RWFromMem(bytes.data(), (int)bytes.size());
        VH_Surface* s = layout.tga ? IMG_LoadTGA(rw) : IMG_LoadBMP(rw);
        rw->close(rw);
        ASSERT_NE(s, nullptr);
        EXPECT_EQ(s->bitsPerPixel, layout.bits);
        ASSERT_EQ(s->width, (Uint32)w);
        ASSERT_EQ(s->height, (Uint32)h);

        const auto reference = readEnumeration(run("convert '" + file + "' -auto-orient txt:-"));
        ASSERT_EQ(reference.size(), (size_t)(w * h));
        int mismatches = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const std::vector<int>& want = reference.at({x, y});
                ASSERT_GE(want.size(), 3u);
                const Uint32 v = IMG_GetPixel(s, x, y);
                std::vector<int> got = {IMG_GetRed(s->bitsPerPixel, v, s->palette),
                                        IMG_GetGreen(s->bitsPerPixel, v, s->palette),
                                        IMG_GetBlue(s->bitsPerPixel, v, s->palette)};
                if (layout.alpha) got.push_back((int)(v >> 24));
                std::vector<int> expected(want.begin(), want.begin() + (layout.alpha ? 4 : 3));
                if (layout.alpha && want.size() == 3) expected.push_back(255);
                if (got != expected && ++mismatches <= 3)
                    ADD_FAILURE() << "pixel " << x << "," << y << " differs from ImageMagick's reading: "
                                  << ::testing::PrintToString(got) << " against " << ::testing::PrintToString(expected);
            }
        EXPECT_EQ(mismatches, 0);
        IMG_FreeSurface(s);
    }
}
