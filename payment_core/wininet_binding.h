#pragma once
// The Internet library, bound by name at run time once per process. A call through a missing
// library or entry fails (0, last error 127), so a request without the library fails cleanly.

#include <type_traits>

#include "payment_core/core_build.h"
#include "wininet/wininet.h"

namespace payment_core {
inline namespace PAYMENT_CORE_VARIANT {

template <class Fn>
struct WinInetEntry;

template <class R, class... A>
struct WinInetEntry<R (*)(A...)> {
    R (*fn)(A...) = nullptr;
    R operator()(A... args) const {
        if (!fn) {
            SetLastError(ERROR_PROC_NOT_FOUND);
            return R{};
        }
        return fn(args...);
    }
};

struct WinInetFunctions {
    WinInetEntry<decltype(&::InternetCloseHandle)> InternetCloseHandle;
    WinInetEntry<decltype(&::InternetReadFile)> InternetReadFile;
    WinInetEntry<decltype(&::HttpQueryInfoA)> HttpQueryInfoA;
    WinInetEntry<decltype(&::HttpSendRequestA)> HttpSendRequestA;
    WinInetEntry<decltype(&::HttpAddRequestHeadersA)> HttpAddRequestHeadersA;
    WinInetEntry<decltype(&::HttpOpenRequestA)> HttpOpenRequestA;
    WinInetEntry<decltype(&::InternetConnectA)> InternetConnectA;
    WinInetEntry<decltype(&::InternetSetStatusCallback)> InternetSetStatusCallback;
    WinInetEntry<decltype(&::InternetOpenA)> InternetOpenA;
    WinInetEntry<decltype(&::InternetSetOptionA)> InternetSetOptionA;
    WinInetEntry<decltype(&::InternetQueryOptionA)> InternetQueryOptionA;
};

// The library's entries, bound on first use.
const WinInetFunctions& winInet();

// The text of a library error code: the known ones by name, any other as "[code] (no
// description available)". The text lives in `buffer` when it has to be made.
const char* winInetErrorText(DWORD code, char (&buffer)[48]);

// The text reported for a status callback, or null for the states that report nothing.
// `info` is the callback's information block (the connected state for status 200).
const char* winInetStatusText(DWORD status, const void* info, DWORD infoLength);

}  // namespace PAYMENT_CORE_VARIANT
}  // namespace payment_core
