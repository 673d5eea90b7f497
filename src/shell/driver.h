// driver: runs the engine without a person. It opens the window exactly as main does,
// then lets a caller step the state machine with a chosen frame time, render, press
// keys and read the finished frames, through the same functions the GLUT callbacks
// call. A driven run lives in demo time: the clock, the exit state's timers and the
// display callback it installs are all served here, so the same inputs give the same
// frames.
// uses: core
#pragma once

#include <cstdint>
#include <vector>

// Opens the window (width x height) and initialises the program as main would.
// Only the first call in a process opens anything; later calls return at once. With stencil
// the window has a stencil buffer for the caller's own use (the program draws the same).
void VH_DriverOpen(int argc, char** argv, int width = 800, int height = 600, bool stencil = false);
bool VH_IsDriven();

// Advances demo time by seconds, fires the timers that fall due, then runs one idle
// step with exactly that frame time.
void VH_DriverStep(double seconds);

// One display call: whichever display routine the program has installed.
void VH_DriverRender();

// A key press, as GLUT's keyboard and special-key callbacks would deliver it.
void VH_DriverKey(unsigned char key);
void VH_DriverSpecialKey(int key);

// Demo time in milliseconds since the driver opened.
double VH_DriverTime();

// When on, every buffer swap first copies the finished back buffer. The copy is RGB,
// top row first, of the size returned through width and height.
void VH_DriverCapture(bool on);
const std::vector<std::uint8_t>& VH_DriverFrame(int* width, int* height);

// listener() is called before every buffer swap, after the copy VH_DriverCapture asks for, while
// the finished frame is still in the back buffer; null: none.
void VH_DriverSetSwapListener(void (*listener)());

// Reads the current back buffer now (RGB, top row first).
std::vector<std::uint8_t> VH_DriverReadBack(int* width, int* height);
