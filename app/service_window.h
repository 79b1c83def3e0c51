#pragma once
// The hidden service window: the transfer control that carries the downloads and requests,
// and the socket of the upload.

#include <functional>
#include <memory>
#include <string>

#include "internet_transfer.h"

// What the upload needs of the window's socket control. Events come back through the
// handlers while the message loop runs.
class UploadSocket {
public:
    virtual ~UploadSocket() = default;
    virtual void SetLocalPort(long port) = 0;
    virtual void SetRemoteHost(const std::string& host) = 0;
    virtual void SetRemotePort(long port) = 0;
    virtual void Connect() = 0;
    virtual void SendData(const std::string& bytes) = 0;
    virtual std::string GetData(long length) = 0;
    virtual void Close() = 0;

    std::function<void()> onConnect;
    std::function<void(long bytesTotal)> onDataArrival;
    std::function<void()> onSendComplete;
    std::function<void()> onClose;
    std::function<void(long number, const std::string& description)> onError;
};

enum class UploadResult {
    Sent,        // the whole request went out; the file was deleted
    NotStarted,  // a previous upload is still connected, or the two names differ; the file is kept
    Failed,      // the user was told why; the file is kept
};

class frm_Invisible {
public:
    explicit frm_Invisible(std::unique_ptr<UploadSocket> socket);
    ~frm_Invisible();
    frm_Invisible(const frm_Invisible&) = delete;
    frm_Invisible& operator=(const frm_Invisible&) = delete;

    InternetTransfer Inet1;

    UploadResult Upload_RingtoneFile(std::string pstr_RingtoneNameTest, std::string pstr_RingtoneName);
    bool connected() const { return connected_; }

    // The instance the tracking request and the upload use, made on first use and kept.
    static frm_Invisible& Default();
    static void UnloadDefault();

private:
    void Winsock1_Connect();
    void Winsock1_DataArrival(long bytesTotal);
    void Winsock1_SendComplete();
    void Winsock1_Close();
    void Winsock1_Error(long number, const std::string& description);
    UploadResult fail(const std::string& text);

    std::unique_ptr<UploadSocket> Winsock1;
    bool connected_ = false;
    bool sendComplete_ = false;
    bool socketFailed_ = false;
    bool closedByPeer_ = false;
};

// How service windows come to be: each gets its socket from here, and the upload's waits
// yield to the message loop through DoEvents. The program sets them up once; tests too.
using UploadSocketFactory = std::function<std::unique_ptr<UploadSocket>()>;
void SetUploadSocketFactory(UploadSocketFactory factory);
void SetDoEvents(std::function<void()> doEvents);
void DoEvents();
// Longest wait for the upload's connection and for its data to leave.
void SetUploadTimeoutMs(unsigned ms);

// The service-window reference that the downloads and the partner and home posts fill with
// a fresh instance and unload again.
extern std::unique_ptr<frm_Invisible> g_ServiceWindow;
std::unique_ptr<frm_Invisible> NewServiceWindow();
