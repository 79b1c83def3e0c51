#pragma once
// Where the MIME coder reads a message from and writes one to: a byte range in memory or a
// file. Failures are the coder's error codes (mimeCoderErrorText gives their texts).

#include "payment_core/inline_string.h"
#include "win32/base.h"

namespace payment_core {
inline namespace PAYMENT_CORE_VARIANT {

constexpr int kCoderCreateFailed = 3;
constexpr int kCoderOpenFailed = 4;
constexpr int kCoderReadFailed = 5;
constexpr int kCoderWriteFailed = 6;
constexpr int kCoderPermissionDenied = 13;
constexpr int kCoderMediaFull = 14;
constexpr int kCoderTooManyFiles = 15;
constexpr int kCoderBadName = 16;

// The coder's text for one of its error codes; empty for any other code.
const char* mimeCoderErrorText(int code);

class MimeStream {
public:
    virtual ~MimeStream() = default;
    // Appends everything that is left to read.
    virtual int readAll(InlineString99& out) = 0;
    virtual int write(const void* bytes, int length) = 0;
    // Ends the stream; a writer's last bytes reach their place here.
    virtual int close() = 0;
};

class MemoryStream final : public MimeStream {
public:
    MemoryStream(const char* bytes, int length) : bytes_(bytes), length_(length) {}
    explicit MemoryStream(InlineString99& target) : target_(&target) {}

    int readAll(InlineString99& out) override;
    int write(const void* bytes, int length) override;
    int close() override { return kOk; }

private:
    const char* bytes_ = nullptr;
    int length_ = 0;
    InlineString99* target_ = nullptr;
};

// Reads and writes through one block of 1 KB to 512 KB, sized from the data (the file's size
// when reading, the expected length when writing).
class FileStream final : public MimeStream {
public:
    FileStream() = default;
    ~FileStream() override;
    FileStream(const FileStream&) = delete;
    FileStream& operator=(const FileStream&) = delete;

    int openRead(const char* name);
    // Replaces an existing file; with createNew an existing file is an error instead.
    int openWrite(const char* name, int expectedLength, bool createNew = false);

    int readAll(InlineString99& out) override;
    int write(const void* bytes, int length) override;
    int close() override;

private:
    int makeBuffer(int wanted);
    int flush();

    HANDLE file_ = INVALID_HANDLE_VALUE;
    InlineString99 buffer_;
    int used_ = 0;
};

}  // namespace PAYMENT_CORE_VARIANT
}  // namespace payment_core
