#pragma once
// The service window's transfer control: one blocking GET at a time, over the Internet library.

#include <string>

struct TransferAnswer {
    long status = 0;  // the HTTP status code
    std::string bytes;
    bool succeeded() const { return status >= 200 && status < 300; }
};

struct TransferTimeouts {
    unsigned connectMs = 15000;
    unsigned totalMs = 30000;
};

class InternetTransfer {
public:
    // Data types of OpenURL.
    static constexpr int icString = 0;
    static constexpr int icByteArray = 1;

    bool StillExecuting() const { return executing_; }
    // Fetches the address; a request that gets no answer (bad address, refused, timed out)
    // raises a RunError with the control's number and description.
    TransferAnswer OpenURL(const std::string& url, int dataType = icString);

    static void SetTimeouts(TransferTimeouts timeouts);
    static TransferTimeouts Timeouts();

private:
    bool executing_ = false;
};

// The connectivity check: true when the page at the address answers at all.
bool OpenPage(const std::string& agent, const std::string& url);

// Error numbers of the transfer control.
namespace transfer_errors {
constexpr long kCannotConnect = 35754;
constexpr long kTimedOut = 35761;
constexpr long kInvalidUrl = 35751;
constexpr long kHostNotFound = 35752;
constexpr long kRequestFailed = 35756;
}  // namespace transfer_errors
