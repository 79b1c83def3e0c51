#include "tests/hosted_control.h"

namespace {

using StepKnob = HostedControl;
const CLSID kStepKnob = sondrel::CLSID_AudioStepButtonType1;
using Strings = std::vector<std::string>;

TEST_F(StepKnob, SpeedOutsideItsRangeIsARangeError) {
    ASSERT_EQ(host.create(kStepKnob), S_OK);
    expectRangeError(0xe, com::Variant::r8(1000.5), u"Sondrel3.AudioStepBu.1",
                     u"StepButton must have Speed value between 0 and 1000");
    EXPECT_EQ(get(0xe).dblVal, 1.0);
    EXPECT_EQ(put(0xe, com::Variant::r8(1000)), S_OK);
}

TEST_F(StepKnob, ColoursReadBackAsTheirLowThreeBytes) {
    windows::setSysColor(COLOR_BTNFACE, RGB(1, 2, 3));
    ASSERT_EQ(host.create(kStepKnob), S_OK);
    windows::resetSysColors();
    EXPECT_EQ(get(0x11).ulVal, RGB(1, 2, 3));  // the button face at creation
    EXPECT_EQ(get(0xa).ulVal, RGB(1, 2, 3));
    com::Variant system;
    system.vt = VT_UI4;
    system.ulVal = 0x80000005;
    ASSERT_EQ(put(0x11, system), S_OK);
    EXPECT_EQ(get(0x11).ulVal, 0x00000005u);
}

TEST_F(StepKnob, SizeIsAlwaysOneHundredSquare) {
    ASSERT_EQ(host.create(kStepKnob), S_OK);
    for (SIZE offered : {SIZE{40, 300}, SIZE{100, 100}, SIZE{250, 20}}) {
        ASSERT_EQ(host.site().setExtentPixels(offered.cx, offered.cy), S_OK);
        EXPECT_EQ(host.site().extentPixels().cx, 100);
        EXPECT_EQ(host.site().extentPixels().cy, 100);
    }
}

TEST_F(StepKnob, TurningFiresItsEvents) {
    ASSERT_EQ(host.createAndActivate(kStepKnob, RECT{10, 10, 110, 110}), S_OK);
    record(DIID__IAudioStepButtonType1Events);
    send(WM_LBUTTONDOWN, 50, 10);
    send(WM_MOUSEMOVE, 90, 50);
    send(WM_LBUTTONUP, 90, 50);
    EXPECT_EQ(events(), (Strings{"2(1)", "4(0)", "4(90)", "1(1)", "3"}));
    EXPECT_EQ(get(0xb).lVal, 90);
    recorder->clear();
    send(WM_LBUTTONDOWN, 2, 2);
    send(WM_LBUTTONUP, 2, 2);
    EXPECT_EQ(events(), (Strings{"2(0)", "1(0)", "3"}));
    ASSERT_EQ(call(1), S_OK);
    ASSERT_EQ(call(2), S_OK);
}

}  // namespace
