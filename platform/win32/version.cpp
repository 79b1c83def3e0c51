#include "win32/version.h"

#include <atomic>
#include <cstring>

namespace {
std::atomic<DWORD> platformId{VER_PLATFORM_WIN32_NT};
}

void win32::setVersionPlatformId(DWORD id) { platformId.store(id ? id : VER_PLATFORM_WIN32_NT); }

BOOL GetVersionExA(LPOSVERSIONINFOA info) {
    if (!info || info->dwOSVersionInfoSize != sizeof(OSVERSIONINFOA)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::memset(reinterpret_cast<char*>(info) + sizeof(DWORD), 0, sizeof(OSVERSIONINFOA) - sizeof(DWORD));
    info->dwPlatformId = platformId.load();
    if (info->dwPlatformId == VER_PLATFORM_WIN32_NT) {
        info->dwMajorVersion = 5;
        info->dwMinorVersion = 1;
        info->dwBuildNumber = 2600;
    } else {
        // That family carries the version in the build number's high word.
        info->dwMajorVersion = 4;
        info->dwMinorVersion = 10;
        info->dwBuildNumber = 0x040A0000u | 2222;
    }
    return TRUE;
}
