#include "tests/hosted_control.h"

namespace {

using VolumeKnob = HostedControl;
const CLSID kVolumeKnob = sondrel::CLSID_AudioVolumeButtonType1;
using Strings = std::vector<std::string>;

TEST_F(VolumeKnob, RangeErrors) {
    ASSERT_EQ(host.create(kVolumeKnob), S_OK);
    expectRangeError(0x1f, com::Variant::i4(12), u"Sondrel3.AudioVolume.1",
                     u"VolumeButtonVer01 must have between 0 and 11 IndColors");
    EXPECT_EQ(get(0x1f).lVal, 0);
    expectRangeError(0xd, com::Variant::r8(-1), u"Sondrel3.AudioVolume.1",
                     u"VolumeButtonVer01 must have Speed value between 0 and 1000");
    EXPECT_EQ(get(0xd).dblVal, 3.0);
}

TEST_F(VolumeKnob, BorderTypeResizesTheControl) {
    ASSERT_EQ(host.createAndActivate(kVolumeKnob, RECT{10, 10, 110, 110}), S_OK);
    ASSERT_EQ(host.site().setExtentPixels(300, 40), S_OK);
    EXPECT_EQ(host.site().extentPixels().cx, 100);
    EXPECT_EQ(host.site().extentPixels().cy, 100);
    ASSERT_EQ(put(0x11, com::Variant::i4(1)), S_OK);
    EXPECT_EQ(host.site().extentPixels().cx, 121);
    EXPECT_EQ(host.site().extentPixels().cy, 121);
    ASSERT_FALSE(host.site().posRectChanges().empty());
    const RECT& r = host.site().posRectChanges().back();
    EXPECT_EQ(r.right - r.left, 121);
    ASSERT_EQ(put(0x11, com::Variant::i4(0)), S_OK);
    EXPECT_EQ(host.site().extentPixels().cx, 100);
}

TEST_F(VolumeKnob, DraggingGlidesThroughTicksWithEvents) {
    ASSERT_EQ(host.createAndActivate(kVolumeKnob, RECT{10, 10, 110, 110}), S_OK);
    ASSERT_EQ(put(0xd, com::Variant::r8(60)), S_OK);
    record(DIID__IAudioVolumeButtonType1Events);
    send(WM_LBUTTONDOWN, 50, 10);  // straight up: 499
    EXPECT_EQ(events(), (Strings{"2(1)"}));
    recorder->clear();
    ASSERT_EQ(call(0), S_OK);  // the running thread may have stepped already; the ticks finish it
    ASSERT_EQ(call(0), S_OK);
    EXPECT_EQ(get(0xa).lVal, 499);
    ASSERT_FALSE(events().empty());
    EXPECT_EQ(events().back(), "4(499)");
    recorder->clear();
    send(WM_LBUTTONUP, 50, 10);
    EXPECT_EQ(events(), (Strings{"1(1)", "3"}));
}

}  // namespace
