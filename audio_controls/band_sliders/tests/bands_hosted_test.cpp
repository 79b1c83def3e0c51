#include "tests/hosted_control.h"

namespace {

using Bands = HostedControl;
const CLSID kBands = sondrel::CLSID_AudioSlidersBands;
using Strings = std::vector<std::string>;

TEST_F(Bands, PutsCorrectOrIgnoreBadValues) {
    ASSERT_EQ(host.create(kBands), S_OK);
    EXPECT_EQ(put(1, com::Variant::i4(5)), S_OK);
    EXPECT_EQ(get(1).lVal, 12);
    EXPECT_EQ(put(2, com::Variant::i4(20)), S_OK);
    EXPECT_EQ(get(2).lVal, 12);
    EXPECT_EQ(put(2, com::Variant::i4(0)), S_OK);
    EXPECT_EQ(get(2).lVal, 1);
    EXPECT_EQ(put(3, com::Variant::r8(20)), S_OK);
    EXPECT_EQ(get(3).fltVal, 0.0f);
    EXPECT_EQ(put(3, com::Variant::r8(-7.5)), S_OK);
    EXPECT_EQ(get(3).fltVal, -7.5f);
    EXPECT_EQ(put(0xf, com::Variant::i4(6)), S_OK);
    EXPECT_EQ(put(0x26, com::Variant::i4(16)), S_OK);
    EXPECT_EQ(get(0x26).iVal, 15);
    EXPECT_EQ(put(0xc, com::Variant::i4(9)), S_OK);
    EXPECT_EQ(get(0xc).lVal, 0);
    EXPECT_EQ(get(0x1d).lVal, 1);
    EXPECT_EQ(get(0x22).ulVal, 0x8000000Fu);
    EXPECT_EQ(get(0x1e).ulVal, 0x80000012u);
}

TEST_F(Bands, SizeHasAMinimum) {
    ASSERT_EQ(host.create(kBands), S_OK);
    ASSERT_EQ(host.site().setExtentPixels(100, 40), S_OK);
    EXPECT_EQ(host.site().extentPixels().cx, 300);
    EXPECT_EQ(host.site().extentPixels().cy, 90);
    ASSERT_EQ(host.site().setExtentPixels(420, 120), S_OK);
    EXPECT_EQ(host.site().extentPixels().cx, 420);
    EXPECT_EQ(host.site().extentPixels().cy, 120);
}

TEST_F(Bands, DraggingABandFiresItsEventsAndChangesItsValue) {
    ASSERT_EQ(host.createAndActivate(kBands, RECT{10, 10, 310, 100}), S_OK);
    record(DIID__IAudioSlidersBandsEvents);
    send(WM_LBUTTONDOWN, 38, 10);  // band 1, thumb at the top
    send(WM_MOUSEMOVE, 38, 65);
    send(WM_LBUTTONUP, 38, 65);
    EXPECT_EQ(events(), (Strings{"1(1)", "5(1)", "2(0)"}));
    EXPECT_EQ(get(3).fltVal, -15.0f);
}

TEST_F(Bands, PressesAreIgnoredWhileDisabled) {
    ASSERT_EQ(host.createAndActivate(kBands, RECT{10, 10, 310, 100}), S_OK);
    record(DIID__IAudioSlidersBandsEvents);
    ASSERT_EQ(put(0x21, com::Variant::boolean(false)), S_OK);
    send(WM_LBUTTONDOWN, 38, 60);
    send(WM_LBUTTONUP, 38, 60);
    EXPECT_TRUE(events().empty());
    EXPECT_EQ(get(3).fltVal, 0.0f);
}

TEST_F(Bands, TheTimerRunsWhileActiveAndTicksDoNothingUntilAHoverIsLeft) {
    ASSERT_EQ(host.createAndActivate(kBands, RECT{10, 10, 310, 100}), S_OK);
    EXPECT_EQ(call(0), S_OK);
    EXPECT_EQ(host.site().deactivate(), S_OK);
    EXPECT_EQ(call(0), S_OK);
}

}  // namespace
