#include "audio_editor/sample_store.h"

#include <algorithm>
#include <new>

#include <sys/mman.h>
#include <unistd.h>

namespace audio_editor {
namespace {

// Appends a vector that is about to be freed. Its pages are handed back to the system as they are
// copied, their contents being needed no more, rather than all at once when it is freed: the two
// are never both resident.
void appendReleasing(std::vector<int16_t>& to, std::vector<int16_t>& from) {
    const uintptr_t page = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
    int16_t* data = from.data();
    uintptr_t released = (reinterpret_cast<uintptr_t>(data) + page - 1) & ~(page - 1);
    for (size_t at = 0; at < from.size(); at += SampleStore::kBlockSamples) {
        const size_t count = std::min(SampleStore::kBlockSamples, from.size() - at);
        to.insert(to.end(), data + at, data + at + count);
        const uintptr_t copied = reinterpret_cast<uintptr_t>(data + at + count) & ~(page - 1);
        if (copied > released) {
            madvise(reinterpret_cast<void*>(released), copied - released, MADV_DONTNEED);
            released = copied;
        }
    }
    from = std::vector<int16_t>();
}

}  // namespace

void SampleStore::Unmap::operator()(int16_t* pages) const { munmap(pages, bytes); }

SampleStore::SampleStore(size_t expected) {
    if (expected > 0) head_.reserve(expected + margin(expected));
}

int16_t* SampleStore::room(size_t count) {
    if (tail_.empty() && head_.capacity() - head_.size() >= count) {
        const size_t at = head_.size();
        head_.resize(at + count);
        return head_.data() + at;
    }
    if (tail_.empty() || tail_.back().capacity - tail_.back().used < count) {
        const size_t capacity = std::max(kBlockSamples, count);
        const size_t bytes = capacity * sizeof(int16_t);
        void* pages = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (pages == MAP_FAILED) throw std::bad_alloc();
        std::unique_ptr<int16_t, Unmap> owned(static_cast<int16_t*>(pages), Unmap{bytes});
        tail_.push_back(Block{std::move(owned), capacity, 0});
    }
    return tail_.back().pages.get() + tail_.back().used;
}

void SampleStore::commit(size_t count) {
    if (tail_.empty()) head_.resize(size_ + count);
    else tail_.back().used += count;
    size_ += count;
}

std::vector<int16_t> SampleStore::take() {
    std::vector<int16_t> samples;
    if (tail_.empty() && head_.capacity() - head_.size() <= spareAllowed(head_.size())) {
        samples = std::move(head_);
    } else {
        samples.reserve(size_);
        appendReleasing(samples, head_);
        for (Block& block : tail_) {
            samples.insert(samples.end(), block.pages.get(), block.pages.get() + block.used);
            block.pages.reset();
        }
        tail_.clear();
    }
    size_ = 0;
    return samples;
}

}  // namespace audio_editor
