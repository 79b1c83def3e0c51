#pragma once
// A recording event sink: answers for any one event dispinterface and keeps every call it gets
// (dispid, arguments in declaration order, the calling thread). A handler may answer or change
// by-reference arguments before the call is recorded.

#include "com/com.h"

#include <atomic>
#include <functional>
#include <vector>

namespace activex::testing {

struct EventCall {
    DISPID dispid;
    std::vector<com::Variant> args;  // declaration order; by-reference arguments as the values they held
    DWORD thread;
};

class EventRecorder final : public com::SingleInterfaceObject<IDispatch> {
public:
    explicit EventRecorder(REFIID events);
    static com::ComPtr<EventRecorder> make(REFIID events);

    // Connects to the control's connection point for the interface; false when that fails.
    bool connect(IUnknown* control);
    void disconnect();

    // Runs for each call before it is recorded; arguments are in Invoke order (last first).
    std::function<HRESULT(DISPID, DISPPARAMS*)> handler;

    const std::vector<EventCall>& calls() const { return calls_; }
    void clear() { calls_.clear(); }

    HRESULT GetTypeInfoCount(UINT* count) override;
    HRESULT GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
    HRESULT GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) override;
    HRESULT Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                   EXCEPINFO* excepInfo, UINT* argErr) override;

    // What each call was made with, for checks of the calling convention.
    struct Convention {
        GUID riid;
        LCID lcid;
        WORD flags;
        bool result;
        bool excepInfo;
        UINT namedArgs;
    };
    const std::vector<Convention>& conventions() const { return conventions_; }

private:
    bool offers(REFIID riid) const override { return riid == IID_IDispatch || riid == events_; }

    IID events_;
    com::ComPtr<IConnectionPoint> point_;
    DWORD cookie_ = 0;
    std::vector<EventCall> calls_;
    std::vector<Convention> conventions_;
};

}  // namespace activex::testing
