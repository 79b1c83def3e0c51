#pragma once
// The receive queue of a socket: a fixed block in which received bytes wait until they form an
// item (a line or token ended by the EOL string, or, without an EOL, whatever is there).

#include "payment_core/core_build.h"

namespace payment_core {
inline namespace PAYMENT_CORE_VARIANT {

class ByteQueue {
public:
    ByteQueue() = default;
    ~ByteQueue();
    ByteQueue(const ByteQueue&) = delete;
    ByteQueue& operator=(const ByteQueue&) = delete;

    // A new, empty block of that many bytes (the same size only empties it); 200 on failure.
    int allocate(int size);
    void clear();
    // A copy of the EOL string; length 0 removes it. 200 on failure.
    int setEol(const char* bytes, int length);

    // Room behind the unread bytes; the unread bytes are moved to the front first.
    char* freeSpace();
    int freeBytes() const { return capacity - available; }
    void commit(int n) { available += n; }
    // Appends what fits; the number of bytes taken.
    int put(const char* bytes, int length);

    // The next complete item: without an EOL everything queued, with one the bytes before its
    // first occurrence (the EOL is consumed). False when there is none.
    bool takeItem(const char*& bytes, int& length);
    // Everything queued, as one partial item.
    bool takeAll(const char*& bytes, int& length);

    char* data = nullptr;
    int capacity = 0;
    int readPos = 0;
    int available = 0;
    char* eol = nullptr;
    int eolLength = 0;

private:
    void compact();
};

}  // namespace PAYMENT_CORE_VARIANT
}  // namespace payment_core
