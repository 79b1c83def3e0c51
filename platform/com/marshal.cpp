#include "com/marshal.h"

#include "apartment.h"
#include "com/activation.h"
#include "com/object.h"
#include "com/typeinfo.h"
#include "windows/windows.h"

#include <atomic>
#include <functional>
#include <memory>
#include <map>
#include <mutex>
#include <set>

namespace com::detail {
const TypeDesc* findInterfaceTables(REFIID iid);
}

namespace {

constexpr UINT kCallMessage = WM_APP + 0x3C0;
constexpr char kWindowClass[] = "ComApartmentWindow";

struct Call {
    const std::function<HRESULT()>* work;
    HRESULT hr = RPC_E_DISCONNECTED;
    bool done = false;
    IErrorInfo* error = nullptr;  // what a failing call left on the owner's thread
};

LRESULT apartmentProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == kCallMessage) {
        auto* call = reinterpret_cast<Call*>(lParam);
        call->hr = (*call->work)();
        if (FAILED(call->hr)) GetErrorInfo(0, &call->error);
        call->done = true;
        return 1;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

// An apartment that has handed out interfaces. The objects behind them (the stubs) are held here
// and touched only on the apartment's thread; they are released when the apartment ends, after
// which calls through its proxies fail with RPC_E_DISCONNECTED.
class Apartment {
public:
    explicit Apartment(HWND hwnd) : threadId_(GetCurrentThreadId()), hwnd_(hwnd) {}

    // Runs work on the apartment's thread and answers its result; a failing call's error object
    // comes along to the caller's thread.
    HRESULT call(const std::function<HRESULT()>& work) {
        if (GetCurrentThreadId() == threadId_) return work();
        HWND target;
        {
            std::lock_guard<std::mutex> hold(lock_);
            target = hwnd_;
        }
        if (!target) return RPC_E_DISCONNECTED;
        Call c{&work};
        SendMessageA(target, kCallMessage, 0, reinterpret_cast<LPARAM>(&c));
        if (c.error) {
            SetErrorInfo(0, c.error);
            c.error->Release();
        }
        return c.done ? c.hr : RPC_E_DISCONNECTED;
    }

    // The owner's thread only, from here on.
    std::uint64_t addStub(void* object) {
        stubs_[++lastStub_] = object;
        return lastStub_;
    }
    void* stub(std::uint64_t id) const {
        auto it = stubs_.find(id);
        return it == stubs_.end() ? nullptr : it->second;
    }
    void* takeStub(std::uint64_t id) {
        void* object = stub(id);
        stubs_.erase(id);
        return object;
    }
    void releaseStub(std::uint64_t id) {
        if (void* object = takeStub(id)) static_cast<IUnknown*>(object)->Release();
    }
    // Calls through a proxy of this apartment: on its thread, with the object if it is still there.
    HRESULT callStub(std::uint64_t id, const std::function<HRESULT(void*)>& work) {
        return call([&]() -> HRESULT {
            void* object = stub(id);
            return object ? work(object) : RPC_E_DISCONNECTED;
        });
    }

    void end() {
        HWND hwnd;
        {
            std::lock_guard<std::mutex> hold(lock_);
            hwnd = hwnd_;
            hwnd_ = nullptr;
        }
        if (hwnd) DestroyWindow(hwnd);
        auto stubs = std::move(stubs_);
        stubs_.clear();
        for (auto& [id, object] : stubs) static_cast<IUnknown*>(object)->Release();
    }

private:
    DWORD threadId_;
    std::mutex lock_;
    HWND hwnd_;
    std::map<std::uint64_t, void*> stubs_;
    std::uint64_t lastStub_ = 0;
};

thread_local std::shared_ptr<Apartment> currentApartment;

std::shared_ptr<Apartment> thisApartment() {
    if (currentApartment) return currentApartment;
    static std::once_flag registered;
    std::call_once(registered, [] {
        WNDCLASSA wc{};
        wc.lpfnWndProc = apartmentProc;
        wc.lpszClassName = kWindowClass;
        RegisterClassA(&wc);
    });
    HWND hwnd = CreateWindowExA(0, kWindowClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    if (!hwnd) return nullptr;
    currentApartment = std::make_shared<Apartment>(hwnd);
    return currentApartment;
}

enum class ProxyKind { Dispatch, Dual };

// What the stream carries: the object with one reference, and how to reach it.
struct MarshalEntry {
    static constexpr std::uint64_t kMagic = 0x4D41525348414C31ull;
    std::shared_ptr<Apartment> owner;
    std::uint64_t stub;  // the interface pointer for iid, held by the owner
    IID iid;
    ProxyKind kind;
    const com::TypeDesc* tables;
};

struct Packet {
    std::uint64_t magic;
    MarshalEntry* entry;
};

// Entries not yet unmarshalled; a packet names one of them or nothing.
std::mutex entriesLock;
std::set<MarshalEntry*>& entries() {
    static auto* e = new std::set<MarshalEntry*>;
    return *e;
}

void releaseOnOwner(const std::shared_ptr<Apartment>& owner, std::uint64_t stub) {
    owner->call([&] {
        owner->releaseStub(stub);
        return S_OK;
    });
}

IDispatch* dispatchOf(void* object) { return static_cast<IDispatch*>(object); }

class DispatchProxy final : public com::SingleInterfaceObject<IDispatch> {
public:
    DispatchProxy(std::shared_ptr<Apartment> owner, std::uint64_t stub, REFIID iid)
        : owner_(std::move(owner)), stub_(stub), iid_(iid) {}
    ~DispatchProxy() override { releaseOnOwner(owner_, stub_); }
    HRESULT GetTypeInfoCount(UINT* count) override {
        return owner_->callStub(stub_, [&](void* o) { return dispatchOf(o)->GetTypeInfoCount(count); });
    }
    HRESULT GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override {
        return owner_->callStub(stub_, [&](void* o) { return dispatchOf(o)->GetTypeInfo(index, lcid, info); });
    }
    HRESULT GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) override {
        return owner_->callStub(stub_,
                                [&](void* o) { return dispatchOf(o)->GetIDsOfNames(riid, names, count, lcid, ids); });
    }
    HRESULT Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                   EXCEPINFO* excepInfo, UINT* argErr) override {
        return owner_->callStub(stub_, [&](void* o) {
            return dispatchOf(o)->Invoke(id, riid, lcid, flags, params, result, excepInfo, argErr);
        });
    }

private:
    bool offers(REFIID riid) const override { return riid == IID_IDispatch || riid == iid_; }

    std::shared_ptr<Apartment> owner_;
    std::uint64_t stub_;
    IID iid_;
};

// A proxy for a dual interface: an object whose vtable is made from the interface's table, the
// IUnknown and IDispatch slots from the functions below, each member's slot from its table row.
// The two words before the slots are what C++ keeps there (offset to the whole object, type
// information), naming a class derived from the interface.
struct DualProxy {
    void** vtable;
    std::atomic<ULONG> refs{1};
    std::shared_ptr<Apartment> owner;
    std::uint64_t stub;
    IID iid;
    std::vector<void*> table;
};

DualProxy* dualOf(void* self) { return static_cast<DualProxy*>(self); }

HRESULT dualQueryInterface(void* self, REFIID riid, void** out) {
    if (!out) return E_POINTER;
    DualProxy* p = dualOf(self);
    if (riid == IID_IUnknown || riid == IID_IDispatch || riid == p->iid) {
        ++p->refs;
        *out = self;
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}
ULONG dualAddRef(void* self) { return ++dualOf(self)->refs; }
ULONG dualRelease(void* self) {
    DualProxy* p = dualOf(self);
    ULONG n = --p->refs;
    if (n == 0) {
        releaseOnOwner(p->owner, p->stub);
        delete p;
    }
    return n;
}
HRESULT dualGetTypeInfoCount(void* self, UINT* count) {
    DualProxy* p = dualOf(self);
    return p->owner->callStub(p->stub, [&](void* o) { return dispatchOf(o)->GetTypeInfoCount(count); });
}
HRESULT dualGetTypeInfo(void* self, UINT index, LCID lcid, ITypeInfo** info) {
    DualProxy* p = dualOf(self);
    return p->owner->callStub(p->stub, [&](void* o) { return dispatchOf(o)->GetTypeInfo(index, lcid, info); });
}
HRESULT dualGetIDsOfNames(void* self, REFIID riid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) {
    DualProxy* p = dualOf(self);
    return p->owner->callStub(p->stub,
                              [&](void* o) { return dispatchOf(o)->GetIDsOfNames(riid, names, count, lcid, ids); });
}
HRESULT dualInvoke(void* self, DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                   EXCEPINFO* excepInfo, UINT* argErr) {
    DualProxy* p = dualOf(self);
    return p->owner->callStub(
        p->stub, [&](void* o) { return dispatchOf(o)->Invoke(id, riid, lcid, flags, params, result, excepInfo, argErr); });
}

void* makeDualProxy(const std::shared_ptr<Apartment>& owner, std::uint64_t stub, REFIID iid,
                    const com::TypeDesc& tables) {
    auto* p = new DualProxy;
    p->owner = owner;
    p->stub = stub;
    p->iid = iid;
    p->table = {nullptr,
                const_cast<std::type_info*>(tables.proxyShape),
                reinterpret_cast<void*>(&dualQueryInterface),
                reinterpret_cast<void*>(&dualAddRef),
                reinterpret_cast<void*>(&dualRelease),
                reinterpret_cast<void*>(&dualGetTypeInfoCount),
                reinterpret_cast<void*>(&dualGetTypeInfo),
                reinterpret_cast<void*>(&dualGetIDsOfNames),
                reinterpret_cast<void*>(&dualInvoke)};
    for (const com::MemberDesc& m : tables.members) p->table.push_back(reinterpret_cast<void*>(m.proxy));
    p->vtable = p->table.data() + 2;
    return p;
}

// The tables of a dual interface or dispinterface with this IID, asked of the object first.
const com::TypeDesc* tablesFor(IUnknown* object, REFIID iid) {
    com::ComPtr<IDispatch> dispatch;
    if (SUCCEEDED(object->QueryInterface(IID_IDispatch, dispatch.putVoid())) && dispatch) {
        com::ComPtr<ITypeInfo> info;
        if (SUCCEEDED(dispatch->GetTypeInfo(0, LOCALE_USER_DEFAULT, info.put())) && info) {
            const com::TypeDesc* t = com::tablesOf(info.get());
            if (t && t->guid == iid) return t;
        }
    }
    return com::detail::findInterfaceTables(iid);
}

}  // namespace

namespace com::detail {

void apartmentEnding() {
    if (!currentApartment) return;
    currentApartment->end();
    currentApartment.reset();
}

HRESULT proxyCall(void* proxy, HRESULT (*call)(void* context, void* object), void* context) {
    DualProxy* p = dualOf(proxy);
    return p->owner->callStub(p->stub, [&](void* object) { return call(context, object); });
}

}  // namespace com::detail

HRESULT CoMarshalInterThreadInterfaceInStream(REFIID riid, LPUNKNOWN unknown, LPSTREAM* stream) {
    if (!stream) return E_INVALIDARG;
    *stream = nullptr;
    if (!unknown) return E_INVALIDARG;
    if (!com::inApartment()) return CO_E_NOTINITIALIZED;

    ProxyKind kind;
    const com::TypeDesc* tables = nullptr;
    if (riid == IID_IDispatch || riid == IID_IUnknown) {
        kind = ProxyKind::Dispatch;
    } else {
        tables = tablesFor(unknown, riid);
        if (!tables) return E_NOINTERFACE;
        if (tables->kind == TKIND_DISPATCH)
            kind = ProxyKind::Dispatch;
        else if (tables->kind == TKIND_INTERFACE && tables->proxyShape)
            kind = ProxyKind::Dual;
        else
            return E_NOINTERFACE;
    }
    // A proxy for IUnknown works through the object's IDispatch.
    void* object = nullptr;
    HRESULT hr = unknown->QueryInterface(riid == IID_IUnknown ? IID_IDispatch : riid, &object);
    if (FAILED(hr) || !object) return FAILED(hr) ? hr : E_NOINTERFACE;

    std::shared_ptr<Apartment> owner = thisApartment();
    if (!owner) {
        static_cast<IUnknown*>(object)->Release();
        return E_OUTOFMEMORY;
    }
    com::ComPtr<IStream> s;
    hr = CreateStreamOnHGlobal(nullptr, TRUE, s.put());
    if (FAILED(hr)) {
        static_cast<IUnknown*>(object)->Release();
        return hr;
    }
    auto* entry = new MarshalEntry{owner, owner->addStub(object), riid, kind, tables};
    {
        std::lock_guard<std::mutex> hold(entriesLock);
        entries().insert(entry);
    }
    Packet packet{MarshalEntry::kMagic, entry};
    s->Write(&packet, sizeof packet, nullptr);
    LARGE_INTEGER start{0};
    s->Seek(start, STREAM_SEEK_SET, nullptr);
    *stream = s.detach();
    return S_OK;
}

HRESULT CoGetInterfaceAndReleaseStream(LPSTREAM stream, REFIID riid, LPVOID* out) {
    if (!out) return E_INVALIDARG;
    *out = nullptr;
    if (!stream) return E_INVALIDARG;
    Packet packet{};
    ULONG read = 0;
    stream->Read(&packet, sizeof packet, &read);
    stream->Release();
    if (read != sizeof packet || packet.magic != MarshalEntry::kMagic) return E_INVALIDARG;
    {
        std::lock_guard<std::mutex> hold(entriesLock);
        if (!entries().erase(packet.entry)) return E_INVALIDARG;
    }
    std::unique_ptr<MarshalEntry> entry(packet.entry);

    const bool sameInterface = riid == entry->iid || riid == IID_IUnknown ||
                               (riid == IID_IDispatch && (entry->kind == ProxyKind::Dual || entry->kind == ProxyKind::Dispatch));
    if (!sameInterface) {
        releaseOnOwner(entry->owner, entry->stub);
        return E_NOINTERFACE;
    }
    if (entry->owner == currentApartment) {
        // At home: the object itself, with the reference the stream held.
        *out = entry->owner->takeStub(entry->stub);
        return *out ? S_OK : RPC_E_DISCONNECTED;
    }
    if (entry->kind == ProxyKind::Dual)
        *out = makeDualProxy(entry->owner, entry->stub, entry->iid, *entry->tables);
    else
        *out = static_cast<IDispatch*>(new DispatchProxy(entry->owner, entry->stub, entry->iid));
    return S_OK;
}
