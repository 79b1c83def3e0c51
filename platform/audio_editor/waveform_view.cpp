#include "audio_editor/waveform_view.h"

#include <algorithm>
#include <cstdint>

namespace audio_editor {
namespace {

// Tick spacings of the time ruler in seconds; the first that leaves this many pixels is used.
constexpr int kTickSteps[] = {1, 2, 5, 10, 30, 60, 120, 300, 600, 1800, 3600};
constexpr int kMinTickSpacing = 6;

RECT box(LONG left, LONG top, LONG right, LONG bottom) {
    return RECT{left, top, std::max(left, right), std::max(top, bottom)};
}

void fill(HDC hdc, const RECT& r, COLORREF colour) {
    if (r.right <= r.left || r.bottom <= r.top) return;
    HBRUSH brush = CreateSolidBrush(colour);
    FillRect(hdc, &r, brush);
    DeleteObject(brush);
}

// The column of a position when length frames span width columns; rounding up gives the
// first column wholly after the position.
int64_t columnOf(int64_t position, int64_t length, int width, bool roundUp) {
    __int128 scaled = static_cast<__int128>(std::max<int64_t>(position, 0)) * width;
    int64_t column = static_cast<int64_t>(scaled / length);
    if (roundUp && scaled % length) ++column;
    return std::min<int64_t>(column, width);
}

void drawTimeRuler(HDC hdc, const RECT& r, const Clip& clip) {
    fill(hdc, r, GetSysColor(COLOR_BTNFACE));
    const int width = r.right - r.left;
    if (clip.empty() || width <= 0 || r.bottom <= r.top) return;
    const int64_t frames = clip.frames();
    int step = 0;
    for (int s : kTickSteps) {
        if (static_cast<__int128>(s) * clip.sampleRate * width >= static_cast<__int128>(kMinTickSpacing) * frames) {
            step = s;
            break;
        }
    }
    if (!step) return;
    HPEN pen = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNTEXT));
    HGDIOBJ old = SelectObject(hdc, pen);
    const int64_t stride = static_cast<int64_t>(step) * clip.sampleRate;
    for (int64_t at = 0; at <= frames; at += stride) {
        const int x = r.left + static_cast<int>(std::min<int64_t>(columnOf(at, frames, width, false), width - 1));
        MoveToEx(hdc, x, r.top, nullptr);
        LineTo(hdc, x, std::min<LONG>(r.top + 5, r.bottom));
    }
    SelectObject(hdc, old);
    DeleteObject(pen);
}

void drawLevelRuler(HDC hdc, const RECT& r, const RECT& wave) {
    fill(hdc, r, GetSysColor(COLOR_BTNFACE));
    if (r.right <= r.left || wave.bottom <= wave.top) return;
    HPEN pen = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNTEXT));
    HGDIOBJ old = SelectObject(hdc, pen);
    struct Tick {
        int value;
        int length;
    };
    const Tick ticks[] = {{32767, 8}, {16384, 4}, {0, 8}, {-16384, 4}, {-32768, 8}};
    for (const Tick& t : ticks) {
        const int y = levelRow(wave.top, wave.bottom - wave.top, t.value);
        MoveToEx(hdc, std::max<LONG>(r.right - t.length, r.left), y, nullptr);
        LineTo(hdc, r.right, y);
    }
    SelectObject(hdc, old);
    DeleteObject(pen);
}

// The whole clip is always in view, so the thumb fills the track between the two arrow boxes.
void drawScrollBar(HDC hdc, const RECT& r) {
    if (r.right <= r.left || r.bottom <= r.top) return;
    fill(hdc, r, GetSysColor(COLOR_SCROLLBAR));
    const LONG arrow = std::min<LONG>(r.bottom - r.top, (r.right - r.left) / 2);
    RECT boxes[] = {{r.left, r.top, r.left + arrow, r.bottom},
                    {r.left + arrow, r.top, r.right - arrow, r.bottom},
                    {r.right - arrow, r.top, r.right, r.bottom}};
    for (RECT& b : boxes)
        if (b.right > b.left) DrawEdge(hdc, &b, EDGE_RAISED, BF_RECT | BF_MIDDLE);
}

}  // namespace

int levelRow(int top, int height, int value) {
    const int64_t v = std::clamp(value, -32768, 32767);
    return top + static_cast<int>((32767 - v) * std::max(height - 1, 0) / 65535);
}

ViewLayout viewLayout(const RECT& bounds, const DisplaySettings& settings) {
    ViewLayout layout;
    LONG left = bounds.left, top = bounds.top, right = bounds.right, bottom = bounds.bottom;
    if (settings.OverviewStyle != 0) {
        layout.overview = box(left, top, right, std::min(bottom, top + kOverviewHeight));
        top = std::min(bottom, top + kOverviewHeight + kOverviewGap);
    }
    if (settings.ScrollBarsVisible) {
        layout.scrollBar = box(left, std::max(top, bottom - kScrollBarHeight), right, bottom);
        bottom = layout.scrollBar.top;
    }
    const LONG waveLeft = settings.LevelRulerStyle != 0 ? std::min(right, left + kLevelRulerWidth) : left;
    if (settings.TimeRulerStyle != 0) {
        layout.timeRuler = box(waveLeft, std::max(top, bottom - kTimeRulerHeight), right, bottom);
        bottom = layout.timeRuler.top;
    }
    if (settings.LevelRulerStyle != 0) layout.levelRuler = box(left, top, waveLeft, bottom);
    layout.wave = box(waveLeft, top, right, bottom);
    return layout;
}

const std::vector<WaveColumn>& WaveformView::columns(const Clip& clip, int width, uint64_t revision) {
    if (revision != revision_) {
        outlines_.clear();
        revision_ = revision;
    }
    for (const Outline& o : outlines_)
        if (o.width == width) return o.columns;
    // Keep at most the two widths one draw uses.
    if (outlines_.size() >= 2) outlines_.erase(outlines_.begin());
    outlines_.push_back(Outline{width, waveformColumns(clip, 0, clip.frames(), width)});
    return outlines_.back().columns;
}

void WaveformView::drawWave(HDC hdc, const RECT& area, const Editor& editor, bool playHead) {
    const DisplaySettings& look = editor.display();
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    if (width <= 0 || height <= 0) return;
    fill(hdc, area, look.BackColor);
    if (!editor.loaded()) return;

    const Selection& sel = editor.selection();
    const int64_t frames = editor.clip().frames();
    int64_t selFirst = 0, selLast = 0;
    if (sel.SelectionActive() && sel.SelEnd() > sel.SelStart()) {
        selFirst = columnOf(sel.SelStart(), frames, width, false);
        selLast = columnOf(sel.SelEnd(), frames, width, true);
        fill(hdc, RECT{area.left + static_cast<LONG>(selFirst), area.top, area.left + static_cast<LONG>(selLast),
                       area.bottom},
             look.SelectedBackColor);
    }
    auto selected = [&](int64_t column) { return column >= selFirst && column < selLast; };

    HPEN wavePen = CreatePen(PS_SOLID, 1, look.WaveColor);
    HPEN selectedPen = CreatePen(PS_SOLID, 1, look.SelectedWaveColor);
    HGDIOBJ old = SelectObject(hdc, wavePen);
    const std::vector<WaveColumn>& outline = columns(editor.clip(), width, editor.clipRevision());
    for (int c = 0; c < width; ++c) {
        SelectObject(hdc, selected(c) ? selectedPen : wavePen);
        const int x = area.left + c;
        MoveToEx(hdc, x, levelRow(area.top, height, outline[c].max), nullptr);
        LineTo(hdc, x, levelRow(area.top, height, outline[c].min) + 1);
    }
    SelectObject(hdc, old);
    DeleteObject(wavePen);
    DeleteObject(selectedPen);

    if (playHead) {
        const int64_t column = std::min<int64_t>(columnOf(sel.CurrentPosition(), frames, width, false), width - 1);
        // The head is drawn in the inverse of the background under it, so it shows on any colours.
        const COLORREF back = selected(column) ? look.SelectedBackColor : look.BackColor;
        const LONG x = area.left + static_cast<LONG>(column);
        fill(hdc, RECT{x, area.top, x + 1, area.bottom}, (back ^ 0x00FFFFFFu) & 0x00FFFFFFu);
    }
}

void WaveformView::draw(HDC hdc, const RECT& bounds, const Editor& editor) {
    const ViewLayout layout = viewLayout(bounds, editor.display());
    fill(hdc, bounds, GetSysColor(COLOR_BTNFACE));
    drawWave(hdc, layout.overview, editor, false);
    drawLevelRuler(hdc, layout.levelRuler, layout.wave);
    drawWave(hdc, layout.wave, editor, true);
    drawTimeRuler(hdc, layout.timeRuler, editor.clip());
    drawScrollBar(hdc, layout.scrollBar);
}

}  // namespace audio_editor
