#include "shell/shell.h"

#include <gio/gio.h>

#include <atomic>
#include <cstring>
#include <string>
#include <vector>

namespace {
std::atomic<shell::AddressOpener> opener{nullptr};

bool openWithDesktop(const char* address) {
    GError* error = nullptr;
    std::string uri = address;
    if (!g_uri_peek_scheme(address)) {
        GFile* file = g_file_new_for_path(address);
        char* u = g_file_get_uri(file);
        uri = u;
        g_free(u);
        g_object_unref(file);
    }
    gboolean ok = g_app_info_launch_default_for_uri(uri.c_str(), nullptr, &error);
    if (error) g_error_free(error);
    return ok;
}

bool openAddress(const char* address) {
    if (!address || !*address) return false;
    if (auto f = opener.load()) return f(address);
    return openWithDesktop(address);
}

std::string toPosixPath(const char* p) {
    std::string s = p;
    for (char& c : s)
        if (c == '\\') c = '/';
    return s;
}

std::string lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}
}  // namespace

namespace shell {
void setAddressOpener(AddressOpener f) { opener.store(f); }
}  // namespace shell

int SHFileOperationA(SHFILEOPSTRUCTA* op) {
    if (!op || !op->pFrom) return static_cast<int>(ERROR_INVALID_PARAMETER);
    if (op->wFunc != FO_DELETE) return static_cast<int>(ERROR_NOT_SUPPORTED);
    op->fAnyOperationsAborted = FALSE;
    int result = 0;
    for (const char* p = op->pFrom; *p; p += std::strlen(p) + 1) {
        std::string path = toPosixPath(p);
        GFile* file = g_file_new_for_path(path.c_str());
        GError* error = nullptr;
        gboolean ok = (op->fFlags & FOF_ALLOWUNDO) ? g_file_trash(file, nullptr, &error)
                                                    : g_file_delete(file, nullptr, &error);
        if (!ok && (op->fFlags & FOF_ALLOWUNDO) && error && error->code == G_IO_ERROR_NOT_SUPPORTED) {
            // A file system without a trash: removing is what remains.
            g_clear_error(&error);
            ok = g_file_delete(file, nullptr, &error);
        }
        if (!ok) result = error && error->code == G_IO_ERROR_NOT_FOUND ? static_cast<int>(ERROR_FILE_NOT_FOUND)
                                                                        : static_cast<int>(ERROR_ACCESS_DENIED);
        if (error) g_error_free(error);
        g_object_unref(file);
    }
    return result;
}

HINSTANCE ShellExecuteA(HWND, LPCSTR, LPCSTR file, LPCSTR, LPCSTR, int) {
    bool ok = file && openAddress(file);
    return reinterpret_cast<HINSTANCE>(static_cast<std::intptr_t>(ok ? 42 : 2));
}

UINT WinExec(LPCSTR commandLine, UINT) {
    if (!commandLine) return 2;
    std::string line = commandLine;
    std::size_t space = line.find(' ');
    std::string program = line.substr(0, space);
    std::string rest = space == std::string::npos ? "" : line.substr(space + 1);
    std::string base = lower(program.substr(program.find_last_of("\\/") + 1));
    if (base == "explorer.exe" || base == "explorer") return openAddress(rest.c_str()) ? 33 : 2;
    GError* error = nullptr;
    gboolean ok = g_spawn_command_line_async(line.c_str(), &error);
    if (error) g_error_free(error);
    return ok ? 33 : 2;
}
