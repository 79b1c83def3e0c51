#include "win32/cdrom.h"
#include "win32/files.h"
#include "win32/testing/cd_images.h"

#include <gtest/gtest.h>

namespace {

using cd_images::DiscFolder;

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

TEST(CdDrives, PathsOffCdDrivesKeepTheFileSystem) {
    unsetenv("PLATFORM_CD_IMAGE");
    EXPECT_FALSE(win32::cdPathAttributes("/tmp"));
    EXPECT_EQ(GetFileAttributesA("/tmp"), FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace
