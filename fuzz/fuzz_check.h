#pragma once
// What every fuzz target shares: a check that stops the run with a message, so that a broken
// property shows as a crash with the input saved beside it, and the split of one input into
// a few texts.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#define FUZZ_CHECK(condition)                                                                       \
    do {                                                                                            \
        if (!(condition)) fuzz::fail(__FILE__, __LINE__, #condition);                               \
    } while (0)

namespace fuzz {

[[noreturn]] inline void fail(const char* file, int line, const char* what) {
    std::fprintf(stderr, "%s:%d: property broken: %s\n", file, line, what);
    std::abort();
}

inline std::string_view bytes(const std::uint8_t* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

// The input cut at every byte `separator`, at most `most` pieces (the last one keeps the rest).
inline std::vector<std::string> split(std::string_view input, char separator, std::size_t most) {
    std::vector<std::string> pieces;
    while (pieces.size() + 1 < most) {
        const std::size_t at = input.find(separator);
        if (at == std::string_view::npos) break;
        pieces.emplace_back(input.substr(0, at));
        input.remove_prefix(at + 1);
    }
    pieces.emplace_back(input);
    return pieces;
}

// The text up to its first NUL: what a NUL-terminated parser sees of the bytes.
inline std::string text(std::string_view input) { return std::string(input.substr(0, input.find('\0'))); }

}  // namespace fuzz
