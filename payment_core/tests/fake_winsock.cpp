// A socket library that only starts and stops, negotiating the version it was built with. It
// counts its ordinal look-ups and how many starts are still open.

#include <cstring>

#include "winsock/winsock.h"

namespace {

int lookups = 0;
int openStartups = 0;

int fakeStartup(WORD, LPWSADATA data) {
    std::memset(data, 0, sizeof *data);
    data->wVersion = FAKE_WINSOCK_VERSION;
    data->wHighVersion = FAKE_WINSOCK_VERSION;
    std::strcpy(data->szDescription, "Fake provider");
    std::strcpy(data->szSystemStatus, "Running");
    data->iMaxSockets = 7;
    data->iMaxUdpDg = 512;
    ++openStartups;
    return 0;
}

int fakeCleanup() {
    --openStartups;
    return 0;
}

int fakeLastError() { return 0; }
int fakeCancel() { return 0; }
BOOL fakeIsBlocking() { return FALSE; }

}  // namespace

extern "C" __attribute__((visibility("default"))) FARPROC PlatformProcByOrdinal(WORD ordinal) {
    ++lookups;
    switch (ordinal) {
        case 115: return reinterpret_cast<FARPROC>(&fakeStartup);
        case 116: return reinterpret_cast<FARPROC>(&fakeCleanup);
        case 111: return reinterpret_cast<FARPROC>(&fakeLastError);
        case 113: return reinterpret_cast<FARPROC>(&fakeCancel);
        case 114: return reinterpret_cast<FARPROC>(&fakeIsBlocking);
        default: return nullptr;
    }
}

extern "C" __attribute__((visibility("default"))) int FakeWinsockLookups() { return lookups; }
extern "C" __attribute__((visibility("default"))) int FakeWinsockOpenStartups() { return openStartups; }
