// upload: pictures from the archive into OpenGL textures (part of the image module).
#include <GL/glu.h>
#include <vector>

#include "data/resfile.h"
#include "data/rwops.h"
#include "image/image.h"
#include "core/glerror.h"

namespace {
void setParameters(Uint32 flags) {
    const GLint wrap = (flags & TEX_REPEAT) ? GL_REPEAT : GL_CLAMP;
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, wrap);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, wrap);
    const bool mip = (flags & TEX_MIPMAP) != 0;
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, mip ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, mip ? GL_LINEAR : GL_NEAREST);
}
} // namespace

bool IMG_IsTextureSide(Uint32 n) {
    return n >= 2 && n <= 2048 && (n & (n - 1)) == 0;
}

const VH_Surface* IMG_TextureSurface(const VH_Surface* surface, Uint32 flags, VH_Surface** converted) {
    *converted = nullptr;
    if (!surface || !surface->pixels) return nullptr;
    // Grey levels are the bytes of an 8-bit picture; deeper pictures are averaged down first
    // rather than having their colour bytes read as grey levels.
    const bool grey = (flags & TEX_LUMINANCE) != 0;
    const int wanted = grey ? 8 : (flags & TEX_ALPHA) ? 32 : 24;
    if (surface->bitsPerPixel == wanted) {
        if (!grey && (!IMG_IsTextureSide(surface->width) || !IMG_IsTextureSide(surface->height))) return nullptr;
        return surface;
    }
    VH_Surface* copy = wanted == 8    ? Create8BitSurface(surface)
                       : wanted == 32 ? Create32BitSurface(surface)
                                      : Create24BitSurface(surface);
    if (!copy) return nullptr;
    if (!grey && (!IMG_IsTextureSide(copy->width) || !IMG_IsTextureSide(copy->height))) {
        IMG_FreeSurface(copy);
        return nullptr;
    }
    *converted = copy;
    return copy;
}

std::vector<Uint8> IMG_GreyAlphaPairs(const VH_Surface* grey, const VH_Surface* source) {
    std::vector<Uint8> pairs;
    if (!grey || !source || !grey->pixels || grey->width != source->width || grey->height != source->height)
        return pairs;
    // Two bytes per pixel as GL_LUMINANCE_ALPHA expects; a source without alpha is opaque.
    pairs.resize((size_t)grey->width * grey->height * 2);
    for (Uint32 y = 0; y < grey->height; ++y)
        for (Uint32 x = 0; x < grey->width; ++x) {
            Uint8* p = &pairs[((size_t)y * grey->width + x) * 2];
            p[0] = grey->pixels[(size_t)y * grey->pitch + x];
            p[1] = source->bitsPerPixel == 32 ? (Uint8)(IMG_GetPixel(source, x, y) >> 24) : 255;
        }
    return pairs;
}

GLuint VH_LoadTexture(const char* name, Uint32 flags) {
    if (!name) return 0;
    VH_RWops* stream = RES_OpenEntryStream(name);
    if (!stream) return 0;
    const GLuint texture = VH_LoadTexture(stream, flags);
    stream->close(stream);
    return texture;
}

GLuint VH_LoadTexture(VH_RWops* stream, Uint32 flags) {
    if (!stream) return 0;
    VH_Surface* surface = IMG_LoadPicture(stream);
    if (!surface) return 0;
    const GLuint texture = VH_CreateTexture(surface, flags);
    IMG_FreeSurface(surface);
    return texture;
}

GLuint VH_CreateTexture(const VH_Surface* surface, Uint32 flags) {
    if (!surface || !surface->pixels) return 0;
    if (flags & TEX_LUMINANCE) return VH_CreateGreyTexture(surface, flags);

    const bool alpha = (flags & TEX_ALPHA) != 0;
    VH_Surface* converted = nullptr;
    const VH_Surface* upload = IMG_TextureSurface(surface, flags, &converted);
    if (!upload) return 0;

    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    setParameters(flags);
    // Surface rows are packed; a 2-pixel 24-bit row is not a whole number of words.
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    const GLint components = alpha ? 4 : 3;
    const GLenum format = alpha ? GL_BGRA_EXT : GL_BGR_EXT;
    const GLsizei w = (GLsizei)upload->width;
    const GLsizei h = (GLsizei)upload->height;
    if (flags & (TEX_MIPMAP | TEX_BUILDMIPMAPS))
        gluBuild2DMipmaps(GL_TEXTURE_2D, components, w, h, format, GL_UNSIGNED_BYTE, upload->pixels);
    else
        glTexImage2D(GL_TEXTURE_2D, 0, components, w, h, 0, format, GL_UNSIGNED_BYTE, upload->pixels);
    IMG_FreeSurface(converted);
    GLERR_Report();
    return texture;
}

GLuint VH_CreateGreyTexture(const VH_Surface* surface, Uint32 flags) {
    if (!surface || !surface->pixels) return 0;
    VH_Surface* converted = nullptr;
    const VH_Surface* grey = IMG_TextureSurface(surface, flags | TEX_LUMINANCE, &converted);
    if (!grey) return 0;
    const GLsizei w = (GLsizei)grey->width;
    const GLsizei h = (GLsizei)grey->height;

    const bool alpha = (flags & TEX_ALPHA) != 0;
    const std::vector<Uint8> pairs = alpha ? IMG_GreyAlphaPairs(grey, surface) : std::vector<Uint8>();

    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    const GLint wrap = (flags & TEX_REPEAT) ? GL_REPEAT : GL_CLAMP;
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, wrap);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, wrap);
    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    const bool mip = (flags & TEX_MIPMAP) != 0;
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, mip ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, mip ? GL_LINEAR : GL_NEAREST);

    const GLint components = alpha ? 2 : 1;
    const GLenum format = alpha ? GL_LUMINANCE_ALPHA : GL_LUMINANCE;
    const void* data = alpha ? (const void*)pairs.data() : (const void*)grey->pixels;
    if (mip)
        gluBuild2DMipmaps(GL_TEXTURE_2D, components, w, h, format, GL_UNSIGNED_BYTE, data);
    else
        glTexImage2D(GL_TEXTURE_2D, 0, components, w, h, 0, format, GL_UNSIGNED_BYTE, data);
    IMG_FreeSurface(converted);
    return texture;
}
