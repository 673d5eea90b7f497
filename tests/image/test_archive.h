// test_archive: writes a small archive of named byte blocks with the engine's own writer.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "data/resfile.h"

namespace testpic {
typedef std::vector<std::pair<std::string, std::vector<std::uint8_t>>> Entries;

// Replaces the archive at path with exactly these entries; false when it cannot be written.
inline bool writeArchive(const char* path, const Entries& entries) {
    CResFile archive;
    if (!archive.Open(path, "w")) return false;
    for (const auto& e : entries)
        if (!archive.AddEntry(e.first.c_str(), 0, e.second.data(), (Uint32)e.second.size(), false)) return false;
    return archive.Commit();
}
} // namespace testpic
