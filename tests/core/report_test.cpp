// Added lines start on a line of their own, warnings come once per name, and a failure
// ends the run with status 1 after saying why.
#include <gtest/gtest.h>

#include <string>

#include "core/report.h"

namespace {

TEST(Report, LinesStartAfreshAndWarnOncePerName) {
    VH_ResetWarnings();
    testing::internal::CaptureStderr();
    VH_NoteOpenLine(true); // as after "NO GL ERROR", which ends without a line break
    VH_Warn("a.bmp", "not found in the archive");
    VH_Warn("a.bmp", "asked for again");
    VH_Warn("b.3ds", "not a 3DS model (%d bytes)", 7);
    VH_Warn(nullptr, "no file to name");
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "\nwarning: a.bmp: not found in the archive\nwarning: b.3ds: not a 3DS model (7 bytes)\n"
              "warning: no file to name\n");
}

TEST(ReportDeath, FailSaysWhyAndEndsWithStatusOne) {
    EXPECT_EXIT(VH_Fail("boatpath.wed", "not a WED path file"), ::testing::ExitedWithCode(1),
                "error: boatpath.wed: not a WED path file\n");
}

} // namespace
