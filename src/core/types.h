// vh_types: the engine's fixed-width type names, shared by every subsystem.
// uses: nothing of ours
#pragma once

#include <cstdint>

typedef std::uint8_t Uint8;
typedef std::uint16_t Uint16;
typedef std::uint32_t Uint32;
typedef std::int32_t Sint32;
