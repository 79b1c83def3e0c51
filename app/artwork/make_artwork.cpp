// Draws the program's skin pictures into the given folder.

#include <cairo.h>
#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <functional>
#include <string>

namespace {

struct Colour {
    double r, g, b;
};
constexpr Colour kNavy{0x1E / 255.0, 0x2A / 255.0, 0x44 / 255.0};
constexpr Colour kNavyLight{0x34 / 255.0, 0x46 / 255.0, 0x6E / 255.0};
constexpr Colour kOrange{0xF3 / 255.0, 0x9A / 255.0, 0x2B / 255.0};
constexpr Colour kOrangeDeep{0xD9 / 255.0, 0x6A / 255.0, 0x12 / 255.0};
constexpr Colour kCream{0xF7 / 255.0, 0xF4 / 255.0, 0xEE / 255.0};
constexpr Colour kFooter{0xEC / 255.0, 0xE6 / 255.0, 0xDA / 255.0};
constexpr Colour kHairline{0xD6 / 255.0, 0xCC / 255.0, 0xB8 / 255.0};

// The message window's layout, in pixels; the form places its controls to match. The help
// window is taller, with the same header and a footer band of the same height at its bottom.
constexpr int kWidth = 420, kHeight = 210, kHeader = 36, kFooterHeight = 52;
constexpr int kHelpHeight = 330;

void set(cairo_t* cr, Colour c, double alpha = 1.0) { cairo_set_source_rgba(cr, c.r, c.g, c.b, alpha); }

void roundedRect(cairo_t* cr, double x, double y, double w, double h, double r) {
    cairo_new_sub_path(cr);
    cairo_arc(cr, x + w - r, y + r, r, -M_PI / 2, 0);
    cairo_arc(cr, x + w - r, y + h - r, r, 0, M_PI / 2);
    cairo_arc(cr, x + r, y + h - r, r, M_PI / 2, M_PI);
    cairo_arc(cr, x + r, y + r, r, M_PI, 3 * M_PI / 2);
    cairo_close_path(cr);
}

void text(cairo_t* cr, const std::string& markup, const char* font, double x, double y, double width,
          bool centred, double height = -1) {
    PangoLayout* layout = pango_cairo_create_layout(cr);
    PangoFontDescription* description = pango_font_description_from_string(font);
    pango_layout_set_font_description(layout, description);
    pango_layout_set_markup(layout, markup.c_str(), -1);
    if (centred) {
        pango_layout_set_width(layout, static_cast<int>(width * PANGO_SCALE));
        pango_layout_set_alignment(layout, PANGO_ALIGN_CENTER);
    }
    int w = 0, h = 0;
    pango_layout_get_pixel_size(layout, &w, &h);
    cairo_move_to(cr, x, height < 0 ? y : y + (height - h) / 2.0);
    pango_cairo_show_layout(cr, layout);
    pango_font_description_free(description);
    g_object_unref(layout);
}

// 24-bit bottom-up BMP, the format the skin folder holds.
bool writeBmp(cairo_surface_t* surface, const std::string& path) {
    cairo_surface_flush(surface);
    int w = cairo_image_surface_get_width(surface), h = cairo_image_surface_get_height(surface);
    int stride = cairo_image_surface_get_stride(surface);
    const unsigned char* data = cairo_image_surface_get_data(surface);
    int row = (w * 3 + 3) & ~3;
    std::uint32_t imageSize = static_cast<std::uint32_t>(row * h), fileSize = 54 + imageSize;
    auto put16 = [](std::string& s, std::uint16_t v) { s.push_back(char(v & 255)), s.push_back(char(v >> 8)); };
    auto put32 = [&](std::string& s, std::uint32_t v) { put16(s, v & 0xFFFF), put16(s, v >> 16); };
    std::string out = "BM";
    put32(out, fileSize);
    put32(out, 0);
    put32(out, 54);
    put32(out, 40);
    put32(out, static_cast<std::uint32_t>(w));
    put32(out, static_cast<std::uint32_t>(h));
    put16(out, 1);
    put16(out, 24);
    put32(out, 0);
    put32(out, imageSize);
    put32(out, 2835);
    put32(out, 2835);
    put32(out, 0);
    put32(out, 0);
    for (int y = h - 1; y >= 0; --y) {
        const auto* pixel = reinterpret_cast<const std::uint32_t*>(data + y * stride);
        for (int x = 0; x < w; ++x) {
            out.push_back(char(pixel[x] & 255));
            out.push_back(char((pixel[x] >> 8) & 255));
            out.push_back(char((pixel[x] >> 16) & 255));
        }
        out.append(static_cast<std::size_t>(row - w * 3), '\0');
    }
    std::ofstream file(path, std::ios::binary);
    file << out;
    return static_cast<bool>(file);
}

bool draw(const std::string& path, int w, int h, bool alpha, const std::function<void(cairo_t*)>& paint) {
    cairo_surface_t* surface = cairo_image_surface_create(alpha ? CAIRO_FORMAT_ARGB32 : CAIRO_FORMAT_RGB24, w, h);
    cairo_t* cr = cairo_create(surface);
    paint(cr);
    cairo_destroy(cr);
    bool ok = alpha ? cairo_surface_write_to_png(surface, path.c_str()) == CAIRO_STATUS_SUCCESS
                    : writeBmp(surface, path);
    cairo_surface_destroy(surface);
    return ok;
}

void background(cairo_t* cr, int height) {
    const int footerTop = height - kFooterHeight;
    set(cr, kCream);
    cairo_paint(cr);

    // Flat, so that the close button's own picture blends into it.
    set(cr, kNavy);
    cairo_rectangle(cr, 0, 0, kWidth, kHeader);
    cairo_fill(cr);
    set(cr, kNavyLight);
    cairo_rectangle(cr, 0, 0, kWidth, 2);
    cairo_fill(cr);

    // Level bars: the product's mark, fading towards the close button.
    for (int i = 0; i < 22; ++i) {
        double level = 0.35 + 0.65 * std::fabs(std::sin(i * 0.9) * std::cos(i * 0.37));
        double bar = 4 + level * 20;
        set(cr, kOrange, 0.15 + 0.35 * (1.0 - i / 22.0));
        cairo_rectangle(cr, 150 + i * 10, kHeader - 6 - bar, 6, bar);
        cairo_fill(cr);
    }
    set(cr, {1, 1, 1});
    text(cr, "<b>Tavi</b><span foreground=\"#F39A2B\"><b>mo</b></span>", "DejaVu Sans 15", 16, 0, 0, false, kHeader);

    set(cr, kOrange);
    cairo_rectangle(cr, 0, kHeader, kWidth, 3);
    cairo_fill(cr);

    // A soft wave across the body's lower right, away from the sign and the text.
    cairo_set_line_width(cr, 1.5);
    for (int k = 0; k < 3; ++k) {
        cairo_pattern_t* fade = cairo_pattern_create_linear(180, 0, kWidth, 0);
        cairo_pattern_add_color_stop_rgba(fade, 0, kHairline.r, kHairline.g, kHairline.b, 0);
        cairo_pattern_add_color_stop_rgba(fade, 0.5, kHairline.r, kHairline.g, kHairline.b, 0.8 - k * 0.2);
        cairo_pattern_add_color_stop_rgba(fade, 1, kHairline.r, kHairline.g, kHairline.b, 0.5 - k * 0.1);
        cairo_set_source(cr, fade);
        cairo_pattern_destroy(fade);
        cairo_move_to(cr, 180, footerTop - 14 - k * 6);
        for (int x = 180; x <= kWidth; x += 4)
            cairo_line_to(cr, x, footerTop - 14 - k * 6 + std::sin((x + k * 25) / 18.0) * (3 + k));
        cairo_stroke(cr);
    }

    set(cr, kFooter);
    cairo_rectangle(cr, 0, footerTop, kWidth, kFooterHeight);
    cairo_fill(cr);
    set(cr, kHairline);
    cairo_rectangle(cr, 0, footerTop, kWidth, 1);
    cairo_fill(cr);
    set(cr, kNavy, 0.18);
    cairo_set_line_width(cr, 1);
    cairo_rectangle(cr, 0.5, 0.5, kWidth - 1, height - 1);
    cairo_stroke(cr);
}

void closeButton(cairo_t* cr) {
    set(cr, kNavy);
    cairo_paint(cr);
    cairo_arc(cr, 11, 11, 10, 0, 2 * M_PI);
    set(cr, kNavyLight);
    cairo_fill_preserve(cr);
    set(cr, {1, 1, 1}, 0.35);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    set(cr, {1, 1, 1});
    cairo_set_line_width(cr, 2.2);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_move_to(cr, 7, 7);
    cairo_line_to(cr, 15, 15);
    cairo_move_to(cr, 15, 7);
    cairo_line_to(cr, 7, 15);
    cairo_stroke(cr);
}

void okButton(cairo_t* cr) {
    set(cr, kFooter);
    cairo_paint(cr);
    roundedRect(cr, 1.5, 2.5, 97, 28, 8);
    set(cr, kNavy, 0.18);
    cairo_fill(cr);
    cairo_pattern_t* fill = cairo_pattern_create_linear(0, 1, 0, 29);
    cairo_pattern_add_color_stop_rgb(fill, 0, kOrange.r, kOrange.g, kOrange.b);
    cairo_pattern_add_color_stop_rgb(fill, 1, kOrangeDeep.r, kOrangeDeep.g, kOrangeDeep.b);
    roundedRect(cr, 1.5, 0.5, 97, 28, 8);
    cairo_set_source(cr, fill);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(fill);
    set(cr, kOrangeDeep);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    roundedRect(cr, 3, 2, 94, 12, 6);
    set(cr, {1, 1, 1}, 0.18);
    cairo_fill(cr);
    set(cr, {1, 1, 1});
    text(cr, "<b>OK</b>", "DejaVu Sans 11", 0, 0.5, 100, true, 28);
}

void errorSign(cairo_t* cr) {
    cairo_arc(cr, 24, 25.5, 21, 0, 2 * M_PI);
    cairo_set_source_rgba(cr, 0, 0, 0, 0.15);
    cairo_fill(cr);
    cairo_pattern_t* fill = cairo_pattern_create_radial(18, 16, 2, 24, 24, 22);
    cairo_pattern_add_color_stop_rgb(fill, 0, 0.98, 0.42, 0.30);
    cairo_pattern_add_color_stop_rgb(fill, 1, 0.78, 0.12, 0.10);
    cairo_arc(cr, 24, 24, 21, 0, 2 * M_PI);
    cairo_set_source(cr, fill);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(fill);
    cairo_set_source_rgb(cr, 0.62, 0.08, 0.06);
    cairo_set_line_width(cr, 1.2);
    cairo_stroke(cr);
    cairo_set_source_rgb(cr, 1, 1, 1);
    roundedRect(cr, 21, 10, 6, 19, 3);
    cairo_fill(cr);
    cairo_arc(cr, 24, 35, 3.4, 0, 2 * M_PI);
    cairo_fill(cr);
}

// A rounded button with a label: the live look in the accent colour, the inactive one in grey.
void pill(cairo_t* cr, int w, int h, const std::string& label, bool on, Colour base = kOrange,
          Colour deep = kOrangeDeep, Colour back = kCream) {
    set(cr, back);
    cairo_paint(cr);
    Colour top = on ? base : Colour{0.80, 0.80, 0.78}, bottom = on ? deep : Colour{0.66, 0.66, 0.64};
    roundedRect(cr, 1.5, 2.5, w - 3, h - 4, h / 3.5);
    set(cr, kNavy, 0.15);
    cairo_fill(cr);
    cairo_pattern_t* fill = cairo_pattern_create_linear(0, 1, 0, h - 3);
    cairo_pattern_add_color_stop_rgb(fill, 0, top.r, top.g, top.b);
    cairo_pattern_add_color_stop_rgb(fill, 1, bottom.r, bottom.g, bottom.b);
    roundedRect(cr, 1.5, 0.5, w - 3, h - 4, h / 3.5);
    cairo_set_source(cr, fill);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(fill);
    set(cr, bottom);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    set(cr, on ? Colour{1, 1, 1} : Colour{0.95, 0.95, 0.94});
    text(cr, "<b>" + label + "</b>", h >= 36 ? "DejaVu Sans 12" : "DejaVu Sans 10", 0, 0.5, w, true, h - 4);
}

enum class Glyph { Play, Stop, Rewind, Forward, Left, Right, Plus, Minus, Up, Down, Eject, Help };

// A round transport button with its symbol.
void round(cairo_t* cr, int size, Glyph glyph, bool on) {
    set(cr, kCream);
    cairo_paint(cr);
    double c = size / 2.0, r = size / 2.0 - 1.5;
    cairo_arc(cr, c, c + 1, r, 0, 2 * M_PI);
    set(cr, kNavy, 0.15);
    cairo_fill(cr);
    cairo_pattern_t* fill = cairo_pattern_create_radial(c - r / 3, c - r / 3, 1, c, c, r);
    Colour a = on ? kNavyLight : Colour{0.82, 0.82, 0.80}, b = on ? kNavy : Colour{0.68, 0.68, 0.66};
    cairo_pattern_add_color_stop_rgb(fill, 0, a.r, a.g, a.b);
    cairo_pattern_add_color_stop_rgb(fill, 1, b.r, b.g, b.b);
    cairo_arc(cr, c, c, r, 0, 2 * M_PI);
    cairo_set_source(cr, fill);
    cairo_fill(cr);
    cairo_pattern_destroy(fill);
    set(cr, on ? kOrange : Colour{0.93, 0.93, 0.92});
    double u = size / 10.0;
    auto triangle = [&](double x, double dir) {
        cairo_move_to(cr, x, c - 2.2 * u);
        cairo_line_to(cr, x + dir * 3.2 * u, c);
        cairo_line_to(cr, x, c + 2.2 * u);
        cairo_close_path(cr);
        cairo_fill(cr);
    };
    cairo_set_line_width(cr, 1.6 * u);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    switch (glyph) {
    case Glyph::Play: triangle(c - 1.2 * u, 1); break;
    case Glyph::Stop: cairo_rectangle(cr, c - 2 * u, c - 2 * u, 4 * u, 4 * u); cairo_fill(cr); break;
    case Glyph::Rewind: triangle(c, -1); triangle(c + 2.8 * u, -1); break;
    case Glyph::Forward: triangle(c - 2.8 * u, 1); triangle(c, 1); break;
    case Glyph::Left: triangle(c + 1.4 * u, -1); break;
    case Glyph::Right: triangle(c - 1.4 * u, 1); break;
    case Glyph::Plus:
        cairo_move_to(cr, c - 2.4 * u, c); cairo_line_to(cr, c + 2.4 * u, c);
        cairo_move_to(cr, c, c - 2.4 * u); cairo_line_to(cr, c, c + 2.4 * u); cairo_stroke(cr); break;
    case Glyph::Minus: cairo_move_to(cr, c - 2.4 * u, c); cairo_line_to(cr, c + 2.4 * u, c); cairo_stroke(cr); break;
    case Glyph::Up:
        cairo_move_to(cr, c - 2.6 * u, c + 1.4 * u); cairo_line_to(cr, c, c - 1.8 * u);
        cairo_line_to(cr, c + 2.6 * u, c + 1.4 * u); cairo_close_path(cr); cairo_fill(cr); break;
    case Glyph::Down:
        cairo_move_to(cr, c - 2.6 * u, c - 1.4 * u); cairo_line_to(cr, c, c + 1.8 * u);
        cairo_line_to(cr, c + 2.6 * u, c - 1.4 * u); cairo_close_path(cr); cairo_fill(cr); break;
    case Glyph::Eject:
        cairo_move_to(cr, c - 2.6 * u, c + 0.4 * u); cairo_line_to(cr, c, c - 2.6 * u);
        cairo_line_to(cr, c + 2.6 * u, c + 0.4 * u); cairo_close_path(cr); cairo_fill(cr);
        cairo_rectangle(cr, c - 2.6 * u, c + 1.4 * u, 5.2 * u, 1.3 * u); cairo_fill(cr); break;
    case Glyph::Help: text(cr, "<b>?</b>", "DejaVu Sans 13", 0, 0, size, true, size); break;
    }
}

// A band with a heading, as the step titles and the side pictures use.
void banner(cairo_t* cr, int w, int h, const std::string& small, const std::string& big) {
    cairo_pattern_t* fill = cairo_pattern_create_linear(0, 0, w, 0);
    cairo_pattern_add_color_stop_rgb(fill, 0, kNavy.r, kNavy.g, kNavy.b);
    cairo_pattern_add_color_stop_rgb(fill, 1, kNavyLight.r, kNavyLight.g, kNavyLight.b);
    cairo_set_source(cr, fill);
    cairo_paint(cr);
    cairo_pattern_destroy(fill);
    set(cr, kOrange);
    cairo_rectangle(cr, 0, h - 4, w, 4);
    cairo_fill(cr);
    set(cr, kOrange);
    text(cr, "<b>" + small + "</b>", "DejaVu Sans 10", 20, 10, 0, false);
    set(cr, {1, 1, 1});
    text(cr, "<b>" + big + "</b>", "DejaVu Sans 16", 20, 28, 0, false);
}

// A cream card with lines of text, for the side pictures and the hints.
void card(cairo_t* cr, int w, int h, const std::string& markup, const char* font, bool centred = false) {
    set(cr, kCream);
    cairo_paint(cr);
    roundedRect(cr, 1.5, 1.5, w - 3, h - 3, 8);
    set(cr, {1, 1, 1});
    cairo_fill_preserve(cr);
    set(cr, kHairline);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    set(cr, kNavy);
    text(cr, markup, font, centred ? 0 : 12, 0, w, centred, h);
}

// A picture of an audio CD.
void disc(cairo_t* cr, int w, int h) {
    set(cr, kCream);
    cairo_paint(cr);
    double cx = w / 2.0, cy = h / 2.0 + 2, r = std::min(w, h) / 2.0 - 8;
    cairo_pattern_t* shine = cairo_pattern_create_linear(cx - r, cy - r, cx + r, cy + r);
    cairo_pattern_add_color_stop_rgb(shine, 0, 0.86, 0.90, 0.96);
    cairo_pattern_add_color_stop_rgb(shine, 0.45, 0.98, 0.90, 0.78);
    cairo_pattern_add_color_stop_rgb(shine, 0.7, 0.78, 0.86, 0.96);
    cairo_pattern_add_color_stop_rgb(shine, 1, 0.92, 0.84, 0.96);
    cairo_arc(cr, cx, cy, r, 0, 2 * M_PI);
    cairo_set_source(cr, shine);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(shine);
    set(cr, kNavy, 0.5);
    cairo_set_line_width(cr, 1.5);
    cairo_stroke(cr);
    cairo_arc(cr, cx, cy, r * 0.28, 0, 2 * M_PI);
    set(cr, kCream);
    cairo_fill_preserve(cr);
    set(cr, kNavy, 0.5);
    cairo_stroke(cr);
    cairo_arc(cr, cx, cy, r * 0.1, 0, 2 * M_PI);
    set(cr, kNavy);
    cairo_fill(cr);
}

// A picture of audio files: two sheets with a waveform.
void files(cairo_t* cr, int w, int h) {
    set(cr, kCream);
    cairo_paint(cr);
    for (int k = 1; k >= 0; --k) {
        double x = 40 + k * 26, y = 12 + k * 10, fw = 96, fh = 110;
        roundedRect(cr, x, y, fw, fh, 6);
        set(cr, {1, 1, 1});
        cairo_fill_preserve(cr);
        set(cr, kNavy, 0.6);
        cairo_set_line_width(cr, 1.5);
        cairo_stroke(cr);
        set(cr, k ? kNavyLight : kOrange);
        for (int i = 0; i < 14; ++i) {
            double level = 0.3 + 0.7 * std::fabs(std::sin(i * 1.3 + k));
            cairo_rectangle(cr, x + 10 + i * 5.5, y + fh / 2 - level * 24, 3, level * 48);
        }
        cairo_fill(cr);
    }
    (void)w;
    (void)h;
}

void logo(cairo_t* cr, int w, int h) {
    set(cr, kNavy);
    cairo_paint(cr);
    for (int i = 0; i < 14; ++i) {
        double level = 0.35 + 0.65 * std::fabs(std::sin(i * 0.9) * std::cos(i * 0.37));
        set(cr, kOrange, 0.25 + 0.4 * (1.0 - i / 14.0));
        cairo_rectangle(cr, 134 + i * 4, h - 10 - level * 34, 3, level * 34);
        cairo_fill(cr);
    }
    set(cr, {1, 1, 1});
    text(cr, "<b>Tavi</b><span foreground=\"#F39A2B\"><b>mo</b></span>", "DejaVu Sans 22", 16, 0, 0, false, h);
    set(cr, kOrange);
    cairo_rectangle(cr, 0, h - 4, w, 4);
    cairo_fill(cr);
}

void bullet(cairo_t* cr) {
    set(cr, kCream);
    cairo_paint(cr);
    cairo_arc(cr, 6, 6, 5, 0, 2 * M_PI);
    set(cr, kOrange);
    cairo_fill(cr);
}

// The step tree: the three steps of the road, one under the other.
void tree(cairo_t* cr, int w, int h) {
    set(cr, kCream);
    cairo_paint(cr);
    const char* steps[] = {"Your phone", "Your audio", "Edit and order"};
    set(cr, kHairline);
    cairo_set_line_width(cr, 2);
    cairo_move_to(cr, 20, 22);
    cairo_line_to(cr, 20, h - 22);
    cairo_stroke(cr);
    for (int i = 0; i < 3; ++i) {
        double y = 20 + i * ((h - 40) / 2.0);
        cairo_arc(cr, 20, y, 12, 0, 2 * M_PI);
        set(cr, kNavy);
        cairo_fill(cr);
        set(cr, {1, 1, 1});
        text(cr, "<b>" + std::to_string(i + 1) + "</b>", "DejaVu Sans 10", 8, y - 12, 24, true, 24);
        set(cr, kNavy);
        text(cr, steps[i], "DejaVu Sans 10", 40, y - 12, 0, false, 24);
    }
    (void)w;
}

void timeDisplayOff(cairo_t* cr, int w, int h) {
    set(cr, {0.1, 0.1, 0.12});
    cairo_paint(cr);
    set(cr, {0.35, 0.33, 0.20});
    text(cr, "<b>00:00.000</b>", "DejaVu Sans Mono 17", 0, 0, w, true, h);
}

void helpPage(cairo_t* cr, int w, int h, const std::string& title, const std::string& body) {
    card(cr, w, h, "", "DejaVu Sans 10");
    set(cr, kOrange);
    text(cr, "<b>" + title + "</b>", "DejaVu Sans 13", 14, 12, 0, false);
    set(cr, kNavy);
    PangoLayout* layout = pango_cairo_create_layout(cr);
    PangoFontDescription* description = pango_font_description_from_string("DejaVu Sans 10");
    pango_layout_set_font_description(layout, description);
    pango_layout_set_width(layout, (w - 28) * PANGO_SCALE);
    pango_layout_set_wrap(layout, PANGO_WRAP_WORD);
    pango_layout_set_text(layout, body.c_str(), -1);
    cairo_move_to(cr, 14, 44);
    pango_cairo_show_layout(cr, layout);
    pango_font_description_free(description);
    g_object_unref(layout);
}

void aboutSplash(cairo_t* cr, int w, int h) {
    banner(cr, w, 90, "Ringtone maker", "Tavimo");
    cairo_rectangle(cr, 0, 90, w, h - 90);
    set(cr, kCream);
    cairo_fill(cr);
    set(cr, kNavy);
    text(cr, "Turn any sound or music into a ringtone\nfor your mobile phone in three easy steps.", "DejaVu Sans 10",
         20, 110, 0, false);
}

}  // namespace

// Fontconfig and Pango keep their caches until the process ends.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\nleak:libpangoft2-1.0.so\nleak:libpango-1.0.so\nleak:libglib-2.0.so\n"
           "leak:libgobject-2.0.so\n";
}

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_artwork FOLDER\n");
        return 2;
    }
    std::string folder = argv[1];
    bool ok = true;
    auto bmp = [&](const std::string& name, int w, int h, const std::function<void(cairo_t*)>& paint) {
        ok = draw(folder + "/" + name, w, h, false, paint) && ok;
    };
    auto pills = [&](const std::string& name, int w, int h, const std::string& label, bool on) {
        bmp(name, w, h, [=](cairo_t* cr) { pill(cr, w, h, label, on); });
    };
    auto rounds = [&](const std::string& on, const std::string& off, int size, Glyph glyph) {
        bmp(on, size, size, [=](cairo_t* cr) { round(cr, size, glyph, true); });
        if (!off.empty()) bmp(off, size, size, [=](cairo_t* cr) { round(cr, size, glyph, false); });
    };

    ok = draw(folder + "/popup_background2.bmp", kWidth, kHeight, false, [](cairo_t* cr) { background(cr, kHeight); }) &&
         draw(folder + "/help_background.bmp", kWidth, kHelpHeight, false,
              [](cairo_t* cr) { background(cr, kHelpHeight); }) &&
         draw(folder + "/button_close.bmp", 22, 22, false, closeButton) &&
         draw(folder + "/ok_button.bmp", 100, 32, false, okButton) &&
         draw(folder + "/message_error.png", 48, 48, true, errorSign);

    bmp("general_logo.bmp", 190, 64, [](cairo_t* cr) { logo(cr, 190, 64); });
    bmp("general_bullet.bmp", 12, 12, bullet);
    pills("click_for_support.bmp", 150, 26, "Click for support", true);
    pills("Step_1_button_click_to_continue.bmp", 210, 44, "Continue  \u203a", true);
    rounds("help_02.bmp", "", 32, Glyph::Help);
    bmp("currency.bmp", 176, 28, [](cairo_t* cr) { pill(cr, 176, 28, "Currency converter", true, kNavyLight, kNavy); });
    pills("send_test_button_step_2.bmp", 210, 40, "Send a test ringtone", true);
    for (int step = 1; step <= 4; ++step)
        bmp("back_to_" + std::to_string(step) + ".bmp", 140, 32, [step](cairo_t* cr) {
            pill(cr, 140, 32, "\u2039  Back to step " + std::to_string(step), true, kNavyLight, kNavy);
        });
    bmp("Step_3_audio_disc.bmp", 170, 140, [](cairo_t* cr) { disc(cr, 170, 140); });
    pills("select_audio_cd_button_step_3.bmp", 200, 40, "Audio CD", true);
    bmp("Step_3_audio_files.bmp", 200, 140, [](cairo_t* cr) { files(cr, 200, 140); });
    pills("select_audio_file_button_step_3.bmp", 200, 40, "Audio file", true);
    bmp("file_formats_step_3.bmp", 430, 40, [](cairo_t* cr) {
        card(cr, 430, 40, "Audio files of type <b>wav, mp3, wma, cda</b> or <b>avi</b>",
             "DejaVu Sans 9", true);
    });
    rounds("left.bmp", "left_OFF.bmp", 40, Glyph::Left);
    rounds("right.bmp", "right_OFF.bmp", 40, Glyph::Right);
    rounds("stop_active.bmp", "stop_deactive.bmp", 40, Glyph::Stop);
    pills("select_this_track_button_step_3-1.bmp", 200, 40, "Use this track", true);
    pills("select_this_track_button_step_3-1_OFF.bmp", 200, 40, "Use this track", false);
    rounds("eject_button_on.bmp", "", 40, Glyph::Eject);
    rounds("play_on.bmp", "play_off.bmp", 40, Glyph::Play);
    rounds("stop_on.bmp", "stop_off.bmp", 40, Glyph::Stop);
    rounds("rewind_on.bmp", "rewind_off.bmp", 40, Glyph::Rewind);
    rounds("fast_forward_on.bmp", "fast_forward_off.bmp", 40, Glyph::Forward);
    rounds("fine_tune_minus_on.bmp", "fine_tune_minus_off.bmp", 32, Glyph::Minus);
    rounds("fine_tune_plus_on.bmp", "fine_tune_plus_off.bmp", 32, Glyph::Plus);
    rounds("down_on.bmp", "down_off.bmp", 30, Glyph::Down);
    rounds("up_on.bmp", "up_off.bmp", 30, Glyph::Up);
    pills("make_ringtone_button_on_step_4.bmp", 210, 40, "Make my ringtone", true);
    pills("make_ringtone_button_off_step_4.bmp", 210, 40, "Make my ringtone", false);
    bmp("slider_bar_text.bmp", 290, 18, [](cairo_t* cr) {
        set(cr, kCream);
        cairo_paint(cr);
        set(cr, kNavy);
        text(cr, "Drag the slider to choose where your ringtone starts", "DejaVu Sans 8", 0, 0, 0, false, 18);
    });
    bmp("slider_hint.bmp", 165, 18, [](cairo_t* cr) {
        set(cr, kCream);
        cairo_paint(cr);
        set(cr, kOrangeDeep);
        text(cr, "<b>\u2191 start of the clip</b>", "DejaVu Sans 8", 4, 0, 0, false, 18);
    });
    bmp("fine_tune.bmp", 118, 44, [](cairo_t* cr) { card(cr, 118, 44, "<b>Fine tune</b>\nthe start", "DejaVu Sans 9"); });
    pills("name_ringtone_ok_button.bmp", 140, 40, "OK", true);
    bmp("name_ringtone_cancel_button.bmp", 140, 40,
        [](cairo_t* cr) { pill(cr, 140, 40, "Cancel", true, kNavyLight, kNavy); });
    bmp("Name_Ringtone_pop_up_background2.bmp", 345, 220, [](cairo_t* cr) {
        set(cr, kCream);
        cairo_paint(cr);
        roundedRect(cr, 1.5, 1.5, 342, 217, 10);
        set(cr, {1, 1, 1});
        cairo_fill_preserve(cr);
        set(cr, kOrange);
        cairo_set_line_width(cr, 3);
        cairo_stroke(cr);
    });
    bmp("time_display_off.bmp", 150, 40, [](cairo_t* cr) { timeDisplayOff(cr, 150, 40); });

    bmp("tree.bmp", 180, 118, [](cairo_t* cr) { tree(cr, 180, 118); });
    bmp("title_1.bmp", 490, 64, [](cairo_t* cr) { banner(cr, 490, 64, "STEP 1 OF 3", "Your mobile phone"); });
    bmp("title_2.bmp", 490, 64, [](cairo_t* cr) { banner(cr, 490, 64, "STEP 2 OF 3", "Your audio"); });
    bmp("title_3.bmp", 490, 64, [](cairo_t* cr) { banner(cr, 490, 64, "STEP 3 OF 3", "Edit and order"); });
    bmp("title_bar_step_31.bmp", 490, 64, [](cairo_t* cr) { banner(cr, 490, 64, "STEP 2 OF 3", "Your audio CD"); });
    bmp("step2_left_text.bmp", 180, 86, [](cairo_t* cr) {
        card(cr, 180, 86, "Take a song from a\n<b>CD</b> or any <b>sound\nfile</b> on your computer", "DejaVu Sans 9");
    });
    bmp("step3_left_text.bmp", 180, 86, [](cairo_t* cr) {
        card(cr, 180, 86, "Play, slide and\n<b>fine tune</b> until your\nringtone sounds right", "DejaVu Sans 9");
    });

    pills("button_continue.bmp", 110, 32, "Continue", true);
    const struct {
        const char* file;
        const char* title;
        const char* body;
    } pages[] = {
        {"help_step1.bmp", "Your mobile phone",
         "Choose your country, then your mobile phone network, and type your mobile number with digits only. "
         "Your ringtone is sent to this number."},
        {"help_step2_r2.bmp", "A test ringtone", "A free test ringtone shows whether your phone can receive ringtones."},
        {"help_step3_r4.bmp", "Your audio",
         "Choose an audio file on your computer, or a track of an audio CD in your drive. Clips of twelve seconds "
         "or less are repeated to make a longer ringtone."},
        {"help_step4_r3.bmp", "Edit and order",
         "Play the selection, drag the slider to choose the start, fine tune the start and the length (7 to 28 "
         "seconds), then make your ringtone and give it a name."},
        {"help_step5_r2.bmp", "Delivery", "Once paid, your ringtone is sent to your phone as a message."},
    };
    for (const auto& page : pages)
        bmp(page.file, 380, 230, [page](cairo_t* cr) { helpPage(cr, 380, 230, page.title, page.body); });
    bmp("About Splash.bmp", 420, 260, [](cairo_t* cr) { aboutSplash(cr, 420, 260); });
    bmp("About Splash OK button.bmp", 100, 32, okButton);
    return ok ? 0 : 1;
}
