// options: vhcapture's command line, checked in full before anything is opened.
#pragma once

#include <string>
#include <vector>

// One scripted key press.
struct CapKey {
    double time;  // demo seconds
    bool special; // code is a GLUT_KEY_* value rather than a character
    int code;
};

struct CapOptions {
    std::string dataDir;         // empty: the working directory
    int fps = 60;                // frames per demo second
    unsigned seed = 1;           // rand seed after start-up
    double until = -1.0;         // demo seconds; negative: until the credits are drawn
    long loops = 0;              // times the sequence plays in one process; 0: once, without loop lines
    std::vector<CapKey> keys;    // in time order; equal times keep their written order
    std::vector<double> at;      // demo seconds, ascending, one per distinct file name
    int every = 0;               // save every K-th frame; 0: none
    std::string out = "capture"; // folder for the saved frames
    std::string sheet;           // contact sheet PNG; empty: none
    std::string video;           // video file through ffmpeg, with the soundtrack; empty: none
    std::string audio;           // the soundtrack as a WAV file; empty: none
    std::string stats;           // per-frame CSV; empty: none
    std::string plot;            // frame-time picture PNG; empty: none
    std::string overdraw;        // sheet of the saved frames' fragment counts as heat maps (PNG); empty: none
    bool passes = false;         // time each pass of a frame (glFinish between them) into the --stats CSV
    int width = 800;             // window pixels
    int height = 600;
    bool quiet = false;    // leave the engine's "NO GL ERROR" reports out of stderr
    bool trace = false;    // the scenes' step lines go to vh_debug.txt
    bool autoplay = false; // scenes move on once their script has been seen, without 'n'
    bool help = false;
    bool version = false;
};

// Parses argv[1..]. On a fault returns false and puts one line (no newline) in *error.
bool CAP_ParseOptions(int argc, const char* const* argv, CapOptions* options, std::string* error);

// The --help text.
const char* CAP_Usage();

// The frame (1-based) whose demo time k / fps is the first at or after t seconds.
long CAP_FrameAt(double t, int fps);

// Milliseconds of a --at time as used in its file name.
long CAP_Millis(double t);
