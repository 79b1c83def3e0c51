#include "win32/module.h"

#include "win32/files.h"

#include <climits>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <unordered_map>

#include <dlfcn.h>
#include <link.h>
#include <unistd.h>

namespace win32 {
namespace {

// A module handle is the loader's link map of the library (glibc's dlopen handle), so handles
// of one library agree however they were obtained. The state is never destroyed: libraries
// free their own loads while the process exits.
std::mutex& moduleLock() {
    static auto* m = new std::mutex;
    return *m;
}
std::unordered_map<void*, int>& loadCounts() {
    static auto* m = new std::unordered_map<void*, int>;
    return *m;
}
std::string& directoryOverride() {
    static auto* s = new std::string;
    return *s;
}

struct StandIn {
    const char* windowsName;
    const char* library;
};
constexpr StandIn kStandIns[] = {
    {"wsock32", "libwsock32.so"}, {"secur32", "libsecur32.so"}, {"security", "libsecur32.so"},
    {"crypt32", "libcrypt32.so"}, {"wininet", "libwininet.so"}, {"pfpro", "libpfpro.so"},
};

bool exists(const std::string& path) { return ::access(path.c_str(), F_OK) == 0; }

std::string resolve(LPCSTR name) {
    std::string path = hostPath(name);
    if (path.find('/') != std::string::npos) return path;
    std::string base;
    for (char c : path) base.push_back(c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c);
    if (base.size() > 4 && base.ends_with(".dll")) base.resize(base.size() - 4);
    const std::string folder = moduleDirectory();
    for (const auto& s : kStandIns)
        if (base == s.windowsName) return folder + "/" + s.library;
    if (exists(folder + "/" + path)) return folder + "/" + path;
    return "./" + path;
}

link_map* programMap() {
    static link_map* map = [] {
        link_map* m = nullptr;
        void* self = dlopen(nullptr, RTLD_NOW);
        if (self) dlinfo(self, RTLD_DI_LINKMAP, &m);
        return m;
    }();
    return map;
}

// Whether a handle names a library loaded now; a stale or made-up handle is never dereferenced.
bool isLoaded(HMODULE module) {
    if (!module) return false;
    for (link_map* m = programMap(); m; m = m->l_next)
        if (m == reinterpret_cast<link_map*>(module)) return true;
    return false;
}

link_map* ownerOf(const void* address) {
    Dl_info info{};
    void* extra = nullptr;
    if (!dladdr1(address, &info, &extra, RTLD_DL_LINKMAP)) return nullptr;
    return static_cast<link_map*>(extra);
}

// The symbol when the module itself defines it, not one of the libraries it pulls in.
void* ownSymbol(HMODULE module, const char* name) {
    void* sym = dlsym(module, name);
    if (!sym || ownerOf(sym) != reinterpret_cast<link_map*>(module)) return nullptr;
    return sym;
}

std::string fullPath(HMODULE module) {
    auto* map = reinterpret_cast<link_map*>(module);
    std::string name = module && map != programMap() && map->l_name ? map->l_name : "";
    if (name.empty()) {
        char buf[PATH_MAX];
        ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
        return n > 0 ? std::string(buf, static_cast<std::size_t>(n)) : std::string();
    }
    char real[PATH_MAX];
    return ::realpath(name.c_str(), real) ? std::string(real) : name;
}

}  // namespace

std::string moduleDirectory() {
    {
        std::lock_guard lock(moduleLock());
        if (!directoryOverride().empty()) return directoryOverride();
    }
    Dl_info info{};
    if (!dladdr(reinterpret_cast<const void*>(&moduleDirectory), &info) || !info.dli_fname) return ".";
    char real[PATH_MAX];
    std::string path = ::realpath(info.dli_fname, real) ? real : info.dli_fname;
    auto slash = path.rfind('/');
    return slash == std::string::npos ? "." : path.substr(0, slash);
}

void setModuleDirectory(const std::string& folder) {
    std::lock_guard lock(moduleLock());
    directoryOverride() = folder;
}

HMODULE moduleFromAddress(const void* address) { return reinterpret_cast<HMODULE>(ownerOf(address)); }

}  // namespace win32

using namespace win32;

HMODULE LoadLibraryA(LPCSTR fileName) {
    if (!fileName || !*fileName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    const std::string path = resolve(fileName);
    if (!exists(path)) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    // No lock is held here: a library's start-up code may load further libraries.
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* why = dlerror();
        std::string text = why ? why : "";
        if (text.find("undefined symbol") != std::string::npos)
            SetLastError(ERROR_PROC_NOT_FOUND);
        else if (text.find("No such file") != std::string::npos)
            SetLastError(ERROR_MOD_NOT_FOUND);
        else
            SetLastError(ERROR_BAD_EXE_FORMAT);
        return nullptr;
    }
    std::lock_guard lock(moduleLock());
    ++loadCounts()[handle];
    return static_cast<HMODULE>(handle);
}

BOOL FreeLibrary(HMODULE module) {
    {
        std::lock_guard lock(moduleLock());
        auto it = loadCounts().find(module);
        if (it == loadCounts().end()) {
            // A library that the loader brought in by itself is never unloaded from here.
            if (isLoaded(module)) return TRUE;
            SetLastError(ERROR_INVALID_HANDLE);
            return FALSE;
        }
        if (--it->second == 0) loadCounts().erase(it);
    }
    dlclose(module);
    return TRUE;
}

FARPROC GetProcAddress(HMODULE module, LPCSTR procName) {
    if (!isLoaded(module)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    if (!procName) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    FARPROC proc = nullptr;
    if (IS_INTRESOURCE(procName)) {
        using ByOrdinal = FARPROC (*)(WORD);
        if (void* lookup = ownSymbol(module, "PlatformProcByOrdinal"))
            proc = reinterpret_cast<ByOrdinal>(lookup)(static_cast<WORD>(reinterpret_cast<ULONG_PTR>(procName)));
    } else if (void* sym = ownSymbol(module, procName)) {
        proc = reinterpret_cast<FARPROC>(sym);
    }
    if (!proc) SetLastError(ERROR_PROC_NOT_FOUND);
    return proc;
}

HMODULE GetModuleHandleA(LPCSTR moduleName) {
    if (!moduleName) return reinterpret_cast<HMODULE>(programMap());
    const std::string path = resolve(moduleName);
    void* handle = exists(path) ? dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD) : nullptr;
    if (!handle) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    dlclose(handle);
    return static_cast<HMODULE>(handle);
}

DWORD GetModuleFileNameA(HMODULE module, LPSTR fileName, DWORD size) {
    if (module && !isLoaded(module)) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return 0;
    }
    if (!fileName || size == 0) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    const std::string path = fullPath(module);
    if (path.size() >= size) {
        std::memcpy(fileName, path.data(), size - 1);
        fileName[size - 1] = '\0';
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return size;
    }
    std::memcpy(fileName, path.c_str(), path.size() + 1);
    SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(path.size());
}
