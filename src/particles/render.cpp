// render: points, streaks, sorted billboards and display-list copies of the current group.
#include "particles/render.h"

#include <GL/gl.h>
#include <cmath>
#include <cstdlib>
#include <cstdint>
#include <cstring>
#include <vector>

#include "math/quatlib.h"
#include "particles/papi.h"

namespace {

const GLsizei particleStride = sizeof(PART_Particle);

// Sort scratch, kept between frames so a steady group allocates nothing. The key is the fast
// distance's bit pattern: for the non-negative doubles it takes, the bits order as the values.
struct SortKey {
    std::uint64_t key;
    int index;
};
std::vector<SortKey> sortKeys, sortSpare;
std::vector<PART_Particle> sortScratch;

VECTOR scaledUnit(float x, float y, float z, float scale) {
    const float len = std::sqrt(x * x + y * y + z * z);
    return len > 0.0f ? VECTOR(x / len * scale, y / len * scale, z / len * scale) : VECTOR(0, 0, 0);
}

// The four corner offsets from the camera's right and up axes in world space.
struct Corners {
    VECTOR c[4];
};

Corners cornersFor(const float m[16], float scale) {
    const VECTOR right = PART_Scale(scaledUnit(m[0], m[4], m[8], 2.0f), scale);
    const VECTOR up = PART_Scale(scaledUnit(m[1], m[5], m[9], 2.0f), scale);
    Corners k;
    k.c[0] = PART_Scale(PART_Add(right, up), -1.0f);
    k.c[1] = PART_Sub(right, up);
    k.c[2] = PART_Add(right, up);
    k.c[3] = PART_Sub(up, right);
    return k;
}

// Both renderers place the corners through this, so their vertices agree to the bit.
inline VECTOR corner(const PART_Particle& p, const Corners& k, int i, bool fixedSize) {
    const float s = fixedSize ? 1.0f : p.size.x;
    return VECTOR(k.c[i].x * s + p.position.x, k.c[i].y * s + p.position.y, k.c[i].z * s + p.position.z);
}

const float quadTexCoords[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};

// One vertex of the batched quads, laid out for the client arrays.
struct QuadVertex {
    float s, t;
    float r, g, b, a;
    float x, y, z;
};
std::vector<QuadVertex> quadScratch;

// Orders the keys by ascending distance, ties kept in slot order: a least-significant-byte-first
// radix sort, which is stable. The C library's qsort is a stable merge sort here, so the
// unbatched sort settles ties the same way (the rendering tests hold the two to one order).
void radixSort(size_t n) {
    size_t counts[8][256] = {};
    for (size_t i = 0; i < n; ++i)
        for (int b = 0; b < 8; ++b)
            ++counts[b][(sortKeys[i].key >> (8 * b)) & 0xFF];
    for (int b = 0; b < 8; ++b) {
        if (counts[b][(sortKeys[0].key >> (8 * b)) & 0xFF] == n) continue; // one value in this byte
        size_t start[256], sum = 0;
        for (int d = 0; d < 256; ++d)
            start[d] = sum, sum += counts[b][d];
        for (size_t i = 0; i < n; ++i)
            sortSpare[start[(sortKeys[i].key >> (8 * b)) & 0xFF]++] = sortKeys[i];
        sortKeys.swap(sortSpare);
    }
}

// Keys read from one matrix, sorted, and the particles moved into their new slots.
void sortByKey(PART_Group* g, const float m[16]) {
    const float eye[3] = {m[12], m[13], m[14]};
    const size_t n = (size_t)g->count;
    PART_ReserveDrawing(g->allocated);
    for (size_t i = 0; i < n; ++i) {
        const double key = FastDistance(&g->particles[i].position.x, eye);
        std::memcpy(&sortKeys[i].key, &key, sizeof key);
        sortKeys[i].index = (int)i;
    }
    radixSort(n);
    for (size_t i = 0; i < n; ++i)
        sortScratch[i] = g->particles[sortKeys[i].index];
    std::memcpy(g->particles, sortScratch.data(), n * sizeof(PART_Particle));
}

void drawBatched(bool bind, GLuint texture, float scale, bool fixedSize, bool constantColour) {
    float m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    PART_Group* g = PART_CurrentGroup();
    if (!g || g->count < 1) return;
    sortByKey(g, m);
    const int n = PART_ParticleCount();
    if (n < 1) return;
    const Corners k = cornersFor(m, scale);
    PART_ReserveDrawing(g->allocated);
    QuadVertex* v = quadScratch.data();
    for (int i = 0; i < n; ++i) {
        const PART_Particle& p = g->particles[i];
        for (int c = 0; c < 4; ++c, ++v) {
            const VECTOR at = corner(p, k, c, fixedSize);
            *v = {quadTexCoords[c][0],
                  quadTexCoords[c][1],
                  p.colour.x,
                  p.colour.y,
                  p.colour.z,
                  p.alpha,
                  at.x,
                  at.y,
                  at.z};
        }
    }
    if (bind) glBindTexture(GL_TEXTURE_2D, texture);
    const QuadVertex* first = quadScratch.data();
    const GLsizei stride = sizeof(QuadVertex);
    glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
    for (GLenum other : {GL_NORMAL_ARRAY, GL_INDEX_ARRAY, GL_EDGE_FLAG_ARRAY})
        glDisableClientState(other);
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_FLOAT, stride, &first->x);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glTexCoordPointer(2, GL_FLOAT, stride, &first->s);
    if (constantColour) {
        glDisableClientState(GL_COLOR_ARRAY);
    } else {
        glEnableClientState(GL_COLOR_ARRAY);
        glColorPointer(4, GL_FLOAT, stride, &first->r);
    }
    glDrawArrays(GL_QUADS, 0, 4 * n);
    glPopClientAttrib();
    // Quad by quad, the current colour ends as the last particle's; the arrays leave it undefined.
    if (!constantColour) glColor4fv(&g->particles[n - 1].colour.x);
}

void drawUnbatched(bool bind, GLuint texture, float scale, bool fixedSize, bool constantColour) {
    float m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    PART_Group* g = PART_CurrentGroup();
    if (!g || g->count < 1) return;
    std::qsort(g->particles, (size_t)g->count, sizeof(PART_Particle), PART_CompareDistance);
    const int n = PART_ParticleCount();
    if (n < 1) return;
    const Corners k = cornersFor(m, scale);
    for (int i = 0; i < n; ++i) {
        const PART_Particle& p = g->particles[i];
        if (!constantColour) glColor4fv(&p.colour.x);
        if (bind) glBindTexture(GL_TEXTURE_2D, texture);
        glBegin(GL_QUADS);
        for (int c = 0; c < 4; ++c) {
            const VECTOR at = corner(p, k, c, fixedSize);
            glTexCoord2f(quadTexCoords[c][0], quadTexCoords[c][1]);
            glVertex3f(at.x, at.y, at.z);
        }
        glEnd();
    }
}

} // namespace

void PART_ReserveDrawing(int particles) {
    const size_t n = particles > 0 ? (size_t)particles : 0;
    if (sortKeys.size() < n) sortKeys.resize(n), sortSpare.resize(n), sortScratch.resize(n);
    if (quadScratch.size() < 4 * n) quadScratch.resize(4 * n);
}

void PART_DrawGroup(int mode, Uint8 constantColour) {
    const PART_Group* g = PART_CurrentGroup();
    if (!g || g->count < 1) return;
    const PART_Particle* p = g->particles;
    if (mode == GL_POINTS) {
        glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
        // The program keeps normal and texture-coordinate arrays on for its meshes, pointing at
        // whatever mesh drew last; glDrawArrays would read them for every point.
        for (GLenum other : {GL_NORMAL_ARRAY, GL_TEXTURE_COORD_ARRAY, GL_INDEX_ARRAY, GL_EDGE_FLAG_ARRAY})
            glDisableClientState(other);
        glEnableClientState(GL_VERTEX_ARRAY);
        if (!constantColour) {
            glEnableClientState(GL_COLOR_ARRAY);
            glColorPointer(4, GL_FLOAT, particleStride, &p->colour.x);
        } else {
            glDisableClientState(GL_COLOR_ARRAY);
        }
        glVertexPointer(3, GL_FLOAT, particleStride, &p->position.x);
        glDrawArrays(GL_POINTS, 0, g->count);
        glPopClientAttrib();
        glDisableClientState(GL_COLOR_ARRAY);
        return;
    }
    glBegin((GLenum)mode);
    for (int i = 0; i < g->count; ++i) {
        const VECTOR& head = p[i].position;
        const VECTOR tail = PART_Sub(head, p[i].velocity);
        if (constantColour) {
            glVertex3f(head.x, head.y, head.z);
            glVertex3f(tail.x, tail.y, tail.z);
        } else {
            // The tail takes the particle's own colour too, not whatever the previous particle left.
            glColor4fv(&p[i].colour.x);
            glVertex3f(tail.x, tail.y, tail.z);
            glVertex3f(head.x, head.y, head.z);
        }
    }
    glEnd();
}

void PART_DrawBillboards(Uint32 texture, float scale, Uint8 fixedSize, Uint8 constantColour) {
    drawBatched(true, texture, scale, fixedSize, constantColour);
}

void PART_DrawBillboardsBound(float scale, Uint8 fixedSize, Uint8 constantColour) {
    drawBatched(false, 0, scale, fixedSize, constantColour);
}

void PART_DrawBillboardsUnbatched(Uint32 texture, float scale, Uint8 fixedSize, Uint8 constantColour) {
    drawUnbatched(true, texture, scale, fixedSize, constantColour);
}

void PART_DrawBillboardsBoundUnbatched(float scale, Uint8 fixedSize, Uint8 constantColour) {
    drawUnbatched(false, 0, scale, fixedSize, constantColour);
}

int PART_CompareDistance(const void* a, const void* b) {
    float m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    const float eye[3] = {m[12], m[13], m[14]};
    const double ka = FastDistance(&static_cast<const PART_Particle*>(a)->position.x, eye);
    const double kb = FastDistance(&static_cast<const PART_Particle*>(b)->position.x, eye);
    return ka > kb ? 1 : (ka < kb ? -1 : 0);
}

void PART_DrawCopies(Uint32 displayList, Uint8 constantColour, Uint8 keepOrientation) {
    const PART_Group* g = PART_CurrentGroup();
    if (!g || g->count < 1) return;
    for (int i = 0; i < g->count; ++i) {
        const PART_Particle& p = g->particles[i];
        glPushMatrix();
        glTranslatef(p.position.x, p.position.y, p.position.z);
        glScalef(p.size.x, p.size.y, p.size.z);
        // A particle at rest has no heading: its copy is drawn unturned rather than from NaNs.
        if (!keepOrientation && PART_Length2(p.velocity) > 0.0f) {
            const VECTOR a = scaledUnit(p.velocity.x, p.velocity.y, p.velocity.z, 1.0f);
            const VECTOR b = scaledUnit(p.savedVelocity.x, p.savedVelocity.y, p.savedVelocity.z, 1.0f);
            VECTOR c = (a.x == b.x && a.y == b.y && a.z == b.z) ? VECTOR(0, 1, 0) : PART_Cross(a, b);
            // Opposite headings have no cross product: any side axis will do.
            if (PART_Length2(c) == 0.0f) c = VECTOR(0, 1, 0);
            c = scaledUnit(c.x, c.y, c.z, 1.0f);
            const VECTOR d = PART_Cross(a, c);
            const double turn[16] = {a.x, a.y, a.z, 0, c.x, c.y, c.z, 0, d.x, d.y, d.z, 0, 0, 0, 0, 1};
            glMultMatrixd(turn);
        }
        if (!constantColour) glColor4fv(&p.colour.x);
        glCallList(displayList);
        glPopMatrix();
    }
}
