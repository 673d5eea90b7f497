// views_gl: what the tests that draw generated models share: the data generated where the loaders look,
// the models loaded, and a view set up the way the scenes set theirs.
#pragma once

#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include "generated.h"
#include "model/mesh.h"

// Opens the window, generates the data into its working folder and loads the named models (all or
// a fatal failure).
inline void AG_LoadGenerated(const char* const* names, int count, t3DModel** models) {
    VH_TestOpenWindow();
    const AG_Result made = AG_Shell(AG_Generator + " --out .");
    ASSERT_EQ(made.status, 0) << made.out;
    for (int i = 0; i < count; ++i) {
        models[i] = MESH_Load3DSMesh(names[i], 4);
        ASSERT_NE(models[i], nullptr) << names[i];
    }
}

inline void AG_FreeModels(t3DModel* const* models, int count) {
    for (int i = 0; i < count; ++i)
        MESH_FreeInstance(models[i]);
    MESH_Close();
}

// Clears to the colour (RGBA) and looks from eye to target through the scenes' 60-degree lens.
inline void AG_LookFrom(const float* eye, const float* target, const float* clear) {
    glClearColor(clear[0], clear[1], clear[2], clear[3]);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(60, 1.0, 0.1, 320);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(eye[0], eye[1], eye[2], target[0], target[1], target[2], 0, 1, 0);
}
