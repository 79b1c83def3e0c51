#pragma once
// Module loading over dlopen. The Windows module names that the system loads stand for our
// stand-in libraries in the module folder (where libplatform_win32.so lies, beside the
// deliverables):
//   "WSOCK32.DLL" -> libwsock32.so     "secur32.dll", "security.dll" -> libsecur32.so
//   "crypt32.dll" -> libcrypt32.so     "wininet.dll" -> libwininet.so
//   "pfpro.dll"   -> libpfpro.so
// The names compare case-insensitively, with or without ".dll". Any other name is a path (a
// bare file name is looked for in the module folder, then in the current folder). A missing
// file fails with ERROR_MOD_NOT_FOUND (126), a file that is no loadable library with
// ERROR_BAD_EXE_FORMAT (193). Loads are counted: each LoadLibraryA needs its FreeLibrary.
//
// Ordinals: a module offers entry points by ordinal through one exported function,
//   extern "C" FARPROC PlatformProcByOrdinal(WORD ordinal);
// which answers the entry for an ordinal or nullptr. GetProcAddress with a name below 65536
// (MAKEINTRESOURCEA) asks it. Names and ordinals are looked up in the module itself only, not
// in the libraries it depends on; a missing entry fails with ERROR_PROC_NOT_FOUND (127).

#include "win32/base.h"

#include <string>


HMODULE LoadLibraryA(LPCSTR fileName);
BOOL FreeLibrary(HMODULE module);
FARPROC GetProcAddress(HMODULE module, LPCSTR procName);
// nullptr names the program. Does not count a load.
HMODULE GetModuleHandleA(LPCSTR moduleName);
// The module's full path (the program's for nullptr). A path that does not fit is cut to
// size - 1 characters and terminated, the result is size and last error ERROR_INSUFFICIENT_BUFFER.
DWORD GetModuleFileNameA(HMODULE module, LPSTR fileName, DWORD size);

namespace win32 {
// The folder of the stand-in modules and deliverables.
std::string moduleDirectory();
// Test seam: a folder to take the stand-ins from instead (empty restores the default).
void setModuleDirectory(const std::string& folder);
// The module that holds an address of code or data (a library finds its own handle with the
// address of one of its functions), or nullptr. Does not count a load.
HMODULE moduleFromAddress(const void* address);
}  // namespace win32
