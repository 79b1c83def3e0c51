#include "win32/cdrom.h"
#include "win32/files.h"
#include "win32/testing/cd_images.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

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

// Sheets as ripping programs write them: the disc's one file named other than the sheet, a file
// per track (with or without the next track's pregap at its start), names in another case or
// with backslashes. Each track reads back its own samples; a pregap lies before its track.
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

// A sheet that is there but cannot be read is a damaged disc, not an empty drive.
TEST(CdImages, AnImageThatCannotBeReadIsToldApartFromNoDisc) {
    struct Case {
        const char* name;
        const char* from;
        const char* to;
    } cases[] = {
        {"track file missing", "disc.bin", "other.bin"},
        {"track file of a kind not read", "BINARY", "WAVE"},
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
