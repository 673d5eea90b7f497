// archive_bytes: files, programs and archives for the tests; LayOut builds archives independently of the writer.
#pragma once

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "data/resfile.h"

using Bytes = std::vector<std::uint8_t>;
using NamedBytes = std::vector<std::pair<std::string, Bytes>>;

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

// Makes the check value agree with the current length again.
inline void Seal(Bytes& b) {
    Store32(b, 12, ~static_cast<std::uint32_t>(b.size()));
}

// A well-formed archive: header, data in order from offset 20, directory, check value last.
inline Bytes LayOut(const std::vector<TestEntry>& entries) {
    Bytes out = {'R', 'E', 'S', 'F', 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    Store32(out, 8, static_cast<std::uint32_t>(entries.size()));
    Bytes dir;
    for (const TestEntry& e : entries) {
        dir.resize(dir.size() + 12);
        Store32(dir, dir.size() - 12, static_cast<std::uint32_t>(e.data.size()));
        Store32(dir, dir.size() - 8, static_cast<std::uint32_t>(out.size()));
        Store32(dir, dir.size() - 4, e.type);
        dir.push_back(static_cast<std::uint8_t>(e.name.size()));
        dir.insert(dir.end(), e.name.begin(), e.name.end());
        out.insert(out.end(), e.data.begin(), e.data.end());
    }
    Store32(out, 16, static_cast<std::uint32_t>(out.size()));
    out.insert(out.end(), dir.begin(), dir.end());
    Seal(out);
    return out;
}

inline bool WriteFile(const std::string& path, const Bytes& bytes) {
    std::ofstream f(path, std::ios::binary);
    return bool(f.write(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

inline Bytes ReadFile(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

inline bool FileExists(const std::string& path) {
    return bool(std::ifstream(path));
}

// Standard output of a shell command.
inline std::string RunOutput(const std::string& command) {
    std::string out;
    if (std::FILE* p = popen(command.c_str(), "r")) {
        char buf[4096];
        while (std::size_t n = std::fread(buf, 1, sizeof buf, p))
            out.append(buf, n);
        pclose(p);
    }
    return out;
}

// Replaces the archive at path with exactly these entries, using the engine's writer.
// One entry of an archive on disk, or nothing when it cannot be read.
inline Bytes ReadEntry(const char* archive, const char* name) {
    CResFile res;
    void* data = nullptr;
    if (!res.Open(archive, "rb") || !res.LoadEntry(name, &data) || !data) return {};
    const Uint8* bytes = static_cast<const Uint8*>(data);
    return Bytes(bytes, bytes + res.EntrySize(name));
}

inline bool WriteArchive(const char* path, const NamedBytes& entries) {
    CResFile archive;
    if (!archive.Open(path, "w")) return false;
    for (const auto& e : entries)
        if (!archive.AddEntry(e.first.c_str(), 0, e.second.data(), (Uint32)e.second.size(), false)) return false;
    return archive.Commit();
}
