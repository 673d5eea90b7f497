// font: the six fixed-size bitmap fonts.
//
// A font mask is a headerless picture of 32 x 4 character cells, one byte per pixel
// (1 = ink). At start-up each mask becomes one RGBA texture, padded to powers of two;
// a string is then one quad per character in window pixels with y growing downwards.
#include "text/font.h"

#include <GL/glu.h>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/catalogue.h"
#include "core/report.h"
#include "data/resfile.h"
#include "data/rwops.h"
#include "core/glerror.h"
#include "core/viewport.h"

// ---------------------------------------------------------------------------
// constants
// ---------------------------------------------------------------------------

namespace {
const int cellColumns = 32; // cells per mask row
const int cellRows = 4;     // 128 character codes
const Uint8 inkByte = 1;

const Uint8 defaultColors[FNT_COUNT][4] = {
    {255, 255, 255, 255}, {0, 255, 255, 255}, {255, 255, 0, 255},
    {255, 0, 255, 255},   {255, 0, 0, 255},   {255, 255, 255, 255},
};

// ---------------------------------------------------------------------------
// module state
// ---------------------------------------------------------------------------

static_assert(CAT_FONT_COUNT == FNT_COUNT, "one mask per font");
#define FONT_(i)                                                                                                       \
    { CAT_FONTS[i].name, CAT_FONTS[i].cellWidth, CAT_FONTS[i].cellHeight, 0, 0, 0 }
FNT_Font fonts[FNT_COUNT] = {FONT_(0), FONT_(1), FONT_(2), FONT_(3), FONT_(4), FONT_(5)};
#undef FONT_
Uint8 currentColors[FNT_COUNT][4] = {
    {255, 255, 255, 255}, {0, 255, 255, 255}, {255, 255, 0, 255},
    {255, 0, 255, 255},   {255, 0, 0, 255},   {255, 255, 255, 255},
};
Uint8 inkColor[4] = {255, 255, 255, 0};
Uint8 paperColor[4] = {3, 3, 3, 0};

// ---------------------------------------------------------------------------
// helpers
// ---------------------------------------------------------------------------

bool validFont(int font) {
    return font >= 0 && font < FNT_COUNT;
}

Uint8* maskToImage(int width, int height, const Uint8* data, int channels) {
    if (width <= 0 || height <= 0 || !data) return nullptr;
    const int paddedWidth = FNT_NextPow2(width);
    const int paddedHeight = FNT_NextPow2(height);
    // A mask larger than the largest texture is cut to it rather than overrun.
    Uint8* image = static_cast<Uint8*>(std::malloc((size_t)paddedWidth * paddedHeight * channels));
    if (!image) return nullptr;
    Uint8* out = image;
    for (int row = 0; row < paddedHeight; ++row) {
        for (int col = 0; col < paddedWidth; ++col) {
            const bool inside = row < height && col < width;
            const bool ink = inside && data[(size_t)row * width + col] == inkByte;
            const Uint8* colour = ink ? inkColor : paperColor;
            out[0] = colour[0];
            out[1] = colour[1];
            out[2] = colour[2];
            if (channels == 4) out[3] = ink ? 255 : 0;
            out += channels;
        }
    }
    return image;
}
bool fontsLoaded = false;
} // namespace

// ---------------------------------------------------------------------------
// loading
// ---------------------------------------------------------------------------

int FNT_NextPow2(int n) {
    if (n > 2048) return 2048;
    int p = 2;
    while (p < n)
        p *= 2;
    return p;
}

// The end offset of the stream (not what is left after the position); -1 when unknown.
int RW_Length(VH_RWops* rops) {
    if (!rops) return -1;
    const int position = rops->seek(rops, 0, VH_RW_SEEK_CUR);
    const long left = VH_RWBytesLeft(rops);
    return position < 0 || left < 0 ? -1 : position + (int)left;
}

Uint8* GetFontDataRW(VH_RWops* rops, bool* fError, int* size) {
    if (size) *size = 0;
    if (!rops) return nullptr;
    const int length = (int)VH_RWBytesLeft(rops);
    // An empty or unmeasurable stream has nothing to read; never allocate from it.
    if (length <= 0) {
        *fError = true;
        return nullptr;
    }
    Uint8* buffer = static_cast<Uint8*>(std::malloc((size_t)length));
    if (!buffer) {
        *fError = true;
        return nullptr;
    }
    const int got = rops->read(rops, buffer, 1, length);
    if (size) *size = got > 0 ? got : 0;
    return buffer;
}

Uint8* GetFontResPointer(const char* name, bool* fError, int* size) {
    *fError = false;
    if (size) *size = 0;
    VH_RWops* stream = name ? RES_OpenEntryStream(name) : nullptr;
    if (!stream) {
        *fError = true;
        return nullptr;
    }
    Uint8* buffer = GetFontDataRW(stream, fError, size);
    stream->close(stream);
    return buffer;
}

bool FNT_MaskFits(int font, int size, int* width, int* height) {
    *width = *height = 0;
    if (!validFont(font)) return false;
    *width = cellColumns * fonts[font].glyphWidth;
    *height = cellRows * fonts[font].glyphHeight;
    return size >= *width * *height;
}

Uint8* FNT_MaskToRGBA(int width, int height, const Uint8* data) {
    return maskToImage(width, height, data, 4);
}
Uint8* FNT_MaskToRGB(int width, int height, const Uint8* data) {
    return maskToImage(width, height, data, 3);
}

GLuint LoadFontResTexture(int width, int height, Uint8* data, bool* fError, int flags) {
    *fError = false;
    const bool alpha = (flags & 2) != 0;
    Uint8* image = alpha ? FNT_MaskToRGBA(width, height, data) : FNT_MaskToRGB(width, height, data);
    if (!image) {
        *fError = true;
        return 0;
    }
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    const GLint wrap = (flags & 1) ? GL_REPEAT : GL_CLAMP;
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, wrap);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, wrap);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    // RGB rows of odd widths are not 4-byte aligned.
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, alpha ? 4 : 3, FNT_NextPow2(width), FNT_NextPow2(height), 0,
                 alpha ? GL_RGBA : GL_RGB, GL_UNSIGNED_BYTE, image);
    std::free(image);
    GLERR_Report();
    return name;
}

void FNT_LoadFonts() {
    FNT_ResetAllColors();
    const Uint8 ink[4] = {255, 255, 255, 0};
    const Uint8 paper[4] = {3, 3, 3, 0};
    FNT_SetInkColor(ink);
    FNT_SetPaperColor(paper);

    for (int i = 0; i < FNT_COUNT; ++i) {
        FNT_Font& f = fonts[i];
        bool fError = false;
        int size = 0;
        Uint8* data = GetFontResPointer(f.fileName, &fError, &size);
        int maskWidth = 0, maskHeight = 0;
        // A mask shorter than its picture would be read past its end: skip the font.
        if (!FNT_MaskFits(i, size, &maskWidth, &maskHeight) || fError || !data) {
            if (!data)
                VH_Warn(f.fileName, "not found in the archive (or empty); font %d draws nothing", i);
            else
                VH_Warn(f.fileName, "%d bytes, short of the %d of its mask; font %d draws nothing", size,
                        maskWidth * maskHeight, i);
            std::free(data);
            continue;
        }
        f.texture = LoadFontResTexture(maskWidth, maskHeight, data, &fError, 2);
        if (fError) {
            VH_Warn(f.fileName, "cannot be made into a texture; font %d draws nothing", i);
            f.texture = 0;
            std::free(data);
            continue;
        }
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &f.textureWidth);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &f.textureHeight);
        std::free(data);
    }
    // A missing font draws nothing; its warning says which.
    fontsLoaded = true;
}

void FNT_ReleaseFonts() {
    for (FNT_Font& f : fonts) {
        glDeleteTextures(1, &f.texture);
        f.texture = 0;
        f.textureWidth = f.textureHeight = 0;
    }
    fontsLoaded = false;
}

// ---------------------------------------------------------------------------
// colours and metrics
// ---------------------------------------------------------------------------

void FNT_SetColor(int font, Uint8 blue, Uint8 green, Uint8 red, Uint8 alpha) {
    if (!validFont(font)) return;
    currentColors[font][0] = red;
    currentColors[font][1] = green;
    currentColors[font][2] = blue;
    currentColors[font][3] = alpha;
}

void FNT_ResetColor(int font) {
    if (!validFont(font)) return;
    std::memcpy(currentColors[font], defaultColors[font], 4);
}

void FNT_ResetAllColors() {
    for (int i = 0; i < FNT_COUNT; ++i)
        FNT_ResetColor(i);
}

bool FNT_GetColor(int font, Uint8 rgba[4]) {
    if (!validFont(font)) return false;
    std::memcpy(rgba, currentColors[font], 4);
    return true;
}

int FNT_GetWidth(int font) {
    return validFont(font) ? fonts[font].glyphWidth : 0;
}
int FNT_GetHeight(int font) {
    return validFont(font) ? fonts[font].glyphHeight : 0;
}
int FNT_GetAdvance(int font) {
    return validFont(font) ? fonts[font].glyphWidth + 1 : 0;
}
const FNT_Font* FNT_GetFont(int font) {
    return validFont(font) ? &fonts[font] : nullptr;
}

void FNT_SetInkColor(const Uint8* rgbx) {
    std::memcpy(inkColor, rgbx, 4);
}
void FNT_SetPaperColor(const Uint8* rgbx) {
    std::memcpy(paperColor, rgbx, 4);
}

// ---------------------------------------------------------------------------
// drawing
// ---------------------------------------------------------------------------

bool FNT_GlyphQuad(int c, int x, int y, int font, FNT_Quad* quad) {
    if (!validFont(font) || c < 0 || c >= cellColumns * cellRows) return false;
    const FNT_Font& f = fonts[font];
    const int row = c >> 5;
    const int col = c - cellColumns * row;
    const float w = (float)f.glyphWidth;
    const float h = (float)f.glyphHeight;
    const float texW = (float)(f.textureWidth > 0 ? f.textureWidth : FNT_NextPow2(cellColumns * f.glyphWidth));
    const float texH = (float)(f.textureHeight > 0 ? f.textureHeight : FNT_NextPow2(cellRows * f.glyphHeight));
    // Half a texel of margin on every side keeps nearest sampling inside the cell.
    quad->s0 = (col * w - 0.5f) / texW;
    quad->s1 = (col * w + 0.5f + w) / texW;
    quad->t0 = (row * h - 0.5f) / texH;
    quad->t1 = (row * h + 0.5f + h) / texH;
    quad->x0 = (float)x;
    quad->y0 = (float)y;
    quad->x1 = (float)x + w;
    quad->y1 = (float)y + h;
    return true;
}

void FNT_DrawChar(int c, int x, int y, int font) {
    FNT_Quad q;
    if (!FNT_GlyphQuad(c, x, y, font, &q)) return;
    // clang-format off
    glBegin(GL_QUADS);
        glTexCoord2f(q.s0, q.t0);
        glVertex3f(q.x0, q.y0, 0.1f);
        glTexCoord2f(q.s1, q.t0);
        glVertex3f(q.x1, q.y0, 0.1f);
        glTexCoord2f(q.s1, q.t1);
        glVertex3f(q.x1, q.y1, 0.1f);
        glTexCoord2f(q.s0, q.t1);
        glVertex3f(q.x0, q.y1, 0.1f);
    glEnd();
    // clang-format on
}

void FNT_DrawString(const char* text, int x, int y, int font) {
    if (!fontsLoaded || !validFont(font)) return;
    if (!text) text = "";
    const size_t n = std::strlen(text);
    const bool blend = glIsEnabled(GL_BLEND);
    const bool alphaTest = glIsEnabled(GL_ALPHA_TEST);
    const bool lighting = glIsEnabled(GL_LIGHTING);
    const bool texturing = glIsEnabled(GL_TEXTURE_2D);

    glViewport(0, 0, VH_WindowWidth, VH_WindowHeight);
    if (lighting) glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    if (!blend) {
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    }
    if (!alphaTest) {
        glEnable(GL_ALPHA_TEST);
        glAlphaFunc(GL_ALWAYS, 0.0f);
    }
    if (!texturing) glEnable(GL_TEXTURE_2D);

    glColor4ubv(currentColors[font]);
    glBindTexture(GL_TEXTURE_2D, fonts[font].texture);

    // clang-format off
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
        glLoadIdentity();
        gluOrtho2D(0, VH_WindowWidth, VH_WindowHeight, 0);
        glMatrixMode(GL_MODELVIEW);
        glPushMatrix();
            glLoadIdentity();
            int penX = x;
            const int advance = FNT_GetAdvance(font);
            // A font whose mask could not be loaded has no texture: its quads would be
            // solid blocks, so it draws nothing.
            const size_t count = fonts[font].texture ? n : 0;
            for (size_t i = 0; i < count; ++i) {
                // Bytes of 128 and above have no cell; they keep their place on the line.
                FNT_DrawChar((int)(signed char)text[i], penX, y, font);
                penX += advance;
            }
        glPopMatrix();
        glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    // clang-format on

    // Depth test and culling always come back on; blending deliberately stays on, the
    // translucent ground grid drawn later depends on it.
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_CULL_FACE);
    if (!alphaTest) glDisable(GL_ALPHA_TEST);
    if (lighting) glEnable(GL_LIGHTING);
    if (!texturing) glDisable(GL_TEXTURE_2D);

    FNT_ResetColor(font);
}

char* STR_TrimRight(char* s) {
    if (!s) return s;
    size_t n = std::strlen(s);
    while (n > 0 && std::isspace((unsigned char)s[n - 1]))
        s[--n] = '\0';
    return s;
}

bool FNT_FontsLoaded() { return fontsLoaded; }
