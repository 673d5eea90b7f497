// The air battle's models drawn by the engine from the script's own cameras: each fills its shot.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "core/catalogue.h"
#include "shell/driver.h"
#include "views_gl.h"

namespace {

enum { kDirigible, kBlimp2, kBlimp3, kCliff, kPlane1, kPlane2, kCloud4, kCloud2 };

struct Put {
    int model;
    float pos[3], rot[3], scale[3];
};

// The scene's cloud table: x, z and model; every cloud is drawn at y 50.
const float kClouds[21][3] = {{-71, 71, kCloud2},   {-9, 66, kCloud4},    {-54, 37, kCloud2},    {-37, 37, kCloud4},
                              {-20, 33, kCloud4},   {18.7f, 40, kCloud2}, {18.7f, 55, kCloud4},  {35, 50, kCloud4},
                              {18.7f, 27, kCloud2}, {-75, 20, kCloud4},   {-37, 10, kCloud2},    {-34, 7, kCloud4},
                              {41, 0, kCloud2},     {-65, -37, kCloud4},  {20, -18.7f, kCloud4}, {-41, -37, kCloud4},
                              {30, -31, kCloud2},   {-62, -55, kCloud4},  {0, -65, kCloud4},     {13, -40, kCloud4},
                              {61, -45, kCloud2}};

// Share of the pixels in rows [y0, y1) that differ from the fog colour the frame was cleared to.
double coverage(const std::vector<std::uint8_t>& rgb, int w, int y0, int y1) {
    const int fog[3] = {128, 128, 179};
    long n = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = 0; x < w; ++x) {
            const std::uint8_t* p = &rgb[(size_t(y) * w + x) * 3];
            n += std::abs(p[0] - fog[0]) + std::abs(p[1] - fog[1]) + std::abs(p[2] - fog[2]) > 24;
        }
    return double(n) / (double(w) * (y1 - y0));
}

} // namespace

TEST(SceneTwoViewsGL, EachModelFillsTheShotsThatShowItAndTheCloudsMakeALayer) {
    t3DModel* models[CAT_SKY_MESH_COUNT];
    ASSERT_NO_FATAL_FAILURE(AG_LoadGenerated(CAT_SKY_MESHES, CAT_SKY_MESH_COUNT, models));
    // the scene's light and fog
    const GLfloat ambient[4] = {1, 1, 1, 1}, diffuse[4] = {0.85f, 0.85f, 0.83f, 1}, up[4] = {0, 1, 0, 0};
    const GLfloat fog[4] = {0.5f, 0.5f, 0.7f, 1};
    glLightfv(GL_LIGHT1, GL_AMBIENT, ambient);
    glLightfv(GL_LIGHT1, GL_DIFFUSE, diffuse);
    glEnable(GL_LIGHT1);
    glEnable(GL_FOG);
    glFogi(GL_FOG_MODE, GL_LINEAR);
    glFogf(GL_FOG_START, 40);
    glFogf(GL_FOG_END, 130);
    glFogfv(GL_FOG_COLOR, fog);

    const float s = 0.05f; // the planes' scale
    std::vector<Put> layer;
    for (const auto& c : kClouds)
        layer.push_back({int(c[2]), {c[0], 50, c[1]}, {0, 0, 0}, {2, 2, 2}});
    enum Rows { kAll, kUpper, kLower };
    struct Shot {
        const char* name;
        float eye[3], target[3];
        std::vector<Put> puts;
        Rows rows;
        double least, most; // share of the counted rows the models cover
    };
    // clang-format off
    const std::vector<Shot> shots = {
        {"dirigible_astern", {1.27f, 43.5f, 53.8f}, {0, 42, 42}, {{kDirigible, {0, 42, 42}, {0, 0, 0}, {1, 1, 1}}},
            kAll, 0.15, 0.9},
        {"dirigible_ahead", {-0.07f, 36.57f, 21.37f}, {0, 42, 42}, {{kDirigible, {0, 42, 42}, {0, 0, 0}, {1, 1, 1}}},
            kAll, 0.03, 0.5},
        {"blimp3_abeam", {-2, 39.6f, -14.5f}, {-8.5f, 38, -44}, {{kBlimp3, {-8.5f, 38, -44}, {0, 90, 0}, {1, 1, 1}}},
            kAll, 0.02, 0.5},
        {"blimp2_final", {-15, 15, 0}, {12.2f, 0, -30}, {{kBlimp2, {12.2f, 0, -30}, {0, 180, 0}, {1, 1, 1}}},
            kAll, 0.005, 0.3},
        {"cliff", {17.9f, -59.3f, -23.42f}, {-17.2f, -37.65f, -24.61f},
            {{kCliff, {-10, -43, 0}, {0, 0, 0}, {2, 1.3f, 4}}}, kAll, 0.3, 1.0},
        // plane 2 as the chase camera follows it, plane 1 as it passes the camera under blimp2
        {"plane2_chased", {-3.65f, 40.5f, 5}, {-3.65f, 35.5f, 15},
            {{kPlane2, {-3.65f, 35.5f, 15}, {0, 0, 0}, {s, s, s}}}, kAll, 0.0015, 0.1},
        {"plane1_passing", {-6.46f, 36.519f, -41.5796f}, {-2, 35, -38},
            {{kPlane1, {-2, 35, -38}, {0, 180, 0}, {s, s, s}}}, kAll, 0.005, 0.3},
        // the layer seen from above, over the airships, fills the ground but leaves the sky
        {"clouds_above", {1.27f, 47.5f, 45.8f}, {-23, 38, -44}, layer, kLower, 0.35, 1.0},
        {"clouds_above_sky", {1.27f, 47.5f, 45.8f}, {-23, 38, -44}, layer, kUpper, 0.0, 0.25},
        // and from under it in the final shots, a ceiling with gaps
        {"clouds_below", {-15, 15, 0}, {12.2f, 0, -30}, layer, kUpper, 0.05, 0.9},
    };
    // clang-format on
    for (const Shot& shot : shots) {
        SCOPED_TRACE(shot.name);
        AG_LookFrom(shot.eye, shot.target, fog);
        glLightfv(GL_LIGHT1, GL_POSITION, up);
        glDisable(GL_CULL_FACE); // as the scene draws its blimps and planes
        for (const Put& p : shot.puts) {
            t3DModel* m = models[p.model];
            MESH_SetPlacement(m, p.pos[0], p.pos[1], p.pos[2], p.rot[0], p.rot[1], p.rot[2], p.scale[0], p.scale[1],
                              p.scale[2]);
            if (p.model >= kCloud4 || p.model == kCliff) glEnable(GL_CULL_FACE);
            MESH_Draw(m, false);
            glDisable(GL_CULL_FACE);
        }
        glEnable(GL_CULL_FACE);
        int w = 0, h = 0;
        const std::vector<std::uint8_t> rgb = VH_DriverReadBack(&w, &h);
        ASSERT_TRUE(w > 0 && h > 0);
        const double share = coverage(rgb, w, shot.rows == kLower ? h / 2 : 0, shot.rows == kUpper ? h / 2 : h);
        EXPECT_GE(share, shot.least);
        EXPECT_LE(share, shot.most);
    }
    glDisable(GL_FOG);
    glDisable(GL_LIGHT1);
    AG_FreeModels(models, CAT_SKY_MESH_COUNT);
}
