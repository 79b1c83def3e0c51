#pragma once
// Objects behind the GDI handles, shared by the parts of the layer (not a public header).

// The layer's own header comes before GLib's, whose TRUE and FALSE macros would otherwise turn
// the base types' constants of those names into syntax errors.
#include "gdi/gdi.h"

#include <cairo.h>
#include <pango/pango.h>

#include <atomic>
#include <string>

namespace gdi::detail {

enum class Kind { Pen, Brush, Font, Bitmap, Icon };

// Reference-counted: the handle holds one reference and every DC that has the object selected
// holds one, so deleting a selected object leaves the DC working until it lets the object go.
class Object {
public:
    explicit Object(Kind kind) : kind(kind) {}
    virtual ~Object() = default;
    void addRef() { refs_.fetch_add(1, std::memory_order_relaxed); }
    void release() {
        if (refs_.fetch_sub(1, std::memory_order_acq_rel) == 1 && !stock) delete this;
    }
    const Kind kind;
    bool stock = false;

private:
    std::atomic<int> refs_{1};
};

struct Pen : Object {
    Pen() : Object(Kind::Pen) {}
    int style = PS_SOLID;
    int width = 1;
    COLORREF color = 0;
};

struct Brush : Object {
    Brush() : Object(Kind::Brush) {}
    UINT style = BS_SOLID;
    COLORREF color = 0;
    int sysIndex = -1;
    COLORREF current() const { return sysIndex >= 0 ? GetSysColor(sysIndex) : color; }
};

struct Font : Object {
    Font() : Object(Kind::Font) {}
    ~Font() override;
    LOGFONTA logFont{};
    PangoFontDescription* description = nullptr;
};

struct Bitmap : Object {
    Bitmap() : Object(Kind::Bitmap) {}
    ~Bitmap() override;
    cairo_surface_t* surface = nullptr;
    int width = 0;
    int height = 0;
    // DIB sections: the caller's view of the pixels and its row order.
    unsigned char* bits = nullptr;
    bool bottomUp = false;
    struct DeviceContext* selectedIn = nullptr;
};

struct Icon : Object {
    Icon() : Object(Kind::Icon) {}
    ~Icon() override;
    cairo_surface_t* image = nullptr;
    POINT hotSpot{0, 0};
    bool cursor = false;
    bool shared = false;
    const char* systemName = nullptr;
};

// Handles are the objects' addresses, known to a table so that a stale or foreign handle is
// refused instead of followed.
void registerObject(Object* object);
bool unregisterObject(Object* object);
Object* lookup(const void* handle, Kind kind);
template <class T>
T* lookupAs(const void* handle, Kind kind) {
    return static_cast<T*>(lookup(handle, kind));
}

struct DeviceContext {
    enum class Type { Memory, Window };
    ~DeviceContext();
    Type type = Type::Memory;
    HWND hwnd = nullptr;
    cairo_surface_t* windowSurface = nullptr;
    Bitmap* bitmap = nullptr;
    Pen* pen = nullptr;
    Brush* brush = nullptr;
    Font* font = nullptr;
    POINT position{0, 0};
    COLORREF textColor = 0;
    COLORREF bkColor = 0xFFFFFF;
    int bkMode = OPAQUE;
    UINT textAlign = TA_LEFT | TA_TOP;
    int polyFillMode = ALTERNATE;
    // A paint DC draws only into the update rectangle.
    bool clipped = false;
    RECT clip{};
    // The surface drawing goes to: the selected bitmap's or the window's.
    cairo_surface_t* surface() const;
    // A context on the surface with GDI's settings (no anti-aliasing), or nullptr.
    cairo_t* begin() const;
};

HDC registerDC(DeviceContext* dc);
DeviceContext* lookupDC(HDC hdc);
void destroyDC(HDC hdc);

Pen* stockPen(int index);
Brush* stockBrush(int index);
Font* stockFont();
Bitmap* stockBitmap();

inline void setColor(cairo_t* cr, COLORREF c) {
    cairo_set_source_rgb(cr, GetRValue(c) / 255.0, GetGValue(c) / 255.0, GetBValue(c) / 255.0);
}
void fillRect(cairo_t* cr, int left, int top, int right, int bottom, COLORREF color);
// Integer line stepping as GDI draws a one-pixel line; the end point is included on request.
void addLinePixels(cairo_t* cr, int x0, int y0, int x1, int y1, bool lastPoint);

Bitmap* newBitmap(int width, int height);
// Creates the font's Pango description from its LOGFONT.
void describeFont(Font* font);
std::string ansiToUtf8(const char* text, int length);

// The cursor and icon pictures of the resource tables.
Icon* newIcon(cairo_surface_t* image, POINT hotSpot, bool cursor);
// A resource's picture as a new premultiplied ARGB32 surface, or nullptr.
cairo_surface_t* loadResourceImage(HINSTANCE module, LPCSTR name, gdi::ResourceType type);

}  // namespace gdi::detail
