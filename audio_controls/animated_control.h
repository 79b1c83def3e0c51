#pragma once
// The base of the animated controls: the animation thread runs from activation (show, in-place
// or UI activation) until deactivation, close or the loss of the client site, and calls onTick
// at the class's interval on the control's thread.

#include "animation_timer.h"
#include "audio_control.h"

namespace sondrel {

template <class I>
class AnimatedControl : public AudioControl<I> {
public:
    AnimatedControl(const activex::ControlClass& cls, DWORD interval) : AudioControl<I>(cls), interval_(interval) {}

    HRESULT _OnTimer() final {
        AnimationTimer::Tick tick(timer_);
        return onTick();
    }

    // A host that closes or drops the control without deactivating it stops its thread too,
    // which holds a reference to the control.
    HRESULT Close(DWORD saveOption) override {
        timer_.stop();
        return activex::ControlBase::Close(saveOption);
    }
    HRESULT SetClientSite(IOleClientSite* site) override {
        if (!site) timer_.stop();
        return activex::ControlBase::SetClientSite(site);
    }
    HRESULT InPlaceDeactivate() override {
        timer_.stop();
        return activex::ControlBase::InPlaceDeactivate();
    }

protected:
    // One tick of the animation, inside _OnTimer.
    virtual HRESULT onTick() = 0;

    // The derived destructor stops the thread first, before the members a tick uses go.
    void stopTimer() { timer_.stop(); }

    HRESULT doVerbShow() override { return started(activex::ControlBase::doVerbShow()); }
    HRESULT doVerbInPlaceActivate() override {
        const HRESULT hr = this->inPlaceActivate(OLEIVERB_INPLACEACTIVATE);
        startTimer();
        if (FAILED(hr)) return hr;
        this->fireViewChange();
        return S_OK;
    }
    HRESULT doVerbUIActivate() override {
        if (this->uiActive()) return S_OK;
        return started(activex::ControlBase::doVerbUIActivate());
    }

private:
    HRESULT started(HRESULT hr) {
        startTimer();
        return FAILED(hr) ? hr : S_OK;
    }
    void startTimer() { timer_.start(this, com::uuidof<I>(), interval_); }

    const DWORD interval_;
    AnimationTimer timer_;
};

}  // namespace sondrel
