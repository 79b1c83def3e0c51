// Draws the program's skin pictures for the message window into the given folder.

#include <cairo.h>
#include <pango/pangocairo.h>

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

// The message window's layout, in pixels; the form places its controls to match.
constexpr int kWidth = 420, kHeight = 210, kHeader = 36, kFooterTop = 158;

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

void background(cairo_t* cr) {
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
        cairo_move_to(cr, 180, kFooterTop - 14 - k * 6);
        for (int x = 180; x <= kWidth; x += 4)
            cairo_line_to(cr, x, kFooterTop - 14 - k * 6 + std::sin((x + k * 25) / 18.0) * (3 + k));
        cairo_stroke(cr);
    }

    set(cr, kFooter);
    cairo_rectangle(cr, 0, kFooterTop, kWidth, kHeight - kFooterTop);
    cairo_fill(cr);
    set(cr, kHairline);
    cairo_rectangle(cr, 0, kFooterTop, kWidth, 1);
    cairo_fill(cr);
    set(cr, kNavy, 0.18);
    cairo_set_line_width(cr, 1);
    cairo_rectangle(cr, 0.5, 0.5, kWidth - 1, kHeight - 1);
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
    bool ok = draw(folder + "/popup_background2.bmp", kWidth, kHeight, false, background) &&
              draw(folder + "/button_close.bmp", 22, 22, false, closeButton) &&
              draw(folder + "/ok_button.bmp", 100, 32, false, okButton) &&
              draw(folder + "/message_error.png", 48, 48, true, errorSign);
    return ok ? 0 : 1;
}
