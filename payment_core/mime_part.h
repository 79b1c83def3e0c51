#pragma once
// One part of a MIME message; the message's part list owns these records.

#include "payment_core/inline_string.h"

namespace payment_core {
inline namespace PAYMENT_CORE_VARIANT {

struct MimePart {
    int encoding = 0;
    int size = 0;
    InlineString99 contentType;
    InlineString99 contentTypeAttributes;
    InlineString99 contentId;
    InlineString99 contentDisposition;
    InlineString99 contentDispositionAttributes;
    InlineString99 name;
    InlineString99 fileName;
    InlineString99 data;
    InlineString99 dataFile;
    InlineString99 headers;
    // The data file is a temporary one of the decoder's, removed with the part.
    bool ownsDataFile = false;
};

}  // namespace PAYMENT_CORE_VARIANT
}  // namespace payment_core
