// grid: the textured height grid drawn as each scene's water or ground sheet.
#include "particles/grid.h"

#include <GL/gl.h>
#include <cstring>
#include <vector>

namespace {

constexpr float kDefaultAlpha = 0.55f;

struct GridState {
    int cols = -1;                       // samples along x; -1 when unset
    int rows = -1;                       // samples along the second grid axis
    const float* heights = nullptr;      // cols * rows, owned by the scene
    float alpha = kDefaultAlpha;         // 0..1
    float scale[3] = {1.0f, 1.0f, 1.0f}; // applied twice, see GRID_Draw
};

// The sheet's quads, compiled once: the scenes' heights never change after they are zeroed, and
// sending some 17,000 vertices one call at a time every frame cost more than drawing them. The
// heights the list was made from are kept, so a sheet whose heights do change is compiled again.
struct Compiled {
    GLuint list = 0;
    int cols = -1, rows = -1;
    std::vector<float> heights;
};

GridState grid;
Compiled compiled;

void restoreDefaults() {
    grid.alpha = kDefaultAlpha;
    grid.scale[0] = grid.scale[1] = grid.scale[2] = 1.0f;
}

void emitVertex(int x, int y) {
    glTexCoord2f(static_cast<float>(x) / grid.cols, static_cast<float>(y) / grid.rows);
    glVertex3f(static_cast<float>(x), static_cast<float>(y), grid.heights[grid.cols * y + x]);
}

bool compiledIsCurrent() {
    const size_t n = (size_t)grid.cols * grid.rows;
    return compiled.list != 0 && compiled.cols == grid.cols && compiled.rows == grid.rows &&
           compiled.heights.size() == n && std::memcmp(compiled.heights.data(), grid.heights, n * sizeof(float)) == 0;
}

void compile() {
    if (compiled.list == 0) compiled.list = glGenLists(1);
    compiled.cols = grid.cols;
    compiled.rows = grid.rows;
    compiled.heights.assign(grid.heights, grid.heights + (size_t)grid.cols * grid.rows);
    glNewList(compiled.list, GL_COMPILE);
    glBegin(GL_QUADS);
    for (int i = 0; i < grid.cols - 1; ++i)
        for (int j = 0; j < grid.rows - 1; ++j) {
            emitVertex(i, j);
            emitVertex(i, j + 1);
            emitVertex(i + 1, j + 1);
            emitVertex(i + 1, j);
        }
    glEnd();
    glEndList();
}

void forgetCompiled() {
    if (compiled.list != 0) glDeleteLists(compiled.list, 1);
    compiled = Compiled();
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
        if (drawable) {
            if (!compiledIsCurrent()) compile();
            glCallList(compiled.list);
        }
        glDisable(GL_NORMALIZE);
        glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glPopMatrix();
}

void GRID_Reset() {
    forgetCompiled();
    grid.heights = nullptr;
    grid.cols = grid.rows = -1;
    restoreDefaults();
}
