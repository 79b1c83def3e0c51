// Authentication challenges and cookies: any "WWW-Authenticate" value leaves a state from
// which an Authorization value is built or refused with 151; a Digest challenge and a
// Set-Cookie header written from given fields are read back into exactly those fields.

#include <string>

#include "fuzz/fuzz_check.h"
#include "payment_core/http_auth.h"

using namespace payment_core;

namespace {

std::uint32_t fixedNonce() { return 0x01020304u; }

// A field that the header syntax carries as it is: none of the bytes that end it.
std::string field(const std::string& piece, const char* ends) {
    std::string out;
    for (char c : piece)
        if (std::string(ends).find(c) == std::string::npos && c != '\0') out.push_back(c);
    return out;
}

void assign(InlineString20& s, const std::string& text) { FUZZ_CHECK(s.assign(text.size(), text.data()) == 0); }
void assign(InlineString99& s, const std::string& text) { FUZZ_CHECK(s.assign(text.size(), text.data()) == 0); }

bool isLowerHex(const char* text) {
    for (; *text; ++text)
        if (!((*text >= '0' && *text <= '9') || (*text >= 'a' && *text <= 'f'))) return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    setClientNonceSource(fixedNonce);
    auto pieces = fuzz::split(fuzz::bytes(data, size), '\n', 12);
    pieces.resize(12);
    for (auto& p : pieces) p = fuzz::text(p);

    DigestState state;
    FUZZ_CHECK(readChallenge(state, pieces[0].c_str()) == 0);
    InlineString20 user, password, method;
    InlineString99 uri, body;
    assign(user, pieces[1]);
    assign(password, pieces[2]);
    assign(method, pieces[3]);
    assign(uri, pieces[4]);
    assign(body, pieces[5]);
    const DigestRequest request{user, password, method, uri, body};
    InlineString20 authorization;
    InlineString99 error;
    const int built = buildDigestAuthorization(state, request, authorization, error);
    FUZZ_CHECK(built == 0 || built == 151);
    if (built == 0 && !authorization.empty()) FUZZ_CHECK(std::string(authorization.data()).rfind("Digest ", 0) == 0);
    InlineString20 response;
    if (computeDigestResponse(state, request, response) == 0) {
        FUZZ_CHECK(response.length() == 32);
        FUZZ_CHECK(isLowerHex(response.data()));
    }
    InlineString20 basic;
    FUZZ_CHECK(buildBasicAuthorization(user, password, basic) == 0);
    FUZZ_CHECK(basic.empty() == (user.empty() && password.empty()));

    const std::string realm = field(pieces[6], "\"");
    const std::string nonce = field(pieces[7], "\"");
    const std::string opaque = field(pieces[8], "\"");
    const char* qop = pieces[9].size() % 3 == 0 ? "" : pieces[9].size() % 3 == 1 ? "auth" : "auth-int";
    std::string challenge = "Digest realm=\"" + realm + "\", nonce=\"" + nonce + "\", opaque=\"" + opaque + "\"";
    if (*qop) challenge += std::string(", qop=\"") + qop + "\"";
    challenge += ", algorithm=MD5";
    DigestState read;
    FUZZ_CHECK(readChallenge(read, challenge.c_str()) == 0);
    FUZZ_CHECK(realm == read.digestRealm.data());
    FUZZ_CHECK(nonce == read.digestNonce.data());
    FUZZ_CHECK(opaque == read.digestOpaque.data());
    FUZZ_CHECK(std::string(qop) == read.digestQop.data());
    FUZZ_CHECK(std::string("MD5") == read.digestAlgorithm.data());
    FUZZ_CHECK(read.digestCnonce.empty() == !*qop);

    SetCookie any;
    FUZZ_CHECK(parseSetCookie(pieces[10].c_str(), any) == 0);

    const std::string name = field(pieces[6], "=;");
    const std::string value = field(pieces[7], ";");
    const std::string expires = field(pieces[8], ";");
    const std::string domain = field(pieces[9], ";");
    const std::string path = field(pieces[11], ";");
    const bool secure = size % 2;
    std::string header = name + "=" + value + "; expires=" + expires + "; domain=" + domain + "; path=" + path;
    if (secure) header += "; secure";
    SetCookie cookie;
    FUZZ_CHECK(parseSetCookie(header.c_str(), cookie) == 0);
    FUZZ_CHECK(name == cookie.name.data());
    FUZZ_CHECK(value == cookie.value.data());
    FUZZ_CHECK(expires == cookie.expires.data());
    FUZZ_CHECK(domain == cookie.domain.data());
    FUZZ_CHECK(path == cookie.path.data());
    FUZZ_CHECK(cookie.secure == secure);
    return 0;
}
