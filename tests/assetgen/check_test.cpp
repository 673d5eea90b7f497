// assetgen's read-back of what it wrote: good entries pass, a planted bad one is named in one line.
#include <gtest/gtest.h>

#include "assets.h"
#include "generator.h"
#include "support/gl_fixture.h"

TEST(AssetgenCheck, WrittenArchiveIsReadBackAndABadEntryNamed) {
    const std::string path = VH_TestTempDir() + "/data.clu";
    AssetSink sink;
    AG_AddFonts(sink);
    AG_AddSharedPictures(sink);
    std::string fault;
    ASSERT_TRUE(AG_PackArchive(sink, path, &fault)) << fault;
    EXPECT_TRUE(AG_CheckArchive(path, &fault)) << fault;

    ASSERT_TRUE(sink.Add("broken.bmp", {'B', 'M', 1, 2, 3}) && sink.Add("path.wed", {'W', 'E', 'D'}));
    ASSERT_TRUE(AG_PackArchive(sink, path, &fault)) << fault;
    EXPECT_FALSE(AG_CheckArchive(path, &fault));
    EXPECT_EQ(fault, "broken.bmp: a damaged BMP picture, or a kind the reader does not take (8 or 24 bits, "
                     "uncompressed) (and 1 more refused)");
    EXPECT_FALSE(AG_CheckArchive(path + ".missing", &fault));
    EXPECT_NE(fault.find("cannot be opened"), std::string::npos) << fault;

    EXPECT_TRUE(AG_CheckCredits(AG_CreditsText(), &fault)) << fault;
    EXPECT_FALSE(AG_CheckCredits(std::string("#C 255 255 255\n\x1b[1mbold\n"), &fault));
    EXPECT_EQ(fault, "control byte 0x1b at offset 15: not text");
}
