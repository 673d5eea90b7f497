// sky: the curved sky plane of the air battle.
#include "scenes/sky.h"

#include <GL/gl.h>
#include <algorithm>
#include <cmath>
#include <vector>

namespace {

std::vector<SKY_Vertex> vertices;
std::vector<Uint16> indices;
int divisions = 0;
GLuint list = 0; // the plane compiled at its first draw: it never changes until built again

// The plane in white with the bound texture, lighting off; from the display list made of the
// arrays on the first call.
void drawPlane() {
    glDisable(GL_LIGHTING);
    glColor3f(1.0f, 1.0f, 1.0f);
    if (list == 0) {
        list = glGenLists(1);
        // Whatever arrays the caller had on stay as they were; only ours are read here.
        glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
        glDisableClientState(GL_COLOR_ARRAY);
        glDisableClientState(GL_NORMAL_ARRAY);
        glEnableClientState(GL_VERTEX_ARRAY);
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        glVertexPointer(3, GL_FLOAT, sizeof(SKY_Vertex), &vertices[0].x);
        glTexCoordPointer(2, GL_FLOAT, sizeof(SKY_Vertex), &vertices[0].u);
        glNewList(list, GL_COMPILE);
        glDrawElements(GL_TRIANGLES, GLsizei(indices.size()), GL_UNSIGNED_SHORT, indices.data());
        glEndList();
        glPopClientAttrib();
    }
    glCallList(list);
    glEnable(GL_LIGHTING);
}

} // namespace

void SKY_Build(int requested, float planetRadius, float atmosphereRadius, float hTile, float vTile) {
    SKY_Free();
    // 256 divisions would make 257^2 vertices, past what a 16-bit index can name.
    const int n = std::clamp(requested, 1, SKY_MAX_DIVISIONS);
    // An atmosphere no wider than the planet has no chord: the plane shrinks to a point
    // instead of taking the root of a negative number.
    const float chord2 = atmosphereRadius * atmosphereRadius - planetRadius * planetRadius;
    const float size = chord2 > 0.0f ? 2.0f * std::sqrt(chord2) : 0.0f;
    const float curve = atmosphereRadius != 0.0f ? 1.0f / atmosphereRadius : 0.0f;
    const float delta = size / n;
    const float texDelta = 2.0f / n;

    vertices.resize(size_t(n + 1) * (n + 1));
    for (int i = 0; i <= n; ++i)
        for (int j = 0; j <= n; ++j) {
            SKY_Vertex& v = vertices[size_t(n + 1) * i + j];
            v.x = -size / 2 + j * delta;
            v.z = -size / 2 + i * delta;
            v.y = -(v.x * v.x * curve + v.z * v.z * curve);
            v.spare = 0.0f;
            v.u = j * texDelta * 0.5f * hTile;
            v.v = (1.0f - i * texDelta * 0.5f) * vTile;
        }

    indices.resize(size_t(6) * n * n);
    Uint16* out = indices.data();
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) {
            const int k = (n + 1) * i + j;
            const int cell[6] = {k, k + 1, k + n + 1, k + 1, k + n + 2, k + n + 1};
            for (int c : cell)
                *out++ = Uint16(c);
        }
    divisions = n;
}

void SKY_Draw() {
    if (indices.empty()) return;
    // clang-format off
    glPushMatrix();
        glDisable(GL_DEPTH_TEST);
        drawPlane();
        glEnable(GL_DEPTH_TEST);
    glPopMatrix();
    // clang-format on
}

void SKY_DrawBehind() {
    if (indices.empty()) return;
    // Every fragment of the plane lands at the far end of the depth range and passes only where
    // the depth buffer still holds its cleared far value. Like the plane drawn first without a
    // depth test, it writes no depth.
    // clang-format off
    glPushMatrix();
        glDepthRange(1.0, 1.0);
        glDepthFunc(GL_LEQUAL);
        glDepthMask(GL_FALSE);
        drawPlane();
        glDepthMask(GL_TRUE);
        glDepthFunc(GL_LESS);
        glDepthRange(0.0, 1.0);
    glPopMatrix();
    // clang-format on
}

void SKY_Free() {
    if (list != 0) glDeleteLists(list, 1);
    list = 0;
    // Swapped out, not cleared, so the memory goes back at once.
    std::vector<SKY_Vertex>().swap(vertices);
    std::vector<Uint16>().swap(indices);
    divisions = 0;
}

int SKY_Divisions() {
    return divisions;
}

int SKY_VertexCount() {
    return int(vertices.size());
}

int SKY_IndexCount() {
    return int(indices.size());
}

const SKY_Vertex* SKY_Vertices() {
    return vertices.empty() ? nullptr : vertices.data();
}

const Uint16* SKY_Indices() {
    return indices.empty() ? nullptr : indices.data();
}
