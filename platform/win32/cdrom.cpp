#include "win32/cdrom.h"

#include "win32/cue_sheet.h"
#include "win32/files.h"

#include <algorithm>
#include <bit>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>

#include <cdio/cdio.h>
#include <cdio/logging.h>
#include <sys/stat.h>

namespace win32 {
namespace {

// The CD library sets up its driver table on first use and keeps it process-wide. Its warnings
// about a disc's layout go to the terminal otherwise; its errors still do.
std::mutex& cdioLock() {
    static auto* m = [] {
        cdio_loglevel_default = CDIO_LOG_ERROR;
        return new std::mutex;
    }();
    return *m;
}

struct CdioCloser {
    void operator()(CdIo_t* p) const { cdio_destroy(p); }
};
using CdioHandle = std::unique_ptr<CdIo_t, CdioCloser>;

const char* imageVariable() {
    const char* value = std::getenv("PLATFORM_CD_IMAGE");
    return value && *value ? value : nullptr;
}

bool fileExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool endsWithNoCase(const std::string& path, const char* tail) {
    const size_t n = std::strlen(tail);
    if (path.size() < n) return false;
    for (size_t i = 0; i < n; ++i)
        if (std::tolower(static_cast<unsigned char>(path[path.size() - n + i])) != tail[i]) return false;
    return true;
}

// CUE sheets are read here, from the track files their FILE lines name; other images go to the
// CD library.
bool isCueSheet(const CdDrive& drive) { return drive.image && endsWithNoCase(drive.device, ".cue"); }

driver_id_t imageDriver(const std::string& path) {
    if (endsWithNoCase(path, ".toc")) return DRIVER_CDRDAO;
    if (endsWithNoCase(path, ".nrg")) return DRIVER_NRG;
    return DRIVER_BINCUE;
}

// Called with the lock held. An image drive is empty while its file is missing; a system
// drive without a disc opens but lists no tracks. nullopt with the last error set.
CdioHandle openDisc(const CdDrive& drive) {
    if (drive.image && !fileExists(drive.device)) {
        SetLastError(ERROR_NOT_READY);
        return nullptr;
    }
    CdioHandle p(cdio_open(drive.device.c_str(), drive.image ? imageDriver(drive.device) : DRIVER_DEVICE));
    if (!p || cdio_get_num_tracks(p.get()) == CDIO_INVALID_TRACK) {
        SetLastError(drive.image ? ERROR_BAD_FORMAT : ERROR_NOT_READY);
        return nullptr;
    }
    return p;
}

std::vector<CdTrack> listTracks(CdIo_t* p) {
    std::vector<CdTrack> tracks;
    const track_t first = cdio_get_first_track_num(p);
    const track_t count = cdio_get_num_tracks(p);
    for (track_t t = first; t < first + count; ++t) {
        const lsn_t start = cdio_get_track_lsn(p, t);
        const lsn_t last = cdio_get_track_last_lsn(p, t);
        if (start == CDIO_INVALID_LSN || last == CDIO_INVALID_LSN || last < start) continue;
        CdTrack track;
        track.number = t;
        track.audio = cdio_get_track_format(p, t) == TRACK_FORMAT_AUDIO;
        track.firstSector = start;
        track.sectors = last - start + 1;
        tracks.push_back(track);
    }
    return tracks;
}

bool equalNoCase(const std::string& a, const char* b) {
    if (a.size() != std::strlen(b)) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != b[i]) return false;
    return true;
}

// "TrackNN.cda" (any case) to NN; 0 for anything else.
int trackFileNumber(const std::string& name) {
    if (name.size() != 11 || !equalNoCase(name.substr(0, 5), "track") || !equalNoCase(name.substr(7), ".cda"))
        return 0;
    if (!std::isdigit(static_cast<unsigned char>(name[5])) || !std::isdigit(static_cast<unsigned char>(name[6])))
        return 0;
    return (name[5] - '0') * 10 + (name[6] - '0');
}

// The part of a path after its drive root, or nullopt when it is not on a drive.
std::optional<std::string> afterRoot(const std::string& path) {
    if (path.size() < 2 || !std::isalpha(static_cast<unsigned char>(path[0])) || path[1] != ':') return std::nullopt;
    if (path.size() == 2) return std::string();
    if (path[2] != '\\' && path[2] != '/') return std::nullopt;
    return path.substr(3);
}

}  // namespace

std::vector<CdDrive> cdDrives() {
    std::vector<CdDrive> drives;
    if (const char* image = imageVariable()) {
        drives.push_back({"D:\\", image, true});
        return drives;
    }
    std::lock_guard lock(cdioLock());
    char** devices = cdio_get_devices(DRIVER_DEVICE);
    char letter = 'D';
    for (char** d = devices; d && *d && letter <= 'Z'; ++d, ++letter)
        drives.push_back({std::string(1, letter) + ":\\", *d, false});
    if (devices) cdio_free_device_list(devices);
    return drives;
}

std::optional<CdDrive> cdDriveOf(const std::string& path) {
    if (!afterRoot(path)) return std::nullopt;
    const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(path[0])));
    for (auto& drive : cdDrives())
        if (drive.root[0] == letter) return drive;
    return std::nullopt;
}

std::optional<std::vector<CdTrack>> cdTracks(const CdDrive& drive) {
    if (isCueSheet(drive)) {
        auto disc = cue::readSheet(drive.device);
        if (!disc) return std::nullopt;
        return std::move(disc->tracks);
    }
    std::lock_guard lock(cdioLock());
    CdioHandle p = openDisc(drive);
    if (!p) return std::nullopt;
    return listTracks(p.get());
}

std::optional<CdTrackFile> cdTrackFile(const std::string& path) {
    auto rest = afterRoot(path);
    if (!rest) return std::nullopt;
    const int number = trackFileNumber(*rest);
    if (!number) return std::nullopt;
    auto drive = cdDriveOf(path);
    if (!drive) return std::nullopt;
    auto tracks = cdTracks(*drive);
    if (!tracks) return std::nullopt;
    for (auto& track : *tracks)
        if (track.number == number && track.audio) return CdTrackFile{*drive, track};
    return std::nullopt;
}

std::optional<std::vector<int16_t>> readCdAudio(const CdDrive& drive, int32_t firstSector, int32_t count) {
    if (count < 0) {
        SetLastError(ERROR_READ_FAULT);
        return std::nullopt;
    }
    std::vector<int16_t> samples(static_cast<size_t>(count) * kCdFramesPerSector * kCdChannels);
    if (isCueSheet(drive)) {
        auto disc = cue::readSheet(drive.device);
        if (!disc) {
            if (GetLastError() != ERROR_NOT_READY) SetLastError(ERROR_READ_FAULT);
            return std::nullopt;
        }
        if (!cue::readAudio(*disc, firstSector, count, samples.data())) return std::nullopt;
        return samples;
    }
    std::lock_guard lock(cdioLock());
    CdioHandle p = openDisc(drive);
    if (!p) {
        if (GetLastError() != ERROR_NOT_READY) SetLastError(ERROR_READ_FAULT);
        return std::nullopt;
    }
    // Read in runs that real drives accept in one command.
    constexpr int32_t kRun = 26;
    for (int32_t done = 0; done < count;) {
        const int32_t n = std::min(kRun, count - done);
        if (cdio_read_audio_sectors(p.get(), samples.data() + static_cast<size_t>(done) * kCdFramesPerSector * kCdChannels,
                                    firstSector + done, static_cast<uint32_t>(n)) != DRIVER_OP_SUCCESS) {
            SetLastError(ERROR_READ_FAULT);
            return std::nullopt;
        }
        done += n;
    }
    // Disc audio is little-endian.
    if constexpr (std::endian::native == std::endian::big)
        for (auto& s : samples) s = static_cast<int16_t>(__builtin_bswap16(static_cast<uint16_t>(s)));
    return samples;
}

bool ejectCd(const CdDrive& drive) {
    if (drive.image) return true;
    std::lock_guard lock(cdioLock());
    if (cdio_eject_media_drive(drive.device.c_str()) != DRIVER_OP_SUCCESS) {
        SetLastError(ERROR_NOT_READY);
        return false;
    }
    return true;
}

std::optional<DWORD> cdPathAttributes(const std::string& path) {
    auto rest = afterRoot(path);
    if (!rest) return std::nullopt;
    auto drive = cdDriveOf(path);
    if (!drive) return std::nullopt;
    auto tracks = cdTracks(*drive);
    if (!tracks) return INVALID_FILE_ATTRIBUTES;
    if (rest->empty()) return FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY;
    const int number = trackFileNumber(*rest);
    for (auto& track : *tracks)
        if (number && track.number == number && track.audio) return FILE_ATTRIBUTE_READONLY;
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_FILE_ATTRIBUTES;
}

}  // namespace win32
