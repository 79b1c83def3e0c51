#include "win32/cue_sheet.h"

#include <algorithm>
#include <bit>
#include <cctype>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace win32::cue {
namespace {

constexpr int kAudioSectorBytes = 2352;
// A sheet is a page of text; anything much larger is not one.
constexpr std::streamoff kMaxSheetBytes = 1 << 20;

struct BadSheet {};

std::string upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::toupper(c); });
    return text;
}

std::string trim(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

int sectorBytesOf(const std::string& mode) {
    if (mode == "AUDIO" || mode == "MODE1/2352" || mode == "MODE2/2352") return 2352;
    if (mode == "MODE1/2048") return 2048;
    if (mode == "MODE2/2336") return 2336;
    if (mode == "CDG") return 2448;
    throw BadSheet{};
}

// "mm:ss:ff" as sectors, 75 to the second.
int32_t sectorsOf(const std::string& msf) {
    int m = 0, s = 0, f = 0;
    char tail = 0;
    if (std::sscanf(msf.c_str(), "%3d:%2d:%2d%c", &m, &s, &f, &tail) != 3 || m < 0 || s < 0 || s > 59 || f < 0 ||
        f > 74)
        throw BadSheet{};
    return (m * 60 + s) * 75 + f;
}

// The entry of dir named base, in whatever case the file system holds it; empty when none.
std::string findIn(const std::string& dir, const std::string& base) {
    const std::string path = dir + "/" + base;
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) return path;
    const std::string wanted = upper(base);
    std::string found;
    if (DIR* d = ::opendir(dir.c_str())) {
        while (const dirent* entry = ::readdir(d))
            if (upper(entry->d_name) == wanted) {
                found = dir + "/" + entry->d_name;
                break;
            }
        ::closedir(d);
    }
    return found;
}

// Sheets written elsewhere may name their files with backslashes, in another case than the file
// system holds them, or by where they were on the machine that wrote the sheet ("C:\Rips\a.bin"):
// such a file is looked for by its bare name beside the sheet.
std::string locate(const std::string& folder, std::string name) {
    std::replace(name.begin(), name.end(), '\\', '/');
    const bool driveLetter = name.size() >= 2 && std::isalpha(static_cast<unsigned char>(name[0])) && name[1] == ':';
    const bool absolute = driveLetter || name[0] == '/';
    const std::string path = absolute ? name : folder + "/" + name;
    const auto slash = path.rfind('/');
    const std::string base = path.substr(slash + 1);
    std::string found = driveLetter ? std::string() : findIn(slash == 0 ? "/" : path.substr(0, slash), base);
    if (found.empty() && absolute) found = findIn(folder, base);
    return found.empty() ? path : found;
}

struct SheetTrack {
    int number = 0;
    int sectorBytes = kAudioSectorBytes;
    bool audio = false;
    bool carried = false;  // goes on from the previous file, whose last track it is
    int32_t pregap = -1;   // INDEX 00, in sectors of its file
    int32_t start = -1;    // INDEX 01
};

struct SheetFile {
    std::string path;
    bool bigEndian = false;
    bool wave = false;
    std::vector<SheetTrack> tracks;
};

std::vector<SheetFile> parse(const std::string& text, const std::string& folder) {
    std::vector<SheetFile> files;
    std::istringstream lines(text);
    int lastNumber = 0;
    for (std::string line; std::getline(lines, line);) {
        line = trim(line);
        if (files.empty() && line.rfind("\xEF\xBB\xBF", 0) == 0) line = trim(line.substr(3));
        std::istringstream words(line);
        std::string keyword;
        words >> keyword;
        keyword = upper(keyword);
        if (keyword == "FILE") {
            // The type is the last word; the name is all between, quoted or not.
            std::string rest = trim(line.substr(4));
            const auto space = rest.find_last_of(" \t");
            if (space == std::string::npos) throw BadSheet{};
            const std::string type = upper(rest.substr(space + 1));
            std::string name = trim(rest.substr(0, space));
            if (name.size() >= 2 && name.front() == '"' && name.back() == '"') name = name.substr(1, name.size() - 2);
            if (name.empty() || (type != "BINARY" && type != "MOTOROLA" && type != "WAVE")) throw BadSheet{};
            files.push_back({locate(folder, name), type == "MOTOROLA", type == "WAVE", {}});
        } else if (keyword == "TRACK") {
            int number = 0;
            std::string mode;
            if (files.empty() || !(words >> number >> mode) || number <= lastNumber || number > 99) throw BadSheet{};
            lastNumber = number;
            SheetTrack track;
            track.number = number;
            mode = upper(mode);
            track.sectorBytes = sectorBytesOf(mode);
            track.audio = mode == "AUDIO";
            files.back().tracks.push_back(track);
        } else if (keyword == "INDEX") {
            int index = -1;
            std::string at;
            if (files.empty() || !(words >> index >> at)) throw BadSheet{};
            // Some rippers end a file inside a track's pregap and give its INDEX 01 after the next
            // FILE line, with no TRACK line of its own there.
            if (files.back().tracks.empty()) {
                if (files.size() < 2 || files[files.size() - 2].tracks.empty()) throw BadSheet{};
                SheetTrack track = files[files.size() - 2].tracks.back();
                if (track.start >= 0) throw BadSheet{};
                track.carried = true;
                track.pregap = -1;
                files.back().tracks.push_back(track);
            }
            SheetTrack& track = files.back().tracks.back();
            if (index == 0) track.pregap = sectorsOf(at);
            if (index == 1) track.start = sectorsOf(at);
        }
    }
    if (files.empty()) throw BadSheet{};
    return files;
}

// Where a track file's sectors lie in it.
struct Stretch {
    int64_t offset = 0;
    int64_t bytes = 0;
};

int64_t fileBytes(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || ::access(path.c_str(), R_OK) != 0) throw BadSheet{};
    return st.st_size;
}

uint32_t le32(const unsigned char* p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24; }
uint16_t le16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

// The samples of a RIFF WAVE file, which must be in the disc's own format.
Stretch waveData(const std::string& path) {
    const int64_t size = fileBytes(path);
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw BadSheet{};
    auto readAt = [&](int64_t at, unsigned char* into, size_t length) {
        return at + static_cast<int64_t>(length) <= size &&
               ::pread(fd, into, length, static_cast<off_t>(at)) == static_cast<ssize_t>(length);
    };
    unsigned char head[12];
    bool pcm = false;
    std::optional<Stretch> data;
    if (readAt(0, head, sizeof head) && std::memcmp(head, "RIFF", 4) == 0 && std::memcmp(head + 8, "WAVE", 4) == 0) {
        for (int64_t at = 12; !data;) {
            unsigned char chunk[8];
            if (!readAt(at, chunk, sizeof chunk)) break;
            const int64_t length = le32(chunk + 4);
            if (std::memcmp(chunk, "fmt ", 4) == 0) {
                unsigned char fmt[16];
                if (length < 16 || !readAt(at + 8, fmt, sizeof fmt)) break;
                pcm = le16(fmt) == 1 && le16(fmt + 2) == 2 && le32(fmt + 4) == 44100 && le16(fmt + 12) == 4 &&
                      le16(fmt + 14) == 16;
            } else if (std::memcmp(chunk, "data", 4) == 0) {
                // A writer that could not go back to fill in the length leaves it too large.
                data = Stretch{at + 8, std::min(length, size - (at + 8))};
            }
            at += 8 + length + (length & 1);
        }
    }
    ::close(fd);
    if (!pcm || !data) throw BadSheet{};
    return *data;
}

// The track table holds sectors as int32_t.
constexpr int64_t kMaxDiscSectors = INT32_MAX;

int32_t firstIndexOf(const SheetTrack& t) { return t.pregap >= 0 ? t.pregap : t.start; }

Disc layOut(const std::vector<SheetFile>& files) {
    Disc disc;
    std::vector<int64_t> firstIndexes;  // on the disc: where each track's pregap, or the track, begins
    int64_t fileStart = 0;
    for (size_t f = 0; f < files.size(); ++f) {
        const SheetFile& file = files[f];
        if (file.tracks.empty()) throw BadSheet{};
        const Stretch data = file.wave ? waveData(file.path) : Stretch{0, fileBytes(file.path)};
        // Each track's stretch of the file runs from its first index to the next track's; the
        // file's first track's from the file's start, so what lies before its first index is
        // its pregap, read in its sectors.
        int64_t at = 0;
        int64_t bytes = 0;
        for (size_t i = 0; i < file.tracks.size(); ++i) {
            const SheetTrack& t = file.tracks[i];
            const bool last = i + 1 == file.tracks.size();
            const int32_t index = firstIndexOf(t);
            // A track whose INDEX 01 is in the next file runs on to this file's end.
            const bool runsOn = t.start < 0 && last && f + 1 < files.size() && files[f + 1].tracks.front().carried;
            if ((t.start < 0 && !runsOn) || (t.carried && t.pregap >= 0) || (file.wave && !t.audio) || index < at ||
                (t.start >= 0 && t.pregap > t.start))
                throw BadSheet{};
            const int64_t from = i == 0 ? 0 : index;
            const int64_t sectors = last ? std::max<int64_t>(0, (data.bytes - bytes) / t.sectorBytes)
                                         : firstIndexOf(file.tracks[i + 1]) - from;
            const int64_t lastIndex = t.start >= 0 ? t.start : t.pregap;
            if (sectors <= lastIndex - from || bytes + sectors * t.sectorBytes > data.bytes ||
                fileStart + from + sectors > kMaxDiscSectors)
                throw BadSheet{};
            disc.extents.push_back({file.path, file.bigEndian, t.audio, t.sectorBytes,
                                    static_cast<int32_t>(fileStart + from), static_cast<int32_t>(sectors),
                                    data.offset + bytes});
            if (t.carried) {
                disc.tracks.back().firstSector = static_cast<int32_t>(fileStart + t.start);
            } else {
                disc.tracks.push_back({t.number, t.audio, static_cast<int32_t>(fileStart + t.start), 0});
                firstIndexes.push_back(fileStart + (i == 0 ? 0 : index));
            }
            bytes += sectors * t.sectorBytes;
            at = from + sectors;
        }
        fileStart += at;
    }
    // A pregap is the next track's: a track ends where it begins, so that its audio is its own
    // whether the sheet keeps the gap in the track's file or the next one's, and an audio track
    // before a data track holds no data sectors.
    for (size_t i = 0; i < disc.tracks.size(); ++i) {
        const int64_t end = i + 1 < disc.tracks.size() ? firstIndexes[i + 1] : fileStart;
        disc.tracks[i].sectors = static_cast<int32_t>(end - disc.tracks[i].firstSector);
    }
    return disc;
}

}  // namespace

std::optional<Disc> readSheet(const std::string& sheetPath) {
    std::ifstream in(sheetPath, std::ios::binary);
    if (!in) {
        struct stat st {};
        SetLastError(::stat(sheetPath.c_str(), &st) == 0 ? ERROR_BAD_FORMAT : ERROR_NOT_READY);
        return std::nullopt;
    }
    try {
        in.seekg(0, std::ios::end);
        if (in.tellg() > kMaxSheetBytes) throw BadSheet{};
        in.seekg(0);
        const std::string text(std::istreambuf_iterator<char>(in), {});
        const auto slash = sheetPath.rfind('/');
        return layOut(parse(text, slash == std::string::npos ? "." : sheetPath.substr(0, slash)));
    } catch (const BadSheet&) {
        SetLastError(ERROR_BAD_FORMAT);
        return std::nullopt;
    }
}

bool readAudio(const Disc& disc, int32_t first, int32_t count, int16_t* out) {
    constexpr size_t kSamplesPerSector = kAudioSectorBytes / 2;
    int32_t sector = first;
    while (sector < first + count) {
        const auto extent = std::find_if(disc.extents.begin(), disc.extents.end(), [&](const Extent& e) {
            return sector >= e.firstSector && sector < e.firstSector + e.sectors;
        });
        if (extent == disc.extents.end() || !extent->audio) {
            SetLastError(ERROR_READ_FAULT);
            return false;
        }
        const int32_t n = std::min(first + count, extent->firstSector + extent->sectors) - sector;
        const size_t length = static_cast<size_t>(n) * kAudioSectorBytes;
        auto* target = reinterpret_cast<unsigned char*>(out + static_cast<size_t>(sector - first) * kSamplesPerSector);
        const int fd = ::open(extent->path.c_str(), O_RDONLY | O_CLOEXEC);
        size_t done = 0;
        if (fd >= 0) {
            const off_t at = static_cast<off_t>(extent->byteOffset +
                                                static_cast<int64_t>(sector - extent->firstSector) * kAudioSectorBytes);
            while (done < length) {
                const ssize_t got = ::pread(fd, target + done, length - done, at + static_cast<off_t>(done));
                if (got <= 0) break;
                done += static_cast<size_t>(got);
            }
            ::close(fd);
        }
        if (done < length) {
            SetLastError(ERROR_READ_FAULT);
            return false;
        }
        // The bytes are stored in the file's order; the samples are wanted in this machine's.
        const bool fileBig = extent->bigEndian;
        if (fileBig != (std::endian::native == std::endian::big))
            for (size_t i = 0; i + 1 < length; i += 2) std::swap(target[i], target[i + 1]);
        sector += n;
    }
    return true;
}

}  // namespace win32::cue
