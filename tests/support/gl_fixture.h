// gl_fixture: opens the engine's window once per test program through the driver.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Opens (once) the driven 800x600 window in a temporary folder holding an archive with
// no entries, so start-up succeeds without any asset.
void VH_TestOpenWindow();

// A fresh empty temporary folder; the working directory is left unchanged.
std::string VH_TestTempDir();

// Mean brightness (0..255) of an RGB frame region (top-left origin).
double VH_TestMean(const std::vector<std::uint8_t>& rgb, int width, int x0, int y0, int x1, int y1);

// Opens the console, keeps its keys for it (the word "keys" holds no 'n' or 'a', so nothing reaches
// the running part), types the line and enters it.
void VH_TestTypeCommand(const std::string& line);

// The console's newest line, "" when there is none.
std::string VH_TestLastLine();
