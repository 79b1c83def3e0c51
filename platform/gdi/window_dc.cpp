#include "gdi/internal.h"

#include <algorithm>

using namespace gdi::detail;

namespace {

void destroySurface(void* surface) { cairo_surface_destroy(static_cast<cairo_surface_t*>(surface)); }

// The window's surface at the size of its client area; a resize keeps what fits of the old
// picture. Null for a window that does not exist.
cairo_surface_t* surfaceFor(HWND hwnd) {
    RECT client{};
    if (!GetClientRect(hwnd, &client)) return nullptr;
    const int width = std::max<int>(1, client.right - client.left);
    const int height = std::max<int>(1, client.bottom - client.top);
    auto* current = static_cast<cairo_surface_t*>(windows::windowExtension(hwnd, windows::kGdiSlot));
    if (current && cairo_image_surface_get_width(current) == width && cairo_image_surface_get_height(current) == height)
        return current;
    cairo_surface_t* fresh = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    if (cairo_surface_status(fresh) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(fresh);
        return current;
    }
    if (current) {
        cairo_t* cr = cairo_create(fresh);
        cairo_set_source_surface(cr, current, 0, 0);
        cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
        cairo_paint(cr);
        cairo_destroy(cr);
        cairo_surface_flush(fresh);
    }
    windows::setWindowExtension(hwnd, windows::kGdiSlot, fresh, destroySurface);
    return fresh;
}

cairo_surface_t* screenSurface() {
    static cairo_surface_t* screen = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1);
    return screen;
}

HDC windowDC(HWND hwnd) {
    cairo_surface_t* surface = hwnd ? surfaceFor(hwnd) : screenSurface();
    if (!surface) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    auto* dc = new DeviceContext();
    dc->type = DeviceContext::Type::Window;
    dc->hwnd = hwnd;
    dc->windowSurface = cairo_surface_reference(surface);
    dc->pen = stockPen(BLACK_PEN);
    dc->pen->addRef();
    dc->brush = stockBrush(WHITE_BRUSH);
    dc->brush->addRef();
    dc->font = stockFont();
    dc->font->addRef();
    return registerDC(dc);
}

// Tells whoever shows the window that its pixels changed.
void presented(HWND hwnd, const RECT& area) {
    if (area.right <= area.left || area.bottom <= area.top) return;
    if (windows::Presenter* p = windows::presenter(hwnd)) p->invalidated(hwnd, area);
}

void defaultPaint(HWND hwnd) {
    PAINTSTRUCT ps{};
    if (BeginPaint(hwnd, &ps)) EndPaint(hwnd, &ps);
}

// DefWindowProcA paints through this layer once it is loaded.
struct PaintHook {
    PaintHook() { windows::setDefaultPaint(defaultPaint); }
} paintHook;

}  // namespace

namespace gdi {
_cairo_surface* windowSurface(HWND hwnd) {
    return static_cast<cairo_surface_t*>(windows::windowExtension(hwnd, windows::kGdiSlot));
}
}  // namespace gdi

HDC GetDC(HWND hwnd) { return windowDC(hwnd); }

int ReleaseDC(HWND hwnd, HDC hdc) {
    DeviceContext* dc = lookupDC(hdc);
    if (!dc || dc->type != DeviceContext::Type::Window || dc->hwnd != hwnd) return 0;
    cairo_surface_t* s = dc->windowSurface;
    RECT drawn{0, 0, cairo_image_surface_get_width(s), cairo_image_surface_get_height(s)};
    if (dc->clipped) IntersectRect(&drawn, &drawn, &dc->clip);
    destroyDC(hdc);
    if (hwnd) presented(hwnd, drawn);
    return 1;
}

HDC BeginPaint(HWND hwnd, PAINTSTRUCT* paint) {
    if (!paint) return nullptr;
    *paint = PAINTSTRUCT{};
    RECT area{};
    bool erase = false;
    windows::takeUpdateRect(hwnd, &area, &erase);
    HDC hdc = windowDC(hwnd);
    if (!hdc) return nullptr;
    DeviceContext* dc = lookupDC(hdc);
    dc->clipped = true;
    dc->clip = area;
    paint->hdc = hdc;
    paint->rcPaint = area;
    if (erase) paint->fErase = SendMessageA(hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(hdc), 0) ? FALSE : TRUE;
    return hdc;
}

BOOL EndPaint(HWND hwnd, const PAINTSTRUCT* paint) {
    if (!paint) return FALSE;
    return ReleaseDC(hwnd, paint->hdc) ? TRUE : FALSE;
}
