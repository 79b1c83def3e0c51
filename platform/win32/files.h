#pragma once
// Files. A file handle is a kernel object (CloseHandle closes it); paths take either slash, a
// backslash standing for '/'. Sharing modes are honoured between the handles of this process.

#include "win32/base.h"
#include "win32/kernel.h"

#include <string>

constexpr DWORD GENERIC_READ = 0x80000000u;
constexpr DWORD GENERIC_WRITE = 0x40000000u;

constexpr DWORD FILE_SHARE_READ = 0x1;
constexpr DWORD FILE_SHARE_WRITE = 0x2;
constexpr DWORD FILE_SHARE_DELETE = 0x4;

constexpr DWORD CREATE_NEW = 1;
constexpr DWORD CREATE_ALWAYS = 2;
constexpr DWORD OPEN_EXISTING = 3;
constexpr DWORD OPEN_ALWAYS = 4;
constexpr DWORD TRUNCATE_EXISTING = 5;

constexpr DWORD FILE_ATTRIBUTE_READONLY = 0x01;
constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x10;
constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x80;
constexpr DWORD INVALID_FILE_ATTRIBUTES = 0xFFFFFFFFu;

constexpr DWORD FILE_BEGIN = 0;
constexpr DWORD FILE_CURRENT = 1;
constexpr DWORD FILE_END = 2;
constexpr DWORD INVALID_SET_FILE_POINTER = 0xFFFFFFFFu;
constexpr DWORD INVALID_FILE_SIZE = 0xFFFFFFFFu;

// Only synchronous use is offered: a call given an OVERLAPPED fails with ERROR_NOT_SUPPORTED.
struct OVERLAPPED {
    ULONG_PTR Internal;
    ULONG_PTR InternalHigh;
    DWORD Offset;
    DWORD OffsetHigh;
    HANDLE hEvent;
};
using LPOVERLAPPED = OVERLAPPED*;

// CREATE_ALWAYS and OPEN_ALWAYS on a file that existed succeed with last error 183
// (ERROR_ALREADY_EXISTS); otherwise a successful open leaves last error 0.
HANDLE CreateFileA(LPCSTR fileName, DWORD desiredAccess, DWORD shareMode, LPSECURITY_ATTRIBUTES security,
                   DWORD creationDisposition, DWORD flagsAndAttributes, HANDLE templateFile);
// Reads until count bytes or the end of the file; at the end it succeeds with 0 bytes read.
BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD count, LPDWORD read, LPOVERLAPPED overlapped);
BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD count, LPDWORD written, LPOVERLAPPED overlapped);
// With distanceHigh the distance is 64-bit (high:low) and the new position's high part comes
// back through it. Success sets last error 0, so a low part of 0xFFFFFFFF is told from failure.
DWORD SetFilePointer(HANDLE file, LONG distanceLow, LPLONG distanceHigh, DWORD moveMethod);
DWORD GetFileSize(HANDLE file, LPDWORD sizeHigh);
BOOL FlushFileBuffers(HANDLE file);
// Refused with ERROR_SHARING_VIOLATION while a handle of this process that did not share
// deletion holds the file open.
BOOL DeleteFileA(LPCSTR fileName);
DWORD GetFileAttributesA(LPCSTR fileName);

namespace win32 {
// A Windows path as this system names it: every backslash becomes '/'.
std::string hostPath(LPCSTR path);
}  // namespace win32
