#include "windows/windows.h"

#include <array>
#include <atomic>

namespace {

constexpr COLORREF rgb(unsigned r, unsigned g, unsigned b) { return r | (g << 8) | (b << 16); }

// The classic scheme, as COLORREF values.
constexpr std::array<COLORREF, windows::kSysColorCount> kClassicColors = {
    rgb(212, 208, 200),  // scroll bar
    rgb(58, 110, 165),   // desktop
    rgb(10, 36, 106),    // active caption
    rgb(128, 128, 128),  // inactive caption
    rgb(212, 208, 200),  // menu
    rgb(255, 255, 255),  // window
    rgb(0, 0, 0),        // window frame
    rgb(0, 0, 0),        // menu text
    rgb(0, 0, 0),        // window text
    rgb(255, 255, 255),  // caption text
    rgb(212, 208, 200),  // active border
    rgb(212, 208, 200),  // inactive border
    rgb(128, 128, 128),  // application workspace
    rgb(10, 36, 106),    // highlight
    rgb(255, 255, 255),  // highlight text
    rgb(212, 208, 200),  // button face
    rgb(128, 128, 128),  // button shadow
    rgb(128, 128, 128),  // grey text
    rgb(0, 0, 0),        // button text
    rgb(212, 208, 200),  // inactive caption text
    rgb(255, 255, 255),  // button highlight
    rgb(64, 64, 64),     // 3-D dark shadow
    rgb(212, 208, 200),  // 3-D light
    rgb(0, 0, 0),        // tooltip text
    rgb(255, 255, 225),  // tooltip background
    0,                   // no colour
    rgb(0, 0, 128),      // hot light
    rgb(166, 202, 240),  // active caption gradient
    rgb(192, 192, 192),  // inactive caption gradient
    rgb(49, 106, 197),   // menu highlight
    rgb(212, 208, 200),  // menu bar
};

struct SysColors {
    SysColors() {
        for (std::size_t i = 0; i < colors.size(); ++i) colors[i].store(kClassicColors[i]);
    }
    std::array<std::atomic<COLORREF>, kClassicColors.size()> colors;
};
std::array<std::atomic<COLORREF>, kClassicColors.size()>& sysColors() {
    static SysColors table;
    return table.colors;
}

}  // namespace

namespace windows {
void setSysColor(int index, COLORREF color) {
    if (index >= 0 && index < kSysColorCount) sysColors()[static_cast<std::size_t>(index)].store(color & 0xFFFFFF);
}
void resetSysColors() {
    for (std::size_t i = 0; i < sysColors().size(); ++i) sysColors()[i].store(kClassicColors[i]);
}
}  // namespace windows

DWORD GetSysColor(int index) {
    if (index < 0 || index >= windows::kSysColorCount) return 0;
    return sysColors()[static_cast<std::size_t>(index)].load();
}
