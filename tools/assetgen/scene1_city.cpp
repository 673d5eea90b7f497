// scene1_city: the small city on the rock's plateau, built round the square whose fountain the scene
// sprays at (-10.6, 19, 15.6).
//
// The square opens north, towards the beach and the camera that ends its opening flight above the
// rim at (-13, 24, 30); the figures rise from a ring 3 units above the fountain and leave north-east
// for the gathering point, so the houses on that side stay low. An avenue runs south from the square
// past (-13, 3.6), where the camera later stands 6 units above the paving. A lighthouse keeps the
// plateau's empty west end.
#include <algorithm>
#include <cmath>
#include <vector>

#include "core/catalogue.h"
#include "scene1_layout.h"

namespace {

constexpr float kPi = 3.14159265358979f;
constexpr float kPlazaRadius = 9.5f;
constexpr float kBasinRadius = 4.9f;
constexpr float kPlazaY = NB_CITY_Y + 0.07f;
constexpr float kWaterY = 18.96f; // just below where the spray lands (y = 19)

// --- Pictures -----------------------------------------------------------------------------------------

AgColor scaled(AgColor c, float f) {
    return AgColor{std::min(c.r * f, 1.0f), std::min(c.g * f, 1.0f), std::min(c.b * f, 1.0f), c.a};
}

// A whitewashed wall with floors x columns of windows; most are lit, for the night.
AgImage wallPicture(int floors, int columns, AgColor wall, Uint32 seed) {
    AgImage img = PIC_Noisy(128, wall, 0.08f, 4, seed);
    AgRandom rnd(seed + 1);
    const int fh = 128 / floors, cw = 128 / columns;
    for (int f = 0; f < floors; ++f) {
        PIC_Rect(img, 0, f * fh, 127, f * fh + 1, PIC_Rgb(200, 185, 165)); // a band between floors
        for (int c = 0; c < columns; ++c) {
            const int x0 = c * cw + cw / 4, x1 = c * cw + cw * 3 / 4, y0 = f * fh + fh / 4, y1 = f * fh + fh * 4 / 5;
            const bool door = f == floors - 1 && c == columns / 2;
            const bool lit = rnd.Unit() < 0.7f;
            AgColor glass = lit ? PIC_Rgb(255, 215, 110) : PIC_Rgb(70, 85, 120);
            if (door) glass = PIC_Rgb(150, 95, 60);
            PIC_Rect(img, x0 - 1, y0 - 1, x1 + 1, door ? 127 : y1 + 1, PIC_Rgb(120, 90, 70));
            PIC_Rect(img, x0, y0, x1, door ? 127 : y1, glass);
            if (lit && !door) {
                PIC_Rect(img, (x0 + x1) / 2, y0, (x0 + x1) / 2, y1, PIC_Rgb(160, 120, 70)); // the frame's cross
                PIC_Rect(img, x0, (y0 + y1) / 2, x1, (y0 + y1) / 2, PIC_Rgb(160, 120, 70));
            }
        }
    }
    return img;
}

AgImage pavingPicture() {
    AgImage img = PIC_Noisy(512, PIC_Rgb(225, 215, 195), 0.12f, 16, 41);
    AgRandom rnd(42);
    for (int by = 0; by < 512; by += 16)
        for (int bx = 0; bx < 512; bx += 16) {
            const float f = rnd.Range(0.88f, 1.08f);
            for (int y = by; y < by + 16; ++y)
                for (int x = bx; x < bx + 16; ++x)
                    img.At(x, y) = (x == bx || y == by) ? PIC_Rgb(150, 140, 125) : scaled(img.At(x, y), f);
        }
    return img;
}

AgImage plazaPicture() {
    const int size = 256;
    AgImage img = PIC_Noisy(size, PIC_Rgb(235, 225, 205), 0.1f, 8, 43);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const float dx = x - 127.5f, dy = y - 127.5f, r = std::hypot(dx, dy) / 128.0f * kPlazaRadius;
            const float a = std::atan2(dy, dx);
            const bool ring = std::fmod(r, 1.2f) < 0.09f, ray = std::fabs(std::sin(a * 12)) < 0.05f && r > 5.5f;
            if (ring || ray) img.At(x, y) = PIC_Rgb(150, 135, 120);
            if (r > 6.2f && r < 7.0f) img.At(x, y) = scaled(PIC_Rgb(200, 150, 110), 1.0f); // a terracotta band
        }
    return img;
}

void addPictures(AssetSink& sink) {
    const AgColor white = PIC_Rgb(248, 240, 225), ochre = PIC_Rgb(250, 215, 160), rose = PIC_Rgb(250, 200, 190);
    sink.AddBMP24("nb_wall2.bmp", wallPicture(2, 3, white, 51));
    sink.AddBMP24("nb_wall3.bmp", wallPicture(3, 4, ochre, 52));
    sink.AddBMP24("nb_wall4.bmp", wallPicture(4, 2, rose, 53));
    sink.AddBMP24("nb_tower.bmp", wallPicture(6, 2, PIC_Rgb(235, 225, 205), 54));
    sink.AddBMP24("nb_roof.bmp", [] {
        AgImage img = PIC_Noisy(64, PIC_Rgb(245, 125, 85), 0.12f, 4, 55);
        for (int y = 0; y < 64; y += 6)
            PIC_Rect(img, 0, y, 63, y, PIC_Rgb(150, 70, 50));
        return img;
    }());
    sink.AddBMP24("nb_flatroof.bmp", PIC_Noisy(64, PIC_Rgb(205, 200, 190), 0.15f, 4, 56));
    sink.AddBMP24("nb_dome.bmp", [] {
        AgImage img = PIC_Noisy(64, PIC_Rgb(120, 215, 200), 0.12f, 4, 57);
        for (int x = 0; x < 64; x += 8)
            PIC_Rect(img, x, 0, x, 63, PIC_Rgb(250, 220, 120)); // gilded ribs
        return img;
    }());
    sink.AddBMP24("nb_paving.bmp", pavingPicture());
    sink.AddBMP24("nb_plaza.bmp", plazaPicture());
    sink.AddBMP24("nb_water.bmp", [] {
        AgImage img = PIC_Noisy(64, PIC_Rgb(110, 170, 235), 0.2f, 4, 58);
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x)
                if (PIC_TileNoise(float(x), float(y), 64, 8, 2, 59) > 0.62f) img.At(x, y) = PIC_Rgb(200, 235, 255);
        return img;
    }());
    sink.AddBMP24("nb_cypress.bmp", PIC_Noisy(64, PIC_Rgb(80, 160, 95), 0.3f, 8, 60));
    sink.AddBMP24("nb_lighthouse.bmp", [] {
        AgImage img(64, 128, PIC_Rgb(250, 245, 240));
        for (int y = 0; y < 128; ++y)
            if ((y / 22) % 2 == 1)
                for (int x = 0; x < 64; ++x)
                    img.At(x, y) = PIC_Rgb(240, 90, 80);
        return img;
    }());
    sink.AddBMP24("nb_lantern.bmp", [] {
        AgImage img(64, 64, PIC_Rgb(255, 245, 170));
        for (int x = 0; x < 64; x += 16)
            PIC_Rect(img, x, 0, x + 1, 63, PIC_Rgb(90, 80, 70));
        return img;
    }());
}

// --- Geometry -----------------------------------------------------------------------------------------

struct Building {
    float x0, x1, z0, z1; // footprint
    float height;
    const char* wall; // material
    enum Roof { kFlat, kPyramid, kDome } roof;
};

// North (+z) is open; the north-east houses stay under the figures' climb to the gathering point.
const Building kBuildings[] = {
    {-32, -22, 18, 28, 5, "wall2", Building::kPyramid},   {-33, -22.5f, 5.5f, 16, 8, "wall3", Building::kDome},
    {-36, -24.5f, -6, 3.5f, 6, "wall2", Building::kFlat}, {-22, -17.5f, -8, -3, 13, "tower", Building::kPyramid},
    {-22, -16.5f, -2, 5, 6, "wall4", Building::kFlat},    {-8.5f, -2, -6, 4.5f, 7, "wall3", Building::kPyramid},
    {-1, 4, -3, 5, 5, "wall2", Building::kFlat},          {1, 6.5f, 8, 14.5f, 4, "wall4", Building::kFlat},
    {0.5f, 5, 17, 23, 2.8f, "wall2", Building::kFlat},    {-37, -31, 21, 29, 4, "wall4", Building::kPyramid},
    {-15, -9, -9, -5, 5, "wall4", Building::kFlat}, // closes the avenue's far end
};

MkMesh boxAt(float x0, float x1, float y0, float y1, float z0, float z1) {
    MkMesh m = MK_Box(MK_Vec3(x1 - x0, y1 - y0, z1 - z0));
    MK_Translate(m, MK_Vec3((x0 + x1) / 2, (y0 + y1) / 2, (z0 + z1) / 2));
    return m;
}

// A four-sided roof over a footprint, its eaves a little out from the walls.
MkMesh pyramid(const Building& b, float y0, float h) {
    const float hx = (b.x1 - b.x0) / 2 + 0.3f, hz = (b.z1 - b.z0) / 2 + 0.3f;
    MkMesh m = MK_Cone(std::sqrt(2.0f), h, 4);
    MK_RotateY(m, 45.0f);
    MK_Scale(m, MK_Vec3(hx, 1, hz));
    MK_Translate(m, MK_Vec3((b.x0 + b.x1) / 2, y0, (b.z0 + b.z1) / 2));
    return m;
}

// A drum and a half-round dome on top of a roof.
MkMesh dome(float cx, float cz, float y0, float r) {
    std::vector<MkVec2> profile = {{r * 1.05f, y0}, {r * 1.05f, y0 + 1.2f}};
    for (int i = 0; i <= 8; ++i) {
        const float a = kPi / 2 * i / 8;
        profile.push_back({std::max(r * std::cos(a), 0.0f), y0 + 1.2f + r * std::sin(a)});
    }
    profile.back().u = 0;
    MkMesh m = MK_Lathe(profile, 24);
    MK_Translate(m, MK_Vec3(cx, 0, cz));
    MK_CylindricalUV(m);
    return m;
}

MkMesh cypress(float x, float z, float h) {
    MkMesh m = MK_Lathe({{0.25f, 0}, {0.7f, h * 0.15f}, {0.85f, h * 0.4f}, {0.55f, h * 0.75f}, {0.0f, h}}, 10);
    MK_CylindricalUV(m);
    MK_Translate(m, MK_Vec3(x, NB_CITY_Y - 0.05f, z));
    return m;
}

// The paving: a lattice of 1-unit cells inside the plateau's rim, east of x = -40, open round the
// fountain where the square's own paving lies.
MkMesh pavement() {
    MkMesh m;
    const float x0 = -40, x1 = 12, z0 = -14, z1 = 38;
    const int cols = int(x1 - x0), rows = int(z1 - z0);
    auto inside = [&](float x, float z) {
        return NB_PlateauShape(x, z) < 0.95f && std::hypot(x - NB_FOUNTAIN.x, z - NB_FOUNTAIN.z) > kBasinRadius + 1.2f;
    };
    std::vector<Sint32> index(size_t(cols + 1) * (rows + 1), -1);
    auto vertex = [&](int i, int j) {
        Sint32& k = index[size_t(j) * (cols + 1) + i];
        if (k < 0) {
            k = Sint32(m.positions.size());
            m.positions.push_back(MK_Vec3(x0 + i, NB_CITY_Y, z0 + j));
            m.uvs.push_back({float(i) / cols, float(j) / rows});
        }
        return Uint32(k);
    };
    for (int j = 0; j < rows; ++j)
        for (int i = 0; i < cols; ++i) {
            const float x = x0 + i, z = z0 + j;
            if (!(inside(x, z) && inside(x + 1, z) && inside(x, z + 1) && inside(x + 1, z + 1))) continue;
            const Uint32 a = vertex(i, j), b = vertex(i + 1, j), c = vertex(i + 1, j + 1), d = vertex(i, j + 1);
            m.faces.push_back({a, d, c}); // counter-clockwise from above
            m.faces.push_back({a, c, b});
        }
    return m;
}

MkMesh plaza() {
    MkMesh m = MK_Lathe({{kPlazaRadius, kPlazaY - 0.12f}, {kPlazaRadius, kPlazaY}, {kBasinRadius, kPlazaY}}, 48);
    MK_PlanarUV(m, MK_AXIS_Y);
    MK_Translate(m, MK_Vec3(NB_FOUNTAIN.x, 0, NB_FOUNTAIN.z));
    return m;
}

MkMesh basinRim() {
    MkMesh m = MK_Lathe({{kBasinRadius + 0.05f, kPlazaY - 0.05f},
                         {kBasinRadius + 0.05f, 19.55f},
                         {kBasinRadius - 0.45f, 19.55f},
                         {kBasinRadius - 0.45f, kWaterY - 0.05f}},
                        48);
    MK_CylindricalUV(m);
    MK_Translate(m, MK_Vec3(NB_FOUNTAIN.x, 0, NB_FOUNTAIN.z));
    return m;
}

MkMesh water() {
    MkMesh m = MK_Lathe({{kBasinRadius - 0.4f, kWaterY}, {0.0f, kWaterY}}, 48);
    MK_PlanarUV(m, MK_AXIS_Y);
    MK_Translate(m, MK_Vec3(NB_FOUNTAIN.x, 0, NB_FOUNTAIN.z));
    return m;
}

// The jet's nozzle: a small fluted stand whose top stays under where the spray is born (y 19.4).
MkMesh nozzle() {
    MkMesh m = MK_Lathe(
        {{0.75f, kWaterY - 0.05f}, {0.7f, 19.05f}, {0.3f, 19.12f}, {0.22f, 19.28f}, {0.38f, 19.33f}, {0.0f, 19.36f}},
        16);
    MK_CylindricalUV(m);
    MK_Translate(m, MK_Vec3(NB_FOUNTAIN.x, 0, NB_FOUNTAIN.z));
    return m;
}

MkMesh lighthouse(float x, float z) {
    const float y = NB_PLATEAU_Y - 0.1f;
    MkMesh m = MK_Lathe({{1.8f, y}, {1.75f, y + 1.0f}, {1.2f, y + 10.0f}}, 16);
    MK_CylindricalUV(m);
    MK_Translate(m, MK_Vec3(x, 0, z));
    return m;
}

MkMesh lighthouseTop(float x, float z) {
    const float y = NB_PLATEAU_Y + 9.9f;
    MkMesh gallery = MK_Lathe({{1.2f, y}, {1.7f, y + 0.1f}, {1.7f, y + 0.35f}, {0.9f, y + 0.4f}}, 16);
    MkMesh cap = MK_Lathe({{1.15f, y + 1.9f}, {1.15f, y + 2.05f}, {0.0f, y + 2.9f}}, 16);
    MK_Merge(gallery, cap);
    MK_CylindricalUV(gallery);
    MK_Translate(gallery, MK_Vec3(x, 0, z));
    return gallery;
}

MkMesh lantern(float x, float z) {
    const float y = NB_PLATEAU_Y + 10.25f;
    MkMesh m = MK_Cylinder(0.85f, 1.7f, 16, false);
    MK_CylindricalUV(m);
    MK_Translate(m, MK_Vec3(x, y, z));
    return m;
}

} // namespace

void NB_AddCity(AssetSink& sink) {
    addPictures(sink);
    MkModel city;
    const std::string wallNames[4] = {"wall2", "wall3", "wall4", "tower"};
    for (const std::string& w : wallNames)
        MK_AddMaterial(city, w, 240, 230, 215, "nb_" + w + ".bmp");
    MK_AddMaterial(city, "roof", 220, 110, 80, "nb_roof.bmp");
    MK_AddMaterial(city, "flatroof", 200, 195, 185, "nb_flatroof.bmp");
    MK_AddMaterial(city, "dome", 110, 200, 190, "nb_dome.bmp");
    MK_AddMaterial(city, "paving", 220, 210, 190, "nb_paving.bmp");
    MK_AddMaterial(city, "plaza", 230, 220, 200, "nb_plaza.bmp");
    MK_AddMaterial(city, "water", 100, 160, 230, "nb_water.bmp");
    MK_AddMaterial(city, "cypress", 70, 150, 90, "nb_cypress.bmp");
    MK_AddMaterial(city, "lighthouse", 240, 120, 110, "nb_lighthouse.bmp");
    MK_AddMaterial(city, "lantern", 255, 240, 160, "nb_lantern.bmp");

    auto add = [&](const std::string& name, MkMesh mesh, const std::string& material) {
        NB_ToModel(mesh, NB_CITY_PLACE);
        MK_AddObject(city, name, mesh, material);
    };
    MkMesh byWall[4], roofs, flats, domes;
    for (const Building& b : kBuildings) {
        const float top = NB_CITY_Y + b.height;
        MkMesh walls = boxAt(b.x0, b.x1, NB_CITY_Y - 0.1f, top, b.z0, b.z1);
        MK_BoxUV(walls);
        for (int w = 0; w < 4; ++w)
            if (wallNames[w] == b.wall) MK_Merge(byWall[w], walls);
        MkMesh parapet = boxAt(b.x0 - 0.15f, b.x1 + 0.15f, top - 0.05f, top + 0.35f, b.z0 - 0.15f, b.z1 + 0.15f);
        MK_BoxUV(parapet);
        MK_Merge(flats, parapet);
        if (b.roof == Building::kPyramid) {
            MkMesh r = pyramid(b, top + 0.3f, std::min(b.x1 - b.x0, b.z1 - b.z0) * 0.35f);
            MK_PlanarUV(r, MK_AXIS_Z);
            MK_Merge(roofs, r);
        } else if (b.roof == Building::kDome) {
            MK_Merge(domes, dome((b.x0 + b.x1) / 2, (b.z0 + b.z1) / 2, top + 0.3f,
                                 std::min(b.x1 - b.x0, b.z1 - b.z0) * 0.33f));
        }
    }
    for (int w = 0; w < 4; ++w)
        if (!byWall[w].faces.empty()) add("houses_" + wallNames[w], byWall[w], wallNames[w]);
    add("roofs", roofs, "roof");
    add("rooftops", flats, "flatroof");
    add("domes", domes, "dome");

    MkMesh paving = pavement();
    add("paving", paving, "paving");
    add("square", plaza(), "plaza");
    add("basin", basinRim(), "plaza");
    add("pool", water(), "water");
    add("nozzle", nozzle(), "plaza");

    MkMesh trees;
    const float cypresses[][3] = {{-20.5f, 25.5f, 4.0f}, {-0.5f, 26.0f, 3.5f}, {-25.0f, 31.5f, 3.2f},
                                  {2.0f, 29.0f, 3.0f},   {-44, 4, 5},          {-47, 20, 4.5f},
                                  {-41, 27, 4},          {-7.5f, 6.5f, 3.0f}};
    for (const auto& c : cypresses)
        MK_Merge(trees, cypress(c[0], c[1], c[2]));
    add("cypresses", trees, "cypress");

    const float lx = -50, lz = 12;
    add("lighthouse", lighthouse(lx, lz), "lighthouse");
    add("gallery", lighthouseTop(lx, lz), "flatroof");
    add("lantern", lantern(lx, lz), "lantern");
    sink.AddModel(CAT_BEACH_MESHES[4], city);
}
