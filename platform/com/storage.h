#pragma once
// Streams, storages and property bags in memory, and the persistence interfaces controls offer.

#include "com/errorinfo.h"
#include "com/oleauto.h"

union LARGE_INTEGER {
    LONGLONG QuadPart;
};
union ULARGE_INTEGER {
    ULONGLONG QuadPart;
};

enum STREAM_SEEK : DWORD { STREAM_SEEK_SET = 0, STREAM_SEEK_CUR = 1, STREAM_SEEK_END = 2 };
enum STGTY : DWORD { STGTY_STORAGE = 1, STGTY_STREAM = 2 };
enum STATFLAG : DWORD { STATFLAG_DEFAULT = 0, STATFLAG_NONAME = 1 };

constexpr DWORD STGM_READ = 0x0;
constexpr DWORD STGM_WRITE = 0x1;
constexpr DWORD STGM_READWRITE = 0x2;
constexpr DWORD STGM_SHARE_EXCLUSIVE = 0x10;
constexpr DWORD STGM_CREATE = 0x1000;
constexpr DWORD STGC_DEFAULT = 0;

struct STATSTG {
    LPOLESTR pwcsName;  // CoTaskMemAlloc'd unless STATFLAG_NONAME
    DWORD type;
    ULARGE_INTEGER cbSize;
    DWORD grfMode;
    CLSID clsid;
};

using HGLOBAL = void*;

struct ISequentialStream : IUnknown {
    virtual HRESULT Read(void* data, ULONG size, ULONG* read) = 0;
    virtual HRESULT Write(const void* data, ULONG size, ULONG* written) = 0;
};
COM_INTERFACE_ID(ISequentialStream, "{0C733A30-2A1C-11CE-ADE5-00AA0044773D}");

struct IStream : ISequentialStream {
    virtual HRESULT Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* position) = 0;
    virtual HRESULT SetSize(ULARGE_INTEGER size) = 0;
    virtual HRESULT CopyTo(IStream* target, ULARGE_INTEGER size, ULARGE_INTEGER* read, ULARGE_INTEGER* written) = 0;
    virtual HRESULT Commit(DWORD flags) = 0;
    virtual HRESULT Revert() = 0;
    virtual HRESULT LockRegion(ULARGE_INTEGER offset, ULARGE_INTEGER size, DWORD type) = 0;
    virtual HRESULT UnlockRegion(ULARGE_INTEGER offset, ULARGE_INTEGER size, DWORD type) = 0;
    virtual HRESULT Stat(STATSTG* stat, DWORD flags) = 0;
    virtual HRESULT Clone(IStream** clone) = 0;
};
COM_INTERFACE_ID(IStream, "{0000000C-0000-0000-C000-000000000046}");

struct IStorage : IUnknown {
    virtual HRESULT CreateStream(LPCOLESTR name, DWORD mode, DWORD reserved1, DWORD reserved2, IStream** stream) = 0;
    virtual HRESULT OpenStream(LPCOLESTR name, void* reserved1, DWORD mode, DWORD reserved2, IStream** stream) = 0;
    virtual HRESULT CreateStorage(LPCOLESTR name, DWORD mode, DWORD reserved1, DWORD reserved2,
                                  IStorage** storage) = 0;
    virtual HRESULT OpenStorage(LPCOLESTR name, IStorage* priority, DWORD mode, void* exclude, DWORD reserved,
                                IStorage** storage) = 0;
    virtual HRESULT Commit(DWORD flags) = 0;
    virtual HRESULT Revert() = 0;
    virtual HRESULT DestroyElement(LPCOLESTR name) = 0;
    virtual HRESULT SetClass(REFCLSID clsid) = 0;
    virtual HRESULT Stat(STATSTG* stat, DWORD flags) = 0;
};
COM_INTERFACE_ID(IStorage, "{0000000B-0000-0000-C000-000000000046}");

struct IErrorLog : IUnknown {
    virtual HRESULT AddError(LPCOLESTR propertyName, EXCEPINFO* excepInfo) = 0;
};
COM_INTERFACE_ID(IErrorLog, "{3127CA40-446E-11CE-8135-00AA004BB851}");

struct IPropertyBag : IUnknown {
    // value's vt on entry asks for a type (VT_EMPTY: as stored).
    virtual HRESULT Read(LPCOLESTR name, VARIANT* value, IErrorLog* log) = 0;
    virtual HRESULT Write(LPCOLESTR name, VARIANT* value) = 0;
};
COM_INTERFACE_ID(IPropertyBag, "{55272A00-42CB-11CE-8135-00AA004BA90B}");

struct IPersist : IUnknown {
    virtual HRESULT GetClassID(CLSID* clsid) = 0;
};
COM_INTERFACE_ID(IPersist, "{0000010C-0000-0000-C000-000000000046}");

struct IPersistStreamInit : IPersist {
    virtual HRESULT IsDirty() = 0;
    virtual HRESULT Load(IStream* stream) = 0;
    virtual HRESULT Save(IStream* stream, BOOL clearDirty) = 0;
    virtual HRESULT GetSizeMax(ULARGE_INTEGER* size) = 0;
    virtual HRESULT InitNew() = 0;
};
COM_INTERFACE_ID(IPersistStreamInit, "{7FD52380-4E07-101B-AE2D-08002B2EC713}");

struct IPersistStorage : IPersist {
    virtual HRESULT IsDirty() = 0;
    virtual HRESULT InitNew(IStorage* storage) = 0;
    virtual HRESULT Load(IStorage* storage) = 0;
    virtual HRESULT Save(IStorage* storage, BOOL sameAsLoad) = 0;
    virtual HRESULT SaveCompleted(IStorage* storage) = 0;
    virtual HRESULT HandsOffStorage() = 0;
};
COM_INTERFACE_ID(IPersistStorage, "{0000010A-0000-0000-C000-000000000046}");

struct IPersistPropertyBag : IPersist {
    virtual HRESULT InitNew() = 0;
    virtual HRESULT Load(IPropertyBag* bag, IErrorLog* log) = 0;
    virtual HRESULT Save(IPropertyBag* bag, BOOL clearDirty, BOOL saveAll) = 0;
};
COM_INTERFACE_ID(IPersistPropertyBag, "{37D84F60-42CB-11CE-8135-00AA004BB851}");


// A stream over memory that grows as it is written. Only new memory is offered: global must be
// nullptr (there are no global memory handles here), and the memory always goes with the stream.
HRESULT CreateStreamOnHGlobal(HGLOBAL global, BOOL deleteOnRelease, IStream** stream);

namespace com {
// A storage of named streams and sub-storages, all in memory.
HRESULT createMemoryStorage(IStorage** storage);
// A property bag in memory; names compare without regard to case.
HRESULT createPropertyBag(IPropertyBag** bag);
}  // namespace com
