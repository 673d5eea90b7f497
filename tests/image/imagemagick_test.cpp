// Cross-check of the decoders against an independent writer and reader: ImageMagick writes
// each layout the decoders accept, and its reading of the file must give our pixels, row
// order included. ImageMagick keeps a TGA's rows in stored order and notes the origin beside
// them, so its reading is taken with -auto-orient, which puts the picture's top row first.
#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "support/picture_files.h"
#include "support/gl_fixture.h"

namespace {
// "x,y: (...)  #RRGGBB[AA]  name" per pixel; the hex field is rounded to bytes.
std::map<std::pair<int, int>, std::vector<int>> readEnumeration(const std::string& text) {
    std::map<std::pair<int, int>, std::vector<int>> pixels;
    std::istringstream in(text);
    std::string line;
    int x, y;
    while (std::getline(in, line)) {
        const size_t hash = line.find('#', 1);
        if (line[0] == '#' || std::sscanf(line.c_str(), "%d,%d:", &x, &y) != 2 || hash == std::string::npos) continue;
        for (size_t i = hash + 1; i + 1 < line.size() && std::isxdigit((unsigned char)line[i]); i += 2)
            pixels[{x, y}].push_back(std::stoi(line.substr(i, 2), nullptr, 16));
    }
    return pixels;
}
} // namespace

TEST(ImageMagickCrossCheck, EveryAcceptedLayoutDecodesToTheSamePixels) {
    if (std::system("command -v convert >/dev/null 2>&1") != 0) GTEST_SKIP() << "ImageMagick is not installed";
    const std::string dir = VH_TestTempDir();
    const int w = 7, h = 5; // odd width: BMP rows carry padding; 35 colours need an 8-bit palette
    const std::string source = dir + "/source.pam";
    std::string pam = "P7\nWIDTH 7\nHEIGHT 5\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n";
    for (int i = 0; i < w * h; ++i)
        pam += {char((i * 37 + 11) % 256), char((i * 91 + 3) % 256), char((i * 13 + 200) % 256), char(255 - i * 7)};
    ASSERT_TRUE(WriteFile(source, ToBytes(pam)));

    const struct {
        const char* options;
        const char* file;
        int bits;
    } layouts[] = {
        {"-alpha off -type Palette -compress None BMP3:", "p8.bmp", 8},
        {"-alpha off -type TrueColor -compress None BMP3:", "t24.bmp", 24},
        {"-alpha off -depth 5 -compress None TGA:", "t16.tga", 15},
        {"-alpha off -type TrueColor -compress None TGA:", "t24.tga", 24},
        {"-alpha off -type TrueColor -orient TopLeft -compress None TGA:", "tl24.tga", 24},
        {"-type TrueColorAlpha -compress None TGA:", "t32.tga", 32},
    };
    for (const auto& layout : layouts) {
        SCOPED_TRACE(layout.file);
        const std::string file = dir + "/" + layout.file;
        ASSERT_EQ(RunOutput("convert '" + source + "' " + layout.options + "'" + file + "' 2>&1"), "");
        VH_Surface* s = testpic::decode(ReadFile(file), file.back() == 'a' ? IMG_LoadTGA : IMG_LoadBMP);
        ASSERT_NE(s, nullptr);
        EXPECT_EQ(s->bitsPerPixel, layout.bits);
        ASSERT_EQ(s->width * s->height, (Uint32)(w * h));

        const auto reference = readEnumeration(RunOutput("convert '" + file + "' -auto-orient txt:-"));
        ASSERT_EQ(reference.size(), (size_t)(w * h));
        std::map<std::pair<int, int>, std::vector<int>> ours;
        for (const auto& p : reference) {
            ours[p.first] = testpic::colourAt(s, p.first.first, p.first.second);
            if (s->bitsPerPixel == 32)
                ours[p.first].push_back((int)(IMG_GetPixel(s, p.first.first, p.first.second) >> 24));
        }
        EXPECT_EQ(ours, reference);
        IMG_FreeSurface(s);
    }
}
