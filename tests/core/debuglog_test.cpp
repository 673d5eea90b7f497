// The debug log: dated header, lines, one footer, and a run that goes on when the file cannot be made.
#include <gtest/gtest.h>

#include <regex>
#include <sys/stat.h>
#include <unistd.h>

#include "support/archive_bytes.h"
#include "core/debuglog.h"
#include "support/gl_fixture.h"

namespace {
struct InTempDir {
    std::string old;
    explicit InTempDir(const std::string& dir) {
        char buf[4096];
        old = getcwd(buf, sizeof buf) ? buf : "/tmp";
        EXPECT_EQ(chdir(dir.c_str()), 0);
    }
    ~InTempDir() { (void)chdir(old.c_str()); }
};

TEST(DebugLog, HeaderLinesAndASingleFooter) {
    const std::string dir = VH_TestTempDir();
    {
        InTempDir in(dir);
        DBG_Open();
        EXPECT_EQ(DBG_Print("value %d", 42), 0);
        EXPECT_EQ(DBG_Print("%s", std::string(400, 'x').c_str()), 0); // cut to the buffer
        DBG_Close();
        DBG_Close();
        EXPECT_EQ(DBG_Print("after close"), 1);
    }
    const Bytes bytes = ReadFile(dir + "/vh_debug.txt");
    const std::string log(bytes.begin(), bytes.end());
    const std::regex layout(
        "----VEXHAL DEBUG FILE-[A-Z][a-z]{2} [ 1-3][0-9] [0-9]{4} [0-2][0-9]:[0-5][0-9]:[0-5][0-9]\n\n\n"
        "value 42\nx{259}\n"
        "\n\n\n------END OF VEXHAL DEBUG FILE-------\n\n\n");
    EXPECT_TRUE(std::regex_match(log, layout)) << log;
}

TEST(DebugLog, UnwritableFolderRunsOnWithoutALog) {
    const std::string dir = VH_TestTempDir();
    InTempDir in(dir);
    ASSERT_EQ(mkdir("vh_debug.txt", 0755), 0); // a folder in the file's place
    testing::internal::CaptureStdout();
    DBG_Open();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Unable to create a debug file for vh");
    EXPECT_EQ(DBG_Print("lost"), 1);
    DBG_Close();
}
} // namespace
