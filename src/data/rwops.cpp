// rwops: the four stream kinds behind VH_RWops.
#include "data/rwops.h"

#include <cstring>
#include <new>

namespace {

signed char g_streamError = 0;

// How many bytes of a size x count transfer fit in the room left; never negative.
long long Clamp(int size, int count, long long room) {
    const long long want = static_cast<long long>(size) * count;
    if (room < 0) return 0;
    return want < room ? want : room;
}

// ---- named file (type 10) and file handle (type 13) ------------------------------------

int FileSeek(VH_RWops* rw, int offset, int whence) {
    if (!rw || !rw->hidden.file.fp) return -1;
    std::FILE* fp = rw->hidden.file.fp;
    // Only the "where am I" query reports a position; other seeks report success or failure.
    if (offset == 0 && whence == VH_RW_SEEK_CUR) return static_cast<int>(std::ftell(fp));
    return std::fseek(fp, offset, whence);
}

int FileRead(VH_RWops* rw, void* ptr, int size, int count) {
    if (!rw || !rw->hidden.file.fp) return 0;
    std::FILE* fp = rw->hidden.file.fp;
    VH_ClearError();
    if (std::feof(fp)) {
        VH_SetError("EOF REACHED");
        return 0;
    }
    if (!ptr || size <= 0 || count <= 0) return 0;
    const std::size_t got = std::fread(ptr, static_cast<std::size_t>(size), static_cast<std::size_t>(count), fp);
    if (got < static_cast<std::size_t>(count)) VH_SetError("EOF REACHED");
    return static_cast<int>(got);
}

int FileWrite(VH_RWops* rw, const void* ptr, int size, int count) {
    if (!rw || !rw->hidden.file.fp || !ptr || size <= 0 || count <= 0) return 0;
    return static_cast<int>(
        std::fwrite(ptr, static_cast<std::size_t>(size), static_cast<std::size_t>(count), rw->hidden.file.fp));
}

int FileClose(VH_RWops* rw) {
    if (!rw) return -1;
    if (rw->hidden.file.fp) std::fclose(rw->hidden.file.fp);
    delete rw;
    return 0;
}

int HandleRead(VH_RWops* rw, void* ptr, int size, int count) {
    if (!rw || !rw->hidden.handle.fp || !ptr || size <= 0 || count <= 0) return 0;
    return static_cast<int>(
        std::fread(ptr, static_cast<std::size_t>(size), static_cast<std::size_t>(count), rw->hidden.handle.fp));
}

int HandleSeek(VH_RWops* rw, int offset, int whence) {
    if (!rw || !rw->hidden.handle.fp) return -1;
    std::FILE* fp = rw->hidden.handle.fp;
    if (offset == 0 && whence == VH_RW_SEEK_CUR) return static_cast<int>(std::ftell(fp));
    return std::fseek(fp, offset, whence);
}

int HandleWrite(VH_RWops* rw, const void* ptr, int size, int count) {
    if (!rw || !rw->hidden.handle.fp || !ptr || size <= 0 || count <= 0) return 0;
    return static_cast<int>(
        std::fwrite(ptr, static_cast<std::size_t>(size), static_cast<std::size_t>(count), rw->hidden.handle.fp));
}

int HandleClose(VH_RWops* rw) {
    if (!rw) return -1;
    if (!rw->hidden.handle.autoclose) {
        // The handle is the caller's: free only the record, and say so with -1.
        delete rw;
        return -1;
    }
    if (rw->hidden.handle.fp) std::fclose(rw->hidden.handle.fp);
    delete rw;
    return 0;
}

// ---- memory (type 11) ----------------------------------------------------------------------

int MemSeek(VH_RWops* rw, int offset, int whence) {
    if (!rw || !rw->hidden.mem.base) return -1;
    const long long length = rw->hidden.mem.stop - rw->hidden.mem.base;
    long long from;
    switch (whence) {
    case VH_RW_SEEK_SET:
        from = 0;
        break;
    case VH_RW_SEEK_CUR:
        from = rw->hidden.mem.here - rw->hidden.mem.base;
        break;
    case VH_RW_SEEK_END:
        from = length;
        break;
    default:
        return -1;
    }
    const long long target = from + offset;
    if (target < 0 || target > length) return -1; // never point outside the block
    rw->hidden.mem.here = rw->hidden.mem.base + target;
    return static_cast<int>(target);
}

int MemRead(VH_RWops* rw, void* ptr, int size, int count) {
    if (!rw || !rw->hidden.mem.base || !ptr || size <= 0 || count <= 0) return 0;
    const long long n = Clamp(size, count, rw->hidden.mem.stop - rw->hidden.mem.here);
    std::memcpy(ptr, rw->hidden.mem.here, static_cast<std::size_t>(n));
    rw->hidden.mem.here += n;
    return static_cast<int>(n / size);
}

int MemWrite(VH_RWops* rw, const void* ptr, int size, int count) {
    if (!rw || !rw->hidden.mem.base || !ptr || size <= 0 || count <= 0) return 0;
    const long long n = Clamp(size, count, rw->hidden.mem.stop - rw->hidden.mem.here);
    std::memcpy(rw->hidden.mem.here, ptr, static_cast<std::size_t>(n));
    rw->hidden.mem.here += n;
    return static_cast<int>(n / size);
}

int MemClose(VH_RWops* rw) {
    if (!rw) return -1;
    rw->hidden.mem.base = rw->hidden.mem.here = rw->hidden.mem.stop = nullptr;
    delete rw;
    return 0;
}

// ---- archive entry ---------------------------------------------------------------------------

// Position inside the entry, or -1 when the handle stands outside it (moved by someone else).
long long LumpPosition(const VH_RWLump* block) {
    const long at = std::ftell(block->fp);
    if (at < 0) return -1;
    const long long pos = static_cast<long long>(at) - block->start;
    return pos < 0 || pos > block->size ? -1 : pos;
}

int LumpSeek(VH_RWops* rw, int offset, int whence) {
    if (!rw || !rw->hidden.lump.block) return -1;
    const VH_RWLump* block = rw->hidden.lump.block;
    long long from;
    switch (whence) {
    case VH_RW_SEEK_SET:
        from = 0;
        break;
    case VH_RW_SEEK_CUR:
        from = LumpPosition(block);
        break;
    case VH_RW_SEEK_END:
        from = block->size;
        break;
    default:
        from = -1;
        break;
    }
    const long long target = from + offset;
    if (from < 0 || target < 0 || target > block->size ||
        std::fseek(block->fp, static_cast<long>(block->start + target), SEEK_SET) != 0) {
        VH_SetError("ERROR: SDL_EFSEEK");
        return -1;
    }
    return static_cast<int>(target);
}

int LumpRead(VH_RWops* rw, void* ptr, int size, int count) {
    if (!rw || !rw->hidden.lump.block || !ptr || size <= 0 || count <= 0) return 0;
    const VH_RWLump* block = rw->hidden.lump.block;
    const long long pos = LumpPosition(block);
    if (pos < 0) {
        VH_SetError("ERROR: SDL_EREAD");
        return 0;
    }
    const long long n = Clamp(size, count, block->size - pos);
    const std::size_t got = std::fread(ptr, 1, static_cast<std::size_t>(n), block->fp);
    if (got == 0 && std::ferror(block->fp)) VH_SetError("ERROR: SDL_EREAD");
    return static_cast<int>(got / static_cast<std::size_t>(size));
}

int LumpWrite(VH_RWops* rw, const void* ptr, int size, int count) {
    if (!rw || !rw->hidden.lump.block || !ptr || size <= 0 || count <= 0) return 0;
    const VH_RWLump* block = rw->hidden.lump.block;
    const long long pos = LumpPosition(block);
    if (pos < 0) {
        VH_SetError("ERROR: SDL_EWRITE");
        return 0;
    }
    const long long n = Clamp(size, count, block->size - pos);
    const std::size_t put = std::fwrite(ptr, 1, static_cast<std::size_t>(n), block->fp);
    if (put == 0 && std::ferror(block->fp)) VH_SetError("ERROR: SDL_EWRITE");
    return static_cast<int>(put / static_cast<std::size_t>(size));
}

int LumpClose(VH_RWops* rw) {
    if (!rw) return 0;
    if (VH_RWLump* block = rw->hidden.lump.block) {
        if (block->autoclose && block->fp) std::fclose(block->fp);
        delete block;
    }
    delete rw;
    return 0;
}

VH_RWops* NewStream() {
    VH_RWops* rw = new (std::nothrow) VH_RWops();
    return rw;
}

} // namespace

VH_RWops* VH_RWFromFile(const char* file, const char* mode) {
    if (!file || !mode) return nullptr;
    VH_RWops* rw = NewStream();
    if (!rw) return nullptr;
    std::FILE* fp = std::fopen(file, mode);
    if (!fp) {
        delete rw;
        return nullptr;
    }
    rw->seek = FileSeek;
    rw->read = FileRead;
    rw->write = FileWrite;
    rw->close = FileClose;
    rw->type = VH_RW_FILE;
    rw->hidden.file.fp = fp;
    return rw;
}

VH_RWops* VH_RWFromFP(std::FILE* fp, int autoclose) {
    if (!fp) return nullptr;
    VH_RWops* rw = NewStream();
    if (!rw) return nullptr;
    rw->seek = HandleSeek;
    rw->read = HandleRead;
    rw->write = HandleWrite;
    rw->close = HandleClose;
    rw->type = VH_RW_FP;
    rw->hidden.handle.autoclose = autoclose;
    rw->hidden.handle.fp = fp;
    return rw;
}

VH_RWops* VH_RWFromMem(void* mem, int size) {
    if (!mem || size < 0) return nullptr;
    VH_RWops* rw = NewStream();
    if (!rw) return nullptr;
    rw->seek = MemSeek;
    rw->read = MemRead;
    rw->write = MemWrite;
    rw->close = MemClose;
    rw->type = VH_RW_MEMORY;
    rw->hidden.mem.base = static_cast<Uint8*>(mem);
    rw->hidden.mem.here = rw->hidden.mem.base;
    rw->hidden.mem.stop = rw->hidden.mem.base + size;
    return rw;
}

VH_RWops* VH_RWFromLump(std::FILE* fp, int autoclose, int size) {
    if (!fp || size < 0) return nullptr;
    const long start = std::ftell(fp);
    if (start < 0 || static_cast<unsigned long long>(start) + static_cast<unsigned long long>(size) > 0xFFFFFFFFull)
        return nullptr;
    VH_RWops* rw = NewStream();
    if (!rw) return nullptr;
    VH_RWLump* block = new (std::nothrow)
        VH_RWLump{static_cast<Uint32>(autoclose != 0), fp, static_cast<Uint32>(size), static_cast<Uint32>(start)};
    if (!block) {
        delete rw;
        return nullptr;
    }
    rw->seek = LumpSeek;
    rw->read = LumpRead;
    rw->write = LumpWrite;
    rw->close = LumpClose;
    rw->hidden.lump.block = block;
    return rw;
}

void VH_SetError(const char* /*message*/) {
    g_streamError = 1;
}

int VH_GetError() {
    return g_streamError;
}

void VH_ClearError() {
    g_streamError = 0;
}

long VH_RWBytesLeft(VH_RWops* rw) {
    if (!rw) return -1;
    const int position = rw->seek(rw, 0, VH_RW_SEEK_CUR);
    if (position < 0 || rw->seek(rw, 0, VH_RW_SEEK_END) < 0) return -1;
    const int end = rw->seek(rw, 0, VH_RW_SEEK_CUR);
    if (rw->seek(rw, position, VH_RW_SEEK_SET) < 0 || end < position) return -1;
    return static_cast<long>(end) - position;
}
