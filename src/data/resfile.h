// resfile: the "RESF" resource archive that holds every asset, and the loaders' way in.
//
// Layout (little-endian): a 20-byte header (magic "RESF", u16 version 0x0100, u16 reserved,
// u32 entry count, u32 check value = ~file size, u32 directory offset), then the entries' data
// back to back from offset 20, then the directory running to the end of the file: per entry
// u32 size, u32 offset, u32 type, u8 name length, name bytes (no terminator).
//
// A loader never holds an archive for longer than one load: RES_OpenEntryStream opens the
// archive, finds the entry by name (case-insensitively), hands back a stream bounded to that
// entry over a handle of its own, and drops the archive object again.
//
// Reading validates everything the file claims before trusting it: a damaged header, a
// directory the file cannot hold or an entry outside the data area makes Open fail, so no
// archive can make a reader allocate more than the file holds.
//
// Writing (AddEntry, RemoveEntry, Commit) builds a complete new archive in a temporary file
// of its own beside the target (".NAME.restemp-XXXXXX", created exclusively, never through a
// link, so no other file in the folder is ever opened), gives it the old archive's permission
// bits, and renames it over the target only when every byte is on disk. A failed Commit
// removes it and leaves the old archive exactly as it was; a process killed half-way leaves
// at most that one file, named for what it is (RES_PendingTempFile names it while it exists,
// for whoever handles the signal). Two commits at once, even in one folder, never
// share a temporary file. When the archive's path is a symbolic link, the file it points to
// is replaced in its own folder and the link stays; a link to nowhere, or a path that names
// something other than a regular file, is refused.
// uses: core
#pragma once

#include <cstdio>

#include "data/rwops.h"
#include "core/catalogue.h"
#include "core/types.h"

constexpr const char* RES_ARCHIVE_NAME = CAT_ARCHIVE; // the demo's archive, in the working folder
constexpr const char* RES_TEMP_TAG = ".restemp-";     // Commit writes to ".NAME" + this + 6 random characters
constexpr Uint16 RES_VERSION = 0x0100;
constexpr Uint32 RES_HEADER_SIZE = 20;
constexpr Uint32 RES_RECORD_SIZE = 13; // directory record without its name
constexpr Uint32 RES_MAX_NAME = 255;   // bytes, without terminator
constexpr int RES_MAX_PATH = 260;      // fileName buffer, terminator included

// Error codes kept by CResFile and read (and cleared) by GetError.
enum : Uint16 {
    RES_OK = 0,
    RES_ERR_OPEN = 2,      // the archive file cannot be opened
    RES_ERR_HEADER = 3,    // header unreadable, wrong magic or wrong check value
    RES_ERR_VERSION = 4,   // version newer than RES_VERSION
    RES_ERR_DIRECTORY = 5, // directory unreadable or not what the file can hold
    RES_ERR_TEMPFILE = 6,  // Commit cannot create its temporary file
    RES_ERR_NAME = 7,      // AddEntry with a name that is empty, 256 bytes or more, or not a plain file name
    RES_ERR_DUPLICATE = 8, // AddEntry with a name already present
    RES_ERR_COMMIT = 9,    // Commit could not write the new archive or put it in place
};

// The archive's header as it lies on disk.
struct RES_Header {
    char magic[4];
    Uint16 version;
    Uint16 reserved;
    Uint32 count;     // entries in the directory
    Uint32 check;     // bitwise NOT of the file size
    Uint32 dirOffset; // from the start of the file
};
static_assert(sizeof(RES_Header) == 20, "RESF header is 20 bytes on disk");

// One directory record in memory.
struct RES_Entry {
    Uint32 size;      // bytes of data
    Uint32 offset;    // data position in the archive file; 0 while only in memory
    Uint32 type;      // type handler id
    bool callerOwned; // data belongs to whoever added it; the archive never frees it
    char* name;       // owned, NUL-terminated
    void* data;       // the data in memory, or null when only on disk
    void** userRef;   // the caller's variable that LoadEntry filled, or null
    RES_Entry* next;
};

// How entries of one type are read from, written to and released. Memory the default
// handler (type 0) allocates, and memory handed to AddEntry with takeOwnership, is malloc'd.
struct RES_TypeHandler {
    Uint32 type;
    bool (*load)(std::FILE* file, RES_Entry* entry); // file stands at the entry's data
    bool (*save)(std::FILE* file, RES_Entry* entry); // writes the entry's data at the file's position
    void (*free)(RES_Entry* entry);                  // releases data and sets it to null
};

// False when the type is already registered or a function is missing.
bool RES_RegisterType(Uint32 type, bool (*load)(std::FILE*, RES_Entry*), bool (*save)(std::FILE*, RES_Entry*),
                      void (*free)(RES_Entry*));
bool RES_UnregisterType(Uint32 type);
void RES_ClearTypes();
// The handler of type, or type 0's when none matches; null only when type 0 is not registered.
const RES_TypeHandler* RES_FindType(Uint32 type);

// Words for an error code, for tools and messages ("the archive file cannot be opened").
const char* RES_ErrorText(Uint16 code);

// Why name cannot be an entry's name, completing "entry name NAME ...", or null when it can.
// Entries are unpacked as files, so a name is one plain file name: 1 to 255 bytes, not "." or
// "..", no '/' (and no '\', a separator where archives may also be unpacked).
const char* RES_NameFault(const char* name);

class CResFile {
public:
    CResFile();
    ~CResFile();
    CResFile(const CResFile&) = delete;
    CResFile& operator=(const CResFile&) = delete;

    // mode "rb", "r" or "r+" reads an existing archive; "w" starts an empty one that Commit
    // writes (the file on disk is not touched before then). False when already open.
    bool Open(const char* fileName, const char* mode);
    void Close();
    bool IsOpen() const { return opened; }

    bool EntryExists(const char* name) const;
    Uint32 EntrySize(const char* name) const;
    // A new "rb" handle on the archive file standing at the entry's data (the caller closes it).
    std::FILE* OpenEntryFile(const char* name) const;
    // The archive's own handle standing at the entry's data.
    std::FILE* SeekEntry(const char* name);

    // Appends an entry whose data is in memory to an open archive. With takeOwnership the archive
    // frees data (it must come from malloc); otherwise the caller keeps it alive until Commit or Close.
    // A name RES_NameFault refuses, or one already present in any case, is an error (7 or 8).
    bool AddEntry(const char* name, Uint32 type, const void* data, Uint32 size, bool takeOwnership);
    // Frees the entry's data (unless caller-owned), clears the variable LoadEntry filled, drops it.
    bool RemoveEntry(const char* name);
    // Reads the entry into memory when it is not there yet; *userPtr (when given) receives it.
    bool LoadEntry(const char* name, void** userPtr);
    // Frees the in-memory copy of an entry that is also on disk; the caller's variable is untouched.
    bool UnloadEntry(const char* name);
    // Writes the whole archive to newName (or over the current file when null) and reopens it "r+".
    bool Commit(const char* newName = nullptr);

    // Returns the last error code and clears it.
    Uint16 GetError();

    // Inspection, for tools.
    const char* FileName() const { return fileName; }
    const RES_Header& Header() const { return header; }
    Uint32 EntryCount() const { return header.count; }
    const RES_Entry* FirstEntry() const { return entries; }
    const RES_Entry* FindEntry(const char* name) const;
    Uint32 StrayBytes() const { return strayBytes; } // bytes between the directory's end and the file's
    const char* FaultText() const { return fault; }  // details of the last failure, "" when none

private:
    RES_Entry* Find(const char* name) const;
    bool FailOpen(Uint16 code);
    void SetFault(const char* format, ...);
    bool ReadDirectory(Uint32 fileSize);
    void FreeEntries();

    char fileName[RES_MAX_PATH];
    char mode[4];
    std::FILE* file;     // the archive file; null while closed or before a created archive is committed
    std::FILE* tempFile; // the new archive while Commit writes it
    Uint16 error;
    RES_Header header;
    RES_Entry* entries; // directory order
    bool opened;
    Uint32 strayBytes;
    char fault[160];
};

// The temporary file a Commit of this process is writing at this moment, or null. Safe to call
// from a signal handler: a tool stopped by a signal removes it before it dies, so nothing is
// left behind but what a kill that cannot be caught leaves.
const char* RES_PendingTempFile();

// The loaders' sequence: open the demo archive, find name, and return a stream over that entry
// alone (it closes its own file handle). Null when the archive or the entry cannot be had.
VH_RWops* RES_OpenEntryStream(const char* name);
// The same over another archive file (tools and tests).
VH_RWops* RES_OpenEntryStreamFrom(const char* archive, const char* name);
