#include "knob_input.h"

#include <cmath>
#include <numbers>

namespace sondrel {

double pointerAngle(int x, int y, int cx, int cy) {
    const double dx = x - cx;
    double dy = cy - y;
    if (dx == 0 && dy == 0) dy = 1;
    const double r = std::sqrt(dx * dx + dy * dy);
    const double t = std::asin(dx / r);
    constexpr double pi = std::numbers::pi;
    if (dy >= 0) {
        double a = pi / 2 - t;
        return a < 0 ? a + 2 * pi : a;
    }
    double a = t + 3 * pi / 2;
    return a > 2 * pi ? a - 2 * pi : a;
}

int pointerDegrees(int x, int y, int cx, int cy) {
    return static_cast<int>(pointerAngle(x, y, cx, cy) * 57.29582790879778);
}

}  // namespace sondrel
