#include "payment_core/http_url.h"

#include <cstring>

#include "payment_core/text_utils.h"

namespace payment_core {
inline namespace PAYMENT_CORE_VARIANT {

namespace {

// An empty port text gives 0, which keeps the port in use.
bool decimalPort(const char* digits, std::size_t n, int& port) {
    port = 0;
    if (n == 0) return true;
    if (n > 5) return false;
    int value = 0;
    for (std::size_t i = 0; i < n; ++i) {
        if (digits[i] < '0' || digits[i] > '9') return false;
        value = value * 10 + (digits[i] - '0');
    }
    if (value < 1 || value > 65535) return false;
    port = value;
    return true;
}

int splitAuthority(const char* authority, std::size_t n, InlineString20& host, int& port, InlineString20& user,
                   InlineString20& password) {
    const char* end = authority + n;
    const char* at = nullptr;
    for (const char* p = authority; p < end; ++p) {
        if (*p == '@') at = p;
    }
    const char* colon = static_cast<const char*>(std::memchr(authority, ':', n));
    if (colon && at && at > colon) {
        colon = static_cast<const char*>(std::memchr(at + 1, ':', static_cast<std::size_t>(end - at - 1)));
    }
    const char* hostEnd = colon ? colon : end;
    if (colon && !decimalPort(colon + 1, static_cast<std::size_t>(end - colon - 1), port)) return kHttpBadUrl;
    const char* hostStart = authority;
    if (at) {
        hostStart = at + 1;
        const char* userColon = static_cast<const char*>(std::memchr(authority, ':', static_cast<std::size_t>(at - authority)));
        int result;
        if (userColon) {
            result = user.assign(static_cast<std::size_t>(userColon - authority), authority);
            if (!result) result = password.assign(static_cast<std::size_t>(at - userColon - 1), userColon + 1);
        } else {
            result = user.assign(static_cast<std::size_t>(at - authority), authority);
        }
        if (result) return result;
    }
    if (hostEnd < hostStart) hostEnd = hostStart;
    return host.assign(static_cast<std::size_t>(hostEnd - hostStart), hostStart);
}

}  // namespace

int splitUrl(const char* url, InlineString20& scheme, InlineString20& host, InlineString99& path, int& port,
             InlineString20& user, InlineString20& password) {
    if (!url) url = "";
    // A fragment names a part of the resource for the client alone: it is never sent. A reference
    // that is only a fragment is the resource in use.
    InlineString99 withoutFragment;
    if (const char* hash = std::strchr(url, '#')) {
        if (withoutFragment.assign(static_cast<std::size_t>(hash - url), url)) return kOutOfMemory;
        if (withoutFragment.empty()) return path.empty() ? path.appendChar('/') : kOk;
        url = withoutFragment.data();
    }
    const char* rest = url;
    int result = kOk;
    const char* colon = url[0] == '/' ? nullptr : std::strchr(url, ':');
    if (colon) {
        result = scheme.assign(static_cast<std::size_t>(colon - url), url);
        if (result) return result;
        if (equalsNoCase(scheme.data(), "http")) port = 80;
        if (equalsNoCase(scheme.data(), "https")) port = 443;
        rest = colon + 1;
    }
    if (rest[0] == '/' && rest[1] == '/') {
        const char* authority = rest + 2;
        const char* pathStart = std::strchr(authority, '/');
        if (!pathStart) pathStart = std::strchr(authority, '?');
        if (!pathStart) pathStart = authority + std::strlen(authority);
        result = splitAuthority(authority, static_cast<std::size_t>(pathStart - authority), host, port, user, password);
        if (!result) result = path.assignCString(pathStart);
    } else if (rest[0] == '/') {
        result = path.assignCString(rest);
    } else {
        if (rest[0] == '.' && rest[1] == '/') rest += 2;
        const int slash = path.lastIndexOf('/', path.length());
        result = path.assign(slash < 0 ? 0 : static_cast<std::size_t>(slash + 1), nullptr);
        if (!result && path.empty()) result = path.appendChar('/');
        if (!result) result = path.appendCString(rest);
    }
    if (!result && path.empty()) result = path.appendChar('/');
    return result;
}

}  // namespace PAYMENT_CORE_VARIANT
}  // namespace payment_core
