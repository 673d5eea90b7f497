// picture: procedural pictures for the archive (noise, gradients, shapes, our own fonts scaled up)
// (the picture type and its encoders live in the toolkit: picfile.h).
#pragma once

#include <string>
#include <vector>

#include "core/types.h"
#include "picfile.h"

// A small fixed-seed generator, so every run draws the same pictures.
class AgRandom {
public:
    explicit AgRandom(Uint32 seed) : state(seed ? seed : 0x9E3779B9u) {}
    Uint32 Next();
    float Unit(); // 0..1
    float Range(float lo, float hi);

private:
    Uint32 state;
};

AgColor PIC_Rgb(int r, int g, int b, float a = 1.0f);
AgColor PIC_Mix(AgColor a, AgColor b, float t);
float PIC_Smooth(float edge0, float edge1, float x);
// The colour with its brightness times f (alpha kept).
AgColor PIC_Shade(AgColor c, float f);
// Each channel held to 0..1, and made opaque.
AgColor PIC_Clamp(AgColor c);

// Periodic value noise with octaves: period is the lattice size of the first octave, in cells over the
// picture; the result repeats every `size` pixels, so pictures built from it tile seamlessly. 0..1.
float PIC_TileNoise(float x, float y, int size, int period, int octaves, Uint32 seed);
// Plain fractal noise for pictures that do not need to tile. 0..1.
float PIC_Noise(float x, float y, float scale, int octaves, Uint32 seed);
// A square tile of one colour roughened by PIC_TileNoise (four octaves); amount is the brightness swing
// either way.
AgImage PIC_Noisy(int size, AgColor base, float amount, int period, Uint32 seed);

// Blends a colour over one pixel with the colour's alpha times coverage; outside the picture it is
// ignored.
void PIC_Blend(AgImage& image, int x, int y, AgColor colour, float coverage = 1.0f);
void PIC_VerticalGradient(AgImage& image, int y0, int y1, AgColor top, AgColor bottom);
// A disc with a soft edge of `soft` pixels.
void PIC_Disc(AgImage& image, float cx, float cy, float radius, AgColor colour, float soft = 1.0f);
// A round glow whose alpha falls from the centre to the radius.
void PIC_Glow(AgImage& image, float cx, float cy, float radius, AgColor colour, float power = 2.0f);
void PIC_Rect(AgImage& image, int x0, int y0, int x1, int y1, AgColor colour);
// A filled convex or concave polygon (even-odd rule), given as x, y pairs.
void PIC_Polygon(AgImage& image, const std::vector<float>& xy, AgColor colour);

// Text in one of the six fonts (0..5), each mask pixel drawn as a scale x scale block; returns the width.
int PIC_TextWidth(const std::string& text, int font, int scale);
void PIC_Text(AgImage& image, const std::string& text, int font, int x, int y, int scale, AgColor colour);
// The same text with a dark outline one block wide, for titles over busy pictures.
void PIC_TextOutlined(AgImage& image, const std::string& text, int font, int x, int y, int scale, AgColor colour,
                      AgColor outline);

// Bilinear resampling to a new size (title cards are drawn at the window's shape, then stored at a
// power-of-two size that the intro stretches back over the window).
AgImage PIC_Resize(const AgImage& image, int width, int height);
