#include "audio_editor/clip.h"

#include <algorithm>

namespace audio_editor {

std::vector<int16_t> Clip::copyRange(int64_t first, int64_t last) const {
    first = std::max<int64_t>(first, 0);
    if (last <= first) return {};
    if (last - first > kMaxFrames) throw EditorError("The selection is too long");
    std::vector<int16_t> out(static_cast<size_t>((last - first) * channels), 0);
    int64_t end = std::min(last, frames());
    if (first < end) {
        std::copy(samples.begin() + first * channels, samples.begin() + end * channels, out.begin());
    }
    return out;
}

void Clip::insertAt(int64_t position, const std::vector<int16_t>& block) {
    position = std::max<int64_t>(position, 0);
    int64_t blockFrames = channels ? static_cast<int64_t>(block.size()) / channels : 0;
    if (blockFrames == 0) return;
    int64_t length = std::max(position, frames()) + blockFrames;
    if (length > kMaxFrames) throw EditorError("The clip would become too long");
    if (position > frames()) samples.resize(static_cast<size_t>(position * channels), 0);
    samples.insert(samples.begin() + position * channels, block.begin(), block.end());
}

void Clip::erase(int64_t first, int64_t last) {
    first = std::clamp<int64_t>(first, 0, frames());
    last = std::clamp<int64_t>(last, first, frames());
    samples.erase(samples.begin() + first * channels, samples.begin() + last * channels);
}

}  // namespace audio_editor
