// plot: the frame-time picture of a capture run.
#include "plot.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <string>

#include "core/program.h"
#include "shell/sequence.h"
#include "pictures.h"

namespace {

const int W = CAP_PLOT_WIDTH, H = CAP_PLOT_HEIGHT;
const int left = 64, right = W - 16; // the plot area, x
const int top = 50, bottom = H - 44; // the plot area, y
const int labelRows[2] = {8, 26};    // y of the two rows of band names
const int stripTop = 42, stripHeight = 5;
const int scale = 2; // text scale
const int textHeight = 5 * scale;
const double budgetMs = 1000.0 / 60.0; // one frame of a 60 Hz display

typedef std::uint8_t Colour[3];
const Colour background = {20, 20, 24};
const Colour gridColour = {52, 52, 60};
const Colour axisColour = {150, 150, 160};
const Colour textColour = {225, 225, 230};
const Colour budgetColour = {255, 70, 70};
const Colour white = {255, 255, 255};
// Well-told-apart colours, one per row of the sequence table in its order, so a part keeps its
// colour from run to run; a longer table starts the list again, which still sets each band apart
// from its neighbours. The credits have a colour of their own, and frames of no part are grey.
const Colour rowColours[] = {{86, 150, 230}, {240, 160, 30}, {40, 180, 120}, {215, 110, 175}, {225, 210, 60},
                             {230, 90, 40},  {90, 200, 220}, {170, 200, 80}, {240, 130, 130}, {150, 120, 90}};
const int rowColourCount = sizeof(rowColours) / sizeof(rowColours[0]);
const Colour creditsColour = {190, 150, 255};
const Colour noPart = {140, 140, 140};

struct Picture {
    std::vector<std::uint8_t> rgb = std::vector<std::uint8_t>((size_t)W * H * 3);

    void Put(int x, int y, const std::uint8_t* c) {
        if (x >= 0 && y >= 0 && x < W && y < H) std::copy_n(c, 3, &rgb[((size_t)y * W + x) * 3]);
    }
    void Fill(int x0, int y0, int x1, int y1, const std::uint8_t* c) { // x1, y1 excluded
        for (int y = std::max(0, y0); y < std::min(H, y1); ++y)
            for (int x = std::max(0, x0); x < std::min(W, x1); ++x)
                Put(x, y, c);
    }
    void Text(int x, int y, const std::string& text, const std::uint8_t* c) {
        CAP_DrawText(rgb, W, H, x, y, text.c_str(), c, scale);
    }
};

void mix(const std::uint8_t* a, const std::uint8_t* b, double t, std::uint8_t* out) {
    for (int i = 0; i < 3; ++i)
        out[i] = (std::uint8_t)std::lround(a[i] + (b[i] - a[i]) * t);
}

const std::uint8_t* colourOf(const CapFrameRow& frame) {
    const int row = CapStats::SequenceRow(frame);
    if (row == VH_SequenceLength()) return creditsColour;
    return row >= 0 ? rowColours[row % rowColourCount] : noPart;
}

bool loading(const CapFrameRow& row) {
    return row.msg == MSG_INITIALIZE && (row.state == VHS_INTRO || row.state == VHS_SCENE);
}

double total(const CapFrameRow& row) {
    return row.updateMs + row.renderMs;
}

// 1, 2 or 5 times a power of ten, the smallest at or above x.
double niceStep(double x) {
    const double power = std::pow(10.0, std::floor(std::log10(std::max(x, 1e-9))));
    for (double m : {1.0, 2.0, 5.0, 10.0})
        if (m * power >= x - 1e-12) return m * power;
    return 10.0 * power;
}

std::string number(double v) {
    char text[32];
    std::snprintf(text, sizeof text, v == std::floor(v) ? "%.0f" : "%.1f", v);
    return text;
}

double median(std::vector<double> v) {
    if (v.empty()) return 0.0;
    std::sort(v.begin(), v.end());
    return v[(v.size() - 1) / 2];
}

// A run of consecutive rows of one part: the frames [first, end).
struct Band {
    std::string part;
    size_t first, end;
    const std::uint8_t* colour;
};

} // namespace

std::vector<std::uint8_t> CAP_DrawPlot(const std::vector<CapFrameRow>& rows) {
    Picture pic;
    pic.Fill(0, 0, W, H, background);
    const size_t n = rows.size();
    const int span = right - left;
    if (n == 0) return pic.rgb;

    // The scale: the 99th percentile of the running frames, never below the 16.7 ms line.
    std::vector<double> running;
    for (const CapFrameRow& row : rows)
        if (!loading(row)) running.push_back(total(row));
    std::sort(running.begin(), running.end());
    const double p99 = running.empty() ? 0.0 : running[std::min(running.size() - 1, running.size() * 99 / 100)];
    const double step = niceStep(std::max(20.0, p99 * 1.15) / 5.0);
    const double topMs = step * std::ceil(std::max(20.0, p99 * 1.15) / step - 1e-9);
    const auto yOf = [&](double ms) { return bottom - (int)std::lround(std::min(ms, topMs) / topMs * (bottom - top)); };
    // Frame f covers the columns [xOf(f), xOf(f + 1)).
    const auto xOf = [&](size_t f) { return left + (int)((double)f * span / (double)n); };

    std::vector<Band> bands;
    for (size_t f = 0; f < n; ++f) {
        const std::string part = CapStats::GroupName(rows[f]);
        if (bands.empty() || bands.back().part != part)
            bands.push_back({part, f, f + 1, colourOf(rows[f])});
        else
            bands.back().end = f + 1;
    }

    // Band backgrounds and the strips under the names.
    for (const Band& b : bands) {
        std::uint8_t tint[3];
        mix(background, b.colour, 0.16, tint);
        pic.Fill(xOf(b.first), top, xOf(b.end), bottom, tint);
        pic.Fill(xOf(b.first), stripTop, xOf(b.end), stripTop + stripHeight, b.colour);
    }
    // The ms grid and its scale.
    for (double ms = 0.0; ms <= topMs + 1e-9; ms += step) {
        const int y = yOf(ms);
        pic.Fill(left, y, right, y + 1, ms == 0.0 ? axisColour : gridColour);
        const std::string label = ms + step > topMs + 1e-9 ? number(ms) + " ms" : number(ms);
        pic.Text(left - 8 - CAP_TextWidth(label.c_str(), scale), y - textHeight / 2, label, textColour);
    }

    // The bars. Where frames are narrower than a column, the slowest of them stands for them all,
    // so no spike is lost; where they are wider, a gap keeps each frame's bar apart.
    const bool gaps = span / (double)n >= 4.0;
    for (int x = left; x < right; ++x) {
        const size_t f0 = (size_t)((double)(x - left) * n / span);
        size_t f1 = std::max(f0 + 1, (size_t)((double)(x + 1 - left) * n / span));
        f1 = std::min(f1, n);
        if (gaps && f0 + 1 < n && x + 1 == xOf(f0 + 1)) continue;
        size_t worst = f0;
        for (size_t f = f0; f < f1; ++f)
            if (total(rows[f]) > total(rows[worst])) worst = f;
        const CapFrameRow& row = rows[worst];
        const std::uint8_t* colour = colourOf(rows[f0]);
        std::uint8_t light[3];
        mix(colour, white, 0.55, light);
        const int yUpdate = yOf(row.updateMs), yTotal = yOf(total(row));
        pic.Fill(x, yUpdate, x + 1, bottom, colour);
        pic.Fill(x, yTotal, x + 1, yUpdate, light);
        if (total(row) > topMs) pic.Fill(x, top, x + 1, top + 4, white);
    }
    pic.Fill(left, bottom, right, bottom + 1, axisColour);

    // The 60 Hz budget: a dashed line, named at its right end.
    const int yBudget = yOf(budgetMs);
    for (int x = left; x < right; x += 8)
        pic.Fill(x, yBudget, std::min(x + 5, right), yBudget + 1, budgetColour);
    const std::string budget = "16.7 ms";
    const int budgetWidth = CAP_TextWidth(budget.c_str(), scale);
    pic.Fill(right - budgetWidth - 8, yBudget - textHeight - 6, right, yBudget - 1, background);
    pic.Text(right - budgetWidth - 4, yBudget - textHeight - 4, budget, budgetColour);

    // Band names above their bands, with the median of their running frames; a name that
    // would run into the one before it goes to the second row, or shortens, or is left out.
    int rowEnd[2] = {0, 0};
    for (const Band& b : bands) {
        if (b.part.empty()) continue;
        std::string name = b.part;
        std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return (char)std::toupper(c); });
        std::vector<double> times;
        for (size_t f = b.first; f < b.end; ++f)
            if (!loading(rows[f])) times.push_back(total(rows[f]));
        char ms[32];
        std::snprintf(ms, sizeof ms, " %.1f ms", median(times));
        bool placed = false;
        for (const std::string& label : {name + ms, name})
            for (int r = 0; r < 2 && !placed; ++r) {
                // A band at the right edge has its name end at the edge instead.
                const int width = CAP_TextWidth(label.c_str(), scale);
                const int x = std::min(xOf(b.first) + 2, W - 4 - width);
                if (x < rowEnd[r]) continue;
                pic.Text(x, labelRows[r], label, b.colour);
                rowEnd[r] = x + width + 3 * scale;
                placed = true;
            }
    }

    // The time axis, and what the two parts of a bar are.
    const double seconds = rows.back().seconds;
    const double perFrame = n > 1 ? (rows.back().seconds - rows.front().seconds) / (double)(n - 1) : seconds;
    const double start = rows.front().seconds - perFrame; // the first frame began here
    const double tStep = niceStep((seconds - start) / 10.0);
    std::uint8_t swatchLight[3];
    mix(noPart, white, 0.55, swatchLight);
    const std::string legend[2] = {"UPDATE", "RENDER"};
    const int legendY = bottom + 24;
    int lx = right - CAP_TextWidth((legend[0] + legend[1]).c_str(), scale) - 2 * (textHeight + 6) - 16;
    for (int i = 0; i < 2; ++i) {
        pic.Fill(lx, legendY, lx + textHeight, legendY + textHeight, i == 0 ? noPart : swatchLight);
        pic.Text(lx + textHeight + 6, legendY, legend[i], textColour);
        lx += textHeight + 6 + CAP_TextWidth(legend[i].c_str(), scale) + 16;
    }
    for (double t = std::ceil(start / tStep - 1e-9) * tStep; seconds > start && t <= seconds + 1e-9; t += tStep) {
        const int x = left + (int)std::lround((t - start) / (seconds - start) * span);
        pic.Fill(x, bottom + 1, x + 1, bottom + 6, axisColour);
        const std::string label = number(t) + " s";
        const int w = CAP_TextWidth(label.c_str(), scale);
        pic.Text(std::min(x - w / 2, right - w), bottom + 9, label, textColour);
    }
    return pic.rgb;
}
