#include "payment_core/mime_message.h"

#include <cstdio>
#include <cstring>

#include "payment_core/text_utils.h"

namespace payment_core {
inline namespace PAYMENT_CORE_VARIANT {

namespace {

// Each text carries its line end, so a header line is complete once the text is written.
constexpr const char* kEncodings[] = {"7bit\r\n", "quoted-printable\r\n", "base64\r\n", "8bit\r\n", "binary\r\n",
                                      "unknown\r\n"};
constexpr int kEncodingCount = 6;
// A fresh part has no encoding yet, so setting its data may choose one.
constexpr int kEncodingUnset = -1;

int encodingIndex(const char* text) {
    for (int i = 0; i < kEncodingCount; ++i) {
        const std::size_t n = std::strlen(kEncodings[i]) - 2;
        if (compareTextPrefixNoCase(text, kEncodings[i], n) == 0) return i;
    }
    return kEncodingCount;
}

int rebuildHeaders(MimePart& part) {
    InlineString99& h = part.headers;
    h.reset();
    int result = kOk;
    if (!part.contentType.empty()) {
        result = h.appendCString("Content-Type: ");
        if (!result) result = h.appendCString(part.contentType.data());
        if (!result && !part.name.empty()) result = h.appendCString("; name=");
        if (!result && !part.name.empty()) result = h.appendQuoted(part.name.data());
        if (!result && !part.contentTypeAttributes.empty()) result = h.appendCString("; ");
        if (!result && !part.contentTypeAttributes.empty()) result = h.appendCString(part.contentTypeAttributes.data());
        if (!result) result = h.appendCString("\r\n");
    }
    if (!result && !part.contentId.empty()) {
        result = h.appendCString("Content-Id: ");
        if (!result) result = h.appendCString(part.contentId.data());
        if (!result) result = h.appendCString("\r\n");
    }
    if (!result && !part.contentDisposition.empty()) {
        result = h.appendCString("Content-Disposition: ");
        if (!result) result = h.appendCString(part.contentDisposition.data());
        if (!result && !part.name.empty()) result = h.appendCString("; name=");
        if (!result && !part.name.empty()) result = h.appendQuoted(part.name.data());
        if (!result && !part.fileName.empty()) result = h.appendCString("; filename=");
        if (!result && !part.fileName.empty()) result = h.appendQuoted(part.fileName.data());
        if (!result && !part.contentDispositionAttributes.empty()) result = h.appendCString("; ");
        if (!result && !part.contentDispositionAttributes.empty()) {
            result = h.appendCString(part.contentDispositionAttributes.data());
        }
        if (!result) result = h.appendCString("\r\n");
    }
    const int encoding = part.encoding >= 0 && part.encoding < kEncodingCount ? part.encoding : 0;
    if (!result) result = h.appendCString("Content-Transfer-Encoding: ");
    if (!result) result = h.appendCString(kEncodings[encoding]);
    return result;
}

constexpr char kUpperHex[] = "0123456789ABCDEF";

int appendEscaped(InlineString99& out, unsigned char c) {
    const char escaped[3] = {'=', kUpperHex[c >> 4], kUpperHex[c & 15]};
    return out.append(escaped, 3);
}

int appendQuotedPrintable(InlineString99& out, const unsigned char* p, int n) {
    int lineLength = 0;
    int result = kOk;
    for (int i = 0; i < n && !result; ++i) {
        const unsigned char c = p[i];
        if (c == '\n') {
            result = out.append("\r\n", 2);
            lineLength = 0;
            continue;
        }
        const bool lastOfLine = i + 1 == n || p[i + 1] == '\n';
        const bool plain = (c >= '!' && c <= '<') || (c >= '>' && c <= '~') || ((c == ' ' || c == '\t') && !lastOfLine);
        const int width = plain ? 1 : 3;
        if (lineLength >= 75 || (!plain && lineLength > 72)) {
            result = out.append("=\r\n", 3);
            lineLength = 0;
            if (result) break;
        }
        result = plain ? out.appendChar(static_cast<char>(c)) : appendEscaped(out, c);
        lineLength += width;
    }
    return result;
}

int appendBase64Lines(InlineString99& out, const unsigned char* p, int n) {
    int result = kOk;
    for (int i = 0; i < n && !result; i += 54) {
        const int take = n - i < 54 ? n - i : 54;
        result = base64Encode(out, p + i, static_cast<std::size_t>(take), false);
        if (!result) result = out.append("\r\n", 2);
    }
    return result;
}

int appendEncodedData(InlineString99& out, const MimePart& part) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(part.data.data());
    switch (part.encoding) {
    case 1:
        return appendQuotedPrintable(out, bytes, part.data.length());
    case 2:
        return appendBase64Lines(out, bytes, part.data.length());
    default:
        return out.append(part.data.data(), static_cast<std::size_t>(part.data.length()));
    }
}

bool occursInAnyPart(const PointerList& parts, const InlineString99& boundary) {
    for (int i = 0; i < parts.count(); ++i) {
        const MimePart* part = parts.get(i);
        if (part->data.find(boundary.data()) >= 0 || part->headers.find(boundary.data()) >= 0) return true;
    }
    return false;
}

}  // namespace

MimeMessage::MimeMessage(const char* boundaryBase) { this->boundaryBase.assignCString(boundaryBase); }

MimeMessage::~MimeMessage() { parts.clear(); }

int MimeMessage::config(ConfigRequest& request, const char** answer) {
    if (request.nameIs("TempFilePath")) {
        if (request.isQuery) return answerText(answer, TempFilePath.data());
        return TempFilePath.assign(static_cast<std::size_t>(request.value.length()), request.value.data());
    }
    return CoreComponent::config(request, answer);
}

MimePart* MimeMessage::checkedPart(int i) {
    MimePart* part = parts.get(i);
    if (!part) setLastError("Invalid PartIdx");
    return part;
}

int MimeMessage::setPartCount(int n) {
    const int old = parts.count();
    const int result = parts.resize(n);
    if (result) return result;
    for (int i = old; i < parts.count(); ++i) parts.get(i)->encoding = kEncodingUnset;
    return kOk;
}

int MimeMessage::setPartData(int i, const void* bytes, int length) {
    MimePart* part = checkedPart(i);
    if (!part) return kInvalidPartIndex;
    int result = part->data.assign(static_cast<std::size_t>(length), bytes);
    if (result) return result;
    part->size = length;
    if (part->contentType.empty() && part->encoding == kEncodingUnset) {
        const auto* p = static_cast<const unsigned char*>(bytes);
        bool text = true;
        bool del = false;
        for (int k = 0; k < length; ++k) {
            const unsigned char c = p[k];
            if (c == 127) del = true;
            if (!(c == '\t' || c == '\n' || c == '\r' || (c >= 32 && c <= 127))) text = false;
        }
        result = part->contentType.assignCString(text ? "text/plain" : "application/octet-stream");
        part->encoding = text ? (del ? 1 : 0) : 2;
        if (!result) result = rebuildHeaders(*part);
    }
    return result;
}

int MimeMessage::setPartEncoding(int i, const char* text) {
    MimePart* part = checkedPart(i);
    if (!part) return kInvalidPartIndex;
    part->encoding = encodingIndex(text ? text : "");
    return rebuildHeaders(*part);
}

int MimeMessage::setPartContentType(int i, const char* text) {
    MimePart* part = checkedPart(i);
    if (!part) return kInvalidPartIndex;
    const int result = part->contentType.assignCString(text);
    return result ? result : rebuildHeaders(*part);
}

int MimeMessage::setPartHeaders(int i, const char* text) {
    MimePart* part = checkedPart(i);
    if (!part) return kInvalidPartIndex;
    return part->headers.assignCString(text);
}

int MimeMessage::makeBoundary() {
    SYSTEMTIME now;
    GetSystemTime(&now);
    // A boundary met inside the content would cut the message there, so a fresh one is made.
    for (;;) {
        const unsigned long mix = static_cast<unsigned long>(GetTickCount()) + ++boundariesMade_;
        char text[96];
        std::snprintf(text, sizeof text, ".nvq.%04d%02d%d%d%d%d%d.%lu", now.wYear, now.wMonth, now.wDayOfWeek, now.wDay,
                      now.wHour, now.wMinute, now.wSecond, mix);
        int result = boundary.assign(static_cast<std::size_t>(boundaryBase.length()), boundaryBase.data());
        if (!result) result = boundary.appendCString(text);
        if (result || !occursInAnyPart(parts, boundary)) return result;
    }
}

int MimeMessage::encodeInto(InlineString99& out) {
    out.reset();
    const int count = parts.count();
    if (count == 0) return kOk;
    int result = boundary.empty() ? makeBoundary() : kOk;
    if (!result) result = messageHeaders.assignCString("MIME-Version: 1.0 (produced by the Netrivo! MIME Component)\r\n");
    const bool multipart = count > 1 || forceMultipart;
    if (!result && multipart) {
        if (contentType.empty()) result = contentType.assignCString("multipart/mixed");
        if (!result) result = contentTypeAttributes.assignCString("boundary=");
        if (!result) result = contentTypeAttributes.appendQuoted(boundary.data());
        if (!result) result = messageHeaders.appendCString("Content-Type: ");
        if (!result) result = messageHeaders.appendCString(contentType.data());
        if (!result) result = messageHeaders.appendCString("; ");
        if (!result) result = messageHeaders.appendCString(contentTypeAttributes.data());
        if (!result) result = messageHeaders.appendCString("\r\n");
    } else if (!result) {
        const MimePart* only = parts.get(0);
        result = contentType.assign(static_cast<std::size_t>(only->contentType.length()), only->contentType.data());
        if (!result) {
            result = contentTypeAttributes.assign(static_cast<std::size_t>(only->contentTypeAttributes.length()),
                                                  only->contentTypeAttributes.data());
        }
        if (!result) result = messageHeaders.append(only->headers.data(), static_cast<std::size_t>(only->headers.length()));
    }
    for (int i = 0; i < count && !result; ++i) {
        const MimePart* part = parts.get(i);
        if (multipart) {
            if (i > 0) result = out.append("\r\n", 2);
            if (!result) result = out.append("--", 2);
            if (!result) result = out.append(boundary.data(), static_cast<std::size_t>(boundary.length()));
            if (!result) result = out.append("\r\n", 2);
            if (!result) result = out.append(part->headers.data(), static_cast<std::size_t>(part->headers.length()));
            if (!result) result = out.append("\r\n", 2);
        }
        if (!result) result = appendEncodedData(out, *part);
    }
    if (!result && multipart) {
        result = out.append("\r\n--", 4);
        if (!result) result = out.append(boundary.data(), static_cast<std::size_t>(boundary.length()));
        if (!result) result = out.append("--\r\n", 4);
    }
    return result;
}

int MimeMessage::process(int action) {
    switch (action) {
    case 4: {
        InlineString99 body;
        busy = true;
        int result = encodeInto(body);
        busy = false;
        if (!result) message = static_cast<InlineString99&&>(body);
        return result;
    }
    case 5:
        boundary.reset();
        contentType.reset();
        contentTypeAttributes.reset();
        message.reset();
        messageHeaders.reset();
        parts.clear();
        return kOk;
    default:
        return kOk;
    }
}

}  // namespace PAYMENT_CORE_VARIANT
}  // namespace payment_core
