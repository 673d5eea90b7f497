// archive_bytes: lays archives out byte by byte, independently of the archive writer, so that
// tests can check the writer's output and feed the reader damaged files.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

using Bytes = std::vector<std::uint8_t>;

struct TestEntry {
    std::string name;
    Bytes data;
    std::uint32_t type = 0;
};

inline Bytes ToBytes(const std::string& s) {
    return Bytes(s.begin(), s.end());
}

inline void Store32(Bytes& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

inline void Append32(Bytes& b, std::uint32_t v) {
    b.resize(b.size() + 4);
    Store32(b, b.size() - 4, v);
}

// Makes the check value agree with the current length again.
inline void Seal(Bytes& b) {
    Store32(b, 12, ~static_cast<std::uint32_t>(b.size()));
}

// A well-formed archive: header, data in order from offset 20, directory, check value last.
inline Bytes LayOut(const std::vector<TestEntry>& entries, const char* magic = "RESF", std::uint16_t version = 0x0100) {
    Bytes out(20, 0);
    for (int i = 0; i < 4; ++i)
        out[i] = static_cast<std::uint8_t>(magic[i]);
    out[4] = static_cast<std::uint8_t>(version);
    out[5] = static_cast<std::uint8_t>(version >> 8);
    Store32(out, 8, static_cast<std::uint32_t>(entries.size()));
    std::vector<std::uint32_t> offsets;
    for (const TestEntry& e : entries) {
        offsets.push_back(static_cast<std::uint32_t>(out.size()));
        out.insert(out.end(), e.data.begin(), e.data.end());
    }
    Store32(out, 16, static_cast<std::uint32_t>(out.size()));
    for (std::size_t i = 0; i < entries.size(); ++i) {
        Append32(out, static_cast<std::uint32_t>(entries[i].data.size()));
        Append32(out, offsets[i]);
        Append32(out, entries[i].type);
        out.push_back(static_cast<std::uint8_t>(entries[i].name.size()));
        out.insert(out.end(), entries[i].name.begin(), entries[i].name.end());
    }
    Seal(out);
    return out;
}

inline bool WriteFile(const std::string& path, const Bytes& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

inline Bytes ReadFile(const std::string& path) {
    Bytes out;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return out;
    std::uint8_t buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
        out.insert(out.end(), buffer, buffer + n);
    std::fclose(f);
    return out;
}

inline bool FileExists(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f) std::fclose(f);
    return f != nullptr;
}
