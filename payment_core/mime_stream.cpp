#include "payment_core/mime_stream.h"

#include <cstring>

#include "win32/files.h"

namespace payment_core {
inline namespace PAYMENT_CORE_VARIANT {

namespace {

constexpr int kMinBlock = 1024;
constexpr int kMaxBlock = 512 * 1024;
constexpr int kLeastBlock = 2048;
constexpr std::size_t kMaxNameLength = 1024;

constexpr const char* kCoderTexts[] = {
    "Short uuencoded file",
    "The closing `end' was not found",
    "Can't create the file for write (illegal name ?)",
    "Can't open the file for read (doesn't exist?)",
    "Can't read from file",
    "Can't write to file",
    "Please supply a filename for uuencoded data",
    "File exists and `Overwrite' was set to `False'",
    "There's not enough space in output string",
    "The given filenames are insuficent to split all the encoded data",
    "Please supply a filename for the encoded data",
    "Encoded data is required to be written in more than 100 files.",
    "Couldn't write to file. Permission denied.",
    "Couldn't write to file. Media is full!",
    "Too many open files. No more file handles are available; so no more files can be opened.",
    "The given filename doesn't exist",
    "There are no more files where to read from or write to",
    "The starting `begin' was not found. Is this uuencoded data?",
    "Output buffer length was not calculated.",
    "Format does not support decoding.",
    "Format error when YDecoding.",
    "No '=yend' found when YDecoding.",
    "Escape character found at end of line.",
    "CRC check failed when YDecoding (Corrupt data).",
};

int writeFailure(DWORD error, int fallback) {
    switch (error) {
    case ERROR_ACCESS_DENIED: return kCoderPermissionDenied;
    case ERROR_DISK_FULL: return kCoderMediaFull;
    case ERROR_TOO_MANY_OPEN_FILES: return kCoderTooManyFiles;
    default: return fallback;
    }
}

}  // namespace

const char* mimeCoderErrorText(int code) {
    const int count = static_cast<int>(sizeof kCoderTexts / sizeof kCoderTexts[0]);
    return code >= 1 && code <= count ? kCoderTexts[code - 1] : "";
}

int MemoryStream::readAll(InlineString99& out) {
    const int result = out.append(bytes_, static_cast<std::size_t>(length_));
    if (!result) length_ = 0;
    return result;
}

int MemoryStream::write(const void* bytes, int length) {
    return target_->append(static_cast<const char*>(bytes), static_cast<std::size_t>(length));
}

FileStream::~FileStream() {
    if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
}

// A smaller block will do when memory is short; only below 2 KB does the stream give up.
int FileStream::makeBuffer(int wanted) {
    int size = wanted < kMinBlock ? kMinBlock : (wanted > kMaxBlock ? kMaxBlock : wanted);
    for (;;) {
        if (!buffer_.assign(static_cast<std::size_t>(size), nullptr)) return kOk;
        if (size <= kLeastBlock) return kOutOfMemory;
        size /= 2;
        if (size < kLeastBlock) size = kLeastBlock;
    }
}

int FileStream::openRead(const char* name) {
    if (!name || std::strlen(name) >= kMaxNameLength) return kCoderBadName;
    file_ = CreateFileA(name, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file_ == INVALID_HANDLE_VALUE) return kCoderOpenFailed;
    const DWORD size = GetFileSize(file_, nullptr);
    return makeBuffer(size > static_cast<DWORD>(kMaxBlock) ? kMaxBlock : static_cast<int>(size));
}

int FileStream::openWrite(const char* name, int expectedLength, bool createNew) {
    if (!name || !*name || std::strlen(name) >= kMaxNameLength) return kCoderBadName;
    file_ = CreateFileA(name, GENERIC_WRITE, 0, nullptr, createNew ? CREATE_NEW : CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                        nullptr);
    if (file_ == INVALID_HANDLE_VALUE) return writeFailure(GetLastError(), kCoderCreateFailed);
    used_ = 0;
    return makeBuffer(expectedLength);
}

int FileStream::readAll(InlineString99& out) {
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(file_, buffer_.data(), static_cast<DWORD>(buffer_.length()), &got, nullptr)) {
            return kCoderReadFailed;
        }
        if (got == 0) return kOk;
        const int result = out.append(buffer_.data(), got);
        if (result) return result;
    }
}

int FileStream::flush() {
    if (used_ == 0) return kOk;
    DWORD written = 0;
    const bool ok = WriteFile(file_, buffer_.data(), static_cast<DWORD>(used_), &written, nullptr) &&
                    written == static_cast<DWORD>(used_);
    used_ = 0;
    return ok ? kOk : writeFailure(GetLastError(), kCoderWriteFailed);
}

int FileStream::write(const void* bytes, int length) {
    const auto* p = static_cast<const char*>(bytes);
    while (length > 0) {
        const int room = buffer_.length() - used_;
        const int take = length < room ? length : room;
        std::memcpy(buffer_.data() + used_, p, static_cast<std::size_t>(take));
        used_ += take;
        p += take;
        length -= take;
        if (used_ == buffer_.length()) {
            const int result = flush();
            if (result) return result;
        }
    }
    return kOk;
}

int FileStream::close() {
    int result = kOk;
    if (file_ != INVALID_HANDLE_VALUE) {
        result = flush();
        CloseHandle(file_);
        file_ = INVALID_HANDLE_VALUE;
    }
    return result;
}

}  // namespace PAYMENT_CORE_VARIANT
}  // namespace payment_core
