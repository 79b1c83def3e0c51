#pragma once
// Basic and Digest (RFC 2617) credentials and the answer's challenge and cookie headers.

#include <cstdint>

#include "payment_core/inline_string.h"

namespace payment_core {
inline namespace PAYMENT_CORE_VARIANT {

constexpr int kAuthBasic = 0;
constexpr int kAuthDigest = 1;

struct DigestState {
    InlineString20 digestRealm;
    InlineString20 digestQop;
    InlineString20 digestAlgorithm;
    InlineString20 digestNonce;
    InlineString20 digestCnonce;
    InlineString20 digestOpaque;
    int digestNonceCount = 0;
    int digestRetries = 0;
};

// Leaves digestRetries alone.
void resetDigestState(DigestState& state);

// The client nonce's 32 bits; tests replace the random source (null restores it).
using ClientNonceSource = std::uint32_t (*)();
void setClientNonceSource(ClientNonceSource source);

// "Basic " + base64 of user ":" password, or empty when both are empty.
int buildBasicAuthorization(const InlineString20& user, const InlineString20& password, InlineString20& out);

// Reads a "WWW-Authenticate" value; only a Digest challenge changes the state.
int readChallenge(DigestState& state, const char* value);

struct DigestRequest {
    const InlineString20& user;
    const InlineString20& password;
    const InlineString20& method;
    const InlineString99& uri;
    const InlineString99& body;
};

// The Authorization value; empty while there is no nonce or no user. 151 for an unknown qop.
int buildDigestAuthorization(DigestState& state, const DigestRequest& request, InlineString20& out,
                             InlineString99& error);
int computeDigestResponse(const DigestState& state, const DigestRequest& request, InlineString20& out);

struct SetCookie {
    InlineString99 name;
    InlineString99 value;
    InlineString99 expires;
    InlineString99 domain;
    InlineString99 path;
    bool secure = false;
};

int parseSetCookie(const char* header, SetCookie& cookie);

}  // namespace PAYMENT_CORE_VARIANT
}  // namespace payment_core
