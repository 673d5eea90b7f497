// pictures: PNG output and the contact sheet of saved frames.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Writes an RGB picture (top row first) as an 8-bit PNG. The file appears under its name
// only once complete, so an interrupted run never leaves half a picture. On a fault
// returns false with one line in *error.
bool CAP_WritePNG(const std::string& path, const std::vector<std::uint8_t>& rgb, int width, int height,
                  std::string* error);

// Small block letters for labels: digits, '.', ' ', "s" and "m" for units, and the capitals
// A C D E I M N O P R S T U; other characters are left out. Each font pixel is scale x scale.
void CAP_DrawText(std::vector<std::uint8_t>& rgb, int width, int height, int x, int y, const char* text,
                  const std::uint8_t colour[3], int scale);
// Pixels across text drawn at scale; 5 x scale is its height.
int CAP_TextWidth(const char* text, int scale);

// Thumbnails of saved frames, laid out in time order with their times written below.
class CapSheet {
public:
    // Keeps at most this many thumbnails: past it every other one is dropped and
    // only every second later frame is taken, so a long run still fits in memory.
    static const int maxThumbs = 360;

    // The run's last frame (final) is always taken and kept, so the sheet ends where the run did.
    void Add(const std::vector<std::uint8_t>& rgb, int width, int height, double seconds, bool final = false);
    int Count() const { return (int)thumbs.size(); }
    // The sheet as an RGB picture.
    std::vector<std::uint8_t> Compose(int* width, int* height) const;

private:
    struct Thumb {
        std::vector<std::uint8_t> rgb;
        int width;
        int height;
        double seconds;
    };
    std::vector<Thumb> thumbs;
    long offered = 0; // frames offered so far
    long stride = 1;  // take one frame in this many
};
