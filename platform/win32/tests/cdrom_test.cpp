#include "win32/cdrom.h"
#include "win32/files.h"
#include "win32/testing/cd_images.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>

#include <unistd.h>

namespace {

using cd_images::DiscFolder;

std::string readText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void writeText(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

std::string replaced(std::string text, const std::string& from, const std::string& to) {
    for (auto at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

TEST(CdDrives, ImageDriveIsDWithOrWithoutADisc) {
    DiscFolder disc;
    auto drives = win32::cdDrives();
    ASSERT_EQ(drives.size(), 1u);
    EXPECT_EQ(drives[0].root, "D:\\");
    EXPECT_FALSE(win32::cdTracks(drives[0]));

    disc.write({{true, 75}, {false, 300}, {true, 150}});
    auto tracks = win32::cdTracks(drives[0]);
    ASSERT_TRUE(tracks);
    ASSERT_EQ(tracks->size(), 3u);
    EXPECT_TRUE((*tracks)[0].audio);
    EXPECT_FALSE((*tracks)[1].audio);
    EXPECT_EQ((*tracks)[2].number, 3);
    EXPECT_EQ((*tracks)[2].firstSector, 375);
    EXPECT_EQ((*tracks)[2].sectors, 150);
    for (const char* other : {"E:\\Track01.cda", "C:\\x", "Track01.cda", "D", "DD:\\"})
        EXPECT_FALSE(win32::cdDriveOf(other)) << other;
    EXPECT_TRUE(win32::cdDriveOf("d:"));
}

TEST(CdTrackFiles, ExistOnlyForAudioTracksOfADiscInTheDrive) {
    DiscFolder disc;
    disc.write({{true, 75}, {false, 75}, {true, 75}});
    struct Case {
        const char* path;
        DWORD attributes;
        DWORD error;
    } cases[] = {
        {"D:\\Track01.cda", FILE_ATTRIBUTE_READONLY, 0},
        {"d:/track03.CDA", FILE_ATTRIBUTE_READONLY, 0},
        {"D:\\Track02.cda", INVALID_FILE_ATTRIBUTES, ERROR_FILE_NOT_FOUND},  // the data track
        {"D:\\Track04.cda", INVALID_FILE_ATTRIBUTES, ERROR_FILE_NOT_FOUND},
        {"D:\\Track1.cda", INVALID_FILE_ATTRIBUTES, ERROR_FILE_NOT_FOUND},
        {"D:\\sub\\Track01.cda", INVALID_FILE_ATTRIBUTES, ERROR_FILE_NOT_FOUND},
        {"D:\\", FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY, 0},
    };
    for (auto& c : cases) {
        SetLastError(0);
        EXPECT_EQ(GetFileAttributesA(c.path), c.attributes) << c.path;
        if (c.error) {
            EXPECT_EQ(GetLastError(), c.error) << c.path;
        }
    }
    EXPECT_TRUE(win32::cdTrackFile("D:\\Track03.cda"));
    EXPECT_FALSE(win32::cdTrackFile("D:\\Track02.cda"));

    disc.remove();
    EXPECT_EQ(GetFileAttributesA("D:\\Track01.cda"), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), ERROR_NOT_READY);
    EXPECT_FALSE(win32::cdTrackFile("D:\\Track01.cda"));
}

TEST(CdAudio, ReadsTheTrackSamplesAsWritten) {
    DiscFolder disc;
    disc.write({{true, 40}, {true, 30}});
    auto track = win32::cdTrackFile("D:\\Track02.cda");
    ASSERT_TRUE(track);
    auto samples = win32::readCdAudio(track->drive, track->track.firstSector, track->track.sectors);
    ASSERT_TRUE(samples);
    EXPECT_EQ(*samples, cd_images::expectedTrack(2, 30));

    disc.remove();
    EXPECT_FALSE(win32::readCdAudio(track->drive, 0, 1));
    EXPECT_EQ(GetLastError(), ERROR_NOT_READY);
}

// Sheets as ripping programs write them: the disc's one file named other than
// the sheet, a file per track (with or without the next track's pregap at its
// start), names in another case or with backslashes. Each track reads back its
// own samples; a pregap lies before its track.
TEST(CdImages, TheTrackFilesTheSheetNamesAreRead) {
    struct Case {
        const char* name;
        cd_images::Layout layout;
        const char* from = nullptr;  // rewrites the sheet's text
        const char* to = nullptr;
        const char* subfolder = nullptr;  // where the track files are moved
    } cases[] = {
        {"one file named apart", {"Album (disc 1).bin"}},
        {"file per track", {"Album.bin", true}},
        {"file per track with pregaps", {"Album.bin", true, 30}},
        {"another case", {"Album (disc 1).bin"}, "Album (disc 1).bin", "ALBUM (DISC 1).BIN"},
        {"in a folder beside the sheet", {"Album.bin", true}, "FILE \"", "FILE \"tracks\\", "tracks"},
    };
    const std::vector<cd_images::TrackSpec> specs = {{true, 75}, {false, 40}, {true, 60}, {true, 45}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        DiscFolder disc;
        disc.write(specs, c.layout);
        if (c.from) writeText(disc.cuePath(), replaced(readText(disc.cuePath()), c.from, c.to));
        if (c.subfolder) {
            const std::string moved = disc.folder() + "/" + c.subfolder;
            std::filesystem::create_directory(moved);
            for (const auto& file : disc.trackFiles())
                std::filesystem::rename(disc.folder() + "/" + file, moved + "/" + file);
        }
        const auto drives = win32::cdDrives();
        auto tracks = win32::cdTracks(drives.at(0));
        ASSERT_TRUE(tracks) << GetLastError();
        ASSERT_EQ(tracks->size(), specs.size());
        const int32_t gap = c.layout.pregapSectors;
        int32_t at = 0;
        for (size_t i = 0; i < specs.size(); ++i) {
            const int number = static_cast<int>(i) + 1;
            const auto& t = (*tracks)[i];
            EXPECT_EQ(t.number, number);
            EXPECT_EQ(t.audio, specs[i].audio);
            EXPECT_EQ(t.firstSector, at + (i > 0 ? gap : 0));
            EXPECT_EQ(t.sectors, specs[i].sectors);
            at = t.firstSector + specs[i].sectors;
            char path[32];
            std::snprintf(path, sizeof path, "D:\\Track%02d.cda", number);
            auto file = win32::cdTrackFile(path);
            ASSERT_EQ(file.has_value(), specs[i].audio) << path;
            if (!file) continue;
            auto samples = win32::readCdAudio(file->drive, file->track.firstSector, file->track.sectors);
            ASSERT_TRUE(samples) << path;
            EXPECT_EQ(*samples, cd_images::expectedTrack(number, specs[i].sectors)) << path;
        }
    }
}

// A track file written by hand: stretches of sectors, each silence (track 0) or
// the sine of a track, as raw little-endian sectors or inside a RIFF WAVE
// header.
struct Stretch {
    int track;
    int32_t sectors;
};
struct WaveFormat {
    uint16_t tag = 1, channels = 2, bits = 16;
    uint32_t rate = 44100;
};
struct TrackFile {
    const char* name;
    std::vector<Stretch> stretches;
    std::optional<WaveFormat> wave = std::nullopt;
    int64_t sparseBytes = 0;  // a file of this size holding nothing
};

void writeTrackFile(const std::string& folder, const TrackFile& file) {
    const std::string path = folder + "/" + file.name;
    if (file.sparseBytes) {
        ASSERT_EQ(truncate((writeText(path, ""), path.c_str()), file.sparseBytes), 0);
        return;
    }
    std::string samples;
    for (const auto& s : file.stretches) {
        const auto sine = s.track ? cd_images::expectedTrack(s.track, s.sectors)
                                  : std::vector<int16_t>(static_cast<size_t>(s.sectors) * 1176, 0);
        for (int16_t v : sine) samples += {static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF)};
    }
    std::string bytes;
    if (file.wave) {
        auto le = [](uint32_t v, int n) {
            std::string out;
            for (int i = 0; i < n; ++i) out.push_back(static_cast<char>(v >> (8 * i) & 0xFF));
            return out;
        };
        const WaveFormat& f = *file.wave;
        const uint16_t align = static_cast<uint16_t>(f.channels * f.bits / 8);
        // A chunk of odd length before the samples, as tagging writers leave, is
        // padded to even.
        const std::string list = "LIST" + le(5, 4) + "INFOx" + '\0';
        const std::string fmt = "fmt " + le(16, 4) + le(f.tag, 2) + le(f.channels, 2) + le(f.rate, 4) +
                                le(f.rate * align, 4) + le(align, 2) + le(f.bits, 2);
        const std::string data = "data" + le(static_cast<uint32_t>(samples.size()), 4) + samples;
        bytes = "RIFF" + le(static_cast<uint32_t>(4 + fmt.size() + list.size() + data.size()), 4) + "WAVE" + fmt +
                list + data;
    } else {
        bytes = samples;
    }
    writeText(path, bytes);
}

// Sheets in shapes other programs write, each with the track table it gives,
// and each audio track reading back its own sine; or, with no table, refused as
// unreadable.
TEST(CdImages, SheetsOfOtherRippersGiveTheirTracks) {
    struct Track {
        int number;
        int32_t firstSector, sectors;
    };
    struct Case {
        const char* name;
        std::vector<TrackFile> files;
        const char* sheet;
        std::vector<Track> tracks;  // none: the image cannot be read
    };
    const WaveFormat cd;
    const Case cases[] = {
        {"a file opening with the next track's audio before its INDEX 01",
         {{"a.bin", {{1, 300}}}, {"b.bin", {{0, 150}, {2, 200}}}},
         "FILE \"a.bin\" BINARY\n TRACK 01 AUDIO\n  INDEX 01 00:00:00\n"
         "FILE \"b.bin\" BINARY\n TRACK 02 AUDIO\n  INDEX 01 00:02:00\n",
         {{1, 0, 300}, {2, 450, 200}}},
        {"a pregap kept at the end of the previous file",
         {{"a.bin", {{1, 300}, {0, 75}}}, {"b.bin", {{2, 200}, {3, 100}}}},
         "FILE \"a.bin\" BINARY\n TRACK 01 AUDIO\n  INDEX 01 00:00:00\n TRACK 02 "
         "AUDIO\n  INDEX 00 00:04:00\n"
         "FILE \"b.bin\" BINARY\n  INDEX 01 00:00:00\n TRACK 03 AUDIO\n  INDEX "
         "01 00:02:50\n",
         {{1, 0, 300}, {2, 375, 200}, {3, 575, 100}}},
        {"the disc in one WAV",
         {{"disc.wav", {{1, 100}, {2, 150}}, cd}},
         "FILE \"disc.wav\" WAVE\n TRACK 01 AUDIO\n  INDEX 01 00:00:00\n TRACK "
         "02 AUDIO\n  INDEX 01 00:01:25\n",
         {{1, 0, 100}, {2, 100, 150}}},
        {"a WAV per track",
         {{"01.wav", {{1, 100}}, cd}, {"02.wav", {{0, 30}, {2, 150}}, cd}},
         "FILE \"01.wav\" WAVE\n TRACK 01 AUDIO\n  INDEX 01 00:00:00\n"
         "FILE \"02.wav\" WAVE\n TRACK 02 AUDIO\n  INDEX 00 00:00:00\n  INDEX 01 "
         "00:00:30\n",
         {{1, 0, 100}, {2, 130, 150}}},
        {"files named where they were on the ripping machine",
         {{"a.bin", {{1, 100}}}, {"b.bin", {{2, 50}}}},
         "FILE \"C:\\Rips\\Album\\A.BIN\" BINARY\n TRACK 01 AUDIO\n  INDEX 01 "
         "00:00:00\n"
         "FILE \"\\Rips\\b.bin\" BINARY\n TRACK 02 AUDIO\n  INDEX 01 00:00:00\n",
         {{1, 0, 100}, {2, 100, 50}}},
        {"a WAV in mono",
         {{"a.wav", {{1, 100}}, WaveFormat{1, 1, 16, 44100}}},
         "FILE \"a.wav\" WAVE\n TRACK 01 AUDIO\n  INDEX 01 00:00:00\n",
         {}},
        {"a WAV at 48 kHz",
         {{"a.wav", {{1, 100}}, WaveFormat{1, 2, 16, 48000}}},
         "FILE \"a.wav\" WAVE\n TRACK 01 AUDIO\n  INDEX 01 00:00:00\n",
         {}},
        {"a WAV of floats",
         {{"a.wav", {{1, 100}}, WaveFormat{3, 2, 16, 44100}}},
         "FILE \"a.wav\" WAVE\n TRACK 01 AUDIO\n  INDEX 01 00:00:00\n",
         {}},
        {"raw sectors named as a WAV",
         {{"a.wav", {{1, 100}}}},
         "FILE \"a.wav\" WAVE\n TRACK 01 AUDIO\n  INDEX 01 00:00:00\n",
         {}},
        {"a data track in a WAV",
         {{"a.wav", {{1, 100}}, cd}},
         "FILE \"a.wav\" WAVE\n TRACK 01 MODE1/2352\n  INDEX 01 00:00:00\n",
         {}},
        {"an INDEX 01 after the next FILE line of a track that had one",
         {{"a.bin", {{1, 300}}}, {"b.bin", {{2, 200}}}},
         "FILE \"a.bin\" BINARY\n TRACK 01 AUDIO\n  INDEX 01 00:00:00\n"
         "FILE \"b.bin\" BINARY\n  INDEX 01 00:00:00\n",
         {}},
        {"a file naming more sectors than the track table holds",
         {{"a.bin", {}, std::nullopt, (int64_t{INT32_MAX} + 1000) * 2352}},
         "FILE \"a.bin\" BINARY\n TRACK 01 AUDIO\n  INDEX 01 00:00:00\n TRACK 02 "
         "AUDIO\n  INDEX 01 90:00:00\n",
         {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        DiscFolder disc;
        // A case that fails goes no further, and the next is tried.
        [&] {
            for (const auto& file : c.files) writeTrackFile(disc.folder(), file);
            writeText(disc.cuePath(), c.sheet);
            SetLastError(0);
            auto tracks = win32::cdTracks(win32::cdDrives().at(0));
            if (c.tracks.empty()) {
                EXPECT_FALSE(tracks);
                EXPECT_EQ(GetLastError(), ERROR_BAD_FORMAT);
                return;
            }
            ASSERT_TRUE(tracks) << GetLastError();
            ASSERT_EQ(tracks->size(), c.tracks.size());
            for (size_t i = 0; i < c.tracks.size(); ++i) {
                const auto& t = (*tracks)[i];
                SCOPED_TRACE(t.number);
                EXPECT_EQ(t.number, c.tracks[i].number);
                EXPECT_EQ(t.firstSector, c.tracks[i].firstSector);
                EXPECT_EQ(t.sectors, c.tracks[i].sectors);
                auto samples = win32::readCdAudio(win32::cdDrives().at(0), t.firstSector, t.sectors);
                ASSERT_TRUE(samples) << GetLastError();
                EXPECT_EQ(*samples, cd_images::expectedTrack(t.number, t.sectors));
            }
        }();
    }
}

// A sheet that is there but cannot be read is a damaged disc, not an empty
// drive.
TEST(CdImages, AnImageThatCannotBeReadIsToldApartFromNoDisc) {
    struct Case {
        const char* name;
        const char* from;
        const char* to;
    } cases[] = {
        {"track file missing", "disc.bin", "other.bin"},
        {"track file of a kind not read", "BINARY", "AIFF"},
        {"no file line", "FILE \"disc.bin\" BINARY\n", ""},
        {"a track without its start", "INDEX 01 00:01:00", "INDEX 02 00:01:00"},
        {"a start past the file's end", "INDEX 01 00:01:00", "INDEX 01 00:09:00"},
        {"a time that is none", "INDEX 01 00:01:00", "INDEX 01 00:01:75"},
        {"a mode that is none", "TRACK 02 AUDIO", "TRACK 02 MODE9/1"},
        {"tracks out of order", "TRACK 02", "TRACK 01"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        DiscFolder disc;
        disc.write({{true, 75}, {true, 75}});
        const std::string sheet = readText(disc.cuePath());
        ASSERT_NE(sheet.find(c.from), std::string::npos);
        writeText(disc.cuePath(), replaced(sheet, c.from, c.to));
        SetLastError(0);
        EXPECT_FALSE(win32::cdTracks(win32::cdDrives().at(0)));
        EXPECT_EQ(GetLastError(), ERROR_BAD_FORMAT);
        EXPECT_EQ(GetFileAttributesA("D:\\Track01.cda"), INVALID_FILE_ATTRIBUTES);
        EXPECT_EQ(GetLastError(), ERROR_BAD_FORMAT);
        EXPECT_FALSE(win32::readCdAudio(win32::cdDrives().at(0), 0, 1));
        EXPECT_EQ(GetLastError(), ERROR_READ_FAULT);

        disc.remove();
        EXPECT_FALSE(win32::cdTracks(win32::cdDrives().at(0)));
        EXPECT_EQ(GetLastError(), ERROR_NOT_READY);
    }
}

TEST(CdDrives, PathsOffCdDrivesKeepTheFileSystem) {
    unsetenv("PLATFORM_CD_IMAGE");
    EXPECT_FALSE(win32::cdPathAttributes("/tmp"));
    EXPECT_EQ(GetFileAttributesA("/tmp"), FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace
