#pragma once

#include "audio_editor/clip.h"

#include <vector>

namespace audio_editor {

struct WaveColumn {
    int16_t min;
    int16_t max;
};

// The waveform view's outline: for each of `width` pixel columns, the lowest and highest sample
// of any channel among the frames [first, last) that fall into it. When there are fewer frames
// than columns, each column shows the frame under it; frames past the clip's end are silence.
std::vector<WaveColumn> waveformColumns(const Clip& clip, int64_t first, int64_t last, int width);

}  // namespace audio_editor
