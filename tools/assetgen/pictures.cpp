// pictures: the pictures every scene shares - title cards, console backdrop, water, sky, smoke,
// lens flare and the two particle sprites.
#include <algorithm>
#include <cmath>

#include "core/catalogue.h"
#include "generator.h"
#include "picture.h"

namespace {

const float kPi = 3.14159265f;

// Title cards are designed at the window's shape and stored at 1024 x 512; the intro stretches them
// back over the 800 x 600 window.
const int kCardW = 800, kCardH = 600;

void addBMP(AssetSink& sink, const std::string& name, const AgImage& image) {
    sink.AddBMP24(name, image);
}

void centredText(AgImage& img, const std::string& text, int font, int y, int scale, AgColor colour) {
    int x = (img.width - PIC_TextWidth(text, font, scale)) / 2;
    PIC_TextOutlined(img, text, font, x, y, scale, colour, PIC_Rgb(10, 8, 20, 0.9f));
}

void titles(AgImage& img, const std::string& part, const std::string& title) {
    centredText(img, "VEXHAL", 5, 36, 8, PIC_Rgb(255, 226, 140));
    centredText(img, part, 4, 118, 2, PIC_Rgb(200, 220, 255));
    centredText(img, title, 3, 146, 3, PIC_Rgb(255, 255, 255));
}

void stars(AgImage& img, AgRandom& rnd, int count, int bottom) {
    for (int i = 0; i < count; ++i) {
        float x = rnd.Range(0, float(img.width)), y = rnd.Range(0, float(bottom)), b = rnd.Range(0.3f, 1.0f);
        PIC_Disc(img, x, y, b > 0.9f ? 1.4f : 0.7f, PIC_Rgb(230, 235, 255, b), 1.0f);
    }
}

// A sea or river surface: base colour with horizontal ripples.
void water(AgImage& img, int y0, int y1, AgColor deep, AgColor light, Uint32 seed) {
    for (int y = y0; y < y1 && y < img.height; ++y)
        for (int x = 0; x < img.width; ++x) {
            float t = float(y - y0) / float(y1 - y0);
            float n = PIC_Noise(x * 0.25f, y * 2.5f, 20.0f, 3, seed);
            img.At(x, y) = PIC_Mix(deep, light, 0.25f + 0.5f * t * n + 0.25f * PIC_Smooth(0.6f, 0.8f, n));
        }
}

} // namespace

AgImage AG_BeachCard() {
    AgImage img(kCardW, kCardH);
    AgRandom rnd(101);
    PIC_VerticalGradient(img, 0, 380, PIC_Rgb(6, 8, 28), PIC_Rgb(36, 46, 92));
    stars(img, rnd, 320, 370);
    PIC_Glow(img, 610, 230, 190, PIC_Rgb(150, 160, 230, 0.45f));
    PIC_Disc(img, 610, 230, 52, PIC_Rgb(246, 242, 220), 2.0f);
    PIC_Disc(img, 592, 214, 11, PIC_Rgb(200, 196, 178, 0.6f), 3.0f);
    PIC_Disc(img, 628, 250, 15, PIC_Rgb(205, 200, 180, 0.5f), 3.0f);
    PIC_Disc(img, 625, 205, 6, PIC_Rgb(205, 200, 180, 0.5f), 2.0f);
    water(img, 380, 520, PIC_Rgb(10, 18, 46), PIC_Rgb(40, 58, 104), 7);
    // the moon's path on the water, broken into ripples and widening towards the viewer
    for (int y = 380; y < 480; ++y) {
        float half = 14 + (y - 380) * 0.9f;
        for (int x = int(610 - half * 2); x < int(610 + half * 2); ++x) {
            float d = std::fabs(x - 610.0f) / half;
            float n = PIC_Noise(x * 0.12f, y * 1.6f, 6.0f, 2, 11);
            PIC_Blend(img, x, y, PIC_Rgb(240, 236, 200), std::max(0.0f, 1 - d) * PIC_Smooth(0.5f, 0.75f, n));
        }
    }
    // beach: a gentle curve of moonlit sand with a foam line where it meets the sea
    for (int x = 0; x < kCardW; ++x) {
        float shore = 470 + 22 * std::sin(x * 0.006f + 0.7f) + 8 * std::sin(x * 0.021f);
        for (int y = int(shore); y < kCardH; ++y) {
            float n = PIC_Noise(float(x), float(y), 3.0f, 3, 23);
            float t = float(y - shore) / float(kCardH - shore);
            AgColor sand = PIC_Mix(PIC_Rgb(104, 96, 84), PIC_Rgb(62, 54, 46), t);
            PIC_Blend(img, x, y, PIC_Mix(sand, PIC_Rgb(130, 120, 104), 0.35f * n));
        }
        for (int k = -2; k <= 2; ++k)
            PIC_Blend(img, x, int(shore) + k, PIC_Rgb(220, 225, 240), 0.55f - 0.2f * std::abs(k));
    }
    // a dark rock and a camp fire on the sand
    // a lumpy half-ellipse, lit by the moon on its right shoulder
    std::vector<float> rock, lit;
    for (int i = 0; i <= 24; ++i) {
        float a = kPi * i / 24, bump = 0.8f + 0.35f * PIC_Noise(i * 3.0f, 0, 4.0f, 2, 113);
        rock.push_back(140 - 85 * std::cos(a) * bump);
        rock.push_back(556 - 62 * std::sin(a) * bump);
        if (i <= 10) {
            lit.push_back(140 + 70 * std::cos(a) * bump);
            lit.push_back(556 - 56 * std::sin(a) * bump);
        }
    }
    PIC_Polygon(img, rock, PIC_Rgb(34, 32, 38));
    lit.push_back(130), lit.push_back(520);
    PIC_Polygon(img, lit, PIC_Rgb(70, 72, 88, 0.7f));
    PIC_Glow(img, 300, 545, 120, PIC_Rgb(255, 140, 40, 0.55f));
    PIC_Polygon(img, {282, 560, 292, 525, 300, 540, 306, 512, 314, 538, 320, 528, 322, 560}, PIC_Rgb(255, 170, 40));
    PIC_Polygon(img, {293, 560, 300, 540, 306, 530, 312, 545, 314, 560}, PIC_Rgb(255, 240, 150));
    PIC_Rect(img, 276, 558, 330, 564, PIC_Rgb(70, 40, 24));
    titles(img, "PART ONE", "A NIGHT ON THE BEACH");
    return img;
}

namespace {

void airship(AgImage& img, float cx, float cy, float len, float height, AgColor hull) {
    std::vector<float> body;
    for (int i = 0; i < 48; ++i) {
        float a = 2 * kPi * i / 48;
        // fuller at the nose, tapering to the tail
        float x = std::cos(a), taper = x < 0 ? 0.75f + 0.25f * (1 + x) : 1.0f;
        body.push_back(cx + 0.5f * len * x);
        body.push_back(cy + 0.5f * height * std::sin(a) * taper);
    }
    float fx = cx - 0.42f * len;
    PIC_Polygon(img,
                {fx + 0.02f * len, cy, fx - 0.1f * len, cy - 0.6f * height, fx - 0.12f * len, cy - 0.6f * height,
                 fx - 0.08f * len, cy},
                PIC_Mix(hull, PIC_Rgb(60, 60, 80), 0.4f));
    PIC_Polygon(img,
                {fx + 0.02f * len, cy, fx - 0.1f * len, cy + 0.6f * height, fx - 0.12f * len, cy + 0.6f * height,
                 fx - 0.08f * len, cy},
                PIC_Mix(hull, PIC_Rgb(60, 60, 80), 0.4f));
    PIC_Polygon(img, body, hull);
    // light from above: a bright band on the top, shade underneath
    for (int k = 0; k < 3; ++k) {
        std::vector<float> band;
        for (size_t i = 0; i < body.size(); i += 2) {
            band.push_back(cx + (body[i] - cx) * (0.9f - 0.15f * k));
            band.push_back(cy - height * (0.12f + 0.06f * k) + (body[i + 1] - cy) * (0.5f - 0.12f * k));
        }
        PIC_Polygon(img, band, PIC_Rgb(255, 255, 255, 0.18f));
    }
    PIC_Rect(img, int(cx - 0.12f * len), int(cy + 0.5f * height), int(cx + 0.1f * len),
             int(cy + 0.5f * height + 0.22f * height), PIC_Rgb(70, 52, 40));
    for (int w = 0; w < 4; ++w)
        PIC_Rect(img, int(cx - 0.1f * len + w * 0.05f * len), int(cy + 0.55f * height),
                 int(cx - 0.08f * len + w * 0.05f * len), int(cy + 0.62f * height), PIC_Rgb(255, 220, 120));
}

void plane(AgImage& img, float cx, float cy, float size, AgColor colour) {
    PIC_Polygon(img, {cx - size, cy, cx + size, cy - 0.08f * size, cx + size, cy + 0.08f * size}, colour);
    PIC_Polygon(img,
                {cx - 0.1f * size, cy, cx + 0.25f * size, cy - 0.9f * size, cx + 0.4f * size, cy - 0.9f * size,
                 cx + 0.3f * size, cy, cx + 0.4f * size, cy + 0.9f * size, cx + 0.25f * size, cy + 0.9f * size},
                colour);
    PIC_Polygon(img, {cx - 0.95f * size, cy, cx - 0.8f * size, cy - 0.35f * size, cx - 0.7f * size, cy}, colour);
}

} // namespace

AgImage AG_AirshipCard() {
    AgImage img(kCardW, kCardH);
    PIC_VerticalGradient(img, 0, kCardH, PIC_Rgb(36, 84, 168), PIC_Rgb(170, 204, 236));
    PIC_Glow(img, 680, 120, 260, PIC_Rgb(255, 244, 210, 0.6f));
    // a sea of cloud below, lit from above
    for (int y = 330; y < kCardH; ++y)
        for (int x = 0; x < kCardW; ++x) {
            float n = PIC_Noise(float(x), y * 1.8f, 90.0f, 5, 37);
            float depth = float(y - 330) / (kCardH - 330);
            float cover = PIC_Smooth(0.55f - 0.25f * depth, 0.62f - 0.2f * depth, n);
            float lit = PIC_Noise(float(x), y * 1.8f - 12, 90.0f, 5, 37);
            AgColor c = PIC_Mix(PIC_Rgb(176, 186, 210), PIC_Rgb(252, 252, 255), PIC_Smooth(0.4f, 0.7f, lit));
            PIC_Blend(img, x, y, c, cover * PIC_Smooth(330, 420, float(y)));
        }
    airship(img, 330, 300, 340, 96, PIC_Rgb(196, 196, 206));
    airship(img, 640, 240, 170, 48, PIC_Rgb(176, 150, 140));
    airship(img, 120, 390, 130, 38, PIC_Rgb(150, 170, 150));
    plane(img, 560, 380, 26, PIC_Rgb(60, 50, 50));
    plane(img, 720, 330, 18, PIC_Rgb(60, 50, 50));
    for (int i = 0; i < 9; ++i)
        PIC_Glow(img, 590.0f + i * 16, 378.0f + i * 3, 8.0f + i * 2, PIC_Rgb(70, 70, 76, 0.5f));
    PIC_Glow(img, 566, 380, 16, PIC_Rgb(255, 150, 40, 0.8f));
    titles(img, "PART TWO", "AIRSHIPS ABOVE THE CLOUDS");
    return img;
}

namespace {

void house(AgImage& img, float x, float base, float w, float h, AgColor wall, AgColor roof) {
    PIC_Rect(img, int(x), int(base - h), int(x + w), int(base), wall);
    PIC_Polygon(img, {x - 0.12f * w, base - h, x + 0.5f * w, base - h - 0.6f * w, x + 1.12f * w, base - h}, roof);
    PIC_Rect(img, int(x + 0.15f * w), int(base - 0.7f * h), int(x + 0.35f * w), int(base - 0.4f * h),
             PIC_Rgb(255, 226, 130));
    PIC_Rect(img, int(x + 0.6f * w), int(base - 0.7f * h), int(x + 0.8f * w), int(base - 0.4f * h),
             PIC_Rgb(255, 226, 130));
    PIC_Rect(img, int(x + 0.4f * w), int(base - 0.35f * h), int(x + 0.55f * w), int(base), PIC_Rgb(80, 50, 30));
}

void tree(AgImage& img, float x, float base, float size) {
    PIC_Rect(img, int(x - 0.08f * size), int(base - 0.6f * size), int(x + 0.08f * size), int(base),
             PIC_Rgb(80, 56, 36));
    PIC_Disc(img, x, base - 0.9f * size, 0.45f * size, PIC_Rgb(40, 96, 44), 2);
    PIC_Disc(img, x - 0.12f * size, base - 1.0f * size, 0.25f * size, PIC_Rgb(70, 130, 60, 0.8f), 2);
}

} // namespace

AgImage AG_RiverCard() {
    AgImage img(kCardW, kCardH);
    PIC_VerticalGradient(img, 0, 340, PIC_Rgb(96, 150, 214), PIC_Rgb(228, 222, 196));
    PIC_Glow(img, 150, 110, 140, PIC_Rgb(255, 250, 220, 0.5f));
    for (int x = 0; x < kCardW; ++x) {
        float hill = 270 + 40 * PIC_Noise(float(x), 0, 160.0f, 3, 53);
        for (int y = int(hill); y < 360; ++y)
            PIC_Blend(img, x, y, PIC_Rgb(86, 122, 112));
        float bank = 330 + 10 * std::sin(x * 0.01f);
        for (int y = int(bank); y < 420; ++y)
            PIC_Blend(img, x, y, PIC_Mix(PIC_Rgb(92, 150, 70), PIC_Rgb(70, 124, 56), PIC_Noise(x, y, 4.0f, 2, 59)));
    }
    // the river winds across the picture
    for (int x = 0; x < kCardW; ++x) {
        float top = 400 + 18 * std::sin(x * 0.008f), bottom = 520 + 20 * std::sin(x * 0.006f + 1.3f);
        for (int y = int(top); y < int(bottom); ++y) {
            float n = PIC_Noise(x * 0.3f, y * 2.0f, 14.0f, 3, 61);
            float t = (y - top) / (bottom - top);
            PIC_Blend(img, x, y,
                      PIC_Mix(PIC_Mix(PIC_Rgb(50, 100, 150), PIC_Rgb(30, 70, 116), t), PIC_Rgb(170, 210, 236),
                              PIC_Smooth(0.62f, 0.8f, n)));
        }
        for (int y = int(bottom); y < kCardH; ++y)
            PIC_Blend(img, x, y, PIC_Mix(PIC_Rgb(84, 140, 64), PIC_Rgb(52, 100, 42), PIC_Noise(x, y, 5.0f, 2, 67)));
    }
    house(img, 120, 380, 90, 60, PIC_Rgb(226, 210, 180), PIC_Rgb(170, 60, 40));
    house(img, 330, 372, 70, 50, PIC_Rgb(200, 196, 210), PIC_Rgb(90, 80, 120));
    house(img, 560, 384, 110, 66, PIC_Rgb(230, 220, 150), PIC_Rgb(140, 70, 40));
    const float trees[][3] = {{60, 392, 60},  {250, 386, 70}, {300, 380, 44}, {460, 388, 66},
                              {700, 390, 72}, {760, 394, 50}, {40, 590, 90},  {740, 592, 100}};
    for (const auto& t : trees)
        tree(img, t[0], t[1], t[2]);
    // a paddle boat on the water
    PIC_Polygon(img, {380, 462, 520, 462, 500, 486, 396, 486}, PIC_Rgb(150, 60, 40));
    PIC_Rect(img, 410, 436, 480, 462, PIC_Rgb(236, 232, 216));
    PIC_Rect(img, 440, 410, 452, 436, PIC_Rgb(40, 40, 40));
    PIC_Disc(img, 520, 468, 20, PIC_Rgb(110, 60, 30), 1.5f);
    PIC_Disc(img, 520, 468, 12, PIC_Rgb(60, 100, 140), 1.5f);
    titles(img, "PART THREE", "THE RIVER CROSSING");
    return img;
}

namespace {

// Calm, dark and fine-grained, so console text stays legible over it.
AgImage consoleBackdrop() {
    const int n = 256;
    AgImage img(n, n);
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            float v = PIC_TileNoise(float(x), float(y), n, 4, 5, 71);
            float grid = (x % 32 == 0 || y % 32 == 0) ? 0.05f : 0.0f;
            img.At(x, y) = PIC_Mix(PIC_Rgb(14, 20, 38), PIC_Rgb(44, 58, 92), v * 0.9f + grid);
        }
    return img;
}

AgImage waterTile() {
    const int n = 256;
    AgImage img(n, n);
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            float a = PIC_TileNoise(float(x), float(y), n, 4, 3, 79),
                  b = PIC_TileNoise(float(x), float(y), n, 8, 2, 83);
            float ridge = std::pow(1 - std::fabs(2 * a - 1), 6.0f) + 0.6f * std::pow(1 - std::fabs(2 * b - 1), 8.0f);
            AgColor base = PIC_Mix(PIC_Rgb(30, 110, 160), PIC_Rgb(60, 150, 190), PIC_TileNoise(x, y, n, 2, 3, 89));
            img.At(x, y) = PIC_Mix(base, PIC_Rgb(210, 240, 255), std::min(ridge, 1.0f) * 0.8f);
        }
    return img;
}

AgImage skyTile() {
    const int n = 256;
    AgImage img(n, n);
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            float c = PIC_TileNoise(float(x), float(y), n, 4, 6, 97);
            float shade = PIC_TileNoise(float(x), float(y + 6), n, 4, 6, 97);
            AgColor blue = PIC_Mix(PIC_Rgb(70, 126, 206), PIC_Rgb(110, 160, 226), PIC_TileNoise(x, y, n, 2, 2, 101));
            AgColor cloud =
                PIC_Mix(PIC_Rgb(255, 255, 255), PIC_Rgb(196, 204, 222), PIC_Smooth(0.5f, 0.8f, shade) * 0.7f);
            img.At(x, y) = PIC_Mix(blue, cloud, PIC_Smooth(0.45f, 0.68f, c));
        }
    return img;
}

AgImage smokePuff() {
    const int n = 128;
    AgImage img(n, n, {0, 0, 0, 0});
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            float dx = (x + 0.5f) / n * 2 - 1, dy = (y + 0.5f) / n * 2 - 1, r = std::hypot(dx, dy);
            float w = PIC_Noise(float(x), float(y), 22.0f, 4, 103);
            float body = 1 - PIC_Smooth(0.1f, 0.9f, r * (1.6f - 1.0f * w));
            float alpha = std::min(1.0f, body * (0.7f + 0.6f * w)) * (1 - PIC_Smooth(0.85f, 1.0f, r));
            float g = 0.7f + 0.3f * PIC_Noise(float(x), float(y), 9.0f, 3, 107);
            img.At(x, y) = {g, g, g * 0.97f, alpha};
        }
    return img;
}

AgImage lensFlare() {
    const int n = 128;
    AgImage img(n, n, {0, 0, 0, 0});
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            float dx = (x + 0.5f) / n * 2 - 1, dy = (y + 0.5f) / n * 2 - 1, r = std::hypot(dx, dy);
            float core = std::exp(-r * r / 0.012f), halo = 0.6f * std::exp(-r * r / 0.12f);
            float ring = 0.3f * std::exp(-std::pow((r - 0.68f) / 0.045f, 2.0f));
            float rays = 0.8f * std::exp(-std::fabs(dy) / 0.018f) * std::exp(-std::fabs(dx) / 0.5f) +
                         0.4f * std::exp(-std::fabs(dx) / 0.014f) * std::exp(-std::fabs(dy) / 0.35f);
            float fade = 1 - PIC_Smooth(0.85f, 1.0f, r);
            float i = std::min(core + halo + ring + rays, 1.0f) * fade;
            AgColor c = PIC_Mix(PIC_Rgb(255, 180, 110), PIC_Rgb(255, 255, 250), std::min(core * 2 + rays, 1.0f));
            if (ring > core + halo) c = PIC_Mix(c, PIC_Rgb(140, 190, 255), 0.7f);
            img.At(x, y) = {c.r, c.g, c.b, i};
        }
    return img;
}

// Grey sprites: the red channel becomes the grey index, black at the edges.
AgImage sprite(int n, float inner, float outer, float power) {
    AgImage img(n, n);
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            float r = std::hypot((x + 0.5f) / n * 2 - 1, (y + 0.5f) / n * 2 - 1);
            float g = std::pow(1 - PIC_Smooth(inner, outer, r), power);
            img.At(x, y) = {g, g, g, 1};
        }
    return img;
}

} // namespace

void AG_AddSharedPictures(AssetSink& sink) {
    // the title cards come first, in the scenes' order
    for (int i = 0; i < AG_SCENE_COUNT; ++i)
        addBMP(sink, AG_SCENES[i].introPicture, PIC_Resize(AG_SCENES[i].card(), 1024, 512));
    addBMP(sink, CAT_CONSOLE_PICTURE, consoleBackdrop());
    addBMP(sink, CAT_WATER_TEXTURE, waterTile());
    addBMP(sink, CAT_SKY_TEXTURE, skyTile());
    AgImage smoke = smokePuff(), flare = lensFlare();
    sink.AddTGA(CAT_SMOKE_TEXTURE, smoke, true);
    sink.AddTGA(CAT_FLARE_TEXTURE, flare, true);
    AgImage glow = sprite(64, 0.0f, 1.0f, 2.2f), drop = sprite(32, 0.2f, 0.7f, 1.0f);
    sink.AddBMP8Grey(CAT_PARTICLE_TEXTURE1, glow);
    sink.AddBMP8Grey(CAT_PARTICLE_TEXTURE2, drop);
}
