#pragma once
// Colour and geometry routines shared by the controls.

#include "gdi/gdi.h"

namespace sondrel {

struct PixelSize {
    LONG cx;
    LONG cy;
    bool operator==(const PixelSize&) const = default;
};

struct Hsv {
    int hue;         // 0 to 255 for the full circle
    int saturation;  // 0 to 255
    int value;       // 0 to 255
};

COLORREF colorFromHsv(int hue, int saturation, int value);
Hsv hsvFromColor(COLORREF color);

// Colours greyscale artwork in place: pixels are blue, green, red, alpha bytes; alpha stays.
void tintPixels(int width, int height, BYTE* pixels, BYTE red, BYTE green, BYTE blue);

// +1 for a negative argument, -1 for zero or positive: the rotary controls' wrap test.
int Sign(double value);

// Whether (x, y), relative to the centre, lies inside a circle of the radius.
bool insideCircle(int x, int y, int radius);

// The mouse cursor in the window's client coordinates.
POINT cursorPosition(HWND hwnd);

}  // namespace sondrel
