// generator: the shared assets of the demo and the steps that turn them into files.
#include "generator.h"

#include <cstdio>
#include <strings.h>

#include "data/resfile.h"
#include "data/rwops.h"
#include "glyphs.h"
#include "image/image.h"
#include "picture.h"
#include "core/catalogue.h"
#include "shell/assetcheck.h"

namespace {

bool hasExtension(const std::string& name, const char* extension) {
    const size_t n = std::char_traits<char>::length(extension);
    return name.size() > n && strcasecmp(name.c_str() + name.size() - n, extension) == 0;
}

// The surface as the engine would show it, in the generator's own picture type.
AgImage toImage(const VH_Surface* s) {
    AgImage image(int(s->width), int(s->height));
    for (Uint32 y = 0; y < s->height; ++y)
        for (Uint32 x = 0; x < s->width; ++x) {
            const Uint32 v = IMG_GetPixel(s, x, y);
            const int depth = s->bitsPerPixel;
            const Uint8 alpha = depth == 32 ? Uint8(v >> 24) : 255;
            image.At(int(x), int(y)) = PIC_Rgb(IMG_GetRed(depth, v, s->palette), IMG_GetGreen(depth, v, s->palette),
                                               IMG_GetBlue(depth, v, s->palette), alpha / 255.0f);
        }
    return image;
}

} // namespace

// Each scene file adds its own models, textures and paths.
void AddSceneOneAssets(AssetSink& sink);
void AddSceneTwoAssets(AssetSink& sink);
void AddSceneThreeAssets(AssetSink& sink);

const AG_Scene AG_SCENES[] = {
    {CAT_INTRO1_PICTURE, AG_BeachCard, AddSceneOneAssets},
    {CAT_INTRO2_PICTURE, AG_AirshipCard, AddSceneTwoAssets},
    {CAT_INTRO3_PICTURE, AG_RiverCard, AddSceneThreeAssets},
};
const int AG_SCENE_COUNT = sizeof(AG_SCENES) / sizeof(AG_SCENES[0]);

int AG_WritePreviews(const AssetSink& sink, const std::string& dir, std::string* error) {
    int written = 0;
    for (const AssetEntry& e : sink.Entries()) {
        const bool bmp = hasExtension(e.name, ".bmp");
        if (!bmp && !hasExtension(e.name, ".tga")) continue;
        std::vector<Uint8> bytes = e.data;
        VH_RWops* rw = VH_RWFromMem(bytes.data(), int(bytes.size()));
        VH_Surface* surface = rw ? (bmp ? IMG_LoadBMP(rw) : IMG_LoadTGA(rw)) : nullptr;
        if (rw) rw->close(rw);
        if (!surface) {
            *error = e.name + ": the engine cannot decode it";
            return -1;
        }
        const AgImage image = toImage(surface);
        IMG_FreeSurface(surface);
        const std::string path = dir + "/" + e.name + ".png";
        if (!PIC_WritePNG(image, path)) {
            *error = path + ": cannot be written";
            return -1;
        }
        ++written;
    }
    return written;
}

void AG_AddFonts(AssetSink& sink) {
    for (int f = 0; f < GLY_FONT_COUNT; ++f)
        sink.Add(GLY_FileName(f), GLY_Mask(f));
}

void AG_AddAllAssets(AssetSink& sink) {
    AG_AddFonts(sink);
    AG_AddSharedPictures(sink);
    for (int i = 0; i < AG_SCENE_COUNT; ++i)
        AG_SCENES[i].addAssets(sink);
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

bool AG_CheckArchive(const std::string& path, std::string* fault) {
    VH_ArchiveCheck check;
    if (!VH_CheckArchiveAssets(path.c_str(), &check, fault)) return false;
    if (check.refused.empty()) return true;
    *fault = check.refused[0].entry + ": " + check.refused[0].fault;
    if (check.refused.size() > 1) *fault += " (and " + std::to_string(check.refused.size() - 1) + " more refused)";
    return false;
}

bool AG_CheckCredits(const std::string& text, std::string* fault) {
    *fault = VH_CheckAssetBytes(CAT_CREDITS, text.data(), Uint32(text.size()));
    return fault->empty();
}
