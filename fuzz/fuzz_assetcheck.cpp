// fuzz_assetcheck: the asset check that runs every reader by the kind an entry's name gives it.
// Odd first byte: the rest is one entry, under a name the byte picks (a picture, a model, each
// font mask, path files, text, something else), checked from memory. Even: the rest is a whole
// archive on disk, every entry checked through its own entry stream. Whatever the check accepts
// the demo must be able to use: a picture makes a texture, a font mask holds its cells.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include <unistd.h>

#include "core/catalogue.h"
#include "data/resfile.h"
#include "data/rwops.h"
#include "image/image.h"
#include "shell/assetcheck.h"
#include "text/font.h"

namespace {

void Check(bool ok) {
    if (!ok) __builtin_trap();
}

// The archive a model's texture maps are looked up in (in memory only; never written).
const CResFile& Maps() {
    static CResFile* res = [] {
        CResFile* r = new CResFile();
        r->Open("maps.clu", "w"); // never committed, so never written
        r->AddEntry("wood.bmp", 0, nullptr, 0, false);
        r->AddEntry("Sky.tga", 0, nullptr, 0, false);
        return r;
    }();
    return *res;
}

const std::string& ScratchPath() {
    static const std::string path = "/tmp/fuzz_assetcheck." + std::to_string(getpid()) + ".clu";
    return path;
}

void OneEntry(std::uint8_t pick, const std::uint8_t* data, std::size_t size) {
    static const char* const names[] = {"a.bmp", "B.BMP", "c.tga", "m.3ds", "p.spo", "w.wed", "t.txt", "x.bin"};
    const int count = static_cast<int>(sizeof names / sizeof names[0]);
    const int i = pick % (count + CAT_FONT_COUNT);
    const char* name = i < count ? names[i] : CAT_FONTS[i - count].name;
    std::vector<std::uint8_t> copy(data, data + size); // exact size: a read past it is caught
    const std::string fault = VH_CheckAssetBytes(name, copy.data(), static_cast<Uint32>(copy.size()), &Maps());
    Check(fault.find('\n') == std::string::npos);
    if (!fault.empty()) return;
    switch (VH_AssetKindOf(name)) {
    case VH_ASSET_PICTURE: {
        VH_RWops* rw = VH_RWFromMem(copy.data(), static_cast<int>(copy.size()));
        // The kind comes from the bytes, as the check and the texture loader decide it, not the name.
        VH_Surface* s = IMG_LoadPicture(rw);
        rw->close(rw);
        Check(s != nullptr);
        const Uint32 kinds[] = {0, TEX_ALPHA};
        for (Uint32 flags : kinds) {
            VH_Surface* converted = nullptr;
            Check(IMG_TextureSurface(s, flags, &converted) != nullptr);
            IMG_FreeSurface(converted);
        }
        IMG_FreeSurface(s);
        break;
    }
    case VH_ASSET_FONT: {
        int w = 0, h = 0;
        Check(FNT_MaskFits(i - count, static_cast<int>(size), &w, &h));
        break;
    }
    default:
        break;
    }
}

void WholeArchive(const std::uint8_t* data, std::size_t size) {
    const std::string& path = ScratchPath();
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return;
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    VH_ArchiveCheck result;
    std::string fault;
    const bool read = VH_CheckArchiveAssets(path.c_str(), &result, &fault);
    CResFile res;
    const bool opens = res.Open(path.c_str(), "rb");
    if (read) {
        Check(opens); // an archive the check reads is one the archive object opens
        std::size_t seen = result.skipped.size() + result.refused.size();
        for (int k = 0; k < VH_ASSET_KIND_COUNT; ++k)
            seen += static_cast<std::size_t>(result.read[k]);
        Check(seen == res.EntryCount());
        for (const VH_AssetFault& r : result.refused)
            Check(!r.fault.empty() && r.fault.find('\n') == std::string::npos);
        Check(!VH_AssetSummary(result).empty());
    } else {
        Check(!fault.empty());
    }
    res.Close();
    std::remove(path.c_str());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0 || size > (1u << 20)) return 0;
    if (data[0] & 1)
        OneEntry(static_cast<std::uint8_t>(data[0] >> 1), data + 1, size - 1);
    else
        WholeArchive(data + 1, size - 1);
    return 0;
}
