// scene1_props: the camp fire, the chair beside it and the small flying figure.
//
// The fire and the chair are designed at their places on the sand; the scene's fire flames are born on
// a disc of radius 0.5 round the fire's centre at y = 2.5, so the logs lie low and the stones ring them
// at about 1.1. The figure is drawn at 1/143 (0.007) inside a glow sphere of radius 0.85, so it is
// designed 1.4 tall, centred on its origin, and stays within 0.8 of it.
#include <algorithm>
#include <cmath>
#include <vector>

#include "core/catalogue.h"
#include "scene1_layout.h"

namespace {

constexpr float kPi = 3.14159265358979f;

// --- Pictures -----------------------------------------------------------------------------------------

void addPictures(AssetSink& sink) {
    // drawn at 0.15, the fire's normals light it 6.7 times over: its pictures are the colours seen
    sink.AddBMP24("nb_firestone.bmp", PIC_Noisy(64, PIC_Rgb(120, 112, 105), 0.35f, 8, 71));
    sink.AddBMP24("nb_log.bmp", [] {
        AgImage img(64, 64);
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x) {
                const float n = PIC_TileNoise(float(x) * 4.0f, float(y) * 0.5f, 64, 8, 3, 72);
                // bark along the log, charred towards the end that lies in the fire (v = 1)
                const AgColor bark = PIC_Mix(PIC_Rgb(130, 90, 60), PIC_Rgb(40, 30, 28), PIC_Smooth(40, 60, float(y)));
                const float f = 0.7f + 0.5f * n;
                img.At(x, y) =
                    AgColor{std::min(bark.r * f, 1.0f), std::min(bark.g * f, 1.0f), std::min(bark.b * f, 1.0f), 1};
                if (y > 56 && n > 0.55f) img.At(x, y) = PIC_Rgb(255, 150, 50); // glowing tips
            }
        return img;
    }());
    sink.AddBMP24("nb_embers.bmp", [] {
        AgImage img = PIC_Noisy(128, PIC_Rgb(90, 80, 75), 0.4f, 8, 73);
        AgRandom rnd(74);
        for (int i = 0; i < 140; ++i) {
            const float a = rnd.Range(0, 2 * kPi), r = 52 * std::sqrt(rnd.Unit());
            PIC_Disc(img, 64 + r * std::cos(a), 64 + r * std::sin(a), rnd.Range(1, 3.5f),
                     rnd.Unit() < 0.5f ? PIC_Rgb(255, 170, 60) : PIC_Rgb(255, 90, 30), 1.2f);
        }
        PIC_Glow(img, 64, 64, 40, PIC_Rgb(255, 140, 40, 0.8f), 2.0f);
        return img;
    }());
    sink.AddBMP24("nb_chairwood.bmp", [] {
        AgImage img = PIC_Noisy(64, PIC_Rgb(235, 245, 255), 0.08f, 4, 75);
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x)
                if (PIC_TileNoise(float(x) * 6.0f, float(y) * 0.5f, 64, 8, 2, 76) > 0.66f)
                    img.At(x, y) = PIC_Rgb(170, 190, 210);
        return img;
    }());
    sink.AddBMP24("nb_towel.bmp", [] {
        AgImage img(64, 64, PIC_Rgb(255, 250, 240));
        for (int x = 0; x < 64; ++x)
            if ((x / 8) % 2 == 0)
                for (int y = 0; y < 64; ++y)
                    img.At(x, y) = (x / 16) % 2 ? PIC_Rgb(255, 120, 90) : PIC_Rgb(90, 170, 255);
        return img;
    }());
    sink.AddBMP24("nb_suit.bmp", [] {
        AgImage img = PIC_Noisy(64, PIC_Rgb(255, 240, 190), 0.08f, 4, 77);
        PIC_Rect(img, 0, 28, 63, 33, PIC_Rgb(255, 190, 70)); // a gold belt
        return img;
    }());
    sink.AddBMP24("nb_skin.bmp", PIC_Noisy(32, PIC_Rgb(255, 215, 185), 0.05f, 4, 78));
    sink.AddBMP24("nb_hair.bmp", PIC_Noisy(32, PIC_Rgb(200, 120, 70), 0.2f, 4, 79));
    sink.AddBMP24("nb_wing.bmp", [] {
        AgImage img(64, 64, PIC_Rgb(215, 245, 255));
        for (int i = 0; i < 64; i += 9)
            PIC_Rect(img, i, 0, i, 63, PIC_Rgb(150, 210, 240)); // veins
        return img;
    }());
}

// --- The camp fire (world units round its place) -------------------------------------------------------

MkModel campfire() {
    const MkVec3 c = NB_FIRE_PLACE.position;
    MkModel model;
    MK_AddMaterial(model, "stone", 190, 180, 170, "nb_firestone.bmp");
    MK_AddMaterial(model, "log", 150, 110, 80, "nb_log.bmp");
    MK_AddMaterial(model, "embers", 120, 80, 60, "nb_embers.bmp");

    MkMesh stones;
    AgRandom rnd(81);
    for (int i = 0; i < 12; ++i) {
        const float a = 2 * kPi * i / 12 + rnd.Range(-0.1f, 0.1f), r = 1.12f + rnd.Range(-0.06f, 0.06f);
        const float s = rnd.Range(0.17f, 0.25f);
        MkMesh st = MK_Sphere(s, 9, 6);
        MK_Scale(st, MK_Vec3(1.25f, 0.75f, 0.9f));
        MK_RotateY(st, rnd.Range(0, 180));
        MK_Translate(st, MK_Vec3(c.x + r * std::cos(a), c.y + s * 0.45f, c.z + r * std::sin(a)));
        MK_Merge(stones, st);
    }
    MK_PlanarUV(stones, MK_AXIS_Y);

    // five logs laid like the spokes of a wheel, their inner ends raised on each other, plus a small
    // stack of spare wood on the seaward side
    MkMesh logs;
    for (int i = 0; i < 5; ++i) {
        const float a = 2 * kPi * i / 5 + 0.3f, ca = std::cos(a), sa = std::sin(a);
        MK_Merge(logs, MK_Tube(0.075f, {MK_Vec3(c.x + 1.05f * ca, c.y + 0.09f, c.z + 1.05f * sa),
                                        MK_Vec3(c.x + 0.08f * ca, c.y + 0.28f, c.z + 0.08f * sa)}));
    }
    for (int i = 0; i < 3; ++i) {
        const float y = c.y + 0.08f + (i == 2 ? 0.14f : 0.0f), z = c.z - 0.55f + (i == 2 ? 0.08f : 0.16f * i);
        MK_Merge(logs, MK_Tube(0.08f, {MK_Vec3(c.x + 1.9f, y, z), MK_Vec3(c.x + 2.7f, y, z + 0.05f)}));
    }
    MkMesh bed = MK_Lathe({{0.98f, c.y - 0.03f}, {0.7f, c.y + 0.04f}, {0.0f, c.y + 0.07f}}, 20);
    MK_Translate(bed, MK_Vec3(c.x, 0, c.z));
    MK_PlanarUV(bed, MK_AXIS_Y);

    for (MkMesh* m : {&stones, &logs, &bed})
        NB_ToModel(*m, NB_FIRE_PLACE);
    MK_AddObject(model, "stones", stones, "stone");
    MK_AddObject(model, "logs", logs, "log");
    MK_AddObject(model, "embers", bed, "embers");
    return model;
}

// --- The chair: a wooden beach chair turned to the fire -------------------------------------------------

MkModel chair() {
    MkModel model;
    MK_AddMaterial(model, "wood", 220, 230, 240, "nb_chairwood.bmp");
    MK_AddMaterial(model, "towel", 240, 140, 110, "nb_towel.bmp");
    // built facing -z round its own origin on the sand
    MkMesh wood;
    auto plank = [&](MkVec3 size, MkVec3 centre, float tiltX = 0) {
        MkMesh p = MK_Box(size);
        MK_RotateX(p, tiltX);
        MK_Translate(p, centre);
        MK_BoxUV(p);
        MK_Merge(wood, p);
    };
    for (float x : {-0.36f, 0.36f}) {
        plank(MK_Vec3(0.07f, 0.62f, 0.07f), MK_Vec3(x, 0.31f, -0.38f));          // front legs up to the arms
        plank(MK_Vec3(0.07f, 0.1f, 0.95f), MK_Vec3(x, 0.36f, 0.02f), -14.0f);    // seat rails, sloping back
        plank(MK_Vec3(0.07f, 0.34f, 0.07f), MK_Vec3(x, 0.17f, 0.36f));           // back legs
        plank(MK_Vec3(0.15f, 0.035f, 0.82f), MK_Vec3(x * 1.05f, 0.64f, -0.02f)); // arm rests
    }
    for (int i = 0; i < 6; ++i) // seat slats
        plank(MK_Vec3(0.72f, 0.03f, 0.1f), MK_Vec3(0, 0.43f - 0.03f * i, -0.34f + 0.13f * i));
    for (int i = 0; i < 5; ++i) { // the back: slats leaning back, the middle one tallest
        const float x = -0.24f + 0.12f * i, h = 0.85f + 0.12f * (2 - std::fabs(i - 2.0f));
        plank(MK_Vec3(0.1f, h, 0.03f), MK_Vec3(x * 1.1f, 0.36f + h / 2 * 0.94f, 0.33f + h / 2 * 0.34f), 20.0f);
    }
    plank(MK_Vec3(0.68f, 0.06f, 0.04f), MK_Vec3(0, 0.7f, 0.45f), 20.0f); // cross bar behind the slats
    MkMesh towel = MK_BoxAt(MK_Vec3(0.22f, 0.05f, 0.5f), MK_Vec3(0.37f, 0.68f, -0.05f));
    MK_Merge(towel, MK_BoxAt(MK_Vec3(0.04f, 0.22f, 0.5f), MK_Vec3(0.47f, 0.58f, -0.05f))); // hanging over the side
    MK_BoxUV(towel);

    // turn it to look at the fire, then into the model's frame
    const MkVec3 c = NB_CHAIR_PLACE.position, f = NB_FIRE_PLACE.position;
    const float facing = std::atan2(-(f.x - c.x), -(f.z - c.z)) * 180.0f / kPi; // -z turned onto the fire
    for (MkMesh* m : {&wood, &towel}) {
        MK_RotateY(*m, facing);
        MK_Translate(*m, c);
        NB_ToModel(*m, NB_CHAIR_PLACE);
    }
    MK_AddObject(model, "chair", wood, "wood");
    MK_AddObject(model, "towel", towel, "towel");
    return model;
}

// --- The figure (designed 1.4 tall round its origin, stored at 1 / 0.007) -------------------------------

MkModel figure() {
    MkModel model;
    MK_AddMaterial(model, "suit", 250, 235, 190, "nb_suit.bmp");
    MK_AddMaterial(model, "skin", 250, 210, 180, "nb_skin.bmp");
    MK_AddMaterial(model, "hair", 190, 110, 60, "nb_hair.bmp");
    MK_AddMaterial(model, "wings", 210, 240, 255, "nb_wing.bmp");

    MkMesh body =
        MK_Lathe({{0.02f, -0.02f}, {0.13f, 0.0f}, {0.12f, 0.14f}, {0.15f, 0.3f}, {0.1f, 0.4f}, {0.0f, 0.42f}}, 14);
    MK_Scale(body, MK_Vec3(1, 1, 0.7f));
    for (float s : {-1.0f, 1.0f}) {
        MK_Merge(body, MK_Tube(0.055f, {MK_Vec3(0.07f * s, 0.02f, 0), MK_Vec3(0.09f * s, -0.32f, 0.02f),
                                        MK_Vec3(0.1f * s, -0.62f, 0)}));
        MK_Merge(body, MK_Tube(0.04f, {MK_Vec3(0.12f * s, 0.36f, 0), MK_Vec3(0.3f * s, 0.43f, 0.02f),
                                       MK_Vec3(0.43f * s, 0.58f, 0.04f)}));
    }
    MK_CylindricalUV(body);
    MkMesh skin = MK_Sphere(0.115f, 14, 9);
    MK_Translate(skin, MK_Vec3(0, 0.54f, 0));
    for (float s : {-1.0f, 1.0f}) {
        MkMesh hand = MK_Sphere(0.05f, 8, 5);
        MK_Translate(hand, MK_Vec3(0.45f * s, 0.61f, 0.045f));
        MK_Merge(skin, hand);
        MkMesh foot = MK_Sphere(0.06f, 8, 5);
        MK_Scale(foot, MK_Vec3(0.8f, 0.6f, 1.5f));
        MK_Translate(foot, MK_Vec3(0.1f * s, -0.65f, 0.04f));
        MK_Merge(skin, foot);
    }
    MK_CylindricalUV(skin);
    MkMesh hair = MK_Sphere(0.125f, 14, 9);
    for (MkVec3& p : hair.positions)
        p.y = std::max(p.y, -0.02f); // a cap over the back of the head
    MK_Translate(hair, MK_Vec3(0, 0.56f, -0.015f));
    MK_CylindricalUV(hair);

    // two wings from the shoulder blades, a sheet seen from both sides
    MkMesh wings;
    for (float s : {-1.0f, 1.0f}) {
        MkMesh w;
        const std::vector<MkVec3> outline = {MK_Vec3(0.04f * s, 0.34f, -0.1f),  MK_Vec3(0.3f * s, 0.6f, -0.2f),
                                             MK_Vec3(0.55f * s, 0.45f, -0.22f), MK_Vec3(0.42f * s, 0.2f, -0.18f),
                                             MK_Vec3(0.25f * s, 0.02f, -0.15f), MK_Vec3(0.05f * s, 0.18f, -0.1f)};
        for (const MkVec3& p : outline) {
            w.positions.push_back(p);
            w.uvs.push_back(
                {std::min(std::fabs(p.x) / 0.55f, 1.0f), std::clamp(1 - (p.y - 0.02f) / 0.58f, 0.0f, 1.0f)});
        }
        for (Uint32 i = 1; i + 1 < outline.size(); ++i)
            w.faces.push_back(s > 0 ? MkFace{0, i + 1, i} : MkFace{0, i, i + 1}); // facing backwards
        MK_TwoSided(w);
        MK_Merge(wings, w);
    }

    for (MkMesh* m : {&body, &skin, &hair, &wings})
        MK_Scale(*m, MK_Vec3(1 / NB_FIGURE_SCALE, 1 / NB_FIGURE_SCALE, 1 / NB_FIGURE_SCALE));
    MK_AddObject(model, "body", body, "suit");
    MK_AddObject(model, "head", skin, "skin");
    MK_AddObject(model, "hair", hair, "hair");
    MK_AddObject(model, "wings", wings, "wings");
    return model;
}

} // namespace

void NB_AddProps(AssetSink& sink) {
    addPictures(sink);
    sink.AddModel(CAT_BEACH_MESHES[2], campfire());
    sink.AddModel(CAT_BEACH_MESHES[3], chair());
    sink.AddModel(CAT_BEACH_MESHES[5], figure());
}
