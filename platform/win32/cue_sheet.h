#pragma once
// A disc image given as a CUE sheet: the track files its FILE lines name (relative to the
// sheet's folder) laid end to end are the disc, sector by sector. Track files hold raw sectors
// (BINARY little-endian, MOTOROLA big-endian audio) or, as WAVE, CD audio in a RIFF file; each
// track's mode gives its sector size.

#include "win32/cdrom.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace win32::cue {

// A stretch of the disc stored in one track file with one sector size.
struct Extent {
    std::string path;
    bool bigEndian = false;
    bool audio = false;
    int sectorBytes = 2352;
    int32_t firstSector = 0;  // on the disc
    int32_t sectors = 0;
    int64_t byteOffset = 0;  // in the file
};

struct Disc {
    std::vector<CdTrack> tracks;
    std::vector<Extent> extents;
};

// The disc a sheet describes. nullopt with the last error set: ERROR_NOT_READY when the sheet
// is not there (no disc in the drive), ERROR_BAD_FORMAT when the sheet cannot be read or
// understood, or a track file it names is missing, unreadable or shorter than its tracks.
std::optional<Disc> readSheet(const std::string& sheetPath);

// Reads count audio sectors from first into out (count * 1176 interleaved samples). false with
// ERROR_READ_FAULT for sectors off the disc, of a data track, or that cannot be read.
bool readAudio(const Disc& disc, int32_t first, int32_t count, int16_t* out);

}  // namespace win32::cue
