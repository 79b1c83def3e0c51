#pragma once
// Text converted by glibc's iconv, a converter the code under test does not use. Header-only.

#include <iconv.h>

#include <string>
#include <vector>

namespace fixtures {

// The input, in the encoding named from, in the encoding named to; false when iconv does not know
// an encoding or refuses a byte of the input.
inline bool iconvConvert(const char* to, const char* from, const std::string& input, std::string& output) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return false;
    std::vector<char> buffer(input.size() * 4 + 16);
    char* in = const_cast<char*>(input.data());
    std::size_t inLeft = input.size();
    char* out = buffer.data();
    std::size_t outLeft = buffer.size();
    bool ok = iconv(cd, &in, &inLeft, &out, &outLeft) != static_cast<std::size_t>(-1);
    if (ok) ok = iconv(cd, nullptr, nullptr, &out, &outLeft) != static_cast<std::size_t>(-1);
    iconv_close(cd);
    output.assign(buffer.data(), static_cast<std::size_t>(out - buffer.data()));
    return ok;
}

}  // namespace fixtures
