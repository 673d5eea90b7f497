// generator: the shared assets of the demo and the steps that turn them into files.
#include "generator.h"

#include <cstdio>

#include "data/resfile.h"
#include "glyphs.h"
#include "picture.h"

namespace {

std::string previewDir;

} // namespace

void AG_SetPreviewDir(const std::string& dir) {
    previewDir = dir;
}

void AG_Preview(const std::string& name, const AgImage& image) {
    if (!previewDir.empty()) PIC_WritePNG(image, previewDir + "/" + name + ".png");
}

void AG_AddFonts(AssetSink& sink) {
    for (int f = 0; f < GLY_FONT_COUNT; ++f)
        sink.Add(GLY_FileName(f), GLY_Mask(f));
}

void AG_AddAllAssets(AssetSink& sink) {
    AG_AddFonts(sink);
    AG_AddSharedPictures(sink);
    AddSceneOneAssets(sink);
    AddSceneTwoAssets(sink);
    AddSceneThreeAssets(sink);
}

bool AG_PackArchive(const AssetSink& sink, const std::string& path, std::string* reason) {
    CResFile archive;
    if (!archive.Open(path.c_str(), "w")) return *reason = "cannot be created", false;
    for (const AssetEntry& e : sink.Entries())
        if (!archive.AddEntry(e.name.c_str(), 0, e.data.data(), Uint32(e.data.size()), false)) {
            *reason = std::string("entry \"") + e.name + "\": " + RES_ErrorText(archive.GetError());
            return false;
        }
    // the archive writes beside the target first and replaces it only when every byte is out
    if (!archive.Commit()) {
        *reason = RES_ErrorText(archive.GetError());
        return false;
    }
    archive.Close();
    return true;
}
