#include "payment_core/http_auth.h"

#include <sys/random.h>

#include <cstdio>
#include <cstring>

#include "payment_core/md5.h"
#include "payment_core/text_utils.h"

namespace payment_core {
inline namespace PAYMENT_CORE_VARIANT {

namespace {

std::uint32_t randomNonce() {
    std::uint32_t value = 0;
    if (getrandom(&value, sizeof value, 0) != static_cast<ssize_t>(sizeof value)) value = 0;
    return value;
}

ClientNonceSource nonceSource = &randomNonce;

std::size_t skipBlanks(const char* text, std::size_t i) {
    while (text[i] == ' ' || text[i] == '\t') ++i;
    return i;
}

int appendQuotedField(InlineString20& out, const char* name, const char* value) {
    int result = out.appendCString(name);
    if (!result) result = out.appendQuoted(value);
    return result;
}

}  // namespace

void resetDigestState(DigestState& state) {
    state.digestRealm.reset();
    state.digestQop.reset();
    state.digestAlgorithm.assignCString("md5");
    state.digestNonce.reset();
    state.digestCnonce.reset();
    state.digestOpaque.reset();
    state.digestNonceCount = 0;
}

void setClientNonceSource(ClientNonceSource source) { nonceSource = source ? source : &randomNonce; }

int buildBasicAuthorization(const InlineString20& user, const InlineString20& password, InlineString20& out) {
    out.reset();
    if (user.empty() && password.empty()) return kOk;
    InlineString99 credentials;
    int result = credentials.append(user.data(), static_cast<std::size_t>(user.length()));
    if (!result) result = credentials.appendChar(':');
    if (!result) result = credentials.append(password.data(), static_cast<std::size_t>(password.length()));
    if (!result) result = out.appendCString("Basic ");
    if (!result) result = base64Encode(out, credentials.data(), static_cast<std::size_t>(credentials.length()), false);
    return result;
}

int readChallenge(DigestState& state, const char* value) {
    if (!value) return kOk;
    const char* blank = std::strchr(value, ' ');
    const std::size_t wordLength = blank ? static_cast<std::size_t>(blank - value) : std::strlen(value);
    if (wordLength != 6 || compareTextPrefixNoCase(value, "Digest", 6) != 0) return kOk;
    resetDigestState(state);
    std::size_t i = wordLength;
    int result = kOk;
    while (!result && value[i]) {
        i = skipBlanks(value, i);
        if (!value[i]) break;
        const std::size_t nameStart = i;
        while (value[i] && value[i] != '=') ++i;
        InlineString20 name;
        result = name.assign(i - nameStart, value + nameStart);
        if (result || !value[i]) break;
        ++i;
        std::size_t valueStart;
        std::size_t valueEnd;
        if (value[i] == '"') {
            valueStart = ++i;
            while (value[i] && value[i] != '"') ++i;
            valueEnd = i;
            if (value[i]) ++i;
            if (value[i] == ',') ++i;
        } else {
            valueStart = i;
            while (value[i] && value[i] != ',') ++i;
            valueEnd = i;
            if (value[i]) ++i;
        }
        InlineString20* target = nullptr;
        if (equalsNoCase(name.data(), "REALM")) target = &state.digestRealm;
        if (equalsNoCase(name.data(), "QOP")) target = &state.digestQop;
        if (equalsNoCase(name.data(), "ALGORITHM")) target = &state.digestAlgorithm;
        if (equalsNoCase(name.data(), "NONCE")) target = &state.digestNonce;
        if (equalsNoCase(name.data(), "OPAQUE")) target = &state.digestOpaque;
        if (target) result = target->assign(valueEnd - valueStart, value + valueStart);
    }
    if (result) return result;
    if (findText(state.digestQop.data(), "auth-int")) {
        result = state.digestQop.assignCString("auth-int");
    } else if (findText(state.digestQop.data(), "auth")) {
        result = state.digestQop.assignCString("auth");
    }
    if (result) return result;
    state.digestCnonce.reset();
    if (!state.digestQop.empty()) {
        const std::uint32_t nonce = nonceSource();
        const unsigned char bytes[4] = {static_cast<unsigned char>(nonce), static_cast<unsigned char>(nonce >> 8),
                                        static_cast<unsigned char>(nonce >> 16), static_cast<unsigned char>(nonce >> 24)};
        result = hexEncode(state.digestCnonce, bytes, 4);
    }
    state.digestNonceCount = 0;
    return result;
}

int computeDigestResponse(const DigestState& state, const DigestRequest& request, InlineString20& out) {
    InlineString99 a1;
    int result = kOk;
    const bool md5 = equalsNoCase(state.digestAlgorithm.data(), "MD5");
    const bool md5Sess = equalsNoCase(state.digestAlgorithm.data(), "MD5-sess");
    if (md5 || md5Sess) {
        result = a1.append(request.user.data(), static_cast<std::size_t>(request.user.length()));
        if (!result) result = a1.appendChar(':');
        if (!result) result = a1.appendCString(state.digestRealm.data());
        if (!result) result = a1.appendChar(':');
        if (!result) result = a1.append(request.password.data(), static_cast<std::size_t>(request.password.length()));
        if (!result && md5Sess) {
            InlineString99 session;
            result = md5Hex(a1.data(), static_cast<std::size_t>(a1.length()), session);
            if (!result) result = session.appendChar(':');
            if (!result) result = session.appendCString(state.digestNonce.data());
            if (!result) result = session.appendChar(':');
            if (!result) result = session.appendCString(state.digestCnonce.data());
            if (!result) a1 = static_cast<InlineString99&&>(session);
        }
    }
    InlineString99 a2;
    if (!result) result = a2.appendCString(request.method.data());
    if (!result) result = a2.appendChar(':');
    if (!result) result = a2.append(request.uri.data(), static_cast<std::size_t>(request.uri.length()));
    if (!result && equalsNoCase(state.digestQop.data(), "auth-int")) {
        result = a2.appendChar(':');
        if (!result) result = md5Hex(request.body.data(), static_cast<std::size_t>(request.body.length()), a2);
    }
    InlineString99 middle;
    if (!result) result = middle.appendCString(state.digestNonce.data());
    if (!result) result = middle.appendChar(':');
    if (!result && !state.digestQop.empty()) {
        char count[16];
        std::snprintf(count, sizeof count, "%08x", static_cast<unsigned>(state.digestNonceCount));
        result = middle.appendCString(count);
        if (!result) result = middle.appendChar(':');
        if (!result) result = middle.appendCString(state.digestCnonce.data());
        if (!result) result = middle.appendChar(':');
        if (!result) result = middle.appendCString(state.digestQop.data());
        if (!result) result = middle.appendChar(':');
    }
    if (!result) result = md5Hex(a2.data(), static_cast<std::size_t>(a2.length()), middle);
    InlineString99 ha1;
    if (!result) result = md5Hex(a1.data(), static_cast<std::size_t>(a1.length()), ha1);
    out.reset();
    if (!result) {
        result = md5HexPair(ha1.data(), static_cast<std::size_t>(ha1.length()), middle.data(),
                            static_cast<std::size_t>(middle.length()), out);
    }
    return result;
}

int buildDigestAuthorization(DigestState& state, const DigestRequest& request, InlineString20& out,
                             InlineString99& error) {
    out.reset();
    if (state.digestNonce.empty() || request.user.empty()) return kOk;
    int result = out.appendCString("Digest ");
    if (!result) result = appendQuotedField(out, "username=", request.user.data());
    if (!result) result = appendQuotedField(out, ", realm=", state.digestRealm.data());
    if (!result) result = appendQuotedField(out, ", nonce=", state.digestNonce.data());
    if (!result) result = appendQuotedField(out, ", uri=", request.uri.data());
    if (!result) result = appendQuotedField(out, ", algorithm=", state.digestAlgorithm.data());
    if (result) return result;
    if (!state.digestQop.empty()) {
        if (!state.digestQop.equals("auth-int") && !state.digestQop.equals("auth")) {
            out.reset();
            error.assignCString("Digest authentication error: unknown qop value.");
            return 151;
        }
        ++state.digestNonceCount;
        char count[16];
        std::snprintf(count, sizeof count, "%08x", static_cast<unsigned>(state.digestNonceCount));
        result = appendQuotedField(out, ", qop=", state.digestQop.data());
        if (!result) result = appendQuotedField(out, ", nc=", count);
        if (!result) result = appendQuotedField(out, ", cnonce=", state.digestCnonce.data());
    }
    InlineString20 response;
    if (!result) result = computeDigestResponse(state, request, response);
    if (!result) result = appendQuotedField(out, ", response=", response.data());
    if (!result && !state.digestOpaque.empty()) result = appendQuotedField(out, ", opaque=", state.digestOpaque.data());
    return result;
}

int parseSetCookie(const char* header, SetCookie& cookie) {
    if (!header) header = "";
    const char* p = header;
    const char* eq = std::strchr(p, '=');
    const char* nameEnd = eq ? eq : p + std::strlen(p);
    int result = cookie.name.assign(static_cast<std::size_t>(nameEnd - p), p);
    p = eq ? eq + 1 : nameEnd;
    const char* semi = std::strchr(p, ';');
    const char* valueEnd = semi ? semi : p + std::strlen(p);
    if (!result) result = cookie.value.assign(static_cast<std::size_t>(valueEnd - p), p);
    p = semi ? semi + 1 : valueEnd;
    while (*p == ' ' || *p == '\t') ++p;
    while (!result && *p) {
        const char* attrEq = std::strchr(p, '=');
        const char* attrNameEnd = attrEq ? attrEq : p + std::strlen(p);
        InlineString99 name;
        result = name.assign(static_cast<std::size_t>(attrNameEnd - p), p);
        const char* v = attrEq ? attrEq + 1 : attrNameEnd;
        const char* attrSemi = std::strchr(v, ';');
        const char* attrValueEnd = attrSemi ? attrSemi : v + std::strlen(v);
        if (result) break;
        if (equalsNoCase(name.data(), "EXPIRES")) result = cookie.expires.assign(static_cast<std::size_t>(attrValueEnd - v), v);
        if (equalsNoCase(name.data(), "DOMAIN")) result = cookie.domain.assign(static_cast<std::size_t>(attrValueEnd - v), v);
        if (equalsNoCase(name.data(), "PATH")) result = cookie.path.assign(static_cast<std::size_t>(attrValueEnd - v), v);
        if (equalsNoCase(name.data(), "SECURE")) cookie.secure = true;
        p = attrSemi ? attrSemi + 1 : attrValueEnd;
        if (*p == ' ') ++p;
    }
    return result;
}

}  // namespace PAYMENT_CORE_VARIANT
}  // namespace payment_core
