#include "win32/testing/cd_images.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <stdexcept>

namespace cd_images {
namespace {

constexpr int kFramesPerSector = 588;
constexpr int kSectorBytes = 2352;

std::string msf(int32_t sector) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", sector / (75 * 60), sector / 75 % 60, sector % 75);
    return text;
}

}  // namespace

int16_t sampleOf(int track, int64_t frame, int channel) {
    const double phase = 2 * std::numbers::pi * 110.0 * track * static_cast<double>(frame) / 44100.0;
    const double level = channel == 0 ? 12000.0 : 6000.0;
    return static_cast<int16_t>(std::lround(level * std::sin(phase)));
}

std::vector<int16_t> expectedTrack(int track, int32_t sectors) {
    std::vector<int16_t> samples;
    const int64_t frames = static_cast<int64_t>(sectors) * kFramesPerSector;
    samples.reserve(static_cast<size_t>(frames) * 2);
    for (int64_t f = 0; f < frames; ++f) {
        samples.push_back(sampleOf(track, f, 0));
        samples.push_back(sampleOf(track, f, 1));
    }
    return samples;
}

DiscFolder::DiscFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "cd-image-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot make a folder for the disc image");
    dir_ = pattern;
    cue_ = dir_ + "/disc.cue";
    setenv("PLATFORM_CD_IMAGE", cue_.c_str(), 1);
}

DiscFolder::~DiscFolder() {
    unsetenv("PLATFORM_CD_IMAGE");
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
}

void DiscFolder::write(const std::vector<TrackSpec>& tracks, const Layout& layout) {
    remove();
    std::ofstream cue(cue_, std::ios::trunc);
    std::ofstream bin;
    const std::string stem = std::filesystem::path(layout.binName).stem().string();
    int32_t at = 0;  // sectors into the current file
    for (size_t i = 0; i < tracks.size(); ++i) {
        const int number = static_cast<int>(i) + 1;
        char name[32];
        std::snprintf(name, sizeof name, " (Track %02d).bin", number);
        if (i == 0 || layout.filePerTrack) {
            files_.push_back(layout.filePerTrack ? stem + name : layout.binName);
            bin.close();
            bin.open(dir_ + "/" + files_.back(), std::ios::binary | std::ios::trunc);
            cue << "FILE \"" << files_.back() << "\" BINARY\n";
            at = 0;
        }
        char head[64];
        std::snprintf(head, sizeof head, "  TRACK %02d %s\n", number, tracks[i].audio ? "AUDIO" : "MODE1/2352");
        cue << head;
        if (layout.filePerTrack && i > 0 && layout.pregapSectors > 0) {
            cue << "    INDEX 00 " << msf(at) << "\n";
            const std::string silence(static_cast<size_t>(layout.pregapSectors) * kSectorBytes, '\0');
            bin.write(silence.data(), static_cast<std::streamsize>(silence.size()));
            at += layout.pregapSectors;
        }
        cue << "    INDEX 01 " << msf(at) << "\n";
        if (tracks[i].audio) {
            for (int16_t s : expectedTrack(number, tracks[i].sectors)) {
                const char bytes[2] = {static_cast<char>(s & 0xFF), static_cast<char>((s >> 8) & 0xFF)};
                bin.write(bytes, 2);
            }
        } else {
            // Mode 1 sectors: the sync pattern, then zeros, enough to be read as data.
            std::string sector(kSectorBytes, '\0');
            for (int b = 1; b <= 10; ++b) sector[b] = '\xFF';
            sector[15] = 1;
            for (int32_t n = 0; n < tracks[i].sectors; ++n) bin.write(sector.data(), kSectorBytes);
        }
        at += tracks[i].sectors;
        if (!bin) throw std::runtime_error("cannot write the disc image");
    }
    if (!cue) throw std::runtime_error("cannot write the disc image");
}

void DiscFolder::remove() {
    std::filesystem::remove(cue_);
    for (const auto& file : files_) std::filesystem::remove(dir_ + "/" + file);
    files_.clear();
}

}  // namespace cd_images
