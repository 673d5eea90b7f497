// assetcheck: reads archive entries with the demo's own readers, as the scenes would, and
// says which ones the demo could not use and why - without a GL context, so the archive tool
// and the asset generator can ask it at build time. Nothing is uploaded or kept.
//
// An entry's kind comes from its name: .bmp and .tga pictures (read by the reader their bytes
// name, as the texture loader does, and which must also have texture sides), .3ds models (whose texture maps must be
// entries of the same archive), the font masks the catalogue names, .spo spline path files, .wed path files and .txt
// text. Text is refused for a NUL byte or a control byte other than white space, since the line reader would cut or
// misdraw it. .ogg music is decoded in full (stereo at the demo's rate, as long as it claims). Every other name is
// skipped: there is no reader to ask.
// uses: core, data, audio, image, text, model, camera
#pragma once

#include <string>
#include <vector>

#include "core/types.h"

struct VH_RWops;
class CResFile;

enum VH_AssetKind {
    VH_ASSET_OTHER, // no reader: skipped
    VH_ASSET_PICTURE,
    VH_ASSET_MODEL,
    VH_ASSET_FONT,
    VH_ASSET_SPLINE,
    VH_ASSET_WED,
    VH_ASSET_TEXT,
    VH_ASSET_MUSIC,
    VH_ASSET_KIND_COUNT
};

// The kind an entry's name gives it (extensions and font names match in any case).
VH_AssetKind VH_AssetKindOf(const char* name);
// "picture" / "pictures", "model" / "models", ... for count entries of the kind.
const char* VH_AssetKindWords(VH_AssetKind kind, int count);

// Reads the entry name from stream (from its start) with the reader of its kind. Returns ""
// when the reader takes it, else one phrase saying why not. With archive given, a model's
// texture maps must be entries of it. The stream stays the caller's, open.
std::string VH_CheckAsset(const char* name, VH_RWops* stream, const CResFile* archive = nullptr);
// The same over bytes in memory.
std::string VH_CheckAssetBytes(const char* name, const void* data, Uint32 size, const CResFile* archive = nullptr);

struct VH_AssetFault {
    std::string entry;
    std::string fault;
};

struct VH_ArchiveCheck {
    int read[VH_ASSET_KIND_COUNT] = {}; // entries their reader took, per kind
    std::vector<std::string> skipped;   // entries of no known kind, in directory order
    std::vector<VH_AssetFault> refused; // in directory order
};

// Checks every entry of the archive at path through a stream over that entry alone. False,
// with one phrase in *fault, only when the archive itself cannot be opened or read.
bool VH_CheckArchiveAssets(const char* path, VH_ArchiveCheck* result, std::string* fault);

// "34 pictures, 30 models, 6 fonts, 1 spline path file, 1 WED path file" (kinds read at least once).
std::string VH_AssetSummary(const VH_ArchiveCheck& check);
