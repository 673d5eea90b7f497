// outputs: makes sure every file and folder a run will write can be written, before the
// first frame is drawn, so a fault there is reported as what it is and costs no run.
#include "outputs.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {
bool fail(std::string* error, const std::string& path, const std::string& fault) {
    *error = path + ": " + fault;
    return false;
}

std::string cannotWrite(int err) {
    return std::string("cannot write (") + std::strerror(err) + ")";
}

std::string folderOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// A new file can be made in folder: make one under a name nobody else uses, then remove it.
int canMakeFileIn(const std::string& folder) {
    std::string name = folder + (folder == "/" ? "" : "/") + ".vhcapture-check-XXXXXX";
    std::vector<char> buffer(name.begin(), name.end());
    buffer.push_back('\0');
    const int fd = mkstemp(buffer.data());
    if (fd < 0) return errno;
    close(fd);
    unlink(buffer.data());
    return 0;
}
} // namespace

bool CAP_CheckOutputFile(const std::string& path, CapWriteKind kind, std::string* error) {
    struct stat st;
    const bool exists = stat(path.c_str(), &st) == 0;
    if (exists && S_ISDIR(st.st_mode)) return fail(error, path, "is a directory");
    if (!exists && errno != ENOENT) return fail(error, path, cannotWrite(errno));
    if (kind == CAP_RENAMED_INTO_PLACE) {
        // The picture is made beside its name, so the folder is what must take a new file.
        const int err = canMakeFileIn(folderOf(path));
        return err == 0 || fail(error, path, cannotWrite(err));
    }
    if (exists) {
        // Opened without truncating, so the check changes nothing; O_NONBLOCK keeps a fifo
        // without a reader from holding us up.
        const int fd = open(path.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (fd < 0) return fail(error, path, cannotWrite(errno));
        close(fd);
        return true;
    }
    // Made exclusively, so only a file this check created is removed again.
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOCTTY | O_CLOEXEC, 0666);
    if (fd < 0) return fail(error, path, cannotWrite(errno));
    close(fd);
    unlink(path.c_str());
    return true;
}

bool CAP_MakeOutputFolder(const std::string& path, std::vector<std::string>* made, std::string* error) {
    const size_t before = made->size();
    std::string fault;
    for (size_t slash = 1;; ++slash) {
        slash = path.find('/', slash);
        const std::string part = path.substr(0, slash);
        if (!part.empty()) {
            if (mkdir(part.c_str(), 0777) == 0) {
                made->push_back(part);
            } else if (errno != EEXIST) {
                fault = part + ": cannot create the folder (" + std::strerror(errno) + ")";
                break;
            }
        }
        if (slash == std::string::npos) break;
    }
    struct stat st;
    if (fault.empty() && (stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))) fault = path + ": is not a folder";
    if (fault.empty()) {
        const int err = canMakeFileIn(path);
        if (err != 0) fault = path + ": cannot write in the folder (" + std::strerror(err) + ")";
    }
    if (fault.empty()) return true;
    CAP_RemoveMadeFolders(std::vector<std::string>(made->begin() + (long)before, made->end()));
    made->resize(before);
    *error = fault;
    return false;
}

void CAP_RemoveMadeFolders(const std::vector<std::string>& made) {
    for (auto folder = made.rbegin(); folder != made.rend(); ++folder)
        rmdir(folder->c_str());
}
