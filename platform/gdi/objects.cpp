#include "gdi/internal.h"

#include <array>
#include <cstring>
#include <mutex>
#include <unordered_set>

namespace gdi::detail {
namespace {

std::mutex& tableLock() {
    static std::mutex m;
    return m;
}
std::unordered_set<const void*>& objects() {
    static std::unordered_set<const void*> table;
    return table;
}
std::unordered_set<const void*>& contexts() {
    static std::unordered_set<const void*> table;
    return table;
}

template <class T>
T* makeStock() {
    T* object = new T();
    object->stock = true;
    registerObject(object);
    return object;
}

}  // namespace

void registerObject(Object* object) {
    std::lock_guard<std::mutex> lock(tableLock());
    objects().insert(object);
}

bool unregisterObject(Object* object) {
    std::lock_guard<std::mutex> lock(tableLock());
    return objects().erase(object) == 1;
}

Object* lookup(const void* handle, Kind kind) {
    if (!handle) return nullptr;
    std::lock_guard<std::mutex> lock(tableLock());
    if (!objects().count(handle)) return nullptr;
    auto* object = static_cast<Object*>(const_cast<void*>(handle));
    return object->kind == kind ? object : nullptr;
}

static Object* lookupAny(const void* handle) {
    if (!handle) return nullptr;
    std::lock_guard<std::mutex> lock(tableLock());
    if (!objects().count(handle)) return nullptr;
    return static_cast<Object*>(const_cast<void*>(handle));
}

HDC registerDC(DeviceContext* dc) {
    std::lock_guard<std::mutex> lock(tableLock());
    contexts().insert(dc);
    return reinterpret_cast<HDC>(dc);
}

DeviceContext* lookupDC(HDC hdc) {
    if (!hdc) return nullptr;
    std::lock_guard<std::mutex> lock(tableLock());
    if (!contexts().count(hdc)) return nullptr;
    return reinterpret_cast<DeviceContext*>(hdc);
}

void destroyDC(HDC hdc) {
    {
        std::lock_guard<std::mutex> lock(tableLock());
        contexts().erase(hdc);
    }
    delete reinterpret_cast<DeviceContext*>(hdc);
}

DeviceContext::~DeviceContext() {
    if (bitmap) {
        bitmap->selectedIn = nullptr;
        bitmap->release();
    }
    if (pen) pen->release();
    if (brush) brush->release();
    if (font) font->release();
    if (windowSurface) cairo_surface_destroy(windowSurface);
}

cairo_surface_t* DeviceContext::surface() const {
    if (type == Type::Window) return windowSurface;
    return bitmap ? bitmap->surface : nullptr;
}

cairo_t* DeviceContext::begin() const {
    cairo_surface_t* target = surface();
    if (!target) return nullptr;
    cairo_surface_flush(target);
    cairo_t* cr = cairo_create(target);
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
    if (clipped) {
        cairo_rectangle(cr, clip.left, clip.top, clip.right - clip.left, clip.bottom - clip.top);
        cairo_clip(cr);
    }
    return cr;
}

Pen* stockPen(int index) {
    static Pen* white = [] {
        auto* p = makeStock<Pen>();
        p->color = RGB(255, 255, 255);
        return p;
    }();
    static Pen* black = makeStock<Pen>();
    static Pen* none = [] {
        auto* p = makeStock<Pen>();
        p->style = PS_NULL;
        return p;
    }();
    switch (index) {
        case WHITE_PEN: return white;
        case NULL_PEN: return none;
        default: return black;
    }
}

Brush* stockBrush(int index) {
    static std::array<Brush*, 6> brushes = [] {
        std::array<Brush*, 6> b{};
        const COLORREF colors[] = {RGB(255, 255, 255), RGB(192, 192, 192), RGB(128, 128, 128),
                                   RGB(64, 64, 64),    RGB(0, 0, 0),       0};
        for (int i = 0; i < 6; ++i) {
            b[i] = makeStock<Brush>();
            b[i]->color = colors[i];
        }
        b[NULL_BRUSH]->style = BS_NULL;
        return b;
    }();
    return brushes[index >= 0 && index < 6 ? index : WHITE_BRUSH];
}

Font* stockFont() {
    static Font* font = [] {
        auto* f = makeStock<Font>();
        f->logFont.lfHeight = -11;
        f->logFont.lfWeight = FW_NORMAL;
        std::strcpy(f->logFont.lfFaceName, "MS Sans Serif");
        describeFont(f);
        return f;
    }();
    return font;
}

Bitmap* stockBitmap() {
    static Bitmap* bitmap = [] {
        Bitmap* b = newBitmap(1, 1);
        b->stock = true;
        return b;
    }();
    return bitmap;
}

void fillRect(cairo_t* cr, int left, int top, int right, int bottom, COLORREF color) {
    if (right <= left || bottom <= top) return;
    setColor(cr, color);
    cairo_rectangle(cr, left, top, right - left, bottom - top);
    cairo_fill(cr);
}

}  // namespace gdi::detail

using namespace gdi::detail;

HBRUSH GetSysColorBrush(int index) {
    static std::array<Brush*, windows::kSysColorCount> brushes = [] {
        std::array<Brush*, windows::kSysColorCount> b{};
        for (std::size_t i = 0; i < b.size(); ++i) {
            b[i] = makeStock<Brush>();
            b[i]->sysIndex = static_cast<int>(i);
        }
        return b;
    }();
    if (index < 0 || index >= static_cast<int>(brushes.size())) return nullptr;
    return reinterpret_cast<HBRUSH>(brushes[index]);
}

HGDIOBJ GetStockObject(int index) {
    if (index >= WHITE_BRUSH && index <= NULL_BRUSH) return stockBrush(index);
    if (index >= WHITE_PEN && index <= NULL_PEN) return stockPen(index);
    if (index == SYSTEM_FONT || index == DEFAULT_GUI_FONT) return stockFont();
    return nullptr;
}

HPEN CreatePen(int style, int width, COLORREF color) {
    auto* pen = new Pen();
    pen->style = style == PS_NULL ? PS_NULL : PS_SOLID;
    pen->width = width < 1 ? 1 : width;
    pen->color = color & 0xFFFFFF;
    registerObject(pen);
    return reinterpret_cast<HPEN>(pen);
}

HBRUSH CreateSolidBrush(COLORREF color) {
    auto* brush = new Brush();
    brush->color = color & 0xFFFFFF;
    registerObject(brush);
    return reinterpret_cast<HBRUSH>(brush);
}

HFONT CreateFontIndirectA(const LOGFONTA* logFont) {
    if (!logFont) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto* font = new Font();
    font->logFont = *logFont;
    font->logFont.lfFaceName[LF_FACESIZE - 1] = '\0';
    describeFont(font);
    registerObject(font);
    return reinterpret_cast<HFONT>(font);
}

HFONT CreateFontA(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                  DWORD underline, DWORD strikeOut, DWORD charSet, DWORD outPrecision, DWORD clipPrecision,
                  DWORD quality, DWORD pitchAndFamily, LPCSTR faceName) {
    LOGFONTA lf{};
    lf.lfHeight = height;
    lf.lfWidth = width;
    lf.lfEscapement = escapement;
    lf.lfOrientation = orientation;
    lf.lfWeight = weight;
    lf.lfItalic = static_cast<BYTE>(italic != 0);
    lf.lfUnderline = static_cast<BYTE>(underline != 0);
    lf.lfStrikeOut = static_cast<BYTE>(strikeOut != 0);
    lf.lfCharSet = static_cast<BYTE>(charSet);
    lf.lfOutPrecision = static_cast<BYTE>(outPrecision);
    lf.lfClipPrecision = static_cast<BYTE>(clipPrecision);
    lf.lfQuality = static_cast<BYTE>(quality);
    lf.lfPitchAndFamily = static_cast<BYTE>(pitchAndFamily);
    if (faceName) std::strncpy(lf.lfFaceName, faceName, LF_FACESIZE - 1);
    return CreateFontIndirectA(&lf);
}

HDC CreateCompatibleDC(HDC hdc) {
    if (hdc && !lookupDC(hdc)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    auto* dc = new DeviceContext();
    dc->bitmap = stockBitmap();
    dc->bitmap->addRef();
    dc->pen = stockPen(BLACK_PEN);
    dc->pen->addRef();
    dc->brush = stockBrush(WHITE_BRUSH);
    dc->brush->addRef();
    dc->font = stockFont();
    dc->font->addRef();
    return registerDC(dc);
}

BOOL DeleteDC(HDC hdc) {
    DeviceContext* dc = lookupDC(hdc);
    if (!dc || dc->type != DeviceContext::Type::Memory) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    destroyDC(hdc);
    return TRUE;
}

template <class T>
static HGDIOBJ swapSelected(T*& slot, T* object) {
    T* previous = slot;
    object->addRef();
    slot = object;
    previous->release();
    return previous;
}

HGDIOBJ SelectObject(HDC hdc, HGDIOBJ handle) {
    DeviceContext* dc = lookupDC(hdc);
    Object* object = lookupAny(handle);
    if (!dc || !object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    switch (object->kind) {
        case Kind::Pen: return swapSelected(dc->pen, static_cast<Pen*>(object));
        case Kind::Brush: return swapSelected(dc->brush, static_cast<Brush*>(object));
        case Kind::Font: return swapSelected(dc->font, static_cast<Font*>(object));
        case Kind::Bitmap: {
            auto* bitmap = static_cast<Bitmap*>(object);
            // A bitmap lives in one memory DC at a time; the stock bitmap in any number.
            if (dc->type != DeviceContext::Type::Memory || (bitmap->selectedIn && bitmap->selectedIn != dc))
                return nullptr;
            Bitmap* previous = dc->bitmap;
            if (previous == bitmap) return previous;
            previous->selectedIn = nullptr;
            if (!bitmap->stock) bitmap->selectedIn = dc;
            return swapSelected(dc->bitmap, bitmap);
        }
        case Kind::Icon: break;
    }
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
}

BOOL DeleteObject(HGDIOBJ handle) {
    Object* object = lookupAny(handle);
    if (!object || object->kind == Kind::Icon) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (object->stock) return TRUE;
    if (!unregisterObject(object)) return FALSE;
    object->release();
    return TRUE;
}

int GetObjectA(HGDIOBJ handle, int size, LPVOID out) {
    Object* object = lookupAny(handle);
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    auto give = [&](const void* data, int bytes) {
        if (!out) return bytes;
        int n = size < bytes ? size : bytes;
        if (n <= 0) return 0;
        std::memcpy(out, data, static_cast<std::size_t>(n));
        return n;
    };
    switch (object->kind) {
        case Kind::Pen: {
            auto* pen = static_cast<Pen*>(object);
            LOGPEN lp{static_cast<UINT>(pen->style), {pen->width, 0}, pen->color};
            return give(&lp, sizeof lp);
        }
        case Kind::Brush: {
            auto* brush = static_cast<Brush*>(object);
            LOGBRUSH lb{brush->style, brush->current(), 0};
            return give(&lb, sizeof lb);
        }
        case Kind::Font: return give(&static_cast<Font*>(object)->logFont, sizeof(LOGFONTA));
        case Kind::Bitmap: {
            auto* bitmap = static_cast<Bitmap*>(object);
            DIBSECTION ds{};
            ds.dsBm.bmWidth = bitmap->width;
            ds.dsBm.bmHeight = bitmap->height;
            ds.dsBm.bmWidthBytes = bitmap->width * 4;
            ds.dsBm.bmPlanes = 1;
            ds.dsBm.bmBitsPixel = 32;
            ds.dsBm.bmBits = bitmap->bits;
            if (bitmap->bits && size >= static_cast<int>(sizeof(DIBSECTION))) {
                ds.dsBmih.biSize = sizeof(BITMAPINFOHEADER);
                ds.dsBmih.biWidth = bitmap->width;
                ds.dsBmih.biHeight = bitmap->bottomUp ? bitmap->height : -bitmap->height;
                ds.dsBmih.biPlanes = 1;
                ds.dsBmih.biBitCount = 32;
                ds.dsBmih.biCompression = BI_RGB;
                ds.dsBmih.biSizeImage = static_cast<DWORD>(bitmap->width * bitmap->height * 4);
                return give(&ds, sizeof ds);
            }
            return give(&ds.dsBm, sizeof(BITMAP));
        }
        case Kind::Icon: break;
    }
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
}
