// generator: the shared assets of the demo and the steps that turn them into files.
#include "generator.h"

#include <cstdio>

#include "glyphs.h"
#include "picture.h"

namespace {

std::string previewDir;

void put32(std::vector<Uint8>& out, Uint32 v) {
    for (int i = 0; i < 4; ++i) out.push_back(Uint8(v >> (8 * i)));
}

} // namespace

void AG_SetPreviewDir(const std::string& dir) { previewDir = dir; }

void AG_Preview(const std::string& name, const AgImage& image) {
    if (!previewDir.empty()) PIC_WritePNG(image, previewDir + "/" + name + ".png");
}

void AG_AddFonts(AssetSink& sink) {
    for (int f = 0; f < GLY_FONT_COUNT; ++f) sink.Add(GLY_FileName(f), GLY_Mask(f));
}

void AG_AddAllAssets(AssetSink& sink) {
    AG_AddFonts(sink);
    AG_AddSharedPictures(sink);
    AddSceneOneAssets(sink);
    AddSceneTwoAssets(sink);
    AddSceneThreeAssets(sink);
}

bool AG_PackArchive(const AssetSink& sink, const std::string& path, std::string* reason) {
    // Layout: 20-byte header, the entries' data in order, then the directory.
    std::vector<Uint8> file(20, 0), directory;
    for (const AssetEntry& e : sink.Entries()) {
        put32(directory, Uint32(e.data.size()));
        put32(directory, Uint32(file.size()));
        put32(directory, 0);
        directory.push_back(Uint8(e.name.size()));
        directory.insert(directory.end(), e.name.begin(), e.name.end());
        file.insert(file.end(), e.data.begin(), e.data.end());
    }
    Uint32 dirOffset = Uint32(file.size());
    file.insert(file.end(), directory.begin(), directory.end());
    std::vector<Uint8> header = {'R', 'E', 'S', 'F', 0x00, 0x01, 0, 0};
    put32(header, Uint32(sink.Entries().size()));
    put32(header, ~Uint32(file.size()));
    put32(header, dirOffset);
    std::copy(header.begin(), header.end(), file.begin());
    const std::string temp = path + ".part";
    FILE* f = std::fopen(temp.c_str(), "wb");
    if (!f) return *reason = "cannot be created", false;
    bool ok = std::fwrite(file.data(), 1, file.size(), f) == file.size();
    ok = (std::fclose(f) == 0) && ok;
    if (!ok || std::rename(temp.c_str(), path.c_str()) != 0) {
        std::remove(temp.c_str());
        return *reason = "cannot be written", false;
    }
    return true;
}
