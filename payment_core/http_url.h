#pragma once
// URL splitting for the HTTP client: the scheme, host, path and port passed in are the
// defaults, and a relative text resolves against the path passed in.

#include "payment_core/inline_string.h"

namespace payment_core {
inline namespace PAYMENT_CORE_VARIANT {

// A port that is not a number from 1 to 65535.
constexpr int kHttpBadUrl = 157;
inline constexpr const char* kHttpBadUrlText = "Invalid port number in URL.";

int splitUrl(const char* url, InlineString20& scheme, InlineString20& host, InlineString99& path, int& port,
             InlineString20& user, InlineString20& password);

}  // namespace PAYMENT_CORE_VARIANT
}  // namespace payment_core
