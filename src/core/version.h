// version: the engine's version, shown on the console's status line and by every
// program's --version.
// uses: nothing of ours
#pragma once

inline constexpr int VH_VERSION_MAJOR = 1;
inline constexpr int VH_VERSION_MINOR = 2;
inline constexpr int VH_VERSION_PATCH = 0;
inline constexpr const char* VH_VERSION_TEXT = "1.2.0";
