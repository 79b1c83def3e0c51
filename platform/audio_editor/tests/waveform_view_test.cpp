#include "audio_editor/waveform_view.h"

#include "fixtures.h"

#include <gtest/gtest.h>

using audio_editor::DisplaySettings;
using audio_editor::Editor;
using audio_editor::levelRow;
using audio_editor::viewLayout;
using audio_editor::WaveformView;

namespace {

using fixtures::MemoryDc;

// The program's look: no scroll bars, rulers or overview; yellow wave on light blue, light blue
// on blue in the selection.
constexpr COLORREF kWave = 0x0000FFFF;
constexpr COLORREF kBack = 0x00FF8080;
constexpr COLORREF kSelectedWave = 0x00FF8080;
constexpr COLORREF kSelectedBack = 0x00FF0000;

void programLook(DisplaySettings& d) {
    d.ScrollBarsVisible = false;
    d.TimeRulerStyle = d.LevelRulerStyle = d.OverviewStyle = 0;
    d.WaveColor = kWave;
    d.BackColor = kBack;
    d.SelectedWaveColor = kSelectedWave;
    d.SelectedBackColor = kSelectedBack;
}

// One second at 8000 Hz: silence, then from frame 4000 a square wave of +-30000.
class WaveformViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string path = dir_.file("clip.wav");
        fixtures::writeWav(path, 8000, 1, 8000, [](int64_t frame, int) {
            return static_cast<int16_t>(frame < 4000 ? 0 : (frame % 2 ? -30000 : 30000));
        });
        editor_.OpenFile(path);
        programLook(editor_.display());
    }

    fixtures::TempDir dir_;
    Editor editor_;
    WaveformView view_;
};

TEST(ViewLayout, PartsTakeTheirStripsAndHiddenPartsLeaveTheWholeViewToTheWave) {
    const RECT bounds{10, 20, 210, 120};
    DisplaySettings hidden;
    programLook(hidden);
    const auto bare = viewLayout(bounds, hidden);
    EXPECT_EQ(bare.wave.left, 10);
    EXPECT_EQ(bare.wave.top, 20);
    EXPECT_EQ(bare.wave.right, 210);
    EXPECT_EQ(bare.wave.bottom, 120);
    EXPECT_EQ(bare.overview.right - bare.overview.left, 0);
    EXPECT_EQ(bare.scrollBar.bottom - bare.scrollBar.top, 0);

    const auto all = viewLayout(bounds, DisplaySettings{});
    EXPECT_EQ(all.overview.top, 20);
    EXPECT_EQ(all.overview.bottom, 20 + audio_editor::kOverviewHeight);
    EXPECT_EQ(all.scrollBar.bottom, 120);
    EXPECT_EQ(all.scrollBar.top, 120 - audio_editor::kScrollBarHeight);
    EXPECT_EQ(all.timeRuler.bottom, all.scrollBar.top);
    EXPECT_EQ(all.timeRuler.left, all.wave.left);
    EXPECT_EQ(all.levelRuler.left, 10);
    EXPECT_EQ(all.levelRuler.right, all.wave.left);
    EXPECT_EQ(all.wave.left, 10 + audio_editor::kLevelRulerWidth);
    EXPECT_EQ(all.wave.top, all.overview.bottom + audio_editor::kOverviewGap);
    EXPECT_EQ(all.wave.bottom, all.timeRuler.top);
    EXPECT_EQ(all.levelRuler.top, all.wave.top);
    EXPECT_EQ(all.levelRuler.bottom, all.wave.bottom);

    // Too small for its parts: nothing gets a negative size.
    const auto tiny = viewLayout(RECT{0, 0, 10, 10}, DisplaySettings{});
    EXPECT_GE(tiny.wave.right, tiny.wave.left);
    EXPECT_GE(tiny.wave.bottom, tiny.wave.top);
}

TEST_F(WaveformViewTest, ClipSelectionAndPlayHeadInTheProgramsColours) {
    auto& sel = editor_.selection();
    sel.SetSelectionActive(true);
    sel.SetSelStart(2000);
    sel.SetSelEnd(6000);
    sel.SetCurrentPosition(2000);
    MemoryDc canvas(100, 50);
    view_.draw(canvas.dc(), RECT{0, 0, 100, 50}, editor_);

    const int centre = levelRow(0, 50, 0);
    const int loudTop = levelRow(0, 50, 30000);
    const int loudBottom = levelRow(0, 50, -30000);
    struct Probe {
        int x, y;
        COLORREF colour;
    };
    const Probe probes[] = {
        {10, centre, kWave},                   // silence, before the selection
        {10, 5, kBack},
        {30, centre, kSelectedWave},           // silence, selected
        {30, 5, kSelectedBack},
        {60, loudTop, kSelectedWave},          // the tone, selected, full height
        {60, loudBottom, kSelectedWave},
        {60, loudTop - 1, kSelectedBack},
        {74, loudTop - 1, kSelectedBack},      // the selection's last column
        {75, loudTop - 1, kBack},
        {90, loudTop, kWave},                  // the tone after the selection
        {90, loudBottom, kWave},
        {90, loudBottom + 1, kBack},
        {25, 5, kSelectedBack ^ 0x00FFFFFF},   // the play head, at the selection start
        {25, 45, kSelectedBack ^ 0x00FFFFFF},
        {24, 5, kBack},
    };
    for (const Probe& p : probes) EXPECT_EQ(canvas.at(p.x, p.y), p.colour) << "at " << p.x << "," << p.y;

    // The head follows the position; the selection goes with SelectionActive.
    sel.SetCurrentPosition(7200);
    sel.SetSelectionActive(false);
    view_.draw(canvas.dc(), RECT{0, 0, 100, 50}, editor_);
    EXPECT_EQ(canvas.at(90, 5), kBack ^ 0x00FFFFFF);
    EXPECT_EQ(canvas.at(30, 5), kBack);
    EXPECT_EQ(canvas.at(30, centre), kWave);
    EXPECT_EQ(canvas.at(25, 5), kBack);
}

TEST_F(WaveformViewTest, OutlineFollowsPasteAndCloseAndStaysInsideItsBounds) {
    MemoryDc canvas(120, 60);
    RECT all{0, 0, 120, 60};
    HBRUSH white = CreateSolidBrush(RGB(255, 255, 255));
    FillRect(canvas.dc(), &all, white);
    DeleteObject(white);
    const RECT bounds{10, 5, 110, 55};
    view_.draw(canvas.dc(), bounds, editor_);
    EXPECT_EQ(canvas.at(9, 30), RGB(255, 255, 255));
    EXPECT_EQ(canvas.at(110, 30), RGB(255, 255, 255));
    EXPECT_EQ(canvas.at(10, 4), RGB(255, 255, 255));
    EXPECT_EQ(canvas.at(60, 55), RGB(255, 255, 255));
    const int loudTop = levelRow(5, 50, 30000);
    EXPECT_EQ(canvas.at(30, loudTop), kBack);
    EXPECT_EQ(canvas.at(90, loudTop), kWave);

    // Pasting the tone at the start makes the first third loud.
    auto& sel = editor_.selection();
    sel.SetSelStart(4000);
    sel.SetSelEnd(8000);
    editor_.CopySelection();
    sel.SetCurrentPosition(0);
    editor_.PasteAtPosition();
    view_.draw(canvas.dc(), bounds, editor_);
    EXPECT_EQ(canvas.at(20, loudTop), kWave);
    EXPECT_EQ(canvas.at(50, loudTop), kBack);

    editor_.CloseFile();
    view_.draw(canvas.dc(), bounds, editor_);
    for (int x : {10, 50, 109})
        for (int y : {5, levelRow(5, 50, 0), 54}) EXPECT_EQ(canvas.at(x, y), kBack) << x << "," << y;
}

TEST_F(WaveformViewTest, OverviewRulersAndScrollBarWhenShown) {
    DisplaySettings& d = editor_.display();
    d.ScrollBarsVisible = true;
    d.TimeRulerStyle = d.LevelRulerStyle = d.OverviewStyle = 1;
    MemoryDc canvas(224, 120);
    const RECT bounds{0, 0, 224, 120};
    view_.draw(canvas.dc(), bounds, editor_);
    const auto layout = viewLayout(bounds, d);

    // The overview shows the whole clip too.
    const int overviewLoud = levelRow(layout.overview.top, audio_editor::kOverviewHeight, 30000);
    EXPECT_EQ(canvas.at(20, overviewLoud), kBack);
    EXPECT_EQ(canvas.at(200, overviewLoud), kWave);
    EXPECT_EQ(canvas.at(100, layout.overview.bottom), GetSysColor(COLOR_BTNFACE));

    // The wave is inset by the level ruler: its silent half ends at the middle of its own width.
    const LONG waveWidth = layout.wave.right - layout.wave.left;
    const int waveLoud = levelRow(layout.wave.top, layout.wave.bottom - layout.wave.top, 30000);
    EXPECT_EQ(canvas.at(layout.wave.left + waveWidth / 2 - 2, waveLoud), kBack);
    EXPECT_EQ(canvas.at(layout.wave.left + waveWidth / 2 + 2, waveLoud), kWave);
    EXPECT_EQ(canvas.at(5, layout.wave.top + 10), GetSysColor(COLOR_BTNFACE));
    const int zeroRow = levelRow(layout.wave.top, layout.wave.bottom - layout.wave.top, 0);
    EXPECT_EQ(canvas.at(layout.levelRuler.right - 1, zeroRow), GetSysColor(COLOR_BTNTEXT));

    // One-second ticks on the time ruler: at the start and at the end of the one-second clip.
    EXPECT_EQ(canvas.at(layout.timeRuler.left, layout.timeRuler.top + 1), GetSysColor(COLOR_BTNTEXT));
    EXPECT_EQ(canvas.at(layout.timeRuler.right - 1, layout.timeRuler.top + 1), GetSysColor(COLOR_BTNTEXT));
    EXPECT_EQ(canvas.at(layout.timeRuler.left + waveWidth / 2, layout.timeRuler.top + 1),
              GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(canvas.at(100, layout.scrollBar.top + 5), GetSysColor(COLOR_BTNFACE));
}

}  // namespace
