// video: hands the captured frames to an ffmpeg child process through a pipe.
#pragma once

#include <cstdint>
#include <string>
#include <sys/types.h>
#include <vector>

// The full path of an executable found on PATH, or empty.
std::string CAP_FindProgram(const char* name);

class CapVideo {
public:
    ~CapVideo();
    // Starts ffmpeg encoding raw RGB frames of this size at fps into path. With sound coming,
    // the pictures go to a file of their own beside it first (the sound is complete only once
    // the run is), and Close puts the two together under path.
    bool Start(const std::string& path, int width, int height, int fps, bool withSound, std::string* error);
    bool Active() const { return pipeFd >= 0; }
    // One frame; a frame of another size or a broken pipe is a fault.
    bool Write(const std::vector<std::uint8_t>& rgb, int width, int height, std::string* error);
    // Ends the stream and waits for ffmpeg; false when it did not finish cleanly. wav names
    // the soundtrack to add (a video started with sound needs it; empty: the pictures alone).
    bool Close(std::string* error, const std::string& wav = "");

private:
    std::string path;
    std::string picturesPath; // where the pictures are encoded: path, or a file beside it
    int pipeFd = -1;
    pid_t child = -1;
    int width = 0;
    int height = 0;
};
