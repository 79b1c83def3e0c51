#include "service_window.h"

#include <chrono>

#include "messages.h"
#include "program_env.h"
#include "program_values.h"
#include "run_error.h"
#include "shared_procedures.h"
#include "upload_request.h"

ServiceWindowRef g_ServiceWindow;

namespace {
ServiceTimeouts& timeouts() {
    static ServiceTimeouts value;
    return value;
}
bool& defaultLoaded() {
    static bool loaded = false;
    return loaded;
}

class Deadline {
public:
    explicit Deadline(int seconds) : end_(std::chrono::steady_clock::now() + std::chrono::seconds(seconds)) {}
    bool passed() const { return std::chrono::steady_clock::now() >= end_; }

private:
    std::chrono::steady_clock::time_point end_;
};
}  // namespace

void SetServiceTimeouts(ServiceTimeouts value) { timeouts() = value; }
ServiceTimeouts GetServiceTimeouts() { return timeouts(); }

void ServiceWindowRelease::operator()(frm_Invisible* window) const {
    window->Unload();
    delete window;
}

ServiceWindowRef NewServiceWindow() {
    ServiceWindowRef window(new frm_Invisible());
    window->Load();
    return window;
}

frm_Invisible& DefaultServiceWindow() {
    defaultLoaded() = true;
    return forms::Default<frm_Invisible>();
}

void UnloadDefaultServiceWindow() {
    if (defaultLoaded()) forms::Default<frm_Invisible>().Unload();
    defaultLoaded() = false;
}

frm_Invisible::frm_Invisible()
    : forms::Form("frm_Invisible"), Inet1(*this, "Inet1"), Winsock1(*this, "Winsock1"), Label1(*this, "Label1") {
    Winsock1.OnConnect = [this] { Winsock1_Connect(); };
    Winsock1.OnDataArrival = [this](long bytesTotal) { Winsock1_DataArrival(bytesTotal); };
    Winsock1.OnSendComplete = [this] { Winsock1_SendComplete(); };
    Winsock1.OnClose = [this] { Winsock1_Close(); };
    Winsock1.OnError = [this](long number, const std::string& description, bool& cancel) {
        Winsock1_Error(number, description, cancel);
    };
}

frm_Invisible::~frm_Invisible() { *open_ = false; }

void frm_Invisible::Form_Load() {
    Inet1.ConnectTimeout(timeouts().connectSeconds);
    Inet1.RequestTimeout(timeouts().requestSeconds);
}

void frm_Invisible::Form_Unload(int&) {
    *open_ = false;
    try {
        Winsock1.Close();
    } catch (const forms::Error&) {
    }
    connected_ = false;
}

void frm_Invisible::Winsock1_Connect() { connected_ = true; }

void frm_Invisible::Winsock1_DataArrival(long bytesTotal) {
    std::string ignored;
    Winsock1.GetData(ignored, bytesTotal);
    answered_ = true;
}

void frm_Invisible::Winsock1_SendComplete() { sendComplete_ = true; }

void frm_Invisible::Winsock1_Close() {
    Winsock1.Close();
    connected_ = false;
    closedByPeer_ = true;
}

void frm_Invisible::Winsock1_Error(long, const std::string& Description, bool&) {
    ShowStandardMessageBox(Description, MessageIcon::Exclamation, "ERROR");
    Winsock1.Close();
    connected_ = false;
    socketFailed_ = true;
}

UploadResult frm_Invisible::fail(const std::string& text) {
    ShowStandardMessageBox(text, MessageIcon::Exclamation, "ERROR");
    Winsock1.Close();
    connected_ = false;
    return UploadResult::Failed;
}

UploadResult frm_Invisible::Upload_RingtoneFile(std::string pstr_RingtoneNameTest, std::string pstr_RingtoneName) {
    if (connected_) return UploadResult::NotStarted;
    UploadRequestRecord record = UploadRecordFor(g_UploadHost, g_UploadPath);
    if (pstr_RingtoneNameTest != pstr_RingtoneName) return UploadResult::NotStarted;
    std::string filePath = ProgramFolder() + "/" + pstr_RingtoneName;
    std::string fileData;
    try {
        fileData = ReadFileData(filePath);
    } catch (const RunError& error) {
        // An empty part would be posted as if it were the ringtone.
        ShowStandardMessageBox(error.description(), MessageIcon::Critical, "ERROR");
        return UploadResult::Failed;
    }
    std::string request = BuildUploadRequest(fileData, record, "uploadedfile", filePath, "audio");

    sendComplete_ = answered_ = socketFailed_ = closedByPeer_ = false;
    try {
        Winsock1.Close();
        Winsock1.LocalPort(0);
        Winsock1.RemoteHost(record.port != 0 ? record.host.substr(0, record.host.rfind(':')) : record.host);
        Winsock1.RemotePort(record.port != 0 ? record.port : 80);
        Winsock1.Connect();
    } catch (const forms::Error& error) {
        return fail(error.Description());
    }
    const auto open = open_;
    Deadline connecting(timeouts().connectSeconds);
    while (!connected_ && !socketFailed_ && !connecting.passed()) {
        forms::DoEvents();
        if (!*open) return UploadResult::Abandoned;
    }
    if (socketFailed_) return UploadResult::Failed;
    if (!connected_) return fail("Connection to the upload server timed out");

    try {
        Winsock1.SendData(request);
    } catch (const forms::Error& error) {
        return fail(error.Description());
    }
    // The socket tells of its last byte leaving, or the server answers once it has the whole
    // request; a close before either means the ringtone did not get there.
    Deadline sending(timeouts().requestSeconds);
    while (!sendComplete_ && !answered_ && !socketFailed_ && !closedByPeer_ && !sending.passed()) {
        forms::DoEvents();
        if (!*open) return UploadResult::Abandoned;
    }
    if (socketFailed_) return UploadResult::Failed;
    if (!sendComplete_ && !answered_) {
        return fail(closedByPeer_ ? "The connection closed before the ringtone was sent"
                                  : "Sending the ringtone timed out");
    }
    DeleteFileToRecycleBin(filePath);
    forms::DoEvents();
    return UploadResult::Sent;
}
