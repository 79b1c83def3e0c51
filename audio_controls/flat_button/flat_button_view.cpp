#include "flat_button/flat_button_view.h"

#include "drawing.h"
#include "win32/codepage.h"

#include <string>

namespace sondrel {

namespace {

void polyline(HDC dc, HPEN pen, std::initializer_list<POINT> points) {
    SelectObject(dc, pen);
    const POINT* p = points.begin();
    MoveToEx(dc, p->x, p->y, nullptr);
    for (++p; p != points.end(); ++p) LineTo(dc, p->x, p->y);
}

std::string ansi(const std::u16string& text) {
    if (text.empty()) return {};
    const int length = static_cast<int>(text.size());
    const int n = WideCharToMultiByte(1252, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(1252, 0, text.data(), length, out.data(), n, nullptr, nullptr);
    return out;
}

}  // namespace

FlatButtonLook::FlatButtonLook() { make(); }

FlatButtonLook::~FlatButtonLook() { free(); }

void FlatButtonLook::make() {
    face_ = GetSysColor(COLOR_BTNFACE);
    faceBrush_ = CreateSolidBrush(face_);
    highlight_ = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNHIGHLIGHT));
    shadow_ = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNSHADOW));
    darkShadow_ = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_3DDKSHADOW));
}

void FlatButtonLook::free() {
    for (HGDIOBJ o : {static_cast<HGDIOBJ>(faceBrush_), static_cast<HGDIOBJ>(highlight_),
                      static_cast<HGDIOBJ>(shadow_), static_cast<HGDIOBJ>(darkShadow_)})
        if (o) DeleteObject(o);
}

void FlatButtonLook::draw(HDC target, const RECT& bounds, const FlatButtonModel& model, HFONT font) {
    if (GetSysColor(COLOR_BTNFACE) != face_) {
        free();
        make();
    }
    OffscreenDC off(target, bounds);
    HDC dc = off.dc();
    const RECT r{0, 0, bounds.right - bounds.left, bounds.bottom - bounds.top};
    FillRect(dc, &r, faceBrush_);

    LOGFONTA lf{};
    GetObjectA(font, sizeof lf, &lf);
    HGDIOBJ oldFont = SelectObject(dc, font);
    HGDIOBJ oldPen = SelectObject(dc, shadow_);
    SetTextAlign(dc, TA_CENTER | TA_BASELINE);
    SetBkMode(dc, TRANSPARENT);
    const int d = model.down() ? 1 : 0;
    const int y = static_cast<int>((r.top + r.bottom - lf.lfHeight * 0.72) / 2);
    const int x = (r.left + r.right) / 2;
    if (model.caption) {
        const std::string text = ansi(*model.caption);
        if (!model.enabled()) {
            SetTextColor(dc, GetSysColor(COLOR_BTNHIGHLIGHT));
            TextOutA(dc, x + d + 1, y + d + 1, text.data(), static_cast<int>(text.size()));
        }
        SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
        TextOutA(dc, x + d, y + d, text.data(), static_cast<int>(text.size()));
    }

    SetBkMode(dc, OPAQUE);
    const LONG R = r.right - 1, B = r.bottom - 1, L = r.left, T = r.top;
    if (model.pointerOutside()) {
        polyline(dc, shadow_, {{R, T}, {R, B}, {L, B}});
        polyline(dc, highlight_, {{L, B}, {L, T}, {R, T}});
    } else if (!model.pressed()) {
        polyline(dc, shadow_, {{R - 1, T + 1}, {R - 1, B - 1}, {L + 1, B - 1}});
        polyline(dc, darkShadow_, {{R, T}, {R, B}, {L, B}});
        polyline(dc, highlight_, {{L, B}, {L, T}, {R, T}});
    } else {
        polyline(dc, shadow_, {{L, B}, {L, T}, {R, T}});
        polyline(dc, highlight_, {{R, T}, {R, B}, {L, B}});
    }
    SelectObject(dc, oldPen);
    SelectObject(dc, oldFont);
}

}  // namespace sondrel
