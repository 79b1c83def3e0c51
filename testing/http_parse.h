#pragma once

#include <cstddef>
#include <string_view>

#include "testing/http_server.h"

namespace fixtures::detail {

bool equalsNoCase(std::string_view a, std::string_view b);
bool containsNoCase(std::string_view haystack, std::string_view needle);

enum class ParseState { Incomplete, HeadOnly, Complete };

// Splits one request off the front of buf. HeadOnly: the head is complete and filled into
// request, the body is not. Complete: request is filled and length is its size in buf.
ParseState parseRequest(std::string_view buf, HttpRequest& request, std::size_t& length);

}  // namespace fixtures::detail
