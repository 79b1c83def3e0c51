#pragma once

#include "audio_editor/clip.h"

#include <SDL2/SDL.h>

namespace audio_editor {

// Plays a stretch of a clip on an output device. The play head advances in the device's own
// callback, so it keeps real-time pace on any driver, the silent "dummy" one included.
// All members are called from one thread; the clip must stay unchanged until stop().
class Player {
public:
    Player() = default;
    ~Player();
    Player(const Player&) = delete;
    Player& operator=(const Player&) = delete;

    // Plays frames [first, last) of the clip, replacing whatever was playing. Throws EditorError
    // when no output device can be opened.
    void start(const Clip& clip, int64_t first, int64_t last);
    void stop();
    // Releases the device; the next start opens one again.
    void close();

    int64_t position() const;
    void seek(int64_t position);
    // The last frame has been handed to the device.
    bool finished() const;

private:
    static void fill(void* self, Uint8* stream, int length);
    void open(int sampleRate, int channels);

    SDL_AudioDeviceID device_ = 0;
    int sampleRate_ = 0;
    int channels_ = 0;
    // Shared with the device thread, guarded by the device lock.
    const Clip* clip_ = nullptr;
    int64_t head_ = 0;
    int64_t end_ = 0;
    bool finished_ = false;
};

}  // namespace audio_editor
