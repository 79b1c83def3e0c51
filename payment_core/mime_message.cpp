#include "payment_core/mime_message.h"

#include <cstdio>
#include <cstring>
#include <utility>
#include <vector>

#include "payment_core/mime_stream.h"
#include "payment_core/text_utils.h"
#include "win32/files.h"

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

int appendEncodedData(InlineString99& out, const MimePart& part, const InlineString99& data) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(data.data());
    switch (part.encoding) {
    case 1:
        return appendQuotedPrintable(out, bytes, data.length());
    case 2:
        return appendBase64Lines(out, bytes, data.length());
    default:
        return out.append(data.data(), static_cast<std::size_t>(data.length()));
    }
}

int readWholeFile(const char* name, InlineString99& out) {
    FileStream file;
    int result = file.openRead(name);
    if (!result) result = file.readAll(out);
    if (!result) result = file.close();
    return result;
}

// The inverse of the encoder: soft line breaks vanish, "=XX" gives its byte and a hard line
// break (which the encoder made of a line feed) becomes a line feed again.
int quotedPrintableDecode(InlineString99& text) {
    char* d = text.data();
    const int n = text.length();
    int out = 0;
    int i = 0;
    while (i < n) {
        const char c = d[i];
        if (c == '=') {
            if (i + 1 < n && d[i + 1] == '\n') {
                i += 2;
            } else if (i + 2 < n && d[i + 1] == '\r' && d[i + 2] == '\n') {
                i += 3;
            } else if (i + 2 < n && hexValue(d[i + 1], d[i + 2]) >= 0) {
                d[out++] = static_cast<char>(hexValue(d[i + 1], d[i + 2]));
                i += 3;
            } else if (i + 1 == n || (i + 2 == n && d[i + 1] == '\r')) {
                i = n;
            } else {
                d[out++] = c;
                ++i;
            }
        } else if (c == '\r' && i + 1 < n && d[i + 1] == '\n') {
            d[out++] = '\n';
            i += 2;
        } else {
            d[out++] = c;
            ++i;
        }
    }
    return text.assign(static_cast<std::size_t>(out), nullptr);
}

// Reads header lines up to the first empty line, joining folded lines; returns where the
// content after the empty line starts (the end when there is none).
const char* readHeaderBlock(const char* p, const char* end, InlineString99& out, int& result) {
    while (p < end) {
        const char* lf = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
        const char* stop = lf ? lf : end;
        const char* next = lf ? lf + 1 : end;
        if (stop > p && stop[-1] == '\r') --stop;
        if (stop == p) return next;
        if ((*p == ' ' || *p == '\t') && out.length() >= 2) out.assign(static_cast<std::size_t>(out.length() - 2), nullptr);
        result = out.append(p, static_cast<std::size_t>(stop - p));
        if (!result) result = out.append("\r\n", 2);
        if (result) return end;
        p = next;
    }
    return end;
}

// One header line: its name, its main token and the parameters after the first ";".
struct HeaderField {
    InlineString99 name;
    InlineString99 token;
    InlineString99 parameters;
};

void trimRight(const char* start, const char*& stop) {
    while (stop > start && (stop[-1] == ' ' || stop[-1] == '\t')) --stop;
}

int parseHeaderField(const char* line, const char* end, HeaderField& field) {
    const char* colon = static_cast<const char*>(std::memchr(line, ':', static_cast<std::size_t>(end - line)));
    const char* nameEnd = colon ? colon : end;
    trimRight(line, nameEnd);
    int result = field.name.assign(static_cast<std::size_t>(nameEnd - line), line);
    field.token.reset();
    field.parameters.reset();
    if (result || !colon) return result;
    const char* p = colon + 1;
    while (p < end && (*p == ' ' || *p == '\t')) ++p;
    const char* tokenStart = p;
    while (p < end && *p != ';' && static_cast<unsigned char>(*p) >= 32) ++p;
    const char* tokenEnd = p;
    trimRight(tokenStart, tokenEnd);
    result = field.token.assign(static_cast<std::size_t>(tokenEnd - tokenStart), tokenStart);
    if (result || p >= end || *p != ';') return result;
    ++p;
    while (p < end && (*p == ' ' || *p == '\t')) ++p;
    const char* paramsEnd = end;
    trimRight(p, paramsEnd);
    return field.parameters.assign(static_cast<std::size_t>(paramsEnd - p), p);
}

// Calls each(name, nameLength, value, valueLength, raw, rawLength) per parameter, in order;
// values may be quoted, and a quoted value may hold ";".
template <class Each>
void forEachParameter(const char* p, Each each) {
    while (*p) {
        while (*p == ' ' || *p == '\t' || *p == ';') ++p;
        if (!*p) return;
        const char* raw = p;
        const char* nameStart = p;
        while (*p && *p != '=' && *p != ';') ++p;
        const char* nameEnd = p;
        trimRight(nameStart, nameEnd);
        const char* valueStart = p;
        const char* valueEnd = p;
        if (*p == '=') {
            ++p;
            while (*p == ' ' || *p == '\t') ++p;
            if (*p == '"') {
                valueStart = ++p;
                while (*p && *p != '"') ++p;
                valueEnd = p;
                if (*p) ++p;
            } else {
                valueStart = p;
                while (*p && *p != ';') ++p;
                valueEnd = p;
                trimRight(valueStart, valueEnd);
            }
        }
        while (*p && *p != ';') ++p;
        const char* rawEnd = p;
        trimRight(raw, rawEnd);
        each(nameStart, static_cast<int>(nameEnd - nameStart), valueStart, static_cast<int>(valueEnd - valueStart), raw,
             static_cast<int>(rawEnd - raw));
    }
}

bool nameIs(const char* name, int length, const char* key) {
    return static_cast<std::size_t>(length) == std::strlen(key) &&
           compareTextPrefixNoCase(name, key, static_cast<std::size_t>(length)) == 0;
}

int takeParameter(const InlineString99& parameters, const char* key, InlineString99& out) {
    int result = kOk;
    forEachParameter(parameters.data(), [&](const char* name, int nameLength, const char* value, int valueLength,
                                             const char*, int) {
        if (nameIs(name, nameLength, key)) result = out.assign(static_cast<std::size_t>(valueLength), value);
    });
    return result;
}

// The parameters but the ones the part keeps in fields of their own.
int otherParameters(const InlineString99& parameters, const char* skipA, const char* skipB, InlineString99& out) {
    out.reset();
    int result = kOk;
    forEachParameter(parameters.data(), [&](const char* name, int nameLength, const char*, int, const char* raw,
                                             int rawLength) {
        if (result || nameIs(name, nameLength, skipA) || (skipB && nameIs(name, nameLength, skipB))) return;
        if (!out.empty()) result = out.append("; ", 2);
        if (!result) result = out.append(raw, static_cast<std::size_t>(rawLength));
    });
    return result;
}

int applyPartHeader(MimePart& part, const HeaderField& field) {
    const char* name = field.name.data();
    int result = kOk;
    if (equalsNoCase(name, "Content-Type")) {
        result = part.contentType.assign(static_cast<std::size_t>(field.token.length()), field.token.data());
        if (!result) result = takeParameter(field.parameters, "name", part.name);
        if (!result) result = otherParameters(field.parameters, "name", nullptr, part.contentTypeAttributes);
    } else if (equalsNoCase(name, "Content-Transfer-Encoding")) {
        part.encoding = encodingIndex(field.token.data());
    } else if (equalsNoCase(name, "Content-Disposition")) {
        result = part.contentDisposition.assign(static_cast<std::size_t>(field.token.length()), field.token.data());
        if (!result) result = takeParameter(field.parameters, "name", part.name);
        if (!result) result = takeParameter(field.parameters, "filename", part.fileName);
        if (!result) result = otherParameters(field.parameters, "name", "filename", part.contentDispositionAttributes);
    } else if (equalsNoCase(name, "Content-Id")) {
        result = part.contentId.assign(static_cast<std::size_t>(field.token.length()), field.token.data());
    }
    return result;
}

// Calls each(line, lineEnd) for the lines of a header text.
template <class Each>
int forEachLine(const InlineString99& text, Each each) {
    const char* p = text.data();
    const char* end = p + text.length();
    while (p < end) {
        const char* lf = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
        const char* stop = lf ? lf : end;
        const char* lineEnd = stop > p && stop[-1] == '\r' ? stop - 1 : stop;
        if (lineEnd > p) {
            const int result = each(p, lineEnd);
            if (result) return result;
        }
        p = lf ? lf + 1 : end;
    }
    return kOk;
}

// The next line at or after p that starts with the delimiter, or null.
const char* findDelimiter(const char* p, const char* end, const InlineString99& delimiter) {
    const std::size_t n = static_cast<std::size_t>(delimiter.length());
    while (p < end) {
        if (static_cast<std::size_t>(end - p) >= n && std::memcmp(p, delimiter.data(), n) == 0) return p;
        const char* lf = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
        if (!lf) return nullptr;
        p = lf + 1;
    }
    return nullptr;
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

void MimeMessage::onProgress(int) {}

int MimeMessage::coderFailure(int code) {
    setLastError(code == kOutOfMemory ? kOutOfMemoryText : mimeCoderErrorText(code));
    return code;
}

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
    // The coder walks the part list while it reports progress.
    if (busy) return kMimeBusy;
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
        InlineString99 loaded;
        if (!part->dataFile.empty()) {
            result = readWholeFile(part->dataFile.data(), loaded);
            if (result) return coderFailure(result);
        }
        if (multipart) {
            if (i > 0) result = out.append("\r\n", 2);
            if (!result) result = out.append("--", 2);
            if (!result) result = out.append(boundary.data(), static_cast<std::size_t>(boundary.length()));
            if (!result) result = out.append("\r\n", 2);
            if (!result) result = out.append(part->headers.data(), static_cast<std::size_t>(part->headers.length()));
            if (!result) result = out.append("\r\n", 2);
        }
        if (!result) result = appendEncodedData(out, *part, part->dataFile.empty() ? part->data : loaded);
        if (!result) onProgress((i + 1) * 100 / count);
    }
    if (!result && multipart) {
        result = out.append("\r\n--", 4);
        if (!result) result = out.append(boundary.data(), static_cast<std::size_t>(boundary.length()));
        if (!result) result = out.append("--\r\n", 4);
    }
    if (result == kOutOfMemory) setLastError(kOutOfMemoryText);
    return result;
}

int MimeMessage::encodeToFile() {
    InlineString99 body;
    int result = encodeInto(body);
    if (result || parts.count() == 0) return result;
    FileStream file;
    result = file.openWrite(message.data(), body.length());
    if (!result) result = file.write(body.data(), body.length());
    const int closed = file.close();
    if (!result) result = closed;
    if (result) return coderFailure(result);
    onProgress(100);
    return kOk;
}

int MimeMessage::storePartData(MimePart& part, InlineString99& bytes) {
    part.size = bytes.length();
    if (TempFilePath.empty()) {
        part.data = static_cast<InlineString99&&>(bytes);
        return kOk;
    }
    // Decoded bytes go to a file of their own under TempFilePath, removed with the part.
    for (int attempt = 0;; ++attempt) {
        char name[64];
        std::snprintf(name, sizeof name, "/nvq%08lx%04x.tmp", static_cast<unsigned long>(GetTickCount()),
                      ++tempFilesMade_ & 0xFFFF);
        InlineString99 path;
        int result = path.assign(static_cast<std::size_t>(TempFilePath.length()), TempFilePath.data());
        if (!result) result = path.appendCString(name);
        if (result) return coderFailure(result);
        FileStream file;
        result = file.openWrite(path.data(), bytes.length(), true);
        if (result == kCoderCreateFailed && attempt < 100) continue;
        if (!result) result = file.write(bytes.data(), bytes.length());
        const int closed = file.close();
        if (!result) result = closed;
        if (result) {
            DeleteFileA(path.data());
            return coderFailure(result);
        }
        part.dataFile = static_cast<InlineString99&&>(path);
        part.ownsDataFile = true;
        part.data.reset();
        return kOk;
    }
}

int MimeMessage::decodePart(MimePart& part, const char* p, const char* end) {
    part.encoding = 0;
    int result = kOk;
    const char* content = readHeaderBlock(p, end, part.headers, result);
    if (!result) {
        result = forEachLine(part.headers, [&part](const char* line, const char* lineEnd) {
            HeaderField field;
            int r = parseHeaderField(line, lineEnd, field);
            if (!r) r = applyPartHeader(part, field);
            return r;
        });
    }
    InlineString99 bytes;
    if (!result) result = bytes.assign(static_cast<std::size_t>(end - content), content);
    if (!result && part.encoding == 1) result = quotedPrintableDecode(bytes);
    if (!result && part.encoding == 2) result = base64Decode(bytes);
    if (result) return coderFailure(result);
    return storePartData(part, bytes);
}

int MimeMessage::decodeMessage(const char* p, const char* end) {
    parts.clear();
    boundary.reset();
    contentType.reset();
    contentTypeAttributes.reset();
    int result = kOk;
    const char* body = messageHeaders.empty() ? readHeaderBlock(p, end, messageHeaders, result) : p;
    bool badVersion = false;
    InlineString99 partHeaders;
    if (!result) {
        result = forEachLine(messageHeaders, [&](const char* line, const char* lineEnd) {
            HeaderField field;
            int r = parseHeaderField(line, lineEnd, field);
            if (r) return r;
            if (equalsNoCase(field.name.data(), "MIME-Version")) {
                // The version may carry a comment, as the encoder's own does.
                const char* v = field.token.data();
                badVersion = compareTextPrefix(v, "1.0", 3) != 0 || (v[3] && v[3] != ' ' && v[3] != '(');
                return kOk;
            }
            if (equalsNoCase(field.name.data(), "Content-Type")) {
                r = contentType.assign(static_cast<std::size_t>(field.token.length()), field.token.data());
                if (!r) r = contentTypeAttributes.assign(static_cast<std::size_t>(field.parameters.length()),
                                                         field.parameters.data());
                if (!r) r = takeParameter(field.parameters, "boundary", boundary);
            }
            if (!r) r = partHeaders.append(line, static_cast<std::size_t>(lineEnd - line));
            if (!r) r = partHeaders.append("\r\n", 2);
            return r;
        });
    }
    if (result) return coderFailure(result);
    if (badVersion) {
        setLastError("Unknown MIME type");
        return kMimeUnknownVersion;
    }
    const bool multipart = compareTextPrefixNoCase(contentType.data(), "multipart/", 10) == 0;
    if (!multipart) {
        // The message's own headers describe its single part.
        InlineString99 whole;
        result = whole.append(partHeaders.data(), static_cast<std::size_t>(partHeaders.length()));
        if (!result) result = whole.append("\r\n", 2);
        if (!result) result = whole.append(body, static_cast<std::size_t>(end - body));
        if (!result) result = parts.resize(1);
        if (result) return coderFailure(result);
        result = decodePart(*parts.get(0), whole.data(), whole.data() + whole.length());
        if (!result) onProgress(100);
        return result;
    }
    if (boundary.empty()) {
        setLastError("No MIME-boundary found");
        return kMimeNoBoundary;
    }
    InlineString99 delimiter;
    result = delimiter.append("--", 2);
    if (!result) result = delimiter.append(boundary.data(), static_cast<std::size_t>(boundary.length()));
    if (result) return coderFailure(result);
    std::vector<std::pair<const char*, const char*>> ranges;
    for (const char* d = findDelimiter(body, end, delimiter); d;) {
        const char* after = d + delimiter.length();
        if (end - after >= 2 && after[0] == '-' && after[1] == '-') break;
        const char* lf = static_cast<const char*>(std::memchr(after, '\n', static_cast<std::size_t>(end - after)));
        const char* start = lf ? lf + 1 : end;
        const char* next = findDelimiter(start, end, delimiter);
        const char* stop = next ? next : end;
        // The line break before a delimiter belongs to the delimiter.
        if (next && stop > start && stop[-1] == '\n') --stop;
        if (next && stop > start && stop[-1] == '\r') --stop;
        ranges.emplace_back(start, stop);
        d = next;
    }
    const int count = static_cast<int>(ranges.size());
    result = parts.resize(count);
    if (result) return coderFailure(result);
    for (int i = 0; i < count && !result; ++i) {
        result = decodePart(*parts.get(i), ranges[static_cast<std::size_t>(i)].first,
                            ranges[static_cast<std::size_t>(i)].second);
        if (!result) onProgress((i + 1) * 100 / count);
    }
    if (!result) onProgress(100);
    return result;
}

int MimeMessage::decode(MimeStream& source) {
    InlineString99 text;
    int result = source.readAll(text);
    const int closed = source.close();
    if (!result) result = closed;
    if (result) return coderFailure(result);
    return decodeMessage(text.data(), text.data() + text.length());
}

int MimeMessage::setPartField(int i, MimePartField field, const char* text) {
    MimePart* part = checkedPart(i);
    if (!part) return kInvalidPartIndex;
    if (!text) text = "";
    switch (field) {
    case MimePartField::Encoding:
        return setPartEncoding(i, text);
    case MimePartField::Headers:
        return part->headers.assignCString(text);
    case MimePartField::DataFile:
        if (part->ownsDataFile) DeleteFileA(part->dataFile.data());
        part->ownsDataFile = false;
        return part->dataFile.assignCString(text);
    default:
        break;
    }
    InlineString99* target = nullptr;
    switch (field) {
    case MimePartField::ContentType: target = &part->contentType; break;
    case MimePartField::ContentTypeAttributes: target = &part->contentTypeAttributes; break;
    case MimePartField::ContentId: target = &part->contentId; break;
    case MimePartField::ContentDisposition: target = &part->contentDisposition; break;
    case MimePartField::ContentDispositionAttributes: target = &part->contentDispositionAttributes; break;
    case MimePartField::Name: target = &part->name; break;
    default: target = &part->fileName; break;
    }
    const int result = target->assignCString(text);
    return result ? result : rebuildHeaders(*part);
}

int MimeMessage::getPartField(int i, MimePartField field, const char** text) {
    MimePart* part = checkedPart(i);
    if (!part) return kInvalidPartIndex;
    const char* value = "";
    switch (field) {
    case MimePartField::ContentType: value = part->contentType.data(); break;
    case MimePartField::ContentTypeAttributes: value = part->contentTypeAttributes.data(); break;
    case MimePartField::ContentId: value = part->contentId.data(); break;
    case MimePartField::ContentDisposition: value = part->contentDisposition.data(); break;
    case MimePartField::ContentDispositionAttributes: value = part->contentDispositionAttributes.data(); break;
    case MimePartField::Name: value = part->name.data(); break;
    case MimePartField::FileName: value = part->fileName.data(); break;
    case MimePartField::DataFile: value = part->dataFile.data(); break;
    case MimePartField::Headers: value = part->headers.data(); break;
    case MimePartField::Encoding:
        value = part->encoding >= 0 && part->encoding < kEncodingCount ? kEncodings[part->encoding] : "";
        break;
    }
    if (text) *text = value;
    return kOk;
}

int MimeMessage::getPartData(int i, InlineString99& out) {
    MimePart* part = checkedPart(i);
    if (!part) return kInvalidPartIndex;
    out.reset();
    if (part->dataFile.empty()) return out.assign(static_cast<std::size_t>(part->data.length()), part->data.data());
    const int result = readWholeFile(part->dataFile.data(), out);
    return result ? coderFailure(result) : kOk;
}

int MimeMessage::process(int action) {
    if (action >= 0 && action <= 5 && busy) return kMimeBusy;
    int result = kOk;
    switch (action) {
    case 0:
    case 2: {
        lastError.reset();
        busy = true;
        MemoryStream source(message.data(), message.length());
        result = decode(source);
        busy = false;
        return result;
    }
    case 1: {
        lastError.reset();
        busy = true;
        FileStream source;
        result = source.openRead(message.data());
        result = result ? coderFailure(result) : decode(source);
        busy = false;
        return result;
    }
    case 3:
        lastError.reset();
        busy = true;
        result = encodeToFile();
        busy = false;
        return result;
    case 4: {
        lastError.reset();
        InlineString99 body;
        busy = true;
        result = encodeInto(body);
        if (!result) message = static_cast<InlineString99&&>(body);
        if (!result && parts.count() > 0) onProgress(100);
        busy = false;
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
