#include "gdi/gdiplus.h"

#include "gdi/internal.h"

#include <atomic>
#include <cmath>
#include <cstring>
#include <new>
#include <vector>

using namespace gdi::detail;

namespace {

std::atomic<int> startups{0};
std::atomic<ULONG_PTR> nextToken{1};

bool running() { return startups.load() > 0; }

struct BitmapImpl : GpBitmap {
    ~BitmapImpl() override {
        if (surface) cairo_surface_destroy(surface);
    }
    cairo_surface_t* surface = nullptr;
    PixelFormat format = PixelFormat32bppARGB;
    bool locked = false;
    GpRect lockRect{};
    UINT lockFlags = 0;
    PixelFormat lockFormat = 0;
    std::vector<unsigned char> lockBuffer;
};

struct SolidImpl : GpSolidFill {
    ARGB color = 0;
};

struct GradientImpl : GpLineGradient {
    GpPointF from{}, to{};
    ARGB fromColor = 0, toColor = 0;
    GpWrapMode wrap = WrapModeTile;
};

BitmapImpl* bitmapOf(GpImage* image) { return dynamic_cast<BitmapImpl*>(image); }

bool validFormat(PixelFormat f) {
    return f == PixelFormat32bppARGB || f == PixelFormat32bppPARGB || f == PixelFormat32bppRGB;
}

void setArgb(cairo_t* cr, ARGB c) {
    cairo_set_source_rgba(cr, ((c >> 16) & 0xFF) / 255.0, ((c >> 8) & 0xFF) / 255.0, (c & 0xFF) / 255.0,
                          (c >> 24) / 255.0);
}

void addColorStop(cairo_pattern_t* p, double offset, ARGB c) {
    cairo_pattern_add_color_stop_rgba(p, offset, ((c >> 16) & 0xFF) / 255.0, ((c >> 8) & 0xFF) / 255.0,
                                      (c & 0xFF) / 255.0, (c >> 24) / 255.0);
}

// Shapes use GDI+'s pixel-centre coordinates; cairo's pixel centres lie half a pixel further.
constexpr double kCentre = 0.5;

std::uint32_t premultiply(std::uint32_t p) {
    std::uint32_t a = p >> 24;
    if (a == 255) return p;
    auto mul = [a](std::uint32_t c) { return (c * a + 127) / 255; };
    return (a << 24) | (mul((p >> 16) & 0xFF) << 16) | (mul((p >> 8) & 0xFF) << 8) | mul(p & 0xFF);
}

std::uint32_t unpremultiply(std::uint32_t p) {
    std::uint32_t a = p >> 24;
    if (a == 255) return p;
    if (a == 0) return 0;
    auto div = [a](std::uint32_t c) {
        std::uint32_t v = (c * 255 + a / 2) / a;
        return v > 255 ? 255u : v;
    };
    return (a << 24) | (div((p >> 16) & 0xFF) << 16) | (div((p >> 8) & 0xFF) << 8) | div(p & 0xFF);
}

GpStatus newBitmap(cairo_surface_t* surface, PixelFormat format, GpBitmap** out) {
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface);
        return OutOfMemory;
    }
    auto* bitmap = new (std::nothrow) BitmapImpl();
    if (!bitmap) {
        cairo_surface_destroy(surface);
        return OutOfMemory;
    }
    bitmap->surface = surface;
    bitmap->format = format;
    *out = bitmap;
    return Ok;
}

cairo_surface_t* copySurface(cairo_surface_t* source, cairo_format_t format) {
    const int w = cairo_image_surface_get_width(source), h = cairo_image_surface_get_height(source);
    cairo_surface_t* copy = cairo_image_surface_create(format, w, h);
    if (cairo_surface_status(copy) != CAIRO_STATUS_SUCCESS) return copy;
    cairo_surface_flush(source);
    cairo_surface_flush(copy);
    const int from = cairo_image_surface_get_stride(source), to = cairo_image_surface_get_stride(copy);
    for (int y = 0; y < h; ++y)
        std::memcpy(cairo_image_surface_get_data(copy) + y * to, cairo_image_surface_get_data(source) + y * from,
                    static_cast<std::size_t>(w) * 4);
    cairo_surface_mark_dirty(copy);
    return copy;
}

}  // namespace

struct GpGraphics {
    ~GpGraphics() {
        cairo_destroy(cr);
        cairo_surface_flush(target);
        cairo_surface_destroy(target);
    }
    cairo_surface_t* target = nullptr;
    cairo_t* cr = nullptr;
    bool antialias = false;
    cairo_filter_t filter = CAIRO_FILTER_BILINEAR;
    // The update rectangle of a paint DC bounds every clip.
    bool hasDeviceClip = false;
    RECT deviceClip{};
};

struct GpPen {
    ARGB color = 0;
    REAL width = 1;
};

struct GpPath {
    struct Figure {
        enum class Shape { Ellipse, Rectangle } shape;
        double x, y, width, height;
    };
    GpFillMode mode = FillModeAlternate;
    std::vector<Figure> figures;
};

namespace {

void applyDeviceClip(GpGraphics* g) {
    if (!g->hasDeviceClip) return;
    const RECT& r = g->deviceClip;
    cairo_path_t* pending = cairo_copy_path(g->cr);
    cairo_new_path(g->cr);
    cairo_rectangle(g->cr, r.left, r.top, r.right - r.left, r.bottom - r.top);
    cairo_clip(g->cr);
    cairo_append_path(g->cr, pending);
    cairo_path_destroy(pending);
}

GpStatus newGraphics(cairo_surface_t* target, GpGraphics** out) {
    if (!target) return InvalidParameter;
    auto* g = new (std::nothrow) GpGraphics();
    if (!g) return OutOfMemory;
    g->target = cairo_surface_reference(target);
    cairo_surface_flush(target);
    g->cr = cairo_create(target);
    cairo_set_antialias(g->cr, CAIRO_ANTIALIAS_NONE);
    *out = g;
    return Ok;
}

// Every drawing call runs between these two, so GDI may touch the same pixels in between.
void beginDrawing(GpGraphics* g) {
    cairo_surface_mark_dirty(g->target);
    cairo_set_antialias(g->cr, g->antialias ? CAIRO_ANTIALIAS_DEFAULT : CAIRO_ANTIALIAS_NONE);
    cairo_new_path(g->cr);
}
GpStatus endDrawing(GpGraphics* g) {
    cairo_new_path(g->cr);
    cairo_surface_flush(g->target);
    return cairo_status(g->cr) == CAIRO_STATUS_SUCCESS ? Ok : GenericError;
}

bool setBrush(cairo_t* cr, GpBrush* brush) {
    if (auto* solid = dynamic_cast<SolidImpl*>(brush)) {
        setArgb(cr, solid->color);
        return true;
    }
    if (auto* gradient = dynamic_cast<GradientImpl*>(brush)) {
        cairo_pattern_t* p = cairo_pattern_create_linear(gradient->from.X + kCentre, gradient->from.Y + kCentre,
                                                         gradient->to.X + kCentre, gradient->to.Y + kCentre);
        addColorStop(p, 0, gradient->fromColor);
        addColorStop(p, 1, gradient->toColor);
        switch (gradient->wrap) {
            case WrapModeClamp: cairo_pattern_set_extend(p, CAIRO_EXTEND_PAD); break;
            // Flipping across the gradient's direction changes nothing along it.
            case WrapModeTile:
            case WrapModeTileFlipY: cairo_pattern_set_extend(p, CAIRO_EXTEND_REPEAT); break;
            default: cairo_pattern_set_extend(p, CAIRO_EXTEND_REFLECT); break;
        }
        cairo_set_source(cr, p);
        cairo_pattern_destroy(p);
        return true;
    }
    return false;
}

void addEllipse(cairo_t* cr, double x, double y, double w, double h) {
    if (w <= 0 || h <= 0) return;
    cairo_save(cr);
    cairo_translate(cr, x + w / 2 + kCentre, y + h / 2 + kCentre);
    cairo_scale(cr, w / 2, h / 2);
    cairo_new_sub_path(cr);
    cairo_arc(cr, 0, 0, 1, 0, 2 * M_PI);
    cairo_close_path(cr);
    cairo_restore(cr);
}

void addPath(cairo_t* cr, const GpPath* path) {
    for (const GpPath::Figure& f : path->figures) {
        if (f.shape == GpPath::Figure::Shape::Ellipse)
            addEllipse(cr, f.x, f.y, f.width, f.height);
        else
            cairo_rectangle(cr, f.x + kCentre, f.y + kCentre, f.width, f.height);
    }
}

cairo_fill_rule_t fillRule(GpFillMode mode) {
    return mode == FillModeWinding ? CAIRO_FILL_RULE_WINDING : CAIRO_FILL_RULE_EVEN_ODD;
}

GpStatus fill(GpGraphics* g, GpBrush* brush, cairo_fill_rule_t rule) {
    if (!setBrush(g->cr, brush)) {
        cairo_new_path(g->cr);
        return InvalidParameter;
    }
    cairo_set_fill_rule(g->cr, rule);
    cairo_fill(g->cr);
    cairo_set_fill_rule(g->cr, CAIRO_FILL_RULE_WINDING);
    return endDrawing(g);
}

GpStatus drawLines(GpGraphics* g, GpPen* pen, const GpPointF* points, INT count) {
    if (!g || !pen || !points || count < 2) return InvalidParameter;
    beginDrawing(g);
    cairo_t* cr = g->cr;
    if (!g->antialias && pen->width <= 1.5f) {
        // A one-pixel line without smoothing covers both of its end points.
        for (INT i = 0; i + 1 < count; ++i)
            addLinePixels(cr, static_cast<int>(std::lround(points[i].X)), static_cast<int>(std::lround(points[i].Y)),
                          static_cast<int>(std::lround(points[i + 1].X)),
                          static_cast<int>(std::lround(points[i + 1].Y)), true);
        setArgb(cr, pen->color);
        cairo_fill(cr);
        return endDrawing(g);
    }
    cairo_move_to(cr, points[0].X + kCentre, points[0].Y + kCentre);
    for (INT i = 1; i < count; ++i) cairo_line_to(cr, points[i].X + kCentre, points[i].Y + kCentre);
    setArgb(cr, pen->color);
    cairo_set_line_width(cr, pen->width);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_SQUARE);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_MITER);
    cairo_stroke(cr);
    return endDrawing(g);
}

std::vector<GpPointF> toFloat(const GpPoint* points, INT count) {
    std::vector<GpPointF> out;
    if (!points || count <= 0) return out;
    out.reserve(static_cast<std::size_t>(count));
    for (INT i = 0; i < count; ++i) out.push_back({static_cast<REAL>(points[i].X), static_cast<REAL>(points[i].Y)});
    return out;
}

GpStatus clipTo(GpGraphics* g, CombineMode mode) {
    cairo_t* cr = g->cr;
    cairo_set_antialias(cr, g->antialias ? CAIRO_ANTIALIAS_DEFAULT : CAIRO_ANTIALIAS_NONE);
    switch (mode) {
        case CombineModeReplace:
            cairo_reset_clip(cr);
            applyDeviceClip(g);
            cairo_clip(cr);
            return Ok;
        case CombineModeIntersect: cairo_clip(cr); return Ok;
        case CombineModeExclude: {
            // Keep what lies outside the shape: the shape inside a rectangle larger than any
            // surface, filled even-odd.
            cairo_path_t* shape = cairo_copy_path(cr);
            cairo_new_path(cr);
            cairo_rectangle(cr, -65536, -65536, 131072, 131072);
            cairo_append_path(cr, shape);
            cairo_path_destroy(shape);
            cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
            cairo_clip(cr);
            cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
            return Ok;
        }
        default: cairo_new_path(cr); return NotImplemented;
    }
}

bool validCombine(CombineMode mode) { return mode >= CombineModeReplace && mode <= CombineModeComplement; }

}  // namespace

GpStatus GdiplusStartup(ULONG_PTR* token, const GdiplusStartupInput* input, GdiplusStartupOutput* output) {
    if (!token || !input) return InvalidParameter;
    if (input->GdiplusVersion != 1) return static_cast<GpStatus>(17);
    if (input->SuppressBackgroundThread && !output) return InvalidParameter;
    if (output) *output = GdiplusStartupOutput{nullptr, nullptr};
    startups.fetch_add(1);
    *token = nextToken.fetch_add(1);
    return Ok;
}

void GdiplusShutdown(ULONG_PTR token) {
    if (!token) return;
    int n = startups.load();
    while (n > 0 && !startups.compare_exchange_weak(n, n - 1)) {
    }
}

GpStatus GdipCreateFromHDC(HDC hdc, GpGraphics** graphics) {
    if (!graphics) return InvalidParameter;
    if (!running()) return GdiplusNotInitialized;
    DeviceContext* dc = lookupDC(hdc);
    if (!dc) return InvalidParameter;
    GpStatus status = newGraphics(dc->surface(), graphics);
    if (status == Ok && dc->clipped) {
        (*graphics)->hasDeviceClip = true;
        (*graphics)->deviceClip = dc->clip;
        applyDeviceClip(*graphics);
    }
    return status;
}

GpStatus GdipGetImageGraphicsContext(GpImage* image, GpGraphics** graphics) {
    BitmapImpl* bitmap = bitmapOf(image);
    if (!bitmap || !graphics) return InvalidParameter;
    if (!running()) return GdiplusNotInitialized;
    if (bitmap->locked) return WrongState;
    return newGraphics(bitmap->surface, graphics);
}

GpStatus GdipDeleteGraphics(GpGraphics* graphics) {
    if (!graphics) return InvalidParameter;
    delete graphics;
    return Ok;
}

GpStatus GdipSetInterpolationMode(GpGraphics* g, InterpolationMode mode) {
    if (!g || mode < InterpolationModeDefault || mode > InterpolationModeHighQualityBicubic) return InvalidParameter;
    switch (mode) {
        case InterpolationModeNearestNeighbor: g->filter = CAIRO_FILTER_NEAREST; break;
        case InterpolationModeHighQuality:
        case InterpolationModeHighQualityBilinear:
        case InterpolationModeHighQualityBicubic:
        case InterpolationModeBicubic: g->filter = CAIRO_FILTER_BEST; break;
        default: g->filter = CAIRO_FILTER_BILINEAR; break;
    }
    return Ok;
}

GpStatus GdipSetSmoothingMode(GpGraphics* g, SmoothingMode mode) {
    if (!g || mode < SmoothingModeDefault || mode > 5) return InvalidParameter;
    g->antialias = mode == SmoothingModeHighQuality || mode >= SmoothingModeAntiAlias;
    return Ok;
}

GpStatus GdipSetPageUnit(GpGraphics* g, GpUnit unit) {
    if (!g) return InvalidParameter;
    if (unit == UnitWorld || unit == UnitDisplay || unit == UnitPixel) return Ok;
    return unit >= UnitPoint && unit <= 6 ? NotImplemented : InvalidParameter;
}

GpStatus GdipGraphicsClear(GpGraphics* g, ARGB color) {
    if (!g) return InvalidParameter;
    beginDrawing(g);
    cairo_save(g->cr);
    cairo_set_operator(g->cr, CAIRO_OPERATOR_SOURCE);
    setArgb(g->cr, color);
    cairo_paint(g->cr);
    cairo_restore(g->cr);
    return endDrawing(g);
}

GpStatus GdipCreateBitmapFromScan0(INT width, INT height, INT stride, PixelFormat format, BYTE* scan0,
                                   GpBitmap** bitmap) {
    if (!bitmap || width <= 0 || height <= 0 || width > 32767 || height > 32767 || !validFormat(format))
        return InvalidParameter;
    if (!running()) return GdiplusNotInitialized;
    const cairo_format_t surfaceFormat = format == PixelFormat32bppRGB ? CAIRO_FORMAT_RGB24 : CAIRO_FORMAT_ARGB32;
    if (!scan0) return newBitmap(cairo_image_surface_create(surfaceFormat, width, height), format, bitmap);
    if (stride % 4 != 0 || std::abs(stride) < width * 4) return InvalidParameter;
    if (format != PixelFormat32bppARGB)
        return newBitmap(cairo_image_surface_create_for_data(scan0, surfaceFormat, width, height, stride), format,
                         bitmap);
    // Straight alpha cannot be drawn on in place: the picture is taken over premultiplied.
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    if (cairo_surface_status(s) == CAIRO_STATUS_SUCCESS) {
        for (INT y = 0; y < height; ++y) {
            auto* to = reinterpret_cast<std::uint32_t*>(cairo_image_surface_get_data(s) +
                                                        y * cairo_image_surface_get_stride(s));
            const auto* from = reinterpret_cast<const std::uint32_t*>(scan0 + static_cast<std::ptrdiff_t>(y) * stride);
            for (INT x = 0; x < width; ++x) to[x] = premultiply(from[x]);
        }
        cairo_surface_mark_dirty(s);
    }
    return newBitmap(s, format, bitmap);
}

GpStatus GdipCreateBitmapFromResource(HINSTANCE module, const WCHAR* name, GpBitmap** bitmap) {
    if (!bitmap || !IS_INTRESOURCE(name)) return InvalidParameter;
    if (!running()) return GdiplusNotInitialized;
    cairo_surface_t* image =
        loadResourceImage(module, reinterpret_cast<LPCSTR>(name), gdi::ResourceType::Bitmap);
    if (!image) return InvalidParameter;
    return newBitmap(image, PixelFormat32bppARGB, bitmap);
}

GpStatus GdipCreateBitmapFromHICON(HICON handle, GpBitmap** bitmap) {
    if (!bitmap) return InvalidParameter;
    if (!running()) return GdiplusNotInitialized;
    gdi::CursorInfo info{};
    if (!gdi::iconInfo(handle, &info) || !info.image) return InvalidParameter;
    return newBitmap(copySurface(info.image, CAIRO_FORMAT_ARGB32), PixelFormat32bppARGB, bitmap);
}

GpStatus GdipCreateBitmapFromHBITMAP(HBITMAP hbitmap, HANDLE, GpBitmap** bitmap) {
    if (!bitmap) return InvalidParameter;
    if (!running()) return GdiplusNotInitialized;
    cairo_surface_t* source = gdi::bitmapSurface(hbitmap);
    if (!source) return InvalidParameter;
    // GDI pictures carry no alpha of meaning: their colour bytes are taken as opaque.
    return newBitmap(copySurface(source, CAIRO_FORMAT_RGB24), PixelFormat32bppRGB, bitmap);
}

GpStatus GdipDisposeImage(GpImage* image) {
    if (!image) return InvalidParameter;
    delete image;
    return Ok;
}

GpStatus GdipGetImageWidth(GpImage* image, UINT* width) {
    BitmapImpl* bitmap = bitmapOf(image);
    if (!bitmap || !width) return InvalidParameter;
    *width = static_cast<UINT>(cairo_image_surface_get_width(bitmap->surface));
    return Ok;
}

GpStatus GdipGetImageHeight(GpImage* image, UINT* height) {
    BitmapImpl* bitmap = bitmapOf(image);
    if (!bitmap || !height) return InvalidParameter;
    *height = static_cast<UINT>(cairo_image_surface_get_height(bitmap->surface));
    return Ok;
}

GpStatus GdipBitmapLockBits(GpBitmap* image, const GpRect* rect, UINT flags, PixelFormat format, BitmapData* data) {
    BitmapImpl* bitmap = bitmapOf(image);
    if (!bitmap || !data || !validFormat(format) || !(flags & (ImageLockModeRead | ImageLockModeWrite)))
        return InvalidParameter;
    if (bitmap->locked) return WrongState;
    const int w = cairo_image_surface_get_width(bitmap->surface), h = cairo_image_surface_get_height(bitmap->surface);
    GpRect r = rect ? *rect : GpRect{0, 0, w, h};
    if (r.X < 0 || r.Y < 0 || r.Width <= 0 || r.Height <= 0 || r.X + r.Width > w || r.Y + r.Height > h)
        return InvalidParameter;
    const bool userBuffer = (flags & ImageLockModeUserInputBuf) != 0;
    if (userBuffer && (!data->Scan0 || std::abs(data->Stride) < r.Width * 4)) return InvalidParameter;
    if (!userBuffer) {
        try {
            bitmap->lockBuffer.assign(static_cast<std::size_t>(r.Width) * r.Height * 4, 0);
        } catch (const std::bad_alloc&) {
            return OutOfMemory;
        }
        data->Scan0 = bitmap->lockBuffer.data();
        data->Stride = r.Width * 4;
    }
    data->Width = static_cast<UINT>(r.Width);
    data->Height = static_cast<UINT>(r.Height);
    data->PixelFormat = format;
    data->Reserved = 0;
    const bool opaqueSurface = cairo_image_surface_get_format(bitmap->surface) == CAIRO_FORMAT_RGB24;
    cairo_surface_flush(bitmap->surface);
    if (flags & ImageLockModeRead) {
        for (INT y = 0; y < r.Height; ++y) {
            const std::ptrdiff_t offset =
                static_cast<std::ptrdiff_t>(r.Y + y) * cairo_image_surface_get_stride(bitmap->surface);
            const auto* from =
                reinterpret_cast<const std::uint32_t*>(cairo_image_surface_get_data(bitmap->surface) + offset) + r.X;
            auto* to = reinterpret_cast<std::uint32_t*>(static_cast<unsigned char*>(data->Scan0) +
                                                        static_cast<std::ptrdiff_t>(y) * data->Stride);
            for (INT x = 0; x < r.Width; ++x) {
                std::uint32_t p = opaqueSurface ? from[x] | 0xFF000000u : from[x];
                if (format == PixelFormat32bppARGB) p = unpremultiply(p);
                if (format == PixelFormat32bppRGB) p |= 0xFF000000u;
                to[x] = p;
            }
        }
    }
    bitmap->locked = true;
    bitmap->lockRect = r;
    bitmap->lockFlags = flags;
    bitmap->lockFormat = format;
    return Ok;
}

GpStatus GdipBitmapUnlockBits(GpBitmap* image, BitmapData* data) {
    BitmapImpl* bitmap = bitmapOf(image);
    if (!bitmap || !data) return InvalidParameter;
    if (!bitmap->locked) return WrongState;
    const GpRect r = bitmap->lockRect;
    if (bitmap->lockFlags & ImageLockModeWrite) {
        cairo_surface_flush(bitmap->surface);
        for (INT y = 0; y < r.Height; ++y) {
            const std::ptrdiff_t offset =
                static_cast<std::ptrdiff_t>(r.Y + y) * cairo_image_surface_get_stride(bitmap->surface);
            auto* to = reinterpret_cast<std::uint32_t*>(cairo_image_surface_get_data(bitmap->surface) + offset) + r.X;
            const auto* from = reinterpret_cast<const std::uint32_t*>(static_cast<unsigned char*>(data->Scan0) +
                                                                      static_cast<std::ptrdiff_t>(y) * data->Stride);
            for (INT x = 0; x < r.Width; ++x) {
                std::uint32_t p = from[x];
                if (bitmap->lockFormat == PixelFormat32bppARGB) p = premultiply(p);
                if (bitmap->lockFormat == PixelFormat32bppRGB) p |= 0xFF000000u;
                to[x] = p;
            }
        }
        cairo_surface_mark_dirty(bitmap->surface);
    }
    bitmap->locked = false;
    bitmap->lockBuffer.clear();
    bitmap->lockBuffer.shrink_to_fit();
    return Ok;
}

GpStatus GdipDrawImageRect(GpGraphics* g, GpImage* image, REAL x, REAL y, REAL width, REAL height) {
    BitmapImpl* bitmap = bitmapOf(image);
    if (!g || !bitmap || bitmap->surface == g->target) return InvalidParameter;
    if (bitmap->locked) return WrongState;
    const int w = cairo_image_surface_get_width(bitmap->surface), h = cairo_image_surface_get_height(bitmap->surface);
    if (width == 0 || height == 0) return Ok;
    beginDrawing(g);
    cairo_t* cr = g->cr;
    cairo_save(cr);
    cairo_translate(cr, x, y);
    cairo_scale(cr, width / w, height / h);
    cairo_set_source_surface(cr, bitmap->surface, 0, 0);
    cairo_pattern_set_filter(cairo_get_source(cr), g->filter);
    cairo_pattern_set_extend(cairo_get_source(cr), CAIRO_EXTEND_PAD);
    cairo_rectangle(cr, 0, 0, w, h);
    cairo_fill(cr);
    cairo_restore(cr);
    return endDrawing(g);
}

GpStatus GdipDrawImageRectI(GpGraphics* g, GpImage* image, INT x, INT y, INT width, INT height) {
    return GdipDrawImageRect(g, image, static_cast<REAL>(x), static_cast<REAL>(y), static_cast<REAL>(width),
                             static_cast<REAL>(height));
}

GpStatus GdipDrawImage(GpGraphics* g, GpImage* image, REAL x, REAL y) {
    UINT w = 0, h = 0;
    if (GdipGetImageWidth(image, &w) != Ok || GdipGetImageHeight(image, &h) != Ok) return InvalidParameter;
    return GdipDrawImageRect(g, image, x, y, static_cast<REAL>(w), static_cast<REAL>(h));
}

GpStatus GdipDrawImageI(GpGraphics* g, GpImage* image, INT x, INT y) {
    return GdipDrawImage(g, image, static_cast<REAL>(x), static_cast<REAL>(y));
}

GpStatus GdipCreatePen1(ARGB color, REAL width, GpUnit unit, GpPen** pen) {
    if (!pen || width < 0 || unit < UnitWorld || unit > 6) return InvalidParameter;
    if (!running()) return GdiplusNotInitialized;
    if (unit != UnitWorld && unit != UnitPixel && unit != UnitDisplay) return NotImplemented;
    auto* p = new (std::nothrow) GpPen();
    if (!p) return OutOfMemory;
    p->color = color;
    p->width = width;
    *pen = p;
    return Ok;
}

GpStatus GdipDeletePen(GpPen* pen) {
    if (!pen) return InvalidParameter;
    delete pen;
    return Ok;
}

GpStatus GdipCreateSolidFill(ARGB color, GpSolidFill** brush) {
    if (!brush) return InvalidParameter;
    if (!running()) return GdiplusNotInitialized;
    auto* b = new (std::nothrow) SolidImpl();
    if (!b) return OutOfMemory;
    b->color = color;
    *brush = b;
    return Ok;
}

GpStatus GdipCreateLineBrush(const GpPointF* from, const GpPointF* to, ARGB fromColor, ARGB toColor, GpWrapMode wrap,
                             GpLineGradient** brush) {
    if (!brush || !from || !to || wrap < WrapModeTile || wrap > WrapModeClamp) return InvalidParameter;
    if (from->X == to->X && from->Y == to->Y) return OutOfMemory;
    if (!running()) return GdiplusNotInitialized;
    auto* b = new (std::nothrow) GradientImpl();
    if (!b) return OutOfMemory;
    b->from = *from;
    b->to = *to;
    b->fromColor = fromColor;
    b->toColor = toColor;
    b->wrap = wrap;
    *brush = b;
    return Ok;
}

GpStatus GdipCreateLineBrushI(const GpPoint* from, const GpPoint* to, ARGB fromColor, ARGB toColor, GpWrapMode wrap,
                              GpLineGradient** brush) {
    if (!from || !to) return InvalidParameter;
    GpPointF a{static_cast<REAL>(from->X), static_cast<REAL>(from->Y)};
    GpPointF b{static_cast<REAL>(to->X), static_cast<REAL>(to->Y)};
    return GdipCreateLineBrush(&a, &b, fromColor, toColor, wrap, brush);
}

GpStatus GdipDeleteBrush(GpBrush* brush) {
    if (!brush) return InvalidParameter;
    delete brush;
    return Ok;
}

GpStatus GdipDrawLine(GpGraphics* g, GpPen* pen, REAL x1, REAL y1, REAL x2, REAL y2) {
    const GpPointF points[] = {{x1, y1}, {x2, y2}};
    return drawLines(g, pen, points, 2);
}

GpStatus GdipDrawLineI(GpGraphics* g, GpPen* pen, INT x1, INT y1, INT x2, INT y2) {
    return GdipDrawLine(g, pen, static_cast<REAL>(x1), static_cast<REAL>(y1), static_cast<REAL>(x2),
                        static_cast<REAL>(y2));
}

GpStatus GdipDrawLines(GpGraphics* g, GpPen* pen, const GpPointF* points, INT count) {
    return drawLines(g, pen, points, count);
}

GpStatus GdipDrawLinesI(GpGraphics* g, GpPen* pen, const GpPoint* points, INT count) {
    if (!points || count < 2) return InvalidParameter;
    std::vector<GpPointF> p = toFloat(points, count);
    return drawLines(g, pen, p.data(), count);
}

GpStatus GdipFillRectangle(GpGraphics* g, GpBrush* brush, REAL x, REAL y, REAL width, REAL height) {
    if (!g || !brush) return InvalidParameter;
    beginDrawing(g);
    cairo_rectangle(g->cr, x + kCentre, y + kCentre, width, height);
    return fill(g, brush, CAIRO_FILL_RULE_WINDING);
}

GpStatus GdipFillRectangleI(GpGraphics* g, GpBrush* brush, INT x, INT y, INT width, INT height) {
    return GdipFillRectangle(g, brush, static_cast<REAL>(x), static_cast<REAL>(y), static_cast<REAL>(width),
                             static_cast<REAL>(height));
}

GpStatus GdipFillPolygon(GpGraphics* g, GpBrush* brush, const GpPointF* points, INT count, GpFillMode mode) {
    if (!g || !brush || !points || count < 3) return InvalidParameter;
    beginDrawing(g);
    cairo_move_to(g->cr, points[0].X + kCentre, points[0].Y + kCentre);
    for (INT i = 1; i < count; ++i) cairo_line_to(g->cr, points[i].X + kCentre, points[i].Y + kCentre);
    cairo_close_path(g->cr);
    return fill(g, brush, fillRule(mode));
}

GpStatus GdipFillPolygonI(GpGraphics* g, GpBrush* brush, const GpPoint* points, INT count, GpFillMode mode) {
    if (!points || count < 3) return InvalidParameter;
    std::vector<GpPointF> p = toFloat(points, count);
    return GdipFillPolygon(g, brush, p.data(), count, mode);
}

GpStatus GdipFillEllipse(GpGraphics* g, GpBrush* brush, REAL x, REAL y, REAL width, REAL height) {
    if (!g || !brush) return InvalidParameter;
    beginDrawing(g);
    addEllipse(g->cr, x, y, width, height);
    return fill(g, brush, CAIRO_FILL_RULE_WINDING);
}

GpStatus GdipFillEllipseI(GpGraphics* g, GpBrush* brush, INT x, INT y, INT width, INT height) {
    return GdipFillEllipse(g, brush, static_cast<REAL>(x), static_cast<REAL>(y), static_cast<REAL>(width),
                           static_cast<REAL>(height));
}

GpStatus GdipFillPath(GpGraphics* g, GpBrush* brush, GpPath* path) {
    if (!g || !brush || !path) return InvalidParameter;
    beginDrawing(g);
    addPath(g->cr, path);
    return fill(g, brush, fillRule(path->mode));
}

GpStatus GdipCreatePath(GpFillMode mode, GpPath** path) {
    if (!path || (mode != FillModeAlternate && mode != FillModeWinding)) return InvalidParameter;
    if (!running()) return GdiplusNotInitialized;
    auto* p = new (std::nothrow) GpPath();
    if (!p) return OutOfMemory;
    p->mode = mode;
    *path = p;
    return Ok;
}

GpStatus GdipDeletePath(GpPath* path) {
    if (!path) return InvalidParameter;
    delete path;
    return Ok;
}

GpStatus GdipAddPathEllipse(GpPath* path, REAL x, REAL y, REAL width, REAL height) {
    if (!path) return InvalidParameter;
    path->figures.push_back({GpPath::Figure::Shape::Ellipse, x, y, width, height});
    return Ok;
}

GpStatus GdipAddPathEllipseI(GpPath* path, INT x, INT y, INT width, INT height) {
    return GdipAddPathEllipse(path, static_cast<REAL>(x), static_cast<REAL>(y), static_cast<REAL>(width),
                              static_cast<REAL>(height));
}

GpStatus GdipAddPathRectangle(GpPath* path, REAL x, REAL y, REAL width, REAL height) {
    if (!path) return InvalidParameter;
    path->figures.push_back({GpPath::Figure::Shape::Rectangle, x, y, width, height});
    return Ok;
}

GpStatus GdipAddPathRectangleI(GpPath* path, INT x, INT y, INT width, INT height) {
    return GdipAddPathRectangle(path, static_cast<REAL>(x), static_cast<REAL>(y), static_cast<REAL>(width),
                                static_cast<REAL>(height));
}

GpStatus GdipSetClipRect(GpGraphics* g, REAL x, REAL y, REAL width, REAL height, CombineMode mode) {
    if (!g || !validCombine(mode)) return InvalidParameter;
    cairo_new_path(g->cr);
    cairo_rectangle(g->cr, x + kCentre, y + kCentre, width, height);
    return clipTo(g, mode);
}

GpStatus GdipSetClipRectI(GpGraphics* g, INT x, INT y, INT width, INT height, CombineMode mode) {
    return GdipSetClipRect(g, static_cast<REAL>(x), static_cast<REAL>(y), static_cast<REAL>(width),
                           static_cast<REAL>(height), mode);
}

GpStatus GdipSetClipPath(GpGraphics* g, GpPath* path, CombineMode mode) {
    if (!g || !path || !validCombine(mode)) return InvalidParameter;
    cairo_new_path(g->cr);
    addPath(g->cr, path);
    cairo_set_fill_rule(g->cr, fillRule(path->mode));
    if (mode != CombineModeExclude) {
        GpStatus s = clipTo(g, mode);
        cairo_set_fill_rule(g->cr, CAIRO_FILL_RULE_WINDING);
        return s;
    }
    return clipTo(g, mode);
}

GpStatus GdipResetClip(GpGraphics* g) {
    if (!g) return InvalidParameter;
    cairo_reset_clip(g->cr);
    applyDeviceClip(g);
    return Ok;
}
