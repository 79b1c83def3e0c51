#include "tests/hosted_control.h"

namespace {

using Wedge = HostedControl;
const CLSID kWedge = sondrel::CLSID_AudioVolumeButtonType2;
using Strings = std::vector<std::string>;

TEST_F(Wedge, SpeedBelowZeroIsARangeError) {
    ASSERT_EQ(host.create(kWedge), S_OK);
    expectRangeError(0xd, com::Variant::r8(-1), u"Sondrel3.AudioVolume.1",
                     u"VolumeButtonVer01 must have Speed value between 0 and 1000");
    EXPECT_EQ(get(0xd).dblVal, 4.0);
}

TEST_F(Wedge, StyleTurnsTheControlUpright) {
    ASSERT_EQ(host.createAndActivate(kWedge, RECT{10, 10, 60, 31}), S_OK);
    ASSERT_EQ(host.site().setExtentPixels(200, 200), S_OK);
    EXPECT_EQ(host.site().extentPixels().cx, 50);
    EXPECT_EQ(host.site().extentPixels().cy, 21);
    for (LONG style : {5, 9}) {
        ASSERT_EQ(put(0x1e, com::Variant::i4(style)), S_OK);
        EXPECT_EQ(get(0x1e).lVal, style);
        EXPECT_EQ(host.site().extentPixels().cx, 21) << style;
        EXPECT_EQ(host.site().extentPixels().cy, 50) << style;
    }
    const RECT& r = host.site().posRectChanges().back();
    EXPECT_EQ(r.left, 10);
    EXPECT_EQ(r.bottom - r.top, 50);
    ASSERT_EQ(put(0x1e, com::Variant::i4(2)), S_OK);
    EXPECT_EQ(host.site().extentPixels().cx, 50);
}

TEST_F(Wedge, APressGlidesToItsValue) {
    ASSERT_EQ(host.createAndActivate(kWedge, RECT{10, 10, 60, 31}), S_OK);
    ASSERT_EQ(put(0xd, com::Variant::r8(60)), S_OK);
    record(DIID__IAudioVolumeButtonType2Events);
    send(WM_LBUTTONDOWN, 25, 10);
    EXPECT_EQ(events(), (Strings{"2(0)"}));
    recorder->clear();
    ASSERT_EQ(call(0), S_OK);  // the running thread may have stepped already; the ticks finish it
    ASSERT_EQ(call(0), S_OK);
    EXPECT_EQ(get(0xa).lVal, 48);
    ASSERT_FALSE(events().empty());
    EXPECT_EQ(events().back(), "4(48)");
    recorder->clear();
    send(WM_LBUTTONUP, 25, 10);
    EXPECT_EQ(events(), (Strings{"3"}));
}

}  // namespace
