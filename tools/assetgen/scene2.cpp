// scene2: the air battle's models and their pictures (made with the mesh kit).
//
// Sizes and orientations come from where the scene puts things and where its camera looks:
//  - the dirigible (bow toward -z) hangs its six engine cars under a hull whose axis runs at
//    x = -2, because the opening shot starts between the two rows of cars, just under the belly,
//    and backs out past the bow; nothing may hang on that line;
//  - blimp2 (bow -z) and blimp3 (bow +z) carry their propellers on outriggers clear of the envelope;
//  - the planes fly nose first toward +z at 1/20 scale; their propellers sit behind, as pushers;
//  - the clouds are placed at y 50, scale 2, so their geometry hangs below the origin: a layer
//    between y 24 and 34 in the world, under airships flying at 36..48 and over the final shots at 15;
//  - the cliff (scale 2, 1.3, 4 at (-10, -43, 0)) is a rock massif standing in the sea, its face
//    toward +x well behind the spot where blimp2 starts its climb.
// Every propeller is built at the origin, spinning about z, then moved to the hub its table gives.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "assets.h"
#include "core/catalogue.h"
#include "meshkit.h"
#include "picture.h"

namespace {

constexpr float kPi = 3.14159265358979f;

// --- Pictures -----------------------------------------------------------------------------------------
// Mesh colour is half the texture (lit tops come back to about full), so maps are drawn bright.

// A colour roughened by tiling noise: amount is the brightness swing.
AgImage noisy(int w, int h, AgColor base, float amount, int period, Uint32 seed) {
    AgImage img(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const float n = PIC_TileNoise(float(x) * 256 / w, float(y) * 256 / h, 256, period, 4, seed);
            img.At(x, y) = PIC_Clamp(PIC_Shade(base, 1.0f + amount * (n - 0.5f) * 2.0f));
        }
    return img;
}

void darken(AgImage& img, int x0, int y0, int x1, int y1, float f) {
    for (int y = std::max(y0, 0); y <= std::min(y1, img.height - 1); ++y)
        for (int x = std::max(x0, 0); x <= std::min(x1, img.width - 1); ++x)
            img.At(x, y) = PIC_Clamp(PIC_Shade(img.At(x, y), f));
}

// An envelope laid out flat: u along the length, v round the hull from the top (0) to the keel (1).
// Panels between ribs and seams differ a little in tone, so the skin reads as built of pieces.
AgImage envelope(int w, int h, AgColor base, int ribs, int seams, float ribDark, Uint32 seed) {
    AgImage img = noisy(w, h, base, 0.05f, 8, seed);
    AgRandom rnd(seed + 1);
    const int pw = w / ribs, ph = h / seams;
    for (int j = 0; j < seams; ++j)
        for (int i = 0; i < ribs; ++i)
            darken(img, i * pw, j * ph, i * pw + pw - 1, j * ph + ph - 1, rnd.Range(0.94f, 1.03f));
    for (int i = 0; i < ribs; ++i)
        darken(img, i * pw, 0, i * pw + 1, h - 1, ribDark);
    for (int j = 1; j < seams; ++j)
        darken(img, 0, j * ph, w - 1, j * ph, 0.88f);
    return img;
}

// A fin: the envelope colour with a striped rudder at the trailing edge (the right side of the
// picture, or the left when trailingLeft).
AgImage finPicture(AgColor base, AgColor stripe, bool trailingLeft, Uint32 seed) {
    AgImage img = noisy(64, 64, base, 0.05f, 4, seed);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            const int from = trailingLeft ? 63 - x : x;
            if (from >= 40 && (y / 8) % 2 == 0) img.At(x, y) = stripe;
            if (from == 38 || from == 39) img.At(x, y) = PIC_Shade(base, 0.6f); // the rudder's hinge
        }
    return img;
}

// A gondola's side: painted body with a row of lit windows a little above its middle.
AgImage gondolaPicture(AgColor body, AgColor trim, Uint32 seed) {
    AgImage img = noisy(128, 64, body, 0.08f, 4, seed);
    PIC_Rect(img, 0, 16, 127, 18, trim);
    for (int x = 6; x < 122; x += 12)
        PIC_Rect(img, x, 21, x + 7, 29, PIC_Rgb(255, 236, 160));
    PIC_Rect(img, 0, 33, 127, 34, trim);
    return img;
}

// A plane's wing, mapped chord across (u) and span down (v): paint with darker blotches and a
// roundel toward each tip. The picture is tall and narrow like the wing, so its pixels come out
// about square; the roundels are drawn as the ellipses that land round on the wing.
AgImage wingPicture(AgColor paint, AgColor blotch, AgColor outer, AgColor middle, AgColor centre, Uint32 seed) {
    const int w = 32, h = 256;
    AgImage img = noisy(w, h, paint, 0.06f, 4, seed);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            if (PIC_TileNoise(float(x) * 8, float(y), 256, 8, 2, seed + 3) > 0.56f) img.At(x, y) = blotch;
            for (float cy : {0.15f * h, 0.85f * h}) {
                const float dx = (float(x) + 0.5f - 0.48f * w) / 8.0f, dy = (float(y) + 0.5f - cy) / 10.0f;
                const float r = std::sqrt(dx * dx + dy * dy);
                if (r < 1.0f) img.At(x, y) = r < 0.35f ? centre : (r < 0.7f ? middle : outer);
            }
        }
    return img;
}

// A fuselage laid out like an envelope (u from tail to nose), with a coloured nose band.
AgImage fuselagePicture(AgColor paint, AgColor blotch, AgColor nose, Uint32 seed) {
    AgImage img = noisy(128, 64, paint, 0.06f, 4, seed);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 128; ++x) {
            if (PIC_TileNoise(float(x) * 2, float(y) * 4, 256, 4, 2, seed + 3) > 0.58f) img.At(x, y) = blotch;
            if (x >= 112) img.At(x, y) = nose;
        }
    darken(img, 0, 40, 127, 63, 1.15f); // paler belly
    for (int x = 20; x < 112; x += 23)
        darken(img, x, 0, x, 63, 0.7f); // panel lines
    return img;
}

AgImage rockPicture() {
    const int size = 256;
    AgImage img(size, size);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            // strata: bands of tone that wander a little, broken by grain and a few bedding lines
            const float wob = PIC_TileNoise(float(x), float(y), size, 4, 2, 711) * 14.0f;
            const float band = PIC_TileNoise(1.0f, float(y) + wob, size, 32, 2, 712);
            const float grain = PIC_TileNoise(float(x), float(y), size, 32, 3, 713);
            const AgColor light = PIC_Rgb(225, 205, 180), dark = PIC_Rgb(150, 130, 120);
            AgColor c = PIC_Shade(PIC_Mix(dark, light, 0.25f + 0.6f * band), 0.85f + 0.3f * grain);
            if (int(float(y) + wob) % 23 == 0 && PIC_TileNoise(float(x), float(y), size, 8, 2, 714) > 0.45f)
                c = PIC_Shade(c, 0.8f);
            // streaks down the face
            c = PIC_Shade(c, 0.9f + 0.2f * PIC_TileNoise(float(x) * 4.0f, float(y) * 0.25f, size, 16, 2, 715));
            img.At(x, y) = PIC_Clamp(c);
        }
    return img;
}

// Grass over the cliff's top with stone showing through.
AgImage cliffTopPicture() {
    const int size = 128;
    AgImage img(size, size);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const float n = PIC_TileNoise(float(x) * 2, float(y) * 2, 256, 6, 4, 716);
            const float grain = PIC_TileNoise(float(x) * 2, float(y) * 2, 256, 64, 2, 717);
            const AgColor grass = PIC_Shade(PIC_Rgb(150, 205, 100), 0.85f + 0.3f * grain);
            const AgColor stone = PIC_Shade(PIC_Rgb(200, 185, 165), 0.85f + 0.3f * grain);
            img.At(x, y) = PIC_Clamp(PIC_Mix(grass, stone, PIC_Smooth(0.5f, 0.62f, n)));
        }
    return img;
}

AgImage cloudPicture() {
    AgImage img(64, 64);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            const float t = float(y) / 63.0f, n = PIC_TileNoise(float(x) * 4, float(y) * 4, 256, 8, 3, 721);
            const AgColor c = PIC_Mix(PIC_Rgb(255, 255, 255), PIC_Rgb(205, 208, 235), PIC_Smooth(0.2f, 1.0f, t));
            img.At(x, y) = PIC_Clamp(PIC_Shade(c, 0.96f + 0.06f * n));
        }
    return img;
}

void addPictures(AssetSink& sink) {
    sink.AddBMP24("ab_silver.bmp", [] {
        AgImage img = envelope(512, 256, PIC_Rgb(228, 231, 238), 16, 8, 0.78f, 401);
        darken(img, 0, 0, 27, 255, 0.75f); // nose cap
        return img;
    }());
    sink.AddBMP24("ab_tan.bmp", [] {
        AgImage img = envelope(256, 128, PIC_Rgb(245, 200, 172), 8, 8, 0.9f, 402);
        PIC_Rect(img, 0, 52, 255, 58, PIC_Rgb(150, 80, 60)); // a band along each side
        darken(img, 0, 0, 13, 127, 0.8f);
        return img;
    }());
    sink.AddBMP24("ab_sage.bmp", [] {
        AgImage img = envelope(256, 128, PIC_Rgb(200, 228, 182), 8, 8, 0.9f, 403);
        PIC_Rect(img, 0, 50, 255, 56, PIC_Rgb(250, 250, 235));
        darken(img, 242, 0, 255, 127, 0.8f); // this one's nose is at the far end
        return img;
    }());
    sink.AddBMP24("ab_finsilver.bmp", finPicture(PIC_Rgb(225, 228, 235), PIC_Rgb(235, 70, 60), false, 404));
    sink.AddBMP24("ab_fintan.bmp", finPicture(PIC_Rgb(240, 196, 170), PIC_Rgb(150, 80, 60), false, 405));
    sink.AddBMP24("ab_finsage.bmp", finPicture(PIC_Rgb(200, 228, 182), PIC_Rgb(250, 250, 235), true, 406));
    sink.AddBMP24("ab_gondola.bmp", gondolaPicture(PIC_Rgb(170, 120, 90), PIC_Rgb(240, 210, 120), 407));
    sink.AddBMP24("ab_metal.bmp", [] {
        AgImage img = noisy(64, 64, PIC_Rgb(185, 190, 198), 0.1f, 4, 408);
        for (int x = 0; x < 64; x += 16)
            for (int y = 4; y < 64; y += 8)
                PIC_Disc(img, float(x + 4), float(y), 1.0f, PIC_Rgb(230, 235, 240), 0.5f);
        return img;
    }());
    sink.AddBMP24("ab_prop.bmp", [] {
        // tips are the picture's edges, the way a propeller is mapped, so they show the turn
        AgImage img = noisy(64, 64, PIC_Rgb(150, 105, 70), 0.1f, 4, 409);
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x)
                if (std::min(std::min(x, 63 - x), std::min(y, 63 - y)) < 8) img.At(x, y) = PIC_Rgb(255, 225, 70);
        return img;
    }());
    sink.AddBMP24("ab_wing1.bmp", wingPicture(PIC_Rgb(160, 180, 110), PIC_Rgb(110, 130, 80), PIC_Rgb(40, 90, 60),
                                              PIC_Rgb(255, 255, 255), PIC_Rgb(255, 140, 30), 410));
    sink.AddBMP24("ab_body1.bmp",
                  fuselagePicture(PIC_Rgb(160, 180, 110), PIC_Rgb(110, 130, 80), PIC_Rgb(255, 220, 60), 411));
    sink.AddBMP24("ab_wing2.bmp", wingPicture(PIC_Rgb(115, 128, 160), PIC_Rgb(85, 98, 128), PIC_Rgb(30, 30, 30),
                                              PIC_Rgb(255, 220, 60), PIC_Rgb(40, 40, 40), 412));
    sink.AddBMP24("ab_body2.bmp",
                  fuselagePicture(PIC_Rgb(115, 128, 160), PIC_Rgb(85, 98, 128), PIC_Rgb(235, 60, 50), 413));
    sink.AddBMP24("ab_glass.bmp", [] {
        AgImage img(64, 64);
        PIC_VerticalGradient(img, 0, 63, PIC_Rgb(150, 180, 230), PIC_Rgb(60, 80, 130));
        PIC_Rect(img, 0, 14, 63, 18, PIC_Rgb(235, 245, 255)); // a glint
        for (int x = 0; x < 64; x += 16)
            PIC_Rect(img, x, 0, x + 1, 63, PIC_Rgb(80, 80, 90)); // frames
        return img;
    }());
    sink.AddBMP24("ab_rock.bmp", rockPicture());
    sink.AddBMP24("ab_clifftop.bmp", cliffTopPicture());
    sink.AddBMP24("ab_cloud.bmp", cloudPicture());
}

// --- Geometry helpers ----------------------------------------------------------------------------------

MkVec3 at(const float p[3]) {
    return MK_Vec3(p[0], p[1], p[2]);
}

// Appends triangle (a, b, c), turned so that its front faces away from the point `inside`.
void triangle(MkMesh& m, Uint32 a, Uint32 b, Uint32 c, MkVec3 inside) {
    const MkVec3 &pa = m.positions[a], &pb = m.positions[b], &pc = m.positions[c];
    const MkVec3 centroid = MK_Vec3((pa.x + pb.x + pc.x) / 3, (pa.y + pb.y + pc.y) / 3, (pa.z + pb.z + pc.z) / 3);
    const bool flip = MK_Dot(MK_Cross(MK_Sub(pb, pa), MK_Sub(pc, pa)), MK_Sub(centroid, inside)) < 0;
    m.faces.push_back(flip ? MkFace{a, c, b} : MkFace{a, b, c});
}

// Radius of an airship-like body along its length: t = 0 at the nose, 1 at the tail, largest
// (1.0) at t = nose / (nose + tail). A small nose exponent gives a blunt bow, a large tail one a
// long taper.
float bodyShape(float t, float nose, float tail) {
    if (t <= 0 || t >= 1) return 0;
    const float peak = nose / (nose + tail);
    return std::pow(t, nose) * std::pow(1 - t, tail) / (std::pow(peak, nose) * std::pow(1 - peak, tail));
}

struct Body {
    float zNose, zTail; // the ends, either way round
    float radius;       // largest radius
    float nose, tail;   // bodyShape exponents
    float cx, cy;       // where the axis runs
    float squash = 1;   // height over width
    float RadiusAt(float z) const { return radius * bodyShape((z - zNose) / (zTail - zNose), nose, tail); }
};

// A body of revolution along z, closed to a point at both ends. Rings are denser toward the ends.
// u runs along z (0 at the smaller z), v round the body from the top (0) to the keel (1) on both
// sides, so there is no seam.
MkMesh bodyMesh(const Body& b, int rings, int segments) {
    MkMesh m;
    const float z0 = std::min(b.zNose, b.zTail), z1 = std::max(b.zNose, b.zTail);
    std::vector<Uint32> first; // first vertex of each station
    for (int i = 0; i <= rings; ++i) {
        const float s = 0.5f - 0.5f * std::cos(kPi * i / rings);
        const float z = i == rings ? z1 : z0 + (z1 - z0) * s;
        first.push_back(Uint32(m.positions.size()));
        if (i == 0 || i == rings) {
            m.positions.push_back(MK_Vec3(b.cx, b.cy, z)), m.uvs.push_back({s, 0.5f});
            continue;
        }
        const float r = b.RadiusAt(z);
        for (int k = 0; k < segments; ++k) {
            const float a = 2 * kPi * k / segments;
            m.positions.push_back(MK_Vec3(b.cx + r * std::sin(a), b.cy + b.squash * r * std::cos(a), z));
            m.uvs.push_back({s, std::min(a, 2 * kPi - a) / kPi});
        }
    }
    for (int i = 0; i < rings; ++i) {
        const MkVec3 mid = MK_Vec3(b.cx, b.cy, (m.positions[first[i]].z + m.positions[first[i + 1]].z) / 2);
        for (int k = 0; k < segments; ++k) {
            const int k1 = (k + 1) % segments;
            if (i == 0) {
                triangle(m, first[0], first[1] + k, first[1] + k1, mid);
            } else if (i == rings - 1) {
                triangle(m, first[i] + k, first[i] + k1, first[rings], mid);
            } else {
                const Uint32 a = first[i] + k, b2 = first[i] + k1, c = first[i + 1] + k1, d = first[i + 1] + k;
                triangle(m, a, b2, c, mid);
                triangle(m, a, c, d, mid);
            }
        }
    }
    return m;
}

// A flat slab from a convex outline given in the y-z plane as (z, y) pairs, thickness along x,
// mapped with the picture seen from +x (u along z, v down y).
MkMesh slab(const std::vector<MkVec2>& outline, float thickness) {
    MkMesh m;
    const size_t n = outline.size();
    float cz = 0, cy = 0;
    for (const MkVec2& p : outline)
        cz += p.u / n, cy += p.v / n;
    for (float x : {thickness / 2, -thickness / 2})
        for (const MkVec2& p : outline)
            m.positions.push_back(MK_Vec3(x, p.v, p.u)), m.uvs.push_back({0, 0});
    const MkVec3 inside = MK_Vec3(0, cy, cz);
    for (size_t i = 1; i + 1 < n; ++i) {
        triangle(m, 0, Uint32(i), Uint32(i + 1), inside);
        triangle(m, Uint32(n), Uint32(n + i), Uint32(n + i + 1), inside);
    }
    for (size_t i = 0; i < n; ++i) {
        const Uint32 a = Uint32(i), b = Uint32((i + 1) % n);
        triangle(m, a, b, b + Uint32(n), inside);
        triangle(m, a, b + Uint32(n), a + Uint32(n), inside);
    }
    MK_PlanarUV(m, MK_AXIS_X);
    return m;
}

// A round rod from one point to another.
MkMesh rod(float radius, MkVec3 from, MkVec3 to, int sides = 6) {
    std::vector<MkVec2> section;
    for (int i = 0; i < sides; ++i) {
        const float a = 2 * kPi * (i + 0.5f) / sides;
        section.push_back({radius * std::cos(a), radius * std::sin(a)});
    }
    return MK_Extrude(section, {from, to}, true);
}

// A propeller turning about z, centred on the origin: a spinner and an even number of pitched
// blades, so that its bounds stay centred on the hub at any angle of the blades. The picture's
// border lands on the blade tips.
MkMesh propeller(float radius, int blades, float chord, float hub) {
    MkMesh m;
    for (int i = 0; i < blades; ++i) {
        MkMesh blade = MK_Box(MK_Vec3(radius - hub * 0.5f, chord, chord * 0.18f));
        MK_Translate(blade, MK_Vec3((radius + hub * 0.5f) / 2, 0, 0));
        MK_RotateX(blade, 25.0f);
        MK_RotateZ(blade, 360.0f * i / blades + 45.0f);
        MK_Merge(m, blade);
    }
    MK_PlanarUV(m, MK_AXIS_Z);
    MkMesh spinner = MK_Sphere(hub, 10, 6);
    MK_Scale(spinner, MK_Vec3(1, 1, 1.6f));
    MK_PlanarUV(spinner, MK_AXIS_Z);
    for (MkVec2& t : spinner.uvs)
        t = {0.3f + 0.4f * t.u, 0.3f + 0.4f * t.v}; // the dark middle
    MK_Merge(m, spinner);
    return m;
}

// Model textures are clamped to a black border, and a coordinate at 0 or 1 blends that border in
// (more so in the smaller mipmaps of distant models): keep every coordinate a margin inside.
void insetUV(MkMesh& m) {
    const float margin = 1.0f / 32;
    for (MkVec2& t : m.uvs)
        t = {margin + (1 - 2 * margin) * t.u, margin + (1 - 2 * margin) * t.v};
}

struct ModelBuilder {
    MkModel model;
    void Material(const std::string& name, const std::string& map, Uint8 r, Uint8 g, Uint8 b) {
        MK_AddMaterial(model, name, r, g, b, map);
    }
    void Object(const std::string& name, MkMesh mesh, const std::string& material) {
        insetUV(mesh);
        MK_AddObject(model, name, mesh, material);
    }
    // A propeller of a table, by its name, on its hub.
    void Propeller(const CAT_Part& part, float radius, int blades, float chord, float hub) {
        MkMesh p = propeller(radius, blades, chord, hub);
        MK_Translate(p, at(part.a));
        Object(part.name, p, "prop");
    }
    void Propellers(const CAT_PartTable& table, float radius, int blades, float chord, float hub) {
        for (int i = 0; i < table.count; ++i)
            Propeller(table.parts[i], radius, blades, chord, hub);
    }
};

// Four fins round a tail, each from the same outline (z, distance out from the axis), the first
// at `roll` degrees from straight up.
MkMesh fins(const std::vector<MkVec2>& outline, float thickness, float roll, float cx, float cy) {
    MkMesh all;
    for (int i = 0; i < 4; ++i) {
        MkMesh f = slab(outline, thickness);
        MK_RotateZ(f, roll + 90.0f * i);
        MK_Translate(f, MK_Vec3(cx, cy, 0));
        MK_Merge(all, f);
    }
    return all;
}

// --- Airships -------------------------------------------------------------------------------------------

// A rigid airship, bow toward -z, hull axis at (-2, 1): three engine cars a side hang below on
// struts with pusher propellers at their tails. The opening shot passes along x = -2 at y = -2.4
// from z 0.5 to -12, between the cars and half a unit under the hull and its control car.
MkModel dirigible() {
    ModelBuilder b;
    b.Material("skin", "ab_silver.bmp", 220, 222, 230);
    b.Material("fin", "ab_finsilver.bmp", 220, 222, 230);
    b.Material("gondola", "ab_gondola.bmp", 150, 110, 80);
    b.Material("metal", "ab_metal.bmp", 150, 155, 160);
    b.Material("prop", "ab_prop.bmp", 140, 100, 60);
    const Body hull{-8.5f, 9.5f, 2.5f, 0.45f, 0.65f, -2.0f, 1.0f};
    b.Object("hull", bodyMesh(hull, 40, 40), "skin");
    b.Object("fins", fins({{4.2f, 0.6f}, {9.3f, 0.1f}, {9.3f, 1.7f}, {8.1f, 3.2f}, {6.5f, 3.2f}}, 0.12f, 0, -2, 1),
             "fin");
    // control car under the bow, tucked into the hull
    b.Object("control_car", bodyMesh(Body{-5.4f, -2.6f, 0.55f, 0.3f, 0.5f, -2.0f, -1.4f, 0.75f}, 12, 16), "gondola");

    const CAT_PartTable& props = CAT_SKY_PART_TABLES[0];
    MkMesh cars, struts;
    for (int i = 0; i < props.count; ++i) {
        const MkVec3 p = at(props.parts[i].a);
        MK_Merge(cars, bodyMesh(Body{p.z - 2.4f, p.z - 0.05f, 0.5f, 0.35f, 0.45f, p.x, p.y}, 12, 14));
        for (float dz : {-1.8f, -0.6f}) {
            // slanting in to the lower flank of the hull, which is narrower than the cars' spread aft
            const float z = p.z + dz, r = hull.RadiusAt(z) - 0.15f, side = p.x > hull.cx ? 1.0f : -1.0f;
            const MkVec3 flank = MK_Vec3(hull.cx + side * r * 0.64f, hull.cy - r * 0.77f, z);
            MK_Merge(struts, rod(0.09f, MK_Vec3(p.x, p.y + 0.35f, z), flank));
        }
    }
    b.Object("engine_cars", cars, "gondola");
    MK_BoxUV(struts);
    b.Object("struts", struts, "metal");
    b.Propellers(props, 0.85f, 4, 0.24f, 0.14f);
    return b.model;
}

// The blimps' propellers each push from the back of a pod at the end of an outrigger from the
// envelope's axis; bowZ (-1 or 1) is the way the bow points.
void podsAndOutriggers(ModelBuilder& b, const CAT_PartTable& props, const Body& hull, float podLength, float bowZ) {
    MkMesh pods, arms;
    for (int i = 0; i < props.count; ++i) {
        const MkVec3 p = at(props.parts[i].a);
        const float zFar = p.z + bowZ * podLength, zNear = p.z + bowZ * 0.05f;
        MK_Merge(pods, bodyMesh(Body{zFar, zNear, 0.2f, 0.35f, 0.4f, p.x, p.y}, 10, 12));
        if (std::fabs(p.x - hull.cx) < 0.5f) continue; // on the axis: the hull holds it
        const float zm = (zFar + zNear) / 2;
        MK_Merge(arms, rod(0.06f, MK_Vec3(hull.cx, hull.cy, zm), MK_Vec3(p.x, p.y, zm)));
    }
    b.Object("pods", pods, "metal");
    MK_BoxUV(arms);
    b.Object("outriggers", arms, "metal");
}

// Blimp with eight propellers, bow toward -z, axis at (0, 0.04) through the propellers' hubs. The
// scene puts its camera just under the belly, ahead of the gondola, at (0.46, -1.48, -2.42) here
// (watching the planes come in), so the envelope stays slim and the gondola keeps aft of that.
MkModel blimpTwo() {
    ModelBuilder b;
    b.Material("skin", "ab_tan.bmp", 230, 190, 165);
    b.Material("fin", "ab_fintan.bmp", 230, 190, 165);
    b.Material("gondola", "ab_gondola.bmp", 150, 110, 80);
    b.Material("metal", "ab_metal.bmp", 150, 155, 160);
    b.Material("prop", "ab_prop.bmp", 140, 100, 60);
    const Body hull{-8.8f, 7.8f, 1.35f, 0.5f, 0.7f, 0.0f, 0.04f};
    b.Object("hull", bodyMesh(hull, 36, 32), "skin");
    b.Object("fins", fins({{3.4f, 0.5f}, {7.7f, 0.1f}, {7.7f, 1.3f}, {6.6f, 2.5f}, {5.4f, 2.5f}}, 0.1f, 0, 0, 0.04f),
             "fin");
    b.Object("gondola", bodyMesh(Body{-1.5f, 3.8f, 0.45f, 0.3f, 0.4f, 0.0f, -1.3f, 0.8f}, 14, 16), "gondola");
    podsAndOutriggers(b, CAT_SKY_PART_TABLES[1], hull, 1.1f, -1.0f);
    b.Propellers(CAT_SKY_PART_TABLES[1], 0.5f, 4, 0.16f, 0.1f);
    return b.model;
}

// Blimp with five propellers, bow toward +z, axis at (0, 0.6) through the tail propeller; the side
// propellers hang a little below the axis on outriggers, the tail one pushes from behind an X tail.
MkModel blimpThree() {
    ModelBuilder b;
    b.Material("skin", "ab_sage.bmp", 190, 215, 175);
    b.Material("fin", "ab_finsage.bmp", 190, 215, 175);
    b.Material("gondola", "ab_gondola.bmp", 150, 110, 80);
    b.Material("metal", "ab_metal.bmp", 150, 155, 160);
    b.Material("prop", "ab_prop.bmp", 140, 100, 60);
    const CAT_PartTable& props = CAT_SKY_PART_TABLES[2];
    auto onAxis = [](const CAT_Part& p) { return std::fabs(p.a[0]) < 0.5f; }; // the tail's, the others ride out
    MkVec3 tailHub = MK_Vec3(0, 0.6f, -8.6f);
    for (int i = 0; i < props.count; ++i)
        if (onAxis(props.parts[i])) tailHub = at(props.parts[i].a);
    const Body hull{9.3f, tailHub.z + 0.35f, 1.7f, 0.5f, 0.7f, tailHub.x, tailHub.y};
    b.Object("hull", bodyMesh(hull, 36, 32), "skin");
    b.Object("fins", fins({{-4.4f, 0.7f}, {-6.3f, 2.4f}, {-7.9f, 2.4f}, {-7.95f, 0.2f}}, 0.1f, 45.0f, hull.cx, hull.cy),
             "fin");
    b.Object("gondola", bodyMesh(Body{3.8f, -2.2f, 0.5f, 0.3f, 0.4f, hull.cx, hull.cy - 1.9f, 0.8f}, 14, 16),
             "gondola");
    podsAndOutriggers(b, props, hull, 1.1f, 1.0f);
    for (int i = 0; i < props.count; ++i) { // the tail propeller is the larger one
        if (onAxis(props.parts[i]))
            b.Propeller(props.parts[i], 0.8f, 4, 0.22f, 0.16f);
        else
            b.Propeller(props.parts[i], 0.5f, 4, 0.16f, 0.1f);
    }
    return b.model;
}

// --- Planes (model units; drawn at 1/20, nose toward +z) -------------------------------------------------

// A wing or tailplane: a convex outline in plan, (z, x) pairs, laid flat at height y with the
// picture spread over it (u along z, v across the span from +x to -x).
MkMesh flatSurface(const std::vector<MkVec2>& plan, float thickness, float y) {
    MkMesh m = slab(plan, thickness); // built upright with the span along y
    MK_RotateZ(m, -90.0f);            // span onto x, thickness onto y
    MK_Translate(m, MK_Vec3(0, y, 0));
    return m;
}

void planeMaterials(ModelBuilder& b, const std::string& wing, const std::string& body) {
    b.Material("wing", wing, 150, 170, 110);
    b.Material("body", body, 150, 170, 110);
    b.Material("glass", "ab_glass.bmp", 80, 100, 150);
    b.Material("metal", "ab_metal.bmp", 150, 155, 160);
    b.Material("prop", "ab_prop.bmp", 140, 100, 60);
}

// Twin-engined pusher: an engine on each wing with its propeller behind the trailing edge.
MkModel planeOne() {
    ModelBuilder b;
    planeMaterials(b, "ab_wing1.bmp", "ab_body1.bmp");
    const CAT_PartTable& props = CAT_SKY_PART_TABLES[4];
    b.Object("fuselage", bodyMesh(Body{16.0f, -14.0f, 1.8f, 0.35f, 1.1f, 0, 0}, 24, 16), "body");
    b.Object("canopy", bodyMesh(Body{9.5f, 3.5f, 0.95f, 0.5f, 0.6f, 0, 1.45f, 0.8f}, 10, 12), "glass");
    b.Object("wing",
             flatSurface({{0.2f, 0}, {-1.8f, 20}, {-4.4f, 20}, {-5.8f, 0}, {-4.4f, -20}, {-1.8f, -20}}, 0.5f, -1.0f),
             "wing");
    MkMesh tail =
        flatSurface({{-10.4f, 0}, {-12.0f, 6}, {-14.0f, 6}, {-14.2f, 0}, {-14.0f, -6}, {-12.0f, -6}}, 0.3f, 0.3f);
    MkMesh fin = slab({{-9.8f, 0.3f}, {-14.3f, 0.3f}, {-14.3f, 5.2f}, {-12.6f, 5.2f}}, 0.3f);
    MK_Merge(tail, fin);
    b.Object("tail", tail, "wing");
    MkMesh nacelles;
    for (int i = 0; i < props.count; ++i) {
        const MkVec3 p = at(props.parts[i].a);
        MK_Merge(nacelles, bodyMesh(Body{p.z + 9.0f, p.z + 0.3f, 1.1f, 0.4f, 0.6f, p.x, p.y}, 14, 14));
    }
    b.Object("engines", nacelles, "metal");
    b.Propellers(props, 3.4f, 2, 0.8f, 0.5f);
    return b.model;
}

// Single pusher with a T tail: the propeller turns behind the tail cone, under the tailplane.
MkModel planeTwo() {
    ModelBuilder b;
    planeMaterials(b, "ab_wing2.bmp", "ab_body2.bmp");
    const CAT_PartTable& props = CAT_SKY_PART_TABLES[5];
    const MkVec3 hub = at(props.parts[0].a);
    b.Object("fuselage", bodyMesh(Body{17.0f, hub.z + 0.25f, 1.9f, 0.35f, 0.9f, hub.x, hub.y}, 24, 16), "body");
    b.Object("canopy", bodyMesh(Body{10.5f, 4.5f, 1.0f, 0.5f, 0.6f, hub.x, hub.y + 1.6f, 0.8f}, 10, 12), "glass");
    b.Object(
        "wing",
        flatSurface({{3.8f, 0}, {1.6f, 21}, {-1.4f, 21}, {-3.2f, 0}, {-1.4f, -21}, {1.6f, -21}}, 0.5f, hub.y - 0.3f),
        "wing");
    MkMesh tail = slab({{-6.8f, hub.y + 0.5f}, {-11.8f, hub.y + 0.5f}, {-12.6f, 4.4f}, {-10.2f, 4.4f}}, 0.35f);
    MK_Merge(tail,
             flatSurface({{-9.4f, 0}, {-10.8f, 6.5f}, {-12.6f, 6.5f}, {-12.8f, 0}, {-12.6f, -6.5f}, {-10.8f, -6.5f}},
                         0.3f, 4.45f));
    MK_Translate(tail, MK_Vec3(hub.x, 0, 0));
    b.Object("tail", tail, "wing");
    MkMesh shaft = rod(0.25f, MK_Vec3(hub.x, hub.y, hub.z + 0.6f), MK_Vec3(hub.x, hub.y, hub.z), 8);
    MK_BoxUV(shaft);
    b.Object("shaft", shaft, "metal");
    b.Propellers(props, 3.8f, 2, 0.85f, 0.5f);
    return b.model;
}

// --- Scenery ----------------------------------------------------------------------------------------------

// Smooth value noise in three dimensions, 0..1, from a fixed hash (the same every run).
float lattice(int x, int y, int z, Uint32 seed) {
    Uint32 h = Uint32(x) * 73856093u ^ Uint32(y) * 19349663u ^ Uint32(z) * 83492791u ^ seed * 2654435761u;
    h ^= h >> 13, h *= 0x5bd1e995u, h ^= h >> 15;
    return float(h & 0xFFFF) / 65535.0f;
}

float noise3(float x, float y, float z, Uint32 seed) {
    const int xi = int(std::floor(x)), yi = int(std::floor(y)), zi = int(std::floor(z));
    auto s = [](float t) { return t * t * (3 - 2 * t); };
    const float fx = s(x - xi), fy = s(y - yi), fz = s(z - zi);
    float c[2][2];
    for (int j = 0; j < 2; ++j)
        for (int k = 0; k < 2; ++k)
            c[j][k] = lattice(xi, yi + j, zi + k, seed) * (1 - fx) + lattice(xi + 1, yi + j, zi + k, seed) * fx;
    const float c0 = c[0][0] * (1 - fy) + c[1][0] * fy, c1 = c[0][1] * (1 - fy) + c[1][1] * fy;
    return c0 * (1 - fz) + c1 * fz;
}

float fbm3(float x, float y, float z, Uint32 seed) {
    float sum = 0, amp = 0.5f, norm = 0;
    for (int o = 0; o < 4; ++o, amp *= 0.5f, x *= 2.03f, y *= 2.03f, z *= 2.03f) {
        sum += amp * noise3(x, y, z, seed + o);
        norm += amp;
    }
    return sum / norm;
}

// The cliff, built in world units about its placement and divided by its scale (2, 1.3, 4) at the
// end: a steep-walled rock massif from below the sea (y -60 in the world) to a rough top at about
// y -8, its footprint a rounded rectangle 32 wide (x) by 80 long (z), its face toward +x at world
// x -29 or beyond, clear of blimp2's stern where the climb starts. Bays and buttresses run up the
// walls and ledges wander round them; the top is a separate rolling lid of grass and stone, mapped
// from above, which the last rings of wall rise with.
MkModel cliff() {
    ModelBuilder b;
    b.Material("rock", "ab_rock.bmp", 190, 170, 150);
    b.Material("top", "ab_clifftop.bmp", 150, 180, 110);
    const MkVec3 scale = MK_Vec3(2.0f, 1.3f, 4.0f);
    const float cx = -36.0f, ax = 16.0f, az = 40.0f; // centre and half sizes of the footprint
    const float yLow = -20.0f, yTop = 35.0f;         // the sea lies at -17 here
    const float yBrow = yTop - 1.5f;
    const int around = 128, walls = 28, lids = 9;
    auto lid = [&](float x, float z) {
        return 7.0f * (fbm3(x * 0.06f, 3.0f, z * 0.06f, 734) - 0.5f) +
               2.0f * (fbm3(x * 0.3f, 5.0f, z * 0.3f, 737) - 0.5f);
    };
    MkMesh wall, top;
    wall.positions.resize(size_t(walls + 1) * around);
    wall.uvs.resize(wall.positions.size());
    top.positions.resize(size_t(lids + 1) * around + 1);
    top.uvs.resize(top.positions.size());
    for (int k = 0; k < around; ++k) {
        const float a = 2 * kPi * k / around, c = std::cos(a), s = std::sin(a);
        // superellipse: flat walls with rounded corners
        const float px = std::copysign(std::sqrt(std::fabs(c)), c), pz = std::copysign(std::sqrt(std::fabs(s)), s);
        const float len = std::sqrt(px * px + pz * pz), u = std::min(a, 2 * kPi - a) / kPi;
        for (int j = 0; j <= walls; ++j) {
            const float t = float(j) / walls, y = yLow + (yBrow - yLow) * t;
            // scree at the foot, then walls leaning back a little, with ledges that come and go
            float share = 1.0f + 0.14f * PIC_Smooth(0.25f, 0.0f, t) - 0.08f * t;
            share -= 0.05f * PIC_Smooth(0.55f, 0.7f, noise3(a * 4.0f, y * 0.35f, 0, 735));
            MkVec3 p = MK_Vec3(cx + ax * share * px, y, az * share * pz);
            const float out = 10.0f * (fbm3(p.x * 0.09f, y * 0.04f, p.z * 0.09f, 731) - 0.5f) +
                              5.0f * (fbm3(p.x * 0.3f, y * 0.09f, p.z * 0.3f, 732) - 0.5f) +
                              2.0f * (fbm3(p.x * 0.8f, y * 0.6f, p.z * 0.8f, 733) - 0.5f);
            p.x += out * px / len, p.z += out * pz / len;
            p.y += 0.6f * (noise3(p.x * 0.5f, y * 0.5f, p.z * 0.5f, 736) - 0.5f) +
                   lid(p.x, p.z) * PIC_Smooth(yTop - 9.0f, yBrow, y);
            wall.positions[size_t(j) * around + k] = p;
            wall.uvs[size_t(j) * around + k] = {u, 1.0f - t};
        }
        // the lid: from the brow in toward the middle, rising gently
        const MkVec3 brow = wall.positions[size_t(walls) * around + k];
        for (int r = 0; r <= lids; ++r) {
            const float f = 1.0f - 0.95f * float(r) / lids;
            MkVec3 p = MK_Vec3(cx + f * (brow.x - cx), 0, f * brow.z);
            p.y = r == 0 ? brow.y : yTop + 1.5f * std::sqrt(1.0f - f * f) + lid(p.x, p.z);
            top.positions[size_t(r) * around + k] = p;
        }
    }
    const Uint32 apex = Uint32(top.positions.size() - 1);
    top.positions[apex] = MK_Vec3(cx, yTop + 1.5f + lid(cx, 0), 0);
    // one winding for both lathes: counter-clockwise seen from outside and from above
    auto stitch = [&](MkMesh& m, int rings) {
        for (int j = 0; j + 1 < rings; ++j)
            for (int k = 0; k < around; ++k) {
                const Uint32 a = Uint32(j * around + k), b2 = Uint32(j * around + (k + 1) % around);
                const Uint32 c = b2 + around, d = a + around;
                m.faces.push_back({a, d, c});
                m.faces.push_back({a, c, b2});
            }
    };
    stitch(wall, walls + 1);
    stitch(top, lids + 1);
    for (int k = 0; k < around; ++k)
        top.faces.push_back({Uint32(lids * around + k), apex, Uint32(lids * around + (k + 1) % around)});
    MK_PlanarUV(top, MK_AXIS_Y);
    for (MkMesh* m : {&wall, &top})
        MK_Scale(*m, MK_Vec3(1 / scale.x, 1 / scale.y, 1 / scale.z));
    b.Object("rock", wall, "rock");
    b.Object("top", top, "top");
    return b.model;
}

// A cloud: a heap of puffs over a flat base, built in world units about the placement (y 50) and
// halved for the scale of 2. Bases at world y 24, tops no higher than 34. Broad flat puffs spread
// the base; rounder, smaller ones pile up toward the middle, which gives the lumpy top of a cumulus.
MkModel cloud(Uint32 seed, int puffs, float rx, float rz) {
    ModelBuilder b;
    b.Material("cloud", "ab_cloud.bmp", 250, 250, 255);
    AgRandom rnd(seed);
    const float base = -26.0f, ceiling = -16.0f;
    MkMesh m;
    for (int i = 0; i < puffs; ++i) {
        const bool spread = i < puffs / 4; // the first quarter lays the base
        const float a = rnd.Range(0, 2 * kPi), d = std::sqrt(rnd.Unit()) * (spread ? 1.0f : 0.75f);
        const float x = rx * d * std::cos(a), z = rz * d * std::sin(a);
        const float size = spread ? rnd.Range(6.5f, 9.5f) : (1.0f - 0.5f * d) * rnd.Range(3.0f, 5.5f);
        // how high the puff's top reaches: near the ceiling in the middle, low at the rim
        const float top =
            base + (ceiling - base) * (spread ? rnd.Range(0.2f, 0.35f) : rnd.Range(0.55f, 1.0f) * (1 - d * d));
        const float height = std::min(size * (spread ? 0.4f : rnd.Range(0.6f, 0.8f)), std::max(top - base, 1.0f));
        MkMesh puff = MK_Sphere(1.0f, 14, 8);
        MK_Scale(puff, MK_Vec3(size, height, size * rnd.Range(0.8f, 1.1f)));
        MK_Translate(puff, MK_Vec3(x, std::max(top, base + 1.0f) - height, z));
        for (MkVec3& p : puff.positions)
            p.y = std::max(p.y, base); // flat underneath
        MK_Merge(m, puff);
    }
    MK_PlanarUV(m, MK_AXIS_Z);
    MK_Scale(m, MK_Vec3(0.5f, 0.5f, 0.5f));
    b.Object("cloud", m, "cloud");
    return b.model;
}

} // namespace

void AddSceneTwoAssets(AssetSink& sink) {
    addPictures(sink);
    const MkModel models[CAT_SKY_MESH_COUNT] = {dirigible(),
                                                blimpTwo(),
                                                blimpThree(),
                                                cliff(),
                                                planeOne(),
                                                planeTwo(),
                                                cloud(741, 64, 22.0f, 18.0f),
                                                cloud(742, 56, 19.0f, 21.0f)};
    for (int i = 0; i < CAT_SKY_MESH_COUNT; ++i)
        sink.AddModel(CAT_SKY_MESHES[i], models[i]);
}
