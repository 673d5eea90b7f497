// The generator as the build runs it: the same bytes every run, one clear line for bad use, and what it refuses
// to write or names when it reads its archive back.
#include <gtest/gtest.h>

#include <algorithm>
#include <png.h>

#include "support/dirs.h"
#include "assets.h"
#include "core/version.h"
#include "generated.h"
#include "generator.h"
#include "meshkit.h"
#include "picture.h"
#include "support/archive_bytes.h"

namespace {

// Exit status, and whether the output is exactly one line.
std::pair<int, bool> oneLine(const AG_Result& r) {
    return {r.status, std::count(r.out.begin(), r.out.end(), '\n') == 1};
}

// RGBA rows, top first; empty when the file is not a PNG.
std::vector<Uint8> readPNG(const std::string& path, Uint32* width, Uint32* height) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return {};
    image.format = PNG_FORMAT_RGBA;
    std::vector<Uint8> rgba(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, rgba.data(), 0, nullptr)) return {};
    *width = image.width;
    *height = image.height;
    return rgba;
}

// Pixels of the preview that differ from what the engine decodes (colour, and alpha where it has one).
long differences(const VH_Surface* s, const std::vector<Uint8>& rgba) {
    long wrong = 0;
    for (Uint32 y = 0; y < s->height; ++y)
        for (Uint32 x = 0; x < s->width; ++x) {
            const Uint32 v = IMG_GetPixel(s, x, y);
            const int depth = s->bitsPerPixel;
            const Uint8* p = &rgba[(size_t(y) * s->width + x) * 4];
            wrong += p[0] != IMG_GetRed(depth, v, s->palette) || p[1] != IMG_GetGreen(depth, v, s->palette) ||
                     p[2] != IMG_GetBlue(depth, v, s->palette) || p[3] != (depth == 32 ? v >> 24 : 255u);
        }
    return wrong;
}

} // namespace

TEST(Generator, SameBytesEveryRunASoundArchiveAndOneLineForBadUse) {
    const std::string first = AG_Generated(), second = VH_TestTempDir();
    AG_Result r = AG_Shell(AG_Generator + " --out " + second);
    EXPECT_EQ(oneLine(r), std::make_pair(0, true)) << r.out;
    AG_Result check = AG_Shell(std::string(VH_BIN_DIR) + "/vhpack check " + AG_Archive());
    EXPECT_EQ(check.status, 0) << check.out; // header, check value, directory and names
    for (const char* file : {"/vh_data.clu", "/credits.txt"}) {
        const Bytes a = ReadFile(first + file);
        EXPECT_TRUE(!a.empty() && a == ReadFile(second + file)) << file;
    }
    for (const char* bad : {"", " --frobnicate", " --out", " --out " /* empty */ "''", " stray"}) {
        r = AG_Shell(AG_Generator + bad);
        EXPECT_EQ(oneLine(r), std::make_pair(2, true)) << bad << ": " << r.out;
    }
    r = AG_Shell(AG_Generator + " --help");
    EXPECT_TRUE(r.status == 0 && r.out.find("--preview DIR") != std::string::npos) << r.out;
    r = AG_Shell(AG_Generator + " --version");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, std::string("assetgen ") + VH_VERSION_TEXT + "\n");

    // A folder that cannot be made is one line naming it, before anything is generated.
    ASSERT_TRUE(WriteFile(second + "/plain", Bytes{1}));
    for (const std::string& args :
         {" --out " + second + "/plain/x", " --out " + second + "/y --preview " + second + "/plain"}) {
        r = AG_Shell(AG_Generator + args);
        EXPECT_EQ(oneLine(r), std::make_pair(1, true)) << args << ": " << r.out;
        EXPECT_NE(r.out.find(second + "/plain"), std::string::npos) << r.out;
        EXPECT_FALSE(FileExists(second + "/y/vh_data.clu"));
    }
}

TEST(Generator, PreviewShowsEveryPictureAsTheEngineDecodesIt) {
    const std::string root = VH_TestTempDir(), out = root + "/made/data", preview = root + "/made/look/pictures";
    const AG_Result r = AG_Shell(AG_Generator + " --out " + out + " --preview " + preview);
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(FileExists(out + "/vh_data.clu")) << "missing folders and their parents are made";
    AssetSink sink;
    AG_AddAllAssets(sink);
    int pictures = 0;
    for (const AssetEntry& e : sink.Entries()) {
        const std::string png = preview + "/" + e.name + ".png";
        const bool bmp = AG_EndsWith(e.name, ".bmp");
        if (!bmp && !AG_EndsWith(e.name, ".tga")) {
            EXPECT_FALSE(FileExists(png)) << png;
            continue;
        }
        ++pictures;
        std::vector<Uint8> bytes = e.data;
        VH_Surface* s = AG_Decode(VH_RWFromMem(bytes.data(), int(bytes.size())), bmp);
        ASSERT_NE(s, nullptr) << e.name;
        Uint32 w = 0, h = 0;
        const std::vector<Uint8> rgba = readPNG(png, &w, &h);
        EXPECT_TRUE(w == s->width && h == s->height) << png;
        if (w == s->width && h == s->height) {
            EXPECT_EQ(differences(s, rgba), 0) << png;
        }
        IMG_FreeSurface(s);
    }
    EXPECT_GE(pictures, 34); // title cards, backdrop, water, sky, smoke, flare, sprites and the river's textures
    EXPECT_NE(r.out.find("assetgen: " + std::to_string(pictures) + " pictures as PNG into " + preview),
              std::string::npos)
        << r.out;

    // A picture the engine cannot read is named, not previewed as something else.
    AssetSink broken;
    broken.Add("broken.bmp", {'B', 'M', 0, 0});
    std::string error;
    EXPECT_EQ(AG_WritePreviews(broken, root, &error), -1);
    EXPECT_NE(error.find("broken.bmp"), std::string::npos) << error;
}

// What the generator would write wrong is refused before it is written, or named when read back.
TEST(Generator, SinkRefusesBadNamesAndTheReadBackNamesABadEntryOrCreditsLine) {
    AssetSink sink, pictures;
    EXPECT_TRUE(sink.Add("Boat.3ds", {1, 2, 3}));
    EXPECT_FALSE(sink.Add("BOAT.3DS", {4})); // the archive matches names without regard to case
    EXPECT_NE(sink.Error().find("BOAT.3DS"), std::string::npos);
    EXPECT_FALSE(sink.Add(std::string(64, 'x'), {1}));
    EXPECT_FALSE(sink.Add("empty.bin", {}));
    EXPECT_FALSE(sink.AddModel("broken.3ds", MkModel()));
    ASSERT_EQ(sink.Entries().size(), 1u);
    EXPECT_NE(sink.Error().find("BOAT.3DS"), std::string::npos); // the first fault is kept
    EXPECT_FALSE(pictures.AddBMP24("odd.bmp", AgImage(30, 8)));  // rows would need padding the decoder skips
    EXPECT_NE(pictures.Error().find("odd.bmp\": cannot be written as a 24-bit BMP"), std::string::npos);

    const std::string path = VH_TestTempDir() + "/data.clu";
    AssetSink good;
    AG_AddFonts(good);
    AG_AddSharedPictures(good);
    std::string fault;
    ASSERT_TRUE(AG_PackArchive(good, path, &fault)) << fault;
    EXPECT_TRUE(AG_CheckArchive(path, &fault)) << fault;
    ASSERT_TRUE(good.Add("broken.bmp", {'B', 'M', 1, 2, 3}) && good.Add("path.wed", {'W', 'E', 'D'}));
    ASSERT_TRUE(AG_PackArchive(good, path, &fault)) << fault;
    EXPECT_FALSE(AG_CheckArchive(path, &fault));
    EXPECT_EQ(fault, "broken.bmp: a damaged BMP picture (shorter than its 54-byte header) (and 1 more refused)");
    EXPECT_FALSE(AG_CheckArchive(path + ".missing", &fault));
    EXPECT_NE(fault.find("cannot be opened"), std::string::npos) << fault;
    EXPECT_TRUE(AG_CheckCredits(AG_CreditsText(), &fault)) << fault;
    EXPECT_FALSE(AG_CheckCredits(std::string("#C 255 255 255\n\x1b[1mbold\n"), &fault));
    EXPECT_EQ(fault, "control byte 0x1b at offset 15: not text");
}
