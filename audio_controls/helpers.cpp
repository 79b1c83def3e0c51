#include "helpers.h"

#include <algorithm>
#include <cmath>

namespace sondrel {

COLORREF colorFromHsv(int hue, int saturation, int value) {
    double s = saturation / 255.0;
    double v = value / 255.0;
    double r = v, g = v, b = v;
    if (s != 0) {
        int h = static_cast<int>(hue * 360.0 / 255.0) % 360;
        int i = static_cast<int>(std::floor(h / 60.0));
        double f = h / 60.0 - i;
        double p = v * (1 - s);
        double q = v * (1 - s * f);
        double t = v * (1 - s * (1 - f));
        switch (i) {
            case 0: r = v, g = t, b = p; break;
            case 1: r = q, g = v, b = p; break;
            case 2: r = p, g = v, b = t; break;
            case 3: r = p, g = q, b = v; break;
            case 4: r = t, g = p, b = v; break;
            default: r = v, g = p, b = q; break;
        }
    }
    auto channel = [](double c) { return static_cast<BYTE>(static_cast<int>(c * 255)); };
    return RGB(channel(r), channel(g), channel(b));
}

Hsv hsvFromColor(COLORREF color) {
    double r = GetRValue(color) / 255.0;
    double g = GetGValue(color) / 255.0;
    double b = GetBValue(color) / 255.0;
    double max = std::max({r, g, b});
    double min = std::min({r, g, b});
    double hue = 0, saturation = 0;
    if (max != 0 && max != min) {
        double d = max - min;
        saturation = d / max;
        if (r == max) hue = (g - b) / d;
        else if (g == max) hue = (b - r) / d + 2;
        else hue = (r - g) / d + 4;
        hue *= 60;
        if (hue < 0) hue += 360;
    }
    return Hsv{static_cast<int>(hue * 255 / 360), static_cast<int>(saturation * 255), static_cast<int>(max * 255)};
}

void tintPixels(int width, int height, BYTE* pixels, BYTE red, BYTE green, BYTE blue) {
    if (!pixels || width <= 0 || height <= 0) return;
    int m = std::max({190, static_cast<int>(red), static_cast<int>(green), static_cast<int>(blue)});
    BYTE table[3][256];
    const int tint[3] = {blue, green, red};
    for (int c = 0; c < 3; ++c)
        for (int i = 0; i < 256; ++i) table[c][i] = static_cast<BYTE>(MulDiv(tint[c], i, m));
    bool bright = (red >= 96 || green >= 96 || blue >= 96) && red + green + blue >= 128;
    if (!bright)
        for (auto& t : table) std::fill(t, t + 130, BYTE{255});
    std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    for (std::size_t i = 0; i < count; ++i) {
        BYTE* p = pixels + 4 * i;
        for (int c = 0; c < 3; ++c) p[c] = table[c][p[c]];
    }
}

int Sign(double value) { return value < 0 ? 1 : -1; }

bool insideCircle(int x, int y, int radius) {
    // Squares in 64 bits: a point far outside must not wrap round into the circle.
    long long squares = static_cast<long long>(x) * x + static_cast<long long>(y) * y;
    return std::sqrt(static_cast<double>(squares)) <= radius;
}

POINT cursorPosition(HWND hwnd) {
    POINT p{};
    GetCursorPos(&p);
    ScreenToClient(hwnd, &p);
    return p;
}

}  // namespace sondrel
