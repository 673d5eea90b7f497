// meshkit: a small kit for building textured models in code and writing them as 3DS files.
//
// Sections: vectors; 3DS output; primitives; transforms; texture coordinates; models.
#include "meshkit.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <tuple>

// --- Vectors ------------------------------------------------------------------------------------------

MkVec3 MK_Vec3(float x, float y, float z) {
    return MkVec3{x, y, z};
}
MkVec3 MK_Add(MkVec3 a, MkVec3 b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
MkVec3 MK_Sub(MkVec3 a, MkVec3 b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
MkVec3 MK_Mul(MkVec3 a, float s) {
    return {a.x * s, a.y * s, a.z * s};
}
MkVec3 MK_Cross(MkVec3 a, MkVec3 b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
float MK_Dot(MkVec3 a, MkVec3 b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
float MK_Length(MkVec3 a) {
    return std::sqrt(MK_Dot(a, a));
}

namespace {

const float kPi = 3.14159265358979f;
const size_t kMaxPerObject = 65535; // vertex and face counts are 16-bit in the file
const size_t kMaxMaterials = 64;    // the mesh draw keeps 64 texture slots per model
const size_t kMaxNameLen = 254;     // material and map names live in 255-byte fields
const size_t kMaxMapLen = 63;       // the texture manager keeps names of up to 63 characters
const size_t kMaxObjectNameLen = 509;

MkVec3 normalize(MkVec3 a) {
    float l = MK_Length(a);
    return l > 0 ? MK_Mul(a, 1.0f / l) : MkVec3{0, 0, 0};
}
// Cosine and sine of a fraction of a full turn, exact at the quarter turns: the reader compares
// positions exactly, so the closing seam of a ring and the poles must land on the same floats.
MkVec2 turn(float fraction) {
    fraction -= std::floor(fraction);
    if (fraction == 0.0f) return {1, 0};
    if (fraction == 0.25f) return {0, 1};
    if (fraction == 0.5f) return {-1, 0};
    if (fraction == 0.75f) return {0, -1};
    return {std::cos(2 * kPi * fraction), std::sin(2 * kPi * fraction)};
}

float clamp01(float v) {
    return v < 0 ? 0 : (v > 1 ? 1 : v);
}

Uint32 addVertex(MkMesh& m, MkVec3 p, MkVec2 uv) {
    m.positions.push_back(p);
    m.uvs.push_back({clamp01(uv.u), clamp01(uv.v)});
    return Uint32(m.positions.size() - 1);
}

bool samePlace(MkVec3 a, MkVec3 b) {
    return a.x == b.x && a.y == b.y && a.z == b.z;
}

// Adds a triangle unless two of its corners coincide.
void addTriangle(MkMesh& m, Uint32 a, Uint32 b, Uint32 c) {
    const MkVec3 &p = m.positions[a], &q = m.positions[b], &r = m.positions[c];
    if (!samePlace(p, q) && !samePlace(q, r) && !samePlace(r, p)) m.faces.push_back({a, b, c});
}

// A (cols + 1) x (rows + 1) sheet of vertices from a function of (s, t) in 0..1, t = 0 at the top of
// the picture. The outside is the side dP/ds x dP/dt points to; `flip` turns it the other way.
void addSheet(MkMesh& m, int cols, int rows, const std::function<MkVec3(float, float)>& at, bool flip = false) {
    cols = std::max(cols, 1);
    rows = std::max(rows, 1);
    Uint32 base = Uint32(m.positions.size());
    for (int j = 0; j <= rows; ++j)
        for (int i = 0; i <= cols; ++i) {
            float s = float(i) / cols, t = float(j) / rows;
            addVertex(m, at(s, t), {s, t});
        }
    for (int j = 0; j < rows; ++j)
        for (int i = 0; i < cols; ++i) {
            Uint32 a = base + j * (cols + 1) + i, b = a + 1, d = a + (cols + 1), c = d + 1;
            if (flip) std::swap(b, d);
            // rows that shrink to a point (poles, tips) would give triangles of no area
            addTriangle(m, a, b, c);
            addTriangle(m, a, c, d);
        }
}

// A flat disc around the y axis at height y, facing up or down.
void addCap(MkMesh& m, float radius, float y, int segments, bool up) {
    Uint32 centre = addVertex(m, {0, y, 0}, {0.5f, 0.5f});
    Uint32 first = Uint32(m.positions.size());
    for (int i = 0; i < segments; ++i) {
        MkVec2 a = turn(float(i) / segments);
        addVertex(m, {radius * a.u, y, radius * a.v}, {0.5f + 0.5f * a.u, 0.5f + 0.5f * a.v});
    }
    for (int i = 0; i < segments; ++i) {
        Uint32 p = first + i, q = first + (i + 1) % segments;
        if (up)
            m.faces.push_back({centre, q, p});
        else
            m.faces.push_back({centre, p, q});
    }
}

// Ear clipping of a simple polygon given counter-clockwise; returns index triples.
std::vector<MkFace> triangulate(const std::vector<MkVec2>& poly) {
    std::vector<MkFace> out;
    std::vector<Uint32> idx(poly.size());
    for (size_t i = 0; i < idx.size(); ++i)
        idx[i] = Uint32(i);
    auto crossAt = [&](Uint32 a, Uint32 b, Uint32 c) {
        return (poly[b].u - poly[a].u) * (poly[c].v - poly[a].v) - (poly[b].v - poly[a].v) * (poly[c].u - poly[a].u);
    };
    auto inside = [&](Uint32 p, Uint32 a, Uint32 b, Uint32 c) {
        return crossAt(a, b, p) >= 0 && crossAt(b, c, p) >= 0 && crossAt(c, a, p) >= 0;
    };
    size_t guard = 0;
    while (idx.size() > 3 && guard++ < poly.size() * poly.size()) {
        bool clipped = false;
        for (size_t i = 0; i < idx.size(); ++i) {
            Uint32 a = idx[(i + idx.size() - 1) % idx.size()], b = idx[i], c = idx[(i + 1) % idx.size()];
            if (crossAt(a, b, c) <= 0) continue;
            bool ear = true;
            for (Uint32 p : idx)
                if (p != a && p != b && p != c && inside(p, a, b, c)) {
                    ear = false;
                    break;
                }
            if (!ear) continue;
            out.push_back({a, b, c});
            idx.erase(idx.begin() + long(i));
            clipped = true;
            break;
        }
        if (!clipped) break; // not simple or not counter-clockwise: give up on the rest
    }
    if (idx.size() == 3) out.push_back({idx[0], idx[1], idx[2]});
    return out;
}

void bounds(const MkMesh& m, MkVec3* lo, MkVec3* hi) {
    *lo = {1e30f, 1e30f, 1e30f};
    *hi = {-1e30f, -1e30f, -1e30f};
    for (const MkVec3& p : m.positions) {
        lo->x = std::min(lo->x, p.x), lo->y = std::min(lo->y, p.y), lo->z = std::min(lo->z, p.z);
        hi->x = std::max(hi->x, p.x), hi->y = std::max(hi->y, p.y), hi->z = std::max(hi->z, p.z);
    }
}

float fraction(float v, float lo, float hi) {
    return hi > lo ? clamp01((v - lo) / (hi - lo)) : 0.5f;
}

// Per-position normals as the engine's reader makes them: area-weighted, over every face touching
// the same position.
std::vector<MkVec3> positionNormals(const MkMesh& m) {
    std::vector<MkVec3> normals(m.positions.size(), MkVec3{0, 0, 0});
    std::vector<size_t> order(m.positions.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    auto less = [&](size_t a, size_t b) {
        const MkVec3 &p = m.positions[a], &q = m.positions[b];
        return std::tie(p.x, p.y, p.z) < std::tie(q.x, q.y, q.z);
    };
    std::sort(order.begin(), order.end(), less);
    std::vector<size_t> group(order.size());
    for (size_t i = 0; i < order.size(); ++i)
        group[order[i]] = (i > 0 && !less(order[i - 1], order[i])) ? group[order[i - 1]] : order[i];
    std::vector<MkVec3> sum(m.positions.size(), MkVec3{0, 0, 0});
    for (const MkFace& f : m.faces) {
        MkVec3 n = MK_Cross(MK_Sub(m.positions[f.b], m.positions[f.a]), MK_Sub(m.positions[f.c], m.positions[f.a]));
        for (Uint32 v : {f.a, f.b, f.c})
            sum[group[v]] = MK_Add(sum[group[v]], n);
    }
    for (size_t i = 0; i < normals.size(); ++i)
        normals[i] = normalize(sum[group[i]]);
    return normals;
}

void rotate(MkMesh& m, float degrees, int axis) {
    float a = degrees * kPi / 180.0f, c = std::cos(a), s = std::sin(a);
    for (MkVec3& p : m.positions) {
        MkVec3 q = p;
        if (axis == 0) q = {p.x, c * p.y - s * p.z, s * p.y + c * p.z};
        if (axis == 1) q = {c * p.x + s * p.z, p.y, -s * p.x + c * p.z};
        if (axis == 2) q = {c * p.x - s * p.y, s * p.x + c * p.y, p.z};
        p = q;
    }
}

// --- 3DS output ---------------------------------------------------------------------------------------

class ChunkWriter {
public:
    std::vector<Uint8> bytes;
    void u8(Uint8 v) { bytes.push_back(v); }
    void u16(Uint16 v) { u8(Uint8(v)), u8(Uint8(v >> 8)); }
    void u32(Uint32 v) { u16(Uint16(v)), u16(Uint16(v >> 16)); }
    void f32(float f) {
        Uint32 v;
        std::memcpy(&v, &f, 4);
        u32(v);
    }
    void str(const std::string& s) {
        bytes.insert(bytes.end(), s.begin(), s.end());
        u8(0);
    }
    size_t open(Uint16 id) {
        u16(id);
        u32(0);
        return bytes.size() - 6;
    }
    void close(size_t at) {
        Uint32 len = Uint32(bytes.size() - at);
        for (int i = 0; i < 4; ++i)
            bytes[at + 2 + i] = Uint8(len >> (8 * i));
    }
};

} // namespace

// --- Primitives ---------------------------------------------------------------------------------------

MkMesh MK_Box(MkVec3 size) {
    MkMesh m;
    MkVec3 h = MK_Mul(size, 0.5f);
    struct Side {
        MkVec3 n, r, t;
    };
    const Side sides[6] = {{{1, 0, 0}, {0, 0, -1}, {0, 1, 0}}, {{-1, 0, 0}, {0, 0, 1}, {0, 1, 0}},
                           {{0, 0, 1}, {1, 0, 0}, {0, 1, 0}},  {{0, 0, -1}, {-1, 0, 0}, {0, 1, 0}},
                           {{0, 1, 0}, {1, 0, 0}, {0, 0, -1}}, {{0, -1, 0}, {1, 0, 0}, {0, 0, 1}}};
    for (const Side& sd : sides) {
        auto corner = [&](float a, float b) {
            MkVec3 p = MK_Add(MK_Add(sd.n, MK_Mul(sd.r, a)), MK_Mul(sd.t, b));
            return MkVec3{p.x * h.x, p.y * h.y, p.z * h.z};
        };
        Uint32 base = Uint32(m.positions.size());
        addVertex(m, corner(-1, -1), {0, 1});
        addVertex(m, corner(1, -1), {1, 1});
        addVertex(m, corner(1, 1), {1, 0});
        addVertex(m, corner(-1, 1), {0, 0});
        m.faces.push_back({base, base + 1, base + 2});
        m.faces.push_back({base, base + 2, base + 3});
    }
    return m;
}

MkMesh MK_BoxAt(MkVec3 size, MkVec3 centre) {
    MkMesh m = MK_Box(size);
    MK_Translate(m, centre);
    return m;
}

MkMesh MK_Plane(float sizeX, float sizeZ) {
    return MK_Heightfield(1, 1, sizeX, sizeZ, [](float, float) { return 0.0f; });
}

MkMesh MK_Cylinder(float radius, float height, int segments, bool caps) {
    segments = std::max(segments, 3);
    MkMesh m;
    addSheet(m, segments, 1, [&](float s, float t) {
        MkVec2 a = turn(s);
        return MkVec3{radius * a.u, height * (1 - t), radius * a.v};
    });
    if (caps) {
        addCap(m, radius, height, segments, true);
        addCap(m, radius, 0, segments, false);
    }
    return m;
}

MkMesh MK_Cone(float radius, float height, int segments, bool base) {
    segments = std::max(segments, 3);
    MkMesh m = MK_Lathe({{radius, 0}, {0, height}}, segments);
    if (base) addCap(m, radius, 0, segments, false);
    return m;
}

MkMesh MK_Sphere(float radius, int slices, int stacks) {
    MkMesh m;
    addSheet(m, std::max(slices, 3), std::max(stacks, 2), [&](float s, float t) {
        MkVec2 th = turn(s), ph = turn(t * 0.5f);
        return MkVec3{radius * ph.v * th.u, radius * ph.u, radius * ph.v * th.v};
    });
    return m;
}

MkMesh MK_Torus(float ringRadius, float tubeRadius, int ringSegments, int tubeSegments) {
    MkMesh m;
    addSheet(m, std::max(ringSegments, 3), std::max(tubeSegments, 3), [&](float s, float t) {
        MkVec2 th = turn(s), ps = turn(-t);
        float r = ringRadius + tubeRadius * ps.u;
        return MkVec3{r * th.u, tubeRadius * ps.v, r * th.v};
    });
    return m;
}

MkMesh MK_Lathe(const std::vector<MkVec2>& profile, int segments) {
    MkMesh m;
    if (profile.size() < 2) return m;
    // v follows the length along the profile, top row of the picture at the top of the profile
    std::vector<float> along(profile.size(), 0.0f);
    for (size_t i = profile.size() - 1; i-- > 0;)
        along[i] = along[i + 1] + std::hypot(profile[i + 1].u - profile[i].u, profile[i + 1].v - profile[i].v);
    float total = along[0] > 0 ? along[0] : 1.0f;
    segments = std::max(segments, 3);
    Uint32 base = Uint32(m.positions.size());
    int rows = int(profile.size()) - 1;
    for (int j = 0; j <= rows; ++j) {
        const MkVec2& p = profile[profile.size() - 1 - j];
        for (int i = 0; i <= segments; ++i) {
            MkVec2 a = turn(float(i) / segments);
            addVertex(m, {p.u * a.u, p.v, p.u * a.v}, {float(i) / segments, along[profile.size() - 1 - j] / total});
        }
    }
    for (int j = 0; j < rows; ++j)
        for (int i = 0; i < segments; ++i) {
            Uint32 a = base + j * (segments + 1) + i, b = a + 1, d = a + (segments + 1), c = d + 1;
            addTriangle(m, a, b, c);
            addTriangle(m, a, c, d);
        }
    return m;
}

MkMesh MK_Extrude(const std::vector<MkVec2>& section, const std::vector<MkVec3>& pathIn, bool caps) {
    MkMesh m;
    // a point repeated along the path has no direction to give its frame
    std::vector<MkVec3> path;
    for (const MkVec3& p : pathIn)
        if (path.empty() || !samePlace(path.back(), p)) path.push_back(p);
    if (section.size() < 3 || path.size() < 2) return m;
    // frames: tangent along the path; the section's y stays as close to world up as the path allows
    size_t n = path.size();
    std::vector<MkVec3> xs(n), ys(n);
    std::vector<float> along(n, 0.0f);
    for (size_t k = 0; k < n; ++k) {
        MkVec3 t = normalize(MK_Sub(path[std::min(k + 1, n - 1)], path[k > 0 ? k - 1 : 0]));
        MkVec3 up = std::fabs(t.y) > 0.99f ? MkVec3{0, 0, -1} : MkVec3{0, 1, 0};
        xs[k] = normalize(MK_Cross(up, t));
        ys[k] = MK_Cross(t, xs[k]);
        if (k > 0) along[k] = along[k - 1] + MK_Length(MK_Sub(path[k], path[k - 1]));
    }
    std::vector<float> perim(section.size() + 1, 0.0f);
    for (size_t i = 0; i < section.size(); ++i) {
        const MkVec2 &a = section[i], &b = section[(i + 1) % section.size()];
        perim[i + 1] = perim[i] + std::hypot(b.u - a.u, b.v - a.v);
    }
    auto place = [&](size_t k, MkVec2 q) { return MK_Add(path[k], MK_Add(MK_Mul(xs[k], q.u), MK_Mul(ys[k], q.v))); };
    Uint32 base = Uint32(m.positions.size());
    size_t cols = section.size();
    for (size_t k = 0; k < n; ++k)
        for (size_t i = 0; i <= cols; ++i)
            addVertex(
                m, place(k, section[i % cols]),
                {perim[i] / (perim[cols] > 0 ? perim[cols] : 1), along[k] / (along[n - 1] > 0 ? along[n - 1] : 1)});
    for (size_t k = 0; k + 1 < n; ++k)
        for (size_t i = 0; i < cols; ++i) {
            Uint32 a = Uint32(base + k * (cols + 1) + i), b = a + 1, d = Uint32(a + cols + 1), c = d + 1;
            m.faces.push_back({a, b, c});
            m.faces.push_back({a, c, d});
        }
    if (caps) {
        MkVec2 lo = section[0], hi = section[0];
        for (const MkVec2& q : section)
            lo = {std::min(lo.u, q.u), std::min(lo.v, q.v)}, hi = {std::max(hi.u, q.u), std::max(hi.v, q.v)};
        std::vector<MkFace> tris = triangulate(section);
        for (int end = 0; end < 2; ++end) {
            size_t k = end ? n - 1 : 0;
            Uint32 first = Uint32(m.positions.size());
            for (const MkVec2& q : section)
                addVertex(m, place(k, q), {fraction(q.u, lo.u, hi.u), 1 - fraction(q.v, lo.v, hi.v)});
            for (const MkFace& f : tris)
                if (end)
                    m.faces.push_back({first + f.a, first + f.b, first + f.c});
                else
                    m.faces.push_back({first + f.a, first + f.c, first + f.b});
        }
    }
    return m;
}

MkMesh MK_Tube(float radius, const std::vector<MkVec3>& path, int sides) {
    std::vector<MkVec2> section;
    for (int i = 0; i < sides; ++i) {
        const float a = 2 * kPi * i / sides;
        section.push_back({radius * std::cos(a), radius * std::sin(a)});
    }
    return MK_Extrude(section, path, true);
}

MkMesh MK_Heightfield(int cellsX, int cellsZ, float sizeX, float sizeZ,
                      const std::function<float(float, float)>& height) {
    MkMesh m;
    addSheet(
        m, cellsX, cellsZ,
        [&](float s, float t) {
            float x = (s - 0.5f) * sizeX, z = (t - 0.5f) * sizeZ;
            return MkVec3{x, height(x, z), z};
        },
        true);
    return m;
}

// --- Transforms ---------------------------------------------------------------------------------------

void MK_Translate(MkMesh& mesh, MkVec3 offset) {
    for (MkVec3& p : mesh.positions)
        p = MK_Add(p, offset);
}

void MK_Scale(MkMesh& mesh, MkVec3 f) {
    for (MkVec3& p : mesh.positions)
        p = {p.x * f.x, p.y * f.y, p.z * f.z};
    if (f.x * f.y * f.z < 0) MK_FlipFaces(mesh);
}

void MK_RotateX(MkMesh& mesh, float degrees) {
    rotate(mesh, degrees, 0);
}
void MK_RotateY(MkMesh& mesh, float degrees) {
    rotate(mesh, degrees, 1);
}
void MK_RotateZ(MkMesh& mesh, float degrees) {
    rotate(mesh, degrees, 2);
}

void MK_Merge(MkMesh& into, const MkMesh& from) {
    Uint32 base = Uint32(into.positions.size());
    into.positions.insert(into.positions.end(), from.positions.begin(), from.positions.end());
    into.uvs.insert(into.uvs.end(), from.uvs.begin(), from.uvs.end());
    for (const MkFace& f : from.faces)
        into.faces.push_back({f.a + base, f.b + base, f.c + base});
}

void MK_FlipFaces(MkMesh& mesh) {
    for (MkFace& f : mesh.faces)
        std::swap(f.b, f.c);
}

void MK_TwoSided(MkMesh& mesh) {
    MkVec3 lo, hi;
    bounds(mesh, &lo, &hi);
    float hair = std::max(MK_Length(MK_Sub(hi, lo)) * 2e-4f, 1e-4f);
    std::vector<MkVec3> normals = positionNormals(mesh);
    MkMesh back;
    for (size_t i = 0; i < mesh.positions.size(); ++i)
        addVertex(back, MK_Sub(mesh.positions[i], MK_Mul(normals[i], hair)), mesh.uvs[i]);
    back.faces = mesh.faces;
    MK_FlipFaces(back);
    MK_Merge(mesh, back);
}

// --- Texture coordinates ------------------------------------------------------------------------------

void MK_PlanarUV(MkMesh& mesh, MkAxis axis) {
    MkVec3 lo, hi;
    bounds(mesh, &lo, &hi);
    for (size_t i = 0; i < mesh.positions.size(); ++i) {
        const MkVec3& p = mesh.positions[i];
        if (axis == MK_AXIS_X)
            mesh.uvs[i] = {fraction(p.z, lo.z, hi.z), 1 - fraction(p.y, lo.y, hi.y)};
        else if (axis == MK_AXIS_Y)
            mesh.uvs[i] = {fraction(p.x, lo.x, hi.x), fraction(p.z, lo.z, hi.z)};
        else
            mesh.uvs[i] = {fraction(p.x, lo.x, hi.x), 1 - fraction(p.y, lo.y, hi.y)};
    }
}

void MK_CylindricalUV(MkMesh& mesh) {
    MkVec3 lo, hi;
    bounds(mesh, &lo, &hi);
    for (size_t i = 0; i < mesh.positions.size(); ++i) {
        const MkVec3& p = mesh.positions[i];
        float a = (p.x == 0 && p.z == 0) ? 0.0f : std::fabs(std::atan2(p.z, p.x)) / kPi;
        mesh.uvs[i] = {clamp01(a), 1 - fraction(p.y, lo.y, hi.y)};
    }
}

void MK_BoxUV(MkMesh& mesh) {
    MkVec3 lo, hi;
    bounds(mesh, &lo, &hi);
    MkMesh out;
    for (const MkFace& f : mesh.faces) {
        MkVec3 a = mesh.positions[f.a], b = mesh.positions[f.b], c = mesh.positions[f.c];
        MkVec3 n = MK_Cross(MK_Sub(b, a), MK_Sub(c, a));
        float ax = std::fabs(n.x), ay = std::fabs(n.y), az = std::fabs(n.z);
        Uint32 base = Uint32(out.positions.size());
        for (MkVec3 p : {a, b, c}) {
            MkVec2 uv;
            if (ax >= ay && ax >= az)
                uv = {fraction(p.z, lo.z, hi.z), 1 - fraction(p.y, lo.y, hi.y)};
            else if (ay >= az)
                uv = {fraction(p.x, lo.x, hi.x), fraction(p.z, lo.z, hi.z)};
            else
                uv = {fraction(p.x, lo.x, hi.x), 1 - fraction(p.y, lo.y, hi.y)};
            addVertex(out, p, uv);
        }
        out.faces.push_back({base, base + 1, base + 2});
    }
    mesh = out;
}

// --- Models -------------------------------------------------------------------------------------------

void MK_AddMaterial(MkModel& model, const std::string& name, Uint8 r, Uint8 g, Uint8 b, const std::string& textureMap) {
    model.materials.push_back({name, r, g, b, textureMap});
}

void MK_AddObject(MkModel& model, const std::string& name, const MkMesh& mesh, const std::string& material) {
    model.objects.push_back({name, mesh, material});
}

bool MK_Bounds(const MkModel& model, MkVec3* lo, MkVec3* hi) {
    MkMesh all;
    for (const MkObject& o : model.objects)
        all.positions.insert(all.positions.end(), o.mesh.positions.begin(), o.mesh.positions.end());
    if (all.positions.empty()) return false;
    bounds(all, lo, hi);
    return true;
}

std::string MK_Check(const MkModel& model) {
    if (model.objects.empty()) return "the model has no objects";
    if (model.materials.size() > kMaxMaterials) return "more than 64 materials";
    for (size_t i = 0; i < model.materials.size(); ++i) {
        const MkMaterial& mat = model.materials[i];
        if (mat.name.empty() || mat.name.size() > kMaxNameLen || mat.name.find('\0') != std::string::npos)
            return "material " + std::to_string(i) + " has an empty or over-long name";
        if (mat.textureMap.size() > kMaxMapLen || mat.textureMap.find('\0') != std::string::npos)
            return "material \"" + mat.name + "\" has an over-long texture map name";
        for (size_t j = 0; j < i; ++j)
            if (model.materials[j].name == mat.name) return "material \"" + mat.name + "\" is defined twice";
    }
    for (const MkObject& o : model.objects) {
        const std::string who = "object \"" + o.name + "\"";
        if (o.name.empty() || o.name.size() > kMaxObjectNameLen || o.name.find('\0') != std::string::npos)
            return "an object has an empty or over-long name";
        const MkMesh& m = o.mesh;
        if (m.positions.empty() || m.faces.empty()) return who + " is empty";
        if (m.positions.size() > kMaxPerObject || m.faces.size() > kMaxPerObject)
            return who + " has more than 65535 vertices or faces";
        if (m.uvs.size() != m.positions.size()) return who + " lacks texture coordinates";
        for (const MkVec3& p : m.positions)
            if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z))
                return who + " has a position that is not a number";
        for (const MkVec2& t : m.uvs)
            if (!(t.u >= 0 && t.u <= 1 && t.v >= 0 && t.v <= 1)) return who + " has texture coordinates outside 0..1";
        for (const MkFace& f : m.faces)
            if (f.a >= m.positions.size() || f.b >= m.positions.size() || f.c >= m.positions.size())
                return who + " has a face index out of range";
        if (!o.material.empty()) {
            bool found = false;
            for (const MkMaterial& mat : model.materials)
                found = found || mat.name == o.material;
            if (!found) return who + " uses the unknown material \"" + o.material + "\"";
        }
    }
    return "";
}

std::vector<Uint8> MK_Write3DS(const MkModel& model) {
    if (!MK_Check(model).empty()) return {};
    ChunkWriter w;
    size_t main = w.open(0x4D4D);
    size_t version = w.open(0x0002);
    w.u32(3);
    w.close(version);
    size_t editor = w.open(0x3D3D);
    size_t meshVersion = w.open(0x3D3E); // the reader expects it first in the editor chunk
    w.u32(3);
    w.close(meshVersion);
    for (const MkMaterial& mat : model.materials) {
        size_t mc = w.open(0xAFFF);
        size_t nc = w.open(0xA000);
        w.str(mat.name);
        w.close(nc);
        size_t dc = w.open(0xA020);
        size_t cc = w.open(0x0011);
        w.u8(mat.r), w.u8(mat.g), w.u8(mat.b);
        w.close(cc);
        w.close(dc);
        if (!mat.textureMap.empty()) {
            size_t tc = w.open(0xA200);
            size_t pc = w.open(0x0030); // map strength, percent
            w.u16(100);
            w.close(pc);
            size_t fc = w.open(0xA300);
            w.str(mat.textureMap);
            w.close(fc);
            w.close(tc);
        }
        w.close(mc);
    }
    for (const MkObject& o : model.objects) {
        size_t oc = w.open(0x4000);
        w.str(o.name);
        size_t tm = w.open(0x4100);
        size_t vc = w.open(0x4110);
        w.u16(Uint16(o.mesh.positions.size()));
        for (const MkVec3& p : o.mesh.positions)
            w.f32(p.x), w.f32(-p.z), w.f32(p.y); // z up in the file
        w.close(vc);
        size_t uc = w.open(0x4140);
        w.u16(Uint16(o.mesh.uvs.size()));
        for (const MkVec2& t : o.mesh.uvs)
            w.f32(t.u), w.f32(t.v);
        w.close(uc);
        size_t fc = w.open(0x4120);
        w.u16(Uint16(o.mesh.faces.size()));
        for (const MkFace& f : o.mesh.faces)
            w.u16(Uint16(f.a)), w.u16(Uint16(f.b)), w.u16(Uint16(f.c)), w.u16(7);
        if (!o.material.empty()) {
            size_t gc = w.open(0x4130);
            w.str(o.material);
            w.u16(Uint16(o.mesh.faces.size()));
            for (size_t i = 0; i < o.mesh.faces.size(); ++i)
                w.u16(Uint16(i));
            w.close(gc);
        }
        w.close(fc);
        w.close(tm);
        w.close(oc);
    }
    w.close(editor);
    w.close(main);
    return w.bytes;
}
