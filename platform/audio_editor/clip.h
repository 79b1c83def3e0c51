#pragma once
// A decoded clip held in memory: interleaved signed 16-bit samples at the source's own rate and
// channel count. Positions are frame counts (one sample per channel).

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace audio_editor {

// Every failure of the editor is reported as this; the control wrapper turns it into an
// automation error with the message as its description.
class EditorError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct Clip {
    int sampleRate = 0;
    int channels = 0;
    std::vector<int16_t> samples;

    int64_t frames() const { return channels ? static_cast<int64_t>(samples.size()) / channels : 0; }
    bool empty() const { return samples.empty(); }

    // Frames [first, last) of the clip; positions past the end read as silence.
    std::vector<int16_t> copyRange(int64_t first, int64_t last) const;
    // Inserts interleaved frames at a position, padding with silence when it lies past the end.
    void insertAt(int64_t position, const std::vector<int16_t>& frames);
    // Removes frames [first, last), clamped to the clip.
    void erase(int64_t first, int64_t last);
};

// Clips longer than an automation Long can count are refused.
constexpr int64_t kMaxFrames = INT32_MAX;

}  // namespace audio_editor
