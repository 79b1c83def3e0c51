#include "service_window.h"

#include <chrono>
#include <utility>

#include "messages.h"
#include "program_env.h"
#include "program_values.h"
#include "run_error.h"
#include "shared_procedures.h"
#include "upload_request.h"

std::unique_ptr<frm_Invisible> g_ServiceWindow;

namespace {
UploadSocketFactory& socketFactory() {
    static UploadSocketFactory factory;
    return factory;
}
std::function<void()>& doEventsHook() {
    static std::function<void()> hook;
    return hook;
}
unsigned& uploadTimeoutMs() {
    static unsigned ms = 30000;
    return ms;
}
std::unique_ptr<frm_Invisible>& defaultInstance() {
    static std::unique_ptr<frm_Invisible> instance;
    return instance;
}

// A socket for a window made where no socket control exists: every connection fails.
class NoSocket : public UploadSocket {
public:
    void SetLocalPort(long) override {}
    void SetRemoteHost(const std::string&) override {}
    void SetRemotePort(long) override {}
    void Connect() override {
        if (onError) onError(10061, "Connection is forcefully rejected");
    }
    void SendData(const std::string&) override {}
    std::string GetData(long) override { return {}; }
    void Close() override {}
};

class Deadline {
public:
    explicit Deadline(unsigned ms) : end_(std::chrono::steady_clock::now() + std::chrono::milliseconds(ms)) {}
    bool passed() const { return std::chrono::steady_clock::now() >= end_; }

private:
    std::chrono::steady_clock::time_point end_;
};
}  // namespace

void SetUploadSocketFactory(UploadSocketFactory factory) { socketFactory() = std::move(factory); }
void SetDoEvents(std::function<void()> doEvents) { doEventsHook() = std::move(doEvents); }
void DoEvents() {
    if (doEventsHook()) doEventsHook()();
}
void SetUploadTimeoutMs(unsigned ms) { uploadTimeoutMs() = ms; }

std::unique_ptr<frm_Invisible> NewServiceWindow() {
    return std::make_unique<frm_Invisible>(socketFactory() ? socketFactory()() : std::make_unique<NoSocket>());
}

frm_Invisible& frm_Invisible::Default() {
    if (!defaultInstance()) defaultInstance() = NewServiceWindow();
    return *defaultInstance();
}

void frm_Invisible::UnloadDefault() { defaultInstance().reset(); }

frm_Invisible::frm_Invisible(std::unique_ptr<UploadSocket> socket) : Winsock1(std::move(socket)) {
    Winsock1->onConnect = [this] { Winsock1_Connect(); };
    Winsock1->onDataArrival = [this](long bytesTotal) { Winsock1_DataArrival(bytesTotal); };
    Winsock1->onSendComplete = [this] { Winsock1_SendComplete(); };
    Winsock1->onClose = [this] { Winsock1_Close(); };
    Winsock1->onError = [this](long number, const std::string& description) { Winsock1_Error(number, description); };
}

frm_Invisible::~frm_Invisible() {
    Winsock1->onConnect = nullptr;
    Winsock1->onDataArrival = nullptr;
    Winsock1->onSendComplete = nullptr;
    Winsock1->onClose = nullptr;
    Winsock1->onError = nullptr;
    Winsock1->Close();
    connected_ = false;
}

void frm_Invisible::Winsock1_Connect() { connected_ = true; }

void frm_Invisible::Winsock1_DataArrival(long bytesTotal) { Winsock1->GetData(bytesTotal); }

void frm_Invisible::Winsock1_SendComplete() { sendComplete_ = true; }

void frm_Invisible::Winsock1_Close() {
    Winsock1->Close();
    connected_ = false;
    closedByPeer_ = true;
}

void frm_Invisible::Winsock1_Error(long, const std::string& description) {
    ShowStandardMessageBox(description, MessageIcon::Exclamation, "ERROR");
    Winsock1->Close();
    connected_ = false;
    socketFailed_ = true;
}

UploadResult frm_Invisible::fail(const std::string& text) {
    ShowStandardMessageBox(text, MessageIcon::Exclamation, "ERROR");
    Winsock1->Close();
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

    sendComplete_ = socketFailed_ = closedByPeer_ = false;
    Winsock1->SetLocalPort(0);
    Winsock1->SetRemoteHost(record.port != 0 ? record.host.substr(0, record.host.rfind(':')) : record.host);
    Winsock1->SetRemotePort(record.port != 0 ? record.port : 80);
    Winsock1->Connect();
    Deadline connecting(uploadTimeoutMs());
    while (!connected_ && !socketFailed_ && !connecting.passed()) DoEvents();
    if (socketFailed_) return UploadResult::Failed;
    if (!connected_) return fail("Connection to the upload server timed out");

    Winsock1->SendData(request);
    Deadline sending(uploadTimeoutMs());
    while (!sendComplete_ && !socketFailed_ && !closedByPeer_ && !sending.passed()) DoEvents();
    if (socketFailed_) return UploadResult::Failed;
    if (!sendComplete_) {
        return fail(closedByPeer_ ? "The connection closed before the ringtone was sent"
                                  : "Sending the ringtone timed out");
    }
    DeleteFileToRecycleBin(filePath);
    DoEvents();
    return UploadResult::Sent;
}
