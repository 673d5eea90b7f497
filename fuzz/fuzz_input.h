// fuzz_input: reads a fuzzer's byte string as a sequence of small decisions, for the targets
// that turn bytes into operations (archive changes, keys, command lines). Past the end every
// read gives zeros, so any input decodes to some sequence.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class FuzzInput {
public:
    FuzzInput(const std::uint8_t* data, std::size_t size) : p(data), left(size) {}

    bool Empty() const { return left == 0; }
    std::size_t Left() const { return left; }
    std::uint8_t U8() {
        if (!left) return 0;
        --left;
        return *p++;
    }
    std::uint16_t U16() { return static_cast<std::uint16_t>(U8() | U8() << 8); }
    // Up to n bytes, fewer when the input runs out.
    std::vector<std::uint8_t> Bytes(std::size_t n) {
        if (n > left) n = left;
        std::vector<std::uint8_t> out(p, p + n);
        p += n;
        left -= n;
        return out;
    }
    std::string Text(std::size_t n) {
        const std::vector<std::uint8_t> b = Bytes(n);
        return std::string(b.begin(), b.end());
    }
    // Bytes up to (not including) the next NUL or the end.
    std::string Word() {
        std::string out;
        while (left) {
            const std::uint8_t c = U8();
            if (c == 0) break;
            out += static_cast<char>(c);
        }
        return out;
    }

private:
    const std::uint8_t* p;
    std::size_t left;
};
