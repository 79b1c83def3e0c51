#pragma once
// The registry, kept in one text file, "registry.txt" in the state directory
// (win32::stateDirectory()). Key and value names compare case-insensitively (A to Z) and keep
// the spelling they were made with; subkeys enumerate in name order, values in the order they
// were first set. Every change rewrites the file atomically (a temporary file, fsync, rename),
// changes are serialised within the process and between processes (a lock file), and a change
// made by another process is seen by the next call. A store file that cannot be read as a
// registry is left as it is: every call then fails with ERROR_BADDB, and the reason is told on
// stderr once. The roots are separate trees (HKEY_CLASSES_ROOT is no merged view).
//
// The file is lines of text: a key is "[ROOT\path\of\key]", followed by its values, one per
// line, as
//   "name"=sz:"text"         (REG_SZ; likewise expand_sz and multi_sz)
//   "name"=dword:0000002a    (REG_DWORD)
//   "name"=binary:01,ff      (REG_BINARY; any other type N as type(N):01,ff)
//   @=sz:"text"              (the key's default value)
// A quoted text stands for its bytes followed by one zero byte; a string value stored without
// that zero is written in the hexadecimal form. Within names and texts the bytes '%', '"',
// '[', ']', control bytes and bytes of 0x7F and above are written as %XX, and so is '\' within
// a key name.
// Access masks are accepted and not enforced.

#include "win32/base.h"
#include "win32/kernel.h"

using HKEY = struct HKEY__*;
using PHKEY = HKEY*;
using REGSAM = DWORD;
using LSTATUS = LONG;

inline const HKEY HKEY_CLASSES_ROOT = reinterpret_cast<HKEY>(static_cast<LONG_PTR>(static_cast<LONG>(0x80000000)));
inline const HKEY HKEY_CURRENT_USER = reinterpret_cast<HKEY>(static_cast<LONG_PTR>(static_cast<LONG>(0x80000001)));
inline const HKEY HKEY_LOCAL_MACHINE = reinterpret_cast<HKEY>(static_cast<LONG_PTR>(static_cast<LONG>(0x80000002)));
inline const HKEY HKEY_USERS = reinterpret_cast<HKEY>(static_cast<LONG_PTR>(static_cast<LONG>(0x80000003)));
inline const HKEY HKEY_PERFORMANCE_DATA =
    reinterpret_cast<HKEY>(static_cast<LONG_PTR>(static_cast<LONG>(0x80000004)));
inline const HKEY HKEY_CURRENT_CONFIG = reinterpret_cast<HKEY>(static_cast<LONG_PTR>(static_cast<LONG>(0x80000005)));
inline const HKEY HKEY_DYN_DATA = reinterpret_cast<HKEY>(static_cast<LONG_PTR>(static_cast<LONG>(0x80000006)));

constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
constexpr REGSAM KEY_SET_VALUE = 0x0002;
constexpr REGSAM KEY_CREATE_SUB_KEY = 0x0004;
constexpr REGSAM KEY_ENUMERATE_SUB_KEYS = 0x0008;
constexpr REGSAM KEY_NOTIFY = 0x0010;
constexpr REGSAM KEY_CREATE_LINK = 0x0020;
constexpr REGSAM KEY_WOW64_64KEY = 0x0100;
constexpr REGSAM KEY_WOW64_32KEY = 0x0200;
constexpr REGSAM KEY_READ = 0x20019;
constexpr REGSAM KEY_WRITE = 0x20006;
constexpr REGSAM KEY_EXECUTE = 0x20019;
constexpr REGSAM KEY_ALL_ACCESS = 0xF003F;

constexpr DWORD REG_NONE = 0;
constexpr DWORD REG_SZ = 1;
constexpr DWORD REG_EXPAND_SZ = 2;
constexpr DWORD REG_BINARY = 3;
constexpr DWORD REG_DWORD = 4;
constexpr DWORD REG_MULTI_SZ = 7;

constexpr DWORD REG_OPTION_NON_VOLATILE = 0;
constexpr DWORD REG_CREATED_NEW_KEY = 1;
constexpr DWORD REG_OPENED_EXISTING_KEY = 2;

LSTATUS RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD options, REGSAM access, PHKEY result);
LSTATUS RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD reserved, LPSTR keyClass, DWORD options, REGSAM access,
                        LPSECURITY_ATTRIBUTES security, PHKEY result, LPDWORD disposition);
LSTATUS RegCloseKey(HKEY key);
// data null with size given answers the size; a buffer too small gives ERROR_MORE_DATA and the
// size needed. A null or empty name is the default value.
LSTATUS RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD size);
// Stores the size bytes as given (a REG_SZ caller counts its terminating zero).
LSTATUS RegSetValueExA(HKEY key, LPCSTR valueName, DWORD reserved, DWORD type, const BYTE* data, DWORD size);
LSTATUS RegDeleteValueA(HKEY key, LPCSTR valueName);
// Fails with ERROR_ACCESS_DENIED on a key that has subkeys.
LSTATUS RegDeleteKeyA(HKEY key, LPCSTR subKey);
// The subkey with everything below it; a null subKey empties the key itself.
LSTATUS RegDeleteTreeA(HKEY key, LPCSTR subKey);
// nameSize counts characters with the terminating zero going in, without it coming out.
LSTATUS RegEnumKeyExA(HKEY key, DWORD index, LPSTR name, LPDWORD nameSize, LPDWORD reserved, LPSTR keyClass,
                      LPDWORD classSize, FILETIME* lastWriteTime);
LSTATUS RegEnumValueA(HKEY key, DWORD index, LPSTR valueName, LPDWORD valueNameSize, LPDWORD reserved, LPDWORD type,
                      LPBYTE data, LPDWORD dataSize);
// The default value of a subkey, as text: type must be REG_SZ and the text's own length counts.
LSTATUS RegSetValueA(HKEY key, LPCSTR subKey, DWORD type, LPCSTR data, DWORD size);
// A subkey without a default value answers the empty text.
LSTATUS RegQueryValueA(HKEY key, LPCSTR subKey, LPSTR data, LPLONG size);
