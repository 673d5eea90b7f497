// The generator as the build runs it: the same bytes every run and one clear line for bad use.
#include <gtest/gtest.h>

#include <algorithm>

#include "assets.h"
#include "support/archive_bytes.h"
#include "generated.h"
#include "meshkit.h"
#include "picture.h"

namespace {

// Exit status, and whether the output is exactly one line.
std::pair<int, bool> oneLine(const AG_Result& r) {
    return {r.status, std::count(r.out.begin(), r.out.end(), '\n') == 1};
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
    r = AG_Shell(AG_Generator);
    EXPECT_EQ(oneLine(r), std::make_pair(2, true)) << r.out;
    r = AG_Shell(AG_Generator + " --out /nonexistent/folder");
    EXPECT_EQ(oneLine(r), std::make_pair(1, true)) << r.out;
    EXPECT_NE(r.out.find("/nonexistent/folder/vh_data.clu"), std::string::npos) << r.out;
}

TEST(Generator, SinkRefusesNamesTheArchiveOrTextureManagerCannotTell) {
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
}
