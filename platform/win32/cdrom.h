#pragma once
// CD drives as the program's paths name them: each drive gets a letter root ("D:\", "E:\" ...)
// in the order the system lists its drives. While an audio disc is in a drive, its root holds
// one read-only file per audio track, "Track01.cda", "Track02.cda" ...: GetFileAttributesA
// reports them and the audio editor opens them as the track's audio; they cannot be opened as
// files, and nothing else of a disc is offered as files.
//
// With PLATFORM_CD_IMAGE set to a disc image there is exactly one drive, D:, and the system's
// drives are not used; the image file being there is the disc being in the drive, so replacing
// or removing it changes discs. Machines without a drive and tests use this. A CUE sheet is
// read with the track files its FILE lines name, relative to its folder (one BIN for the disc
// or one per track); other images are whatever the CD library opens. An image that is there
// but cannot be read is told apart from an empty drive by its error.

#include "win32/base.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace win32 {

struct CdDrive {
    std::string root;    // "D:\"
    std::string device;  // the system's device, or the image file
    bool image = false;
};

struct CdTrack {
    int number = 0;
    bool audio = false;
    int32_t firstSector = 0;
    int32_t sectors = 0;
};

// CD audio: 44100 frames a second, two channels of signed 16-bit samples, 588 frames a sector.
constexpr int kCdSampleRate = 44100;
constexpr int kCdChannels = 2;
constexpr int32_t kCdFramesPerSector = 588;

std::vector<CdDrive> cdDrives();
// The drive whose root a path starts with ("d:", "D:\...", "D:/..."); any case.
std::optional<CdDrive> cdDriveOf(const std::string& path);
// The tracks of the disc in a drive. nullopt with the last error set: ERROR_NOT_READY with no
// disc, ERROR_BAD_FORMAT for an image that cannot be read (a sheet not understood, a track file
// it names missing, unreadable or too short).
std::optional<std::vector<CdTrack>> cdTracks(const CdDrive& drive);

// A path naming an audio track file of a disc that is in its drive: the drive and the track.
struct CdTrackFile {
    CdDrive drive;
    CdTrack track;
};
std::optional<CdTrackFile> cdTrackFile(const std::string& path);

// Reads sectors [first, first + count) of a disc's audio as interleaved samples. On failure
// returns nullopt with the last error set (21 ERROR_NOT_READY: no disc; 30 ERROR_READ_FAULT).
std::optional<std::vector<int16_t>> readCdAudio(const CdDrive& drive, int32_t firstSector, int32_t count);

// Opens the drive's tray; an image drive has none, so this only succeeds.
bool ejectCd(const CdDrive& drive);

// GetFileAttributesA's answer for a path on a CD drive: nullopt for paths of no CD drive.
std::optional<DWORD> cdPathAttributes(const std::string& path);

}  // namespace win32
