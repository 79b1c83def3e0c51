#include "activex/testing/event_recorder.h"

#include "win32/kernel.h"

namespace activex::testing {

EventRecorder::EventRecorder(REFIID events) : events_(events) {}

com::ComPtr<EventRecorder> EventRecorder::make(REFIID events) {
    return com::ComPtr<EventRecorder>(new EventRecorder(events), false);
}

bool EventRecorder::connect(IUnknown* control) {
    disconnect();
    com::ComPtr<IConnectionPointContainer> container;
    if (!control || FAILED(control->QueryInterface(IID_IConnectionPointContainer, container.putVoid()))) return false;
    if (FAILED(container->FindConnectionPoint(events_, point_.put()))) return false;
    if (FAILED(point_->Advise(static_cast<IDispatch*>(this), &cookie_))) {
        point_.reset();
        return false;
    }
    return true;
}

void EventRecorder::disconnect() {
    if (point_) point_->Unadvise(cookie_);
    point_.reset();
    cookie_ = 0;
}

HRESULT EventRecorder::GetTypeInfoCount(UINT* count) {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
}

HRESULT EventRecorder::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
    if (info) *info = nullptr;
    return DISP_E_BADINDEX;
}

HRESULT EventRecorder::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) { return DISP_E_UNKNOWNNAME; }

HRESULT EventRecorder::Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                              EXCEPINFO* excepInfo, UINT*) {
    conventions_.push_back({riid, lcid, flags, result != nullptr, excepInfo != nullptr,
                            params ? params->cNamedArgs : 0});
    HRESULT hr = S_OK;
    if (handler) hr = handler(id, params);
    EventCall call{id, {}, GetCurrentThreadId()};
    for (UINT i = params ? params->cArgs : 0; i-- > 0;) {
        com::Variant v;
        VariantCopyInd(&v, &params->rgvarg[i]);
        call.args.push_back(v);
    }
    calls_.push_back(std::move(call));
    return hr;
}

}  // namespace activex::testing
