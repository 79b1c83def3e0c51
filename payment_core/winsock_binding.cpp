#include "payment_core/winsock_binding.h"

#include <cstring>
#include <mutex>
#include <type_traits>

#include "win32/module.h"

namespace payment_core {
inline namespace PAYMENT_CORE_VARIANT {

namespace {

constexpr int kPathLimit = 200;
constexpr const char* kDefaultPath = "WSOCK32.DLL";

// What a slot answers while no library is bound.
constexpr long long fallbackValue(int ordinal) {
    switch (ordinal) {
        case 115: return 10091;  // WSAStartup: network subsystem unavailable
        case 111: return 10093;  // WSAGetLastError: not initialised
        case 8: case 9: case 14: case 15: case 151: case 114: return 0;
        default: return -1;  // SOCKET_ERROR, INVALID_SOCKET, INADDR_NONE; pointer results are null
    }
}

template <class Fn, long long Value>
struct Fallback;
template <class R, class... A, long long Value>
struct Fallback<R (*)(A...), Value> {
    static R call(A...) {
        if constexpr (std::is_void_v<R>) {
            return;
        } else if constexpr (std::is_pointer_v<R>) {
            return nullptr;
        } else {
            return static_cast<R>(Value);
        }
    }
};

void installFallbacks(WinsockTable& table) {
#define PAYMENT_CORE_FALLBACK(ord, name, ret, args) \
    table.name.set(&Fallback<winsock::name##_fn, fallbackValue(ord)>::call);
    WINSOCK_ENTRY_POINTS(PAYMENT_CORE_FALLBACK)
#undef PAYMENT_CORE_FALLBACK
}

// A missing ordinal keeps its fallback.
void bindWinsockOrdinals(WinsockTable& table, HMODULE module) {
#define PAYMENT_CORE_BIND(ord, name, ret, args)                      \
    if (FARPROC p = GetProcAddress(module, MAKEINTRESOURCEA(ord))) \
        table.name.set(reinterpret_cast<winsock::name##_fn>(p));
    WINSOCK_ENTRY_POINTS(PAYMENT_CORE_BIND)
#undef PAYMENT_CORE_BIND
}

struct WinsockState {
    HMODULE library = nullptr;
    unsigned short users = 0;
    WSADATA startupData{};
    char path[kPathLimit + 1] = {};
};

// Loads and unloads may come from components on several threads.
std::mutex& stateLock() {
    static auto* m = new std::mutex;
    return *m;
}

WinsockState& state() {
    static WinsockState* s = [] {
        auto* st = new WinsockState;
        std::strcpy(st->startupData.szSystemStatus, "Down");
        std::strcpy(st->path, kDefaultPath);
        return st;
    }();
    return *s;
}

void setStatus(WinsockState& s, const char* text) {
    std::strncpy(s.startupData.szSystemStatus, text, WSASYS_STATUS_LEN);
    s.startupData.szSystemStatus[WSASYS_STATUS_LEN] = 0;
}

// Gives back one load: the library is freed once per load, after the fallbacks are back when
// this was the last user.
void releaseLoad(WinsockState& s, bool negotiated) {
    WinsockTable& table = winsockTable();
    --s.users;
    table.WSACancelBlockingCall();
    if (negotiated) table.WSACleanup();
    s.startupData.szDescription[0] = 0;
    setStatus(s, "Down");
    s.startupData.iMaxSockets = 0;
    s.startupData.iMaxUdpDg = 0;
    HMODULE library = s.library;
    if (s.users == 0) {
        installFallbacks(table);
        s.library = nullptr;
    }
    FreeLibrary(library);
}

}  // namespace

WinsockTable& winsockTable() {
    static WinsockTable* table = [] {
        auto* t = new WinsockTable;
        installFallbacks(*t);
        return t;
    }();
    return *table;
}

int startWinsock() {
    std::lock_guard lock(stateLock());
    WinsockState& s = state();
    WinsockTable& table = winsockTable();
    HMODULE module = LoadLibraryA(s.path);
    if (!module) {
        setStatus(s, "Could not load Winsock DLL.");
        return 0;
    }
    if (++s.users == 1) {
        s.library = module;
        bindWinsockOrdinals(table, module);
    }
    WSADATA data{};
    const int rc = table.WSAStartup(0x0101, &data);
    if (rc == 0) s.startupData = data;
    // The reason is written after the release, which would otherwise overwrite it with "Down".
    const char* refusal = nullptr;
    bool negotiated = false;
    if (rc == 10022 || rc == 10092) {
        refusal = "Version not supported.";
    } else if (rc != 0) {
        refusal = "Network subsystem not ready.";
    } else if (data.wVersion != 0x0101) {
        refusal = "Incompatible Winsock version.";
        negotiated = true;
    }
    if (!refusal) return 1;
    releaseLoad(s, negotiated);
    setStatus(s, refusal);
    return 0;
}

void stopWinsock() {
    std::lock_guard lock(stateLock());
    WinsockState& s = state();
    if (s.users == 0 || !s.library) return;
    releaseLoad(s, true);
}

void setWinsockPath(const char* text) {
    std::lock_guard lock(stateLock());
    WinsockState& s = state();
    if (!text || !*text) text = kDefaultPath;
    std::strncpy(s.path, text, kPathLimit);
    s.path[kPathLimit] = 0;
}

int winsockInfo(InlineString99& out) {
    std::lock_guard lock(stateLock());
    return out.assignCString(state().startupData.szDescription);
}

int winsockStatus(InlineString99& out) {
    std::lock_guard lock(stateLock());
    return out.assignCString(state().startupData.szSystemStatus);
}

int winsockPath(InlineString99& out) {
    std::lock_guard lock(stateLock());
    WinsockState& s = state();
    if (s.library) {
        char name[kPathLimit + 1] = {};
        if (GetModuleFileNameA(s.library, name, sizeof name) > 0) {
            name[kPathLimit] = 0;
            std::strcpy(s.path, name);
        }
    }
    return out.assignCString(s.path);
}

int winsockMaxSockets() {
    std::lock_guard lock(stateLock());
    return state().startupData.iMaxSockets;
}

int winsockMaxDatagramSize() {
    std::lock_guard lock(stateLock());
    return state().startupData.iMaxUdpDg;
}

int winsockUsers() {
    std::lock_guard lock(stateLock());
    return state().users;
}

const char* winsockErrorText(int code) {
    struct Entry {
        int code;
        const char* text;
    };
    static constexpr Entry kTexts[] = {
        {10004, "Interrupted system call"},
        {10009, "Bad file number"},
        {10013, "Access denied"},
        {10014, "Bad address"},
        {10022, "Invalid argument"},
        {10024, "Too many open files"},
        {10035, "Operation would block"},
        {10036, "Operation now in progress"},
        {10037, "Operation already in progress"},
        {10038, "Socket operation on non-socket"},
        {10039, "Destination address required"},
        {10040, "Message too long"},
        {10041, "Protocol wrong type for socket"},
        {10042, "Bad protocol option"},
        {10043, "Protocol not supported"},
        {10044, "Socket type not supported"},
        {10045, "Operation not supported on socket"},
        {10046, "Protocol family not supported"},
        {10047, "Address family not supported by protocol family"},
        {10048, "Address already in use"},
        {10049, "Can't assign requested address"},
        {10050, "Network is down"},
        {10051, "Network is unreachable"},
        {10052, "Net dropped connection or reset"},
        {10053, "Software caused connection abort"},
        {10054, "Connection reset by peer"},
        {10055, "No buffer space available"},
        {10056, "Socket is already connected"},
        {10057, "Socket is not connected"},
        {10058, "Can't send after socket shutdown"},
        {10059, "Too many references, can't splice"},
        {10060, "Connection timed out"},
        {10061, "Connection refused"},
        {10062, "Too many levels of symbolic links"},
        {10063, "File name too long"},
        {10064, "Host is down"},
        {10065, "No route to host"},
        {10066, "Directory not empt"},
        {10067, "Too many processes"},
        {10068, "Too many users"},
        {10069, "Disc Quota Exceeded"},
        {10070, "Stale NFS file handle"},
        {10071, "Too many levels of remote in path"},
        {10091, "Network subsystem is unavailable"},
        {10092, "WINSOCK DLL Version out of range"},
        {10093, "Winsock not loaded yet (WSANOTINITIALISED)"},
        {11001, "Host not found"},
        {11002, "Non-authoritative 'Host not found' (try again or check DNS setup)"},
        {11003, "Non-recoverable errors: FORMERR, REFUSED, NOTIMP"},
        {11004, "Valid name, no data record (check DNS setup)"},
    };
    for (const Entry& e : kTexts)
        if (e.code == code) return e.text;
    return nullptr;
}

}  // namespace PAYMENT_CORE_VARIANT
}  // namespace payment_core
