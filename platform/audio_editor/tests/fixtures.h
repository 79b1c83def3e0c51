#pragma once
// Media files made at test time: WAV written here, the other formats by the command-line
// encoders, so that the editor is tested against files it did not make itself.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "gdi/gdi.h"

namespace fixtures {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    std::string file(const std::string& name) const { return (path_ / name).string(); }
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

// Sample value of channel c at frame i.
using Signal = std::function<int16_t(int64_t frame, int channel)>;

Signal tone(int sampleRate, double hz, double amplitude = 12000);
// Silence up to a frame, the tone from there on.
Signal toneFrom(int64_t startFrame, int sampleRate, double hz);

void writeWav(const std::string& path, int sampleRate, int channels, int64_t frames, const Signal& signal);
// Runs a shell command and fails the test when it does not exit with 0.
void run(const std::string& command);
void writeBytes(const std::string& path, const std::vector<uint8_t>& bytes);
std::vector<uint8_t> readBytes(const std::string& path);

// A bitmap of the given size selected into a memory device context, for drawing tests.
class MemoryDc {
public:
    MemoryDc(int width, int height)
        : dc_(CreateCompatibleDC(nullptr)), bitmap_(CreateCompatibleBitmap(dc_, width, height)) {
        old_ = SelectObject(dc_, bitmap_);
    }
    ~MemoryDc() {
        SelectObject(dc_, old_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    MemoryDc(const MemoryDc&) = delete;
    MemoryDc& operator=(const MemoryDc&) = delete;
    HDC dc() const { return dc_; }
    COLORREF at(int x, int y) const { return GetPixel(dc_, x, y); }

private:
    HDC dc_;
    HBITMAP bitmap_;
    HGDIOBJ old_;
};

}  // namespace fixtures
