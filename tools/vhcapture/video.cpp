// video: hands the captured frames to an ffmpeg child process through a pipe.
// The child is started with exec, not a shell, so no file name is ever parsed as a command.
#include "video.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

std::string CAP_FindProgram(const char* name) {
    const char* path = std::getenv("PATH");
    if (!path) return "";
    std::string dirs = path;
    size_t start = 0;
    for (;;) {
        const size_t colon = dirs.find(':', start);
        std::string dir = dirs.substr(start, colon == std::string::npos ? std::string::npos : colon - start);
        if (dir.empty()) dir = ".";
        const std::string candidate = dir + "/" + name;
        if (access(candidate.c_str(), X_OK) == 0) return candidate;
        if (colon == std::string::npos) return "";
        start = colon + 1;
    }
}

CapVideo::~CapVideo() {
    std::string ignored;
    Close(&ignored);
}

namespace {
// Runs ffmpeg with args and waits for it; true when it ended cleanly.
bool runFfmpeg(const std::string& ffmpeg, const char* const* args) {
    const pid_t pid = fork();
    if (pid < 0) return false;
    if (pid == 0) {
        execv(ffmpeg.c_str(), const_cast<char* const*>(args));
        _exit(127);
    }
    int status = 0;
    pid_t r;
    do
        r = waitpid(pid, &status, 0);
    while (r < 0 && errno == EINTR);
    return r == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// "demo.mp4" -> "demo.pictures.mp4": the same extension, so ffmpeg picks the same codec for it.
std::string picturesName(const std::string& name) {
    const size_t slash = name.find_last_of('/');
    const size_t dot = name.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return name + ".pictures";
    return name.substr(0, dot) + ".pictures" + name.substr(dot);
}
} // namespace

bool CapVideo::Start(const std::string& name, int w, int h, int fps, bool withSound, std::string* error) {
    path = name;
    picturesPath = withSound ? picturesName(name) : name;
    width = w;
    height = h;
    const std::string ffmpeg = CAP_FindProgram("ffmpeg");
    if (ffmpeg.empty()) {
        *error = name + ": cannot make the video: ffmpeg is not installed (or not on PATH)";
        return false;
    }
    int fds[2];
    if (pipe(fds) != 0) {
        *error = name + ": cannot start ffmpeg (" + std::strerror(errno) + ")";
        return false;
    }
    // A dying encoder must turn into a write error here, not kill the capture.
    std::signal(SIGPIPE, SIG_IGN);
    const std::string size = std::to_string(w) + "x" + std::to_string(h);
    const std::string rate = std::to_string(fps);
    const char* const args[] = {"ffmpeg", "-hide_banner", "-loglevel", "error", "-nostdin", "-y", "-f", "rawvideo",
                                "-pixel_format", "rgb24", "-video_size", size.c_str(), "-framerate", rate.c_str(), "-i",
                                "pipe:0",
                                // yuv420p plays everywhere but wants even sides.
                                "-vf", "pad=ceil(iw/2)*2:ceil(ih/2)*2", "-pix_fmt", "yuv420p", "-fflags", "+bitexact",
                                picturesPath.c_str(), nullptr};
    child = fork();
    if (child < 0) {
        *error = name + ": cannot start ffmpeg (" + std::strerror(errno) + ")";
        close(fds[0]);
        close(fds[1]);
        return false;
    }
    if (child == 0) {
        dup2(fds[0], 0);
        close(fds[0]);
        close(fds[1]);
        execv(ffmpeg.c_str(), const_cast<char* const*>(args));
        _exit(127);
    }
    close(fds[0]);
    pipeFd = fds[1];
    fcntl(pipeFd, F_SETFD, FD_CLOEXEC);
    return true;
}

bool CapVideo::Write(const std::vector<std::uint8_t>& rgb, int w, int h, std::string* error) {
    if (pipeFd < 0) return true;
    if (w != width || h != height || rgb.size() < (size_t)w * h * 3) {
        *error = path + ": frame size changed during the run";
        return false;
    }
    const std::uint8_t* p = rgb.data();
    size_t left = (size_t)w * h * 3;
    while (left > 0) {
        const ssize_t n = write(pipeFd, p, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            *error = path + ": ffmpeg stopped taking frames (" + std::strerror(errno) + ")";
            return false;
        }
        p += n;
        left -= (size_t)n;
    }
    return true;
}

bool CapVideo::Close(std::string* error, const std::string& wav) {
    if (pipeFd < 0 && child < 0) return true;
    if (pipeFd >= 0) close(pipeFd);
    pipeFd = -1;
    int status = 0;
    pid_t r;
    do
        r = waitpid(child, &status, 0);
    while (r < 0 && errno == EINTR);
    child = -1;
    if (r < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        *error = path + ": ffmpeg failed to encode the video";
        if (picturesPath != path) unlink(picturesPath.c_str());
        return false;
    }
    if (picturesPath == path) return true;
    // The pictures are copied as they are; the sound is encoded with the container's own
    // choice of codec. bitexact keeps version strings out, so the same run gives the same bytes.
    bool ok = false;
    if (!wav.empty()) {
        const char* const args[] = {
            "ffmpeg",  "-hide_banner", "-loglevel", "error",     "-nostdin",   "-y",   "-i",   picturesPath.c_str(),
            "-i",      wav.c_str(),    "-map",      "0:v",       "-map",       "1:a",  "-c:v", "copy",
            "-fflags", "+bitexact",    "-flags:a",  "+bitexact", path.c_str(), nullptr};
        ok = runFfmpeg(CAP_FindProgram("ffmpeg"), args);
    }
    unlink(picturesPath.c_str());
    if (!ok) *error = path + ": ffmpeg failed to put the sound into the video";
    return ok;
}
