// vorbis: the tracks' Ogg Vorbis streams decoded with libvorbisfile, from memory.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vorbis/vorbisfile.h>

#include "audio/music.h"
#include "core/catalogue.h"
#include "core/report.h"

namespace {

constexpr std::int64_t kMaxFrames = std::int64_t(CAT_MUSIC_RATE) * 600; // ten minutes: more is not a track of ours

struct Memory {
    const Uint8* data;
    size_t size;
    size_t at;
};

size_t memRead(void* ptr, size_t size, size_t count, void* source) {
    Memory* m = static_cast<Memory*>(source);
    if (size == 0) return 0;
    const size_t n = std::min(count, (m->size - m->at) / size);
    if (n == 0) return 0; // an empty stream may have no bytes at all to copy from
    std::memcpy(ptr, m->data + m->at, n * size);
    m->at += n * size;
    return n;
}
int memSeek(void* source, ogg_int64_t offset, int whence) {
    Memory* m = static_cast<Memory*>(source);
    const ogg_int64_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? ogg_int64_t(m->at) : ogg_int64_t(m->size);
    const ogg_int64_t to = base + offset;
    if (to < 0 || to > ogg_int64_t(m->size)) return -1;
    m->at = size_t(to);
    return 0;
}
long memTell(void* source) {
    return long(static_cast<Memory*>(source)->at);
}

} // namespace

std::string SND_DecodeVorbisBytes(const void* data, Uint32 size, std::vector<std::int16_t>* samples) {
    samples->clear();
    Memory m{static_cast<const Uint8*>(data), size, 0};
    OggVorbis_File vf;
    const ov_callbacks io = {memRead, memSeek, nullptr, memTell};
    if (ov_open_callbacks(&m, &vf, nullptr, 0, io) != 0) return "not an Ogg Vorbis stream";
    // A stream cut short still decodes, as a shorter track; only its last page, which must
    // carry the end-of-stream mark, tells that the rest is missing.
    const Uint8* bytes = static_cast<const Uint8*>(data);
    size_t last = size >= 27 ? size - 27 : 0;
    while (last > 0 && std::memcmp(bytes + last, "OggS", 4) != 0)
        --last;
    if (size < 27 || (bytes[last + 5] & 0x04) == 0) {
        ov_clear(&vf);
        return "a damaged Ogg Vorbis stream (cut short: its last page is missing)";
    }
    std::string fault;
    const vorbis_info* info = ov_info(&vf, -1);
    const ogg_int64_t total = ov_pcm_total(&vf, -1);
    if (!info || info->channels != CAT_MUSIC_CHANNELS || info->rate != CAT_MUSIC_RATE)
        fault = VH_Format("%d channels at %ld Hz; the demo plays stereo at %d Hz", info ? info->channels : 0,
                          info ? info->rate : 0L, CAT_MUSIC_RATE);
    else if (total <= 0 || total > kMaxFrames)
        fault = VH_Format("claims %lld frames; a track holds 1 to %lld", (long long)total, (long long)kMaxFrames);
    else {
        samples->reserve(size_t(total) * 2);
        char buffer[8192];
        int section = 0;
        for (;;) {
            const long got = ov_read(&vf, buffer, sizeof buffer, 0, 2, 1, &section);
            if (got == 0) break;
            if (got < 0) {
                fault = "a damaged Ogg Vorbis stream (a packet does not decode)";
                break;
            }
            const std::int16_t* s = reinterpret_cast<const std::int16_t*>(buffer);
            samples->insert(samples->end(), s, s + got / 2);
        }
        if (fault.empty() && std::int64_t(samples->size() / 2) != total)
            fault = VH_Format("decodes to %zu frames of the %lld it claims", samples->size() / 2, (long long)total);
    }
    ov_clear(&vf);
    if (!fault.empty()) samples->clear();
    return fault;
}
