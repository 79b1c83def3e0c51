#pragma once
// HTTP actions through the platform's Internet library. Each action runs on a worker thread
// that drives the library synchronously and reports to the caller's thread by window message,
// so every hook runs on the caller's thread while it pumps under the usual Timeout.

#include <memory>

#include "payment_core/http_client.h"

namespace payment_core {
inline namespace PAYMENT_CORE_VARIANT {

// The message a worker's reports arrive with; its first parameter is the report's kind.
constexpr UINT kWinInetMessage = 1147;
constexpr int kWinInetStopped = 301;

// One action's request as the worker sees it, shared with the caller (defined with the worker).
struct WinInetRequest;
struct WinInetReport;

class WinInetHttpClient : public HttpClient {
public:
    WinInetHttpClient();
    ~WinInetHttpClient() override;

    int config(ConfigRequest& request, const char** answer) override;
    void initHttpsDefaults() override;
    LRESULT onWindowMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void onConnected(int code, const char* text) override;
    void onDisconnected(int code, const char* text) override;

    // The action entry that honours UseWinInet (action numbers as performAction's).
    int performActionWinInet(int action);

    bool UseWinInet = false;
    bool UseWinInetCookies = true;
    HANDLE workerThread = nullptr;
    unsigned char winInetAction = 0;

private:
    int runOnWorker(int action);
    void handleReport(WPARAM kind, WinInetReport& report);
    void reportBody(const WinInetReport& report);

    // The action in flight, or the last one; its worker may outlive it once abandoned.
    std::shared_ptr<WinInetRequest> request_;
};

}  // namespace PAYMENT_CORE_VARIANT
}  // namespace payment_core
