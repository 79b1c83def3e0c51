#include "audio_editor/waveform.h"

#include <gtest/gtest.h>

using audio_editor::Clip;
using audio_editor::waveformColumns;

namespace {

// Stereo: the left channel counts frames up, the right counts them down.
Clip ramp(int64_t frames) {
    Clip clip{8000, 2, {}};
    for (int64_t i = 0; i < frames; ++i) {
        clip.samples.push_back(static_cast<int16_t>(i));
        clip.samples.push_back(static_cast<int16_t>(-i));
    }
    return clip;
}

TEST(WaveformColumns, EachColumnSpansItsShareOfTheFramesOverAllChannels) {
    auto columns = waveformColumns(ramp(100), 0, 100, 4);
    ASSERT_EQ(columns.size(), 4u);
    EXPECT_EQ(columns[0].min, -24);
    EXPECT_EQ(columns[0].max, 24);
    EXPECT_EQ(columns[3].min, -99);
    EXPECT_EQ(columns[3].max, 99);

    auto part = waveformColumns(ramp(100), 50, 60, 2);
    EXPECT_EQ(part[0].max, 54);
    EXPECT_EQ(part[1].min, -59);
}

TEST(WaveformColumns, ZoomedInColumnsShowTheFrameUnderThemAndSilencePastTheEnd) {
    auto columns = waveformColumns(ramp(10), 8, 12, 8);
    ASSERT_EQ(columns.size(), 8u);
    EXPECT_EQ(columns[0].max, 8);
    EXPECT_EQ(columns[1].max, 8);
    EXPECT_EQ(columns[2].max, 9);
    for (size_t c = 4; c < 8; ++c) {
        EXPECT_EQ(columns[c].min, 0);
        EXPECT_EQ(columns[c].max, 0);
    }
    EXPECT_TRUE(waveformColumns(ramp(10), 0, 10, 0).empty());
}

}  // namespace
