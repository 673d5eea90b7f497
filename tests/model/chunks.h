// chunks: writes small 3DS files for the model tests.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "support/archive_bytes.h"

class ChunkWriter {
public:
    void Begin(std::uint16_t id) {
        Raw(&id, 2);
        open.push_back(bytes.size());
        Raw("\0\0\0\0", 4);
    }
    void End() {
        const std::uint32_t length = (std::uint32_t)(bytes.size() - open.back() + 2);
        std::memcpy(&bytes[open.back()], &length, 4);
        open.pop_back();
    }
    template <typename T> void Put(T v) { Raw(&v, sizeof v); }
    void Str(const std::string& s) { Raw(s.c_str(), s.size() + 1); }
    void Raw(const void* p, std::size_t n) {
        bytes.insert(bytes.end(), (const std::uint8_t*)p, (const std::uint8_t*)p + n);
    }
    // A chunk holding only a string, or only filler that readers must step over.
    void StrChunk(std::uint16_t id, const std::string& s) { Begin(id), Str(s), End(); }
    void Unknown(std::uint16_t id, int payload) { Begin(id), Raw(std::string(payload, 'M').data(), payload), End(); }
    // A count of items of `per` floats, then the floats.
    void Floats(std::uint16_t id, const std::vector<float>& v, std::size_t per) {
        Begin(id), Put((std::uint16_t)(v.size() / per));
        for (float f : v)
            Put(f);
        End();
    }

    std::vector<std::uint8_t> bytes;

private:
    std::vector<std::size_t> open;
};

struct TestMaterial {
    std::string name, texture; // texture empty: no map chunk
    std::uint8_t rgb[3];
};

struct TestObject {
    std::string name;
    std::vector<float> vertices;            // file frame (z up)
    std::vector<std::uint16_t> faces;       // three per face
    std::vector<float> texCoords;           // u v pairs
    std::vector<std::string> faceMaterials; // one group chunk each
};

// A whole 3DS file; with junk, unknown chunks sit at every level.
inline std::vector<std::uint8_t> Make3DS(const std::vector<TestMaterial>& materials,
                                         const std::vector<TestObject>& objects, bool junk = false) {
    ChunkWriter w;
    w.Begin(0x4D4D);
    w.Begin(0x0002), w.Put<std::uint32_t>(3), w.End();
    if (junk) w.Unknown(0x1234, 9);
    w.Begin(0x3D3D);
    w.Begin(0x3D3E), w.Put<std::uint32_t>(3), w.End();
    for (const TestMaterial& m : materials) {
        w.Begin(0xAFFF);
        if (junk) w.Unknown(0xA010, 5);
        w.StrChunk(0xA000, m.name);
        w.Begin(0xA020), w.Begin(0x0011), w.Raw(m.rgb, 3), w.End(), w.End();
        if (!m.texture.empty()) {
            w.Begin(0xA200);
            if (junk) w.Unknown(0x0030, 2);
            w.StrChunk(0xA300, m.texture);
            w.End();
        }
        w.End();
    }
    for (const TestObject& o : objects) {
        w.Begin(0x4000), w.Str(o.name), w.Begin(0x4100);
        if (junk) w.Unknown(0x4160, 48);
        w.Floats(0x4110, o.vertices, 3);
        if (!o.texCoords.empty()) w.Floats(0x4140, o.texCoords, 2);
        w.Begin(0x4120), w.Put((std::uint16_t)(o.faces.size() / 3));
        for (std::size_t i = 0; i < o.faces.size(); i += 3)
            w.Put(o.faces[i]), w.Put(o.faces[i + 1]), w.Put(o.faces[i + 2]), w.Put<std::uint16_t>(7);
        for (const std::string& name : o.faceMaterials) {
            w.Begin(0x4130), w.Str(name), w.Put<std::uint16_t>(1), w.Put<std::uint16_t>(0), w.End();
        }
        if (junk) w.Unknown(0x4150, 4);
        w.End(), w.End(), w.End();
    }
    w.End();
    if (junk) w.Begin(0xB000), w.Unknown(0xB00A, 20), w.End();
    w.End();
    return w.bytes;
}
