#include "mci/mci.h"

#include "audio_editor/playback.h"
#include "win32/cdrom.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

struct ErrorText {
    MCIERROR code;
    const char* text;
};

constexpr ErrorText kErrorTexts[] = {
    {MCI_ERROR_NO_DEVICE, "There is no CD drive on this computer."},
    {MCI_ERROR_UNKNOWN_COMMAND, "The command is not one the device understands."},
    {MCI_ERROR_UNKNOWN_DEVICE_TYPE, "Only the device type cdaudio can be opened."},
    {MCI_ERROR_NOT_OPEN, "No device is open under that name."},
    {MCI_ERROR_ALIAS_IN_USE, "Another device is already open under that name."},
    {MCI_ERROR_DEVICE_IN_USE, "The device is open and not shared."},
    {MCI_ERROR_BAD_ARGUMENT, "A word or value of the command is not valid."},
    {MCI_ERROR_NO_DISC, "There is no disc in the drive."},
    {MCI_ERROR_OUT_OF_RANGE, "The position lies outside the disc."},
    {MCI_ERROR_READ_FAULT, "The disc could not be read."},
    {MCI_ERROR_NOT_AUDIO, "The track holds no audio."},
    {MCI_ERROR_NO_AUDIO_OUTPUT, "No audio output is available."},
    {MCI_ERROR_ANSWER_TOO_LONG, "The answer does not fit in the buffer given."},
    {MCI_ERROR_NO_NOTIFY, "Notifications are not offered."},
    {MCI_ERROR_DOOR, "The drive's tray could not be opened."},
    {MCI_ERROR_BAD_IMAGE, "The disc image, or a track file it names, cannot be read."},
};

enum class TimeFormat { Milliseconds, Tmsf };

struct Device {
    UINT id = 0;
    std::string alias;
    bool shareable = false;
    win32::CdDrive drive;
    TimeFormat format = TimeFormat::Milliseconds;
    bool doorOpen = false;
    // Where the next play starts; while playing, where the play started.
    int32_t sector = 0;
    bool playing = false;
    int32_t playEnd = 0;
    audio_editor::Clip clip;
    std::unique_ptr<audio_editor::Player> player;
};

struct Failure {
    MCIERROR code;
};

// Open devices by alias. Kept for the whole process: a device still open at exit stops with it.
std::mutex g_lock;
auto& g_devices = *new std::map<std::string, std::unique_ptr<Device>>;
UINT g_nextId = 1;

std::vector<std::string> words(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string w; in >> w;) {
        std::transform(w.begin(), w.end(), w.begin(), [](unsigned char c) { return std::tolower(c); });
        out.push_back(w);
    }
    return out;
}

// The disc's tracks; nullopt for an empty drive. A disc image that is there but cannot be read
// is an error of its own, never an empty drive.
std::optional<std::vector<win32::CdTrack>> discTracks(const win32::CdDrive& drive) {
    auto tracks = win32::cdTracks(drive);
    if (!tracks && GetLastError() != ERROR_NOT_READY) throw Failure{MCI_ERROR_BAD_IMAGE};
    if (tracks && tracks->empty()) return std::nullopt;
    return tracks;
}

std::vector<win32::CdTrack> tracksOf(const Device& d) {
    auto tracks = discTracks(d.drive);
    if (!tracks) throw Failure{MCI_ERROR_NO_DISC};
    return *tracks;
}

int32_t currentSector(const Device& d) {
    if (!d.playing) return d.sector;
    return d.sector + static_cast<int32_t>(d.player->position() / win32::kCdFramesPerSector);
}

// A play that ran to its end leaves the device stopped there.
void settle(Device& d) {
    if (d.playing && d.player->finished()) {
        d.player->stop();
        d.playing = false;
        d.sector = d.playEnd;
    }
}

void halt(Device& d) {
    if (!d.playing) return;
    d.sector = currentSector(d);
    d.player->stop();
    d.playing = false;
}

// The track a sector lies in; a position kept from another disc counts in its first track.
const win32::CdTrack* trackAt(const std::vector<win32::CdTrack>& tracks, int32_t sector) {
    const win32::CdTrack* found = &tracks.front();
    for (auto& t : tracks)
        if (sector >= t.firstSector) found = &t;
    return found;
}

long number(const std::string& text) {
    if (text.empty() || text.size() > 9 ||
        !std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c); }))
        throw Failure{MCI_ERROR_BAD_ARGUMENT};
    return std::stol(text);
}

int32_t parsePosition(const Device& d, const std::string& text, const std::vector<win32::CdTrack>& tracks) {
    if (d.format == TimeFormat::Milliseconds) {
        const int64_t sector = tracks.front().firstSector + static_cast<int64_t>(number(text)) * 75 / 1000;
        if (sector >= tracks.back().firstSector + tracks.back().sectors) throw Failure{MCI_ERROR_OUT_OF_RANGE};
        return static_cast<int32_t>(sector);
    }
    std::vector<long> parts;
    std::string part;
    std::istringstream in(text);
    while (std::getline(in, part, ':')) parts.push_back(number(part));
    if (parts.empty() || parts.size() > 4) throw Failure{MCI_ERROR_BAD_ARGUMENT};
    parts.resize(4, 0);
    auto track = std::find_if(tracks.begin(), tracks.end(), [&](auto& t) { return t.number == parts[0]; });
    if (track == tracks.end() || parts[2] > 59 || parts[3] > 74) throw Failure{MCI_ERROR_OUT_OF_RANGE};
    const long offset = (parts[1] * 60 + parts[2]) * 75 + parts[3];
    if (offset >= track->sectors) throw Failure{MCI_ERROR_OUT_OF_RANGE};
    return track->firstSector + static_cast<int32_t>(offset);
}

std::string formatPosition(const Device& d, int32_t sector, const std::vector<win32::CdTrack>& tracks) {
    if (d.format == TimeFormat::Milliseconds)
        return std::to_string(static_cast<int64_t>(sector - tracks.front().firstSector) * 1000 / 75);
    const win32::CdTrack* t = trackAt(tracks, sector);
    const int32_t offset = sector - t->firstSector;
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d:%02d", t->number, offset / 75 / 60, offset / 75 % 60, offset % 75);
    return text;
}

// The keyword list after the device name: single words, and words that take the next one.
struct Options {
    bool wait = false;
    bool notify = false;
    std::map<std::string, std::string> values;
    std::vector<std::string> rest;
};

Options options(const std::vector<std::string>& w, size_t from, std::initializer_list<const char*> valued) {
    Options o;
    for (size_t i = from; i < w.size(); ++i) {
        if (w[i] == "wait") {
            o.wait = true;
        } else if (w[i] == "notify") {
            o.notify = true;
        } else if (std::any_of(valued.begin(), valued.end(), [&](const char* v) { return w[i] == v; })) {
            if (i + 1 >= w.size()) throw Failure{MCI_ERROR_BAD_ARGUMENT};
            o.values[w[i]] = w[i + 1];
            ++i;
        } else {
            o.rest.push_back(w[i]);
        }
    }
    if (o.notify) throw Failure{MCI_ERROR_NO_NOTIFY};
    return o;
}

std::string rest(const Options& o) {
    std::string joined;
    for (auto& w : o.rest) joined += (joined.empty() ? "" : " ") + w;
    return joined;
}

std::string open(const std::vector<std::string>& w) {
    if (w.size() < 2) throw Failure{MCI_ERROR_BAD_ARGUMENT};
    if (w[1] != "cdaudio") throw Failure{MCI_ERROR_UNKNOWN_DEVICE_TYPE};
    Options o = options(w, 2, {"alias"});
    bool shareable = false;
    for (auto& word : o.rest) {
        if (word != "shareable") throw Failure{MCI_ERROR_BAD_ARGUMENT};
        shareable = true;
    }
    const std::string alias = o.values.count("alias") ? o.values["alias"] : w[1];
    if (alias == "all") throw Failure{MCI_ERROR_BAD_ARGUMENT};
    if (g_devices.count(alias)) throw Failure{MCI_ERROR_ALIAS_IN_USE};
    auto drives = win32::cdDrives();
    if (drives.empty()) throw Failure{MCI_ERROR_NO_DEVICE};
    for (auto& [name, other] : g_devices)
        if (other->drive.root == drives.front().root && !(other->shareable && shareable))
            throw Failure{MCI_ERROR_DEVICE_IN_USE};
    auto tracks = discTracks(drives.front());
    auto d = std::make_unique<Device>();
    d->id = g_nextId++;
    d->alias = alias;
    d->shareable = shareable;
    d->drive = drives.front();
    if (tracks) d->sector = tracks->front().firstSector;
    const std::string id = std::to_string(d->id);
    g_devices[alias] = std::move(d);
    return id;
}

Device& device(const std::string& alias) {
    auto it = g_devices.find(alias);
    if (it == g_devices.end()) throw Failure{MCI_ERROR_NOT_OPEN};
    settle(*it->second);
    return *it->second;
}

std::string close(const std::vector<std::string>& w) {
    options(w, 2, {});
    if (w[1] == "all") {
        g_devices.clear();
    } else {
        device(w[1]);
        g_devices.erase(w[1]);
    }
    return {};
}

std::string set(Device& d, const std::vector<std::string>& w) {
    const std::string what = rest(options(w, 2, {}));
    if (what == "time format tmsf") {
        d.format = TimeFormat::Tmsf;
    } else if (what == "time format milliseconds" || what == "time format ms") {
        d.format = TimeFormat::Milliseconds;
    } else if (what == "door open") {
        halt(d);
        if (!win32::ejectCd(d.drive)) throw Failure{MCI_ERROR_DOOR};
        d.doorOpen = true;
    } else if (what == "door closed") {
        d.doorOpen = false;
    } else {
        throw Failure{MCI_ERROR_BAD_ARGUMENT};
    }
    return {};
}

std::string status(Device& d, const std::vector<std::string>& w) {
    const std::string what = rest(options(w, 2, {}));
    if (what == "media present" || what == "ready") return discTracks(d.drive) ? "true" : "false";
    if (what == "mode") {
        if (d.playing) return "playing";
        if (!discTracks(d.drive)) return d.doorOpen ? "open" : "not ready";
        return "stopped";
    }
    if (what != "number of tracks" && what != "current track" && what != "position") throw Failure{MCI_ERROR_BAD_ARGUMENT};
    auto tracks = tracksOf(d);
    if (what == "number of tracks") return std::to_string(tracks.size());
    if (what == "current track") return std::to_string(trackAt(tracks, currentSector(d))->number);
    return formatPosition(d, currentSector(d), tracks);
}

std::string seek(Device& d, const std::vector<std::string>& w) {
    Options o = options(w, 2, {"to"});
    auto tracks = tracksOf(d);
    halt(d);
    if (!o.rest.empty() || !o.values.count("to")) throw Failure{MCI_ERROR_BAD_ARGUMENT};
    const std::string& to = o.values["to"];
    if (to == "start")
        d.sector = tracks.front().firstSector;
    else if (to == "end")
        d.sector = tracks.back().firstSector + tracks.back().sectors - 1;
    else
        d.sector = parsePosition(d, to, tracks);
    return {};
}

std::string play(Device& d, const std::vector<std::string>& w) {
    Options o = options(w, 2, {"from", "to"});
    if (!o.rest.empty()) throw Failure{MCI_ERROR_BAD_ARGUMENT};
    auto tracks = tracksOf(d);
    const int32_t from = o.values.count("from") ? parsePosition(d, o.values["from"], tracks) : currentSector(d);
    const win32::CdTrack* track = trackAt(tracks, from);
    if (from >= track->firstSector + track->sectors) throw Failure{MCI_ERROR_OUT_OF_RANGE};
    if (!track->audio) throw Failure{MCI_ERROR_NOT_AUDIO};
    int32_t to = track->firstSector + track->sectors;
    if (o.values.count("to")) to = std::min(to, parsePosition(d, o.values["to"], tracks));
    if (to <= from) throw Failure{MCI_ERROR_OUT_OF_RANGE};
    halt(d);
    auto samples = win32::readCdAudio(d.drive, from, to - from);
    if (!samples) throw Failure{GetLastError() == ERROR_NOT_READY ? MCI_ERROR_NO_DISC : MCI_ERROR_READ_FAULT};
    d.clip = audio_editor::Clip{win32::kCdSampleRate, win32::kCdChannels, std::move(*samples)};
    if (!d.player) d.player = std::make_unique<audio_editor::Player>();
    try {
        d.player->start(d.clip, 0, d.clip.frames());
    } catch (const audio_editor::EditorError&) {
        throw Failure{MCI_ERROR_NO_AUDIO_OUTPUT};
    }
    d.sector = from;
    d.playEnd = to;
    d.playing = true;
    d.doorOpen = false;
    return {};
}

std::string stop(Device& d, const std::vector<std::string>& w) {
    if (!options(w, 2, {}).rest.empty()) throw Failure{MCI_ERROR_BAD_ARGUMENT};
    halt(d);
    return {};
}

std::string run(const std::vector<std::string>& w, bool& waitForPlay, std::string& alias) {
    if (w.empty()) throw Failure{MCI_ERROR_UNKNOWN_COMMAND};
    const std::string& verb = w[0];
    if (verb != "open" && verb != "close" && verb != "set" && verb != "status" && verb != "seek" && verb != "play" &&
        verb != "stop")
        throw Failure{MCI_ERROR_UNKNOWN_COMMAND};
    if (w.size() < 2) throw Failure{MCI_ERROR_BAD_ARGUMENT};
    if (verb == "open") return open(w);
    if (verb == "close") return close(w);
    Device& d = device(w[1]);
    if (verb == "set") return set(d, w);
    if (verb == "status") return status(d, w);
    if (verb == "seek") return seek(d, w);
    if (verb == "stop") return stop(d, w);
    std::string answer = play(d, w);
    waitForPlay = std::find(w.begin(), w.end(), "wait") != w.end();
    alias = w[1];
    return answer;
}

// Whether the device under an alias is still playing; gone counts as done.
bool stillPlaying(const std::string& alias) {
    std::lock_guard lock(g_lock);
    auto it = g_devices.find(alias);
    if (it == g_devices.end()) return false;
    settle(*it->second);
    return it->second->playing;
}

}  // namespace

MCIERROR mciSendStringA(LPCSTR command, LPSTR answer, UINT answerLength, HWND) {
    if (answer && answerLength) answer[0] = '\0';
    if (!command) return MCI_ERROR_UNKNOWN_COMMAND;
    bool waitForPlay = false;
    std::string alias;
    std::string text;
    try {
        std::lock_guard lock(g_lock);
        text = run(words(command), waitForPlay, alias);
    } catch (const Failure& f) {
        return f.code;
    }
    while (waitForPlay && stillPlaying(alias)) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (answer && answerLength) {
        if (text.size() >= answerLength) return MCI_ERROR_ANSWER_TOO_LONG;
        std::memcpy(answer, text.c_str(), text.size() + 1);
    }
    return MCI_OK;
}

BOOL mciGetErrorStringA(MCIERROR error, LPSTR buffer, UINT length) {
    if (buffer && length) buffer[0] = '\0';
    for (auto& e : kErrorTexts) {
        if (e.code != error) continue;
        if (!buffer || !length) return FALSE;
        const size_t n = std::min<size_t>(std::strlen(e.text), length - 1);
        std::memcpy(buffer, e.text, n);
        buffer[n] = '\0';
        return TRUE;
    }
    return FALSE;
}
