// credits: the text of "credits.txt", laid out for an 800 x 600 screen with all six fonts.
//
// Commands: "#C b,g,r[,a]" colours the next text line only, "#F n" picks the font, "#J L|C|R"
// justifies, "#N" and "#U" move one line down or up (by the current font's height + 2). An up after a
// left-justified line lets a right-justified one share its row.
#include "generator.h"

namespace {

// Rows of a two-column table: left label, right value, both in the current font.
void row(std::string& out, int font, const char* left, const char* right, const char* leftColour,
         const char* rightColour) {
    out += "#J L\n";
    if (leftColour) out += std::string("#C ") + leftColour + "\n";
    out += std::string(left) + "\n#U\n#J R\n";
    if (rightColour) out += std::string("#C ") + rightColour + "\n";
    out += std::string(right) + "\n#F 1\n#N\n#F " + std::to_string(font) + "\n";
}

} // namespace

std::string AG_CreditsText() {
    std::string t;
    t += "# credits of the Vexhal demo: lines starting with # and a letter are commands\n";
    t += "#F 3\n#N\n#N\n#N\n";
    t += "#F 5\n#J C\n#C 110,215,255\n";
    t += "V  E  X  H  A  L\n";
    t += "#F 1\n#C 255,255,160\n";
    t += "A SMALL REAL-TIME DEMO ENGINE AND THE DEMO BUILT ON IT\n";
    t += "#F 3\n#N\n#N\n";
    t += "#C 255,160,120\n";
    t += "THE DEMO\n";
    t += "#F 0\n";
    t += "#C 230,230,230\nPart one    a night on the beach, eight fliers and their trails\n";
    t += "#C 230,230,230\nPart two    airships above the clouds, a battle in thirteen steps\n";
    t += "#C 230,230,230\nPart three  five vehicles crossing the river, one after another\n";
    t += "#F 1\n#N\n#N\n#N\n";
    t += "#F 3\n#N\n#C 255,160,120\n";
    t += "THE ENGINE\n";
    t += "#F 4\n";
    row(t, 4, "Program shell, states and sequencing", "the lead engineer", "255,255,255", "120,220,255");
    row(t, 4, "Streams and the resource archive", "data files", "255,255,255", "120,220,255");
    row(t, 4, "Pictures, textures, fonts and console", "pictures and text", "255,255,255", "120,220,255");
    row(t, 4, "3DS reader and mesh manager", "models", "255,255,255", "120,220,255");
    row(t, 4, "Vectors, quaternions, fast square root", "math", "255,255,255", "120,220,255");
    row(t, 4, "Camera events, spline and flat paths", "camera and paths", "255,255,255", "120,220,255");
    row(t, 4, "Particles, effects and the height grid", "particles", "255,255,255", "120,220,255");
    row(t, 4, "Scene one, scene two, scene three", "the scene makers", "255,255,255", "120,220,255");
    t += "#F 3\n#N\n#J C\n#C 255,160,120\n";
    t += "THE DATA\n";
    t += "#F 0\n#J C\n";
    t += "Every picture, font, model and path is made by our own code at build time:\n";
    t += "#C 160,255,200\n";
    t += "noise, gradients and shapes; six bitmap fonts drawn pixel by pixel;\n";
    t += "#C 160,255,200\n";
    t += "models turned, swept and extruded with a small mesh kit.\n";
    t += "#F 3\n#N\n#C 255,160,120\n";
    t += "TOOLS\n";
    t += "#F 0\n";
    row(t, 0, "assetgen", "makes vh_data.clu and this text", "120,255,255", nullptr);
    row(t, 0, "vhpack", "lists, packs and unpacks the archive", "120,255,255", nullptr);
    row(t, 0, "vhcapture", "renders the demo frame by frame", "120,255,255", nullptr);
    t += "#F 3\n#N\n#J C\n#C 255,160,120\n";
    t += "BUILT WITH\n";
    t += "#F 1\n#C 255,220,220\n";
    t += "OPENGL 1.1  GLU  GLUT  LIBPNG  GOOGLETEST  MESA\n";
    t += "#F 3\n#N\n#N\n";
    t += "#F 5\n#C 110,215,255,255\n";
    t += "THANK YOU FOR WATCHING\n";
    t += "#F 3\n#N\n#N\n#N\n";
    t += "#F 2\n#J R\n#C 200,200,200,160\n";
    t += "PRESS ANY KEY TO LEAVE\n";
    t += "#J L\n#U\n#C 200,200,200,160\n";
    t += "VEXHAL 2026\n";
    return t;
}
