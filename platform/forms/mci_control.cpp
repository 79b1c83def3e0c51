#include "forms/mci_control.h"

#include "forms/runtime.h"
#include "mci/mci.h"
#include "win32/cdrom.h"
#include "win32/files.h"

#include <glib.h>

#include <algorithm>
#include <atomic>
#include <cctype>

namespace forms {
namespace {

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

long toLong(const std::string& text) {
    try {
        return std::stol(text);
    } catch (const std::exception&) {
        return 0;
    }
}

}  // namespace

MMControl::MMControl(Form& form, std::string name, int index) : Component(form, std::move(name), index) {
    static std::atomic<unsigned> next{1};
    alias_ = "mmcontrol" + std::to_string(next++);
}

MMControl::~MMControl() { close(); }

void MMControl::formUnloading() { close(); }

void MMControl::close() {
    if (updateSource_) g_source_remove(updateSource_);
    updateSource_ = 0;
    if (open_) mciSendStringA(("close " + alias_).c_str(), nullptr, 0, nullptr);
    open_ = false;
}

void MMControl::send(const std::string& command) {
    const MCIERROR e = mciSendStringA(command.c_str(), nullptr, 0, nullptr);
    error_ = static_cast<long>(e);
    errorMessage_.clear();
    if (!e) return;
    char text[256];
    mciGetErrorStringA(e, text, sizeof text);
    errorMessage_ = text;
    raise(error_, errorMessage_, Name());
}

std::string MMControl::status(const std::string& what) const {
    if (!open_) return {};
    char answer[64];
    if (mciSendStringA(("status " + alias_ + " " + what).c_str(), answer, sizeof answer, nullptr) != MCI_OK) return {};
    return answer;
}

void MMControl::Command(const std::string& command) {
    const std::string word = lower(command);
    const std::string wait = wait_ ? " wait" : "";
    wait_ = false;
    command_ = command;
    if (word == "open") {
        close();
        send("open " + lower(deviceType_) + " alias " + alias_ + (shareable_ ? " shareable" : "") + wait);
        open_ = true;
        send("set " + alias_ + " time format tmsf");
        restartUpdates();
    } else if (word == "close") {
        if (!open_) return;
        close();
        error_ = 0;
        errorMessage_.clear();
    } else if (word == "play") {
        send("play " + alias_ + wait);
    } else if (word == "stop") {
        send("stop " + alias_ + wait);
    } else if (word == "eject") {
        send("set " + alias_ + " door open" + wait);
    } else if (word == "next" || word == "prev") {
        // Without a disc or an open device the seek raises the device's error.
        const long count = toLong(status("number of tracks"));
        const long track = Track();
        if (!count || !track) {
            send("seek " + alias_ + " to start");
            return;
        }
        const long to = word == "next" ? std::min(track + 1, count) : std::max(track - 1, 1L);
        send("seek " + alias_ + " to " + std::to_string(to) + wait);
    } else {
        raise(errInvalidPropertyValue);
    }
}

long MMControl::Track() const { return toLong(status("current track")); }

long MMControl::Mode() const {
    const std::string mode = status("mode");
    if (mode == "playing") return mciModePlaying;
    if (mode == "stopped") return mciModeStopped;
    if (mode == "open") return mciModeOpen;
    return mciModeNotReady;
}

void MMControl::UpdateInterval(long ms) {
    updateInterval_ = std::max(0L, ms);
    restartUpdates();
}

void MMControl::restartUpdates() {
    if (updateSource_) g_source_remove(updateSource_);
    updateSource_ = 0;
    if (open_ && updateInterval_ > 0)
        updateSource_ = g_timeout_add(static_cast<guint>(updateInterval_), &MMControl::updateTick, this);
}

int MMControl::updateTick(void* self) {
    auto* control = static_cast<MMControl*>(self);
    if (control->StatusUpdate) fire(control->StatusUpdate);
    return G_SOURCE_CONTINUE;
}

std::vector<Drive> FileSystemObject::Drives() const {
    std::vector<Drive> drives;
    for (auto& cd : win32::cdDrives()) {
        Drive d;
        d.DriveLetter = cd.root.substr(0, 1);
        d.Path = cd.root.substr(0, 2);
        d.RootPath = cd.root;
        d.DriveType = CDRom;
        auto tracks = win32::cdTracks(cd);
        d.IsReady = tracks && !tracks->empty();
        drives.push_back(d);
    }
    return drives;
}

bool FileSystemObject::FileExists(const std::string& path) const {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace forms
