#include "card_control/pfpro_binding.h"

#include "card_control/gateway_engine.h"
#include "win32/module.h"

#include <cstdlib>
#include <string>
#include <string_view>

namespace card_control {

namespace {

using InitFn = int (*)();
using CreateContextFn = int (*)(int*, char*, int, int, char*, int, char*, char*);
using SubmitFn = int (*)(int, char*, long, char**);
using CompleteFn = void (*)(char*);
using DestroyFn = int (*)(int);
using CleanupFn = void (*)();

struct Binding {
    HMODULE library = nullptr;
    InitFn init = nullptr;
    CreateContextFn createContext = nullptr;
    SubmitFn submit = nullptr;
    CompleteFn complete = nullptr;
    DestroyFn destroy = nullptr;
    CleanupFn cleanup = nullptr;
};

Binding binding;

template <class F>
F entry(const char* name) {
    return reinterpret_cast<F>(GetProcAddress(binding.library, name));
}

char* mutableText(std::string& s) { return s.data(); }

}  // namespace

void PfProBinding::bind() {
    if (binding.library) return;
    binding.library = LoadLibraryA("pfpro.dll");
    if (!binding.library) return;
    binding.init = entry<InitFn>("pfproInit");
    binding.createContext = entry<CreateContextFn>("pfproCreateContext");
    binding.submit = entry<SubmitFn>("pfproSubmitTransaction");
    binding.complete = entry<CompleteFn>("pfproCompleteTransaction");
    binding.destroy = entry<DestroyFn>("pfproDestroyContext");
    binding.cleanup = entry<CleanupFn>("pfproCleanup");
}

void PfProBinding::release() {
    if (binding.library) FreeLibrary(binding.library);
    binding = Binding{};
}

bool PfProBinding::loaded() { return binding.library != nullptr; }

int PfProBinding::init() { return binding.init ? binding.init() : kPfProEntryMissing; }

int PfProBinding::createContext(int* context, const char* host, int port, int timeout, const char* proxy,
                                int proxyPort, const char* proxyUser, const char* proxyPassword) {
    if (!binding.createContext) return kPfProEntryMissing;
    std::string h = host, p = proxy, u = proxyUser, w = proxyPassword;
    return binding.createContext(context, mutableText(h), port, timeout, mutableText(p), proxyPort, mutableText(u),
                                 mutableText(w));
}

int PfProBinding::submitTransaction(int context, const char* parameters, long length, char** response) {
    if (!binding.submit) return kPfProEntryMissing;
    std::string text(parameters, static_cast<std::size_t>(length));
    return binding.submit(context, mutableText(text), length, response);
}

int PfProBinding::destroyContext(int context) {
    return binding.destroy ? binding.destroy(context) : kPfProEntryMissing;
}

void PfProBinding::completeTransaction(char* response) {
    if (binding.complete) binding.complete(response);
}

void PfProBinding::cleanup() {
    if (binding.cleanup) binding.cleanup();
}

// The gateway's row holds a bare host name; a "host:port" in GatewayURL reaches a server on
// another port than 443.
int GatewayEngine::payFlowProExchange() {
    if (!PfProBinding::loaded()) return fail(kPfProNotLoaded, "Unable to load pfpro.dll.");
    const int timeout = getTimeout() == 0 ? 30 : getTimeout();
    if (int rc = PfProBinding::init()) return fail(rc, "Unable to Initialize PayFlow Pro Interface.");
    std::string host = GatewayURL.data();
    int port = 443;
    const std::size_t colon = host.rfind(':');
    if (colon != std::string::npos && host.find("://") == std::string::npos) {
        port = std::atoi(host.c_str() + colon + 1);
        host.erase(colon);
    }
    int context = 0;
    if (int rc = PfProBinding::createContext(&context, host.c_str(), port, timeout, ProxyServer.data(), ProxyPort,
                                             ProxyUser.data(), ProxyPassword.data())) {
        PfProBinding::cleanup();
        return fail(rc, "Unable to create PayFlow Pro context.");
    }
    InlineString99 parameters;
    int result = payment_core::kOk;
    for (int i = 0; !result && i < formNames.count(); ++i) {
        const std::string_view value(formValues.get(i), static_cast<std::size_t>(formValues.itemLength(i)));
        result = parameters.append(formNames.get(i), static_cast<std::size_t>(formNames.itemLength(i)));
        // A value that could end its pair or start another goes with its length in bytes, which
        // the gateway reads in place of looking for the next '&'.
        if (!result && value.find_first_of("&=") != std::string_view::npos) {
            result = parameters.appendChar('[');
            if (!result) result = parameters.appendInt(static_cast<int>(value.size()));
            if (!result) result = parameters.appendChar(']');
        }
        if (!result) result = parameters.appendChar('=');
        if (!result) result = parameters.append(value.data(), value.size());
        if (!result) result = parameters.appendChar('&');
    }
    char* response = nullptr;
    int submitted = result;
    if (!result) {
        submitted = PfProBinding::submitTransaction(context, parameters.data(), parameters.length(), &response);
        if (submitted) setLastError("Error submitting PayFlow Pro transaction.");
    }
    ResponseData.assignCString(response ? response : "");
    if (response) PfProBinding::completeTransaction(response);
    if (int rc = PfProBinding::destroyContext(context)) {
        PfProBinding::cleanup();
        return fail(rc, "Unable to destroy PayFlow Pro context.");
    }
    PfProBinding::cleanup();
    // A transaction that never reached the gateway has no answer to read.
    if (submitted) return submitted;
    return parseAnswer();
}

}  // namespace card_control
