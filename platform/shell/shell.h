#pragma once
// The shell's file operations and address opening, over GIO (freedesktop trash, default handlers).

#include "win32/base.h"

using HWND = struct HWND__*;

constexpr UINT FO_MOVE = 1;
constexpr UINT FO_COPY = 2;
constexpr UINT FO_DELETE = 3;
constexpr UINT FO_RENAME = 4;
constexpr WORD FOF_SILENT = 0x0004;
constexpr WORD FOF_NOCONFIRMATION = 0x0010;
constexpr WORD FOF_ALLOWUNDO = 0x0040;
constexpr WORD FOF_NOERRORUI = 0x0400;

struct SHFILEOPSTRUCTA {
    HWND hwnd;
    UINT wFunc;
    LPCSTR pFrom;  // a list of paths, each ended by a zero, the list by a second zero
    LPCSTR pTo;
    WORD fFlags;
    BOOL fAnyOperationsAborted;
    LPVOID hNameMappings;
    LPCSTR lpszProgressTitle;
};

// Only deletion is offered: with FOF_ALLOWUNDO the files go to the trash, else they are removed.
// Returns 0 when every file was handled, else an error number.
int SHFileOperationA(SHFILEOPSTRUCTA* op);

// Opens a document or address with the desktop's default handler. Returns a value above 32
// on success, as the platform does.
HINSTANCE ShellExecuteA(HWND hwnd, LPCSTR operation, LPCSTR file, LPCSTR parameters, LPCSTR directory, int show);

// Starts a command line. The file browser's command ("Explorer.exe" and an address) opens the
// address with the default handler; other programs are run through the shell.
UINT WinExec(LPCSTR commandLine, UINT show);

namespace shell {
// Test seam: receives each address to open instead of the desktop (nullptr restores it).
using AddressOpener = bool (*)(const char* address);
void setAddressOpener(AddressOpener opener);
}  // namespace shell
