// resfile: reading, changing and writing "RESF" archives.
//
// Sections: little-endian fields; the default type handler (raw bytes); type handler
// registry; CResFile (open, directory, entries, commit); the loaders' sequence.
#include "data/resfile.h"

#include <atomic>
#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstdarg>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <new>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::size_t COPY_BLOCK = 2048; // Commit copies on-disk entries through this buffer
constexpr Uint32 MAX_U32 = 0xFFFFFFFFu;
constexpr std::size_t TEMP_BASE_MAX = 200; // archive name bytes kept in the temporary name (NAME_MAX is 255)
constexpr int TEMP_TRIES = 100;            // unique names tried before Commit gives up

std::vector<RES_TypeHandler> g_types; // the process-wide type handler registry

// The temporary file being written, for RES_PendingTempFile. Only written with every signal
// blocked, so a handler never sees half a name.
char g_pendingPath[4096 + 256];
volatile std::sig_atomic_t g_pending = 0;

// ---- little-endian fields ----------------------------------------------------------------

Uint16 Get16(const Uint8* p) {
    return static_cast<Uint16>(p[0] | (p[1] << 8));
}
Uint32 Get32(const Uint8* p) {
    return static_cast<Uint32>(p[0]) | (static_cast<Uint32>(p[1]) << 8) | (static_cast<Uint32>(p[2]) << 16) |
           (static_cast<Uint32>(p[3]) << 24);
}
void Put16(Uint8* p, Uint16 v) {
    p[0] = static_cast<Uint8>(v);
    p[1] = static_cast<Uint8>(v >> 8);
}
void Put32(Uint8* p, Uint32 v) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<Uint8>(v >> (8 * i));
}

void EncodeHeader(const RES_Header& h, Uint8* out) {
    std::memcpy(out, h.magic, 4);
    Put16(out + 4, h.version);
    Put16(out + 6, h.reserved);
    Put32(out + 8, h.count);
    Put32(out + 12, h.check);
    Put32(out + 16, h.dirOffset);
}

RES_Header DecodeHeader(const Uint8* in) {
    RES_Header h;
    std::memcpy(h.magic, in, 4);
    h.version = Get16(in + 4);
    h.reserved = Get16(in + 6);
    h.count = Get32(in + 8);
    h.check = Get32(in + 12);
    h.dirOffset = Get32(in + 16);
    return h;
}

RES_Header FreshHeader() {
    RES_Header h{};
    std::memcpy(h.magic, "RESF", 4);
    h.version = RES_VERSION;
    return h;
}

bool SameName(const char* a, const char* b) {
    for (;; ++a, ++b) {
        const int ca = std::tolower(static_cast<unsigned char>(*a));
        const int cb = std::tolower(static_cast<unsigned char>(*b));
        if (ca != cb) return false;
        if (ca == 0) return true;
    }
}

// ---- the default type handler: raw bytes ------------------------------------------------------

bool RawLoad(std::FILE* file, RES_Entry* entry) {
    // One byte more than needed so that an empty entry still gets a real pointer.
    void* data = std::malloc(static_cast<std::size_t>(entry->size) + 1);
    if (!data) return false;
    if (entry->size && std::fread(data, 1, entry->size, file) != entry->size) {
        std::free(data);
        entry->data = nullptr;
        return false;
    }
    entry->data = data;
    return true;
}

bool RawSave(std::FILE* file, RES_Entry* entry) {
    if (entry->size == 0) return true;
    return entry->data && std::fwrite(entry->data, 1, entry->size, file) == entry->size;
}

void RawFree(RES_Entry* entry) {
    std::free(entry->data);
    entry->data = nullptr;
}

RES_TypeHandler* FindExact(Uint32 type) {
    for (RES_TypeHandler& h : g_types)
        if (h.type == type) return &h;
    return nullptr;
}

// Frees an entry's in-memory data when the archive owns it.
void DropData(RES_Entry* entry) {
    if (!entry->data) return;
    if (!entry->callerOwned) {
        const RES_TypeHandler* handler = RES_FindType(entry->type);
        if (handler)
            handler->free(entry);
        else
            std::free(entry->data);
    }
    entry->data = nullptr;
}

void DeleteEntry(RES_Entry* entry) {
    DropData(entry);
    delete[] entry->name;
    delete entry;
}

std::string FolderOf(const char* path) {
    const char* slash = std::strrchr(path, '/');
    return slash ? std::string(path, static_cast<std::size_t>(slash - path) + 1) : std::string();
}

bool CopyBytes(std::FILE* from, std::FILE* to, Uint32 size) {
    char buffer[COPY_BLOCK];
    while (size) {
        const std::size_t n = size < COPY_BLOCK ? size : COPY_BLOCK;
        if (std::fread(buffer, 1, n, from) != n || std::fwrite(buffer, 1, n, to) != n) return false;
        size -= static_cast<Uint32>(n);
    }
    return true;
}

// Position of a file being written, or -1 when it cannot be had or no longer fits a u32 offset.
long long WritePosition(std::FILE* fp) {
    const long at = std::ftell(fp);
    return at < 0 || static_cast<unsigned long>(at) > MAX_U32 ? -1 : at;
}

// The file Commit's rename replaces, and what the new archive inherits from it.
struct CommitTarget {
    std::string path; // a link already resolved to the file it names
    bool exists = false;
    struct stat info {}; // of the existing file
};

// Follows a link at the archive's path to the file it names, so that the new archive lands
// beside that file and the link keeps working; refuses anything that is not a regular file,
// since a rename would silently put the archive in place of a pipe, a device or a dangling link.
bool ResolveTarget(const std::string& given, CommitTarget* target, std::string* why) {
    target->path = given;
    struct stat info;
    if (lstat(given.c_str(), &info) != 0) {
        if (errno == ENOENT) return true; // a new archive (or a missing folder, found when creating)
        *why = given + ": " + std::strerror(errno);
        return false;
    }
    if (S_ISLNK(info.st_mode)) {
        char* real = realpath(given.c_str(), nullptr);
        if (!real) {
            *why =
                errno == ENOENT ? given + " is a symbolic link to a missing file" : given + ": " + std::strerror(errno);
            return false;
        }
        target->path = real;
        std::free(real);
        if (stat(target->path.c_str(), &info) != 0) {
            *why = target->path + ": " + std::strerror(errno);
            return false;
        }
    }
    if (!S_ISREG(info.st_mode)) {
        *why = target->path + " is not a regular file";
        return false;
    }
    target->exists = true;
    target->info = info;
    return true;
}

std::uint64_t Mix(std::uint64_t x) {
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

// Creates Commit's temporary file beside path under a name of its own. O_EXCL never opens a
// file that exists and, with O_NOFOLLOW, never a link, so whatever else lies in the folder
// is left alone; another commit's file there only makes us try the next name. Mode 0666 lets
// the umask (or the folder's default ACL) give a new archive the usual permissions.
int CreateTemp(const std::string& path, std::string* tempPath) {
    static std::atomic<std::uint64_t> counter{0};
    static const char digits[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    const std::string folder = FolderOf(path.c_str());
    const std::string base = path.substr(folder.size(), TEMP_BASE_MAX);
    for (int attempt = 0; attempt < TEMP_TRIES; ++attempt) {
        timespec now{};
        clock_gettime(CLOCK_REALTIME, &now);
        std::uint64_t bits =
            Mix((static_cast<std::uint64_t>(getpid()) << 32) ^ static_cast<std::uint64_t>(now.tv_nsec) ^
                (static_cast<std::uint64_t>(now.tv_sec) << 20) ^ Mix(counter.fetch_add(1)));
        char suffix[7];
        for (int i = 0; i < 6; ++i, bits /= 62)
            suffix[i] = digits[bits % 62];
        suffix[6] = 0;
        *tempPath = folder + "." + base + RES_TEMP_TAG + suffix;
        // The file and its record for RES_PendingTempFile come into being together: a signal
        // between the two would leave a file nobody knows to remove.
        sigset_t all, before;
        sigfillset(&all);
        sigprocmask(SIG_BLOCK, &all, &before);
        const int fd = open(tempPath->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        const int openErrno = errno;
        if (fd >= 0 && tempPath->size() < sizeof g_pendingPath) {
            std::memcpy(g_pendingPath, tempPath->c_str(), tempPath->size() + 1);
            g_pending = 1;
        }
        sigprocmask(SIG_SETMASK, &before, nullptr);
        errno = openErrno;
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return -1;
}

// The new archive takes over the old one's permission bits and, where we may, its owner and
// group, before any of the old archive's bytes are written into it.
bool InheritMode(int fd, const CommitTarget& target) {
    if (!target.exists) return true;
    struct stat mine;
    if (fstat(fd, &mine) == 0 && (mine.st_uid != target.info.st_uid || mine.st_gid != target.info.st_gid)) {
        // Only a privileged process may give a file away; the group alone is often still allowed.
        if (fchown(fd, target.info.st_uid, target.info.st_gid) != 0 &&
            fchown(fd, static_cast<uid_t>(-1), target.info.st_gid) != 0) {
        }
    }
    return fchmod(fd, target.info.st_mode & 07777) == 0;
}

// After the rename, so the new name itself survives a power cut; nothing to undo if it fails.
void SyncFolder(const std::string& path) {
    const std::string folder = FolderOf(path.c_str());
    const int fd = open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    fsync(fd);
    close(fd);
}

} // namespace

// ---- type handler registry ----------------------------------------------------------------------

bool RES_RegisterType(Uint32 type, bool (*load)(std::FILE*, RES_Entry*), bool (*save)(std::FILE*, RES_Entry*),
                      void (*free)(RES_Entry*)) {
    if (!load || !save || !free || FindExact(type)) return false;
    g_types.push_back(RES_TypeHandler{type, load, save, free});
    return true;
}

bool RES_UnregisterType(Uint32 type) {
    for (auto it = g_types.begin(); it != g_types.end(); ++it) {
        if (it->type == type) {
            g_types.erase(it);
            return true;
        }
    }
    return false;
}

void RES_ClearTypes() {
    g_types.clear();
}

const RES_TypeHandler* RES_FindType(Uint32 type) {
    if (const RES_TypeHandler* h = FindExact(type)) return h;
    return FindExact(0);
}

const char* RES_ErrorText(Uint16 code) {
    switch (code) {
    case RES_OK:
        return "no error";
    case RES_ERR_OPEN:
        return "the archive file cannot be opened";
    case RES_ERR_HEADER:
        return "not a RESF archive (bad header, magic or check value)";
    case RES_ERR_VERSION:
        return "unsupported archive version";
    case RES_ERR_DIRECTORY:
        return "damaged directory";
    case RES_ERR_TEMPFILE:
        return "cannot create the temporary file";
    case RES_ERR_NAME:
        return "entry name empty, longer than 255 bytes or not a plain file name";
    case RES_ERR_DUPLICATE:
        return "an entry of that name already exists";
    case RES_ERR_COMMIT:
        return "cannot write the new archive";
    default:
        return "unknown archive error";
    }
}

const char* RES_NameFault(const char* name) {
    if (!name || !*name) return "is empty";
    if (std::strlen(name) > RES_MAX_NAME) return "is longer than 255 bytes";
    if (!std::strcmp(name, ".") || !std::strcmp(name, "..") || std::strpbrk(name, "/\\"))
        return "is not a plain file name";
    return nullptr;
}

// ---- CResFile ----------------------------------------------------------------------------------

CResFile::CResFile()
    : fileName{}, mode{}, file(nullptr), tempFile(nullptr), error(RES_OK), header{}, entries(nullptr), opened(false),
      strayBytes(0), fault{} {
    // Registered here rather than at start-up so it is back even after RES_ClearTypes.
    if (!FindExact(0)) RES_RegisterType(0, RawLoad, RawSave, RawFree);
}

CResFile::~CResFile() {
    Close();
}

void CResFile::SetFault(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::vsnprintf(fault, sizeof fault, format, args);
    va_end(args);
}

void CResFile::FreeEntries() {
    while (entries) {
        RES_Entry* next = entries->next;
        DeleteEntry(entries);
        entries = next;
    }
    header.count = 0;
}

void CResFile::Close() {
    FreeEntries();
    error = RES_OK;
    if (file) std::fclose(file);
    file = nullptr;
    opened = false;
    strayBytes = 0;
}

bool CResFile::FailOpen(Uint16 code) {
    Close();
    error = code;
    return false;
}

bool CResFile::Open(const char* name, const char* openMode) {
    if (opened) return false;
    if (!name || !openMode) return false;
    fault[0] = 0;
    const std::size_t nameLength = std::strlen(name);
    if (nameLength == 0 || nameLength >= sizeof fileName) {
        SetFault("archive path is empty or longer than %d bytes", RES_MAX_PATH - 1);
        error = RES_ERR_OPEN;
        return false;
    }
    const char* fopenMode = nullptr;
    if (!std::strcmp(openMode, "rb"))
        fopenMode = "rb";
    else if (!std::strcmp(openMode, "r+"))
        fopenMode = "r+b";
    else if (!std::strcmp(openMode, "r"))
        fopenMode = "r";
    else if (std::strcmp(openMode, "w"))
        return false;
    std::memcpy(fileName, name, nameLength + 1);
    std::strcpy(mode, openMode);
    FreeEntries();

    if (!fopenMode) {
        // A new archive: nothing on disk changes until Commit puts the finished file in place,
        // so an existing archive of that name survives a build that never completes.
        const std::string folder = FolderOf(fileName);
        struct stat info;
        if (!folder.empty() && (stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))) {
            SetFault("folder %s does not exist", folder.c_str());
            return false;
        }
        header = FreshHeader();
        opened = true;
        return true;
    }

    file = std::fopen(fileName, fopenMode);
    if (!file) {
        SetFault("%s", std::strerror(errno));
        error = RES_ERR_OPEN;
        return false;
    }
    opened = true;

    Uint8 raw[RES_HEADER_SIZE];
    if (std::fread(raw, 1, sizeof raw, file) != sizeof raw) {
        SetFault("file is shorter than the 20-byte header");
        return FailOpen(RES_ERR_HEADER);
    }
    header = DecodeHeader(raw);
    // The magic is compared on its four bytes alone, so the version bytes after it never
    // turn a newer version into a bad magic.
    for (int i = 0; i < 4; ++i) {
        if (std::toupper(static_cast<unsigned char>(raw[i])) != "RESF"[i]) {
            SetFault("magic is not RESF");
            return FailOpen(RES_ERR_HEADER);
        }
    }
    if (std::fseek(file, 0, SEEK_END) != 0) return FailOpen(RES_ERR_HEADER);
    const long end = std::ftell(file);
    if (end < 0 || static_cast<unsigned long>(end) > MAX_U32) {
        SetFault("file size cannot be had or exceeds 4 GiB");
        return FailOpen(RES_ERR_HEADER);
    }
    const Uint32 fileSize = static_cast<Uint32>(end);
    if (header.check != static_cast<Uint32>(~fileSize)) {
        SetFault("check value 0x%08X does not match the file size of %u bytes", static_cast<unsigned>(header.check),
                 static_cast<unsigned>(fileSize));
        return FailOpen(RES_ERR_HEADER);
    }
    if (header.version > RES_VERSION) {
        SetFault("version 0x%04X is newer than 0x%04X", static_cast<unsigned>(header.version),
                 static_cast<unsigned>(RES_VERSION));
        return FailOpen(RES_ERR_VERSION);
    }
    if (!ReadDirectory(fileSize)) return FailOpen(RES_ERR_DIRECTORY);
    return true;
}

bool CResFile::ReadDirectory(Uint32 fileSize) {
    const Uint32 dirOffset = header.dirOffset;
    const Uint32 count = header.count;
    // Everything the header claims is checked against the file before a single record is made.
    if (dirOffset < RES_HEADER_SIZE || dirOffset > fileSize) {
        SetFault("directory offset %u lies outside the file of %u bytes", static_cast<unsigned>(dirOffset),
                 static_cast<unsigned>(fileSize));
        return false;
    }
    const Uint32 room = fileSize - dirOffset;
    if (count > room / RES_RECORD_SIZE) {
        SetFault("entry count %u does not fit in a directory of %u bytes", static_cast<unsigned>(count),
                 static_cast<unsigned>(room));
        return false;
    }
    if (std::fflush(file) != 0 || std::fseek(file, static_cast<long>(dirOffset), SEEK_SET) != 0) {
        SetFault("cannot seek to the directory");
        return false;
    }
    header.count = 0;
    RES_Entry** tail = &entries;
    for (Uint32 i = 0; i < count; ++i) {
        Uint8 record[RES_RECORD_SIZE];
        if (std::fread(record, 1, sizeof record, file) != sizeof record) {
            SetFault("directory record %u is cut short", static_cast<unsigned>(i));
            return false;
        }
        const Uint32 size = Get32(record);
        const Uint32 offset = Get32(record + 4);
        const Uint8 nameLength = record[12];
        char* name = new (std::nothrow) char[nameLength + 1u];
        RES_Entry* entry = name ? new (std::nothrow) RES_Entry() : nullptr;
        if (!entry) {
            delete[] name;
            SetFault("out of memory reading the directory");
            return false;
        }
        entry->name = name;
        *tail = entry; // linked first so that every failure below frees it with the rest
        tail = &entry->next;
        ++header.count;
        if (std::fread(name, 1, nameLength, file) != nameLength) {
            SetFault("name of directory record %u is cut short", static_cast<unsigned>(i));
            return false;
        }
        name[nameLength] = 0;
        entry->size = size;
        entry->offset = offset;
        entry->type = Get32(record + 8);
        if (offset < RES_HEADER_SIZE || offset > dirOffset || size > dirOffset - offset) {
            SetFault("entry %u (%s: %u bytes at %u) lies outside the data area", static_cast<unsigned>(i), name,
                     static_cast<unsigned>(size), static_cast<unsigned>(offset));
            return false;
        }
        if (std::strlen(name) != nameLength) {
            SetFault("name of entry %u holds a NUL byte", static_cast<unsigned>(i));
            return false;
        }
    }
    const long end = std::ftell(file);
    strayBytes = end < 0 ? 0 : fileSize - static_cast<Uint32>(end);
    return true;
}

RES_Entry* CResFile::Find(const char* name) const {
    if (!name || !*name) return nullptr;
    for (RES_Entry* e = entries; e; e = e->next)
        if (SameName(e->name, name)) return e;
    return nullptr;
}

const RES_Entry* CResFile::FindEntry(const char* name) const {
    return Find(name);
}

bool CResFile::EntryExists(const char* name) const {
    return Find(name) != nullptr;
}

Uint32 CResFile::EntrySize(const char* name) const {
    const RES_Entry* e = Find(name);
    return e ? e->size : 0;
}

std::FILE* CResFile::OpenEntryFile(const char* name) const {
    const RES_Entry* e = Find(name);
    // An entry added since the archive was read has no bytes on disk yet.
    if (!opened || !file || !e || e->offset < RES_HEADER_SIZE) return nullptr;
    std::FILE* fp = std::fopen(fileName, "rb");
    if (!fp) return nullptr;
    if (std::fseek(fp, static_cast<long>(e->offset), SEEK_SET) != 0) {
        std::fclose(fp);
        return nullptr;
    }
    return fp;
}

std::FILE* CResFile::SeekEntry(const char* name) {
    const RES_Entry* e = Find(name);
    if (!file || !e || e->offset < RES_HEADER_SIZE) return nullptr;
    return std::fseek(file, static_cast<long>(e->offset), SEEK_SET) == 0 ? file : nullptr;
}

bool CResFile::AddEntry(const char* name, Uint32 type, const void* data, Uint32 size, bool takeOwnership) {
    if (!opened) return false; // Open would drop it again
    if (const char* why = RES_NameFault(name)) {
        SetFault("entry name %s %s", name ? name : "", why);
        error = RES_ERR_NAME;
        return false;
    }
    const std::size_t nameLength = std::strlen(name);
    if (Find(name)) {
        error = RES_ERR_DUPLICATE;
        return false;
    }
    if (!data && size) return false;
    if (header.count == MAX_U32) return false;
    char* copy = new (std::nothrow) char[nameLength + 1];
    RES_Entry* entry = copy ? new (std::nothrow) RES_Entry() : nullptr;
    if (!entry) {
        delete[] copy;
        return false;
    }
    std::memcpy(copy, name, nameLength + 1);
    entry->size = size;
    entry->type = type;
    entry->callerOwned = !takeOwnership;
    entry->name = copy;
    entry->data = const_cast<void*>(data);
    // An empty entry still needs "data in memory" so that Commit writes it from here.
    if (!entry->data) {
        entry->data = std::malloc(1);
        entry->callerOwned = false;
        if (!entry->data) {
            delete[] copy;
            delete entry;
            return false;
        }
    }
    RES_Entry** tail = &entries;
    while (*tail)
        tail = &(*tail)->next;
    *tail = entry;
    ++header.count;
    return true;
}

bool CResFile::RemoveEntry(const char* name) {
    RES_Entry* target = Find(name);
    if (!target) return false;
    if (target->userRef) *target->userRef = nullptr;
    RES_Entry** link = &entries;
    while (*link != target)
        link = &(*link)->next;
    *link = target->next;
    DeleteEntry(target);
    --header.count;
    return true;
}

bool CResFile::LoadEntry(const char* name, void** userPtr) {
    RES_Entry* e = Find(name);
    if (!e) return false;
    if (!e->data) {
        const RES_TypeHandler* handler = RES_FindType(e->type);
        if (!handler || !SeekEntry(name) || !handler->load(file, e) || !e->data) return false;
    }
    e->userRef = userPtr;
    if (userPtr) *userPtr = e->data;
    return true;
}

bool CResFile::UnloadEntry(const char* name) {
    RES_Entry* e = Find(name);
    // Data that exists only in memory would be gone for good, so it stays.
    if (!e || !e->data || e->offset < RES_HEADER_SIZE) return false;
    DropData(e);
    e->userRef = nullptr;
    return true;
}

bool CResFile::Commit(const char* newName) {
    fault[0] = 0;
    // A closed object has forgotten its entries: writing it out would empty the archive.
    if (!opened) {
        SetFault("archive is not open");
        error = RES_ERR_COMMIT;
        return false;
    }
    const std::string target = newName && *newName ? newName : fileName;
    if (target.empty() || target.size() >= sizeof fileName) {
        SetFault("no archive path to write");
        error = RES_ERR_COMMIT;
        return false;
    }
    CommitTarget where;
    std::string why;
    if (!ResolveTarget(target, &where, &why)) {
        SetFault("%s", why.c_str());
        error = RES_ERR_COMMIT;
        return false;
    }
    std::string tempPath;
    const int fd = CreateTemp(where.path, &tempPath);
    if (fd < 0) {
        SetFault("cannot create a temporary file beside %s: %s", where.path.c_str(), std::strerror(errno));
        error = RES_ERR_TEMPFILE;
        return false;
    }
    tempFile = InheritMode(fd, where) ? fdopen(fd, "wb") : nullptr;
    if (!tempFile) {
        SetFault("cannot prepare %s: %s", tempPath.c_str(), std::strerror(errno));
        close(fd);
        unlink(tempPath.c_str());
        g_pending = 0;
        error = RES_ERR_TEMPFILE;
        return false;
    }

    // New places are kept aside and only given to the entries once the archive is in place,
    // so a failure leaves this object describing the old file correctly.
    struct Placed {
        Uint32 offset, size;
    };
    std::vector<Placed> placed;
    RES_Header out = header;
    bool ok = true;
    Uint8 raw[RES_HEADER_SIZE];
    EncodeHeader(out, raw);
    ok = std::fwrite(raw, 1, sizeof raw, tempFile) == sizeof raw;
    for (RES_Entry* e = entries; ok && e; e = e->next) {
        const long long at = WritePosition(tempFile);
        if (at < 0) {
            ok = false;
            break;
        }
        if (e->data) {
            const RES_TypeHandler* handler = RES_FindType(e->type);
            ok = handler && handler->save(tempFile, e);
        } else {
            ok = file && e->offset >= RES_HEADER_SIZE &&
                 std::fseek(file, static_cast<long>(e->offset), SEEK_SET) == 0 && CopyBytes(file, tempFile, e->size);
        }
        const long long after = ok ? WritePosition(tempFile) : -1;
        if (after < 0) {
            if (ok)
                SetFault("archive would exceed 4 GiB");
            else
                SetFault("cannot write entry %s", e->name);
            ok = false;
            break;
        }
        placed.push_back(Placed{static_cast<Uint32>(at), static_cast<Uint32>(after - at)});
    }
    if (ok) {
        const long long dirOffset = WritePosition(tempFile);
        ok = dirOffset >= 0;
        out.dirOffset = static_cast<Uint32>(dirOffset);
        std::size_t i = 0;
        for (RES_Entry* e = entries; ok && e; e = e->next, ++i) {
            Uint8 record[RES_RECORD_SIZE];
            const Uint8 nameLength = static_cast<Uint8>(std::strlen(e->name));
            Put32(record, placed[i].size);
            Put32(record + 4, placed[i].offset);
            Put32(record + 8, e->type);
            record[12] = nameLength;
            ok = std::fwrite(record, 1, sizeof record, tempFile) == sizeof record &&
                 std::fwrite(e->name, 1, nameLength, tempFile) == nameLength;
        }
        const long long total = ok ? WritePosition(tempFile) : -1;
        ok = ok && total >= 0;
        if (ok) {
            out.count = static_cast<Uint32>(placed.size());
            out.check = ~static_cast<Uint32>(total);
            EncodeHeader(out, raw);
            ok = std::fseek(tempFile, 0, SEEK_SET) == 0 && std::fwrite(raw, 1, sizeof raw, tempFile) == sizeof raw;
        }
        if (!ok && !fault[0]) SetFault("cannot write the directory");
    }
    // The bytes must be on disk before the rename makes them the archive.
    ok = ok && std::fflush(tempFile) == 0 && fsync(fileno(tempFile)) == 0;
    ok = std::fclose(tempFile) == 0 && ok;
    tempFile = nullptr;
    if (ok && std::rename(tempPath.c_str(), where.path.c_str()) != 0) {
        SetFault("cannot put the new archive in place as %s: %s", where.path.c_str(), std::strerror(errno));
        ok = false;
    }
    g_pending = 0; // renamed into place, or about to be removed
    if (!ok) {
        unlink(tempPath.c_str());
        if (!fault[0]) SetFault("cannot write %s", tempPath.c_str());
        error = RES_ERR_COMMIT;
        return false;
    }
    SyncFolder(where.path);

    Close();
    std::memcpy(fileName, target.c_str(), target.size() + 1);
    return Open(target.c_str(), "r+");
}

Uint16 CResFile::GetError() {
    const Uint16 code = error;
    error = RES_OK;
    return code;
}

const char* RES_PendingTempFile() {
    return g_pending ? g_pendingPath : nullptr;
}

// ---- the loaders' sequence ----------------------------------------------------------------------

VH_RWops* RES_OpenEntryStreamFrom(const char* archive, const char* name) {
    CResFile res;
    if (!res.Open(archive, "rb") || !res.EntryExists(name)) return nullptr;
    const Uint32 size = res.EntrySize(name);
    if (size > 0x7FFFFFFFu) return nullptr; // stream positions are ints
    std::FILE* fp = res.OpenEntryFile(name);
    if (!fp) return nullptr;
    VH_RWops* rw = VH_RWFromLump(fp, 1, static_cast<int>(size));
    if (!rw) std::fclose(fp);
    return rw;
}

VH_RWops* RES_OpenEntryStream(const char* name) {
    return RES_OpenEntryStreamFrom(RES_ARCHIVE_NAME, name);
}
