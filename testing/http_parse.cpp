#include "testing/http_parse.h"

#include <cctype>
#include <string>

namespace fixtures::detail {
namespace {

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

// The line starting at pos without its LF or CRLF; next is where the following line starts.
bool nextLine(std::string_view buf, std::size_t pos, std::string_view& line, std::size_t& next) {
    std::size_t nl = buf.find('\n', pos);
    if (nl == std::string_view::npos) return false;
    line = buf.substr(pos, nl - pos);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    next = nl + 1;
    return true;
}

void parseRequestLine(std::string_view line, HttpRequest& r) {
    std::size_t a = line.find(' ');
    r.method = std::string(line.substr(0, a));
    if (a == std::string_view::npos) return;
    std::string_view rest = line.substr(a + 1);
    std::size_t b = rest.rfind(' ');
    if (b == std::string_view::npos) {
        r.target = std::string(rest);
        return;
    }
    r.target = std::string(rest.substr(0, b));
    r.version = std::string(rest.substr(b + 1));
}

// Chunked body from pos; returns the end offset, or npos while incomplete.
std::size_t parseChunked(std::string_view buf, std::size_t pos, std::string& body) {
    body.clear();
    for (;;) {
        std::string_view line;
        std::size_t next;
        if (!nextLine(buf, pos, line, next)) return std::string_view::npos;
        std::size_t size = 0;
        std::size_t digits = 0;
        for (char c : line) {
            int v = std::isdigit(static_cast<unsigned char>(c)) ? c - '0'
                    : (c >= 'a' && c <= 'f') ? c - 'a' + 10
                    : (c >= 'A' && c <= 'F') ? c - 'A' + 10
                                              : -1;
            if (v < 0) break;
            if (size > (std::size_t(1) << 40)) return std::string_view::npos;
            size = size * 16 + static_cast<std::size_t>(v);
            ++digits;
        }
        pos = next;
        if (digits > 0 && size == 0) {
            // Trailer fields up to the empty line.
            for (;;) {
                if (!nextLine(buf, pos, line, next)) return std::string_view::npos;
                pos = next;
                if (line.empty()) return pos;
            }
        }
        if (buf.size() < pos + size) return std::string_view::npos;
        body.append(buf.substr(pos, size));
        pos += size;
        if (!nextLine(buf, pos, line, next)) return std::string_view::npos;
        pos = next;
    }
}

}  // namespace

bool equalsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

bool containsNoCase(std::string_view haystack, std::string_view needle) {
    if (needle.size() > haystack.size()) return false;
    for (std::size_t i = 0; i + needle.size() <= haystack.size(); ++i)
        if (equalsNoCase(haystack.substr(i, needle.size()), needle)) return true;
    return false;
}

ParseState parseRequest(std::string_view buf, HttpRequest& r, std::size_t& length) {
    r = HttpRequest{};
    std::size_t pos = 0;
    std::string_view line;
    std::size_t next;
    bool haveRequestLine = false;
    for (;;) {
        if (!nextLine(buf, pos, line, next)) return ParseState::Incomplete;
        pos = next;
        if (!haveRequestLine) {
            // Blank lines before a request are tolerated, as servers do.
            if (line.empty()) continue;
            parseRequestLine(line, r);
            haveRequestLine = true;
            continue;
        }
        if (line.empty()) break;
        if ((line.front() == ' ' || line.front() == '\t') && !r.headers.empty()) {
            r.headers.back().second += " " + std::string(trim(line));
            continue;
        }
        std::size_t colon = line.find(':');
        if (colon == std::string_view::npos) {
            r.headers.emplace_back(std::string(trim(line)), "");
        } else {
            r.headers.emplace_back(std::string(line.substr(0, colon)),
                                   std::string(trim(line.substr(colon + 1))));
        }
    }
    std::size_t headEnd = pos;
    r.chunked = containsNoCase(r.header("Transfer-Encoding"), "chunked");
    std::size_t end;
    if (r.chunked) {
        end = parseChunked(buf, headEnd, r.body);
        if (end == std::string_view::npos) {
            r.body.clear();
            return ParseState::HeadOnly;
        }
    } else {
        std::size_t size = 0;
        if (r.hasHeader("Content-Length")) {
            std::string value = r.header("Content-Length");
            try {
                size = value.find('-') == std::string::npos ? std::stoull(value) : 0;
            } catch (...) {
                size = 0;
            }
        }
        if (buf.size() < headEnd + size) return ParseState::HeadOnly;
        r.body = std::string(buf.substr(headEnd, size));
        end = headEnd + size;
    }
    r.bytes = std::string(buf.substr(0, end));
    length = end;
    return ParseState::Complete;
}

}  // namespace fixtures::detail
