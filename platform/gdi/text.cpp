#include "gdi/internal.h"

#include <pango/pangocairo.h>

#include <cstring>
#include <memory>
#include <strings.h>
#include <vector>

namespace gdi::detail {
namespace {

// Windows faces and the metric-compatible faces that stand in for them.
struct FaceMapping {
    const char* windows;
    const char* families;
};
constexpr FaceMapping kFaces[] = {
    {"Arial", "Liberation Sans,DejaVu Sans"},
    {"MS Sans Serif", "Liberation Sans,DejaVu Sans"},
    {"Microsoft Sans Serif", "Liberation Sans,DejaVu Sans"},
    {"MS Shell Dlg", "Liberation Sans,DejaVu Sans"},
    {"MS Shell Dlg 2", "Liberation Sans,DejaVu Sans"},
    {"Tahoma", "Liberation Sans,DejaVu Sans"},
    {"Verdana", "DejaVu Sans,Liberation Sans"},
    {"Helvetica", "Liberation Sans,DejaVu Sans"},
    {"System", "Liberation Sans,DejaVu Sans"},
    {"Times New Roman", "Liberation Serif,DejaVu Serif"},
    {"MS Serif", "Liberation Serif,DejaVu Serif"},
    {"Courier New", "Liberation Mono,DejaVu Sans Mono"},
    {"Courier", "Liberation Mono,DejaVu Sans Mono"},
};

const char* familiesFor(const LOGFONTA& lf) {
    for (const FaceMapping& face : kFaces)
        if (strcasecmp(lf.lfFaceName, face.windows) == 0) return face.families;
    if (lf.lfFaceName[0]) return nullptr;
    switch (lf.lfPitchAndFamily & 0xF0) {
        case FF_ROMAN: return "Liberation Serif,DejaVu Serif";
        case FF_MODERN: return "Liberation Mono,DejaVu Sans Mono";
        default: return "Liberation Sans,DejaVu Sans";
    }
}

PangoContext* measuringContext() {
    thread_local std::unique_ptr<PangoContext, void (*)(gpointer)> context(
        pango_font_map_create_context(pango_cairo_font_map_get_default()), g_object_unref);
    return context.get();
}

constexpr int kDefaultEmPixels = 12;

}  // namespace

Font::~Font() {
    if (description) pango_font_description_free(description);
}

void describeFont(Font* font) {
    const LOGFONTA& lf = font->logFont;
    PangoFontDescription* d = pango_font_description_new();
    const char* families = familiesFor(lf);
    std::string face = families ? families : std::string(lf.lfFaceName) + ",Liberation Sans,DejaVu Sans";
    pango_font_description_set_family(d, face.c_str());
    int weight = lf.lfWeight == FW_DONTCARE ? FW_NORMAL : static_cast<int>(lf.lfWeight);
    pango_font_description_set_weight(d, static_cast<PangoWeight>(weight < 100 ? 100 : weight > 1000 ? 1000 : weight));
    pango_font_description_set_style(d, lf.lfItalic ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
    double em = kDefaultEmPixels;
    if (lf.lfHeight < 0) {
        em = -static_cast<double>(lf.lfHeight);
    } else if (lf.lfHeight > 0) {
        // A cell height: scale the em so that ascent plus descent come to it.
        pango_font_description_set_absolute_size(d, 100.0 * PANGO_SCALE);
        PangoFontMetrics* m = pango_context_get_metrics(measuringContext(), d, nullptr);
        double cell = (pango_font_metrics_get_ascent(m) + pango_font_metrics_get_descent(m)) / double(PANGO_SCALE);
        pango_font_metrics_unref(m);
        em = cell > 0 ? lf.lfHeight * 100.0 / cell : lf.lfHeight;
    }
    pango_font_description_set_absolute_size(d, em * PANGO_SCALE);
    font->description = d;
}

std::string ansiToUtf8(const char* text, int length) {
    // Code page 1252's characters 0x80 to 0x9F; the rest of the page is Latin-1.
    static const char16_t k80[32] = {0x20AC, 0x81,   0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                     0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x8D,   0x017D, 0x8F,
                                     0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                     0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x9D,   0x017E, 0x0178};
    std::string out;
    if (!text) return out;
    if (length < 0) length = static_cast<int>(std::strlen(text));
    out.reserve(static_cast<std::size_t>(length));
    for (int i = 0; i < length; ++i) {
        unsigned c = static_cast<unsigned char>(text[i]);
        if (c >= 0x80 && c < 0xA0) c = k80[c - 0x80];
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

}  // namespace gdi::detail

using namespace gdi::detail;

namespace {

using Layout = std::unique_ptr<PangoLayout, void (*)(gpointer)>;

void setFontOptions(PangoContext* context) {
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_ON);
    pango_cairo_context_set_font_options(context, options);
    cairo_font_options_destroy(options);
}

// A layout of the text in the DC's font, on the given context or on a measuring one.
Layout makeLayout(const DeviceContext* dc, cairo_t* cr, const std::string& utf8) {
    PangoLayout* layout = cr ? pango_cairo_create_layout(cr) : pango_layout_new(measuringContext());
    setFontOptions(pango_layout_get_context(layout));
    pango_layout_context_changed(layout);
    pango_layout_set_font_description(layout, dc->font->description);
    const LOGFONTA& lf = dc->font->logFont;
    if (lf.lfUnderline || lf.lfStrikeOut) {
        PangoAttrList* attrs = pango_attr_list_new();
        if (lf.lfUnderline) pango_attr_list_insert(attrs, pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
        if (lf.lfStrikeOut) pango_attr_list_insert(attrs, pango_attr_strikethrough_new(TRUE));
        pango_layout_set_attributes(layout, attrs);
        pango_attr_list_unref(attrs);
    }
    pango_layout_set_text(layout, utf8.c_str(), static_cast<int>(utf8.size()));
    return Layout(layout, g_object_unref);
}

struct Extent {
    int width;
    int height;
    int baseline;
};

Extent extentOf(PangoLayout* layout) {
    PangoRectangle logical;
    pango_layout_get_pixel_extents(layout, nullptr, &logical);
    return {logical.width, logical.height, pango_layout_get_baseline(layout) / PANGO_SCALE};
}

struct CairoDeleter {
    void operator()(cairo_t* cr) const {
        cairo_surface_t* target = cairo_get_target(cr);
        cairo_destroy(cr);
        cairo_surface_flush(target);
    }
};

// Removes the '&' prefixes: "&&" stands for one '&', a single '&' underlines what follows.
std::string stripPrefixes(const std::string& text, std::vector<int>& underlined) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '&' && i + 1 < text.size()) {
            ++i;
            if (text[i] != '&') underlined.push_back(static_cast<int>(out.size()));
        }
        out += text[i];
    }
    return out;
}

int utf8Length(const std::string& s, int at) {
    unsigned char c = static_cast<unsigned char>(s[static_cast<std::size_t>(at)]);
    return c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
}

}  // namespace

UINT SetTextAlign(HDC hdc, UINT align) {
    DeviceContext* dc = lookupDC(hdc);
    if (!dc) return GDI_ERROR;
    UINT previous = dc->textAlign;
    dc->textAlign = align;
    return previous;
}

UINT GetTextAlign(HDC hdc) {
    DeviceContext* dc = lookupDC(hdc);
    return dc ? dc->textAlign : GDI_ERROR;
}

BOOL GetTextExtentPoint32A(HDC hdc, LPCSTR text, int length, SIZE* size) {
    DeviceContext* dc = lookupDC(hdc);
    if (!dc || !size || (!text && length != 0) || length < 0) return FALSE;
    Layout layout = makeLayout(dc, nullptr, ansiToUtf8(text, length));
    Extent e = extentOf(layout.get());
    size->cx = length == 0 ? 0 : e.width;
    size->cy = e.height;
    return TRUE;
}

BOOL TextOutA(HDC hdc, int x, int y, LPCSTR text, int length) {
    DeviceContext* dc = lookupDC(hdc);
    if (!dc || (!text && length != 0)) return FALSE;
    std::unique_ptr<cairo_t, CairoDeleter> cr(dc->begin());
    if (!cr) return FALSE;
    Layout layout = makeLayout(dc, cr.get(), ansiToUtf8(text, length));
    pango_layout_set_single_paragraph_mode(layout.get(), TRUE);
    Extent e = extentOf(layout.get());
    const UINT align = dc->textAlign;
    if (align & TA_UPDATECP) {
        x = dc->position.x;
        y = dc->position.y;
    }
    int left = x;
    switch (align & TA_CENTER) {
        case TA_RIGHT: left = x - e.width; break;
        case TA_CENTER: left = x - e.width / 2; break;
        default: break;
    }
    int top = y;
    switch (align & TA_BASELINE) {
        case TA_BOTTOM: top = y - e.height; break;
        case TA_BASELINE: top = y - e.baseline; break;
        default: break;
    }
    if (dc->bkMode == OPAQUE) fillRect(cr.get(), left, top, left + e.width, top + e.height, dc->bkColor);
    setColor(cr.get(), dc->textColor);
    cairo_move_to(cr.get(), left, top);
    pango_cairo_show_layout(cr.get(), layout.get());
    if (align & TA_UPDATECP) {
        switch (align & TA_CENTER) {
            case TA_RIGHT: dc->position.x = left; break;
            case TA_CENTER: break;
            default: dc->position.x = left + e.width; break;
        }
    }
    return TRUE;
}

int DrawTextA(HDC hdc, LPCSTR text, int length, LPRECT rect, UINT format) {
    DeviceContext* dc = lookupDC(hdc);
    if (!dc || !rect || (!text && length != 0)) return 0;
    std::string utf8 = ansiToUtf8(text, length);
    std::vector<int> underlined;
    if (!(format & DT_NOPREFIX)) utf8 = stripPrefixes(utf8, underlined);
    const bool calculate = (format & DT_CALCRECT) != 0;
    std::unique_ptr<cairo_t, CairoDeleter> cr(calculate ? nullptr : dc->begin());
    if (!calculate && !cr) return 0;
    Layout layout = makeLayout(dc, cr.get(), utf8);
    PangoLayout* l = layout.get();
    if (format & DT_SINGLELINE) pango_layout_set_single_paragraph_mode(l, TRUE);
    if (!underlined.empty()) {
        PangoAttrList* attrs = pango_layout_get_attributes(l);
        attrs = attrs ? pango_attr_list_copy(attrs) : pango_attr_list_new();
        for (int at : underlined) {
            PangoAttribute* u = pango_attr_underline_new(PANGO_UNDERLINE_SINGLE);
            u->start_index = static_cast<guint>(at);
            u->end_index = static_cast<guint>(at + utf8Length(utf8, at));
            pango_attr_list_insert(attrs, u);
        }
        pango_layout_set_attributes(l, attrs);
        pango_attr_list_unref(attrs);
    }
    const int rectWidth = rect->right - rect->left;
    const UINT horizontal = format & (DT_CENTER | DT_RIGHT);
    pango_layout_set_alignment(l, horizontal == DT_CENTER  ? PANGO_ALIGN_CENTER
                                  : horizontal == DT_RIGHT ? PANGO_ALIGN_RIGHT
                                                           : PANGO_ALIGN_LEFT);
    const bool wrap = (format & DT_WORDBREAK) && !(format & DT_SINGLELINE);
    if (wrap) {
        pango_layout_set_width(l, (rectWidth > 0 ? rectWidth : 0) * PANGO_SCALE);
        pango_layout_set_wrap(l, PANGO_WRAP_WORD);
    }
    Extent e = extentOf(l);
    int left = rect->left;
    if (!wrap) {
        if (horizontal == DT_CENTER) left = rect->left + (rectWidth - e.width) / 2;
        if (horizontal == DT_RIGHT) left = rect->right - e.width;
    }
    int top = rect->top;
    if (format & DT_SINGLELINE) {
        if (format & DT_VCENTER) top = rect->top + (rect->bottom - rect->top - e.height) / 2;
        if (format & DT_BOTTOM) top = rect->bottom - e.height;
    }
    if (calculate) {
        rect->right = rect->left + (wrap ? rectWidth : e.width);
        rect->bottom = rect->top + e.height;
        return e.height;
    }
    cairo_t* c = cr.get();
    if (!(format & DT_NOCLIP)) {
        cairo_rectangle(c, rect->left, rect->top, rectWidth, rect->bottom - rect->top);
        cairo_clip(c);
    }
    const int boxLeft = wrap ? rect->left : left;
    const int boxWidth = wrap ? rectWidth : e.width;
    if (dc->bkMode == OPAQUE) fillRect(c, boxLeft, top, boxLeft + boxWidth, top + e.height, dc->bkColor);
    setColor(c, dc->textColor);
    cairo_move_to(c, left, top);
    pango_cairo_show_layout(c, l);
    return (format & (DT_VCENTER | DT_BOTTOM)) && (format & DT_SINGLELINE) ? top - rect->top + e.height : e.height;
}
