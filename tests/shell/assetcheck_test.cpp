// The asset check's answers are single lines, whatever bytes the checked files hold.
#include <gtest/gtest.h>

#include "data/resfile.h"
#include "model/chunks.h"
#include "shell/assetcheck.h"

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
