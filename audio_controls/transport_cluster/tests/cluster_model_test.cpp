#include "transport_cluster/cluster_model.h"

#include <gtest/gtest.h>

namespace {

using sondrel::ClusterEffect;
using sondrel::ClusterEffects;
using sondrel::ClusterModel;

const ClusterEffect kRedraw{ClusterEffect::Redraw};
const ClusterEffect kCapture{ClusterEffect::Capture};
const ClusterEffect kRelease{ClusterEffect::ReleaseCapture};
const ClusterEffect kUp{ClusterEffect::FireMouseUp};
ClusterEffect down(LONG part) { return {ClusterEffect::FireMouseDown, part}; }
ClusterEffect click(LONG part) { return {ClusterEffect::FireMouseClick, part}; }

TEST(ClusterModel, PartOfAPoint) {
    struct Case {
        int dx, dy, part;
    } cases[] = {
        {0, 0, 1},    {25, 0, 1},    {0, -25, 1},  {17, 17, 1},     // the play disc, its rim included
        {26, 0, 2},   {46, 0, 2},    {-40, 5, 4},  {3, 40, 3},    {-3, -40, 5},
        {30, 30, 3},  {-30, 30, 3},  {30, -30, 5}, {-30, -30, 5},  // the diagonals go to record or stop
        {47, 0, 0},   {33, 33, 0},   {0, -50, 0},
    };
    for (const Case& c : cases) EXPECT_EQ(ClusterModel::partAt(c.dx, c.dy), c.part) << c.dx << "," << c.dy;
}

TEST(ClusterModel, ClickOnStopAtTheTop) {
    ClusterModel m;
    EXPECT_EQ(m.mouseDown(50, 10), (ClusterEffects{down(5), kCapture, kRedraw}));
    EXPECT_EQ(m.pictureState(), 5);
    EXPECT_TRUE(m.buttonDown());
    EXPECT_EQ(m.mouseUp(50, 10), (ClusterEffects{kRelease, click(5), kRedraw, kUp}));
    EXPECT_FALSE(m.buttonDown());
    // The hover step restores the normal picture after the click.
    EXPECT_EQ(m.tick(true, 50, 50), ClusterEffects{kRedraw});
    EXPECT_EQ(m.pictureState(), 0);
}

TEST(ClusterModel, PressOnPlayAndReleaseOnStopIsNoClick) {
    ClusterModel m;
    m.mouseDown(50, 50);
    EXPECT_EQ(m.mouseMove(50, 10), ClusterEffects{kRedraw});  // off the pressed part: normal picture
    EXPECT_EQ(m.pictureState(), 0);
    EXPECT_EQ(m.mouseMove(50, 12), ClusterEffects{});
    EXPECT_EQ(m.mouseMove(52, 48), ClusterEffects{kRedraw});  // back on it: pressed again
    EXPECT_EQ(m.pictureState(), 1);
    m.mouseMove(50, 10);
    EXPECT_EQ(m.mouseUp(50, 10), (ClusterEffects{kRelease, kRedraw, kUp}));
}

TEST(ClusterModel, DisabledButtonsAndStrayReleasesFireNothing) {
    ClusterModel m;
    EXPECT_EQ(m.putEnabled(sondrel::kStop, VARIANT_FALSE), ClusterEffects{kRedraw});
    EXPECT_EQ(m.putEnabled(sondrel::kStop, VARIANT_FALSE), ClusterEffects{});
    EXPECT_EQ(m.mouseDown(50, 10), ClusterEffects{});
    EXPECT_EQ(m.pictureState(), 0);
    EXPECT_EQ(m.mouseUp(50, 10), ClusterEffects{kRelease});
    EXPECT_EQ(m.mouseDown(2, 2), ClusterEffects{});  // a corner: no part

    // After a click, a release that no press began reports nothing.
    m.mouseDown(50, 50);
    m.mouseUp(50, 50);
    EXPECT_EQ(m.mouseUp(50, 50), ClusterEffects{kRelease});
}

TEST(ClusterModel, FlatPictureShowsWhileThePointerIsOutsideTheCircle) {
    ClusterModel m;
    EXPECT_EQ(m.putFlat(VARIANT_TRUE), ClusterEffects{kRedraw});
    EXPECT_EQ(m.pictureState(), 6);
    EXPECT_EQ(m.tick(true, 50, 50), ClusterEffects{kRedraw});
    EXPECT_EQ(m.pictureState(), 0);
    EXPECT_EQ(m.tick(false, 1, 1), ClusterEffects{});  // not active
    EXPECT_EQ(m.tick(true, 1, 1), ClusterEffects{kRedraw});
    EXPECT_EQ(m.pictureState(), 6);
    EXPECT_EQ(m.tick(true, 2, 1), ClusterEffects{});

    // During a press, leaving the circle shows the flat picture too.
    m.mouseDown(50, 50);
    EXPECT_EQ(m.tick(true, 1, 1), ClusterEffects{});  // no hover while the button is down
    m.mouseMove(99, 99);
    EXPECT_EQ(m.pictureState(), 6);
    m.mouseUp(99, 99);

    EXPECT_EQ(m.putFlat(VARIANT_FALSE), ClusterEffects{kRedraw});
    m.tick(true, 1, 1);
    EXPECT_EQ(m.pictureState(), 0);
    EXPECT_EQ(m.shownState(), 0);
}

TEST(ClusterModel, ColoursAreOpaqueArgbFromTheLowBytes) {
    windows::setSysColor(COLOR_BTNFACE, RGB(10, 20, 30));
    ClusterModel m;
    windows::resetSysColors();
    EXPECT_EQ(m.color, 0xFF0A141Eu);
    EXPECT_EQ(m.backColor, 0xFF0A141Eu);
    EXPECT_EQ(sondrel::argbFromColor(RGB(1, 2, 3)), 0xFF010203u);
    EXPECT_EQ(sondrel::colorFromArgb(0xFF010203u), RGB(1, 2, 3));
    // A system colour is not translated: only its low bytes count.
    EXPECT_EQ(sondrel::argbFromColor(0x8000000F), 0xFF0F0000u);
    EXPECT_EQ(sondrel::colorFromArgb(sondrel::argbFromColor(0x8000000F)), 0x0000000Fu);
}

TEST(ClusterModel, BorderTypeChoosesTheSet) {
    ClusterModel m;
    EXPECT_EQ(m.side(), 100);
    EXPECT_FALSE(m.putBorderType(0));
    EXPECT_TRUE(m.putBorderType(1));
    EXPECT_EQ(m.side(), 121);
    EXPECT_EQ(m.centre(), 60);
    EXPECT_TRUE(m.putBorderType(-3));  // any value but 0 is the large look
    EXPECT_EQ(m.side(), 121);
    EXPECT_EQ(m.mouseDown(60, 20), (ClusterEffects{down(5), kCapture, kRedraw}));
}

}  // namespace
