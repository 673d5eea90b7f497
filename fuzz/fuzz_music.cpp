// fuzz_music: Ogg Vorbis music entries through the decoder the engine plays them with.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "audio/music.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0 || size > (1u << 20)) return 0;
    // An exact-size heap copy, so any read past the stream is caught.
    std::vector<std::uint8_t> copy(data, data + size);
    std::vector<std::int16_t> samples;
    SND_DecodeVorbisBytes(copy.data(), static_cast<Uint32>(size), &samples);
    return 0;
}
