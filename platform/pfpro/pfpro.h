#pragma once
// The payment vendor's client library stand-in: six calls that post a name/value transaction
// over HTTPS (libcurl) and hand back the gateway's answer. Exported unmangled, so the module can
// be bound by name at run time.

#include "win32/base.h"

extern "C" {
// 0 on success.
int pfproInit();
// Opens a context for one gateway host; the time-out is in seconds.
int pfproCreateContext(int* context, char* hostAddress, int hostPort, int timeout, char* proxyAddress,
                       int proxyPort, char* proxyLogon, char* proxyPassword);
// Posts the parameter text and returns the answer, which pfproCompleteTransaction releases.
int pfproSubmitTransaction(int context, char* parameters, long parameterLength, char** response);
void pfproCompleteTransaction(char* response);
int pfproDestroyContext(int context);
void pfproCleanup();
}

namespace pfpro {
// Codes the calls return.
constexpr int kOk = 0;
constexpr int kNotInitialised = -1;
constexpr int kBadContext = -2;
constexpr int kBadArgument = -3;
constexpr int kCannotConnect = -4;
constexpr int kTimeout = -5;
constexpr int kCertificate = -6;
constexpr int kTransfer = -7;
// The path the transaction is posted to, for test peers.
constexpr const char* kTransactionPath = "/transaction";
}  // namespace pfpro
