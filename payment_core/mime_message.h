#pragma once
// A MIME message built from parts and encoded in memory; the multipart/form-data form post
// is its user.

#include "payment_core/core_component.h"
#include "payment_core/pointer_list.h"

namespace payment_core {
inline namespace PAYMENT_CORE_VARIANT {

constexpr int kInvalidPartIndex = 280;

class MimeMessage : public CoreComponent {
public:
    explicit MimeMessage(const char* boundaryBase = "--boundary");
    ~MimeMessage() override;

    int config(ConfigRequest& request, const char** answer) override;

    // 4 encodes into `message`, 5 resets; the other actions do nothing here.
    int process(int action);

    int setPartCount(int n);
    int partCount() const { return parts.count(); }
    int setPartData(int i, const void* bytes, int length);
    // The transfer encoding by its table text ("7bit", "base64"...); rebuilds the part's headers.
    int setPartEncoding(int i, const char* text);
    int setPartContentType(int i, const char* text);
    // Replaces the part's header text whole.
    int setPartHeaders(int i, const char* text);
    const MimePart* part(int i) const { return parts.get(i); }

    InlineString99 boundary;
    InlineString99 boundaryBase;
    InlineString99 message;
    InlineString99 messageHeaders;
    InlineString99 contentType;
    InlineString99 contentTypeAttributes;
    InlineString99 TempFilePath;
    bool forceMultipart = false;
    bool busy = false;
    int currentPart = 0;
    PointerList parts;

private:
    MimePart* checkedPart(int i);
    int makeBoundary();
    int encodeInto(InlineString99& out);

    unsigned boundariesMade_ = 0;
};

}  // namespace PAYMENT_CORE_VARIANT
}  // namespace payment_core
