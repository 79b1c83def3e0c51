#include "windows/windows.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

BOOL PtInRect(const RECT* rect, POINT point) {
    return rect && point.x >= rect->left && point.x < rect->right && point.y >= rect->top && point.y < rect->bottom
               ? TRUE
               : FALSE;
}

BOOL SetRect(LPRECT rect, int left, int top, int right, int bottom) {
    if (!rect) return FALSE;
    *rect = RECT{left, top, right, bottom};
    return TRUE;
}

BOOL OffsetRect(LPRECT rect, int dx, int dy) {
    if (!rect) return FALSE;
    rect->left += dx;
    rect->right += dx;
    rect->top += dy;
    rect->bottom += dy;
    return TRUE;
}

BOOL InflateRect(LPRECT rect, int dx, int dy) {
    if (!rect) return FALSE;
    rect->left -= dx;
    rect->right += dx;
    rect->top -= dy;
    rect->bottom += dy;
    return TRUE;
}

BOOL IsRectEmpty(const RECT* rect) { return !rect || rect->right <= rect->left || rect->bottom <= rect->top; }

BOOL IntersectRect(LPRECT out, const RECT* a, const RECT* b) {
    if (!out || !a || !b) return FALSE;
    RECT r{std::max(a->left, b->left), std::max(a->top, b->top), std::min(a->right, b->right),
           std::min(a->bottom, b->bottom)};
    if (IsRectEmpty(&r)) {
        *out = RECT{};
        return FALSE;
    }
    *out = r;
    return TRUE;
}

BOOL UnionRect(LPRECT out, const RECT* a, const RECT* b) {
    if (!out || !a || !b) return FALSE;
    bool emptyA = IsRectEmpty(a), emptyB = IsRectEmpty(b);
    if (emptyA && emptyB) {
        *out = RECT{};
        return FALSE;
    }
    if (emptyA) {
        *out = *b;
        return TRUE;
    }
    if (emptyB) {
        *out = *a;
        return TRUE;
    }
    *out = RECT{std::min(a->left, b->left), std::min(a->top, b->top), std::max(a->right, b->right),
                std::max(a->bottom, b->bottom)};
    return TRUE;
}

int MulDiv(int number, int numerator, int denominator) {
    if (denominator == 0) return -1;
    long long product = static_cast<long long>(number) * numerator;
    long long d = denominator;
    // Rounded half away from zero, as the platform does.
    bool negative = (product < 0) != (d < 0);
    long long q = (std::llabs(product) + std::llabs(d) / 2) / std::llabs(d);
    if (negative) q = -q;
    if (q > std::numeric_limits<int>::max() || q < std::numeric_limits<int>::min()) return -1;
    return static_cast<int>(q);
}
