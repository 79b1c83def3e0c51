#pragma once
// Disc images for tests: a BIN with its CUE sheet, written at test time. Audio tracks hold a
// sine per track (a different pitch on each, the right channel at half level), so that any
// reader can be checked sample by sample against sampleOf().

#include <cstdint>
#include <string>
#include <vector>

namespace cd_images {

struct TrackSpec {
    bool audio = true;
    int32_t sectors = 75;  // 75 sectors a second
};

int16_t sampleOf(int track, int64_t frame, int channel);
// The interleaved samples an audio track of that many sectors holds.
std::vector<int16_t> expectedTrack(int track, int32_t sectors);

// How the sheet stores the tracks: one file for the disc, or one file per track named
// "<stem> (Track NN).bin" after the stem of binName; with pregapSectors, each track file but the
// first starts with that much silence before the track (its INDEX 00).
struct Layout {
    std::string binName = "disc.bin";
    bool filePerTrack = false;
    int32_t pregapSectors = 0;
};

// A folder of its own, removed with its files when the object goes; it points
// PLATFORM_CD_IMAGE at "disc.cue" in it, which holds no disc until write() is called.
class DiscFolder {
public:
    DiscFolder();
    ~DiscFolder();
    DiscFolder(const DiscFolder&) = delete;
    DiscFolder& operator=(const DiscFolder&) = delete;

    // Puts a disc with these tracks in the drive, replacing any other.
    void write(const std::vector<TrackSpec>& tracks, const Layout& layout = {});
    // Takes the disc out.
    void remove();
    const std::string& cuePath() const { return cue_; }
    const std::string& folder() const { return dir_; }
    // The track files of the last write(), in the sheet's order.
    const std::vector<std::string>& trackFiles() const { return files_; }

private:
    std::string dir_;
    std::string cue_;
    std::vector<std::string> files_;
};

}  // namespace cd_images
