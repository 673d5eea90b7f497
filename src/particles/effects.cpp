// effects: the scene presets, the sphere drawings and the rate integrator.
#include "particles/effects.h"

#include <GL/freeglut.h>

#include "model/mesh.h"
#include "particles/actions.h"
#include "particles/papi.h"

namespace {

const float unboundedSpeed = 1.0e16f;
const int sphereSlices = 15;

// Shots and tracers share one shape: aimed emission from a point, culled by age.
void aimed(int group, VECTOR from, VECTOR to, float speed, const float colour[4], float ageLimit, float rate,
           bool falling) {
    PART_SelectGroup(group);
    VECTOR dir = to - from;
    dir.Normalize(); // a zero aim stays zero
    PART_SetColour(colour[0], colour[1], colour[2], colour[3]);
    PART_SetVelocity(dir.x * speed, dir.y * speed, dir.z * speed);
    PART_SetBirthAge(0, 1);
    PART_AgeCull(ageLimit, 0);
    PART_Emit(rate, PART_DOM_POINT, from.x, from.y, from.z);
    if (falling) PART_Accelerate(0, -0.005f, 0);
    PART_Advance();
}

void smoke(int group, const float colourFrom[3], float velocityNormalY, float velocityRadius, float sizeTarget,
           float ageLimit) {
    PART_SelectGroup(group);
    PART_SetColourDomain(1, PART_DOM_SEGMENT, colourFrom[0], colourFrom[1], colourFrom[2], 1, 1, 0.3f);
    PART_SetVelocityDomain(PART_DOM_DISC, 0, 0, 0, 0, velocityNormalY, 0, velocityRadius, 0);
    PART_SetBirthAge(0, 1);
    PART_SetSize(0.1f, 1, 1);
    PART_FadeColour(0, 0, 0, 0.01f, 0.01f);
    PART_GrowSize(sizeTarget, sizeTarget, sizeTarget, 0.005f, 0.005f, 0.005f);
    PART_AgeCull(ageLimit, 0);
    PART_Emit(1, PART_DOM_DISC, 0, 0, 0, 0, 0, 1, 0.5f, 0);
    PART_Accelerate(0, 0.005f, 0);
    PART_Drag(1, 0.975f, 1, 0, unboundedSpeed);
    PART_Advance();
}

// The sphere routine of the windowing library draws from client arrays and switches the vertex,
// normal and texture-coordinate arrays off afterwards; the mesh draw relies on them staying on.
// The sphere brings no texture coordinates or colours of its own, so arrays of those that a mesh
// left on would be read for its vertices, past their ends: it takes the current ones instead.
void solidSphere(float radius) {
    glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisableClientState(GL_COLOR_ARRAY);
    glutSolidSphere(radius, sphereSlices, sphereSlices);
    glPopClientAttrib();
}

} // namespace

void FX_Fire(int group) {
    PART_SelectGroup(group);
    PART_SetColourDomain(1, PART_DOM_SEGMENT, 1, 0, 0, 1, 1, 0.3f);
    PART_SetVelocityDomain(PART_DOM_GAUSSIAN, 0, 0, -0.001f, -0.008f);
    PART_SetBirthAge(0, 1);
    PART_SetSize(1, 1, 1);
    PART_FadeColour(0.89f, 0.2f, 0.5f, 1, 0.01f);
    PART_AgeCull(100, 0);
    PART_Emit(100.0f / 100.0f, PART_DOM_DISC, 0, 0, 0, 0, 0, 1, 0.5f, 0);
    PART_Accelerate(0, 0, 0.0007f);
    PART_Advance();
}

void FX_FlierTrail(const FLIERS& flyer) {
    PART_SelectGroup(flyer.group);
    const VECTOR at(flyer.position.x + flyer.offset.x, flyer.position.y + flyer.offset.y,
                    flyer.position.z + flyer.offset.z);
    PART_SetColourDomain(1, PART_DOM_SEGMENT, flyer.colour.x, flyer.colour.y, flyer.colour.z, 1, 1, 0.3f);
    PART_SetBirthAge(0, 1);
    PART_SetSize(1, 1, 1);
    PART_FadeColour(0, 0, 0, 1, 0.005f);
    PART_AgeCull(300, 0);
    PART_Emit(300.0f / 300.0f, PART_DOM_DISC, at.x, at.y, at.z, 0, 0, 1, 0.5f, 0);
    PART_Accelerate(0, -0.0001f, 0);
    PART_Advance();
}

void FX_Fountain(int group) {
    PART_SelectGroup(group);
    PART_SetVelocityDomain(PART_DOM_CYLINDER, 0.01f, 0, 0.35f, 0.01f, 0, 0.37f, 0.021f, 0.019f);
    PART_SetColourDomain(1, PART_DOM_SEGMENT, 0.8f, 0.9f, 1, 1, 1, 1);
    PART_SetSize(1.5f, 1, 1);
    PART_Emit(100, PART_DOM_SEGMENT, 0, 0, 0.401f, 0, 0, 0.405f);
    PART_Accelerate(0, 0, -0.01f);
    PART_Rebound(-0.05f, 0.35f, 0, PART_DOM_DISC, 0, 0, 0, 0, 0, 1, 5, 0);
    PART_CullByPosition(0, PART_DOM_PLANE, 0, 0, -3, 0, 0, 1);
    PART_Advance();
}

void FX_Spray(int group, VECTOR from, VECTOR to, float speed) {
    static const float white[4] = {1, 1, 1, 1};
    aimed(group, from, to, speed, white, 130, 1, true);
}

void FX_Stream(int group, VECTOR from, VECTOR to, float speed) {
    static const float violet[4] = {0.7f, 0.5f, 1, 1};
    aimed(group, from, to, speed, violet, 100, 0.5f, false);
}

void FX_SmokeLarge(int group) {
    static const float red[3] = {1, 0, 0};
    smoke(group, red, 0.001f, 0.03f, 5, 200);
}

void FX_SmokeSmall(int group) {
    static const float orange[3] = {1, 0.3f, 0.01f};
    smoke(group, orange, 0.0001f, 0.003f, 3, 100);
}

void FX_DrawBlackSphere(float x, float y, float z, float radius) {
    glPushMatrix();
    glColor3f(0, 0, 0);
    glTranslatef(x, y, z);
    solidSphere(radius);
    glPopMatrix();
}

void FX_DrawParticleSpheres() {
    const PART_Group* g = PART_CurrentGroup();
    if (!g) return;
    for (int i = 0; i < g->count; ++i)
        FX_DrawBlackSphere(g->particles[i].position.x, g->particles[i].position.y, g->particles[i].position.z, 0.13f);
}

void FX_DrawGlowSphere(float radius, float x, float y, float z, const float colour[4]) {
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glPushMatrix();
    glColor4fv(colour);
    glTranslatef(x, y, z);
    solidSphere(radius);
    glPopMatrix();
    glDisable(GL_BLEND);
}

void FX_AdvanceRates(tMeshPartList* list, float dt) {
    if (!list || !list->parts) return;
    for (int i = 0; i < list->count; ++i)
        list->parts[i].angle += list->parts[i].speed * dt;
}
