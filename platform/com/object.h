#pragma once
// The IUnknown of an object that offers one interface I. A class derives from
// SingleInterfaceObject<I>, says which IIDs it answers to besides IUnknown (I's own and those I
// derives from), and gets QueryInterface, a reference count that starts at one and a delete at
// the last Release:
//
//   class MemoryStream final : public com::SingleInterfaceObject<IStream> {
//       bool offers(REFIID riid) const override { return riid == IID_IStream || riid == IID_ISequentialStream; }
//       ...
//   };
//
// An object whose references are another's (a part of a larger object) answers with queryOne.

#include "com/unknwn.h"

#include <atomic>

namespace com {

// QueryInterface of a one-interface object: itself for IUnknown and whatever it offers.
template <class I>
HRESULT queryOne(I* self, REFIID riid, bool offered, void** out) {
    if (!out) return E_POINTER;
    if (riid == IID_IUnknown || offered) {
        *out = self;
        self->AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

template <class I>
class SingleInterfaceObject : public I {
public:
    HRESULT QueryInterface(REFIID riid, void** out) override { return queryOne<I>(this, riid, offers(riid), out); }
    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override {
        ULONG n = --refs_;
        if (n == 0) delete this;
        return n;
    }

protected:
    SingleInterfaceObject() = default;
    virtual ~SingleInterfaceObject() = default;
    SingleInterfaceObject(const SingleInterfaceObject&) = delete;
    SingleInterfaceObject& operator=(const SingleInterfaceObject&) = delete;
    // The IIDs answered besides IUnknown.
    virtual bool offers(REFIID riid) const = 0;

private:
    std::atomic<ULONG> refs_{1};
};

}  // namespace com
