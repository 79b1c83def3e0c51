#pragma once
// Apartments and activation of in-process servers through the registry's class keys:
// HKEY_CLASSES_ROOT\CLSID\{clsid}\InprocServer32 names the library, whose DllGetClassObject
// hands out the class factory; <ProgID>\CLSID and CLSID\{clsid}\ProgID join names and classes.

#include "com/unknwn.h"

enum COINIT : DWORD {
    COINIT_MULTITHREADED = 0x0,
    COINIT_APARTMENTTHREADED = 0x2,
    COINIT_DISABLE_OLE1DDE = 0x4,
};

enum CLSCTX : DWORD {
    CLSCTX_INPROC_SERVER = 0x1,
    CLSCTX_INPROC_HANDLER = 0x2,
    CLSCTX_LOCAL_SERVER = 0x4,
    CLSCTX_REMOTE_SERVER = 0x10,
    CLSCTX_INPROC = 0x3,
    CLSCTX_SERVER = 0x15,
    CLSCTX_ALL = 0x17,
};

// Every thread that calls in gets a single-threaded apartment of its own: S_OK for the first
// call on a thread, S_FALSE for each further one; every call needs its CoUninitialize.
HRESULT CoInitialize(LPVOID reserved);
HRESULT CoInitializeEx(LPVOID reserved, DWORD coInit);
void CoUninitialize();

// Only in-process servers exist here; a context without CLSCTX_INPROC_SERVER finds no class.
HRESULT CoGetClassObject(REFCLSID clsid, DWORD context, LPVOID serverInfo, REFIID riid, LPVOID* object);
HRESULT CoCreateInstance(REFCLSID clsid, LPUNKNOWN outer, DWORD context, REFIID riid, LPVOID* object);
// Unloads the servers whose DllCanUnloadNow answers S_OK.
void CoFreeUnusedLibraries();

// out is CoTaskMemAlloc'd.
HRESULT ProgIDFromCLSID(REFCLSID clsid, LPOLESTR* out);
HRESULT CLSIDFromProgID(LPCOLESTR progId, LPCLSID out);

// The entry points an in-process server exports (extern "C", by these names).
using DllGetClassObjectFn = HRESULT (*)(REFCLSID clsid, REFIID riid, LPVOID* object);
using DllCanUnloadNowFn = HRESULT (*)();
using DllRegisterServerFn = HRESULT (*)();
using DllUnregisterServerFn = HRESULT (*)();

namespace com {
// Whether this thread has called CoInitialize (and not yet the matching CoUninitialize).
bool inApartment();
}  // namespace com
