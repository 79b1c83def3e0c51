#include "payment_core/byte_queue.h"

#include <cstring>

#include "payment_core/core_memory.h"
#include "payment_core/result_codes.h"

namespace payment_core {
inline namespace PAYMENT_CORE_VARIANT {

ByteQueue::~ByteQueue() {
    coreFree(data);
    coreFree(eol);
}

int ByteQueue::allocate(int size) {
    if (size != capacity || !data) {
        auto* block = static_cast<char*>(coreAllocate(static_cast<std::size_t>(size) + 1));
        if (!block) return kOutOfMemory;
        coreFree(data);
        data = block;
        capacity = size;
    }
    clear();
    return kOk;
}

void ByteQueue::clear() {
    readPos = 0;
    available = 0;
}

int ByteQueue::setEol(const char* bytes, int length) {
    char* copy = nullptr;
    if (length > 0) {
        copy = static_cast<char*>(coreAllocate(static_cast<std::size_t>(length) + 1));
        if (!copy) return kOutOfMemory;
        std::memcpy(copy, bytes, static_cast<std::size_t>(length));
        copy[length] = 0;
    }
    coreFree(eol);
    eol = copy;
    eolLength = length > 0 ? length : 0;
    return kOk;
}

void ByteQueue::compact() {
    if (readPos == 0) return;
    if (available) std::memmove(data, data + readPos, static_cast<std::size_t>(available));
    readPos = 0;
}

char* ByteQueue::freeSpace() {
    compact();
    return data + available;
}

int ByteQueue::put(const char* bytes, int length) {
    const int n = length < freeBytes() ? length : freeBytes();
    if (n <= 0) return 0;
    std::memcpy(freeSpace(), bytes, static_cast<std::size_t>(n));
    commit(n);
    return n;
}

bool ByteQueue::takeItem(const char*& bytes, int& length) {
    if (available == 0) return false;
    const char* start = data + readPos;
    if (eolLength == 0) return takeAll(bytes, length);
    for (int i = 0; i + eolLength <= available; ++i) {
        if (start[i] == eol[0] && std::memcmp(start + i, eol, static_cast<std::size_t>(eolLength)) == 0) {
            bytes = start;
            length = i;
            readPos += i + eolLength;
            available -= i + eolLength;
            if (available == 0) readPos = 0;
            return true;
        }
    }
    compact();
    return false;
}

bool ByteQueue::takeAll(const char*& bytes, int& length) {
    if (available == 0) return false;
    bytes = data + readPos;
    length = available;
    readPos = 0;
    available = 0;
    return true;
}

}  // namespace PAYMENT_CORE_VARIANT
}  // namespace payment_core
