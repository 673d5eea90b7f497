// assets: collects the archive's entries in order, and declares the hook each scene file fills.
#include "assets.h"

#include <strings.h>

#include "meshkit.h"
#include "pathfiles.h"
#include "picture.h"

namespace {

const size_t kMaxEntryName = 63; // the texture manager's limit; the archive itself allows 255

} // namespace

bool AssetSink::Fail(const std::string& message) {
    if (error.empty()) error = message;
    return false;
}

bool AssetSink::Add(const std::string& name, std::vector<Uint8> data) {
    if (name.empty() || name.size() > kMaxEntryName || name.find('\0') != std::string::npos)
        return Fail("entry \"" + name + "\": empty or over-long name");
    if (Has(name)) return Fail("entry \"" + name + "\": the name is used twice");
    if (data.empty()) return Fail("entry \"" + name + "\": no data");
    entries.push_back({name, std::move(data)});
    return true;
}

bool AssetSink::AddModel(const std::string& name, const MkModel& model) {
    std::string fault = MK_Check(model);
    if (!fault.empty()) return Fail("model \"" + name + "\": " + fault);
    return Add(name, MK_Write3DS(model));
}

bool AssetSink::AddPicture(const std::string& name, std::vector<Uint8> data, const char* format) {
    if (data.empty()) return Fail("picture \"" + name + "\": cannot be written as " + format);
    return Add(name, std::move(data));
}

bool AssetSink::AddBMP24(const std::string& name, const AgImage& image) {
    return AddPicture(name, PIC_EncodeBMP24(image), "a 24-bit BMP (sides, or a width not a multiple of 4)");
}

bool AssetSink::AddBMP8Grey(const std::string& name, const AgImage& image) {
    return AddPicture(name, PIC_EncodeBMP8Grey(image), "an 8-bit BMP (sides, or a width not a multiple of 4)");
}

bool AssetSink::AddTGA(const std::string& name, const AgImage& image, bool withAlpha) {
    return AddPicture(name, PIC_EncodeTGA(image, withAlpha), "a TGA (sides)");
}

bool AssetSink::AddSPO(const std::string& name, const std::vector<SpoPath>& paths) {
    std::string fault;
    std::vector<Uint8> data = PATH_WriteSPO(paths, &fault);
    return data.empty() ? Fail("paths \"" + name + "\": " + fault) : Add(name, std::move(data));
}

bool AssetSink::AddWED(const std::string& name, const std::string& wedName, const std::vector<WedPath>& paths) {
    std::string fault;
    std::vector<Uint8> data = PATH_WriteWED(wedName, paths, &fault);
    return data.empty() ? Fail("paths \"" + name + "\": " + fault) : Add(name, std::move(data));
}

bool AssetSink::Has(const std::string& name) const {
    for (const AssetEntry& e : entries)
        if (strcasecmp(e.name.c_str(), name.c_str()) == 0) return true;
    return false;
}
