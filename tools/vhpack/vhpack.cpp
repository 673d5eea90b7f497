// vhpack: builds, lists, changes, unpacks and checks RESF archives from the command line.
//
// Everything goes through the engine's own archive object, so what vhpack accepts and writes
// is exactly what the demo reads, and a change reaches the disk only as a whole new archive
// renamed into place. Writers of one archive take turns through a lock on it, and a writer
// stopped by a signal removes its half-written archive before it dies. Exit status: 0 success, 1 a bad or missing
// archive, entry or file, 2 a usage error. Every error is one line on stderr naming the file and the fault.
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include <fcntl.h>
#include <strings.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "args.h"
#include "import.h"
#include "core/report.h"
#include "core/version.h"
#include "data/resfile.h"
#include "shell/assetcheck.h"

// The square-root banner belongs to the demo's start-up, not to a tool that reads its data.
extern const bool VH_QuietStartup = true;

namespace {

constexpr int EXIT_OK = 0;
constexpr int EXIT_BAD = 1;
constexpr int EXIT_USAGE = 2;
constexpr double LOCK_WAIT_SECONDS = 10.0; // how long a writer waits for another one to finish

const char* const kUsage =
    "usage: vhpack create ARCHIVE FILE... [--force] | --empty\n"
    "       vhpack list ARCHIVE\n"
    "       vhpack add ARCHIVE FILE... [--name NAME] [--replace] [--force]\n"
    "       vhpack extract ARCHIVE [NAME...] [-C DIR] [--force]\n"
    "       vhpack remove ARCHIVE NAME...\n"
    "       vhpack check ARCHIVE [--deep]\n"
    "       vhpack import ARCHIVE FILE... [--name NAME] [--replace] [--size WxH] [--fit N] [--up y|z]\n"
    "       vhpack export ARCHIVE NAME [-o FILE] [--force]\n"
    "       vhpack COMMAND --help | --help | --version\n"
    "\n"
    "create   writes a new archive holding FILEs under their base names; an existing\n"
    "         ARCHIVE is replaced only with --force, an empty one made only with --empty\n"
    "list     prints SIZE OFFSET TYPE NAME per entry in directory order, then a total\n"
    "add      adds FILEs (--name renames a single FILE); a name already present, in any\n"
    "         case, is an error unless --replace; a FILE the demo cannot use is refused,\n"
    "         one line saying why and what to do, unless --force\n"
    "extract  writes the named entries (all when none is named) into DIR (default .);\n"
    "         an existing file is kept unless --force\n"
    "remove   drops the named entries\n"
    "check    validates header, check value, directory and names; prints ok; --deep also\n"
    "         reads every entry with the demo's own readers\n"
    "import   converts pictures (PNG, JPEG, GIF, BMP, TGA ...) and models (OBJ, glTF, FBX,\n"
    "         Collada, PLY, STL, 3DS ...) into what the demo reads and stores them\n"
    "export   writes a picture entry as PNG, a model entry as glTF or OBJ\n"
    "\n"
    "Entry names are plain file names. A change is written to a temporary file beside the\n"
    "archive and renamed into place, so a failed or interrupted command leaves the archive\n"
    "as it was; commands that change one archive at once take turns.\n"
    "vhpack COMMAND --help explains one command.\n"
    "\n"
    "exit status: 0 success, 1 bad or missing archive, entry or file, 2 usage error\n";

int Usage(const char* format, ...) {
    char text[256];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    std::fprintf(stderr, "vhpack: %s (try vhpack --help)\n", text);
    return EXIT_USAGE;
}

int Fail(const std::string& file, const char* format, ...) {
    char text[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    std::fprintf(stderr, "vhpack: %s: %s\n", file.c_str(), text);
    return EXIT_BAD;
}

// The archive's last fault in words: its error code and, when it has them, the details.
int FailArchive(CResFile& res, const std::string& file, const char* doing) {
    const Uint16 code = res.GetError();
    const char* detail = res.FaultText();
    if (code && *detail) return Fail(file, "%s: %s (%s)", doing, RES_ErrorText(code), detail);
    if (code) return Fail(file, "%s: %s", doing, RES_ErrorText(code));
    if (*detail) return Fail(file, "%s: %s", doing, detail);
    return Fail(file, "%s failed", doing);
}

// "entry name NAME is not a plain file name", the words every command uses for a refused name.
int FailName(const std::string& file, const char* name, const char* prefix = "") {
    return Fail(file, "%sentry name %s %s", prefix, name, RES_NameFault(name));
}

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

std::string BaseName(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Reads a whole regular file into a malloc'd block (the archive takes it over).
bool ReadInput(const std::string& path, void** data, Uint32* size, std::string* why) {
    struct stat info;
    if (stat(path.c_str(), &info) != 0) {
        *why = std::strerror(errno);
        return false;
    }
    if (!S_ISREG(info.st_mode)) {
        *why = "not a regular file";
        return false;
    }
    if (static_cast<unsigned long long>(info.st_size) > 0xFFFFFFF0ull) {
        *why = "too large for an archive entry";
        return false;
    }
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        *why = std::strerror(errno);
        return false;
    }
    const std::size_t n = static_cast<std::size_t>(info.st_size);
    void* block = std::malloc(n + 1);
    const bool ok = block && std::fread(block, 1, n, f) == n;
    std::fclose(f);
    if (!ok) {
        std::free(block);
        *why = block ? "cannot read" : "out of memory";
        return false;
    }
    *data = block;
    *size = static_cast<Uint32>(n);
    return true;
}

// Adds files to an open archive; names[i] is the entry name of files[i].
int AddFiles(CResFile& res, const std::string& archive, const std::vector<std::string>& files,
             const std::vector<std::string>& names, bool replace) {
    struct stat self, input;
    const bool archiveExists = stat(archive.c_str(), &self) == 0;
    for (std::size_t i = 0; i < files.size(); ++i) {
        const std::string& name = names[i];
        if (RES_NameFault(name.c_str())) return FailName(archive, name.c_str());
        // Packing the archive into itself would store its old self, or, as create's only
        // input, replace it with an archive of itself; neither is ever meant.
        if (archiveExists && stat(files[i].c_str(), &input) == 0 && SameFile(input, self))
            return Fail(files[i], "is the archive itself");
        for (std::size_t j = 0; j < i; ++j)
            if (!strcasecmp(names[j].c_str(), name.c_str()))
                return Fail(files[i], "entry name %s is given twice", name.c_str());
        if (res.EntryExists(name.c_str())) {
            if (!replace) return Fail(archive, "entry %s already exists (use --replace)", name.c_str());
            res.RemoveEntry(name.c_str());
        }
        void* data = nullptr;
        Uint32 size = 0;
        std::string why;
        if (!ReadInput(files[i], &data, &size, &why)) return Fail(files[i], "%s", why.c_str());
        if (!res.AddEntry(name.c_str(), 0, data, size, true)) {
            std::free(data);
            return FailArchive(res, archive, ("cannot add " + name).c_str());
        }
    }
    return EXIT_OK;
}

int Commit(CResFile& res, const std::string& archive) {
    return res.Commit() ? EXIT_OK : FailArchive(res, archive, "cannot write the archive");
}

int OpenExisting(CResFile& res, const std::string& archive, const char* mode) {
    return res.Open(archive.c_str(), mode) ? EXIT_OK : FailArchive(res, archive, "cannot open");
}

// ---- taking turns --------------------------------------------------------------------------------

// Writers of one archive take turns: each holds an exclusive flock from before it reads the old
// directory until its new archive is renamed into place, so no change is built on a directory
// that another writer is about to replace. The lock is on the archive file itself, so nothing
// is left beside it; since a commit replaces that file, a writer that wins the lock on a file
// that has been replaced meanwhile lets it go and locks the one the path names now. An archive
// that does not exist yet is locked through its folder, so two creates of it take turns too.
class ArchiveLock {
public:
    ArchiveLock() = default;
    ArchiveLock(const ArchiveLock&) = delete;
    ArchiveLock& operator=(const ArchiveLock&) = delete;
    ~ArchiveLock() {
        if (fd >= 0) close(fd);
    }

    // 0 once the lock is held, or the exit status after one line saying why not. Where there is
    // nothing to lock (a folder that is missing, a file we may not read) the command goes on and
    // meets that fault itself.
    int Take(const std::string& archive) {
        using Clock = std::chrono::steady_clock;
        const Clock::time_point deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                                              std::chrono::duration<double>(LOCK_WAIT_SECONDS));
        useconds_t pause = 2000;
        for (;;) {
            bool folder = false;
            int f = open(archive.c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
            if (f < 0 && errno == ENOENT) {
                const std::size_t slash = archive.find_last_of('/');
                const std::string dir = slash == std::string::npos ? "." : archive.substr(0, slash + 1);
                f = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
                folder = true;
            }
            if (f < 0) return EXIT_OK;
            if (flock(f, LOCK_EX | LOCK_NB) == 0) {
                if (StillCurrent(f, archive, folder)) {
                    fd = f;
                    return EXIT_OK;
                }
                close(f); // replaced while we waited: lock what the path names now
                continue;
            }
            const bool busy = errno == EWOULDBLOCK;
            close(f);
            if (!busy) return EXIT_OK; // a file system without locks: go on as before
            if (Clock::now() >= deadline)
                return Fail(archive, "another command is still changing it after %.0f s; try again once it is done",
                            LOCK_WAIT_SECONDS);
            usleep(pause);
            pause = pause < 50000 ? pause * 2 : pause;
        }
    }

private:
    static bool StillCurrent(int f, const std::string& archive, bool folder) {
        struct stat held, named;
        if (folder) return stat(archive.c_str(), &named) != 0 && errno == ENOENT;
        return fstat(f, &held) == 0 && stat(archive.c_str(), &named) == 0 && SameFile(held, named);
    }

    int fd = -1;
};

// Ctrl-C, a terminal that closes or a plain kill: the half-written archive goes before we do,
// then the signal ends the process as it would have.
void OnStopSignal(int signal) {
    if (const char* temp = RES_PendingTempFile()) unlink(temp);
    struct sigaction plain {};
    plain.sa_handler = SIG_DFL;
    sigemptyset(&plain.sa_mask);
    sigaction(signal, &plain, nullptr);
    raise(signal);
}

void CatchStopSignals() {
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigfillset(&action.sa_mask);
    for (int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaction(signal, &action, nullptr);
}

// ---- what the demo can use ---------------------------------------------------------------------

bool EndsWithAny(const std::string& name, std::initializer_list<const char*> tails) {
    for (const char* tail : tails) {
        const std::size_t n = std::strlen(tail);
        if (name.size() > n && !strcasecmp(name.c_str() + name.size() - n, tail)) return true;
    }
    return false;
}

const char* const kPictureRemedy = "vhpack import converts it to a 24-bit BMP (a 32-bit TGA where it needs "
                                   "transparency) with power-of-two sides from 2 to 2048";
const char* const kModelRemedy = "vhpack import converts it to a 3DS model and stores its texture maps with it";

// What would make an entry of this kind usable: for pictures and models, the import that converts
// them.
const char* Remedy(VH_AssetKind kind, const std::string& name) {
    switch (kind) {
    case VH_ASSET_PICTURE:
        return kPictureRemedy;
    case VH_ASSET_MODEL:
        return kModelRemedy;
    case VH_ASSET_FONT:
        return "a font mask holds all 32 x 4 cells of its cell size; start from one assetgen writes";
    case VH_ASSET_SPLINE:
    case VH_ASSET_WED:
        return "start from a path file assetgen writes, which the demo reads";
    case VH_ASSET_TEXT:
        return "save it as plain text";
    case VH_ASSET_MUSIC:
        return "encode it as Ogg Vorbis, stereo at 44100 Hz (oggenc, or sox FILE -r 44100 -c 2 NAME.ogg)";
    default:
        break;
    }
    if (EndsWithAny(name, {".png", ".jpg", ".jpeg", ".gif", ".tif", ".tiff", ".webp", ".ppm", ".pcx"}))
        return kPictureRemedy;
    if (EndsWithAny(name, {".obj", ".fbx", ".gltf", ".glb", ".dae", ".blend", ".stl", ".ply"})) return kModelRemedy;
    return "the demo reads .bmp and .tga pictures, .3ds models, .spo and .wed path files, .txt text, .ogg music and "
           "its font masks";
}

// Why the demo could not use the entry name holding size bytes at data, or "" when it can.
// The model check looks for texture maps in res, which already holds every entry being added.
std::string Unusable(const CResFile& res, const std::string& name, const void* data, Uint32 size) {
    if (VH_AssetKindOf(name.c_str()) != VH_ASSET_OTHER) return VH_CheckAssetBytes(name.c_str(), data, size, &res);
    const std::size_t dot = name.find_last_of('.');
    if (dot == std::string::npos || dot == 0) return "the demo reads no entry without an extension";
    return "the demo reads no " + name.substr(dot) + " entry";
}

// ---- commands -------------------------------------------------------------------------------------

int Create(const PACK_Args& a) {
    // Like tar, an empty archive is never made by accident: it is a list of FILEs forgotten.
    if (a.words.empty() && !a.empty) return Usage("create needs a FILE (or --empty for an archive of no entries)");
    ArchiveLock lock;
    if (int status = lock.Take(a.archive)) return status;
    struct stat info;
    if (!a.force && lstat(a.archive.c_str(), &info) == 0)
        return Fail(a.archive, "exists; create replaces it only with --force (add changes it)");
    CResFile res;
    if (!res.Open(a.archive.c_str(), "w")) return FailArchive(res, a.archive, "cannot create");
    std::vector<std::string> names;
    for (const std::string& f : a.words)
        names.push_back(BaseName(f));
    if (int status = AddFiles(res, a.archive, a.words, names, false)) return status;
    return Commit(res, a.archive);
}

int List(const PACK_Args& a) {
    CResFile res;
    if (int status = OpenExisting(res, a.archive, "rb")) return status;
    unsigned long long total = 0;
    for (const RES_Entry* e = res.FirstEntry(); e; e = e->next) {
        std::printf("%u %u %u %s\n", static_cast<unsigned>(e->size), static_cast<unsigned>(e->offset),
                    static_cast<unsigned>(e->type), e->name);
        total += e->size;
    }
    const unsigned count = static_cast<unsigned>(res.EntryCount());
    std::printf("total %u %s, %llu bytes\n", count, count == 1 ? "entry" : "entries", total);
    return EXIT_OK;
}

int Add(const PACK_Args& a) {
    if (a.words.empty()) return Usage("add needs at least one FILE");
    if (a.hasName && a.words.size() != 1) return Usage("--name goes with exactly one FILE");
    ArchiveLock lock;
    if (int status = lock.Take(a.archive)) return status;
    CResFile res;
    if (int status = OpenExisting(res, a.archive, "r+")) return status;
    std::vector<std::string> names;
    for (const std::string& f : a.words)
        names.push_back(a.hasName ? a.name : BaseName(f));
    if (int status = AddFiles(res, a.archive, a.words, names, a.replace)) return status;
    // Each new entry through the demo's own readers, once all are in, so a model finds the
    // texture maps added with it. A black screen in the demo is a poor way to learn of a fault.
    bool refused = false;
    for (std::size_t i = 0; i < names.size(); ++i) {
        const RES_Entry* e = res.FindEntry(names[i].c_str());
        const std::string why = e ? Unusable(res, names[i], e->data, e->size) : "";
        if (why.empty()) continue;
        const std::string file = names[i] == BaseName(a.words[i]) ? a.words[i] : a.words[i] + " (as " + names[i] + ")";
        if (a.force) {
            Fail(file, "%s; stored as it is (--force)", why.c_str());
        } else {
            Fail(file, "%s; %s (--force stores it as it is)", why.c_str(),
                 Remedy(VH_AssetKindOf(names[i].c_str()), names[i]));
            refused = true;
        }
    }
    if (refused) return EXIT_BAD;
    return Commit(res, a.archive);
}

// mkdir -p: every missing folder along path, each with the usual permissions.
bool MakeFolders(const std::string& path, std::string* why) {
    for (std::size_t at = 1; at <= path.size(); ++at) {
        if (at < path.size() && path[at] != '/') continue;
        const std::string part = path.substr(0, at);
        if (mkdir(part.c_str(), 0777) != 0 && errno != EEXIST) {
            *why = std::string("cannot create the folder: ") + std::strerror(errno);
            return false;
        }
    }
    struct stat info;
    if (stat(path.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        *why = "not a folder";
        return false;
    }
    return true;
}

// Opens target for an entry's bytes. Without force an existing file (or a link) is never
// opened: O_EXCL makes "exists" and "create" one step. With force a regular file is
// overwritten in place, but a link is replaced rather than written through, so an entry
// lands in the folder it was unpacked into and nowhere else; a folder, pipe or device is
// never written. When the target is kept, *kept says why.
std::FILE* OpenTarget(const std::string& target, bool force, const char** kept) {
    *kept = nullptr;
    struct stat info;
    if (force && lstat(target.c_str(), &info) == 0) {
        if (S_ISLNK(info.st_mode)) {
            unlink(target.c_str());
        } else if (!S_ISREG(info.st_mode)) {
            *kept = "is not a regular file, kept";
            return nullptr;
        }
    }
    const int flags = O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC | (force ? O_TRUNC : O_EXCL);
    const int fd = open(target.c_str(), flags, 0666);
    if (fd < 0) {
        if (errno == EEXIST) *kept = "exists, kept (--force overwrites)";
        return nullptr;
    }
    std::FILE* f = fdopen(fd, "wb");
    if (!f) close(fd);
    return f;
}

int Extract(const PACK_Args& a) {
    CResFile res;
    if (int status = OpenExisting(res, a.archive, "rb")) return status;
    std::vector<const RES_Entry*> chosen;
    if (a.words.empty()) {
        for (const RES_Entry* e = res.FirstEntry(); e; e = e->next)
            chosen.push_back(e);
    } else {
        for (const std::string& w : a.words) {
            const RES_Entry* e = res.FindEntry(w.c_str());
            if (!e) return Fail(a.archive, "no entry named %s", w.c_str());
            chosen.push_back(e);
        }
    }
    // Entry names become file names: only plain names, never a path out of the target folder.
    for (const RES_Entry* e : chosen)
        if (RES_NameFault(e->name)) return FailName(a.archive, e->name);

    const std::string folder = a.hasOutDir ? a.outDir : std::string(".");
    std::string why;
    if (!MakeFolders(folder, &why)) return Fail(folder, "%s", why.c_str());
    struct stat info, self;
    if (stat(a.archive.c_str(), &self) != 0) return Fail(a.archive, "%s", std::strerror(errno));
    int status = EXIT_OK;
    for (const RES_Entry* e : chosen) {
        const std::string name = e->name; // the entry may be reloaded below; keep our own copy
        const std::string target = a.hasOutDir ? folder + "/" + name : name;
        // An entry named like the archive, unpacked beside it, would truncate the archive mid-read.
        if (stat(target.c_str(), &info) == 0 && SameFile(info, self)) {
            status = Fail(target, "is the archive itself; extract elsewhere with -C");
            continue;
        }
        void* data = nullptr;
        if (!res.LoadEntry(name.c_str(), &data)) return Fail(a.archive, "cannot read entry %s", name.c_str());
        const Uint32 size = res.EntrySize(name.c_str());
        const char* kept = nullptr;
        std::FILE* f = OpenTarget(target, a.force, &kept);
        if (kept) {
            status = Fail(target, "%s", kept);
            res.UnloadEntry(name.c_str());
            continue;
        }
        if (!f) return Fail(target, "%s", std::strerror(errno));
        bool ok = std::fwrite(data, 1, size, f) == size;
        ok = std::fclose(f) == 0 && ok;
        if (!ok) return Fail(target, "cannot write");
        res.UnloadEntry(name.c_str());
    }
    return status;
}

int Remove(const PACK_Args& a) {
    if (a.words.empty()) return Usage("remove needs at least one NAME");
    ArchiveLock lock;
    if (int status = lock.Take(a.archive)) return status;
    CResFile res;
    if (int status = OpenExisting(res, a.archive, "r+")) return status;
    for (const std::string& w : a.words)
        if (!res.EntryExists(w.c_str())) return Fail(a.archive, "no entry named %s", w.c_str());
    for (const std::string& w : a.words)
        res.RemoveEntry(w.c_str());
    return Commit(res, a.archive);
}

int Check(const PACK_Args& a) {
    CResFile res;
    if (!res.Open(a.archive.c_str(), "rb")) return FailArchive(res, a.archive, "bad archive");
    for (const RES_Entry* e = res.FirstEntry(); e; e = e->next) {
        if (RES_NameFault(e->name)) return FailName(a.archive, e->name, "bad archive: ");
        for (const RES_Entry* later = e->next; later; later = later->next)
            if (!strcasecmp(e->name, later->name))
                return Fail(a.archive, "bad archive: entry name %s appears twice", later->name);
    }
    if (res.StrayBytes())
        return Fail(a.archive, "bad archive: %u stray bytes after the directory",
                    static_cast<unsigned>(res.StrayBytes()));
    for (const RES_Entry* e = res.FirstEntry(); e; e = e->next) {
        const std::string name = e->name;
        if (!res.LoadEntry(name.c_str(), nullptr)) return Fail(a.archive, "cannot read entry %s", name.c_str());
        res.UnloadEntry(name.c_str());
    }
    res.Close();
    if (!a.deep) {
        std::printf("ok\n");
        return EXIT_OK;
    }
    VH_ArchiveCheck deep;
    std::string fault;
    if (!VH_CheckArchiveAssets(a.archive.c_str(), &deep, &fault)) return Fail(a.archive, "%s", fault.c_str());
    for (const std::string& name : deep.skipped)
        std::printf("skipped: %s (no reader for its type)\n", name.c_str());
    for (const VH_AssetFault& f : deep.refused)
        Fail(a.archive, "%s: %s", f.entry.c_str(), f.fault.c_str());
    if (!deep.refused.empty()) return EXIT_BAD;
    std::printf("ok: %s\n", VH_AssetSummary(deep).c_str());
    return EXIT_OK;
}

// ---- import and export --------------------------------------------------------------------------

std::string LowerName(std::string s) {
    for (char& c : s)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string StemOf(const std::string& path) {
    std::string base = BaseName(path);
    const std::size_t dot = base.find_last_of('.');
    if (dot != std::string::npos && dot > 0) base.resize(dot);
    return base;
}

// Converts one FILE into entries (result->entries: the picture or the model first, then the
// model's texture maps). Nothing touches the archive here.
bool ImportOne(const CResFile& res, const PACK_Args& a, const std::string& file, const std::vector<IMP_Entry>& before,
               IMP_Result* result) {
    void* data = nullptr;
    Uint32 size = 0;
    std::string why;
    if (!ReadInput(file, &data, &size, &why)) {
        result->fault = file + ": " + why;
        return false;
    }
    std::unique_ptr<void, decltype(&std::free)> hold(data, &std::free);
    const Uint8* bytes = static_cast<const Uint8*>(data);
    if (size == 0) {
        result->fault = file + ": is empty";
        return false;
    }
    IMP_Options options;
    options.width = a.width, options.height = a.height, options.fit = a.fit, options.up = a.up;
    const IMP_Kind kind = IMP_KindOfName(file);
    if (kind != IMP_MODEL) {
        // A picture, or bytes of no kind we know that may be one: decoded once, named by its alpha.
        IMP_Rgba picture;
        std::string fault;
        if (!IMP_Decode(bytes, size, &picture, &fault)) {
            result->fault = file + ": " +
                            (kind == IMP_UNKNOWN ? "is neither a picture nor a model the importer takes (" +
                                                       std::string(IMP_FormatsText()) + ")"
                                                 : fault);
            IMP_KeepOneLine(result);
            return false;
        }
        const std::string name = a.hasName ? a.name : LowerName(StemOf(file)) + (picture.hasAlpha ? ".tga" : ".bmp");
        const bool ok = IMP_Convert(picture, file, name, options, result);
        IMP_KeepOneLine(result);
        return ok;
    }
    const std::string name = a.hasName ? a.name : LowerName(StemOf(file)) + ".3ds";
    if (LowerName(name).size() < 4 || LowerName(name).compare(LowerName(name).size() - 4, 4, ".3ds")) {
        result->fault = name + ": a model is stored as a .3ds entry";
        return false;
    }
    // Texture maps take names neither the archive nor this command has used.
    auto taken = [&](const std::string& n) {
        if (res.EntryExists(n.c_str()) || !strcasecmp(n.c_str(), name.c_str())) return true;
        for (const IMP_Entry& e : before)
            if (!strcasecmp(e.name.c_str(), n.c_str())) return true;
        return false;
    };
    return IMP_Model(file, nullptr, 0, name, options, taken, result);
}

// The decoding libraries read whatever a person hands them, and a damaged file can crash one or set
// it spinning. They run in a child process, which gives back what it made through a pipe: a crash
// or a hang there is one line here, and the archive is never touched by a half-done import.
// VHPACK_IMPORT_SECONDS changes the limit of CPU time (default 300 s), for a slow machine or a test.
rlim_t CpuSeconds() {
    const char* text = std::getenv("VHPACK_IMPORT_SECONDS");
    const long n = text ? std::strtol(text, nullptr, 10) : 0;
    return n > 0 ? rlim_t(n) : rlim_t(300);
}

void PutString(std::string& out, const std::string& s) {
    const Uint32 n = static_cast<Uint32>(s.size());
    out.append(reinterpret_cast<const char*>(&n), sizeof n);
    out += s;
}

bool GetString(const std::string& in, std::size_t* at, std::string* s) {
    Uint32 n = 0;
    if (in.size() - *at < sizeof n) return false;
    std::memcpy(&n, in.data() + *at, sizeof n);
    *at += sizeof n;
    if (in.size() - *at < n) return false;
    s->assign(in, *at, n);
    *at += n;
    return true;
}

std::string Serialise(const IMP_Result& r) {
    std::string out;
    PutString(out, r.fault);
    PutString(out, std::to_string(r.notes.size()) + " " + std::to_string(r.entries.size()));
    for (const std::string& n : r.notes)
        PutString(out, n);
    for (const IMP_Entry& e : r.entries) {
        PutString(out, e.name);
        PutString(out, e.line);
        PutString(out, std::string(e.bytes.begin(), e.bytes.end()));
    }
    return out;
}

bool Deserialise(const std::string& in, IMP_Result* r) {
    std::size_t at = 0;
    std::string counts, bytes;
    unsigned long notes = 0, entries = 0;
    if (!GetString(in, &at, &r->fault) || !GetString(in, &at, &counts) ||
        std::sscanf(counts.c_str(), "%lu %lu", &notes, &entries) != 2)
        return false;
    for (unsigned long i = 0; i < notes; ++i) {
        r->notes.emplace_back();
        if (!GetString(in, &at, &r->notes.back())) return false;
    }
    for (unsigned long i = 0; i < entries; ++i) {
        IMP_Entry e;
        if (!GetString(in, &at, &e.name) || !GetString(in, &at, &e.line) || !GetString(in, &at, &bytes)) return false;
        e.bytes.assign(bytes.begin(), bytes.end());
        r->entries.push_back(std::move(e));
    }
    return at == in.size();
}

bool ImportApart(const CResFile& res, const PACK_Args& a, const std::string& file, const std::vector<IMP_Entry>& before,
                 IMP_Result* result) {
    int fds[2];
    if (pipe(fds) != 0) return ImportOne(res, a, file, before, result);
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid < 0) {
        close(fds[0]), close(fds[1]);
        return ImportOne(res, a, file, before, result);
    }
    if (pid == 0) {
        close(fds[0]);
        const rlim_t seconds = CpuSeconds();
        const struct rlimit cpu = {seconds, seconds + 5};
        setrlimit(RLIMIT_CPU, &cpu);
        IMP_Result mine;
        ImportOne(res, a, file, before, &mine);
        const std::string out = Serialise(mine);
        for (std::size_t at = 0; at < out.size();) {
            const ssize_t n = write(fds[1], out.data() + at, out.size() - at);
            if (n <= 0 && errno != EINTR) _exit(3);
            if (n > 0) at += static_cast<std::size_t>(n);
        }
        _exit(0); // the libraries' exit handlers belong to the parent
    }
    close(fds[1]);
    std::string in;
    char buffer[65536];
    for (;;) {
        const ssize_t n = read(fds[0], buffer, sizeof buffer);
        if (n > 0)
            in.append(buffer, static_cast<std::size_t>(n));
        else if (n == 0 || errno != EINTR)
            break;
    }
    close(fds[0]);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFSIGNALED(status)) {
        const int sig = WTERMSIG(status);
        result->fault = file + ": " +
                        (sig == SIGXCPU ? VH_Format("the reader was still busy after %d s of work; the file is "
                                                    "damaged or far too large",
                                                    int(CpuSeconds()))
                                        : VH_Format("the reader crashed on it (%s); the file is damaged or of a kind "
                                                    "it cannot read",
                                                    strsignal(sig)));
        return false;
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || !Deserialise(in, result)) {
        *result = IMP_Result();
        result->fault = file + ": the reader ended without an answer";
        return false;
    }
    return result->fault.empty();
}

int Import(const PACK_Args& a) {
    if (a.words.empty()) return Usage("import needs at least one FILE");
    if (a.hasName && a.words.size() != 1) return Usage("--name goes with exactly one FILE");
    if (a.hasName && RES_NameFault(a.name.c_str())) return FailName(a.archive, a.name.c_str());
    ArchiveLock lock;
    if (int status = lock.Take(a.archive)) return status;
    CResFile res;
    if (int status = OpenExisting(res, a.archive, "r+")) return status;

    std::vector<IMP_Entry> entries;
    std::vector<size_t> firstOfFile; // index in entries of each FILE's main entry
    for (const std::string& file : a.words) {
        IMP_Result result;
        const bool ok = ImportApart(res, a, file, entries, &result);
        for (const std::string& note : result.notes)
            std::fprintf(stderr, "vhpack: %s\n", note.c_str());
        if (!ok) {
            std::fprintf(stderr, "vhpack: %s; nothing is stored\n", result.fault.c_str());
            return EXIT_BAD;
        }
        firstOfFile.push_back(entries.size());
        for (IMP_Entry& e : result.entries)
            entries.push_back(std::move(e));
    }
    // Each FILE's main entry may replace what the archive holds (with --replace); texture maps
    // were given free names. Two FILEs may not land on one name.
    for (size_t i = 0; i < entries.size(); ++i) {
        const std::string& name = entries[i].name;
        if (RES_NameFault(name.c_str())) return FailName(a.archive, name.c_str());
        for (size_t j = 0; j < i; ++j)
            if (!strcasecmp(entries[j].name.c_str(), name.c_str()))
                return Fail(a.archive, "two imports would both be stored as %s; nothing is stored", name.c_str());
        if (res.EntryExists(name.c_str())) {
            if (!a.replace)
                return Fail(a.archive, "entry %s already exists (use --replace); nothing is stored", name.c_str());
            res.RemoveEntry(name.c_str());
        }
    }
    for (const IMP_Entry& e : entries) {
        void* copy = std::malloc(e.bytes.size() + 1);
        if (!copy) return Fail(a.archive, "out of memory");
        std::memcpy(copy, e.bytes.data(), e.bytes.size());
        if (!res.AddEntry(e.name.c_str(), 0, copy, static_cast<Uint32>(e.bytes.size()), true)) {
            std::free(copy);
            return FailArchive(res, a.archive, ("cannot add " + e.name).c_str());
        }
    }
    // What we made goes through the demo's own readers, as check --deep does, before anything is
    // written: a conversion the demo could not use is our fault, and must not reach the archive.
    for (const IMP_Entry& e : entries) {
        const RES_Entry* stored = res.FindEntry(e.name.c_str());
        const std::string why = stored ? Unusable(res, e.name, stored->data, stored->size) : "not stored";
        if (!why.empty())
            return Fail(a.archive, "the imported %s does not pass the check (%s); nothing is stored", e.name.c_str(),
                        why.c_str());
    }
    if (int status = Commit(res, a.archive)) return status;
    for (const IMP_Entry& e : entries)
        std::printf("%s\n", e.line.c_str());
    return EXIT_OK;
}

// Writes bytes to a new file; an existing one is kept unless force.
int WriteNew(const std::string& target, const std::vector<Uint8>& bytes, bool force) {
    const char* kept = nullptr;
    std::FILE* f = OpenTarget(target, force, &kept);
    if (kept) return Fail(target, "%s", kept);
    if (!f) return Fail(target, "%s", std::strerror(errno));
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    ok = std::fclose(f) == 0 && ok;
    return ok ? EXIT_OK : Fail(target, "cannot write");
}

int Export(const PACK_Args& a) {
    if (a.words.size() != 1) return Usage("export needs one NAME");
    CResFile res;
    if (int status = OpenExisting(res, a.archive, "rb")) return status;
    const std::string& name = a.words[0];
    const RES_Entry* e = res.FindEntry(name.c_str());
    if (!e) return Fail(a.archive, "no entry named %s", name.c_str());
    const std::string entry = e->name;
    const VH_AssetKind kind = VH_AssetKindOf(entry.c_str());
    // The entry's bytes; the picture callback below loads others, so keep our own copy.
    void* data = nullptr;
    if (!res.LoadEntry(entry.c_str(), &data)) return Fail(a.archive, "cannot read entry %s", entry.c_str());
    const std::vector<Uint8> bytes(static_cast<Uint8*>(data), static_cast<Uint8*>(data) + res.EntrySize(entry.c_str()));
    res.UnloadEntry(entry.c_str());
    if (kind == VH_ASSET_PICTURE) {
        const std::string target = a.hasOutput ? a.output : StemOf(entry) + ".png";
        std::string fault;
        const std::vector<Uint8> png = IMP_PictureToPNG(bytes.data(), Uint32(bytes.size()), &fault);
        if (png.empty()) return Fail(a.archive, "%s: %s", entry.c_str(), fault.c_str());
        if (int status = WriteNew(target, png, a.force)) return status;
        std::printf("%s -> %s\n", entry.c_str(), target.c_str());
        return EXIT_OK;
    }
    if (kind != VH_ASSET_MODEL)
        return Fail(a.archive,
                    "%s: export turns pictures and models into files; extract takes the others as "
                    "they are",
                    entry.c_str());
    const std::string target = a.hasOutput ? a.output : StemOf(entry) + ".gltf";
    struct stat info;
    if (!a.force && lstat(target.c_str(), &info) == 0) return Fail(target, "exists, kept (--force overwrites)");
    auto picture = [&](const std::string& map, std::vector<Uint8>* png) {
        void* p = nullptr;
        if (!res.FindEntry(map.c_str()) || !res.LoadEntry(map.c_str(), &p)) return false;
        std::string fault;
        *png = IMP_PictureToPNG(p, res.EntrySize(map.c_str()), &fault);
        res.UnloadEntry(map.c_str());
        return !png->empty();
    };
    std::vector<std::string> written;
    std::string fault;
    if (!IMP_ExportModel(bytes.data(), Uint32(bytes.size()), target, picture, a.force, &written, &fault))
        return Fail(a.archive, "%s: %s", entry.c_str(), fault.c_str());
    std::string also;
    for (const std::string& w : written)
        if (w != target) also += (also.empty() ? " (with " : ", ") + w;
    std::printf("%s -> %s%s\n", entry.c_str(), target.c_str(), also.empty() ? "" : (also + ")").c_str());
    return EXIT_OK;
}

struct Command {
    const char* name;
    int (*run)(const PACK_Args&);
    bool takesWords;
    const char* help; // the answer to "vhpack NAME --help"
};

const Command kCommands[] = {
    {"create", Create, true,
     "usage: vhpack create ARCHIVE FILE... [--force]\n"
     "       vhpack create ARCHIVE --empty\n"
     "Writes a new archive holding each FILE under its base name. Two FILEs whose base names\n"
     "differ only in case, or the ARCHIVE itself among the FILEs, are refused.\n"
     "  --force  replace an ARCHIVE that exists (only once the new one is complete; it keeps its\n"
     "           permission bits); without it an existing ARCHIVE is refused and left alone\n"
     "  --empty  allow an archive of no entries; without it create needs a FILE\n"},
    {"list", List, false,
     "usage: vhpack list ARCHIVE\n"
     "Prints SIZE OFFSET TYPE NAME for each entry in directory order, then a total line.\n"},
    {"add", Add, true,
     "usage: vhpack add ARCHIVE FILE... [--name NAME] [--replace] [--force]\n"
     "Adds each FILE to ARCHIVE under its base name, after reading it with the demo's own\n"
     "readers as check --deep does. A FILE the demo could not use (a PNG, a 32-bit BMP, a\n"
     "picture whose sides are not powers of two, a model whose texture maps are missing, a\n"
     "type the demo has no reader for) is one line on stderr saying why and what would make it\n"
     "usable; then nothing is added and the status is 1.\n"
     "  --name NAME  store the single FILE as NAME, a plain file name (not . or .., no / or \\)\n"
     "  --replace    replace an entry of the same name (in any case) instead of failing\n"
     "  --force      store such FILEs as they are (each still named on stderr)\n"},
    {"extract", Extract, true,
     "usage: vhpack extract ARCHIVE [NAME...] [-C DIR] [--force]\n"
     "Writes the named entries (every entry when none is named) as files into DIR.\n"
     "  -C DIR   the folder to write into (default .); made, parents and all, when missing\n"
     "  --force  overwrite files that exist (a link there is replaced, never written through);\n"
     "           without it each existing file is kept and named on stderr, the other entries\n"
     "           are still written, and the exit status is 1\n"},
    {"remove", Remove, true,
     "usage: vhpack remove ARCHIVE NAME...\n"
     "Drops the named entries (names match in any case); when one is missing nothing changes.\n"},
    {"import", Import, true,
     "usage: vhpack import ARCHIVE FILE... [--name NAME] [--replace] [--size WxH] [--fit N] [--up y|z]\n"
     "Converts each FILE into what the demo reads and stores it, all or nothing; prints one line\n"
     "per stored entry saying what it became.\n"
     "Pictures (PNG, JPEG, GIF, BMP, TGA, PSD, HDR, PNM) become a 24-bit BMP when opaque, a 32-bit\n"
     "TGA when they have alpha, resized with a good filter to the nearest power-of-two sides from 2\n"
     "to 2048. Models (OBJ with MTL, glTF, GLB, FBX, Collada, PLY, STL, 3DS and the other kinds\n"
     "assimp reads) become a 3DS model: turned y-up, one material per object, objects split at\n"
     "65,535 vertices or faces, faces wound the engine's way; their texture maps are imported as\n"
     "pictures under new names, a material without one gets a plain picture of its colour, and\n"
     "texture coordinates that repeat outside 0..1 are reported (the demo clamps them).\n"
     "Every stored entry passes check --deep; when a FILE cannot be imported nothing is stored.\n"
     "  --name NAME  store the single FILE as NAME (e.g. intro1.bmp; .bmp or .tga decides the\n"
     "               picture's format, .3ds for a model)\n"
     "  --replace    replace an entry of that name instead of failing\n"
     "  --size WxH   picture sides (powers of two from 2 to 2048) instead of the nearest ones\n"
     "  --fit N      scale a model so that its largest extent is N units (default: as authored)\n"
     "  --up y|z     the model's up axis, when the file does not say (STL and PLY: z; others: y)\n"},
    {"export", Export, true,
     "usage: vhpack export ARCHIVE NAME [-o FILE] [--force]\n"
     "Writes an entry as a file other programs open: a picture as PNG (default NAME.png), a model\n"
     "as glTF (default NAME.gltf, with its .bin; -o x.glb or x.obj choose those) with its texture\n"
     "maps as PNG beside it. Existing files are kept unless --force.\n"},
    {"check", Check, false,
     "usage: vhpack check ARCHIVE [--deep]\n"
     "Validates the magic, version, check value, directory, entry bounds and names (unique in\n"
     "any case, plain file names), reads every entry, and prints ok or one line naming the fault.\n"
     "  --deep  then also opens every entry with the demo's own readers, by its type: .bmp and\n"
     "          .tga pictures (decoded; each side a power of two from 2 to 2048, as textures\n"
     "          need), .3ds models (read; texture maps present in the archive), the font masks\n"
     "          (32 x 4 cells of their cell size), .spo spline and .wed path files, and .txt\n"
     "          text (no NUL or control bytes but white space), and .ogg music (decoded in full:\n"
     "          Ogg Vorbis, stereo at 44100 Hz, as long as it claims). Each refused entry is one line,\n"
     "          \"vhpack: ARCHIVE: ENTRY: fault\", on stderr and the status is 1; otherwise it\n"
     "          prints \"ok:\" and how many entries of each type were read. Entries of another\n"
     "          type are listed on stdout as skipped and are no fault.\n"},
};

const Command* FindCommand(const std::string& name) {
    for (const Command& c : kCommands)
        if (name == c.name) return &c;
    return nullptr;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) return Usage("no command given");
    CatchStopSignals();
    const std::string command = argv[1];
    if (command == "--version") {
        std::printf("vhpack %s\n", VH_VERSION_TEXT);
        return EXIT_OK;
    }
    if (command == "--help" || command == "-h" || command == "help") {
        const Command* c = argc > 2 ? FindCommand(argv[2]) : nullptr;
        if (argc > 2 && !c) return Usage("unknown command %s", argv[2]);
        std::fputs(c ? c->help : kUsage, stdout);
        return EXIT_OK;
    }
    const Command* c = FindCommand(command);
    if (!c) return Usage("unknown command %s", command.c_str());
    PACK_Args a;
    std::string fault;
    if (!PACK_ParseArgs(argc, argv, &a, &fault)) return Usage("%s", fault.c_str());
    if (a.help) {
        std::fputs(c->help, stdout);
        return EXIT_OK;
    }
    if (!c->takesWords && !a.words.empty()) return Usage("%s takes only an ARCHIVE", c->name);
    return c->run(a);
}
