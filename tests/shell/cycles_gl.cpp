// goto and reload typed into the console hundreds of times through every part, over the
// generated data: each return to an intro finds everything the parts took given back, and
// the sanitizer run sees no leak at the end.
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <string>
#include <unistd.h>

#include "support/dirs.h"
#include "camera/camera.h"
#include "image/texture.h"
#include "model/mesh.h"
#include "particles/papi.h"
#include "shell/driver.h"
#include "shell/sequence.h"
#include "support/gl_fixture.h"
#include "text/console.h"

namespace {

void type(const std::string& line) {
    VH_TestTypeCommand(line);
}

// What a part may leave behind, read back from the engine and from GL.
struct Held {
    int textures, meshes, groups, lists, groupTable, listTable;
    bool camera, fog, lights;
    bool operator==(const Held& o) const {
        return textures == o.textures && meshes == o.meshes && groups == o.groups && lists == o.lists &&
               groupTable == o.groupTable && listTable == o.listTable && camera == o.camera && fog == o.fog &&
               lights == o.lights;
    }
};

std::ostream& operator<<(std::ostream& out, const Held& h) {
    return out << h.textures << " textures, " << h.meshes << " meshes, " << h.groups << " groups, " << h.lists
               << " lists, tables " << h.groupTable << "/" << h.listTable << (h.camera ? ", a camera" : "")
               << (h.fog ? ", fog" : "") << (h.lights ? ", lights" : "");
}

Held held() {
    Held h{TEX_Count(),
           MESH_Count(),
           0,
           0,
           PART_GroupTableSize(),
           PART_ListTableSize(),
           CAM_LastApplied() != nullptr,
           glIsEnabled(GL_FOG) == GL_TRUE,
           false};
    for (int i = 0; i < h.groupTable; ++i) {
        PART_SelectGroup(i);
        h.groups += PART_CurrentGroup() != nullptr;
    }
    PART_SelectGroup(-1);
    for (int i = 0; i < h.listTable; ++i)
        h.lists += PART_ListLength(i) >= 0;
    for (int i = 0; i < 8; ++i)
        h.lights = h.lights || glIsEnabled(GL_LIGHT0 + i);
    return h;
}

// Whatever runs gets past its first update and draws a frame.
void play() {
    VH_DriverStep(0.05);
    VH_DriverStep(0.05);
    VH_DriverRender();
}

} // namespace

TEST(Cycles, GotoAndReloadHundredsOfTimesLeaveNothingBehind) {
    VH_TestOpenWindow();
    ASSERT_EQ(chdir(VH_RUN_DIR), 0);
    type("goto intro1");
    play();
    ASSERT_EQ(VH_CurrentRow(), 0);
    const Held atIntro = held();
    EXPECT_TRUE(atIntro.meshes == 0 && atIntro.groups == 0 && !atIntro.camera && !atIntro.fog && !atIntro.lights)
        << atIntro;

    // Scenes entered from intros, from each other, from the credits and anew by reload; the
    // intros are where the check is made.
    const char* const round[] = {"goto scene1",  "reload", "goto intro2", "goto scene2", "reload",
                                 "goto scene3",  "reload", "goto intro3", "goto scene1", "goto scene3",
                                 "goto credits", "reload", "goto scene2", "goto intro1", "reload"};
    const int rounds = 20;
    int typed = 0, checked = 0;
    for (int r = 0; r < rounds; ++r) {
        for (const char* command : round) {
            type(command);
            ++typed;
            play();
            const int row = VH_CurrentRow();
            ASSERT_GE(row, 0) << command;
            if (row < VH_SequenceLength() && VH_SequenceRowAt(row)->kind == VH_ROW_SCENE) {
                EXPECT_GT(MESH_Count(), 0) << "round " << r << ", " << command << ": the scene loads its models";
                continue;
            }
            if (row == VH_SequenceLength()) continue; // the credits
            const Held now = held();
            EXPECT_EQ(now, atIntro) << "round " << r << ", " << command;
            ++checked;
            if (!(now == atIntro)) return; // one report is enough; the rest would repeat it
        }
    }
    EXPECT_GE(typed, 300);
    EXPECT_EQ(checked, rounds * 4);
    if (VH_Console.open) VH_DriverKey('`');
}
