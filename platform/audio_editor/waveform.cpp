#include "audio_editor/waveform.h"

#include <algorithm>

namespace audio_editor {

std::vector<WaveColumn> waveformColumns(const Clip& clip, int64_t first, int64_t last, int width) {
    if (width <= 0) return {};
    std::vector<WaveColumn> columns(static_cast<size_t>(width), WaveColumn{0, 0});
    if (last <= first || clip.channels <= 0) return columns;
    int64_t span = last - first;
    int64_t frames = clip.frames();
    for (int c = 0; c < width; ++c) {
        int64_t from = first + span * c / width;
        int64_t to = std::max(first + span * (c + 1) / width, from + 1);
        int64_t realTo = std::min(to, frames);
        if (from < 0 || from >= realTo) continue;
        auto begin = clip.samples.begin() + from * clip.channels;
        auto end = clip.samples.begin() + realTo * clip.channels;
        auto [lo, hi] = std::minmax_element(begin, end);
        int16_t low = *lo;
        int16_t high = *hi;
        // A column that reaches past the end also shows the silence there.
        if (to > frames) {
            low = std::min<int16_t>(low, 0);
            high = std::max<int16_t>(high, 0);
        }
        columns[static_cast<size_t>(c)] = WaveColumn{low, high};
    }
    return columns;
}

}  // namespace audio_editor
