// rwops: the one stream record every loader reads through - over a named file, an open
// file handle, a block of memory, or one entry of the resource archive.
//
// Callers only ever use the four operation slots (seek, read, write, close); the type and
// the hidden words belong to the stream kind. A stream frees itself in close.
//
// What seek returns depends on the kind. Memory and archive-entry streams return the new
// position (a byte offset from the start of the stream), or -1. Named-file and file-handle
// streams return the new position only for seek(0, current); every other seek returns
// fseek's result, 0 on success or -1. So a caller that needs a position asks seek(0,
// current) after the move: VH_RWBytesLeft does exactly that and works on every kind.
//
// Memory and archive-entry streams never move outside their block or entry: a seek that
// would leave it fails with -1 and leaves the position alone, and reads and writes stop at
// its end, so a loader can never see the bytes that follow its entry in the archive file.
// uses: core
#pragma once

#include <cstdio>

#include "core/types.h"

enum : Uint32 {
    VH_RW_FILE = 10,   // stream over a file opened by name
    VH_RW_MEMORY = 11, // stream over a caller's memory block
    VH_RW_FP = 13,     // stream over a caller's open file handle
};

enum : int { VH_RW_SEEK_SET = 0, VH_RW_SEEK_CUR = 1, VH_RW_SEEK_END = 2 };

// Archive-entry private block: the entry's own file handle and where the entry lies in it.
struct VH_RWLump {
    Uint32 autoclose; // non-zero: close closes fp
    std::FILE* fp;
    Uint32 size;  // bytes in the entry
    Uint32 start; // file position of the entry's first byte
};

struct VH_RWops {
    int (*seek)(VH_RWops* context, int offset, int whence);
    int (*read)(VH_RWops* context, void* ptr, int size, int count);
    int (*write)(VH_RWops* context, const void* ptr, int size, int count);
    int (*close)(VH_RWops* context);

    Uint32 type; // VH_RW_FILE, VH_RW_MEMORY, VH_RW_FP; 0 for an archive entry

    // The kind's private words (pointer-sized, so handles and addresses fit on any target).
    union {
        struct {
            void* unused;
            std::FILE* fp;
        } file;
        struct {
            int autoclose;
            std::FILE* fp;
        } handle;
        struct {
            Uint8* base;
            Uint8* here;
            Uint8* stop; // base + size
        } mem;
        struct {
            VH_RWLump* block;
        } lump;
    } hidden;
};

// Stream over fopen(file, mode); null when the file cannot be opened.
VH_RWops* VH_RWFromFile(const char* file, const char* mode);

// Stream over an open handle; with autoclose 0 the handle stays the caller's. Null for a null fp.
VH_RWops* VH_RWFromFP(std::FILE* fp, int autoclose);

// Stream over size bytes at mem (the block stays the caller's). Null for null mem or negative size.
VH_RWops* VH_RWFromMem(void* mem, int size);

// Stream over one archive entry: fp must already stand at the entry's first byte. With
// autoclose non-zero, closing the stream closes fp. Null for a null fp or a negative size;
// the caller keeps fp when this fails.
VH_RWops* VH_RWFromLump(std::FILE* fp, int autoclose, int size);

// Bytes from the current position to the end of the stream, the position kept; -1 when the
// stream cannot be measured. Every reader sizes what it reads with this.
long VH_RWBytesLeft(VH_RWops* rw);

// The process-wide stream error flag: set by a failed seek, read or write (the message only
// documents the cause), read as a signed value, cleared by a named-file read or explicitly.
void VH_SetError(const char* message);
int VH_GetError();
void VH_ClearError();
