// fuzz_archive: any bytes opened as an archive, every entry read through its entry stream.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include <unistd.h>

#include "data/resfile.h"

namespace {

// The archive reader works on files, so each input becomes one (per process, reused).
const std::string& ScratchPath() {
    static const std::string path = "/tmp/fuzz_archive." + std::to_string(getpid()) + ".clu";
    return path;
}

void ReadWholeStream(VH_RWops* rw, std::uint32_t size) {
    char buffer[512];
    int total = 0;
    for (int n; (n = rw->read(rw, buffer, 1, sizeof buffer)) > 0;)
        total += n;
    // Reading must stop at the entry's end, whatever the file around it holds.
    if (static_cast<std::uint32_t>(total) > size) __builtin_trap();
    if (rw->seek(rw, 0, VH_RW_SEEK_END) != static_cast<int>(size)) __builtin_trap();
    if (rw->seek(rw, 1, VH_RW_SEEK_CUR) != -1) __builtin_trap();
    if (rw->seek(rw, -1, VH_RW_SEEK_SET) != -1) __builtin_trap();
    rw->seek(rw, static_cast<int>(size / 2), VH_RW_SEEK_SET);
    rw->read(rw, buffer, 3, 7);
    rw->close(rw);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string& path = ScratchPath();
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);

    CResFile res;
    if (res.Open(path.c_str(), "rb")) {
        for (const RES_Entry* e = res.FirstEntry(); e; e = e->next) {
            // Lookup finds the first of names equal but for case, and never an empty name.
            const RES_Entry* found = res.FindEntry(e->name);
            VH_RWops* rw = found ? RES_OpenEntryStreamFrom(path.c_str(), e->name) : nullptr;
            if (rw) ReadWholeStream(rw, found->size);
            void* loaded = nullptr;
            res.LoadEntry(e->name, &loaded);
            res.UnloadEntry(e->name);
        }
        res.Close();
    }
    res.GetError();
    std::remove(path.c_str());
    return 0;
}
