// generator: the shared assets of the demo and the steps that turn them into files.
#pragma once

#include <string>

#include "assets.h"

// One scene as the generator makes it: the title card its intro shows, and its own models,
// textures and paths.
struct AG_Scene {
    const char* introPicture;           // the card's archive name
    AgImage (*card)();                  // the card at the window's shape
    void (*addAssets)(AssetSink& sink); // in its tools/assetgen/sceneN.cpp
};
// The demo's scenes in playing order; a new scene is a row in this table (generator.cpp).
extern const AG_Scene AG_SCENES[];
extern const int AG_SCENE_COUNT;

// The title cards of the scenes (pictures.cpp).
AgImage AG_BeachCard();
AgImage AG_AirshipCard();
AgImage AG_RiverCard();

// The pictures every scene shares: title cards, console backdrop, water, sky, smoke, flare, sprites.
void AG_AddSharedPictures(AssetSink& sink);
// The six raw font masks.
void AG_AddFonts(AssetSink& sink);
// Every entry of the archive, shared ones first, then each scene's.
void AG_AddAllAssets(AssetSink& sink);
// The text of "credits.txt".
std::string AG_CreditsText();
// Every BMP and TGA entry, read back through the engine's own decoders and written as
// DIR/NAME.png, so a preview shows what the demo will show. Returns how many were written,
// or -1 with one line in *error for a picture that does not decode or cannot be written.
int AG_WritePreviews(const AssetSink& sink, const std::string& dir, std::string* error);
// Writes the entries as a resource archive at path; false with a reason when it cannot.
bool AG_PackArchive(const AssetSink& sink, const std::string& path, std::string* reason);
// Reads the archive at path back with the demo's own readers, as "vhpack check --deep" does.
// False with one line in *fault naming the first entry they refuse and why (and how many more
// there are), or the archive's own fault.
bool AG_CheckArchive(const std::string& path, std::string* fault);
// The credits text as the credits screen takes it: false with why in *fault.
bool AG_CheckCredits(const std::string& text, std::string* fault);
