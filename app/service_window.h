#pragma once
// The hidden service window: the transfer control that carries the downloads and requests,
// and the socket of the upload. It is loaded but never shown.

#include <memory>
#include <string>

#include "forms/forms.h"

enum class UploadResult {
    Sent,        // the whole request went out; the file was deleted
    NotStarted,  // a previous upload is still connected, or the two names differ; the file is kept
    Failed,      // the user was told why; the file is kept
    Abandoned,   // the window was unloaded while the upload waited; nothing more was done
};

class frm_Invisible : public forms::Form {
public:
    frm_Invisible();
    ~frm_Invisible() override;

    forms::Inet Inet1;
    forms::Winsock Winsock1;
    forms::Label Label1;

    UploadResult Upload_RingtoneFile(std::string pstr_RingtoneNameTest, std::string pstr_RingtoneName);
    bool connected() const { return connected_; }

protected:
    void Form_Load() override;
    void Form_Unload(int& Cancel) override;

private:
    void Winsock1_Connect();
    void Winsock1_DataArrival(long bytesTotal);
    void Winsock1_SendComplete();
    void Winsock1_Close();
    void Winsock1_Error(long Number, const std::string& Description, bool& CancelDisplay);
    UploadResult fail(const std::string& text);

    // False from the moment the window starts unloading: an upload waiting on events then
    // touches nothing of it any more.
    std::shared_ptr<bool> open_ = std::make_shared<bool>(true);
    bool connected_ = false;
    bool sendComplete_ = false;
    bool answered_ = false;
    bool socketFailed_ = false;
    bool closedByPeer_ = false;
};

// Unloads the instance before it goes.
struct ServiceWindowRelease {
    void operator()(frm_Invisible* window) const;
};
using ServiceWindowRef = std::unique_ptr<frm_Invisible, ServiceWindowRelease>;

// The service-window reference that the downloads and the partner and home posts fill with a
// fresh instance and unload again.
extern ServiceWindowRef g_ServiceWindow;
ServiceWindowRef NewServiceWindow();
// The default instance, which the tracking request and the upload use.
frm_Invisible& DefaultServiceWindow();
void UnloadDefaultServiceWindow();

// Bounds of every request and of the upload's waits.
struct ServiceTimeouts {
    int connectSeconds = 15;
    int requestSeconds = 30;
};
void SetServiceTimeouts(ServiceTimeouts timeouts);
ServiceTimeouts GetServiceTimeouts();
