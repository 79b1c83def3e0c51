#include "audio_editor/playback.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <string>

namespace audio_editor {
namespace {

// The audio subsystem is process-wide. The system's own driver is tried first; where no device
// can be opened (build machines, containers) the silent driver takes over for the rest of the
// process, so that playback, its timing and its end behave as on real hardware.
std::mutex g_audioLock;
bool g_audioReady = false;
int g_openDevices = 0;

bool onDummyDriver() {
    const char* name = SDL_GetCurrentAudioDriver();
    return name && std::strcmp(name, "dummy") == 0;
}

SDL_AudioDeviceID openDevice(const SDL_AudioSpec& wanted) {
    std::lock_guard<std::mutex> lock(g_audioLock);
    if (!g_audioReady) {
        g_audioReady = SDL_AudioInit(nullptr) == 0 || SDL_AudioInit("dummy") == 0;
        if (!g_audioReady) throw EditorError(std::string("No audio output: ") + SDL_GetError());
    }
    SDL_AudioSpec obtained{};
    SDL_AudioDeviceID device = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
    if (device == 0 && !onDummyDriver() && g_openDevices == 0) {
        SDL_AudioQuit();
        g_audioReady = SDL_AudioInit("dummy") == 0;
        if (g_audioReady) device = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
    }
    if (device == 0) throw EditorError(std::string("No audio output: ") + SDL_GetError());
    ++g_openDevices;
    return device;
}

void closeDevice(SDL_AudioDeviceID device) {
    SDL_CloseAudioDevice(device);
    std::lock_guard<std::mutex> lock(g_audioLock);
    --g_openDevices;
}

}  // namespace

Player::~Player() {
    close();
    // SDL keeps per-thread state (its error text) that it frees only for threads it started;
    // the editor's owner may be a thread that ends after the editor.
    SDL_TLSCleanup();
}

void Player::open(int sampleRate, int channels) {
    if (device_ && sampleRate == sampleRate_ && channels == channels_) return;
    close();
    SDL_AudioSpec wanted{};
    wanted.freq = sampleRate;
    wanted.format = AUDIO_S16SYS;
    wanted.channels = static_cast<Uint8>(channels);
    wanted.samples = 1024;
    wanted.callback = &Player::fill;
    wanted.userdata = this;
    device_ = openDevice(wanted);
    sampleRate_ = sampleRate;
    channels_ = channels;
}

void Player::close() {
    if (!device_) return;
    closeDevice(device_);
    device_ = 0;
    clip_ = nullptr;
}

void Player::start(const Clip& clip, int64_t first, int64_t last) {
    if (clip.channels < 1 || clip.channels > 8) throw EditorError("The clip's channels cannot be played");
    open(clip.sampleRate, clip.channels);
    SDL_PauseAudioDevice(device_, 1);
    SDL_LockAudioDevice(device_);
    clip_ = &clip;
    end_ = std::clamp<int64_t>(last, 0, clip.frames());
    head_ = std::clamp<int64_t>(first, 0, end_);
    finished_ = head_ >= end_;
    SDL_UnlockAudioDevice(device_);
    SDL_PauseAudioDevice(device_, 0);
}

void Player::stop() {
    if (device_) SDL_PauseAudioDevice(device_, 1);
}

int64_t Player::position() const {
    if (!device_) return 0;
    SDL_LockAudioDevice(device_);
    int64_t head = head_;
    SDL_UnlockAudioDevice(device_);
    return head;
}

void Player::seek(int64_t position) {
    if (!device_) return;
    SDL_LockAudioDevice(device_);
    head_ = std::clamp<int64_t>(position, 0, end_);
    finished_ = head_ >= end_;
    SDL_UnlockAudioDevice(device_);
}

bool Player::finished() const {
    if (!device_) return true;
    SDL_LockAudioDevice(device_);
    bool done = finished_;
    SDL_UnlockAudioDevice(device_);
    return done;
}

void Player::fill(void* self, Uint8* stream, int length) {
    auto* player = static_cast<Player*>(self);
    size_t frameBytes = static_cast<size_t>(player->channels_) * sizeof(int16_t);
    int64_t wanted = static_cast<int64_t>(static_cast<size_t>(length) / frameBytes);
    int64_t count = player->clip_ ? std::clamp<int64_t>(player->end_ - player->head_, 0, wanted) : 0;
    size_t bytes = static_cast<size_t>(count) * frameBytes;
    if (count > 0) {
        std::memcpy(stream, player->clip_->samples.data() + player->head_ * player->channels_, bytes);
        player->head_ += count;
    }
    std::memset(stream + bytes, 0, static_cast<size_t>(length) - bytes);
    if (player->head_ >= player->end_) player->finished_ = true;
}

}  // namespace audio_editor
