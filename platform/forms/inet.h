#pragma once
// The Internet Transfer control: synchronous fetches of http and https addresses.

#include <string>

#include "forms/controls.h"

namespace forms {

enum : int { icString = 0, icByteArray = 1 };

// Error numbers the control raises.
enum : long {
    icErrorMalformedUrl = 35751,
    icErrorConnect = 35754,
    icErrorHostNotFound = 35755,
    icErrorHttpStatus = 35756,
    icErrorTransfer = 35757,
    icErrorTimeout = 35761,
    icErrorStillExecuting = 35764,
};

class Inet : public Component {
public:
    Inet(Form& form, std::string name, int index = -1);

    // Fetches the address and returns when the answer is complete. icString gives the body as
    // text (code page 1252 decoded to UTF-8), icByteArray the bytes as they came. Failures
    // raise: no connection, a time-out, or an HTTP status of 400 and above (ResponseCode).
    std::string OpenURL(const std::string& url, int dataType = icString);
    bool StillExecuting() const { return executing_; }

    // Seconds for the whole request (default 60; 0 also means 60: a silent server must not
    // hold the program).
    int RequestTimeout() const { return requestTimeout_; }
    void RequestTimeout(int seconds) { requestTimeout_ = seconds; }
    // Seconds to establish the connection (default 15).
    int ConnectTimeout() const { return connectTimeout_; }
    void ConnectTimeout(int seconds) { connectTimeout_ = seconds; }

    const std::string& URL() const { return url_; }
    long ResponseCode() const { return responseCode_; }

private:
    std::string url_;
    int requestTimeout_ = 60;
    int connectTimeout_ = 15;
    long responseCode_ = 0;
    bool executing_ = false;
};

}  // namespace forms
