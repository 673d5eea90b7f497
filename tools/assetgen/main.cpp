// assetgen: makes every picture, font, model, path and the credits text of the demo, from code.
// Usage: assetgen --out DIR [--preview DIR]; writes DIR/vh_data.clu and DIR/credits.txt.
#include <cstdio>
#include <cstring>
#include <string>

#include "core/catalogue.h"
#include "generator.h"

namespace {

bool writeText(const std::string& path, const std::string& text) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    return (std::fclose(f) == 0) && ok;
}

int usage() {
    std::fprintf(stderr, "usage: assetgen --out DIR [--preview DIR]\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    std::string out, preview;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--out") == 0 && i + 1 < argc)
            out = argv[++i];
        else if (std::strcmp(argv[i], "--preview") == 0 && i + 1 < argc)
            preview = argv[++i];
        else
            return usage();
    }
    if (out.empty()) return usage();
    AG_SetPreviewDir(preview);

    AssetSink sink;
    AG_AddAllAssets(sink);
    if (!sink.Error().empty()) {
        std::fprintf(stderr, "assetgen: %s\n", sink.Error().c_str());
        return 1;
    }
    const std::string archive = out + "/" + CAT_ARCHIVE, credits = out + "/" + CAT_CREDITS;
    std::string reason;
    if (!AG_PackArchive(sink, archive, &reason)) {
        std::fprintf(stderr, "assetgen: %s: %s\n", archive.c_str(), reason.c_str());
        return 1;
    }
    if (!writeText(credits, AG_CreditsText())) {
        std::fprintf(stderr, "assetgen: %s: cannot be written\n", credits.c_str());
        return 1;
    }
    size_t bytes = 0;
    for (const AssetEntry& e : sink.Entries())
        bytes += e.data.size();
    std::printf("assetgen: %zu entries (%zu bytes) into %s, and credits.txt\n", sink.Entries().size(), bytes,
                archive.c_str());
    return 0;
}
