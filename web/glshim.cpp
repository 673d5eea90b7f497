// glshim: the fixed-function pieces the browser's emulation lacks (see glshim.h). This file is
// compiled without the forced include, so the gl* names here are the emulation's own.
#include <GL/gl.h>
#include <GL/glu.h>
#include <GL/glut.h>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <map>
#include <vector>

#include "glshim.h"

// WebGL's own depth range (the emulation exports the desktop name only for doubles it lacks).
extern "C" void emscripten_glDepthRangef(GLclampf near, GLclampf far);

// The forced include renames these for the engine; here they must be the real entry points.
#undef glGenLists
#undef glNewList
#undef glEndList
#undef glCallList
#undef glDeleteLists
#undef glIsList
#undef glBegin
#undef glEnd
#undef glVertex3f
#undef glVertex3fv
#undef glVertex2f
#undef glNormal3f
#undef glNormal3fv
#undef glTexCoord2f
#undef glColor3f
#undef glColor4f
#undef glColor4fv
#undef glColor3ub
#undef glColor4ub
#undef glColor4ubv
#undef glDrawElements
#undef glDrawArrays
#undef glEnableClientState
#undef glDisableClientState
#undef glVertexPointer
#undef glNormalPointer
#undef glTexCoordPointer
#undef glColorPointer
#undef glPushClientAttrib
#undef glPopClientAttrib
#undef glTexImage2D
#undef gluBuild2DMipmaps
#undef glTexParameteri
#undef glGetTexLevelParameteriv
#undef glDeleteTextures
#undef glBindTexture
#undef glEnable
#undef glDisable
#undef glIsEnabled
#undef glColorMaterial
#undef glLightf
#undef glLightfv
#undef glMaterialf
#undef glMaterialfv
#undef glTexEnvf
#undef glHint
#undef glShadeModel
#undef glReadBuffer
#undef glReadPixels
#undef glDepthRange
#undef glPolygonMode
#undef glutSolidSphere
#undef gluLookAt
#undef gluPerspective

namespace {

// ---------------------------------------------------------------------------
// client arrays, as the engine set them
// ---------------------------------------------------------------------------

struct ArrayState {
    bool on = false;
    GLint size = 0;
    GLenum type = GL_FLOAT;
    GLsizei stride = 0;
    const void* pointer = nullptr;
};

struct ClientState {
    ArrayState vertex, normal, texCoord, colour;
};

ClientState client;
std::vector<ClientState> clientStack;

ArrayState* arrayOf(GLenum array) {
    switch (array) {
    case GL_VERTEX_ARRAY: return &client.vertex;
    case GL_NORMAL_ARRAY: return &client.normal;
    case GL_TEXTURE_COORD_ARRAY: return &client.texCoord;
    case GL_COLOR_ARRAY: return &client.colour;
    default: return nullptr;
    }
}

// Puts the real client state where the shadow says it is.
void applyClient(const ClientState& s) {
    const struct {
        GLenum name;
        const ArrayState* a;
    } arrays[] = {{GL_VERTEX_ARRAY, &s.vertex},
                  {GL_NORMAL_ARRAY, &s.normal},
                  {GL_TEXTURE_COORD_ARRAY, &s.texCoord},
                  {GL_COLOR_ARRAY, &s.colour}};
    for (const auto& e : arrays) {
        if (e.a->on)
            glEnableClientState(e.name);
        else
            glDisableClientState(e.name);
    }
    if (s.vertex.pointer) glVertexPointer(s.vertex.size, s.vertex.type, s.vertex.stride, s.vertex.pointer);
    if (s.normal.pointer) glNormalPointer(s.normal.type, s.normal.stride, s.normal.pointer);
    if (s.texCoord.pointer)
        glTexCoordPointer(s.texCoord.size, s.texCoord.type, s.texCoord.stride, s.texCoord.pointer);
    if (s.colour.pointer) glColorPointer(s.colour.size, s.colour.type, s.colour.stride, s.colour.pointer);
}

// ---------------------------------------------------------------------------
// display lists
// ---------------------------------------------------------------------------

// Vertices of one recorded draw, each with every attribute (those the list never set stay
// out of the replay, so the current colour, normal or coordinate applies as it would).
struct Batch {
    GLenum mode = GL_TRIANGLES;
    std::vector<float> position; // 3 a vertex
    std::vector<float> normal;   // 3
    std::vector<float> texCoord; // 2
    std::vector<float> colour;   // 4
    bool hasNormal = false, hasTexCoord = false, hasColour = false;
};

struct List {
    std::vector<Batch> batches;
};

std::map<GLuint, List> lists;
GLuint nextList = 1;
GLuint recording = 0; // the list being compiled, 0 for none
bool executeToo = false;
bool inBatch = false;
Batch batch;
float curNormal[3] = {0, 0, 1};
float curTexCoord[2] = {0, 0};
float curColour[4] = {1, 1, 1, 1};
bool gotNormal = false, gotTexCoord = false, gotColour = false; // set within the batch

void drawBatch(const struct Batch& b);

void addVertex(float x, float y, float z) {
    batch.position.insert(batch.position.end(), {x, y, z});
    batch.normal.insert(batch.normal.end(), curNormal, curNormal + 3);
    batch.texCoord.insert(batch.texCoord.end(), curTexCoord, curTexCoord + 2);
    batch.colour.insert(batch.colour.end(), curColour, curColour + 4);
    batch.hasNormal |= gotNormal;
    batch.hasTexCoord |= gotTexCoord;
    batch.hasColour |= gotColour;
}

void finishBatch() {
    if (recording) {
        if (!batch.position.empty()) lists[recording].batches.push_back(std::move(batch));
    } else {
        drawBatch(batch);
    }
    batch = Batch();
}

float component(const ArrayState& a, GLuint index, int k) {
    const GLsizei elem = a.type == GL_UNSIGNED_BYTE ? 1 : 4;
    const GLsizei stride = a.stride ? a.stride : a.size * elem;
    const std::uint8_t* at = static_cast<const std::uint8_t*>(a.pointer) + (size_t)index * stride;
    if (a.type == GL_UNSIGNED_BYTE) return at[k] / 255.0f;
    float f;
    std::memcpy(&f, at + k * 4, 4);
    return f;
}

GLuint indexAt(GLenum type, const void* indices, GLsizei i) {
    return type == GL_UNSIGNED_SHORT ? static_cast<const GLushort*>(indices)[i]
           : type == GL_UNSIGNED_INT ? static_cast<const GLuint*>(indices)[i]
                                      : static_cast<const GLubyte*>(indices)[i];
}

// A draw from the engine's client arrays, taken apart into a batch of its vertices. Arrays that
// are off stay out of the batch, so the current colour, normal or coordinate applies.
Batch expand(GLenum mode, GLsizei count, GLenum type, const void* indices) {
    Batch b;
    b.mode = mode;
    if (!client.vertex.on || !client.vertex.pointer || count <= 0) return b;
    b.hasNormal = client.normal.on && client.normal.pointer;
    b.hasTexCoord = client.texCoord.on && client.texCoord.pointer;
    b.hasColour = client.colour.on && client.colour.pointer;
    b.position.reserve((size_t)count * 3);
    for (GLsizei i = 0; i < count; ++i) {
        const GLuint index = indexAt(type, indices, i);
        for (int k = 0; k < 3; ++k)
            b.position.push_back(k < client.vertex.size ? component(client.vertex, index, k) : 0.0f);
        if (b.hasNormal)
            for (int k = 0; k < 3; ++k)
                b.normal.push_back(component(client.normal, index, k));
        if (b.hasTexCoord)
            for (int k = 0; k < 2; ++k)
                b.texCoord.push_back(component(client.texCoord, index, k));
        if (b.hasColour)
            for (int k = 0; k < 4; ++k)
                b.colour.push_back(k < client.colour.size ? component(client.colour, index, k) : 1.0f);
    }
    return b;
}

// The emulation draws client arrays well only when they interleave with one stride (it copies
// planar ones into a fixed scratch buffer, by index count, past its end), and knows no quads.
// Every draw therefore goes through here: one interleaved array, triangles for quads.
std::vector<float> interleaved;

std::vector<float> lightBatch(const Batch& b);
bool lightingOn();
bool texturingOn();

void drawBatch(const Batch& b) {
    // lit, the batch's colours are the lighting's, worked out here
    std::vector<float> litColours;
    if (lightingOn()) litColours = lightBatch(b);
    const bool colours = b.hasColour || lightingOn();
    const float* colour = lightingOn() ? litColours.data() : b.colour.data();
    // coordinates for a texture unit that is off only make the emulation complain
    const bool coords = b.hasTexCoord && texturingOn();
    const size_t n = b.position.size() / 3;
    if (n == 0) return;
    GLenum mode = b.mode;
    std::vector<size_t> order;
    if (mode == GL_QUADS) {
        mode = GL_TRIANGLES;
        for (size_t q = 0; q + 3 < n; q += 4)
            for (size_t k : {0, 1, 2, 0, 2, 3})
                order.push_back(q + k);
    } else {
        if (mode == GL_QUAD_STRIP) mode = GL_TRIANGLE_STRIP;
        if (mode == GL_POLYGON) mode = GL_TRIANGLE_FAN;
        order.resize(n);
        for (size_t i = 0; i < n; ++i)
            order[i] = i;
    }
    const int stride = 3 + (b.hasNormal ? 3 : 0) + (coords ? 2 : 0) + (colours ? 4 : 0);
    interleaved.resize(order.size() * (size_t)stride);
    float* out = interleaved.data();
    for (size_t v : order) {
        out = std::copy_n(&b.position[v * 3], 3, out);
        if (b.hasNormal) out = std::copy_n(&b.normal[v * 3], 3, out);
        if (coords) out = std::copy_n(&b.texCoord[v * 2], 2, out);
        if (colours) out = std::copy_n(colour + v * 4, 4, out);
    }
    const GLsizei bytes = stride * 4;
    const float* base = interleaved.data();
    int offset = 3;
    ClientState s;
    s.vertex = {true, 3, GL_FLOAT, bytes, base};
    if (b.hasNormal) {
        s.normal = {true, 3, GL_FLOAT, bytes, base + offset};
        offset += 3;
    }
    if (coords) {
        s.texCoord = {true, 2, GL_FLOAT, bytes, base + offset};
        offset += 2;
    }
    if (colours) s.colour = {true, 4, GL_FLOAT, bytes, base + offset};
    applyClient(s);
    glDrawArrays(mode, 0, (GLsizei)order.size());
    applyClient(client);
}

void replay(const List& list) {
    for (const Batch& b : list.batches)
        drawBatch(b);
}

// ---------------------------------------------------------------------------
// textures
// ---------------------------------------------------------------------------

struct TexSize {
    GLint width = 0, height = 0, format = 0;
};
std::map<GLuint, TexSize> textureSizes;
GLuint boundTexture = 0;

GLenum formatOfComponents(GLint internalFormat) {
    switch (internalFormat) {
    case 1: return GL_LUMINANCE;
    case 2: return GL_LUMINANCE_ALPHA;
    case 3: return GL_RGB;
    case 4: return GL_RGBA;
    default: return (GLenum)internalFormat;
    }
}

int channelsOf(GLenum format) {
    switch (format) {
    case GL_LUMINANCE:
    case GL_ALPHA: return 1;
    case GL_LUMINANCE_ALPHA: return 2;
    case GL_RGB:
    case GL_BGR: return 3;
    default: return 4;
    }
}

// The pixels as WebGL takes them: RGB(A) order, rows packed to the unpack alignment the engine set.
std::vector<std::uint8_t> toUpload(GLsizei w, GLsizei h, GLenum format, const void* pixels, GLenum* uploadFormat) {
    const int channels = channelsOf(format);
    GLint align = 4;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &align);
    const size_t rowIn = ((size_t)w * channels + (size_t)align - 1) / (size_t)align * (size_t)align;
    std::vector<std::uint8_t> out((size_t)w * h * channels);
    const std::uint8_t* in = static_cast<const std::uint8_t*>(pixels);
    for (GLsizei y = 0; y < h; ++y)
        std::memcpy(&out[(size_t)y * w * channels], in + (size_t)y * rowIn, (size_t)w * channels);
    if (format == GL_BGR || format == GL_BGRA)
        for (size_t i = 0; i < out.size(); i += (size_t)channels)
            std::swap(out[i], out[i + 2]);
    *uploadFormat = format == GL_BGR ? GL_RGB : format == GL_BGRA ? GL_RGBA : format;
    return out;
}

void uploadLevel(GLenum target, GLint level, GLenum format, GLsizei w, GLsizei h, const std::uint8_t* data) {
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(target, level, (GLint)format, w, h, 0, format, GL_UNSIGNED_BYTE, data);
    if (level == 0) textureSizes[boundTexture] = {w, h, (GLint)format};
}

// Half the size each way (a side of 1 stays 1), each texel the mean of the ones it covers.
std::vector<std::uint8_t> halve(const std::vector<std::uint8_t>& in, GLsizei w, GLsizei h, int channels) {
    const GLsizei hw = std::max(1, w / 2), hh = std::max(1, h / 2);
    std::vector<std::uint8_t> out((size_t)hw * hh * channels);
    for (GLsizei y = 0; y < hh; ++y)
        for (GLsizei x = 0; x < hw; ++x)
            for (int c = 0; c < channels; ++c) {
                int sum = 0, n = 0;
                for (int dy = 0; dy < (h > 1 ? 2 : 1); ++dy)
                    for (int dx = 0; dx < (w > 1 ? 2 : 1); ++dx) {
                        sum += in[((size_t)(y * 2 + dy) * w + (x * 2 + dx)) * channels + c];
                        ++n;
                    }
                out[((size_t)y * hw + x) * channels + c] = (std::uint8_t)((sum + n / 2) / n);
            }
    return out;
}

// Nearest-sample scaling to other sides (pictures whose sides are not powers of two).
std::vector<std::uint8_t> scale(const std::vector<std::uint8_t>& in, GLsizei w, GLsizei h, GLsizei nw, GLsizei nh,
                                int channels) {
    std::vector<std::uint8_t> out((size_t)nw * nh * channels);
    for (GLsizei y = 0; y < nh; ++y)
        for (GLsizei x = 0; x < nw; ++x) {
            const GLsizei sx = (GLsizei)(((long long)x * w) / nw), sy = (GLsizei)(((long long)y * h) / nh);
            std::memcpy(&out[((size_t)y * nw + x) * channels], &in[((size_t)sy * w + sx) * channels], (size_t)channels);
        }
    return out;
}

GLsizei powerOfTwoBelow(GLsizei n) {
    GLsizei p = 1;
    while (p * 2 <= n)
        p *= 2;
    return p;
}

// ---------------------------------------------------------------------------
// lighting
// ---------------------------------------------------------------------------

// The emulation lights only with directional lights and reads no vertex colour, so lighting is
// done here, per vertex, by the fixed-function equation (positional lights, attenuation, spots,
// colour tracking), and the batch is drawn unlit with the colours it gave.
struct Light {
    bool on = false;
    float ambient[4] = {0, 0, 0, 1}, diffuse[4] = {0, 0, 0, 1}, specular[4] = {0, 0, 0, 1};
    float position[4] = {0, 0, 1, 0}; // eye space
    float spotDirection[3] = {0, 0, -1};
    float spotExponent = 0, spotCutoff = 180;
    float constant = 1, linear = 0, quadratic = 0;
};

struct Material {
    float ambient[4] = {0.2f, 0.2f, 0.2f, 1}, diffuse[4] = {0.8f, 0.8f, 0.8f, 1}, specular[4] = {0, 0, 0, 1};
    float emission[4] = {0, 0, 0, 1};
    float shininess = 0;
};

constexpr int kLights = 8;
Light lights[kLights];
Material material;
float modelAmbient[4] = {0.2f, 0.2f, 0.2f, 1};
bool lighting = false;
bool texturing = false; // GL_TEXTURE_2D, as the engine set it
bool normalize = false;
bool colourMaterial = false;
GLenum colourMaterialMode = GL_AMBIENT_AND_DIFFUSE;

void setLightDefaults() {
    static bool done = false;
    if (done) return;
    done = true;
    for (int k = 0; k < 4; ++k)
        lights[0].diffuse[k] = lights[0].specular[k] = 1.0f;
}

void trackInto(Material& m, const float* c) {
    if (colourMaterialMode == GL_AMBIENT || colourMaterialMode == GL_AMBIENT_AND_DIFFUSE) std::copy_n(c, 4, m.ambient);
    if (colourMaterialMode == GL_DIFFUSE || colourMaterialMode == GL_AMBIENT_AND_DIFFUSE) std::copy_n(c, 4, m.diffuse);
    if (colourMaterialMode == GL_SPECULAR) std::copy_n(c, 4, m.specular);
    if (colourMaterialMode == GL_EMISSION) std::copy_n(c, 4, m.emission);
}

// With colour tracking on, the current colour is the material's.
void trackColour() {
    if (colourMaterial) trackInto(material, curColour);
}

void transformPoint(const float* m, const float* p, float* out) {
    for (int r = 0; r < 4; ++r)
        out[r] = m[r] * p[0] + m[4 + r] * p[1] + m[8 + r] * p[2] + m[12 + r] * p[3];
}

float dot3(const float* a, const float* b) {
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}

void normalise3(float* v) {
    const float l = std::sqrt(dot3(v, v));
    if (l > 0.0f)
        for (int k = 0; k < 3; ++k)
            v[k] /= l;
}

// The batch's colours as lighting makes them (4 a vertex), from its positions and normals in eye space.
std::vector<float> lightBatch(const Batch& b) {
    GLfloat mv[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, mv);
    // normals go through the inverse transpose of the upper 3x3
    const float a = mv[0], bb = mv[4], c = mv[8], d = mv[1], e = mv[5], f = mv[9], g = mv[2], h = mv[6], i = mv[10];
    const float det = a * (e * i - f * h) - bb * (d * i - f * g) + c * (d * h - e * g);
    const float inv = det != 0.0f ? 1.0f / det : 0.0f;
    // rows of the inverse transpose
    const float nm[9] = {(e * i - f * h) * inv, -(d * i - f * g) * inv, (d * h - e * g) * inv,
                         -(bb * i - c * h) * inv, (a * i - c * g) * inv, -(a * h - bb * g) * inv,
                         (bb * f - c * e) * inv, -(a * f - c * d) * inv, (a * e - bb * d) * inv};
    const size_t n = b.position.size() / 3;
    std::vector<float> out(n * 4);
    for (size_t v = 0; v < n; ++v) {
        Material m = material;
        if (colourMaterial && b.hasColour) trackInto(m, &b.colour[v * 4]);
        const float p[4] = {b.position[v * 3], b.position[v * 3 + 1], b.position[v * 3 + 2], 1.0f};
        float eye[4];
        transformPoint(mv, p, eye);
        const float* src = b.hasNormal ? &b.normal[v * 3] : curNormal;
        float normal[3] = {nm[0] * src[0] + nm[1] * src[1] + nm[2] * src[2],
                           nm[3] * src[0] + nm[4] * src[1] + nm[5] * src[2],
                           nm[6] * src[0] + nm[7] * src[1] + nm[8] * src[2]};
        if (normalize) normalise3(normal);
        float col[3];
        for (int k = 0; k < 3; ++k)
            col[k] = m.emission[k] + m.ambient[k] * modelAmbient[k];
        for (const Light& l : lights) {
            if (!l.on) continue;
            float toLight[3];
            float attenuation = 1.0f;
            if (l.position[3] != 0.0f) {
                for (int k = 0; k < 3; ++k)
                    toLight[k] = l.position[k] / l.position[3] - eye[k];
                const float dist = std::sqrt(dot3(toLight, toLight));
                const float q = l.constant + l.linear * dist + l.quadratic * dist * dist;
                attenuation = q > 0.0f ? 1.0f / q : 1.0f;
            } else {
                std::copy_n(l.position, 3, toLight);
            }
            normalise3(toLight);
            float spot = 1.0f;
            if (l.spotCutoff != 180.0f) {
                float dir[3] = {l.spotDirection[0], l.spotDirection[1], l.spotDirection[2]};
                normalise3(dir);
                const float cosine = -dot3(toLight, dir);
                spot = cosine >= std::cos(l.spotCutoff * 3.14159265f / 180.0f)
                           ? (l.spotExponent == 0.0f ? 1.0f : std::pow(std::max(cosine, 0.0f), l.spotExponent))
                           : 0.0f;
            }
            const float scale = attenuation * spot;
            if (scale == 0.0f) continue;
            const float diffuse = std::max(dot3(normal, toLight), 0.0f);
            float half[3] = {toLight[0], toLight[1], toLight[2] + 1.0f};
            normalise3(half);
            const float nh = std::max(dot3(normal, half), 0.0f);
            const float specular = diffuse > 0.0f ? (m.shininess == 0.0f ? 1.0f : std::pow(nh, m.shininess)) : 0.0f;
            for (int k = 0; k < 3; ++k)
                col[k] += scale * (l.ambient[k] * m.ambient[k] + diffuse * l.diffuse[k] * m.diffuse[k] +
                                   specular * l.specular[k] * m.specular[k]);
        }
        for (int k = 0; k < 3; ++k)
            out[v * 4 + k] = std::min(std::max(col[k], 0.0f), 1.0f);
        out[v * 4 + 3] = std::min(std::max(m.diffuse[3], 0.0f), 1.0f);
    }
    return out;
}

void setColour(float r, float g, float b, float a) {
    curColour[0] = r;
    curColour[1] = g;
    curColour[2] = b;
    curColour[3] = a;
    gotColour = true;
    if (inBatch) return;
    glColor4f(r, g, b, a);
    trackColour();
}

bool lightingOn() {
    return lighting;
}

bool texturingOn() {
    return texturing;
}

// ---------------------------------------------------------------------------
// the sphere
// ---------------------------------------------------------------------------

struct Sphere {
    std::vector<float> unit; // positions on the unit sphere, which are also the normals
};
std::map<std::pair<int, int>, Sphere> spheres;

const Sphere& sphereOf(int slices, int stacks) {
    Sphere& s = spheres[{slices, stacks}];
    if (!s.unit.empty()) return s;
    const double pi = 3.14159265358979323846;
    auto at = [&](int i, int j) {
        const double theta = pi * i / stacks, phi = 2.0 * pi * j / slices;
        return std::array<float, 3>{(float)(std::cos(phi) * std::sin(theta)), (float)(std::sin(phi) * std::sin(theta)),
                                    (float)std::cos(theta)};
    };
    for (int i = 0; i < stacks; ++i)
        for (int j = 0; j < slices; ++j) {
            // counter-clockwise seen from outside: upper, lower, lower-next; upper, lower-next, upper-next
            for (auto p : {at(i, j), at(i + 1, j), at(i + 1, j + 1), at(i, j), at(i + 1, j + 1), at(i, j + 1)})
                s.unit.insert(s.unit.end(), p.begin(), p.end());
        }
    return s;
}

} // namespace

extern "C" {

GLuint WGL_GenLists(GLsizei range) {
    if (range <= 0) return 0;
    const GLuint first = nextList;
    for (GLsizei i = 0; i < range; ++i)
        lists[nextList++];
    return first;
}

void WGL_NewList(GLuint list, GLenum mode) {
    if (recording || list == 0) return;
    recording = list;
    executeToo = mode == GL_COMPILE_AND_EXECUTE;
    lists[list].batches.clear();
}

void WGL_EndList(void) {
    if (!recording) return;
    const GLuint done = recording;
    recording = 0;
    inBatch = false;
    if (executeToo) replay(lists[done]);
}

void WGL_CallList(GLuint list) {
    const auto it = lists.find(list);
    if (it != lists.end() && !recording) replay(it->second);
}

void WGL_DeleteLists(GLuint list, GLsizei range) {
    for (GLsizei i = 0; i < range; ++i)
        lists.erase(list + (GLuint)i);
}

GLboolean WGL_IsList(GLuint list) {
    return lists.count(list) ? GL_TRUE : GL_FALSE;
}

// Immediate mode is gathered into a batch and drawn (or kept, inside a list) at its end.
void WGL_Begin(GLenum mode) {
    inBatch = true;
    batch = Batch();
    batch.mode = mode;
    gotNormal = gotTexCoord = gotColour = false;
}

void WGL_End(void) {
    if (!inBatch) return;
    inBatch = false;
    // every vertex carries all of its attributes, as the current values were when it was given
    batch.hasNormal = batch.hasTexCoord = batch.hasColour = true;
    finishBatch();
    // what the batch left current is current now (the emulation keeps no current normal or
    // coordinate outside a batch: ours are carried into every batch instead)
    glColor4f(curColour[0], curColour[1], curColour[2], curColour[3]);
    trackColour();
}

void WGL_Vertex3f(GLfloat x, GLfloat y, GLfloat z) {
    if (inBatch) addVertex(x, y, z);
}
void WGL_Vertex3fv(const GLfloat* v) {
    WGL_Vertex3f(v[0], v[1], v[2]);
}
void WGL_Vertex2f(GLfloat x, GLfloat y) {
    WGL_Vertex3f(x, y, 0.0f);
}

void WGL_Normal3f(GLfloat x, GLfloat y, GLfloat z) {
    curNormal[0] = x;
    curNormal[1] = y;
    curNormal[2] = z;
    gotNormal = true;
}
void WGL_Normal3fv(const GLfloat* v) {
    WGL_Normal3f(v[0], v[1], v[2]);
}

void WGL_TexCoord2f(GLfloat s, GLfloat t) {
    curTexCoord[0] = s;
    curTexCoord[1] = t;
    gotTexCoord = true;
}

void WGL_Color3f(GLfloat r, GLfloat g, GLfloat b) { setColour(r, g, b, 1.0f); }
void WGL_Color4f(GLfloat r, GLfloat g, GLfloat b, GLfloat a) { setColour(r, g, b, a); }
void WGL_Color4fv(const GLfloat* v) { setColour(v[0], v[1], v[2], v[3]); }
void WGL_Color3ub(GLubyte r, GLubyte g, GLubyte b) { setColour(r / 255.0f, g / 255.0f, b / 255.0f, 1.0f); }
void WGL_Color4ub(GLubyte r, GLubyte g, GLubyte b, GLubyte a) {
    setColour(r / 255.0f, g / 255.0f, b / 255.0f, a / 255.0f);
}
void WGL_Color4ubv(const GLubyte* v) { WGL_Color4ub(v[0], v[1], v[2], v[3]); }

void WGL_DrawElements(GLenum mode, GLsizei count, GLenum type, const void* indices) {
    Batch b = expand(mode, count, type, indices);
    if (recording)
        lists[recording].batches.push_back(std::move(b));
    else
        drawBatch(b);
}

void WGL_DrawArrays(GLenum mode, GLint first, GLsizei count) {
    std::vector<GLuint> indices((size_t)std::max(0, count));
    for (GLsizei i = 0; i < count; ++i)
        indices[(size_t)i] = (GLuint)(first + i);
    WGL_DrawElements(mode, count, GL_UNSIGNED_INT, indices.data());
}

// Index and edge-flag arrays are nothing to WebGL; the engine only ever switches them off.
void WGL_EnableClientState(GLenum array) {
    if (ArrayState* a = arrayOf(array)) {
        a->on = true;
        glEnableClientState(array);
    }
}

void WGL_DisableClientState(GLenum array) {
    if (ArrayState* a = arrayOf(array)) {
        a->on = false;
        glDisableClientState(array);
    }
}

void WGL_VertexPointer(GLint size, GLenum type, GLsizei stride, const void* pointer) {
    client.vertex = {client.vertex.on, size, type, stride, pointer};
    glVertexPointer(size, type, stride, pointer);
}
void WGL_NormalPointer(GLenum type, GLsizei stride, const void* pointer) {
    client.normal = {client.normal.on, 3, type, stride, pointer};
    glNormalPointer(type, stride, pointer);
}
void WGL_TexCoordPointer(GLint size, GLenum type, GLsizei stride, const void* pointer) {
    client.texCoord = {client.texCoord.on, size, type, stride, pointer};
    glTexCoordPointer(size, type, stride, pointer);
}
void WGL_ColorPointer(GLint size, GLenum type, GLsizei stride, const void* pointer) {
    client.colour = {client.colour.on, size, type, stride, pointer};
    glColorPointer(size, type, stride, pointer);
}

void WGL_PushClientAttrib(GLbitfield) {
    clientStack.push_back(client);
}

void WGL_PopClientAttrib(void) {
    if (clientStack.empty()) return;
    client = clientStack.back();
    clientStack.pop_back();
    applyClient(client);
}

void WGL_TexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width, GLsizei height, GLint,
                    GLenum format, GLenum type, const void* pixels) {
    (void)internalFormat;
    if (type != GL_UNSIGNED_BYTE || !pixels) {
        glTexImage2D(target, level, (GLint)formatOfComponents(internalFormat), width, height, 0,
                     formatOfComponents(internalFormat), type, pixels);
        return;
    }
    GLenum upload = format;
    const std::vector<std::uint8_t> data = toUpload(width, height, format, pixels, &upload);
    uploadLevel(target, level, upload, width, height, data.data());
}

GLint WGL_Build2DMipmaps(GLenum target, GLint, GLsizei width, GLsizei height, GLenum format, GLenum type,
                         const void* data) {
    if (type != GL_UNSIGNED_BYTE || !data || width < 1 || height < 1) return GLU_INVALID_VALUE;
    GLenum upload = format;
    std::vector<std::uint8_t> level = toUpload(width, height, format, data, &upload);
    const int channels = channelsOf(upload);
    GLsizei w = powerOfTwoBelow(width), h = powerOfTwoBelow(height);
    if (w != width || h != height) level = scale(level, width, height, w, h, channels);
    for (GLint n = 0;; ++n) {
        uploadLevel(target, n, upload, w, h, level.data());
        if (w == 1 && h == 1) break;
        level = halve(level, w, h, channels);
        w = std::max(1, w / 2);
        h = std::max(1, h / 2);
    }
    return 0;
}

void WGL_TexParameteri(GLenum target, GLenum pname, GLint param) {
    if (param == GL_CLAMP) param = GL_CLAMP_TO_EDGE;
    glTexParameteri(target, pname, param);
}

void WGL_GetTexLevelParameteriv(GLenum, GLint level, GLenum pname, GLint* params) {
    const TexSize size = level == 0 && textureSizes.count(boundTexture) ? textureSizes[boundTexture] : TexSize();
    switch (pname) {
    case GL_TEXTURE_WIDTH: *params = size.width; break;
    case GL_TEXTURE_HEIGHT: *params = size.height; break;
    case GL_TEXTURE_INTERNAL_FORMAT: *params = size.format; break;
    default: *params = 0; break;
    }
}

void WGL_DeleteTextures(GLsizei n, const GLuint* textures) {
    for (GLsizei i = 0; i < n; ++i)
        textureSizes.erase(textures[i]);
    glDeleteTextures(n, textures);
}

void WGL_BindTexture(GLenum target, GLuint texture) {
    if (target == GL_TEXTURE_2D) boundTexture = texture;
    glBindTexture(target, texture);
}

// Lighting, its lights, colour tracking and normalising are ours (see lightBatch).
bool ownCapability(GLenum cap, bool on) {
    setLightDefaults();
    if (cap == GL_LIGHTING) {
        lighting = on;
    } else if (cap >= GL_LIGHT0 && cap < GL_LIGHT0 + kLights) {
        lights[cap - GL_LIGHT0].on = on;
    } else if (cap == GL_COLOR_MATERIAL) {
        colourMaterial = on;
        trackColour();
    } else if (cap == GL_NORMALIZE) {
        normalize = on;
    } else if (cap == GL_TEXTURE_2D) {
        texturing = on;
        return false; // the emulation's too
    } else {
        return cap == GL_POINT_SMOOTH || cap == GL_LINE_SMOOTH || cap == GL_POLYGON_SMOOTH;
    }
    return true;
}

void WGL_Enable(GLenum cap) {
    if (!ownCapability(cap, true)) glEnable(cap);
}

void WGL_Disable(GLenum cap) {
    if (!ownCapability(cap, false)) glDisable(cap);
}

GLboolean WGL_IsEnabled(GLenum cap) {
    setLightDefaults();
    if (cap == GL_LIGHTING) return lighting;
    if (cap >= GL_LIGHT0 && cap < GL_LIGHT0 + kLights) return lights[cap - GL_LIGHT0].on;
    if (cap == GL_COLOR_MATERIAL) return colourMaterial;
    if (cap == GL_NORMALIZE) return normalize;
    return glIsEnabled(cap);
}

void WGL_ColorMaterial(GLenum, GLenum mode) {
    colourMaterialMode = mode;
    trackColour();
}

void WGL_Lightf(GLenum light, GLenum pname, GLfloat param) {
    const GLfloat v[4] = {param, 0, 0, 0};
    WGL_Lightfv(light, pname, v);
}

void WGL_Lightfv(GLenum name, GLenum pname, const GLfloat* params) {
    setLightDefaults();
    if (name < GL_LIGHT0 || name >= GL_LIGHT0 + kLights) return;
    Light& l = lights[name - GL_LIGHT0];
    GLfloat mv[16];
    switch (pname) {
    case GL_AMBIENT: std::copy_n(params, 4, l.ambient); break;
    case GL_DIFFUSE: std::copy_n(params, 4, l.diffuse); break;
    case GL_SPECULAR: std::copy_n(params, 4, l.specular); break;
    case GL_POSITION: // kept in eye space, as the modelview matrix stands now
        glGetFloatv(GL_MODELVIEW_MATRIX, mv);
        transformPoint(mv, params, l.position);
        break;
    case GL_SPOT_DIRECTION: {
        glGetFloatv(GL_MODELVIEW_MATRIX, mv);
        const float d[4] = {params[0], params[1], params[2], 0.0f};
        float out[4];
        transformPoint(mv, d, out);
        std::copy_n(out, 3, l.spotDirection);
        break;
    }
    case GL_SPOT_EXPONENT: l.spotExponent = params[0]; break;
    case GL_SPOT_CUTOFF: l.spotCutoff = params[0]; break;
    case GL_CONSTANT_ATTENUATION: l.constant = params[0]; break;
    case GL_LINEAR_ATTENUATION: l.linear = params[0]; break;
    case GL_QUADRATIC_ATTENUATION: l.quadratic = params[0]; break;
    default: break;
    }
}

void WGL_Materialf(GLenum face, GLenum pname, GLfloat param) {
    const GLfloat v[4] = {param, 0, 0, 0};
    WGL_Materialfv(face, pname, v);
}

void WGL_Materialfv(GLenum face, GLenum pname, const GLfloat* params) {
    if (face == GL_BACK) return; // one-sided lighting reads the front material only
    switch (pname) {
    case GL_AMBIENT: std::copy_n(params, 4, material.ambient); break;
    case GL_DIFFUSE: std::copy_n(params, 4, material.diffuse); break;
    case GL_AMBIENT_AND_DIFFUSE:
        std::copy_n(params, 4, material.ambient);
        std::copy_n(params, 4, material.diffuse);
        break;
    case GL_SPECULAR: std::copy_n(params, 4, material.specular); break;
    case GL_EMISSION: std::copy_n(params, 4, material.emission); break;
    case GL_SHININESS: material.shininess = params[0]; break;
    default: break;
    }
}

// The emulation takes the texture environment's mode only as an integer.
void WGL_TexEnvf(GLenum target, GLenum pname, GLfloat param) {
    if (pname == GL_TEXTURE_ENV_MODE)
        glTexEnvi(target, pname, (GLint)param);
    else
        glTexEnvf(target, pname, param);
}

void WGL_Hint(GLenum, GLenum) {}
void WGL_ShadeModel(GLenum) {} // smooth, the only shading the engine asks for and the emulation draws
void WGL_ReadBuffer(GLenum) {}
void WGL_PolygonMode(GLenum, GLenum) {}

void WGL_DepthRange(GLclampd near, GLclampd far) {
    emscripten_glDepthRangef((GLclampf)near, (GLclampf)far);
}

void WGL_ReadPixels(GLint x, GLint y, GLsizei width, GLsizei height, GLenum format, GLenum type, void* pixels) {
    if (format != GL_RGB || type != GL_UNSIGNED_BYTE) {
        glReadPixels(x, y, width, height, format, type, pixels);
        return;
    }
    std::vector<std::uint8_t> rgba((size_t)width * height * 4);
    glReadPixels(x, y, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    GLint align = 4;
    glGetIntegerv(GL_PACK_ALIGNMENT, &align);
    const size_t row = ((size_t)width * 3 + (size_t)align - 1) / (size_t)align * (size_t)align;
    std::uint8_t* out = static_cast<std::uint8_t*>(pixels);
    for (GLsizei r = 0; r < height; ++r)
        for (GLsizei c = 0; c < width; ++c)
            std::memcpy(out + (size_t)r * row + (size_t)c * 3, &rgba[((size_t)r * width + c) * 4], 3);
}

// The viewing transform of an eye at e looking at c with up u, multiplied onto the current matrix.
void WGL_LookAt(GLdouble ex, GLdouble ey, GLdouble ez, GLdouble cx, GLdouble cy, GLdouble cz, GLdouble ux,
                GLdouble uy, GLdouble uz) {
    double f[3] = {cx - ex, cy - ey, cz - ez};
    const double fl = std::sqrt(f[0] * f[0] + f[1] * f[1] + f[2] * f[2]);
    if (fl == 0.0) return;
    for (double& v : f)
        v /= fl;
    double side[3] = {f[1] * uz - f[2] * uy, f[2] * ux - f[0] * uz, f[0] * uy - f[1] * ux};
    const double sl = std::sqrt(side[0] * side[0] + side[1] * side[1] + side[2] * side[2]);
    if (sl != 0.0)
        for (double& v : side)
            v /= sl;
    const double up[3] = {side[1] * f[2] - side[2] * f[1], side[2] * f[0] - side[0] * f[2],
                          side[0] * f[1] - side[1] * f[0]};
    // column-major: rows are side, up and -forward
    const GLfloat m[16] = {(GLfloat)side[0], (GLfloat)up[0], (GLfloat)-f[0], 0,
                           (GLfloat)side[1], (GLfloat)up[1], (GLfloat)-f[1], 0,
                           (GLfloat)side[2], (GLfloat)up[2], (GLfloat)-f[2], 0,
                           0, 0, 0, 1};
    glMultMatrixf(m);
    glTranslatef((GLfloat)-ex, (GLfloat)-ey, (GLfloat)-ez);
}

void WGL_Perspective(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar) {
    const double pi = 3.14159265358979323846;
    const double depth = zFar - zNear;
    const double s = std::sin(fovy / 2.0 * pi / 180.0);
    if (depth == 0.0 || s == 0.0 || aspect == 0.0) return;
    const double cot = std::cos(fovy / 2.0 * pi / 180.0) / s;
    const GLfloat m[16] = {(GLfloat)(cot / aspect), 0, 0, 0,
                           0, (GLfloat)cot, 0, 0,
                           0, 0, (GLfloat)(-(zFar + zNear) / depth), -1,
                           0, 0, (GLfloat)(-2.0 * zNear * zFar / depth), 0};
    glMultMatrixf(m);
}

// Like the desktop library's sphere: drawn from arrays, which it leaves switched off.
void WGL_SolidSphere(GLdouble radius, GLint slices, GLint stacks) {
    if (slices < 1 || stacks < 1) return;
    const Sphere& sphere = sphereOf(slices, stacks);
    Batch b;
    b.mode = GL_TRIANGLES;
    b.hasNormal = true;
    b.normal = sphere.unit;
    b.position.resize(sphere.unit.size());
    for (size_t i = 0; i < sphere.unit.size(); ++i)
        b.position[i] = (float)(sphere.unit[i] * radius);
    drawBatch(b);
    client.vertex.on = client.normal.on = client.texCoord.on = false;
    applyClient(client);
}

void glutMainLoopEvent(void) {}

} // extern "C"
