// outputs: makes sure every file and folder a run will write can be written, before the
// first frame is drawn, so a fault there is reported as what it is and costs no run.
#pragma once

#include <string>
#include <vector>

// How a file reaches its place: written where it stands (the video, the statistics), or
// written under another name in its folder and renamed over it (PNG pictures).
enum CapWriteKind { CAP_WRITTEN_IN_PLACE, CAP_RENAMED_INTO_PLACE };

// Checks that path can be written that way, leaving nothing behind. On a fault returns
// false with one line, "PATH: fault", in *error.
bool CAP_CheckOutputFile(const std::string& path, CapWriteKind kind, std::string* error);

// Creates the folder and its missing parents, and checks that files can be made in it.
// The folders it made are added to *made, and are removed again when it fails.
bool CAP_MakeOutputFolder(const std::string& path, std::vector<std::string>* made, std::string* error);

// Removes the folders CAP_MakeOutputFolder made, deepest first, where they are still empty:
// a run refused before its first frame leaves nothing behind.
void CAP_RemoveMadeFolders(const std::vector<std::string>& made);
