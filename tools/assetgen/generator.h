// generator: the shared assets of the demo and the steps that turn them into files.
#pragma once

#include <string>

#include "assets.h"

// The pictures every scene shares: title cards, console backdrop, water, sky, smoke, flare, sprites.
void AG_AddSharedPictures(AssetSink& sink);
// The six raw font masks.
void AG_AddFonts(AssetSink& sink);
// Every entry of the archive, shared ones first, then each scene's.
void AG_AddAllAssets(AssetSink& sink);
// The text of "credits.txt".
std::string AG_CreditsText();
// Pictures are also written as PNG files into this folder when it is not empty.
void AG_SetPreviewDir(const std::string& dir);
void AG_Preview(const std::string& name, const struct AgImage& image);
// Writes the entries as a resource archive at path; false with a reason when it cannot.
bool AG_PackArchive(const AssetSink& sink, const std::string& path, std::string* reason);
