#include "gdi/internal.h"

#include <atomic>
#include <cstring>
#include <map>
#include <mutex>
#include <tuple>
#include <utility>

namespace gdi::detail {

Icon::~Icon() {
    if (image) cairo_surface_destroy(image);
}

Icon* newIcon(cairo_surface_t* image, POINT hotSpot, bool cursor) {
    auto* icon = new Icon();
    icon->image = image;
    icon->hotSpot = hotSpot;
    icon->cursor = cursor;
    registerObject(icon);
    return icon;
}

}  // namespace gdi::detail

using namespace gdi::detail;

namespace {

struct Table {
    const gdi::Resource* entries;
    std::size_t count;
};

std::mutex& lock() {
    static std::mutex m;
    return m;
}
std::map<HINSTANCE, Table>& tables() {
    static auto* t = new std::map<HINSTANCE, Table>();
    return *t;
}
// Shared icons and cursors, one per module, id and type, as LoadIconA/LoadCursorA hand them
// out; they live as long as the process.
std::map<std::tuple<HINSTANCE, WORD, gdi::ResourceType>, Icon*>& shared() {
    static auto* s = new std::map<std::tuple<HINSTANCE, WORD, gdi::ResourceType>, Icon*>();
    return *s;
}

std::atomic<HCURSOR> currentCursor{nullptr};
std::atomic<gdi::CursorListener> cursorListener{nullptr};

const gdi::Resource* find(HINSTANCE module, LPCSTR name, gdi::ResourceType type) {
    if (!IS_INTRESOURCE(name)) return nullptr;
    const WORD id = static_cast<WORD>(reinterpret_cast<ULONG_PTR>(name));
    std::lock_guard<std::mutex> guard(lock());
    auto it = tables().find(module);
    if (it == tables().end()) return nullptr;
    for (std::size_t i = 0; i < it->second.count; ++i) {
        const gdi::Resource& r = it->second.entries[i];
        if (r.id == id && r.type == type) return &r;
    }
    return nullptr;
}

struct PngReader {
    const unsigned char* data;
    std::size_t left;
};

cairo_status_t readPng(void* closure, unsigned char* out, unsigned int length) {
    auto* reader = static_cast<PngReader*>(closure);
    if (length > reader->left) return CAIRO_STATUS_READ_ERROR;
    std::memcpy(out, reader->data, length);
    reader->data += length;
    reader->left -= length;
    return CAIRO_STATUS_SUCCESS;
}

// The resource's picture as a new premultiplied ARGB32 surface, or nullptr.
cairo_surface_t* decode(const gdi::Resource& r) {
    cairo_surface_t* s = nullptr;
    if (r.png) {
        PngReader reader{r.png, r.pngSize};
        s = cairo_image_surface_create_from_png_stream(readPng, &reader);
        if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) {
            cairo_surface_destroy(s);
            return nullptr;
        }
        if (cairo_image_surface_get_format(s) != CAIRO_FORMAT_ARGB32) {
            cairo_surface_t* argb = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, cairo_image_surface_get_width(s),
                                                               cairo_image_surface_get_height(s));
            cairo_t* cr = cairo_create(argb);
            cairo_set_source_surface(cr, s, 0, 0);
            cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
            cairo_paint(cr);
            cairo_destroy(cr);
            cairo_surface_destroy(s);
            s = argb;
        }
        return s;
    }
    if (!r.pixels || r.width <= 0 || r.height <= 0) return nullptr;
    s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, r.width, r.height);
    if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(s);
        return nullptr;
    }
    cairo_surface_flush(s);
    unsigned char* data = cairo_image_surface_get_data(s);
    const int stride = cairo_image_surface_get_stride(s);
    for (int y = 0; y < r.height; ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(data + y * stride);
        for (int x = 0; x < r.width; ++x) {
            std::uint32_t p = r.pixels[y * r.width + x];
            std::uint32_t a = p >> 24;
            auto mul = [a](std::uint32_t c) { return (c * a + 127) / 255; };
            row[x] = (a << 24) | (mul((p >> 16) & 0xFF) << 16) | (mul((p >> 8) & 0xFF) << 8) | mul(p & 0xFF);
        }
    }
    cairo_surface_mark_dirty(s);
    return s;
}

cairo_surface_t* scaled(cairo_surface_t* s, int width, int height) {
    const int w = cairo_image_surface_get_width(s), h = cairo_image_surface_get_height(s);
    if ((width <= 0 || width == w) && (height <= 0 || height == h)) return s;
    if (width <= 0) width = w;
    if (height <= 0) height = h;
    cairo_surface_t* out = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    cairo_t* cr = cairo_create(out);
    cairo_scale(cr, double(width) / w, double(height) / h);
    cairo_set_source_surface(cr, s, 0, 0);
    cairo_pattern_set_extend(cairo_get_source(cr), CAIRO_EXTEND_PAD);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_paint(cr);
    cairo_destroy(cr);
    cairo_surface_destroy(s);
    return out;
}

// The system's cursors: a name the display layer knows and a drawn arrow as the picture.
struct SystemCursor {
    WORD id;
    const char* name;
};
constexpr SystemCursor kSystemCursors[] = {
    {32512, "default"},   {32513, "text"},      {32514, "wait"},     {32515, "crosshair"},
    {32644, "ew-resize"}, {32645, "ns-resize"}, {32646, "move"},     {32648, "not-allowed"},
    {32649, "pointer"},
};

cairo_surface_t* drawArrow() {
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 32, 32);
    cairo_t* cr = cairo_create(s);
    const double points[][2] = {{1, 1}, {1, 17}, {5, 13}, {8, 20}, {10, 19}, {7, 12}, {12, 12}};
    cairo_move_to(cr, points[0][0], points[0][1]);
    for (const auto& p : points) cairo_line_to(cr, p[0], p[1]);
    cairo_close_path(cr);
    cairo_set_source_rgb(cr, 0, 0, 0);
    cairo_fill_preserve(cr);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    cairo_destroy(cr);
    return s;
}

Icon* systemIcon(LPCSTR name, bool cursor) {
    if (!IS_INTRESOURCE(name)) return nullptr;
    const WORD id = static_cast<WORD>(reinterpret_cast<ULONG_PTR>(name));
    const char* systemName = nullptr;
    for (const SystemCursor& c : kSystemCursors)
        if (c.id == id) systemName = c.name;
    if (!systemName || (!cursor && id != 32512)) return nullptr;
    auto key = std::make_tuple(HINSTANCE{nullptr}, id, cursor ? gdi::ResourceType::Cursor : gdi::ResourceType::Icon);
    std::lock_guard<std::mutex> guard(lock());
    Icon*& slot = shared()[key];
    if (!slot) {
        slot = newIcon(drawArrow(), POINT{1, 1}, cursor);
        slot->shared = true;
        slot->systemName = cursor ? systemName : nullptr;
    }
    return slot;
}

Icon* loadIcon(HINSTANCE module, LPCSTR name, gdi::ResourceType type, int width, int height, bool share) {
    if (!module) return systemIcon(name, type == gdi::ResourceType::Cursor);
    const gdi::Resource* r = find(module, name, type);
    if (!r) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return nullptr;
    }
    auto key = std::make_tuple(module, r->id, type);
    if (share) {
        std::lock_guard<std::mutex> guard(lock());
        auto it = shared().find(key);
        if (it != shared().end()) return it->second;
    }
    cairo_surface_t* image = decode(*r);
    if (!image) {
        SetLastError(ERROR_BAD_FORMAT);
        return nullptr;
    }
    const int w = cairo_image_surface_get_width(image), h = cairo_image_surface_get_height(image);
    image = scaled(image, width, height);
    POINT hot = r->hotSpot;
    if (width > 0 && w > 0) hot.x = hot.x * width / w;
    if (height > 0 && h > 0) hot.y = hot.y * height / h;
    Icon* icon = newIcon(image, hot, type == gdi::ResourceType::Cursor);
    if (share) {
        icon->shared = true;
        std::lock_guard<std::mutex> guard(lock());
        auto [it, added] = shared().emplace(key, icon);
        if (!added) {
            unregisterObject(icon);
            icon->release();
            return it->second;
        }
    }
    return icon;
}

HBITMAP loadBitmap(HINSTANCE module, LPCSTR name, int width, int height, bool dibSection) {
    const gdi::Resource* r = find(module, name, gdi::ResourceType::Bitmap);
    if (!r) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return nullptr;
    }
    cairo_surface_t* image = decode(*r);
    if (!image) {
        SetLastError(ERROR_BAD_FORMAT);
        return nullptr;
    }
    image = scaled(image, width, height);
    const int w = cairo_image_surface_get_width(image), h = cairo_image_surface_get_height(image);
    HBITMAP handle;
    if (dibSection) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = w;
        info.bmiHeader.biHeight = h;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        handle = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, nullptr, nullptr, 0);
    } else {
        handle = reinterpret_cast<HBITMAP>(newBitmap(w, h));
    }
    if (Bitmap* bitmap = lookupAs<Bitmap>(handle, Kind::Bitmap)) {
        cairo_t* cr = cairo_create(bitmap->surface);
        cairo_set_source_surface(cr, image, 0, 0);
        cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
        cairo_paint(cr);
        cairo_destroy(cr);
        cairo_surface_flush(bitmap->surface);
    }
    cairo_surface_destroy(image);
    return handle;
}

BOOL destroyIcon(HICON handle) {
    Icon* icon = lookupAs<Icon>(handle, Kind::Icon);
    if (!icon) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (icon->shared) return TRUE;
    if (currentCursor.load() == handle) currentCursor.store(nullptr);
    unregisterObject(icon);
    icon->release();
    return TRUE;
}

}  // namespace

namespace gdi::detail {
cairo_surface_t* loadResourceImage(HINSTANCE module, LPCSTR name, gdi::ResourceType type) {
    const gdi::Resource* r = find(module, name, type);
    return r ? decode(*r) : nullptr;
}
}  // namespace gdi::detail

namespace gdi {

void registerResources(HINSTANCE module, const Resource* table, std::size_t count) {
    std::lock_guard<std::mutex> guard(lock());
    tables()[module] = Table{table, count};
}

void unregisterResources(HINSTANCE module) {
    std::lock_guard<std::mutex> guard(lock());
    tables().erase(module);
}

bool iconInfo(HICON handle, CursorInfo* out) {
    Icon* icon = lookupAs<Icon>(handle, Kind::Icon);
    if (!icon || !out) return false;
    *out = CursorInfo{icon->image, icon->hotSpot, icon->systemName};
    return true;
}

void setCursorListener(CursorListener listener) { cursorListener.store(listener); }

}  // namespace gdi

HBITMAP LoadBitmapA(HINSTANCE module, LPCSTR name) { return loadBitmap(module, name, 0, 0, false); }

HANDLE LoadImageA(HINSTANCE module, LPCSTR name, UINT type, int width, int height, UINT flags) {
    const bool share = (flags & LR_SHARED) != 0;
    switch (type) {
        case IMAGE_BITMAP: return loadBitmap(module, name, width, height, (flags & LR_CREATEDIBSECTION) != 0);
        case IMAGE_ICON: return loadIcon(module, name, gdi::ResourceType::Icon, width, height, share);
        case IMAGE_CURSOR: return loadIcon(module, name, gdi::ResourceType::Cursor, width, height, share);
        default: SetLastError(ERROR_INVALID_PARAMETER); return nullptr;
    }
}

HICON LoadIconA(HINSTANCE module, LPCSTR name) {
    return reinterpret_cast<HICON>(loadIcon(module, name, gdi::ResourceType::Icon, 0, 0, true));
}

HCURSOR LoadCursorA(HINSTANCE module, LPCSTR name) {
    return reinterpret_cast<HCURSOR>(loadIcon(module, name, gdi::ResourceType::Cursor, 0, 0, true));
}

BOOL DestroyIcon(HICON icon) { return destroyIcon(icon); }
BOOL DestroyCursor(HCURSOR cursor) { return destroyIcon(cursor); }

HCURSOR SetCursor(HCURSOR cursor) {
    if (cursor && !lookupAs<Icon>(cursor, Kind::Icon)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return currentCursor.load();
    }
    HCURSOR previous = currentCursor.exchange(cursor);
    if (previous != cursor)
        if (auto listener = cursorListener.load()) listener(cursor);
    return previous;
}

HCURSOR GetCursor() { return currentCursor.load(); }
