#include "gdi/gdi.h"
#include "windows/windows.h"

#include "forms/olecontrol.h"
#include "forms/internal.h"

#include "com/object.h"

namespace forms {

class OleControl::Sink final : public com::SingleInterfaceObject<IDispatch> {
public:
    Sink(OleControl* owner, REFIID events) : owner_(owner), events_(events) {}
    void detach() { owner_ = nullptr; }

    HRESULT GetTypeInfoCount(UINT* count) override {
        if (!count) return E_POINTER;
        *count = 0;
        return S_OK;
    }
    HRESULT GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
        if (info) *info = nullptr;
        return DISP_E_BADINDEX;
    }
    HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return DISP_E_UNKNOWNNAME; }
    HRESULT Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*, UINT*) override {
        if (owner_ && owner_->Event) fire([&] { owner_->Event(id, params); });
        return S_OK;
    }

private:
    bool offers(REFIID riid) const override { return riid == IID_IDispatch || riid == events_; }

    OleControl* owner_;
    IID events_;
};

namespace {

// The hosted controls ask where the pointer is (their hover looks end when it leaves), and the
// toolkit forwards no leave to their windows: the display tells. Only the thread that runs the
// toolkit may ask it; other threads get the last position input delivered.
DWORD toolkitThread = 0;

bool pointerOnScreen(POINT* screen) {
    if (GetCurrentThreadId() != toolkitThread) return false;
    GdkDisplay* display = gdk_display_get_default();
    GdkSeat* seat = display ? gdk_display_get_default_seat(display) : nullptr;
    GdkDevice* pointer = seat ? gdk_seat_get_pointer(seat) : nullptr;
    if (!pointer) return false;
    int x = 0, y = 0;
    gdk_device_get_position(pointer, nullptr, &x, &y);
    *screen = POINT{x, y};
    return true;
}

void askTheDisplayForThePointer() {
    static const bool installed = [] {
        toolkitThread = GetCurrentThreadId();
        windows::setCursorSource(&pointerOnScreen);
        return true;
    }();
    (void)installed;
}

}  // namespace

OleControl::OleControl(Container& parent, std::string name, int index, REFCLSID clsid, long width, long height)
    : Control(parent, std::move(name), index, gtk_drawing_area_new()), site_(activex::ControlSite::make()) {
    askTheDisplayForThePointer();
    apartment_ = SUCCEEDED(CoInitialize(nullptr));
    Control::Move(0, 0, width, height);
    if (FAILED(site_->create(clsid))) raise(429, "ActiveX component can't create object");
    site_->setExtentPixels(toPixels(width), toPixels(height));
    site_->onPosRectChange([this](const RECT& rect) { followControl(rect); });
    site_->activate(ParentForm().hWnd(), pixelRect());
    site_->control()->QueryInterface(IID_IDispatch, dispatch_.putVoid());
    if (HWND hwnd = site_->controlWindow()) {
        presented_ = hwnd;
        windows::setPresenter(hwnd, this);
        InvalidateRect(hwnd, nullptr, TRUE);
    }
    GtkWidget* area = widget();
    gtk_widget_add_events(area, GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK | GDK_POINTER_MOTION_MASK);
    g_signal_connect(area, "draw", G_CALLBACK(+[](GtkWidget*, cairo_t* cr, OleControl* self) -> gboolean {
                         self->draw(cr);
                         return TRUE;
                     }),
                     this);
    g_signal_connect(area, "button-press-event", G_CALLBACK(+[](GtkWidget*, GdkEventButton* e, OleControl* self) -> gboolean {
                         if (e->type != GDK_BUTTON_PRESS) return TRUE;
                         self->mouse(e->button == 3 ? WM_RBUTTONDOWN : WM_LBUTTONDOWN, e->x, e->y, e->state);
                         return TRUE;
                     }),
                     this);
    g_signal_connect(area, "button-release-event", G_CALLBACK(+[](GtkWidget*, GdkEventButton* e, OleControl* self) -> gboolean {
                         self->mouse(e->button == 3 ? WM_RBUTTONUP : WM_LBUTTONUP, e->x, e->y, e->state);
                         return TRUE;
                     }),
                     this);
    g_signal_connect(area, "motion-notify-event", G_CALLBACK(+[](GtkWidget*, GdkEventMotion* e, OleControl* self) -> gboolean {
                         self->mouse(WM_MOUSEMOVE, e->x, e->y, e->state);
                         return TRUE;
                     }),
                     this);
    g_signal_connect(area, "size-allocate", G_CALLBACK(+[](GtkWidget*, GdkRectangle*, OleControl* self) {
                         self->followScreen();
                     }),
                     this);
    g_signal_connect(ParentForm().window(), "configure-event",
                     G_CALLBACK(+[](GtkWidget*, GdkEvent*, OleControl* self) -> gboolean {
                         self->followScreen();
                         return FALSE;
                     }),
                     this);
}

OleControl::~OleControl() {
    g_signal_handlers_disconnect_matched(ParentForm().window(), G_SIGNAL_MATCH_DATA, 0, 0, nullptr, nullptr, this);
    if (point_) point_->Unadvise(cookie_);
    point_.reset();
    if (sink_) {
        sink_->detach();
        sink_->Release();
    }
    if (presented_) windows::setPresenter(presented_, nullptr);
    dispatch_.reset();
    site_->onPosRectChange(nullptr);
    site_->close();
    site_.reset();
    if (apartment_) CoUninitialize();
}

// In the form's client area, through the frames that hold the control: the control's window is a
// child of the form's.
RECT OleControl::pixelRect() const {
    long left = Left(), top = Top();
    for (auto* frame = dynamic_cast<const Control*>(&Parent()); frame;
         frame = dynamic_cast<const Control*>(&frame->Parent())) {
        left += frame->Left();
        top += frame->Top();
    }
    int x = toPixels(left), y = toPixels(top);
    return RECT{x, y, x + toPixels(Width()), y + toPixels(Height())};
}

// The control changed its own shape (an orientation, a border, a size put): the form shows it so.
void OleControl::followControl(const RECT& rect) {
    const RECT now = pixelRect();
    Control::Move(Left() + toTwips(rect.left - now.left), Top() + toTwips(rect.top - now.top),
                  toTwips(rect.right - rect.left), toTwips(rect.bottom - rect.top));
}

// The pointer's position comes from the display in screen coordinates, so the form's window sits
// where the form's client area really is (a window manager places and frames it as it likes).
void OleControl::followScreen() {
    HWND form = site_ ? site_->parentWindow() : nullptr;
    GtkWidget* window = ParentForm().window();
    GdkWindow* onScreen = gtk_widget_get_window(window);
    if (!form || !onScreen) return;
    int x = 0, y = 0, clientX = 0, clientY = 0;
    gdk_window_get_origin(onScreen, &x, &y);
    if (!gtk_widget_translate_coordinates(ParentForm().fixed(), window, 0, 0, &clientX, &clientY)) return;
    RECT now{};
    GetWindowRect(form, &now);
    if (now.left != x + clientX || now.top != y + clientY)
        SetWindowPos(form, nullptr, x + clientX, y + clientY, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void OleControl::Visible(bool visible) {
    Control::Visible(visible);
    if (site_) site_->setVisible(visible);
}

void OleControl::Move(long left, long top, long width, long height) {
    Control::Move(left, top, width, height);
    if (site_ && site_->control()) {
        site_->setExtentPixels(toPixels(Width()), toPixels(Height()));
        site_->move(pixelRect());
    }
}

bool OleControl::connectEvents(REFIID events) {
    if (point_) point_->Unadvise(cookie_);
    point_.reset();
    com::ComPtr<IConnectionPointContainer> container;
    if (FAILED(site_->control()->QueryInterface(IID_IConnectionPointContainer, container.putVoid()))) return false;
    if (FAILED(container->FindConnectionPoint(events, point_.put()))) return false;
    if (sink_) {
        sink_->detach();
        sink_->Release();
    }
    sink_ = new Sink(this, events);
    if (FAILED(point_->Advise(static_cast<IDispatch*>(sink_), &cookie_))) {
        point_.reset();
        return false;
    }
    return true;
}

void OleControl::invalidated(HWND, const RECT&) { gtk_widget_queue_draw(widget()); }

void OleControl::moved(HWND, const RECT&) { gtk_widget_queue_draw(widget()); }

void OleControl::shown(HWND, bool visible) { gtk_widget_set_visible(widget(), visible && Control::Visible()); }

void OleControl::destroyed(HWND hwnd) {
    if (hwnd == presented_) presented_ = nullptr;
}

void OleControl::draw(void* context) {
    if (!presented_) return;
    // A paint the control still owes runs now, so that the frame shows its latest pixels.
    UpdateWindow(presented_);
    cairo_surface_t* surface = gdi::windowSurface(presented_);
    if (!surface) return;
    auto* cr = static_cast<cairo_t*>(context);
    cairo_set_source_surface(cr, surface, 0, 0);
    cairo_paint(cr);
}

void OleControl::mouse(UINT message, double x, double y, unsigned state) {
    if (!presented_ || !Enabled()) return;
    WPARAM keys = 0;
    if (state & GDK_BUTTON1_MASK) keys |= MK_LBUTTON;
    if (message == WM_LBUTTONDOWN) keys |= MK_LBUTTON;
    if (message == WM_LBUTTONUP) keys &= ~static_cast<WPARAM>(MK_LBUTTON);
    SendMessageA(presented_, message, keys, MAKELPARAM(static_cast<int>(x), static_cast<int>(y)));
}

}  // namespace forms
