#pragma once
// The platform's version: the NT family, version 5.1, unless a test asks for another family.

#include "win32/base.h"

constexpr DWORD VER_PLATFORM_WIN32s = 0;
constexpr DWORD VER_PLATFORM_WIN32_WINDOWS = 1;
constexpr DWORD VER_PLATFORM_WIN32_NT = 2;

struct OSVERSIONINFOA {
    DWORD dwOSVersionInfoSize;
    DWORD dwMajorVersion;
    DWORD dwMinorVersion;
    DWORD dwBuildNumber;
    DWORD dwPlatformId;
    CHAR szCSDVersion[128];
};
using LPOSVERSIONINFOA = OSVERSIONINFOA*;
static_assert(sizeof(OSVERSIONINFOA) == 148);

// The caller sets dwOSVersionInfoSize to 148; any other size fails with ERROR_INVALID_PARAMETER.
BOOL GetVersionExA(LPOSVERSIONINFOA info);

namespace win32 {
// Test seam: the platform family GetVersionExA reports (VER_PLATFORM_WIN32_WINDOWS answers
// version 4.10 of that family); 0 restores the NT answer.
void setVersionPlatformId(DWORD platformId);
}  // namespace win32
