#include "fixtures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <numbers>

namespace fixtures {

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "audio-editor-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

Signal tone(int sampleRate, double hz, double amplitude) {
    return [=](int64_t frame, int channel) {
        double phase = 2 * std::numbers::pi * hz * static_cast<double>(frame) / sampleRate;
        return static_cast<int16_t>(std::lround(amplitude * std::sin(phase + channel)));
    };
}

Signal toneFrom(int64_t startFrame, int sampleRate, double hz) {
    Signal t = tone(sampleRate, hz);
    return [=](int64_t frame, int channel) { return frame < startFrame ? int16_t{0} : t(frame, channel); };
}

namespace {
void putLe(std::vector<uint8_t>& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i, value >>= 8) out.push_back(static_cast<uint8_t>(value));
}
}  // namespace

void writeWav(const std::string& path, int sampleRate, int channels, int64_t frames, const Signal& signal) {
    uint32_t dataBytes = static_cast<uint32_t>(frames * channels * 2);
    std::vector<uint8_t> out;
    out.insert(out.end(), {'R', 'I', 'F', 'F'});
    putLe(out, 36 + dataBytes, 4);
    out.insert(out.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    putLe(out, 16, 4);
    putLe(out, 1, 2);
    putLe(out, static_cast<uint32_t>(channels), 2);
    putLe(out, static_cast<uint32_t>(sampleRate), 4);
    putLe(out, static_cast<uint32_t>(sampleRate * channels * 2), 4);
    putLe(out, static_cast<uint32_t>(channels * 2), 2);
    putLe(out, 16, 2);
    out.insert(out.end(), {'d', 'a', 't', 'a'});
    putLe(out, dataBytes, 4);
    for (int64_t i = 0; i < frames; ++i) {
        for (int c = 0; c < channels; ++c) putLe(out, static_cast<uint16_t>(signal(i, c)), 2);
    }
    writeBytes(path, out);
}

void run(const std::string& command) {
    int rc = std::system(command.c_str());
    ASSERT_EQ(rc, 0) << command;
}

void writeBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
}

std::vector<uint8_t> readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace fixtures
