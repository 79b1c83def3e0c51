#pragma once

#include "audio_editor/clip.h"

#include <string>

namespace audio_editor {

// Decodes the first audio stream of a file into memory and closes the file before returning,
// so that the file can be deleted while the clip stays loaded. Throws EditorError when the file
// cannot be read, has no audio stream or yields no samples.
Clip decodeFile(const std::string& path);

}  // namespace audio_editor
