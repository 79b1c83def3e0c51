#pragma once
// Decoded samples, gathered while their number is only known from an estimate. They go straight
// into a vector reserved at the estimate, which becomes the clip's buffer, so that each sample is
// written once; what the estimate left out goes into blocks of pages beside it. A vector grown or
// trimmed to the true length would hold two copies of the clip while it moves, and a clip is the
// largest thing the process holds.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace audio_editor {

class SampleStore {
public:
    // `expected` samples, 0 when unknown.
    explicit SampleStore(size_t expected);

    // Where the next `count` samples go; they count once committed, at most `count` of them.
    int16_t* room(size_t count);
    void commit(size_t count);
    size_t size() const { return size_; }

    // The samples in a vector whose spare room is at most spareAllowed(size()). Moving them there
    // holds no more than one block beside the clip.
    std::vector<int16_t> take();

    // Reserved beyond the estimate, so that one a little short still fills a single buffer; spare
    // room up to twice that is left in the clip, being untouched pages that cost no memory.
    static size_t margin(size_t samples) { return samples / 64 + 8192; }
    static size_t spareAllowed(size_t samples) { return 2 * margin(samples); }
    static constexpr size_t kBlockSamples = size_t{2} << 20;

private:
    struct Unmap {
        size_t bytes;
        void operator()(int16_t* pages) const;
    };
    // Mapped rather than allocated, so that each goes back to the system the moment it is freed.
    struct Block {
        std::unique_ptr<int16_t, Unmap> pages;
        size_t capacity;
        size_t used;
    };

    std::vector<int16_t> head_;
    std::vector<Block> tail_;
    size_t size_ = 0;
};

}  // namespace audio_editor
