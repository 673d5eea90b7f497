// assets: collects the archive's entries in order.
#pragma once

#include <string>
#include <vector>

#include "core/types.h"

struct MkModel;
struct AgImage;
struct SpoPath;
struct WedPath;

struct AssetEntry {
    std::string name; // archive entry name, unique without regard to case
    std::vector<Uint8> data;
};

// Entries are stored in the order they were added, so the same code gives the same archive.
// A fault (a name used twice, a model or picture that cannot be written) is kept, the first one only,
// and the generator stops on it with one line naming the entry.
class AssetSink {
public:
    bool Add(const std::string& name, std::vector<Uint8> data);
    bool AddModel(const std::string& name, const MkModel& model); // 3DS
    bool AddBMP24(const std::string& name, const AgImage& image);
    bool AddBMP8Grey(const std::string& name, const AgImage& image); // grey levels as palette indices
    bool AddTGA(const std::string& name, const AgImage& image, bool withAlpha);
    bool AddSPO(const std::string& name, const std::vector<SpoPath>& paths);
    // wedName is the name inside the file (at most 31 bytes)
    bool AddWED(const std::string& name, const std::string& wedName, const std::vector<WedPath>& paths);
    bool Has(const std::string& name) const;
    const std::vector<AssetEntry>& Entries() const { return entries; }
    const std::string& Error() const { return error; }

private:
    bool Fail(const std::string& message);
    bool AddPicture(const std::string& name, std::vector<Uint8> data, const char* format);
    std::vector<AssetEntry> entries;
    std::string error;
};
