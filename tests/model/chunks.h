// chunks: writes small 3DS files for the model tests (and the archive that holds them).
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

class ChunkWriter {
public:
    void Begin(std::uint16_t id) {
        U16(id);
        open.push_back(bytes.size());
        U32(0); // patched by End
    }
    void End() {
        const std::size_t at = open.back();
        open.pop_back();
        const std::uint32_t length = (std::uint32_t)(bytes.size() - at + 2);
        std::memcpy(&bytes[at], &length, 4);
    }
    void U16(std::uint16_t v) { Raw(&v, 2); }
    void U32(std::uint32_t v) { Raw(&v, 4); }
    void F32(float v) { Raw(&v, 4); }
    void Str(const std::string& s) { Raw(s.c_str(), s.size() + 1); }
    void Raw(const void* p, std::size_t n) {
        const auto* b = static_cast<const std::uint8_t*>(p);
        bytes.insert(bytes.end(), b, b + n);
    }

    std::vector<std::uint8_t> bytes;

private:
    std::vector<std::size_t> open;
};

struct TestMaterial {
    std::string name;
    std::string texture; // empty: no map chunk
    std::uint8_t rgb[3] = {0, 0, 0};
};

struct TestObject {
    std::string name;
    std::vector<float> vertices;     // file frame (z up), x y z per vertex
    std::vector<std::uint16_t> faces; // three per face
    std::vector<float> texCoords;    // u v per vertex
    std::vector<std::string> faceMaterials; // one group chunk per name
};

// An unknown chunk of the given payload size, to check that readers step over it.
inline void WriteUnknown(ChunkWriter& w, std::uint16_t id, int payload) {
    w.Begin(id);
    for (int i = 0; i < payload; ++i) w.Raw("\x4d", 1);
    w.End();
}

// A whole 3DS file; with junk, unknown chunks are sprinkled at every level.
inline std::vector<std::uint8_t> Make3DS(const std::vector<TestMaterial>& materials,
                                         const std::vector<TestObject>& objects, bool junk = false) {
    ChunkWriter w;
    w.Begin(0x4D4D);
    w.Begin(0x0002);
    w.U32(3);
    w.End();
    if (junk) WriteUnknown(w, 0x1234, 9);
    w.Begin(0x3D3D);
    w.Begin(0x3D3E);
    w.U32(3);
    w.End();
    for (const TestMaterial& m : materials) {
        w.Begin(0xAFFF);
        if (junk) WriteUnknown(w, 0xA010, 5);
        w.Begin(0xA000);
        w.Str(m.name);
        w.End();
        w.Begin(0xA020);
        w.Begin(0x0011);
        w.Raw(m.rgb, 3);
        w.End();
        w.End();
        if (!m.texture.empty()) {
            w.Begin(0xA200);
            if (junk) WriteUnknown(w, 0x0030, 2);
            w.Begin(0xA300);
            w.Str(m.texture);
            w.End();
            w.End();
        }
        w.End();
    }
    for (const TestObject& o : objects) {
        w.Begin(0x4000);
        w.Str(o.name);
        w.Begin(0x4100);
        if (junk) WriteUnknown(w, 0x4160, 48);
        w.Begin(0x4110);
        w.U16((std::uint16_t)(o.vertices.size() / 3));
        for (float f : o.vertices) w.F32(f);
        w.End();
        if (!o.texCoords.empty()) {
            w.Begin(0x4140);
            w.U16((std::uint16_t)(o.texCoords.size() / 2));
            for (float f : o.texCoords) w.F32(f);
            w.End();
        }
        w.Begin(0x4120);
        w.U16((std::uint16_t)(o.faces.size() / 3));
        for (std::size_t i = 0; i < o.faces.size(); i += 3) {
            w.U16(o.faces[i]);
            w.U16(o.faces[i + 1]);
            w.U16(o.faces[i + 2]);
            w.U16(7); // edge flags
        }
        for (const std::string& name : o.faceMaterials) {
            w.Begin(0x4130);
            w.Str(name);
            w.U16((std::uint16_t)(o.faces.size() / 3));
            for (std::size_t i = 0; i < o.faces.size() / 3; ++i) w.U16((std::uint16_t)i);
            w.End();
        }
        if (junk) WriteUnknown(w, 0x4150, 4);
        w.End();
        w.End();
        w.End();
    }
    w.End();
    if (junk) {
        w.Begin(0xB000);
        WriteUnknown(w, 0xB00A, 20);
        w.End();
    }
    w.End();
    return w.bytes;
}

// A RESF archive holding the given entries, written directly so the test depends on the
// format alone.
inline bool WriteArchive(const std::string& path,
                         const std::vector<std::pair<std::string, std::vector<std::uint8_t>>>& entries) {
    std::vector<std::uint8_t> out(20, 0);
    std::vector<std::uint32_t> offsets;
    for (const auto& e : entries) {
        offsets.push_back((std::uint32_t)out.size());
        out.insert(out.end(), e.second.begin(), e.second.end());
    }
    const std::uint32_t directory = (std::uint32_t)out.size();
    auto put32 = [&](std::uint32_t v) {
        for (int i = 0; i < 4; ++i) out.push_back((std::uint8_t)(v >> (8 * i)));
    };
    for (std::size_t i = 0; i < entries.size(); ++i) {
        put32((std::uint32_t)entries[i].second.size());
        put32(offsets[i]);
        put32(0);
        out.push_back((std::uint8_t)entries[i].first.size());
        out.insert(out.end(), entries[i].first.begin(), entries[i].first.end());
    }
    const std::uint32_t header[3] = {(std::uint32_t)entries.size(), ~(std::uint32_t)out.size(), directory};
    std::memcpy(&out[0], "RESF", 4);
    out[4] = 0x00, out[5] = 0x01;
    std::memcpy(&out[8], header, 12);
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(out.data(), 1, out.size(), f) == out.size();
    return std::fclose(f) == 0 && ok;
}
