#include "flat_button/flat_button_model.h"

#include <gtest/gtest.h>

namespace {

using sondrel::FlatButtonEffect;
using sondrel::FlatButtonEffects;
using sondrel::FlatButtonModel;
using E = FlatButtonEffect;

const E kCapture{E::Capture}, kRelease{E::ReleaseCapture}, kRedraw{E::Redraw}, kDown{E::FireMouseDown},
    kUp{E::FireMouseUp}, kClick{E::FireMouseClick};

TEST(FlatButtonModel, ClickInsideFiresDownClickUpAndOutsideOnlyDownUp) {
    FlatButtonModel m;
    EXPECT_EQ(*m.caption, u"ZembraFlatButton");
    EXPECT_EQ(m.enabledValue(), 1);
    EXPECT_EQ(m.mouseDown(), (FlatButtonEffects{kCapture, kRedraw, kDown}));
    EXPECT_TRUE(m.pressed());
    EXPECT_EQ(m.mouseUp(true), (FlatButtonEffects{kRelease, kClick, kRedraw, kUp}));
    EXPECT_FALSE(m.pressed());

    m.mouseDown();
    EXPECT_EQ(m.mouseUp(false), (FlatButtonEffects{kRelease, kRedraw, kUp}));
    // A release without a press is no click.
    EXPECT_EQ(m.mouseUp(true), (FlatButtonEffects{kRelease, kRedraw, kUp}));
}

TEST(FlatButtonModel, ADisabledButtonReportsNothingAndGivesUpACaptureItHeld) {
    FlatButtonModel m;
    m.putEnabled(VARIANT_FALSE);
    EXPECT_TRUE(m.mouseDown().empty());
    EXPECT_TRUE(m.mouseUp(true).empty());
    EXPECT_TRUE(m.tick(true).empty());

    m.putEnabled(VARIANT_TRUE);
    m.mouseDown();
    m.putEnabled(VARIANT_FALSE);
    EXPECT_EQ(m.mouseUp(true), (FlatButtonEffects{kRelease, kRedraw}));
    EXPECT_FALSE(m.pressed());
}

TEST(FlatButtonModel, HoverRedrawsOnlyWhenThePointerCrossesTheEdge) {
    FlatButtonModel m;
    EXPECT_TRUE(m.pointerOutside());
    EXPECT_TRUE(m.tick(false).empty());
    EXPECT_EQ(m.tick(true), (FlatButtonEffects{kRedraw}));
    EXPECT_FALSE(m.pointerOutside());
    EXPECT_TRUE(m.tick(true).empty());
    m.mouseDown();
    EXPECT_TRUE(m.down());
    EXPECT_EQ(m.tick(false), (FlatButtonEffects{kRedraw}));
    EXPECT_FALSE(m.down());  // held, but the pointer left
}

}  // namespace
