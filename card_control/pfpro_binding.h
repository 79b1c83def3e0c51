#pragma once
// The vendor's client library, bound by name once per process when the control's library is
// loaded and freed when it is unloaded. A missing library or entry point leaves the calls unbound.

namespace card_control {

constexpr int kPfProEntryMissing = 514;
constexpr int kPfProNotLoaded = 516;

class PfProBinding {
public:
    // Loads "pfpro.dll" and looks up the six entry points, unless that was done already.
    static void bind();
    static void release();
    static bool loaded();

    // Each returns 514 when its entry point is missing.
    static int init();
    static int createContext(int* context, const char* host, int port, int timeout, const char* proxy,
                             int proxyPort, const char* proxyUser, const char* proxyPassword);
    static int submitTransaction(int context, const char* parameters, long length, char** response);
    static int destroyContext(int context);
    // Skipped when missing.
    static void completeTransaction(char* response);
    static void cleanup();
};

}  // namespace card_control
