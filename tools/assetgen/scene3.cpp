// scene3: the river's models, their pictures and the boat path (made with the mesh kit).
//
// Sizes come from where the scene puts things: the camera stands at (0, 2.5, 0) looking at
// (-13, 1.4, -19) over water at y = 0. Houses and trees carry their own ground down to the
// water, so each model's ground line sits at minus its placement height. Vehicles are drawn
// at 1/8 scale 0.2 above the water (their waterline is model y = -1.6), bows toward -z, and
// every part a turning table names is built around that table's hub.
//
// Sections: pictures; geometry helpers; houses and trees; vehicles; the path.
#include <cmath>
#include <string>
#include <vector>

#include "assets.h"
#include "core/catalogue.h"
#include "meshkit.h"
#include "pathfiles.h"
#include "picture.h"

namespace {

constexpr float kPi = 3.14159265358979f;

// --- Pictures -----------------------------------------------------------------------------------------
// Mesh colour is half the texture, so every map here is about twice as bright as the look wanted.

// Horizontal boards with dark seams and grain.
AgImage planks(AgColor wood, int boards, Uint32 seed) {
    const int size = 128;
    AgImage img(size, size);
    AgRandom rnd(seed);
    std::vector<float> tone(boards);
    for (float& t : tone)
        t = rnd.Range(0.85f, 1.1f);
    const int h = size / boards;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const int b = y / h;
            const float grain = PIC_TileNoise(float(x) * 0.25f, float(y) * 4.0f, size, 8, 3, seed + b);
            float f = tone[b % boards] * (0.85f + 0.3f * grain);
            if (y % h == 0) f *= 0.45f;
            img.At(x, y) = PIC_Clamp(PIC_Shade(wood, f));
        }
    return img;
}

// Vertical boards (bark, timber walls): the same as planks turned a quarter.
AgImage upright(const AgImage& img) {
    AgImage out(img.width, img.height);
    for (int y = 0; y < img.height; ++y)
        for (int x = 0; x < img.width; ++x)
            out.At(x, y) = img.At(y, x);
    return out;
}

// A window with a frame and four panes, drawn over a wall picture.
void window(AgImage& img, int x0, int y0, int x1, int y1, AgColor frame, AgColor glass) {
    PIC_Rect(img, x0, y0, x1, y1, frame);
    const int b = 3, mx = (x0 + x1) / 2, my = (y0 + y1) / 2;
    PIC_Rect(img, x0 + b, y0 + b, mx - 1, my - 1, glass);
    PIC_Rect(img, mx + 2, y0 + b, x1 - b, my - 1, glass);
    PIC_Rect(img, x0 + b, my + 2, mx - 1, y1 - b, glass);
    PIC_Rect(img, mx + 2, my + 2, x1 - b, y1 - b, glass);
    PIC_Rect(img, x0 + b + 2, y0 + b + 2, x0 + b + 6, my - 3, PIC_Shade(glass, 1.5f)); // a glint
}

// A hull side: paint above, a band at the waterline, bottom paint below (v = 0 is the deck).
AgImage hullSide(AgColor top, AgColor band, AgColor bottom, Uint32 seed) {
    AgImage img = PIC_Noisy(64, top, 0.08f, 4, seed);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            const float n = 0.92f + 0.16f * PIC_TileNoise(float(x), float(y), 64, 4, 2, seed + 7);
            if (y >= 34 && y < 40) img.At(x, y) = PIC_Clamp(PIC_Shade(band, n));
            if (y >= 40) img.At(x, y) = PIC_Clamp(PIC_Shade(bottom, n));
            if (y == 4) img.At(x, y) = PIC_Shade(img.At(x, y), 0.7f); // rubbing strake
        }
    return img;
}

void addPictures(AssetSink& sink) {
    const AgColor cream = PIC_Rgb(250, 240, 215), glass = PIC_Rgb(70, 110, 150), frame = PIC_Rgb(255, 255, 250);

    sink.AddBMP24("rv_planks.bmp", planks(PIC_Rgb(235, 170, 105), 8, 301));
    sink.AddBMP24("rv_timber.bmp", [&] {
        AgImage img = upright(planks(PIC_Rgb(200, 140, 90), 8, 302));
        window(img, 40, 30, 88, 80, frame, glass);
        return img;
    }());
    sink.AddBMP24("rv_bark.bmp", upright(planks(PIC_Rgb(175, 125, 85), 16, 303)));
    sink.AddBMP24("rv_plaster.bmp", [&] {
        AgImage img = PIC_Noisy(128, cream, 0.1f, 8, 304);
        window(img, 36, 28, 92, 84, PIC_Rgb(120, 80, 50), glass);
        PIC_Rect(img, 30, 84, 98, 90, PIC_Rgb(160, 150, 140)); // sill
        return img;
    }());
    sink.AddBMP24("rv_brick.bmp", [&] {
        AgImage img(128, 128);
        AgRandom rnd(305);
        for (int row = 0; row < 16; ++row)
            for (int col = -1; col < 8; ++col) {
                const int x0 = col * 16 + (row % 2) * 8, y0 = row * 8;
                const AgColor c = PIC_Shade(PIC_Rgb(240, 130, 90), rnd.Range(0.85f, 1.1f));
                PIC_Rect(img, x0 + 1, y0 + 1, x0 + 15, y0 + 7, c);
            }
        for (AgColor& p : img.pixels)
            if (p.r == 0 && p.g == 0 && p.b == 0) p = PIC_Rgb(225, 215, 200); // mortar
        window(img, 34, 26, 94, 86, frame, glass);
        return img;
    }());
    sink.AddBMP24("rv_slate.bmp", [&] {
        AgImage img = PIC_Noisy(64, PIC_Rgb(150, 165, 200), 0.12f, 4, 306);
        for (int y = 0; y < 64; y += 8)
            PIC_Rect(img, 0, y, 63, y, PIC_Rgb(80, 90, 120));
        return img;
    }());
    sink.AddBMP24("rv_thatch.bmp", [&] {
        AgImage img(64, 64);
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x) {
                const float n = PIC_TileNoise(float(x) * 3.0f, float(y) * 0.5f, 64, 8, 3, 307);
                img.At(x, y) =
                    PIC_Clamp(PIC_Shade(PIC_Rgb(240, 200, 120), 0.75f + 0.45f * n - ((y % 16) < 2 ? 0.2f : 0)));
            }
        return img;
    }());
    sink.AddBMP24("rv_redroof.bmp", [&] {
        AgImage img = PIC_Noisy(64, PIC_Rgb(245, 110, 90), 0.1f, 4, 308);
        for (int y = 0; y < 64; y += 8)
            PIC_Rect(img, 0, y, 63, y + 1, PIC_Rgb(150, 60, 50));
        return img;
    }());
    sink.AddBMP24("rv_stone.bmp", PIC_Noisy(64, PIC_Rgb(200, 195, 190), 0.25f, 8, 309));
    sink.AddBMP24("rv_grass.bmp", [&] {
        AgImage img = PIC_Noisy(128, PIC_Rgb(140, 230, 90), 0.25f, 16, 310);
        AgRandom rnd(311);
        for (int i = 0; i < 90; ++i)
            PIC_Disc(img, rnd.Range(0, 127), rnd.Range(0, 127), rnd.Range(1, 2.5f), PIC_Rgb(230, 240, 120), 1.0f);
        return img;
    }());
    sink.AddBMP24("rv_leaves.bmp", [&] {
        AgImage img = PIC_Noisy(128, PIC_Rgb(110, 210, 80), 0.2f, 8, 312);
        AgRandom rnd(313);
        for (int i = 0; i < 160; ++i)
            PIC_Disc(img, rnd.Range(0, 127), rnd.Range(0, 127), rnd.Range(2, 5),
                     PIC_Shade(PIC_Rgb(150, 240, 100), rnd.Range(0.7f, 1.1f)), 1.5f);
        return img;
    }());
    sink.AddBMP24("rv_pine.bmp", [&] {
        AgImage img(64, 64);
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x) {
                const float n = PIC_TileNoise(float(x) * 4.0f, float(y), 64, 8, 3, 314);
                img.At(x, y) = PIC_Clamp(PIC_Shade(PIC_Rgb(90, 190, 110), 0.7f + 0.5f * n));
            }
        return img;
    }());
    sink.AddBMP24("rv_cabin.bmp", [&] {
        AgImage img = PIC_Noisy(128, PIC_Rgb(250, 250, 240), 0.05f, 4, 315);
        for (int i = 0; i < 4; ++i)
            window(img, 8 + i * 30, 36, 30 + i * 30, 78, PIC_Rgb(120, 70, 50), glass);
        PIC_Rect(img, 0, 110, 127, 127, PIC_Rgb(220, 200, 160));
        return img;
    }());
    sink.AddBMP24("rv_hull1.bmp", hullSide(PIC_Rgb(250, 250, 245), PIC_Rgb(60, 90, 200), PIC_Rgb(230, 80, 70), 316));
    sink.AddBMP24("rv_hull2.bmp", hullSide(PIC_Rgb(190, 200, 210), PIC_Rgb(250, 250, 250), PIC_Rgb(200, 70, 70), 317));
    sink.AddBMP24("rv_hull3.bmp", hullSide(PIC_Rgb(90, 150, 250), PIC_Rgb(250, 250, 250), PIC_Rgb(230, 80, 70), 318));
    sink.AddBMP24("rv_hull4.bmp", hullSide(PIC_Rgb(255, 220, 70), PIC_Rgb(250, 120, 40), PIC_Rgb(90, 160, 230), 319));
    sink.AddBMP24("rv_steel.bmp", [&] {
        AgImage img = PIC_Noisy(64, PIC_Rgb(200, 210, 220), 0.08f, 4, 320);
        for (int i = 0; i < 64; i += 16) {
            PIC_Rect(img, i, 0, i, 63, PIC_Rgb(140, 150, 160));
            for (int y = 4; y < 64; y += 8)
                PIC_Disc(img, float(i + 3), float(y), 1.0f, PIC_Rgb(240, 245, 250), 0.5f);
        }
        return img;
    }());
    sink.AddBMP24("rv_funnel.bmp", [&] {
        AgImage img = PIC_Noisy(64, PIC_Rgb(110, 110, 120), 0.1f, 4, 321);
        PIC_Rect(img, 0, 0, 63, 9, PIC_Rgb(240, 90, 70));
        PIC_Rect(img, 0, 10, 63, 13, PIC_Rgb(250, 250, 250));
        return img;
    }());
    sink.AddBMP24("rv_paddle.bmp", [&] {
        AgImage img = planks(PIC_Rgb(250, 110, 80), 4, 322);
        PIC_Rect(img, 0, 0, 127, 6, PIC_Rgb(255, 250, 240));
        return img;
    }());
    sink.AddBMP24("rv_tyre.bmp", [&] {
        AgImage img(64, 64, PIC_Rgb(80, 85, 95));
        for (int x = 0; x < 64; x += 8)
            PIC_Rect(img, x, 0, x + 3, 63, PIC_Rgb(250, 230, 90)); // stripes show the turn
        return img;
    }());
    sink.AddBMP24("rv_yellow.bmp", PIC_Noisy(64, PIC_Rgb(255, 225, 80), 0.08f, 4, 323));
    sink.AddBMP24("rv_shirt.bmp", PIC_Noisy(64, PIC_Rgb(250, 100, 90), 0.1f, 4, 324));
    sink.AddBMP24("rv_skin.bmp", PIC_Noisy(64, PIC_Rgb(255, 205, 170), 0.05f, 4, 325));
}

// --- Geometry helpers ----------------------------------------------------------------------------------

// The point a part turns about (its table gives it as a - b).
MkVec3 pivotOf(const CAT_Part& p) {
    return MK_Vec3(p.a[0] - p.b[0], p.a[1] - p.b[1], p.a[2] - p.b[2]);
}

// Appends a quad (or a triangle when d is null), turned so that its front faces outward.
void facet(MkMesh& m, MkVec3 a, MkVec3 b, MkVec3 c, const MkVec3* d, MkVec3 outward) {
    const Uint32 base = Uint32(m.positions.size());
    const bool flip = MK_Dot(MK_Cross(MK_Sub(b, a), MK_Sub(c, a)), outward) < 0;
    m.positions.push_back(a), m.uvs.push_back({0, 1});
    m.positions.push_back(b), m.uvs.push_back({1, 1});
    m.positions.push_back(c), m.uvs.push_back({1, 0});
    if (d) m.positions.push_back(*d), m.uvs.push_back({0, 0});
    auto tri = [&](Uint32 i, Uint32 j, Uint32 k) {
        m.faces.push_back(flip ? MkFace{base + i, base + k, base + j} : MkFace{base + i, base + j, base + k});
    };
    tri(0, 1, 2);
    if (d) tri(0, 2, 3);
}

// A gable roof with its ridge along x: eaves at y0 and z = +-depth/2, ridge h above.
MkMesh gableRoof(float length, float depth, float h, float y0) {
    MkMesh m;
    const float x = length / 2, z = depth / 2, top = y0 + h;
    const MkVec3 d1 = MK_Vec3(-x, top, 0), d2 = MK_Vec3(x, top, 0), d3 = MK_Vec3(-x, y0, -z), d4 = MK_Vec3(x, y0, -z);
    facet(m, MK_Vec3(-x, y0, z), MK_Vec3(x, y0, z), MK_Vec3(x, top, 0), &d1, MK_Vec3(0, 1, 1));
    facet(m, MK_Vec3(x, y0, -z), MK_Vec3(-x, y0, -z), MK_Vec3(-x, top, 0), &d2, MK_Vec3(0, 1, -1));
    facet(m, MK_Vec3(x, y0, z), MK_Vec3(x, y0, -z), MK_Vec3(x, top, 0), nullptr, MK_Vec3(1, 0, 0));
    facet(m, MK_Vec3(-x, y0, -z), MK_Vec3(-x, y0, z), MK_Vec3(-x, top, 0), nullptr, MK_Vec3(-1, 0, 0));
    facet(m, MK_Vec3(-x, y0, z), MK_Vec3(x, y0, z), d4, &d3, MK_Vec3(0, -1, 0));
    return m;
}

// Ground around a model: a round mound whose flat top (radius top) is at y = 0 and whose foot
// (radius foot) reaches down to footY, below the water line so it never shows a gap.
MkMesh mound(float top, float foot, float footY, int rings = 5) {
    std::vector<MkVec2> profile;
    for (int i = 0; i <= rings; ++i) {
        const float t = float(i) / rings; // 0 at the foot
        const float r = foot + (top - foot) * t;
        const float y = footY * (1.0f - (3 * t * t - 2 * t * t * t));
        profile.push_back({r, y});
    }
    profile.push_back({0.0f, 0.0f});
    MkMesh m = MK_Lathe(profile, 28);
    MK_PlanarUV(m, MK_AXIS_Y);
    return m;
}

// A cylinder lying along x, centred on the origin.
MkMesh axle(float radius, float length, int segments = 16) {
    MkMesh m = MK_Cylinder(radius, length, segments);
    MK_Translate(m, MK_Vec3(0, -length / 2, 0));
    MK_RotateZ(m, 90.0f);
    return m;
}

// A ring standing in the y-z plane (turning about x), centred on the origin.
MkMesh ringX(float radius, float tubeRadius, int segments = 24) {
    MkMesh m = MK_Torus(radius, tubeRadius, segments, 8);
    MK_RotateZ(m, 90.0f);
    return m;
}

// A flat board of a wheel: width along x, reaching from rIn to rOut, turned to the angle.
MkMesh wheelBoard(float width, float rIn, float rOut, float thickness, float degrees) {
    MkMesh m = MK_Box(MK_Vec3(width, rOut - rIn, thickness));
    MK_Translate(m, MK_Vec3(0, (rIn + rOut) / 2, 0));
    MK_RotateX(m, degrees);
    return m;
}

// Spokes of a wheel turning about x.
MkMesh spokes(float radius, int count, float thickness, float width) {
    MkMesh m;
    for (int i = 0; i < count; ++i)
        MK_Merge(m, wheelBoard(width, 0.0f, radius, thickness, 360.0f * i / count));
    return m;
}

// A boat hull: a rounded section swept from stern to bow, drawn in to a point at the bow and
// lifted there. Deck at deckY, keel at keelY, beam +-halfBeam.
MkMesh hull(float halfBeam, float deckY, float keelY, float sternZ, float bowZ) {
    const float mid = (deckY + keelY) / 2;
    const std::vector<MkVec2> section = {{-halfBeam, deckY},
                                         {-halfBeam, mid},
                                         {-halfBeam * 0.7f, keelY + (deckY - keelY) * 0.12f},
                                         {0.0f, keelY},
                                         {halfBeam * 0.7f, keelY + (deckY - keelY) * 0.12f},
                                         {halfBeam, mid},
                                         {halfBeam, deckY}};
    std::vector<MkVec3> path;
    const int steps = 14;
    for (int i = 0; i <= steps; ++i) {
        const float t = float(i) / steps;
        path.push_back(MK_Vec3(0, 0, sternZ + (bowZ - sternZ) * std::sqrt(t))); // denser toward the bow
    }
    MkMesh m = MK_Extrude(section, path, true);
    const float taperFrom = bowZ + (sternZ - bowZ) * 0.4f;
    for (MkVec3& p : m.positions) {
        if (p.z >= taperFrom) continue;
        const float f = std::sqrt(std::fmax(0.0f, (p.z - bowZ) / (taperFrom - bowZ)));
        p.x *= std::fmax(f, 0.03f);
        if (p.y < deckY) p.y += (1.0f - f) * (deckY - p.y) * 0.55f;
    }
    MK_PlanarUV(m, MK_AXIS_X);
    return m;
}

// The deck of the same hull: a thin slab with the same outline.
MkMesh deck(float halfBeam, float deckY, float sternZ, float bowZ) {
    MkMesh m = hull(halfBeam * 0.96f, deckY + 0.12f, deckY, sternZ, bowZ);
    MK_PlanarUV(m, MK_AXIS_Y);
    return m;
}

// Writes the model; the sink keeps the first fault.
struct ModelBuilder {
    MkModel model;
    void Material(const std::string& name, const std::string& map, Uint8 r, Uint8 g, Uint8 b) {
        MK_AddMaterial(model, name, r, g, b, map);
    }
    void Object(const std::string& name, const MkMesh& mesh, const std::string& material) {
        MK_AddObject(model, name, mesh, material);
    }
};

void standardMaterials(ModelBuilder& b) {
    b.Material("planks", "rv_planks.bmp", 200, 140, 90);
    b.Material("cabin", "rv_cabin.bmp", 240, 240, 230);
    b.Material("redroof", "rv_redroof.bmp", 200, 70, 60);
    b.Material("funnel", "rv_funnel.bmp", 60, 60, 70);
    b.Material("steel", "rv_steel.bmp", 150, 160, 170);
    b.Material("paddle", "rv_paddle.bmp", 200, 80, 60);
}

// --- Houses and trees ------------------------------------------------------------------------------

MkModel houseOne() {
    ModelBuilder b;
    b.Material("grass", "rv_grass.bmp", 90, 160, 60);
    b.Material("plaster", "rv_plaster.bmp", 230, 220, 200);
    b.Material("thatch", "rv_thatch.bmp", 200, 160, 90);
    b.Material("stone", "rv_stone.bmp", 150, 150, 150);
    b.Material("planks", "rv_planks.bmp", 200, 140, 90);
    // Placed 1 up: its ground sits on a bank that runs down under the water.
    b.Object("bank", mound(4.2f, 7.5f, -1.35f), "grass");
    MkMesh walls = MK_BoxAt(MK_Vec3(5.0f, 3.0f, 4.0f), MK_Vec3(0, 1.5f, 0));
    MK_BoxUV(walls);
    b.Object("walls", walls, "plaster");
    b.Object("roof", gableRoof(5.8f, 5.0f, 2.1f, 3.0f), "thatch");
    b.Object("chimney", MK_BoxAt(MK_Vec3(0.6f, 2.2f, 0.6f), MK_Vec3(1.6f, 4.0f, -0.7f)), "stone");
    b.Object("door", MK_BoxAt(MK_Vec3(1.0f, 1.9f, 0.1f), MK_Vec3(-1.4f, 0.95f, 2.02f)), "planks");
    return b.model;
}

MkModel houseTwo() {
    ModelBuilder b;
    b.Material("grass", "rv_grass.bmp", 90, 160, 60);
    b.Material("brick", "rv_brick.bmp", 200, 100, 70);
    b.Material("slate", "rv_slate.bmp", 100, 110, 140);
    b.Material("thatch", "rv_thatch.bmp", 200, 160, 90);
    b.Material("planks", "rv_planks.bmp", 200, 140, 90);
    b.Object("bank", mound(3.6f, 5.6f, -1.7f), "grass");
    MkMesh walls = MK_BoxAt(MK_Vec3(3.8f, 4.6f, 3.8f), MK_Vec3(0, 2.3f, 0));
    MK_BoxUV(walls);
    b.Object("walls", walls, "brick");
    MkMesh roof = MK_Cone(3.0f, 2.2f, 4);
    MK_RotateY(roof, 45.0f);
    MK_Translate(roof, MK_Vec3(0, 4.6f, 0));
    MK_PlanarUV(roof, MK_AXIS_Z);
    b.Object("roof", roof, "slate");
    MkMesh annex = MK_BoxAt(MK_Vec3(2.4f, 2.4f, 2.6f), MK_Vec3(2.9f, 1.2f, 0.4f));
    MK_BoxUV(annex);
    b.Object("annex", annex, "brick");
    MkMesh annexRoof = gableRoof(2.9f, 3.0f, 1.2f, 2.4f);
    MK_Translate(annexRoof, MK_Vec3(3.0f, 0, 0.4f));
    b.Object("annexroof", annexRoof, "thatch");
    b.Object("door", MK_BoxAt(MK_Vec3(1.0f, 1.9f, 0.1f), MK_Vec3(-0.9f, 0.95f, 1.93f)), "planks");
    return b.model;
}

MkModel houseThree() {
    ModelBuilder b;
    b.Material("grass", "rv_grass.bmp", 90, 160, 60);
    b.Material("timber", "rv_timber.bmp", 180, 120, 80);
    b.Material("redroof", "rv_redroof.bmp", 200, 70, 60);
    b.Material("planks", "rv_planks.bmp", 200, 140, 90);
    // A windmill on its own hill: placed 10.5 up, the hill reaches the water 10.5 below.
    b.Object("hill", mound(3.6f, 13.0f, -10.9f, 8), "grass");
    MkMesh tower = MK_Lathe({{2.4f, 0.0f}, {1.7f, 6.0f}}, 8);
    MK_CylindricalUV(tower);
    b.Object("tower", tower, "timber");
    MkMesh cap = MK_Cone(2.2f, 2.0f, 8);
    MK_Translate(cap, MK_Vec3(0, 6.0f, 0));
    b.Object("cap", cap, "redroof");
    MkMesh sails;
    for (int i = 0; i < 4; ++i) {
        MkMesh blade = MK_BoxAt(MK_Vec3(0.9f, 4.6f, 0.12f), MK_Vec3(0.3f, 2.6f, 0));
        MK_RotateZ(blade, 45.0f + 90.0f * i);
        MK_Merge(sails, blade);
    }
    MK_Merge(sails, MK_BoxAt(MK_Vec3(0.5f, 0.5f, 0.6f), MK_Vec3(0, 0, -0.2f)));
    MK_Translate(sails, MK_Vec3(0, 5.6f, 2.3f));
    MK_BoxUV(sails);
    b.Object("sails", sails, "planks");
    b.Object("door", MK_BoxAt(MK_Vec3(1.0f, 1.8f, 0.2f), MK_Vec3(0, 0.9f, 2.3f)), "planks");
    return b.model;
}

// Drawn at scale (1, 4, 1): built in world sizes and squeezed by 4 in y.
MkModel rootTree() {
    ModelBuilder b;
    b.Material("grass", "rv_grass.bmp", 90, 160, 60);
    b.Material("bark", "rv_bark.bmp", 140, 100, 70);
    b.Material("leaves", "rv_leaves.bmp", 80, 160, 60);
    MkMesh ground = mound(1.0f, 2.4f, -0.3f);
    MkMesh trunk = MK_Lathe({{0.5f, 0.0f}, {0.32f, 0.4f}, {0.26f, 2.0f}, {0.2f, 3.9f}}, 10);
    MK_CylindricalUV(trunk);
    for (int i = 0; i < 5; ++i) {
        const float a = 2 * kPi * i / 5 + 0.4f;
        MK_Merge(trunk, MK_Tube(0.12f,
                                {MK_Vec3(0, 0.45f, 0), MK_Vec3(0.6f * std::cos(a), 0.12f, 0.6f * std::sin(a)),
                                 MK_Vec3(1.1f * std::cos(a), -0.05f, 1.1f * std::sin(a))},
                                6));
    }
    MK_CylindricalUV(trunk);
    MkMesh crown;
    const float blobs[4][4] = {
        {0, 4.6f, 0, 1.7f}, {0.9f, 4.0f, 0.4f, 1.2f}, {-0.8f, 4.2f, -0.5f, 1.3f}, {0.1f, 5.5f, -0.2f, 1.1f}};
    for (const auto& k : blobs) {
        MkMesh s = MK_Sphere(k[3], 14, 9);
        MK_Translate(s, MK_Vec3(k[0], k[1], k[2]));
        MK_Merge(crown, s);
    }
    MK_CylindricalUV(crown);
    for (MkMesh* m : {&ground, &trunk, &crown})
        MK_Scale(*m, MK_Vec3(1, 0.25f, 1));
    b.Object("ground", ground, "grass");
    b.Object("trunk", trunk, "bark");
    b.Object("crown", crown, "leaves");
    return b.model;
}

// Drawn at scale (3, 7, 3): a pine, built in world sizes and divided by the scale.
MkModel trunkTree() {
    ModelBuilder b;
    b.Material("grass", "rv_grass.bmp", 90, 160, 60);
    b.Material("bark", "rv_bark.bmp", 140, 100, 70);
    b.Material("pine", "rv_pine.bmp", 60, 130, 80);
    // The pines stand back from the water, so their ground spreads wide into a far bank.
    MkMesh ground = mound(3.0f, 8.5f, -0.3f, 7);
    MkMesh trunk = MK_Lathe({{0.42f, 0.0f}, {0.3f, 0.5f}, {0.16f, 5.6f}}, 10);
    MK_CylindricalUV(trunk);
    MkMesh needles;
    const float tiers[4][3] = {{2.3f, 2.4f, 1.5f}, {1.8f, 2.2f, 2.9f}, {1.3f, 2.0f, 4.2f}, {0.8f, 1.6f, 5.4f}};
    for (const auto& t : tiers) {
        MkMesh c = MK_Cone(t[0], t[1], 12);
        MK_Translate(c, MK_Vec3(0, t[2], 0));
        MK_Merge(needles, c);
    }
    MK_CylindricalUV(needles);
    for (MkMesh* m : {&ground, &trunk, &needles})
        MK_Scale(*m, MK_Vec3(1.0f / 3, 1.0f / 7, 1.0f / 3));
    b.Object("ground", ground, "grass");
    b.Object("trunk", trunk, "bark");
    b.Object("needles", needles, "pine");
    return b.model;
}

// --- Vehicles (model units; drawn at 1/8, bow toward -z, waterline at y = -1.6) ---------------------

void cabinBlock(ModelBuilder& b, const std::string& name, MkVec3 size, MkVec3 centre) {
    MkMesh m = MK_BoxAt(size, centre);
    MK_PlanarUV(m, MK_AXIS_X);
    b.Object(name, m, "cabin");
}

void roofSlab(ModelBuilder& b, const std::string& name, MkVec3 size, MkVec3 centre) {
    MkMesh m = MK_BoxAt(size, centre);
    MK_BoxUV(m);
    b.Object(name, m, "redroof");
}

void funnelAt(ModelBuilder& b, const std::string& name, float radius, float height, MkVec3 base) {
    MkMesh m = MK_Cylinder(radius, height, 14);
    MK_Translate(m, base);
    MK_CylindricalUV(m);
    b.Object(name, m, "funnel");
}

// Stern-wheeler: one wide wheel across the stern, hub line (y 0, z 7.5088).
MkModel boatOne() {
    ModelBuilder b;
    standardMaterials(b);
    b.Material("hull", "rv_hull1.bmp", 240, 240, 240);
    b.Object("hull", hull(2.4f, 0.3f, -2.1f, 4.6f, -10.5f), "hull");
    b.Object("deck", deck(2.4f, 0.3f, 4.6f, -10.5f), "planks");
    cabinBlock(b, "saloon", MK_Vec3(4.0f, 1.6f, 9.0f), MK_Vec3(0, 1.22f, 0.2f));
    roofSlab(b, "saloonroof", MK_Vec3(4.5f, 0.16f, 9.8f), MK_Vec3(0, 2.1f, 0.2f));
    cabinBlock(b, "texas", MK_Vec3(3.0f, 1.2f, 5.0f), MK_Vec3(0, 2.78f, 1.0f));
    roofSlab(b, "texasroof", MK_Vec3(3.4f, 0.14f, 5.4f), MK_Vec3(0, 3.45f, 1.0f));
    cabinBlock(b, "pilot", MK_Vec3(1.8f, 1.2f, 1.8f), MK_Vec3(0, 4.1f, -0.2f));
    roofSlab(b, "pilotroof", MK_Vec3(2.3f, 0.14f, 2.3f), MK_Vec3(0, 4.75f, -0.2f));
    funnelAt(b, "stack_l", 0.36f, 5.0f, MK_Vec3(-1.0f, 2.2f, -3.4f));
    funnelAt(b, "stack_r", 0.36f, 5.0f, MK_Vec3(1.0f, 2.2f, -3.4f));
    const CAT_Part* parts = CAT_RIVER_BOAT1_PARTS; // two rings, then twelve boards
    const float hubZ = parts[0].a[2];
    // Beams from the hull out to the wheel, and the shaft on the hub line between them.
    MkMesh arms = MK_BoxAt(MK_Vec3(0.3f, 0.3f, 5.0f), MK_Vec3(-2.15f, 0.15f, 6.0f));
    MK_Merge(arms, MK_BoxAt(MK_Vec3(0.3f, 0.3f, 5.0f), MK_Vec3(2.15f, 0.15f, 6.0f)));
    MkMesh shaft = axle(0.14f, 4.6f);
    MK_Translate(shaft, MK_Vec3(0, 0, hubZ));
    MK_Merge(arms, shaft);
    MK_BoxUV(arms);
    b.Object("wheelarms", arms, "steel");

    // The two side rings of the wheel, spoked so that their turn shows.
    for (int s = 0; s < 2; ++s) {
        MkMesh ring = ringX(2.2f, 0.1f);
        MK_Merge(ring, spokes(2.2f, 6, 0.14f, 0.14f));
        MK_Merge(ring, axle(0.35f, 0.4f));
        MK_Translate(ring, MK_Vec3(parts[s].a[0], 0, hubZ));
        MK_BoxUV(ring);
        b.Object(parts[s].name, ring, "paddle");
    }
    for (int i = 0; i < 12; ++i) {
        MkMesh board = wheelBoard(3.5f, 1.45f, 2.45f, 0.14f, 30.0f * i);
        MK_Translate(board, MK_Vec3(parts[2 + i].a[0], 0, hubZ));
        MK_PlanarUV(board, MK_AXIS_X);
        b.Object(parts[2 + i].name, board, "paddle");
    }
    return b.model;
}

// Gunboat: a turret and its gun turning about the vertical line through (0.1109, -, -8.6112).
MkModel boatTwo() {
    ModelBuilder b;
    standardMaterials(b);
    b.Material("hull", "rv_hull2.bmp", 180, 190, 200);
    b.Object("hull", hull(2.2f, 0.0f, -2.1f, 8.0f, -13.5f), "hull");
    b.Object("deck", deck(2.2f, 0.0f, 8.0f, -13.5f), "planks");
    MkMesh house = MK_BoxAt(MK_Vec3(3.0f, 1.7f, 6.0f), MK_Vec3(0, 0.97f, 0.5f));
    MK_Merge(house, MK_BoxAt(MK_Vec3(2.4f, 1.1f, 2.2f), MK_Vec3(0, 2.35f, -1.2f)));
    MK_BoxUV(house);
    b.Object("superstructure", house, "steel");
    cabinBlock(b, "bridge", MK_Vec3(2.5f, 0.5f, 2.3f), MK_Vec3(0, 2.6f, -1.2f));
    funnelAt(b, "funnel", 0.6f, 3.0f, MK_Vec3(0, 1.8f, 1.5f));
    MkMesh mast = MK_Cylinder(0.1f, 5.5f, 8);
    MK_Translate(mast, MK_Vec3(0, 2.9f, -0.6f));
    MK_Merge(mast, MK_BoxAt(MK_Vec3(2.6f, 0.12f, 0.12f), MK_Vec3(0, 7.0f, -0.6f)));
    MK_CylindricalUV(mast);
    b.Object("mast", mast, "steel");
    MkMesh stern = MK_Cylinder(0.7f, 0.6f, 12);
    MK_Translate(stern, MK_Vec3(0, 0.0f, 5.5f));
    MK_CylindricalUV(stern);
    b.Object("sterngun", stern, "steel");

    const CAT_Part* parts = CAT_RIVER_BOAT2_PARTS; // the turret's base, then its gun
    const MkVec3 pivot = pivotOf(parts[0]);
    MkMesh base = MK_Cylinder(1.35f, 0.95f, 16);
    MkMesh dome = MK_Sphere(1.15f, 16, 8);
    MK_Scale(dome, MK_Vec3(1, 0.45f, 1));
    MK_Translate(dome, MK_Vec3(0, 0.95f, 0));
    MK_Merge(base, dome);
    MK_Translate(base, pivot);
    MK_CylindricalUV(base);
    b.Object(parts[0].name, base, "steel");
    MkMesh gun = MK_Cylinder(0.17f, 4.2f, 10);
    MK_RotateX(gun, -90.0f); // along -z, out over the bow
    MK_Translate(gun, MK_Vec3(0, 0.75f, -0.6f));
    MK_Merge(gun, MK_BoxAt(MK_Vec3(0.8f, 0.6f, 0.7f), MK_Vec3(0, 0.75f, -1.0f)));
    MK_Translate(gun, pivot);
    MK_BoxUV(gun);
    b.Object(parts[1].name, gun, "funnel");
    return b.model;
}

// Side-wheeler: a paddle wheel each side on the hub line (y 0.2061, z 1.7674).
MkModel boatThree() {
    ModelBuilder b;
    standardMaterials(b);
    b.Material("hull", "rv_hull3.bmp", 90, 150, 240);
    b.Object("hull", hull(2.0f, 0.3f, -2.1f, 7.0f, -9.8f), "hull");
    b.Object("deck", deck(2.0f, 0.3f, 7.0f, -9.8f), "planks");
    cabinBlock(b, "cabin", MK_Vec3(3.2f, 1.5f, 7.0f), MK_Vec3(0, 1.17f, 0.8f));
    roofSlab(b, "cabinroof", MK_Vec3(3.6f, 0.15f, 7.6f), MK_Vec3(0, 2.0f, 0.8f));
    cabinBlock(b, "pilot", MK_Vec3(1.6f, 1.1f, 1.6f), MK_Vec3(0, 2.6f, -1.6f));
    roofSlab(b, "pilotroof", MK_Vec3(2.0f, 0.14f, 2.0f), MK_Vec3(0, 3.2f, -1.6f));
    funnelAt(b, "funnel", 0.42f, 4.4f, MK_Vec3(0, 2.05f, 2.2f));
    const CAT_Part* parts = CAT_RIVER_BOAT_TRES_PARTS; // per side: a hub, then four paddles
    const MkVec3 hub = MK_Vec3(0, parts[0].a[1], parts[0].a[2]);
    MkMesh shaft = axle(0.15f, 6.2f);
    MK_Translate(shaft, hub);
    MK_CylindricalUV(shaft);
    b.Object("shaft", shaft, "steel");
    for (int side = 0; side < 2; ++side) {
        const float x = side == 0 ? 2.75f : -2.75f;
        MkMesh h = ringX(2.0f, 0.09f);
        MK_Merge(h, spokes(2.0f, 8, 0.1f, 0.1f));
        MK_Merge(h, axle(0.4f, 0.9f));
        MK_Translate(h, MK_Vec3(x, hub.y, hub.z));
        MK_BoxUV(h);
        b.Object(parts[side * 5].name, h, "steel");
        for (int i = 0; i < 4; ++i) {
            MkMesh board = wheelBoard(1.0f, 1.2f, 2.3f, 0.14f, 90.0f * i + 45.0f);
            MK_Translate(board, MK_Vec3(x, hub.y, hub.z));
            MK_PlanarUV(board, MK_AXIS_X);
            b.Object(parts[side * 5 + 1 + i].name, board, "paddle");
        }
    }
    return b.model;
}

// Paddle boat: eight boards on the axle through the origin, rudder and tiller at the stern.
MkModel boatFour() {
    ModelBuilder b;
    standardMaterials(b);
    b.Material("hull", "rv_hull4.bmp", 240, 210, 70);
    b.Object("hull", hull(2.0f, -0.6f, -2.4f, 13.0f, -12.5f), "hull");
    b.Object("deck", deck(2.0f, -0.6f, 13.0f, -12.5f), "planks");
    cabinBlock(b, "cabin", MK_Vec3(2.8f, 1.6f, 5.5f), MK_Vec3(0, 0.3f, -5.0f));
    roofSlab(b, "canopy", MK_Vec3(3.4f, 0.14f, 6.2f), MK_Vec3(0, 1.2f, -5.0f));
    MkMesh seats = MK_BoxAt(MK_Vec3(3.0f, 0.5f, 1.0f), MK_Vec3(0, -0.3f, 4.0f));
    MK_Merge(seats, MK_BoxAt(MK_Vec3(3.0f, 0.5f, 1.0f), MK_Vec3(0, -0.3f, 7.0f)));
    MK_BoxUV(seats);
    b.Object("benches", seats, "planks");
    MkMesh shaft = axle(0.16f, 5.6f);
    MK_CylindricalUV(shaft);
    b.Object("axle", shaft, "steel");
    const CAT_Part* parts = CAT_RIVER_BOAT4_PARTS; // rudder, tiller, four left boards, four right
    for (int side = 0; side < 2; ++side) {
        const float x = side == 0 ? -2.6f : 2.6f;
        for (int i = 0; i < 4; ++i) {
            MkMesh board = wheelBoard(0.9f, 0.2f, 2.5f, 0.16f, 0.0f);
            // Each board carries a quarter of the rim, so the four together read as a wheel.
            std::vector<MkVec3> arc;
            for (int k = -3; k <= 3; ++k) {
                const float a = k * 15.0f * kPi / 180.0f;
                arc.push_back(MK_Vec3(0, 2.2f * std::cos(a), 2.2f * std::sin(a)));
            }
            MK_Merge(board, MK_Tube(0.09f, arc, 6));
            MK_RotateX(board, 90.0f * i);
            MK_Translate(board, MK_Vec3(x, 0, 0));
            MK_PlanarUV(board, MK_AXIS_X);
            b.Object(parts[2 + side * 4 + i].name, board, "paddle");
        }
    }
    // The rudder and the tiller turn about lines parallel to (0, -0.7071, 0.7071): the rudder's
    // through (0.2598, -2.9558, 12.5031), the tiller's through (0.1361, -0.3141, 10.4592).
    const float c = 0.70710678f;
    MkMesh rudder = MK_BoxAt(MK_Vec3(0.14f, 2.4f, 1.5f), MK_Vec3(0, 0, 0.75f)); // hinge along its front edge
    MK_Merge(rudder, MK_Tube(0.09f, {MK_Vec3(0, -1.2f, 0), MK_Vec3(0, 1.6f, 0)}, 6));
    MK_RotateX(rudder, 135.0f); // +y onto the hinge direction (0, -c, c)
    MK_Translate(rudder, pivotOf(parts[0]));
    MK_BoxUV(rudder);
    b.Object(parts[0].name, rudder, "steel");
    const MkVec3 t = pivotOf(parts[1]);
    MkMesh till = MK_Tube(0.1f, {t, MK_Vec3(t.x, t.y + 1.0f * c, t.z - 1.0f * c)}, 6);
    MK_Merge(till, MK_Tube(0.08f,
                           {MK_Vec3(t.x, t.y + c, t.z - c), MK_Vec3(t.x, t.y + c + 0.5f * c, t.z - c + 0.5f * c),
                            MK_Vec3(t.x, t.y + c + 0.5f * c, t.z - c - 1.6f)},
                           6));
    MK_BoxUV(till);
    b.Object(parts[1].name, till, "funnel");
    return b.model;
}

// Water tricycle: two rear wheels and a front wheel, each with paddle fins round its tyre.
MkModel waterBike() {
    ModelBuilder b;
    standardMaterials(b);
    b.Material("tyre", "rv_tyre.bmp", 60, 60, 70);
    b.Material("frame", "rv_yellow.bmp", 240, 210, 70);
    b.Material("shirt", "rv_shirt.bmp", 220, 80, 70);
    b.Material("skin", "rv_skin.bmp", 240, 190, 160);

    for (const CAT_Part& w : CAT_RIVER_BIKE_PARTS) { // right, left, front
        MkMesh m = ringX(1.35f, 0.36f, 20);
        MK_CylindricalUV(m);
        MkMesh fins = spokes(1.35f, 4, 0.12f, 0.16f);
        for (int i = 0; i < 8; ++i)
            MK_Merge(fins, wheelBoard(0.7f, 1.55f, 1.95f, 0.1f, 45.0f * i + 22.5f));
        MK_Merge(fins, axle(0.22f, 0.8f));
        MK_BoxUV(fins);
        MK_Merge(m, fins);
        MK_Translate(m, pivotOf(w));
        b.Object(w.name, m, "tyre");
    }
    const MkVec3 rear = MK_Vec3(0, -0.1456f, 2.99f), front = pivotOf(CAT_RIVER_BIKE_PARTS[2]);
    MkMesh frame = MK_Tube(0.13f, {MK_Vec3(-1.25f, rear.y, rear.z), MK_Vec3(1.25f, rear.y, rear.z)});
    MK_Merge(frame,
             MK_Tube(0.14f, {rear, MK_Vec3(0, 1.2f, 1.6f), MK_Vec3(0, 1.3f, -1.9f), MK_Vec3(0, 0.6f, -2.7f), front}));
    MK_Merge(frame, MK_Tube(0.1f, {MK_Vec3(0, 1.3f, -1.9f), MK_Vec3(0, 2.1f, -1.7f)}));
    MK_Merge(frame, MK_Tube(0.08f, {MK_Vec3(-0.8f, 2.1f, -1.6f), MK_Vec3(0.8f, 2.1f, -1.6f)}));
    MK_Merge(frame, MK_Tube(0.1f, {MK_Vec3(0, 1.25f, 1.2f), MK_Vec3(0, 0.35f, -1.2f)})); // to the crank
    MK_Merge(frame, MK_BoxAt(MK_Vec3(0.8f, 0.2f, 0.9f), MK_Vec3(0, 1.55f, 1.5f)));       // seat
    MK_BoxUV(frame);
    b.Object("frame", frame, "frame");
    MkMesh body = MK_BoxAt(MK_Vec3(0.95f, 1.4f, 0.6f), MK_Vec3(0, 2.35f, 1.35f));
    MK_Merge(body,
             MK_Tube(0.17f, {MK_Vec3(-0.55f, 2.9f, 1.3f), MK_Vec3(-0.6f, 2.45f, -0.2f), MK_Vec3(-0.7f, 2.15f, -1.5f)}));
    MK_Merge(body,
             MK_Tube(0.17f, {MK_Vec3(0.55f, 2.9f, 1.3f), MK_Vec3(0.6f, 2.45f, -0.2f), MK_Vec3(0.7f, 2.15f, -1.5f)}));
    MK_Merge(body,
             MK_Tube(0.2f, {MK_Vec3(-0.28f, 1.7f, 1.3f), MK_Vec3(-0.3f, 1.6f, -0.2f), MK_Vec3(-0.32f, 0.4f, -1.2f)}));
    MK_Merge(body,
             MK_Tube(0.2f, {MK_Vec3(0.28f, 1.7f, 1.3f), MK_Vec3(0.3f, 1.6f, -0.2f), MK_Vec3(0.32f, 0.4f, -1.2f)}));
    MK_BoxUV(body);
    b.Object("rider", body, "shirt");
    MkMesh head = MK_Sphere(0.42f, 14, 9);
    MK_Translate(head, MK_Vec3(0, 3.45f, 1.25f));
    MK_CylindricalUV(head);
    b.Object("head", head, "skin");
    return b.model;
}

// --- The path ---------------------------------------------------------------------------------------

// "boatpath.wed": one curve on the 640 x 480 canvas. The scene scales it by 7 and moves it to
// (-12, 0, -10); its run also continues past the last point (the length is measured from the
// canvas origin). The curve crosses the fixed view about 12 units in front of the camera, bowed
// towards it, so each vehicle passes close enough to be seen whole: it enters past the left
// edge and leaves past the right one, which is why P3 lies off the canvas. x grows all the
// way: the scene's heading cannot tell -x from +x.
const WedPath kBoatPath = {2.5f, {{196, 391}, {486, 345}, {711, 229}, {873, 41}}};

} // namespace

void AddSceneThreeAssets(AssetSink& sink) {
    addPictures(sink);
    MkModel (*const builders[CAT_RIVER_MESH_COUNT])() = {houseOne, houseTwo, houseThree, rootTree, trunkTree,
                                                         boatOne,  boatTwo,  boatThree,  boatFour, waterBike};
    for (int i = 0; i < CAT_RIVER_MESH_COUNT; ++i)
        sink.AddModel(CAT_RIVER_MESHES[i], builders[i]());
    sink.AddWED(CAT_RIVER_PATH, "boatpath", {kBoatPath});
}
