// scene1_land: the beach (one height field from the sea floor up to the dunes) and the rock in the bay.
#include <algorithm>
#include <cmath>
#include <vector>

#include "core/catalogue.h"
#include "scene1_layout.h"

namespace {

constexpr float kPi = 3.14159265358979f;

// --- The shore ----------------------------------------------------------------------------------------

// The waterline, north to south-west, as (x, z); the land lies to its west. The beach runs along x = 5,
// then bends west round the bay whose water holds the rock, and turns south again past it.
const MkVec2 kShoreKnots[] = {{24, 420},  {16, 280},   {10, 190},   {6.5f, 130},  {5, 100},    {3.5f, 80},
                              {-2, 64},   {-14, 54},   {-32, 48},   {-55, 46},    {-80, 45},   {-102, 38},
                              {-118, 20}, {-129, -15}, {-139, -70}, {-151, -150}, {-170, -300}};

// The waterline as a dense polyline (Catmull-Rom through the knots).
const std::vector<MkVec2>& shoreLine() {
    static const std::vector<MkVec2> line = [] {
        std::vector<MkVec2> out;
        const int n = int(sizeof kShoreKnots / sizeof kShoreKnots[0]);
        for (int i = 0; i + 1 < n; ++i) {
            const MkVec2 p0 = kShoreKnots[std::max(i - 1, 0)], p1 = kShoreKnots[i], p2 = kShoreKnots[i + 1],
                         p3 = kShoreKnots[std::min(i + 2, n - 1)];
            for (int s = 0; s < 16; ++s) {
                const float t = s / 16.0f, t2 = t * t, t3 = t2 * t;
                auto cr = [&](float a, float b, float c, float d) {
                    return 0.5f *
                           (2 * b + (c - a) * t + (2 * a - 5 * b + 4 * c - d) * t2 + (3 * b - a - 3 * c + d) * t3);
                };
                out.push_back({cr(p0.u, p1.u, p2.u, p3.u), cr(p0.v, p1.v, p2.v, p3.v)});
            }
        }
        out.push_back(kShoreKnots[n - 1]);
        return out;
    }();
    return line;
}

bool onLand(float x, float z) {
    // the waterline closed far to the west encloses the land (even-odd rule)
    std::vector<MkVec2> poly = shoreLine();
    poly.push_back({-600, -300});
    poly.push_back({-600, 420});
    bool inside = false;
    for (size_t i = 0, j = poly.size() - 1; i < poly.size(); j = i++)
        if ((poly[i].v > z) != (poly[j].v > z) &&
            x < (poly[j].u - poly[i].u) * (z - poly[i].v) / (poly[j].v - poly[i].v) + poly[i].u)
            inside = !inside;
    return inside;
}

float exactShoreDistance(float x, float z) {
    const std::vector<MkVec2>& line = shoreLine();
    float best = 1e30f;
    for (size_t i = 0; i + 1 < line.size(); ++i) {
        const float ax = line[i].u, az = line[i].v, dx = line[i + 1].u - ax, dz = line[i + 1].v - az;
        const float t = std::clamp(((x - ax) * dx + (z - az) * dz) / (dx * dx + dz * dz), 0.0f, 1.0f);
        best = std::min(best, std::hypot(x - ax - t * dx, z - az - t * dz));
    }
    return onLand(x, z) ? best : -best;
}

// The distance sampled once on a 2-unit lattice over the beach and read back bilinearly: the picture
// asks for it a million times.
constexpr float kFieldX0 = -220, kFieldZ0 = -220, kFieldStep = 2;
constexpr int kFieldW = 250, kFieldH = 300;

const std::vector<float>& distanceField() {
    static const std::vector<float> field = [] {
        std::vector<float> f(size_t(kFieldW) * kFieldH);
        for (int j = 0; j < kFieldH; ++j)
            for (int i = 0; i < kFieldW; ++i)
                f[size_t(j) * kFieldW + i] = exactShoreDistance(kFieldX0 + i * kFieldStep, kFieldZ0 + j * kFieldStep);
        return f;
    }();
    return field;
}

float noise(float x, float z, float scale, int octaves, Uint32 seed) {
    return PIC_Noise(x + 1000.0f, z + 1000.0f, scale, octaves, seed); // the lattice starts at 0
}

// Dry sand lies level round the fire and the chair, so both stand on it.
float levelled(float x, float z) {
    const float fire = std::hypot(x - NB_FIRE_PLACE.position.x, z - NB_FIRE_PLACE.position.z);
    const float chair = std::hypot(x - NB_CHAIR_PLACE.position.x, z - NB_CHAIR_PLACE.position.z);
    return PIC_Smooth(4.0f, 10.0f, std::min(fire, chair));
}

// --- The beach model ----------------------------------------------------------------------------------

// Grid lines, dense where the camera goes, sparse over the far sea floor and the far dunes; the
// picture follows the same warp so that its pixels are spent where they are seen.
struct Axis {
    std::vector<float> lines;          // world coordinates
    std::vector<float> knotsW, knotsT; // piecewise-linear world -> texture
    float ToTex(float w) const {
        for (size_t i = 0; i + 1 < knotsW.size(); ++i)
            if (w <= knotsW[i + 1])
                return knotsT[i] + (knotsT[i + 1] - knotsT[i]) * (w - knotsW[i]) / (knotsW[i + 1] - knotsW[i]);
        return knotsT.back();
    }
    float ToWorld(float t) const {
        for (size_t i = 0; i + 1 < knotsT.size(); ++i)
            if (t <= knotsT[i + 1])
                return knotsW[i] + (knotsW[i + 1] - knotsW[i]) * (t - knotsT[i]) / (knotsT[i + 1] - knotsT[i]);
        return knotsW.back();
    }
};

Axis makeAxis(float lo, float denseLo, float denseHi, float hi, float tLo, float tHi) {
    Axis a;
    for (float w = lo; w < denseLo; w += 10)
        a.lines.push_back(w);
    for (float w = denseLo; w < denseHi; w += 2.5f)
        a.lines.push_back(w);
    for (float w = denseHi; w <= hi; w += 10)
        a.lines.push_back(w);
    a.knotsW = {lo, denseLo, denseHi, hi};
    a.knotsT = {0, tLo, tHi, 1};
    return a;
}

const Axis& axisX() {
    static const Axis a = makeAxis(-200, -110, 40, 250, 0.1f, 0.85f);
    return a;
}
const Axis& axisZ() {
    static const Axis a = makeAxis(-200, -20, 240, 340, 0.08f, 0.92f);
    return a;
}

MkMesh beachMesh() {
    const Axis &ax = axisX(), &az = axisZ();
    MkMesh m;
    const Uint32 cols = Uint32(ax.lines.size()), rows = Uint32(az.lines.size());
    for (float z : az.lines)
        for (float x : ax.lines) {
            m.positions.push_back({x, NB_GroundHeight(x, z), z});
            m.uvs.push_back({ax.ToTex(x), az.ToTex(z)});
        }
    for (Uint32 j = 0; j + 1 < rows; ++j)
        for (Uint32 i = 0; i + 1 < cols; ++i) {
            const Uint32 a = j * cols + i, b = a + 1, d = a + cols, c = d + 1; // b along +x, d along +z
            m.faces.push_back({a, d, c});                                      // counter-clockwise from above
            m.faces.push_back({a, c, b});
        }
    return m;
}

AgColor mix(AgColor a, AgColor b, float t) {
    return PIC_Mix(a, b, std::clamp(t, 0.0f, 1.0f));
}

// The beach is drawn at (15, 20, 15) without renormalised normals, so its diffuse light falls to a
// fifteenth and the ambient alone shows it: the sand is as near white as a picture gets.
AgImage sandPicture() {
    const Axis &ax = axisX(), &az = axisZ();
    const int size = 1024;
    AgImage img(size, size);
    const AgColor deep = PIC_Rgb(60, 95, 110), shallow = PIC_Rgb(150, 160, 140), wet = PIC_Rgb(200, 185, 150),
                  dry = PIC_Rgb(255, 248, 225), dune = PIC_Rgb(250, 235, 200), grass = PIC_Rgb(170, 205, 120),
                  wrack = PIC_Rgb(120, 100, 70);
    for (int py = 0; py < size; ++py)
        for (int px = 0; px < size; ++px) {
            const float x = ax.ToWorld((px + 0.5f) / size), z = az.ToWorld((py + 0.5f) / size);
            const float d = NB_ShoreDistance(x, z), grain = noise(x, z, 1.5f, 3, 11), patch = noise(x, z, 18, 4, 12);
            AgColor c;
            if (d < 0) {
                c = mix(shallow, deep, -d / 30.0f);
            } else {
                c = mix(wet, dry, PIC_Smooth(1.0f, 7.0f, d));
                c = mix(c, wrack,
                        0.5f * (1 - PIC_Smooth(0.6f, 1.6f, std::fabs(d - 9 - 2 * patch))) * patch); // the tide line
                c = mix(c, dune, PIC_Smooth(40, 70, d));
                const float tuft = PIC_Smooth(45, 90, d) * PIC_Smooth(0.5f, 0.62f, noise(x, z, 6, 3, 13));
                c = mix(c, grass, tuft);
                // ripples across the dry sand, brighter crests
                const float ripple =
                    std::sin((d + 3 * patch) * 2.4f) * PIC_Smooth(3, 10, d) * (1 - PIC_Smooth(35, 50, d));
                c = PIC_Mix(c, PIC_Rgb(255, 245, 215), 0.12f * std::max(ripple, 0.0f));
            }
            const float f = 0.86f + 0.28f * grain;
            img.At(px, py) = AgColor{std::min(c.r * f, 1.0f), std::min(c.g * f, 1.0f), std::min(c.b * f, 1.0f), 1};
        }
    // pebbles and shells on the dry sand
    AgRandom rnd(14);
    for (int i = 0; i < 2500; ++i) {
        const float u = rnd.Unit(), v = rnd.Unit(), d = NB_ShoreDistance(ax.ToWorld(u), az.ToWorld(v));
        const float r = rnd.Range(0.6f, 1.6f);
        const AgColor c = rnd.Unit() < 0.5f ? PIC_Rgb(255, 250, 240) : PIC_Rgb(150, 140, 130);
        if (d > 2 && d < 40) PIC_Disc(img, u * size, v * size, r, c, 0.7f);
    }
    return img;
}

// --- The rock -----------------------------------------------------------------------------------------

constexpr float kRockX = -24, kRockZ = 12;  // centre of the plateau
constexpr float kRockAX = 34, kRockAZ = 23; // its half sizes
constexpr int kRockSegments = 160;

// A small periodic wobble of the rim, as a function of the angle's fraction of a turn.
float rimWobble(float turn) {
    return 0.06f * (PIC_TileNoise(turn * 256.0f, 0.5f, 256, 9, 3, 21) - 0.5f) * 2.0f;
}

// Point of the rim at a fraction of a turn (the rounded rectangle |x/a|^4 + |z/b|^4 = 1, wobbled).
MkVec2 rimPoint(float turn, float grow) {
    const float a = 2 * kPi * turn, c = std::cos(a), s = std::sin(a);
    const float r =
        1.0f / std::pow(std::pow(std::fabs(c) / kRockAX, 4.0f) + std::pow(std::fabs(s) / kRockAZ, 4.0f), 0.25f);
    const float rr = r * (1 + rimWobble(turn)) + grow;
    return {kRockX + rr * c, kRockZ + rr * s};
}

MkMesh rockTop() {
    MkMesh m;
    const int rings = 6;
    m.positions.push_back({kRockX, NB_PLATEAU_Y, kRockZ});
    m.uvs.push_back({0.5f, 0.5f});
    for (int k = 1; k <= rings; ++k)
        for (int i = 0; i < kRockSegments; ++i) {
            const MkVec2 p = rimPoint(float(i) / kRockSegments, 0);
            const float f = float(k) / rings;
            m.positions.push_back({kRockX + (p.u - kRockX) * f, NB_PLATEAU_Y, kRockZ + (p.v - kRockZ) * f});
            m.uvs.push_back({0, 0});
        }
    auto at = [&](int k, int i) { return k == 0 ? 0u : Uint32(1 + (k - 1) * kRockSegments + (i % kRockSegments)); };
    for (int k = 0; k < rings; ++k)
        for (int i = 0; i < kRockSegments; ++i) {
            if (k == 0) {
                // the angle turns x towards z, which seen from +y is clockwise: so back along it
                m.faces.push_back({at(0, 0), at(1, i + 1), at(1, i)});
                continue;
            }
            m.faces.push_back({at(k, i), at(k, i + 1), at(k + 1, i + 1)});
            m.faces.push_back({at(k, i), at(k + 1, i + 1), at(k + 1, i)});
        }
    MK_PlanarUV(m, MK_AXIS_Y);
    return m;
}

MkMesh rockCliff() {
    // rows from the rim down to below the sea floor; the face leans out and bulges in strata
    const std::vector<float> heights = {NB_PLATEAU_Y, 18.4f, 17.2f, 15.5f, 13.5f, 11.5f, 9.5f,  7.5f,
                                        5.5f,         3.5f,  2.0f,  0.8f,  -0.5f, -2.5f, -5.0f, -9.0f};
    MkMesh m;
    const int rows = int(heights.size());
    for (int j = 0; j < rows; ++j) {
        const float y = heights[j], drop = NB_PLATEAU_Y - y;
        for (int i = 0; i <= kRockSegments; ++i) {
            const float turn = float(i % kRockSegments) / kRockSegments;
            const float strata =
                j == 0 ? 0.0f : 1.4f * (PIC_TileNoise(turn * 512.0f, y * 6.0f + 300, 512, 24, 3, 22) - 0.5f) * 2;
            const float lip = j == 0 ? 0.0f : 0.5f;
            const float foot = y < 2.0f ? (2.0f - y) * 0.9f : 0.0f;
            // the lean changes round the rock: steep walls, slopes of scree, and a buttress or two
            const float lean = 0.06f + 0.32f * PIC_TileNoise(turn * 256.0f, 40.5f, 256, 6, 2, 23);
            const MkVec2 p = rimPoint(turn, lip + lean * drop + foot + strata);
            m.positions.push_back({p.u, y, p.v});
            m.uvs.push_back({std::fabs(turn < 0.5f ? turn : 1 - turn) * 2, float(j) / (rows - 1)});
        }
    }
    const Uint32 cols = kRockSegments + 1;
    for (int j = 0; j + 1 < rows; ++j)
        for (Uint32 i = 0; i < Uint32(kRockSegments); ++i) {
            const Uint32 a = j * cols + i, b = a + 1, d = a + cols, c = d + 1;
            m.faces.push_back({a, b, c}); // outward: along the angle, then down a row
            m.faces.push_back({a, c, d});
        }
    return m;
}

AgImage cliffPicture() {
    const int w = 512, h = 256;
    AgImage img(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const float band = PIC_TileNoise(float(x) * 0.15f, float(y) * 1.0f, 512, 16, 3, 31);
            const float crack = PIC_TileNoise(float(x), float(y) * 0.1f, 512, 64, 2, 32);
            float f = 0.75f + 0.45f * band;
            if (crack > 0.72f) f *= 0.65f;
            const float wetBase = PIC_Smooth(0.72f, 0.8f, float(y) / h); // dark, weedy below the waterline
            AgColor c = PIC_Mix(PIC_Rgb(225, 205, 180), PIC_Rgb(110, 120, 95), wetBase);
            if ((y / 4) % 7 == 0) f *= 0.85f; // thin strata lines
            img.At(x, y) = AgColor{std::min(c.r * f, 1.0f), std::min(c.g * f, 1.0f), std::min(c.b * f, 1.0f), 1};
        }
    return img;
}

AgImage rockTopPicture() {
    AgImage img = PIC_Noisy(256, PIC_Rgb(190, 200, 140), 0.25f, 8, 33);
    AgRandom rnd(34);
    for (int i = 0; i < 300; ++i)
        PIC_Disc(img, rnd.Range(0, 255), rnd.Range(0, 255), rnd.Range(1, 3), PIC_Rgb(210, 200, 180), 1);
    return img;
}

} // namespace

float NB_ShoreDistance(float x, float z) {
    const std::vector<float>& f = distanceField();
    const float fx = std::clamp((x - kFieldX0) / kFieldStep, 0.0f, kFieldW - 1.001f);
    const float fz = std::clamp((z - kFieldZ0) / kFieldStep, 0.0f, kFieldH - 1.001f);
    const int i = int(fx), j = int(fz);
    const float tx = fx - i, tz = fz - j;
    auto at = [&](int a, int b) { return f[size_t(b) * kFieldW + a]; };
    return (at(i, j) * (1 - tx) + at(i + 1, j) * tx) * (1 - tz) +
           (at(i, j + 1) * (1 - tx) + at(i + 1, j + 1) * tx) * tz;
}

float NB_GroundHeight(float x, float z) {
    const float d = NB_ShoreDistance(x, z);
    if (d < 0) return -8.0f * PIC_Smooth(0.0f, 45.0f, -d); // the sea floor settles 8 below the water
    const float e = std::min(d, 26.0f) / 26.0f;
    float h = NB_SAND_Y * (1 - (1 - e) * (1 - e));
    h += 0.35f * (noise(x, z, 9, 2, 1) - 0.5f) * 2 * PIC_Smooth(4, 14, d) * levelled(x, z); // small swells
    h += 12.0f * PIC_Smooth(48, 120, d) + 10.0f * PIC_Smooth(120, 230, d);                  // the dunes behind
    h += 4.0f * (noise(x, z, 30, 3, 2) - 0.5f) * 2 * PIC_Smooth(50, 90, d);
    return h;
}

float NB_PlateauShape(float x, float z) {
    const float dx = x - kRockX, dz = z - kRockZ, r = std::hypot(dx, dz);
    if (r == 0) return 0;
    float a = std::atan2(dz, dx) / (2 * kPi);
    if (a < 0) a += 1;
    const MkVec2 rim = rimPoint(a, 0);
    return r / std::hypot(rim.u - kRockX, rim.v - kRockZ);
}

void NB_AddLand(AssetSink& sink) {
    sink.AddBMP24("nb_sand.bmp", sandPicture());
    sink.AddBMP24("nb_cliff.bmp", cliffPicture());
    sink.AddBMP24("nb_rocktop.bmp", rockTopPicture());

    MkModel beach;
    MK_AddMaterial(beach, "sand", 230, 210, 170, "nb_sand.bmp");
    MkMesh ground = beachMesh();
    NB_ToModel(ground, NB_BEACH_PLACE);
    MK_AddObject(beach, "beach", ground, "sand");
    sink.AddModel(CAT_BEACH_MESHES[0], beach);

    MkModel rock;
    MK_AddMaterial(rock, "cliff", 200, 180, 160, "nb_cliff.bmp");
    MK_AddMaterial(rock, "top", 170, 180, 130, "nb_rocktop.bmp");
    MkMesh cliff = rockCliff(), top = rockTop();
    NB_ToModel(cliff, NB_ROCK_PLACE);
    NB_ToModel(top, NB_ROCK_PLACE);
    MK_AddObject(rock, "cliff", cliff, "cliff");
    MK_AddObject(rock, "plateau", top, "top");
    sink.AddModel(CAT_BEACH_MESHES[1], rock);
}
