// stage: what the scenes set up alike.
#include "scenes/stage.h"

#include <GL/gl.h>

#include "image/image.h"

void STAGE_LoadPlaced(const char* const* names, const STAGE_Placement* places, int count, t3DModel** models) {
    for (int i = 0; i < count; ++i) {
        t3DModel* model = MESH_Load3DSMesh(names[i], TEX_MIPMAP);
        models[i] = model;
        if (!model) continue;
        const STAGE_Placement& p = places[i];
        MESH_SetPlacement(model, p.position[0], p.position[1], p.position[2], p.rotation[0], p.rotation[1],
                          p.rotation[2], p.scale[0], p.scale[1], p.scale[2]);
    }
}

void STAGE_FillParts(STAGE_PartTable* table, const CAT_PartTable& from) {
    for (int i = 0; i < from.count; ++i) {
        const CAT_Part& c = from.parts[i];
        table->parts.push_back({c.name,
                                {c.a[0], c.a[1], c.a[2]},
                                {c.b[0], c.b[1], c.b[2]},
                                {c.axis[0], c.axis[1], c.axis[2]},
                                c.angle,
                                c.speed});
    }
    table->list = {(int)table->parts.size(), table->parts.data()};
}

void STAGE_Lamp(unsigned light, const float position[4], const float ambient[4], const float diffuse[4]) {
    glLightfv(light, GL_POSITION, position);
    glLightfv(light, GL_AMBIENT, ambient);
    glLightfv(light, GL_DIFFUSE, diffuse);
    glLightfv(light, GL_SPECULAR, diffuse);
    glLightf(light, GL_SPOT_CUTOFF, 180.0f);
}

void STAGE_LinearFog(float start, float end, const float colour[4]) {
    glEnable(GL_FOG);
    glFogi(GL_FOG_MODE, GL_LINEAR);
    glFogf(GL_FOG_DENSITY, 1.0f);
    glFogf(GL_FOG_START, start);
    glFogf(GL_FOG_END, end);
    glFogfv(GL_FOG_COLOR, colour);
}
