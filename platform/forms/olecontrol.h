#pragma once
// COM controls placed on a form by CLSID through the control container: the control's window
// surface is shown in the form, mouse input goes to its window, Visible goes through the
// extender. The program reaches the control's own members through Object() (late-bound) and
// its events through Event.

#include "activex/container.h"
#include "windows/windows.h"

#include "forms/controls.h"

namespace forms {

class OleControl : public Control, private windows::Presenter {
public:
    // Creates, sizes and activates the control; a class that cannot be created raises 429.
    OleControl(Container& parent, std::string name, int index, REFCLSID clsid, long widthTwips, long heightTwips);
    ~OleControl() override;

    void Visible(bool visible) override;
    void Move(long left, long top, long width = -1, long height = -1) override;

    IDispatch* Object() const { return dispatch_.get(); }
    activex::ControlSite& site() const { return *site_.get(); }
    HWND hWnd() const { return site_->controlWindow(); }

    // Connects Event to the control's event interface; false when the control has none such.
    bool connectEvents(REFIID events);
    // Arguments as Invoke passes them (last first); runs through forms::fire.
    std::function<void(DISPID id, DISPPARAMS* params)> Event;

private:
    class Sink;
    void invalidated(HWND hwnd, const RECT& area) override;
    void moved(HWND hwnd, const RECT& windowRect) override;
    void shown(HWND hwnd, bool visible) override;
    void destroyed(HWND hwnd) override;
    void draw(void* cr);
    void mouse(UINT message, double x, double y, unsigned state);
    RECT pixelRect() const;
    void followScreen();
    void followControl(const RECT& rect);

    com::ComPtr<activex::ControlSite> site_;
    com::ComPtr<IDispatch> dispatch_;
    com::ComPtr<IConnectionPoint> point_;
    Sink* sink_ = nullptr;
    DWORD cookie_ = 0;
    HWND presented_ = nullptr;
    bool apartment_ = false;
};

}  // namespace forms
