#pragma once
// The editor's look: the whole clip as a min/max outline, the selection in its own colours and
// the play head, with the optional overview, level ruler, time ruler and scroll bar around it.

#include "audio_editor/audio_editor.h"
#include "audio_editor/waveform.h"
#include "gdi/gdi.h"

#include <vector>

namespace audio_editor {

// Where each part of the view goes; a hidden part has an empty rectangle.
struct ViewLayout {
    RECT overview{};
    RECT levelRuler{};
    RECT wave{};
    RECT timeRuler{};
    RECT scrollBar{};
};

constexpr int kOverviewHeight = 20;
constexpr int kLevelRulerWidth = 24;
constexpr int kTimeRulerHeight = 14;
constexpr int kScrollBarHeight = 14;
// Between the overview and the parts below it.
constexpr int kOverviewGap = 2;

ViewLayout viewLayout(const RECT& bounds, const DisplaySettings& settings);

// The pixel row of a sample value in a band of rows: full scale at the top and bottom rows.
int levelRow(int top, int height, int value);

class WaveformView {
public:
    void draw(HDC hdc, const RECT& bounds, const Editor& editor);

private:
    const std::vector<WaveColumn>& columns(const Clip& clip, int width, uint64_t revision);
    void drawWave(HDC hdc, const RECT& area, const Editor& editor, bool playHead);

    // Outlines by width (the overview and the wave may differ), kept until the clip changes.
    struct Outline {
        int width;
        std::vector<WaveColumn> columns;
    };
    std::vector<Outline> outlines_;
    uint64_t revision_ = 0;
};

}  // namespace audio_editor
