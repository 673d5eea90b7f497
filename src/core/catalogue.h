// catalogue: every name the engine asks the archive (or the working folder) for, and the
// tables of turning parts the asset generator must build sub-objects for. The engine and
// the generator both include this header, so a name changed here changes everywhere.
// uses: nothing of ours
#pragma once

// ---------------------------------------------------------------------------
// files in the working folder
// ---------------------------------------------------------------------------

inline constexpr const char* CAT_ARCHIVE = "vh_data.clu"; // every asset
inline constexpr const char* CAT_CREDITS = "credits.txt"; // the credits text
inline constexpr const char* CAT_DEBUG_LOG = "vh_debug.txt";

// ---------------------------------------------------------------------------
// shell and text
// ---------------------------------------------------------------------------

inline constexpr const char* CAT_CONSOLE_PICTURE = "con_pic.bmp";
// The title cards of the intro rows; how many there are is the sequence table's business.
inline constexpr const char* CAT_INTRO1_PICTURE = "intro1.bmp";
inline constexpr const char* CAT_INTRO2_PICTURE = "intro2.bmp";
inline constexpr const char* CAT_INTRO3_PICTURE = "intro3.bmp";

// Font masks in font-number order, with their glyph cell in pixels.
struct CAT_FontFile {
    const char* name;
    int cellWidth;
    int cellHeight;
};
inline constexpr int CAT_FONT_COUNT = 6;
inline constexpr CAT_FontFile CAT_FONTS[CAT_FONT_COUNT] = {
    {"fnt4x9bgr.raw", 4, 9},   {"fnt5x5bgr.raw", 5, 5}, {"fnt6x4bgr.raw", 6, 4},
    {"fnt7x12bgr.raw", 7, 12}, {"fnt8x8bgr.raw", 8, 8}, {"fnt9X8bgr.raw", 9, 8},
};

// ---------------------------------------------------------------------------
// turning parts
// ---------------------------------------------------------------------------

// One sub-object that a scene turns: it turns by its angle about axis, through the
// pivot a - b. The generator builds the sub-object of that name around that pivot.
struct CAT_Part {
    const char* name; // sub-object name, matched without regard to case
    float a[3];       // pivot
    float b[3];
    float axis[3];
    float angle; // degrees at the start
    float speed; // degrees per second
};
struct CAT_PartTable {
    const CAT_Part* parts;
    int count;
};

// ---------------------------------------------------------------------------
// scene three: the river
// ---------------------------------------------------------------------------

inline constexpr int CAT_RIVER_MESH_COUNT = 10;
inline constexpr int CAT_RIVER_VEHICLE_COUNT = 5;
inline constexpr int CAT_RIVER_FIRST_VEHICLE = 5; // vehicle v is mesh CAT_RIVER_FIRST_VEHICLE + v
// In load order: three houses, two trees, then the five vehicles.
inline constexpr const char* CAT_RIVER_MESHES[CAT_RIVER_MESH_COUNT] = {
    "house_one.3ds", "house 2 f.3ds", "house_three.3ds", "roottreef.3ds", "tree_trunkf.3ds",
    "boat1.3ds",     "boat_2.3ds",    "boat_tres.3ds",   "boat4.3ds",     "w_bike.3ds",
};
inline constexpr const char* CAT_RIVER_PATH = "boatpath.wed";
inline constexpr const char* CAT_WATER_TEXTURE = "SWIMMING.BMP";

inline constexpr CAT_Part CAT_RIVER_BOAT1_PARTS[] = {
    {"l_pwglue1", {-1.8401f, 0, 7.5088f}, {0, 0, 0}, {1, 0, 0}, 0.0f, -64.0f},
    {"r_pwglue1", {1.8216f, 0, 7.5088f}, {0, 0, 0}, {1, 0, 0}, 0.0f, -64.0f},
    {"Facets_91", {-0.0093f, 0, 7.5088f}, {0, 0, 0}, {1, 0, 0}, 0.0f, -64.0f},
    {"Facets_81", {-0.0093f, 0, 7.5088f}, {0, 0, 0}, {1, 0, 0}, 0.0f, -64.0f},
    {"Facets_71", {-0.0093f, 0, 7.5088f}, {0, 0, 0}, {1, 0, 0}, 0.0f, -64.0f},
    {"Facets_61", {-0.0093f, 0, 7.5088f}, {0, 0, 0}, {1, 0, 0}, 0.0f, -64.0f},
    {"Facets_51", {-0.0093f, 0, 7.5088f}, {0, 0, 0}, {1, 0, 0}, 0.0f, -64.0f},
    {"Facets_41", {-0.0093f, 0, 7.5088f}, {0, 0, 0}, {1, 0, 0}, 0.0f, -64.0f},
    {"Facets_31", {-0.0093f, 0, 7.5088f}, {0, 0, 0}, {1, 0, 0}, 0.0f, -64.0f},
    {"Facets_141", {-0.0093f, 0, 7.5088f}, {0, 0, 0}, {1, 0, 0}, 0.0f, -64.0f},
    {"Facets_131", {-0.0093f, 0, 7.5088f}, {0, 0, 0}, {1, 0, 0}, 0.0f, -64.0f},
    {"Facets_121", {-0.0093f, 0, 7.5088f}, {0, 0, 0}, {1, 0, 0}, 0.0f, -64.0f},
    {"Facets_111", {-0.0093f, 0, 7.5088f}, {0, 0, 0}, {1, 0, 0}, 0.0f, -64.0f},
    {"Facets_101", {-0.0093f, 0, 7.5088f}, {0, 0, 0}, {1, 0, 0}, 0.0f, -64.0f},
};
inline constexpr CAT_Part CAT_RIVER_BOAT2_PARTS[] = {
    {"tur_base", {0.1109f, 0.0782f, -8.6112f}, {0, 0, 0}, {0, 1, 0}, 0.0f, -55.0f},
    {"tur_gun", {0.1109f, 0.0782f, -8.6112f}, {0, 0, 0}, {0, 1, 0}, 0.0f, -55.0f},
};
#define CAT_TRES_(name)                                                                                                \
    { name, {-2.3292f, 0.2061f, 1.7674f}, {0, 0, 0}, {1, 0, 0}, 0.0f, -54.0f }
inline constexpr CAT_Part CAT_RIVER_BOAT_TRES_PARTS[] = {
    CAT_TRES_("rhub"), CAT_TRES_("rpaddlea"), CAT_TRES_("rpaddleb"), CAT_TRES_("rpaddlec"), CAT_TRES_("rpaddled"),
    CAT_TRES_("lhub"), CAT_TRES_("lpaddlea"), CAT_TRES_("lpaddleb"), CAT_TRES_("lpaddlec"), CAT_TRES_("lpaddled"),
};
#undef CAT_TRES_
#define CAT_PADDLE_(name)                                                                                              \
    { name, {0, 0, 0}, {0, 0, 0}, {1, 0, 0}, 0.0f, -64.0f }
inline constexpr CAT_Part CAT_RIVER_BOAT4_PARTS[] = {
    {"rudder1", {0.2598f, -2.9558f, 13.5031f}, {0, 0, 1}, {0, -0.7071f, 0.7071f}, 0.0f, 66.0f},
    {"till1", {0.1361f, -0.3141f, 11.4592f}, {0, 0, 1}, {0, -0.7071f, 0.7071f}, 0.0f, 66.0f},
    CAT_PADDLE_("l_pad11"),
    CAT_PADDLE_("l_pad21"),
    CAT_PADDLE_("l_pad31"),
    CAT_PADDLE_("l_pad41"),
    CAT_PADDLE_("r_pad11"),
    CAT_PADDLE_("r_pad21"),
    CAT_PADDLE_("r_pad31"),
    CAT_PADDLE_("r_pad41"),
};
#undef CAT_PADDLE_
inline constexpr CAT_Part CAT_RIVER_BIKE_PARTS[] = {
    {"r_wheel1", {1.4842f, -0.1456f, 2.9796f}, {0, 0, 0}, {1, 0, 0}, 0.0f, -52.0f},
    {"l_wheel1", {-1.4842f, -0.1456f, 2.9952f}, {0, 0, 0}, {1, 0, 0}, 0.0f, -52.0f},
    {"f_wheel1", {-0.0328f, -0.1456f, -3.0219f}, {0, 0, 0}, {1, 0, 0}, 0.0f, -52.0f},
};
// Vehicle v's table.
inline constexpr CAT_PartTable CAT_RIVER_PART_TABLES[CAT_RIVER_VEHICLE_COUNT] = {
    {CAT_RIVER_BOAT1_PARTS, sizeof(CAT_RIVER_BOAT1_PARTS) / sizeof(CAT_Part)},
    {CAT_RIVER_BOAT2_PARTS, sizeof(CAT_RIVER_BOAT2_PARTS) / sizeof(CAT_Part)},
    {CAT_RIVER_BOAT_TRES_PARTS, sizeof(CAT_RIVER_BOAT_TRES_PARTS) / sizeof(CAT_Part)},
    {CAT_RIVER_BOAT4_PARTS, sizeof(CAT_RIVER_BOAT4_PARTS) / sizeof(CAT_Part)},
    {CAT_RIVER_BIKE_PARTS, sizeof(CAT_RIVER_BIKE_PARTS) / sizeof(CAT_Part)},
};

// ---------------------------------------------------------------------------
// scene one: the night beach
// ---------------------------------------------------------------------------

inline constexpr int CAT_BEACH_MESH_COUNT = 6;
// In load order: beach, rock base, camp fire, chair, city, figure.
inline constexpr const char* CAT_BEACH_MESHES[CAT_BEACH_MESH_COUNT] = {
    "beach.3ds", "rock_base.3ds", "campfire.3ds", "chairf.3ds", "city_f.3ds", "Vevez Ora.3ds",
};
inline constexpr const char* CAT_BEACH_PATHS = "flyerpaths.spo";
inline constexpr const char* CAT_FLARE_TEXTURE = "flarex.tga";
inline constexpr const char* CAT_PARTICLE_TEXTURE1 = "P1_2.bmp";
inline constexpr const char* CAT_PARTICLE_TEXTURE2 = "P2_2.bmp";

// ---------------------------------------------------------------------------
// scene two: the air battle
// ---------------------------------------------------------------------------

inline constexpr int CAT_SKY_MESH_COUNT = 8;
// In load order: dirigible, two blimps, cliff, two planes, two clouds.
inline constexpr const char* CAT_SKY_MESHES[CAT_SKY_MESH_COUNT] = {
    "dirigible1.3ds", "blimp2.3ds", "blimp3.3ds", "cliff.3ds", "plane1.3ds", "plane2.3ds", "cloud4.3ds", "cloud2.3ds",
};
inline constexpr const char* CAT_SMOKE_TEXTURE = "smoke2.tga";
inline constexpr const char* CAT_SKY_TEXTURE = "sky.bmp";

#define CAT_PROP_(name, x, y, z, angle, speed)                                                                         \
    { name, {x, y, z}, {0, 0, 0}, {0, 0, 1}, angle, speed }
inline constexpr CAT_Part CAT_SKY_DIRIGIBLE_PROPS[] = {
    CAT_PROP_("r_prop1", 0.2553f, -3.9918f, -2.9658f, 870, 100),
    CAT_PROP_("r_prop2", 0.2839f, -3.9918f, 0.4428f, 7, 100),
    CAT_PROP_("r_prop3", 0.2451f, -3.9918f, 4.0348f, 76, 100),
    CAT_PROP_("l_prop1", -4.2509f, -3.9918f, -2.9723f, 23, 100),
    CAT_PROP_("l_prop2", -4.2793f, -3.9918f, 0.4544f, 111, 100),
    CAT_PROP_("l_prop3", -4.2418f, -3.9918f, 4.0181f, 34, 100),
};
inline constexpr CAT_Part CAT_SKY_BLIMP2_PROPS[] = {
    CAT_PROP_("rp11", 2.1268f, 0.0388f, -6.2263f, 0, 166),  CAT_PROP_("rp21", 2.2728f, 0.0388f, -2.9799f, 0, 89),
    CAT_PROP_("rp31", 2.1252f, 0.0388f, 0.6051f, 0, 103),   CAT_PROP_("rp41", 1.9799f, 0.0388f, 4.1304f, 0, 105),
    CAT_PROP_("lp11", -2.1259f, 0.0396f, -6.2213f, 0, 166), CAT_PROP_("lp21", -2.2727f, 0.0397f, -3.0421f, 0, 120),
    CAT_PROP_("lp31", -2.1236f, 0.0396f, 0.6099f, 0, 130),  CAT_PROP_("lp41", -1.9777f, 0.0396f, 4.1554f, 0, 140),
};
inline constexpr CAT_Part CAT_SKY_BLIMP3_PROPS[] = {
    CAT_PROP_("d_propa", 2.0539f, -0.2306f, 5.6199f, 0, 201),
    CAT_PROP_("d_propb", -2.0539f, -0.2299f, 5.6208f, 0, 202),
    CAT_PROP_("d_propc", -1.9318f, -0.2299f, -4.1492f, 0, 203),
    CAT_PROP_("d_propd", 1.9314f, -0.2306f, -4.1485f, 0, 204),
    CAT_PROP_("d_prope", 0.0119f, 0.6019f, -8.5859f, 0, 300),
};
inline constexpr CAT_Part CAT_SKY_PLANE1_PROPS[] = {
    CAT_PROP_("right_prop", -9.9584f, -1.3224f, -6.8231f, 0, 500),
    CAT_PROP_("left_prop", 9.4423f, -1.2444f, -6.8231f, 180, 500.1f),
};
inline constexpr CAT_Part CAT_SKY_PLANE2_PROPS[] = {
    CAT_PROP_("prop", 0.0365f, -1.4125f, -13.705f, 0, 700),
};
#undef CAT_PROP_
// Model i's table; the cliff and the clouds turn nothing.
inline constexpr CAT_PartTable CAT_SKY_PART_TABLES[CAT_SKY_MESH_COUNT] = {
    {CAT_SKY_DIRIGIBLE_PROPS, sizeof(CAT_SKY_DIRIGIBLE_PROPS) / sizeof(CAT_Part)},
    {CAT_SKY_BLIMP2_PROPS, sizeof(CAT_SKY_BLIMP2_PROPS) / sizeof(CAT_Part)},
    {CAT_SKY_BLIMP3_PROPS, sizeof(CAT_SKY_BLIMP3_PROPS) / sizeof(CAT_Part)},
    {nullptr, 0},
    {CAT_SKY_PLANE1_PROPS, sizeof(CAT_SKY_PLANE1_PROPS) / sizeof(CAT_Part)},
    {CAT_SKY_PLANE2_PROPS, sizeof(CAT_SKY_PLANE2_PROPS) / sizeof(CAT_Part)},
    {nullptr, 0},
    {nullptr, 0},
};

// ---------------------------------------------------------------------------
// music
// ---------------------------------------------------------------------------

// One piece of the soundtrack: the part it plays under (a sequence row's name, or the
// credits), its archive entry (Ogg Vorbis) and whether it loops for as long as the part runs.
// A piece that does not loop plays once and the part goes on in silence.
struct CAT_MusicTrack {
    const char* part;
    const char* name;
    bool loops;
};
inline constexpr int CAT_MUSIC_COUNT = 7;
inline constexpr CAT_MusicTrack CAT_MUSIC[CAT_MUSIC_COUNT] = {
    {"intro1", "mus_intro1.ogg", false},  {"scene1", "mus_beach.ogg", true},   {"intro2", "mus_intro2.ogg", false},
    {"scene2", "mus_air.ogg", true},      {"intro3", "mus_intro3.ogg", false}, {"scene3", "mus_river.ogg", true},
    {"credits", "mus_credits.ogg", true},
};
inline constexpr int CAT_MUSIC_RATE = 44100; // frames a second, every track
inline constexpr int CAT_MUSIC_CHANNELS = 2; // stereo, every track
