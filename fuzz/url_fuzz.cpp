// URL splitting: a URL with a host, put back together from its parts, splits into the same
// parts; a relative text keeps the scheme, host and port and goes on from the base's folder; a
// fragment is dropped.

#include <strings.h>

#include <string>

#include "fuzz/fuzz_check.h"
#include "payment_core/http_url.h"

using namespace payment_core;

namespace {

struct Parts {
    InlineString20 scheme;
    InlineString20 host;
    InlineString99 path;
    int port = 443;
    InlineString20 user;
    InlineString20 password;

    Parts() {
        scheme.assignCString("https");
        host.assignCString("base.example");
        path.assignCString("/dir/page");
    }
    int split(const std::string& url) { return splitUrl(url.c_str(), scheme, host, path, port, user, password); }
    std::string joined() const {
        std::string url = std::string(scheme.data()) + "://";
        if (!user.empty() || !password.empty()) {
            url += user.data();
            if (!password.empty()) url += std::string(":") + password.data();
            url += "@";
        }
        // Port 0 stands for an empty port text, which keeps the port in use.
        return url + host.data() + (port ? ":" + std::to_string(port) : std::string()) + path.data();
    }
    // What a URL without a port text gives: the scheme's port, or the one in use before.
    int portOfScheme() const { return strcasecmp(scheme.data(), "http") == 0 ? 80 : 443; }
    bool operator==(const Parts& o) const {
        return std::string(scheme.data()) == o.scheme.data() && std::string(host.data()) == o.host.data() &&
               std::string(path.data()) == o.path.data() && (port == o.port || (o.port == 0 && port == portOfScheme())) &&
               std::string(user.data()) == o.user.data() && std::string(password.data()) == o.password.data();
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input = fuzz::text(fuzz::bytes(data, size));
    Parts parts;
    if (parts.split(input) != 0) return 0;
    FUZZ_CHECK(parts.port >= 0 && parts.port <= 65535);
    const std::string path = parts.path.data();
    FUZZ_CHECK(!path.empty());
    // A fragment is never kept: the text splits as if it ended before its "#".
    FUZZ_CHECK(path.find('#') == std::string::npos);
    const std::string url = input.substr(0, input.find('#'));

    const bool hasScheme = url[0] != '/' && url.find(':') != std::string::npos;
    const std::string rest = hasScheme ? url.substr(url.find(':') + 1) : url;
    if (rest.rfind("//", 0) == 0) {
        const std::string host = parts.host.data();
        FUZZ_CHECK(host.find_first_of("/@") == std::string::npos);
        FUZZ_CHECK(std::string(parts.user.data()).find(':') == std::string::npos);
        FUZZ_CHECK(path[0] == '/' || path[0] == '?');
        Parts again;
        FUZZ_CHECK(again.split(parts.joined()) == 0);
        FUZZ_CHECK(again == parts);
    } else {
        FUZZ_CHECK(std::string(parts.host.data()) == "base.example");
        if (rest[0] != '/') FUZZ_CHECK(path.rfind("/dir/", 0) == 0);
    }
    return 0;
}
