#include "transport_bar/transport_model.h"

#include <gtest/gtest.h>

namespace {

using sondrel::PixelSize;
using sondrel::TransportEffect;
using sondrel::TransportEffects;
using sondrel::TransportModel;
using E = TransportEffect;

constexpr int kWidth = 299;  // everything shown
const E kCapture{E::Capture}, kRelease{E::ReleaseCapture}, kRedraw{E::Redraw}, kUp{E::FireMouseUp};
E down(LONG part) { return {E::FireMouseDown, part}; }
E click(LONG part) { return {E::FireMouseClick, part}; }
E volume(LONG v) { return {E::FireChangeVolume, v}; }

TransportModel everythingShown() {
    TransportModel m;
    m.putShowButtonRecord(VARIANT_TRUE);
    m.putShowPositionControls(VARIANT_TRUE);
    m.putShowVolumeControls(VARIANT_TRUE);
    return m;
}

// The centre of a part's rectangle in a bar of kWidth.
POINT centre(const TransportModel& m, sondrel::TransportPart part) {
    sondrel::PartRect r = m.rectOf(part, 0, 0, kWidth);
    return {r.left + r.width / 2, r.top + r.height / 2};
}

TransportEffects clickOn(TransportModel& m, sondrel::TransportPart part) {
    POINT p = centre(m, part);
    TransportEffects effects = m.mouseDown(p.x, p.y, kWidth);
    TransportEffects up = m.mouseUp(p.x, p.y, kWidth);
    effects.insert(effects.end(), up.begin(), up.end());
    return effects;
}

TEST(TransportModel, DefaultsAndTheMinimumWidthOfTheShownParts) {
    TransportModel m(RGB(1, 2, 3));
    EXPECT_EQ(m.color(), RGB(1, 2, 3));
    EXPECT_EQ(m.face(), 0xFF010203u);
    EXPECT_EQ(m.borderColor(), 0u);
    EXPECT_EQ(m.shade(), 0xFFA9A9A9u);
    EXPECT_EQ(m.borderType(), 0);
    EXPECT_EQ(m.enabledValue(), 1);
    EXPECT_EQ(m.enableButtons(), 127);
    EXPECT_EQ(m.mute(), VARIANT_FALSE);
    EXPECT_EQ(m.minWidth(), 77);
    EXPECT_EQ(m.adjustSize({10, 100}), (PixelSize{77, 27}));
    EXPECT_EQ(m.adjustSize({500, 1}), (PixelSize{500, 27}));

    struct Case {
        bool record, position, volume;
        LONG width;
    } cases[] = {
        {true, false, false, 101}, {false, true, false, 133}, {false, false, true, 219}, {true, true, true, 299}};
    for (const Case& c : cases) {
        TransportModel s;
        s.putShowButtonRecord(c.record ? VARIANT_TRUE : VARIANT_FALSE);
        s.putShowPositionControls(c.position ? VARIANT_TRUE : VARIANT_FALSE);
        s.putShowVolumeControls(c.volume ? VARIANT_TRUE : VARIANT_FALSE);
        EXPECT_EQ(s.minWidth(), c.width);
    }
    // Any non-zero value shows the part and reads back as put.
    TransportModel odd;
    odd.putShowVolumeControls(5);
    EXPECT_EQ(odd.showVolumeControls(), 5);
    EXPECT_EQ(odd.minWidth(), 219);
}

TEST(TransportModel, TransportMethodsFollowTheStateMachine) {
    TransportModel m;
    EXPECT_FALSE(m.pause());
    EXPECT_FALSE(m.stop());
    EXPECT_FALSE(m.record());  // the record button is hidden
    ASSERT_TRUE(m.play());
    EXPECT_TRUE(m.playing());
    EXPECT_TRUE(m.pause());
    EXPECT_TRUE(m.paused());
    EXPECT_TRUE(m.stop());
    EXPECT_FALSE(m.playing());
    EXPECT_TRUE(m.paused());  // stop leaves the pause flag
    EXPECT_TRUE(m.play());
    EXPECT_FALSE(m.paused());

    m.putShowButtonRecord(VARIANT_TRUE);
    EXPECT_FALSE(m.record());  // while playing
    ASSERT_TRUE(m.stop());
    ASSERT_TRUE(m.record());
    EXPECT_TRUE(m.recording());
    EXPECT_FALSE(m.play());  // while recording
    EXPECT_TRUE(m.pause());
    EXPECT_TRUE(m.stop());
    EXPECT_FALSE(m.recording());
}

TEST(TransportModel, ButtonsChangeTheStateOnReleaseAndFireTheirEvents) {
    TransportModel m = everythingShown();
    EXPECT_EQ(clickOn(m, sondrel::kPlayPart),
              (TransportEffects{kCapture, kRedraw, down(1), kRelease, kRedraw, click(1), kUp}));
    EXPECT_TRUE(m.playing());
    clickOn(m, sondrel::kPausePart);
    EXPECT_TRUE(m.paused());
    clickOn(m, sondrel::kStopPart);
    EXPECT_FALSE(m.playing());
    EXPECT_EQ(clickOn(m, sondrel::kRecordPart).at(2), down(4));
    EXPECT_TRUE(m.recording());
    EXPECT_FALSE(m.paused());
    clickOn(m, sondrel::kMutePart);
    EXPECT_EQ(m.mute(), VARIANT_TRUE);
    clickOn(m, sondrel::kMutePart);
    EXPECT_EQ(m.mute(), VARIANT_FALSE);
    // The position buttons only report.
    m.stop();
    EXPECT_EQ(clickOn(m, sondrel::kGoToStartPart).at(2), down(5));
    EXPECT_EQ(clickOn(m, sondrel::kGoToEndPart).at(5), click(6));
    EXPECT_FALSE(m.playing());
}

TEST(TransportModel, PressesThatTheStateRefusesFireNothing) {
    TransportModel m = everythingShown();
    // Idle: pause and stop are not buttons.
    EXPECT_EQ(clickOn(m, sondrel::kPausePart), (TransportEffects{kCapture, kRedraw, kRelease, kRedraw}));
    EXPECT_EQ(clickOn(m, sondrel::kStopPart), (TransportEffects{kCapture, kRedraw, kRelease, kRedraw}));
    // Playing: no record; recording: no play and no position buttons.
    m.play();
    EXPECT_EQ(clickOn(m, sondrel::kRecordPart).size(), 4u);
    m.stop();
    m.record();
    EXPECT_EQ(clickOn(m, sondrel::kPlayPart).size(), 4u);
    EXPECT_EQ(clickOn(m, sondrel::kGoToStartPart).size(), 4u);
    EXPECT_TRUE(m.recording());
    // Disabled: nothing at all, not even the capture.
    m.putEnabled(VARIANT_FALSE);
    POINT p = centre(m, sondrel::kStopPart);
    EXPECT_TRUE(m.mouseDown(p.x, p.y, kWidth).empty());
    EXPECT_TRUE(m.mouseMove(p.x, p.y, kWidth).empty());
    EXPECT_FALSE(m.hover(sondrel::kStopPart));
}

TEST(TransportModel, AReleaseOutsideReportsTheClickButChangesNothing) {
    TransportModel m;
    POINT p = centre(m, sondrel::kPlayPart);
    m.mouseDown(p.x, p.y, 77);
    EXPECT_TRUE(m.pressed(sondrel::kPlayPart));
    EXPECT_EQ(m.mouseUp(300, -40, 77), (TransportEffects{kRelease, kRedraw, click(1), kUp}));
    EXPECT_FALSE(m.playing());
    EXPECT_FALSE(m.pressed(sondrel::kPlayPart));
}

TEST(TransportModel, TheButtonMaskEnablesParts) {
    TransportModel m = everythingShown();
    m.putEnableButtons(1);
    EXPECT_EQ(m.enableButtons(), 1);
    for (int bit = 1; bit < 7; ++bit) EXPECT_FALSE(m.buttonEnabled(bit)) << bit;
    for (auto part : {sondrel::kRecordPart, sondrel::kMutePart, sondrel::kVolumePart, sondrel::kGoToStartPart,
                      sondrel::kGoToEndPart})
        EXPECT_EQ(clickOn(m, part).size(), 4u) << part;
    EXPECT_EQ(m.mute(), VARIANT_FALSE);
    clickOn(m, sondrel::kPlayPart);
    ASSERT_TRUE(m.playing());
    EXPECT_EQ(clickOn(m, sondrel::kStopPart).size(), 4u);
    EXPECT_TRUE(m.playing());
    // Bit 4 serves both position buttons.
    m.putEnableButtons(16);
    EXPECT_EQ(clickOn(m, sondrel::kGoToEndPart).size(), 7u);
}

TEST(TransportModel, TheVolumeThumbFollowsClicksAndDrags) {
    TransportModel m = everythingShown();
    const int left = kWidth - 54;
    EXPECT_EQ(m.mouseDown(kWidth - 6, 12, kWidth), (TransportEffects{kCapture, kRedraw, down(8), volume(65395)}));
    EXPECT_EQ(m.volume(), 41.0f);
    m.mouseUp(kWidth - 6, 12, kWidth);
    EXPECT_EQ(m.mouseDown(left, 12, kWidth).back(), volume(0));
    EXPECT_TRUE(m.dragging());

    // Dragging three pixels right moves the thumb one pixel per event.
    EXPECT_EQ(m.mouseMove(left + 7, 12, kWidth),
              (TransportEffects{volume(1595), volume(3190), volume(4785), kRedraw}));
    EXPECT_EQ(m.volume(), 3.0f);
    // At the left end and beyond it, one event and the thumb stays.
    m.mouseMove(left + 4, 12, kWidth);
    EXPECT_EQ(m.mouseMove(left - 30, 12, kWidth), (TransportEffects{volume(0), kRedraw}));
    EXPECT_EQ(m.volume(), 0.0f);
    EXPECT_EQ(m.mouseMove(left + 4, 12, kWidth), (TransportEffects{kRedraw}));
    EXPECT_EQ(m.mouseUp(left, 12, kWidth), (TransportEffects{kRelease, kRedraw, click(8), kUp}));
    EXPECT_FALSE(m.dragging());
}

TEST(TransportModel, ChangeVolumeMovesTheThumbWithinItsTrack) {
    TransportModel m;
    m.changeVolume(3190);
    EXPECT_EQ(static_cast<int>(m.volume()), 2);
    EXPECT_EQ(m.volumeEventValue(), 3190);
    // As far as a press on the track can put it, and no further.
    struct Case {
        LONG volume;
        int position;
    };
    for (const Case& c : std::vector<Case>{{1595 * 41, 41}, {1595 * 100, 41}, {10000000, 41}, {-15950, 0}, {-1, 0}}) {
        m.changeVolume(c.volume);
        EXPECT_EQ(m.volume(), static_cast<float>(c.position)) << c.volume;
    }
    m.changeVolume(1595 * 100);
    EXPECT_EQ(m.volumeEventValue(), 65395);
}

TEST(TransportModel, HoverFollowsThePointerAndTheTimerClearsIt) {
    TransportModel m = everythingShown();
    POINT play = centre(m, sondrel::kPlayPart), stop = centre(m, sondrel::kStopPart);
    EXPECT_EQ(m.mouseMove(play.x, play.y, kWidth), (TransportEffects{kRedraw}));
    EXPECT_TRUE(m.hover(sondrel::kPlayPart));
    m.mouseMove(stop.x, stop.y, kWidth);
    EXPECT_FALSE(m.hover(sondrel::kPlayPart));
    EXPECT_FALSE(m.hover(sondrel::kStopPart));  // idle: stop is no button
    POINT rec = centre(m, sondrel::kRecordPart), mute = centre(m, sondrel::kMutePart);
    m.mouseMove(rec.x, rec.y, kWidth);
    EXPECT_TRUE(m.hover(sondrel::kRecordPart));
    m.mouseMove(mute.x, mute.y, kWidth);
    EXPECT_FALSE(m.hover(sondrel::kRecordPart));
    EXPECT_TRUE(m.hover(sondrel::kMutePart));

    EXPECT_TRUE(m.tick(true).empty());
    EXPECT_EQ(m.tick(false), (TransportEffects{kRedraw}));
    EXPECT_FALSE(m.hover(sondrel::kMutePart));
    EXPECT_TRUE(m.tick(false).empty());
}

TEST(TransportModel, ColourPutsAreOpaqueAndDeriveTheShade) {
    TransportModel m;
    m.putColor(255);  // red
    EXPECT_EQ(m.face(), 0xFFFF0000u);
    EXPECT_EQ(m.color(), 255u);
    EXPECT_EQ(m.shade(), 0xFFC00000u);
    // Only the low three bytes count; a system colour value is not translated.
    m.putBorderColor(0x8000000F);
    EXPECT_EQ(m.border(), 0xFF0F0000u);
    EXPECT_EQ(m.borderColor(), 0x0Fu);
    // Darker than the step: black, not a wrapped value.
    m.putColor(RGB(20, 20, 40));
    EXPECT_EQ(m.shade(), 0xFF000000u);

    m.putBorderType(3);
    m.putBorderType(4);
    m.putBorderType(-1);
    EXPECT_EQ(m.borderType(), 3);
}

TEST(TransportModel, ThePositionButtonsMoveRightOfTheRecordButton) {
    TransportModel m;
    EXPECT_EQ(m.rectOf(sondrel::kGoToStartPart, 10, 0, 300).left, 92);
    m.putShowButtonRecord(VARIANT_TRUE);
    EXPECT_EQ(m.rectOf(sondrel::kGoToStartPart, 10, 0, 300).left, 118);
    EXPECT_EQ(m.rectOf(sondrel::kGoToEndPart, 10, 0, 300).left, 141);
    EXPECT_EQ(m.rectOf(sondrel::kMutePart, 10, 0, 300).left, 220);
}

}  // namespace
