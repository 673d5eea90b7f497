// The night beach's models through the mesh manager, with their pictures, drawn as the scene draws them:
// each one shows up in the middle of a view aimed at where the scene puts it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "core/catalogue.h"
#include "shell/driver.h"
#include "views_gl.h"

namespace {

// The scene's night: two dim spots and a weak light from above, black fog from 60 to 310.
void nightLights() {
    const GLfloat black[] = {0, 0, 0, 1}, down[] = {0, -1, 0};
    const GLfloat lights[3][3][4] = {// position, ambient, diffuse and specular
                                     {{-10, 25, 10, 1}, {0, 0, 0, 1}, {0.2f, 0.8f, 0.2f, 1}},
                                     {{-25, 5, 90, 1}, {0, 0, 0, 1}, {0.7f, 0.2f, 0.2f, 1}},
                                     {{0, 1, 0, 0}, {0.1f, 0.1f, 0.2f, 1}, {0.3f, 0.3f, 0.4f, 1}}};
    for (int i = 0; i < 3; ++i) {
        const GLenum light = GL_LIGHT0 + i;
        glLightfv(light, GL_POSITION, lights[i][0]);
        glLightfv(light, GL_AMBIENT, lights[i][1]);
        glLightfv(light, GL_DIFFUSE, lights[i][2]);
        glLightfv(light, GL_SPECULAR, lights[i][2]);
        if (i < 2) glLightfv(light, GL_SPOT_DIRECTION, down), glLightf(light, GL_SPOT_CUTOFF, 90);
        glEnable(light);
    }
    glEnable(GL_FOG);
    glFogi(GL_FOG_MODE, GL_LINEAR);
    glFogf(GL_FOG_START, 60);
    glFogf(GL_FOG_END, 310);
    glFogfv(GL_FOG_COLOR, black);
}

// One frame from eye to target with every placed model but `without`.
std::vector<std::uint8_t> frame(t3DModel* const* models, int without, const float* eye, const float* target) {
    const float black[4] = {0, 0, 0, 0};
    AG_LookFrom(eye, target, black);
    nightLights();
    for (int i : {0, 3, 2, 1, 4}) // the scene's order
        if (i != without) MESH_Draw(models[i], false);
    int w = 0, h = 0;
    return VH_DriverReadBack(&w, &h);
}

} // namespace

TEST(BeachSceneGL, EveryModelLoadsWithItsPicturesAndDrawsWhereTheSceneLooks) {
    t3DModel* models[CAT_BEACH_MESH_COUNT];
    ASSERT_NO_FATAL_FAILURE(AG_LoadGenerated(CAT_BEACH_MESHES, CAT_BEACH_MESH_COUNT, models));
    for (int i = 0; i < CAT_BEACH_MESH_COUNT; ++i) {
        SCOPED_TRACE(CAT_BEACH_MESHES[i]);
        ASSERT_GT(models[i]->materialCount, 0);
        for (int m = 0; m < models[i]->materialCount; ++m)
            EXPECT_NE(models[i]->textures[m], 0u) << models[i]->materials[m].textureFile;
        if (i < 5) {
            const float* p = AG_BEACH_PLACEMENT[i];
            MESH_SetPlacement(models[i], p[0], p[1], p[2], p[3], p[4], p[5], p[6], p[7], p[8]);
        }
    }
    // a view from the camera's places at each model: taking the model out changes the frame's middle
    const float views[5][6] = {
        {-15, 4.3f, 104, -20, 2.5f, 116}, // the sand ahead of the opening flight's first place
        {60, 20, -40, -24, 10, 12},       // the rock from the sea
        {-29, 4.5f, 93, -25, 2.5f, 90},   // the fire
        {-27, 4.0f, 95, -24, 3.0f, 100},  // the chair, from the eye's place by the fire
        {-13, 24, 30, -10.6f, 19, 15.6f}, // the city's square at the end of the opening flight
    };
    for (int i = 0; i < 5; ++i) {
        SCOPED_TRACE(CAT_BEACH_MESHES[i]);
        const std::vector<std::uint8_t> all = frame(models, -1, views[i], views[i] + 3);
        const std::vector<std::uint8_t> less = frame(models, i, views[i], views[i] + 3);
        int changed = 0, lit = 0;
        for (int y = 250; y < 350; ++y)
            for (int x = 350; x < 450; ++x) {
                const size_t k = 3 * (size_t(y) * 800 + x);
                changed += std::abs(all[k] - less[k]) + std::abs(all[k + 1] - less[k + 1]) > 6;
                lit += all[k] + all[k + 1] + all[k + 2] > 60;
            }
        EXPECT_GT(changed, 2000);
        EXPECT_GT(lit, 2000); // seen at night, not black
    }
    AG_FreeModels(models, CAT_BEACH_MESH_COUNT);
}
