#pragma once

#include "audio_editor/clip.h"

#include <cstdint>
#include <string>
#include <vector>

namespace audio_editor {

struct Mp3Format {
    int sampleRate = 44100;
    int kbps = 32;
    int channels = 1;
};

// Throws EditorError unless the rate, bit rate and channel count make a standard Layer III stream.
void validateFormat(const Mp3Format& format);

// Encodes frames [first, last) of the clip, resampled and mixed to the format, as a complete
// constant-bit-rate Layer III file image whose first frame is an Info tag carrying the encoder
// delay and padding, so that decoders give back exactly last - first frames (at equal rates).
std::vector<uint8_t> encodeMp3(const Clip& clip, int64_t first, int64_t last, const Mp3Format& format);

// Writes a new file beside the target and renames it into place, so that a failure leaves
// neither a partial file nor a damaged earlier one. Partial files of the same target left by
// processes that have ended (a save killed before its rename) are removed first.
void writeFileReplacing(const std::string& path, const std::vector<uint8_t>& bytes);

}  // namespace audio_editor
