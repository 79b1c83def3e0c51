#include "band_sliders/bands_model.h"

#include <gtest/gtest.h>

namespace {

using sondrel::BandsEffect;
using sondrel::BandsEffects;
using sondrel::BandsModel;
using sondrel::PixelSize;

constexpr PixelSize kSize{300, 90};
// In a 300 x 90 control: spacing 13, band 1 at x 35 to 44, the track from row 6 to 69, 55
// pixels of thumb travel.
constexpr int kBand1 = 38;
constexpr int kBand3Left = 35 + 9 + 13 - 1 + 22;

TEST(BandsModel, Layout) {
    BandsModel m;
    const auto l = m.layout({0, 0, 300, 90});
    EXPECT_EQ(l.spacing, 13);
    EXPECT_EQ(l.left[0], 35);
    EXPECT_EQ(l.right[0], 44);
    EXPECT_EQ(l.left[1], 56);
    EXPECT_EQ(l.right[1], 66);
    EXPECT_EQ(l.left[2], kBand3Left);
    EXPECT_EQ(l.trackTop, 6);
    EXPECT_EQ(l.trackBottom, 69);
    EXPECT_EQ(l.trackLength, 55);
    m.scaleYVisible = VARIANT_FALSE;
    m.putHorizontalInscriptions(VARIANT_FALSE);
    const auto bare = m.layout({0, 0, 300, 90});
    EXPECT_EQ(bare.spacing, 15);
    EXPECT_EQ(bare.left[0], 15);
    EXPECT_EQ(bare.trackBottom, 83);
}

TEST(BandsModel, BandNumIsKeptWithinTheBands) {
    struct Case {
        LONG put, stored;
    } cases[] = {{0, 1}, {-7, 1}, {1, 1}, {12, 12}, {20, 12}, {5, 5}};
    for (const Case& c : cases) {
        BandsModel m;
        m.putBandNum(c.put);
        EXPECT_EQ(m.bandNum(), c.stored) << c.put;
    }
}

TEST(BandsModel, BandValuesOutsideTheRangeAreIgnoredAndBandCountIsFixed) {
    BandsModel m;
    m.putBandNum(4);
    EXPECT_TRUE(m.putBandValue(-15));
    EXPECT_FALSE(m.putBandValue(20));
    EXPECT_FALSE(m.putBandValue(-15.5f));
    EXPECT_EQ(m.bandValue(), -15);
    m.putBandNum(3);
    EXPECT_EQ(m.bandValue(), 0);
    EXPECT_EQ(m.bandCount(), 12);
}

TEST(BandsModel, ANarrowerRangeLowersTheBandsAndTheTickSpacingButNotTicksFrequency) {
    BandsModel m;
    m.putBandNum(2);
    m.putBandValue(12);
    m.putBandNum(3);
    m.putBandValue(-14);
    m.putMax(6);
    EXPECT_EQ(m.value(2), 6);
    EXPECT_EQ(m.value(3), -14);
    EXPECT_EQ(m.tickSpacing(), 10.5f);
    EXPECT_EQ(m.ticksFrequency(), 15);
    m.putMin(-4);
    EXPECT_EQ(m.value(3), -4);
    EXPECT_EQ(m.tickSpacing(), 5.0f);
}

TEST(BandsModel, TicksFrequency) {
    struct Case {
        SHORT put;
        bool accepted;
        SHORT property;
        float spacing;
    } cases[] = {
        {4, true, 4, 15},    // 30 is no multiple of 4: the ticks keep their spacing
        {5, true, 5, 5},     {15, true, 15, 15}, {1, true, 1, 1},
        {16, false, 15, 15}, {0, false, 15, 15}, {-3, false, 15, 15},
    };
    for (const Case& c : cases) {
        BandsModel m;
        EXPECT_EQ(m.putTicksFrequency(c.put), c.accepted) << c.put;
        EXPECT_EQ(m.ticksFrequency(), c.property) << c.put;
        EXPECT_EQ(m.tickSpacing(), c.spacing) << c.put;
    }
}

TEST(BandsModel, BorderAndLookIgnoreUnknownValues) {
    BandsModel m;
    m.putBorderType(3);
    m.putBorderType(4);
    m.putBorderType(-1);
    EXPECT_EQ(m.borderType(), 3);
    m.putSliderType(2);
    m.putSliderType(0);
    m.putSliderType(3);
    EXPECT_EQ(m.sliderType(), 2);
}

TEST(BandsModel, OffsetsFollowValuesAndValuesFollowOffsets) {
    BandsModel m;
    m.putBandNum(1);
    m.putBandValue(15);
    m.putBandNum(2);
    m.putBandValue(-15);
    m.putBandNum(3);
    m.putBandValue(0);
    const auto l = m.layout({0, 0, 300, 90});
    m.sync(l);
    EXPECT_EQ(m.offset(1), 0);
    EXPECT_EQ(m.offset(2), 55);
    EXPECT_EQ(m.offset(3), 27.5f);
    m.sync(l);  // a second drawing keeps the values
    EXPECT_EQ(m.value(3), 0);
    // A taller control moves the thumbs and keeps the values.
    m.sync(m.layout({0, 0, 300, 145}));
    EXPECT_EQ(m.offset(2), 110);
    EXPECT_EQ(m.value(2), -15);
}

TEST(BandsModel, MinEqualToMaxPutsTheThumbsAtTheTop) {
    BandsModel m;
    m.putMax(3);
    m.putMin(3);
    m.sync(m.layout({0, 0, 300, 90}));
    EXPECT_EQ(m.offset(1), 0);
    EXPECT_EQ(m.value(1), 3);
}

TEST(BandsModel, PressDragAndRelease) {
    BandsModel m;
    EXPECT_EQ(m.mouseDown(kBand1, 6 + 4 + 11, kSize),
              (BandsEffects{{BandsEffect::Capture}, {BandsEffect::Redraw}, {BandsEffect::FireMouseDown, 1}}));
    EXPECT_EQ(m.offset(1), 11);
    EXPECT_EQ(m.value(1), 15 - 30 * 11 / 55.0f);
    EXPECT_TRUE(m.dragging());
    EXPECT_EQ(m.selected(), 1);

    // Dragging follows the pointer even off the band's column; the value is there at once.
    EXPECT_EQ(m.mouseMove(200, 6 + 4 + 33, kSize),
              (BandsEffects{{BandsEffect::FireValueChange, 1}, {BandsEffect::Redraw}}));
    EXPECT_EQ(m.offset(1), 33);
    EXPECT_EQ(m.value(1), 15 - 30 * 33 / 55.0f);
    EXPECT_TRUE(m.hovered(1));
    EXPECT_EQ(m.mouseMove(200, 6 + 4 + 33, kSize), (BandsEffects{{BandsEffect::Redraw}}));  // same row
    m.mouseMove(kBand1, 500, kSize);
    EXPECT_EQ(m.value(1), -15);
    m.mouseMove(kBand1, -500, kSize);
    EXPECT_EQ(m.value(1), 15);

    EXPECT_EQ(m.mouseUp(), (BandsEffects{{BandsEffect::FireMouseUp, 0}, {BandsEffect::ReleaseCapture}}));
    EXPECT_FALSE(m.dragging());
    EXPECT_EQ(m.mouseUp(), (BandsEffects{{BandsEffect::ReleaseCapture}}));
}

TEST(BandsModel, TheWiderColumnOfTheSecondLookNeverLeavesTheRange) {
    BandsModel m;
    m.putSliderType(2);
    m.mouseDown(kBand1, 5, kSize);  // two rows above the track
    EXPECT_EQ(m.value(1), 15);
    m.mouseMove(kBand1, 70, kSize);
    EXPECT_EQ(m.value(1), -15);
    EXPECT_EQ(m.offset(1), 55);
}

TEST(BandsModel, EveryMoveOfADragInTheSecondLookFiresValueChange) {
    BandsModel m;
    m.putSliderType(2);
    m.mouseDown(kBand1, 6 + 4 + 11, kSize);
    const BandsEffects changed{{BandsEffect::FireValueChange, 1}, {BandsEffect::Redraw}};
    EXPECT_EQ(m.mouseMove(kBand1, 6 + 4 + 20, kSize), changed);
    EXPECT_EQ(m.offset(1), 20);
    EXPECT_EQ(m.mouseMove(kBand1, 6 + 4 + 20, kSize), changed);  // the same row again
    EXPECT_EQ(m.offset(1), 20);
    EXPECT_EQ(m.mouseMove(200, 6 + 4 + 20, kSize), changed);
}

TEST(BandsModel, PressesThatMissOrComeWhileDisabled) {
    BandsModel m;
    EXPECT_EQ(m.mouseDown(5, 30, kSize), (BandsEffects{{BandsEffect::Capture}}));
    EXPECT_FALSE(m.dragging());
    EXPECT_EQ(m.mouseDown(kBand1, 80, kSize), (BandsEffects{{BandsEffect::Capture}}));  // below the track
    m.enabled = VARIANT_FALSE;
    EXPECT_TRUE(m.mouseDown(kBand1, 30, kSize).empty());
    EXPECT_EQ(m.value(1), 0);
}

TEST(BandsModel, HoverFollowsThePointerAndTheTimerClearsItOutside) {
    BandsModel m;
    m.mouseMove(kBand3Left + 2, 30, kSize);
    EXPECT_TRUE(m.hovered(3));
    EXPECT_FALSE(m.hovered(1));
    m.mouseMove(kBand1, 30, kSize);
    EXPECT_FALSE(m.hovered(3));
    EXPECT_TRUE(m.hovered(1));
    EXPECT_TRUE(m.tick(true).empty());
    EXPECT_EQ(m.tick(false), (BandsEffects{{BandsEffect::Redraw}}));
    EXPECT_FALSE(m.anyHovered());
    EXPECT_TRUE(m.tick(false).empty());  // nothing left to clear

    m.mouseDown(kBand1, 30, kSize);
    m.mouseMove(kBand1, 40, kSize);
    EXPECT_TRUE(m.tick(false).empty());  // not while dragging
    EXPECT_TRUE(m.hovered(1));
}

}  // namespace
