// grid: the textured height grid drawn as each scene's water or ground sheet.
#include "particles/grid.h"

#include <GL/gl.h>

namespace {

constexpr float kDefaultAlpha = 0.55f;

struct GridState {
    int cols = -1;                       // samples along x; -1 when unset
    int rows = -1;                       // samples along the second grid axis
    const float* heights = nullptr;      // cols * rows, owned by the scene
    float alpha = kDefaultAlpha;         // 0..1
    float scale[3] = {1.0f, 1.0f, 1.0f}; // applied twice, see GRID_Draw
};

GridState grid;

void restoreDefaults() {
    grid.alpha = kDefaultAlpha;
    grid.scale[0] = grid.scale[1] = grid.scale[2] = 1.0f;
}

void emitVertex(int x, int y) {
    glTexCoord2f(static_cast<float>(x) / grid.cols, static_cast<float>(y) / grid.rows);
    glVertex3f(static_cast<float>(x), static_cast<float>(y), grid.heights[grid.cols * y + x]);
}

} // namespace

void GRID_Set(int cols, int rows, const float* heights) {
    grid.cols = cols;
    grid.rows = rows;
    grid.heights = heights;
    restoreDefaults();
}

int GRID_Cols() { return grid.cols; }
int GRID_Rows() { return grid.rows; }

void GRID_SetAlpha(float alpha) { grid.alpha = alpha; }

void GRID_SetScale(float x, float y, float z) {
    grid.scale[0] = x;
    grid.scale[1] = y;
    grid.scale[2] = z;
}

void GRID_Draw() {
    // A grid without heights has nothing to lift; drawing it would read through null.
    const bool drawable = grid.heights && grid.cols >= 2 && grid.rows >= 2;

    glPushMatrix();
        // The scale is applied on both sides of the lay-flat rotation: scenes pass equal
        // factors, and the double application keeps their sheets the size they expect.
        glScalef(grid.scale[0], grid.scale[1], grid.scale[2]);
        glTranslatef(static_cast<float>(-(grid.cols / 2)), 0.0f, static_cast<float>(-(grid.rows / 2)));
        glRotatef(90.0f, 1.0f, 0.0f, 0.0f);
        glScalef(grid.scale[0], grid.scale[1], grid.scale[2]);

        glColor4f(1.0f, 1.0f, 1.0f, grid.alpha);
        glEnable(GL_NORMALIZE);
        glBegin(GL_QUADS);
        if (drawable) {
            for (int i = 0; i < grid.cols - 1; ++i)
                for (int j = 0; j < grid.rows - 1; ++j) {
                    emitVertex(i, j);
                    emitVertex(i, j + 1);
                    emitVertex(i + 1, j + 1);
                    emitVertex(i + 1, j);
                }
        }
        glEnd();
        glDisable(GL_NORMALIZE);
        glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glPopMatrix();
}

void GRID_Reset() {
    grid.heights = nullptr;
    grid.cols = grid.rows = -1;
    restoreDefaults();
}
