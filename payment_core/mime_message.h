#pragma once
// A MIME message built from parts and encoded, or read back into parts, in memory or through
// files; the multipart/form-data form post is its user.

#include "payment_core/core_component.h"
#include "payment_core/pointer_list.h"

namespace payment_core {
inline namespace PAYMENT_CORE_VARIANT {

constexpr int kInvalidPartIndex = 280;
constexpr int kMimeUnknownVersion = 281;
constexpr int kMimeNoBoundary = 282;
constexpr int kMimeBusy = 284;

// The text fields of a part that the part accessors reach by name.
enum class MimePartField {
    ContentType,
    ContentTypeAttributes,
    ContentId,
    ContentDisposition,
    ContentDispositionAttributes,
    Name,
    FileName,
    DataFile,
    Headers,
    Encoding,
};

class MimeStream;

class MimeMessage : public CoreComponent {
public:
    explicit MimeMessage(const char* boundaryBase = "--boundary");
    ~MimeMessage() override;

    int config(ConfigRequest& request, const char** answer) override;

    // 1 decodes the file named by `message`, 2 (and 0 while idle) the text in `message`, 3
    // encodes into the file named by `message`, 4 into `message`, 5 resets.
    int process(int action);
    // Called as the parts are coded, in percent, and with 100 when the coding is done. Meanwhile
    // the message refuses further actions and part resizing with 284.
    virtual void onProgress(int percent);

    int setPartCount(int n);
    int partCount() const { return parts.count(); }
    int setPartData(int i, const void* bytes, int length);
    // The transfer encoding by its table text ("7bit", "base64"...); rebuilds the part's headers.
    int setPartEncoding(int i, const char* text);
    int setPartContentType(int i, const char* text);
    // Replaces the part's header text whole.
    int setPartHeaders(int i, const char* text);
    const MimePart* part(int i) const { return parts.get(i); }
    // Setting a field other than the header text or the data file rebuilds the header text.
    int setPartField(int i, MimePartField field, const char* text);
    // The text stays valid until the part changes.
    int getPartField(int i, MimePartField field, const char** text);
    // The part's bytes, read from its data file when it has one.
    int getPartData(int i, InlineString99& out);

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
    int encodeToFile();
    int decode(MimeStream& source);
    int decodeMessage(const char* p, const char* end);
    int decodePart(MimePart& part, const char* p, const char* end);
    int storePartData(MimePart& part, InlineString99& bytes);
    int coderFailure(int code);

    unsigned boundariesMade_ = 0;
    unsigned tempFilesMade_ = 0;
};

}  // namespace PAYMENT_CORE_VARIANT
}  // namespace payment_core
