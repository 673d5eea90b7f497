// image: BMP and TGA pictures decoded from streams into surfaces, converted between
// pixel depths, and uploaded as OpenGL textures with the filtering, wrapping and
// mipmapping a flags word asks for.
// uses: core, data
#pragma once

#include <GL/gl.h>
#include <string>
#include <vector>

#include "core/types.h"

struct VH_RWops;

// Texture flags of VH_LoadTexture and TEX_Load.
enum : Uint32 {
    TEX_REPEAT = 1,         // GL_REPEAT on S and T, else GL_CLAMP
    TEX_ALPHA = 2,          // keep an alpha channel
    TEX_MIPMAP = 4,         // mipmaps, trilinear minification, linear magnification
    TEX_LUMINANCE = 16,     // grey texture
    TEX_BUILDMIPMAPS = 128, // mipmaps but nearest filters (colour textures only)
};

// A decoded picture. Rows are packed (pitch = bytesPerPixel x width) and row 0 is the
// top of the picture. 24-bit pixels are blue, green, red bytes; 32-bit ones blue, green,
// red, alpha; 15- and 16-bit ones little-endian u16 (5-5-5 or 5-6-5, red highest);
// 8-bit ones palette indices.
struct VH_Surface {
    Uint32 flags;        // always 0
    Uint8 bitsPerPixel;  // 8, 15, 16, 24 or 32
    Uint8 bytesPerPixel; // (bitsPerPixel + 7) / 8
    Uint32 width;        // pixels
    Uint32 height;       // pixels
    Uint16 pitch;        // bytes per row
    Uint8* pixels;       // pitch x height bytes
    Uint8* palette;      // 256 x (blue, green, red, reserved) for 8 bits or less; else null
};

enum { IMG_PALETTE_BYTES = 1024 };

// Null for a zero side, an unsupported depth, a row too long for the pitch, or no memory.
VH_Surface* IMG_CreateSurface(Uint32 flags, Uint32 width, Uint32 height, int bitsPerPixel);
void IMG_FreeSurface(VH_Surface* surface);

// Channel values 0..255 of a pixel value of the given depth (8-bit values go through
// the palette); any other depth gives 0.
Uint8 IMG_GetRed(int depth, Uint32 value, const Uint8* palette = nullptr);
Uint8 IMG_GetGreen(int depth, Uint32 value, const Uint8* palette = nullptr);
Uint8 IMG_GetBlue(int depth, Uint32 value, const Uint8* palette = nullptr);
// The pixel value at (x, y), formed as the conversions form it.
Uint32 IMG_GetPixel(const VH_Surface* surface, Uint32 x, Uint32 y);

// New converted surfaces; null when the source already has that depth or memory ran out.
VH_Surface* Create32BitSurface(const VH_Surface* surface);
VH_Surface* Create24BitSurface(const VH_Surface* surface);
VH_Surface* Create8BitSurface(const VH_Surface* surface);

// Little-endian reads into a zeroed value, so a failed read yields 0.
Uint8 IMG_ReadU8(VH_RWops* rw);
Uint16 IMG_ReadU16(VH_RWops* rw);
Uint32 IMG_ReadU32(VH_RWops* rw);
// Bytes from the current position to the end; the position is kept.
long IMG_StreamRemaining(VH_RWops* rw);

VH_Surface* IMG_LoadBMP(VH_RWops* rw);
VH_Surface* IMG_LoadTGA(VH_RWops* rw);

// A picture's kind comes from its bytes, never from the name it is stored under: a file that
// starts with "BM" is a BMP, anything else is read as a TGA (which has no mark of its own).
// The texture loader, the texture manager's warnings and the archive tool's check all ask here.
enum IMG_PictureKind { IMG_PICTURE_BMP, IMG_PICTURE_TGA };
// Reads the stream's first two bytes and leaves it at its start.
IMG_PictureKind IMG_KindOf(VH_RWops* rw);
// Decodes with the reader the kind names; null when it refuses the picture.
VH_Surface* IMG_LoadPicture(VH_RWops* rw);
// Why IMG_LoadPicture refuses the picture in rw, in one phrase for whoever stored it: a valid
// picture of a kind the engine does not read is named ("32-bit BMP: the engine reads 8- and
// 24-bit uncompressed BMP", "a PNG picture: ..."), anything else is "a damaged ... picture (why)".
// The stream is left at its start.
std::string IMG_PictureFault(VH_RWops* rw);

// Sides a colour texture accepts: powers of two from 2 to 2048.
bool IMG_IsTextureSide(Uint32 n);

// What the texture upload hands to OpenGL, decided without it: the surface itself when it
// already has the depth the flags ask for (24 bits, 32 with TEX_ALPHA, 8 with TEX_LUMINANCE),
// else a converted copy in *converted that the caller frees. Null when it cannot be converted,
// or when a colour texture's sides are not texture sides.
const VH_Surface* IMG_TextureSurface(const VH_Surface* surface, Uint32 flags, VH_Surface** converted);
// A grey texture's luminance and alpha pairs, two bytes per pixel in row order: the grey level
// of grey and the alpha of source (the same size; opaque unless source has 32 bits).
std::vector<Uint8> IMG_GreyAlphaPairs(const VH_Surface* grey, const VH_Surface* source);

GLuint VH_LoadTexture(const char* name, Uint32 flags);
GLuint VH_LoadTexture(VH_RWops* stream, Uint32 flags);
GLuint VH_CreateTexture(const VH_Surface* surface, Uint32 flags);
GLuint VH_CreateGreyTexture(const VH_Surface* surface, Uint32 flags);
