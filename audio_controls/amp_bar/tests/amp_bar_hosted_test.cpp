#include "tests/hosted_control.h"

namespace {

constexpr CLSID kAmpBar = com::guid("{660662D8-4E39-46FE-8CB8-C6CAC9CBCE7F}");

using AmpBar = HostedControl;

TEST_F(AmpBar, RangeErrorsNameTheAmpBarAndKeepTheOldValue) {
    ASSERT_EQ(host.create(kAmpBar), S_OK);
    const struct {
        DISPID id;
        com::Variant value;
        const char16_t* message;
    } cases[] = {
        {17, com::Variant::r8(1000.5), u"AmpBar must have Speed value between 0 and 1000"},
        {12, com::Variant::i4(4), u"AmpBar must have BorderType value between 0 and 3"},
        {25, com::Variant::i4(2), u"AmpBar must have Orientation value 0 or 1"},
    };
    for (const auto& c : cases) {
        const com::Variant before = get(c.id);
        EXCEPINFO info{};
        EXPECT_EQ(put(c.id, c.value, &info), DISP_E_EXCEPTION);
        EXPECT_EQ(com::view(info.bstrSource), u"Sondrel3.AudioAmpBar.1");
        EXPECT_EQ(com::view(info.bstrDescription), c.message);
        com::clearExcepInfo(&info);
        const com::Variant after = get(c.id);
        EXPECT_EQ(after.vt, before.vt);
        EXPECT_EQ(after.llVal, before.llVal);
    }
}

TEST_F(AmpBar, ValueGlidesWhileActiveAndJumpsBefore) {
    ASSERT_EQ(host.create(kAmpBar), S_OK);
    ASSERT_EQ(put(11, com::Variant::i4(150)), S_OK);
    EXPECT_EQ(get(11).lVal, 100);
    ASSERT_EQ(put(11, com::Variant::i4(30)), S_OK);
    EXPECT_EQ(get(11).lVal, 30);
    host.site().close();
    dispatch_.reset();

    ASSERT_EQ(host.createAndActivate(kAmpBar, RECT{0, 0, 150, 20}), S_OK);
    ASSERT_EQ(put(11, com::Variant::i4(50)), S_OK);
    LONG last = get(11).lVal;
    EXPECT_GT(last, 50);
    // Ticks of the running thread may come in between: every reading is a step of 4 further.
    for (int i = 0; i < 20 && last != 50; ++i) {
        ASSERT_EQ(call(0), S_OK);
        const LONG now = get(11).lVal;
        EXPECT_LT(now, last);
        EXPECT_TRUE(now == 50 || (100 - now) % 4 == 0) << now;
        last = now;
    }
    EXPECT_EQ(last, 50);
}

TEST_F(AmpBar, TheTimerThreadStartedByActivationCarriesTheGlide) {
    ASSERT_EQ(host.createAndActivate(kAmpBar, RECT{0, 0, 150, 20}), S_OK);
    ASSERT_EQ(put(11, com::Variant::i4(0)), S_OK);
    // Only the worker's ticks move the bar here; the wait is generous, not a measure of speed.
    for (int i = 0; i < 3000 && get(11).lVal != 0; ++i) {
        host.pump();
        Sleep(5);
    }
    EXPECT_EQ(get(11).lVal, 0);
}

TEST_F(AmpBar, AnySizeIsTakenAndMoveReportsThePosition) {
    ASSERT_EQ(host.create(kAmpBar), S_OK);
    ASSERT_EQ(host.site().setExtentPixels(3, 300), S_OK);
    EXPECT_EQ(host.site().extentPixels().cx, 3);
    EXPECT_EQ(host.site().extentPixels().cy, 300);
    host.site().close();
    dispatch_.reset();

    ASSERT_EQ(host.createAndActivate(kAmpBar, RECT{10, 10, 160, 30}), S_OK);
    EXPECT_EQ(call(1, {com::Variant::i4(-10), com::Variant::i4(5), com::Variant::i4(80), com::Variant::i4(12)}), S_OK);
    EXPECT_EQ(host.site().extentPixels().cx, 80);
    EXPECT_EQ(host.site().extentPixels().cy, 12);
    ASSERT_FALSE(host.site().posRectChanges().empty());
    const RECT& r = host.site().posRectChanges().back();
    EXPECT_EQ(r.left, -10);
    EXPECT_EQ(r.top, 5);
    EXPECT_EQ(r.right, 70);
    EXPECT_EQ(r.bottom, 17);
}

TEST_F(AmpBar, CorrectedPutsAndColours) {
    ASSERT_EQ(host.create(kAmpBar), S_OK);
    ASSERT_EQ(put(14, com::Variant::i4(200)), S_OK);
    EXPECT_EQ(get(14).lVal, 99);
    ASSERT_EQ(put(16, com::Variant::i4(7)), S_OK);
    EXPECT_EQ(get(16).lVal, 2);
    ASSERT_EQ(put(18, com::Variant::i4(-3)), S_OK);  // stored unchecked
    EXPECT_EQ(get(18).lVal, -3);
    com::Variant systemColour;
    systemColour.vt = VT_UI4;
    systemColour.ulVal = 0x80123456;  // only the low three bytes count
    ASSERT_EQ(put(21, systemColour), S_OK);
    EXPECT_EQ(get(21).ulVal, 0x123456u);
    EXPECT_EQ(get(24).ulVal, 0xE1E1E1u);
}

}  // namespace
