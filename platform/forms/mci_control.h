#pragma once
// The Multimedia MCI control, for CD audio: a component without a window that drives the
// command-string interface under an alias of its own. The scripting runtime's file-system
// object for the drive list and file existence sits beside it.

#include <functional>
#include <string>
#include <vector>

#include "forms/controls.h"

namespace forms {

enum : long {
    mciModeNotReady = 524,
    mciModeStopped = 525,
    mciModePlaying = 526,
    mciModeOpen = 530,
};

class MMControl : public Component {
public:
    MMControl(Form& form, std::string name, int index = -1);
    ~MMControl() override;

    const std::string& DeviceType() const { return deviceType_; }
    void DeviceType(std::string type) { deviceType_ = std::move(type); }

    // Runs "Open", "Play", "Stop", "Next", "Prev", "Eject" or "Close" (any case). Open closes
    // what was open first and puts the disc at its first track; Next and Prev move to the start
    // of the neighbouring track, staying within the disc; Play runs to the end of the current
    // track. Another word raises 380. A command the device refuses raises its error (number and
    // text as Error and ErrorMessage keep them); a command that succeeds sets Error to 0.
    void Command(const std::string& command);
    const std::string& Command() const { return command_; }

    // No notifications are sent: the value is kept for the program only.
    bool Notify() const { return notify_; }
    void Notify(bool on) { notify_ = on; }
    // For the next command only: it returns when the device is done (a play, at its end).
    bool Wait() const { return wait_; }
    void Wait(bool on) { wait_ = on; }
    bool Shareable() const { return shareable_; }
    void Shareable(bool on) { shareable_ = on; }

    // Milliseconds between StatusUpdate events while the device is open; 0 sends none.
    long UpdateInterval() const { return updateInterval_; }
    void UpdateInterval(long ms);
    std::function<void()> StatusUpdate;

    // The current track; 0 with nothing open or no disc.
    long Track() const;
    // mciModePlaying while playing, mciModeStopped, mciModeOpen with the tray out and no disc,
    // mciModeNotReady with no disc or nothing open.
    long Mode() const;
    long Error() const { return error_; }
    const std::string& ErrorMessage() const { return errorMessage_; }

    void formUnloading() override;

private:
    std::string status(const std::string& what) const;
    void send(const std::string& command);
    void close();
    void restartUpdates();
    static int updateTick(void* self);

    std::string alias_;
    std::string deviceType_;
    std::string command_;
    bool notify_ = false;
    bool wait_ = false;
    bool shareable_ = false;
    bool open_ = false;
    long updateInterval_ = 1000;
    unsigned updateSource_ = 0;
    long error_ = 0;
    std::string errorMessage_;
};

enum : long { UnknownType = 0, Removable = 1, Fixed = 2, Remote = 3, CDRom = 4, RamDisk = 5 };

struct Drive {
    std::string DriveLetter;  // "D"
    std::string Path;         // "D:"
    std::string RootPath;     // "D:\"
    long DriveType = UnknownType;
    bool IsReady = false;     // a disc is in the drive
};

// The lettered drives of this system are its CD drives; other files live under "/".
class FileSystemObject {
public:
    std::vector<Drive> Drives() const;
    bool FileExists(const std::string& path) const;
};

}  // namespace forms
