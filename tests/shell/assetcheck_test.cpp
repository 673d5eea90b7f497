// The asset check's answers: single lines whatever bytes the checked files hold, and pictures
// judged the way the texture loader judges them.
#include <gtest/gtest.h>

#include "data/resfile.h"
#include "model/chunks.h"
#include "shell/assetcheck.h"
#include "support/picture_files.h"

// A texture map name from the file is shown with its control bytes escaped, so a damaged model
// cannot break the one line vhpack and assetgen print for it.
TEST(AssetCheck, TextureMapNamesAreShownOnOneLine) {
    CResFile maps;
    ASSERT_TRUE(maps.Open("maps.clu", "w")); // in memory only: never committed
    ASSERT_TRUE(maps.AddEntry("wood.bmp", 0, nullptr, 0, false));
    const TestObject quad = {"quad", {0, 0, 0, 1, 0, 0, 0, 0, 1}, {0, 1, 2}, {}, {"m"}};
    const auto fault = [&](const std::string& map) {
        const Bytes model = Make3DS({{"m", map, {1, 2, 3}}}, {quad});
        return VH_CheckAssetBytes("ship.3ds", model.data(), static_cast<Uint32>(model.size()), &maps);
    };
    EXPECT_EQ(fault("wood.bmp"), "");
    EXPECT_EQ(fault("stone.bmp"), "its texture map stone.bmp is not in the archive");
    EXPECT_EQ(fault("wo\r\nod\x1b.bmp\x7f"), "its texture map wo\\x0d\\x0aod\\x1b.bmp\\x7f is not in the archive");
}

// A picture's kind comes from its bytes alone, for the check as for the texture loader, so the
// name it is stored under changes nothing; a refusal names a valid picture of a kind the engine
// does not read as that kind, and only a broken file as damaged.
TEST(AssetCheck, PicturesAreJudgedByTheirBytesAndRefusalsNameTheirKind) {
    const Bytes row = {1, 2, 3, 4, 5, 6, 7, 8};
    const std::string bmpReads = ": the engine reads 8- and 24-bit uncompressed BMP";
    const std::string tgaReads = ": the engine reads uncompressed TGA of 15, 16, 24 or 32 bits";
    Bytes cut = testpic::flatBmp(4, 4, 1, 2, 3);
    cut.resize(cut.size() - 20);
    const std::pair<Bytes, std::string> cases[] = {
        {testpic::tga(2, 2, 24, Bytes(12, 9)), ""},
        {testpic::flatBmp(2, 2, 1, 2, 3), ""},
        {testpic::bmp(2, 2, 32, {row, row}), "32-bit BMP" + bmpReads},
        {testpic::bmp(4, 2, 16, {row, row}, Bytes(), 3), "16-bit BMP" + bmpReads},
        {testpic::bmp(2, 2, 8, {{0, 0}, {0, 0}}, Bytes(1024, 0), 1), "RLE-compressed BMP" + bmpReads},
        {testpic::bmp(2, 0xFFFFFFFEu, 24, {row, row}),
         "top-down BMP (negative height): the engine reads bottom-up BMP"},
        {testpic::bmp(2, 2, 13, {row, row}), "a damaged BMP picture (13 bits per pixel)"},
        {cut, "a damaged BMP picture (cut short: its pixels run past the end of the file)"},
        {testpic::tga(2, 2, 24, Bytes(12, 9), 10), "RLE-compressed TGA" + tgaReads},
        {testpic::tga(2, 2, 8, Bytes(4, 9), 3), "8-bit grey TGA" + tgaReads},
        {testpic::tga(2, 2, 24, Bytes(11, 9)),
         "a damaged TGA picture (cut short: its pixels run past the end of the file)"},
        {ToBytes("\x89PNG\r\n\x1a\n and so on"), "a PNG picture: the engine reads BMP and TGA pictures"},
        {ToBytes("\xFF\xD8\xFF\xE0 and so on"), "a JPEG picture: the engine reads BMP and TGA pictures"},
        {ToBytes("plain words, no picture"),
         "neither a BMP (no BM mark) nor a TGA picture: the engine reads BMP and TGA pictures"},
        {Bytes(), "an empty file: not a picture"},
    };
    for (const auto& [bytes, fault] : cases) {
        SCOPED_TRACE(&bytes - &cases[0].first);
        for (const char* name : {"p.bmp", "p.TGA"})
            EXPECT_EQ(VH_CheckAssetBytes(name, bytes.data(), static_cast<Uint32>(bytes.size())), fault) << name;
    }
}
