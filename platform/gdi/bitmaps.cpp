#include "gdi/internal.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace gdi::detail {

Bitmap::~Bitmap() {
    if (surface) cairo_surface_destroy(surface);
    std::free(bits);
}

Bitmap* newBitmap(int width, int height) {
    auto* bitmap = new Bitmap();
    bitmap->width = width;
    bitmap->height = height;
    bitmap->surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    registerObject(bitmap);
    return bitmap;
}

}  // namespace gdi::detail

using namespace gdi::detail;

namespace {

constexpr int kMaxSide = 32767;

bool sizeOk(long width, long height) { return width > 0 && height > 0 && width <= kMaxSide && height <= kMaxSide; }

// The 32-bit header GetDIBits/SetDIBits understand; anything else is refused.
bool header32(const BITMAPINFO* info) {
    return info && info->bmiHeader.biBitCount == 32 && info->bmiHeader.biCompression == BI_RGB &&
           info->bmiHeader.biWidth > 0 && info->bmiHeader.biHeight != 0;
}

std::uint32_t* row(cairo_surface_t* s, int y) {
    return reinterpret_cast<std::uint32_t*>(cairo_image_surface_get_data(s) +
                                            static_cast<std::ptrdiff_t>(y) * cairo_image_surface_get_stride(s));
}

}  // namespace

namespace gdi {
_cairo_surface* bitmapSurface(HBITMAP handle) {
    Bitmap* bitmap = lookupAs<Bitmap>(handle, Kind::Bitmap);
    return bitmap ? bitmap->surface : nullptr;
}
}  // namespace gdi

HBITMAP CreateCompatibleBitmap(HDC hdc, int width, int height) {
    if (!lookupDC(hdc)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    if (width == 0 || height == 0) width = height = 1;
    if (!sizeOk(width, height)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return reinterpret_cast<HBITMAP>(newBitmap(width, height));
}

HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits) {
    if (planes != 1 || bitsPerPixel != 32 || !sizeOk(width, height)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    HBITMAP handle = reinterpret_cast<HBITMAP>(newBitmap(width, height));
    if (bits) SetBitmapBits(handle, static_cast<DWORD>(width * height * 4), bits);
    return handle;
}

LONG GetBitmapBits(HBITMAP handle, LONG size, LPVOID bits) {
    Bitmap* bitmap = lookupAs<Bitmap>(handle, Kind::Bitmap);
    if (!bitmap || !bits || size < 0) return 0;
    const std::size_t rowBytes = static_cast<std::size_t>(bitmap->width) * 4;
    const std::size_t rows = std::min<std::size_t>(static_cast<std::size_t>(size) / rowBytes, bitmap->height);
    cairo_surface_flush(bitmap->surface);
    auto* out = static_cast<unsigned char*>(bits);
    for (std::size_t y = 0; y < rows; ++y) std::memcpy(out + y * rowBytes, row(bitmap->surface, int(y)), rowBytes);
    return static_cast<LONG>(rows * rowBytes);
}

LONG SetBitmapBits(HBITMAP handle, DWORD size, const void* bits) {
    Bitmap* bitmap = lookupAs<Bitmap>(handle, Kind::Bitmap);
    if (!bitmap || !bits) return 0;
    const std::size_t rowBytes = static_cast<std::size_t>(bitmap->width) * 4;
    const std::size_t rows = std::min<std::size_t>(size / rowBytes, bitmap->height);
    cairo_surface_flush(bitmap->surface);
    const auto* in = static_cast<const unsigned char*>(bits);
    for (std::size_t y = 0; y < rows; ++y) std::memcpy(row(bitmap->surface, int(y)), in + y * rowBytes, rowBytes);
    cairo_surface_mark_dirty(bitmap->surface);
    return static_cast<LONG>(rows * rowBytes);
}

HBITMAP CreateDIBSection(HDC, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section, DWORD) {
    if (bits) *bits = nullptr;
    if (!header32(info) || usage != DIB_RGB_COLORS || section) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    const long width = info->bmiHeader.biWidth;
    const long height = std::labs(static_cast<long>(info->bmiHeader.biHeight));
    if (!sizeOk(width, height)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    const int stride = static_cast<int>(width) * 4;
    auto* memory = static_cast<unsigned char*>(std::calloc(static_cast<std::size_t>(height), stride));
    if (!memory) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    auto* bitmap = new Bitmap();
    bitmap->width = static_cast<int>(width);
    bitmap->height = static_cast<int>(height);
    bitmap->bits = memory;
    bitmap->bottomUp = info->bmiHeader.biHeight > 0;
    // A bottom-up picture is the same memory seen from its last row with a negative stride.
    unsigned char* first = bitmap->bottomUp ? memory + (height - 1) * stride : memory;
    bitmap->surface = cairo_image_surface_create_for_data(first, CAIRO_FORMAT_ARGB32, bitmap->width,
                                                          bitmap->height, bitmap->bottomUp ? -stride : stride);
    registerObject(bitmap);
    if (bits) *bits = memory;
    return reinterpret_cast<HBITMAP>(bitmap);
}

int GetDIBits(HDC hdc, HBITMAP handle, UINT start, UINT lines, LPVOID bits, BITMAPINFO* info, UINT usage) {
    Bitmap* bitmap = lookupAs<Bitmap>(handle, Kind::Bitmap);
    if (!lookupDC(hdc) || !bitmap || !info || usage != DIB_RGB_COLORS) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (!bits) {
        // Asked for the bitmap's format only.
        if (info->bmiHeader.biSize < sizeof(BITMAPINFOHEADER)) return 0;
        info->bmiHeader.biWidth = bitmap->width;
        info->bmiHeader.biHeight = bitmap->height;
        info->bmiHeader.biPlanes = 1;
        info->bmiHeader.biBitCount = 32;
        info->bmiHeader.biCompression = BI_RGB;
        info->bmiHeader.biSizeImage = static_cast<DWORD>(bitmap->width * bitmap->height * 4);
        return bitmap->height;
    }
    if (!header32(info) || info->bmiHeader.biWidth != bitmap->width) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const bool bottomUp = info->bmiHeader.biHeight > 0;
    const UINT height = static_cast<UINT>(bitmap->height);
    if (start >= height) return 0;
    lines = std::min(lines, height - start);
    cairo_surface_flush(bitmap->surface);
    auto* out = static_cast<unsigned char*>(bits);
    const std::size_t rowBytes = static_cast<std::size_t>(bitmap->width) * 4;
    // Scan line `start` counts from the bottom of a bottom-up picture, from the top otherwise.
    for (UINT i = 0; i < lines; ++i) {
        UINT scan = start + i;
        int y = bottomUp ? static_cast<int>(height - 1 - scan) : static_cast<int>(scan);
        std::memcpy(out + i * rowBytes, row(bitmap->surface, y), rowBytes);
    }
    return static_cast<int>(lines);
}

int SetDIBits(HDC, HBITMAP handle, UINT start, UINT lines, LPCVOID bits, const BITMAPINFO* info, UINT usage) {
    Bitmap* bitmap = lookupAs<Bitmap>(handle, Kind::Bitmap);
    if (!bitmap || !bits || !header32(info) || usage != DIB_RGB_COLORS || info->bmiHeader.biWidth != bitmap->width) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const bool bottomUp = info->bmiHeader.biHeight > 0;
    const UINT height = static_cast<UINT>(bitmap->height);
    const UINT given = static_cast<UINT>(std::labs(static_cast<long>(info->bmiHeader.biHeight)));
    if (start >= height) return 0;
    lines = std::min({lines, height - start, given});
    cairo_surface_flush(bitmap->surface);
    const auto* in = static_cast<const unsigned char*>(bits);
    const std::size_t rowBytes = static_cast<std::size_t>(bitmap->width) * 4;
    for (UINT i = 0; i < lines; ++i) {
        UINT scan = start + i;
        int y = bottomUp ? static_cast<int>(height - 1 - scan) : static_cast<int>(scan);
        std::memcpy(row(bitmap->surface, y), in + i * rowBytes, rowBytes);
    }
    cairo_surface_mark_dirty(bitmap->surface);
    return static_cast<int>(lines);
}

int GetDeviceCaps(HDC hdc, int index) {
    DeviceContext* dc = lookupDC(hdc);
    if (!dc) return 0;
    cairo_surface_t* s = dc->surface();
    switch (index) {
        case LOGPIXELSX:
        case LOGPIXELSY: return 96;
        case BITSPIXEL: return 32;
        case PLANES: return 1;
        case HORZRES: return s ? cairo_image_surface_get_width(s) : 0;
        case VERTRES: return s ? cairo_image_surface_get_height(s) : 0;
        default: return 0;
    }
}

BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC source, int sx, int sy, DWORD rop) {
    DeviceContext* to = lookupDC(dest);
    DeviceContext* from = lookupDC(source);
    if (!to || !from || rop != SRCCOPY) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    cairo_surface_t* ds = to->surface();
    cairo_surface_t* ss = from->surface();
    if (!ds || !ss) return FALSE;
    if (width < 0 || height < 0) return FALSE;
    const int dw = cairo_image_surface_get_width(ds), dh = cairo_image_surface_get_height(ds);
    const int sw = cairo_image_surface_get_width(ss), sh = cairo_image_surface_get_height(ss);
    // Clip the copy to both surfaces; pixels outside the source leave the destination alone.
    long x0 = std::max<long>({0L, x, static_cast<long>(x) - sx});
    long y0 = std::max<long>({0L, y, static_cast<long>(y) - sy});
    long x1 = std::min<long>({static_cast<long>(x) + width, dw, static_cast<long>(x) - sx + sw});
    long y1 = std::min<long>({static_cast<long>(y) + height, dh, static_cast<long>(y) - sy + sh});
    if (to->clipped) {
        x0 = std::max<long>(x0, to->clip.left);
        y0 = std::max<long>(y0, to->clip.top);
        x1 = std::min<long>(x1, to->clip.right);
        y1 = std::min<long>(y1, to->clip.bottom);
    }
    if (x1 <= x0 || y1 <= y0) return TRUE;
    cairo_surface_flush(ss);
    cairo_surface_flush(ds);
    const std::size_t n = static_cast<std::size_t>(x1 - x0);
    const bool sameSurface = ds == ss;
    const bool upward = sameSurface && sy < y;
    for (long i = 0; i < y1 - y0; ++i) {
        long dy = upward ? y1 - 1 - i : y0 + i;
        long srcY = dy - y + sy;
        std::uint32_t* d = row(ds, static_cast<int>(dy)) + x0;
        const std::uint32_t* s = row(ss, static_cast<int>(srcY)) + (x0 - x + sx);
        std::memmove(d, s, n * 4);
        for (std::size_t k = 0; k < n; ++k) d[k] |= 0xFF000000u;
    }
    cairo_surface_mark_dirty(ds);
    return TRUE;
}

COLORREF GetPixel(HDC hdc, int x, int y) {
    DeviceContext* dc = lookupDC(hdc);
    cairo_surface_t* s = dc ? dc->surface() : nullptr;
    if (!s || x < 0 || y < 0 || x >= cairo_image_surface_get_width(s) || y >= cairo_image_surface_get_height(s))
        return CLR_INVALID;
    cairo_surface_flush(s);
    std::uint32_t p = row(s, y)[x];
    return RGB(static_cast<BYTE>(p >> 16), static_cast<BYTE>(p >> 8), static_cast<BYTE>(p));
}

COLORREF SetPixel(HDC hdc, int x, int y, COLORREF color) {
    DeviceContext* dc = lookupDC(hdc);
    cairo_surface_t* s = dc ? dc->surface() : nullptr;
    if (!s || x < 0 || y < 0 || x >= cairo_image_surface_get_width(s) || y >= cairo_image_surface_get_height(s))
        return CLR_INVALID;
    if (dc->clipped && (x < dc->clip.left || y < dc->clip.top || x >= dc->clip.right || y >= dc->clip.bottom))
        return CLR_INVALID;
    cairo_surface_flush(s);
    row(s, y)[x] = 0xFF000000u | (static_cast<std::uint32_t>(GetRValue(color)) << 16) |
                   (static_cast<std::uint32_t>(GetGValue(color)) << 8) | GetBValue(color);
    cairo_surface_mark_dirty(s);
    return color & 0xFFFFFF;
}
