// The resize rule and the twips/pixel conversions, on the window's edge cases.
#include "layout.h"

#include <gtest/gtest.h>

namespace octolume::test {
namespace {

constexpr int kScrollBar = 17;
constexpr double kLabelHeight = 345;
constexpr double kViewTop = 1200;

MainWindowLayout Layout(double width, double height, int scrollBar = kScrollBar,
                        double labelHeight = kLabelHeight) {
    return ComputeMainWindowLayout(width, height, scrollBar, labelHeight, kViewTop);
}

TEST(RoundHalfEven, RoundsHalvesToTheEvenNeighbour) {
    EXPECT_EQ(RoundHalfEven(0.5), 0);
    EXPECT_EQ(RoundHalfEven(1.5), 2);
    EXPECT_EQ(RoundHalfEven(2.5), 2);
    EXPECT_EQ(RoundHalfEven(9358.5), 9358);
    EXPECT_EQ(RoundHalfEven(9359.5), 9360);
    EXPECT_EQ(RoundHalfEven(-0.5), 0);
    EXPECT_EQ(RoundHalfEven(-1.5), -2);
    EXPECT_EQ(RoundHalfEven(-2.5), -2);
}

TEST(RoundHalfEven, RoundsEverythingElseToTheNearest) {
    EXPECT_EQ(RoundHalfEven(2.4999), 2);
    EXPECT_EQ(RoundHalfEven(2.5001), 3);
    EXPECT_EQ(RoundHalfEven(-2.4999), -2);
    EXPECT_EQ(RoundHalfEven(-2.5001), -3);
    EXPECT_EQ(RoundHalfEven(7), 7);
}

TEST(MainWindowLayout, DesignSizeGivesTheDesignGeometryAndZeroClampsAtZero) {
    EXPECT_EQ(
        Layout(9615, 6420),
        (MainWindowLayout{{120, 0, 9358, 1140}, {120, 1200, 9358, 4825}, {120, 6075, 9358, 345}}));
    EXPECT_EQ(Layout(0, 0),
              (MainWindowLayout{{120, 0, 0, 1140}, {120, 1200, 0, 0}, {120, 0, 0, 345}}));
}

// The scroll-bar width is a pixel count taken as twips: 17 + 240, not 17 * 15 + 240.
TEST(MainWindowLayout, ControlsAre257TwipsNarrowerNot495) {
    for (const double clientWidth : {600.0, 9615.0, 20000.0}) {
        EXPECT_EQ(Layout(clientWidth, 6420).view.width, clientWidth - 257) << clientWidth;
    }
    EXPECT_EQ(Layout(9615, 6420, 0).view.width, 9375);
}

TEST(MainWindowLayout, NarrowerThanMarginsAndScrollBarGivesZeroWidths) {
    for (const double clientWidth : {1.0, 100.0, 256.0, 257.0, 257.4}) {
        const MainWindowLayout layout = Layout(clientWidth, 6420);
        EXPECT_EQ(layout.banner.width, 0) << clientWidth;
        EXPECT_EQ(layout.view.width, 0) << clientWidth;
        EXPECT_EQ(layout.label.width, 0) << clientWidth;
    }
    EXPECT_EQ(Layout(258, 6420).view.width, 1);
}

TEST(MainWindowLayout, ShortClientClampsLabelTopAndViewHeight) {
    // Label taller than the client area: its top clamps to 0, and so does the view.
    EXPECT_EQ(Layout(9615, 300).label.top, 0);
    EXPECT_EQ(Layout(9615, 300).view.height, 0);
    // Room for the label but not for the view below the banner.
    const MainWindowLayout layout = Layout(9615, 1500);
    EXPECT_EQ(layout.label.top, 1155);
    EXPECT_EQ(layout.view.height, 0);
    // Exactly the gap above the label left: a view of height 0, then 1.
    EXPECT_EQ(Layout(9615, 1595).view.height, 0);
    EXPECT_EQ(Layout(9615, 1596).view.height, 1);
}

TEST(MainWindowLayout, WiderThanTheBannerPictureTheBannerBoxGrowsWithTheView) {
    const MainWindowLayout layout = Layout(20000, 8000);
    EXPECT_EQ(layout.banner.width, 19743);
    EXPECT_GT(layout.banner.width, design::kBannerWidth);
    EXPECT_EQ(layout.banner.width, layout.view.width);
    EXPECT_EQ(layout.banner.height, design::kBannerHeight);
}

TEST(MainWindowLayout, ComputedValuesRoundHalvesToEven) {
    EXPECT_EQ(Layout(9615.5, 6420).view.width, 9358);
    EXPECT_EQ(Layout(9616.5, 6420).view.width, 9360);
    EXPECT_EQ(Layout(9615.4, 6420).view.width, 9358);
    EXPECT_EQ(Layout(9615.6, 6420).view.width, 9359);
    // The label's top rounds first; the view's height is computed from the rounded top.
    EXPECT_EQ(Layout(9615, 6420.5).label.top, 6076);
    EXPECT_EQ(Layout(9615, 6420.5).view.height, 4826);
    EXPECT_EQ(Layout(9615, 6421.5).label.top, 6076);
    EXPECT_EQ(Layout(9615, 6421.5).view.height, 4826);
    // A half below zero rounds to zero, not to -1, and stays 0.
    EXPECT_EQ(Layout(256.5, 6420).view.width, 0);
}

TEST(MainWindowLayout, FractionalLabelHeightFromAnotherDpiIsKept) {
    // 29 pixels at 120 dpi are 348 twips.
    const MainWindowLayout layout = Layout(9600, 6420, 17, 348);
    EXPECT_EQ(layout.label.height, 348);
    EXPECT_EQ(layout.label.top, 6072);
    EXPECT_EQ(layout.view.height, 4822);
}

TEST(TwipsAndPixels, FifteenTwipsPerPixelAt96Dpi) {
    EXPECT_EQ(PixelsToTwips(641, 96), 9615);
    EXPECT_EQ(PixelsToTwips(428, 96), 6420);
    EXPECT_EQ(TwipsToPixels(9615, 96), 641);
    EXPECT_EQ(TwipsToPixels(17235, 96), 1149);
    EXPECT_EQ(TwipsToPixels(1140, 96), 76);
    EXPECT_EQ(TwipsToPixels(345, 96), 23);
}

TEST(TwipsAndPixels, FollowTheActualDpi) {
    EXPECT_EQ(PixelsToTwips(10, 120), 120);
    EXPECT_EQ(PixelsToTwips(10, 144), 100);
    EXPECT_EQ(TwipsToPixels(120, 120), 10);
    EXPECT_EQ(TwipsToPixels(9615, 120), 801); // 801.25
    EXPECT_EQ(TwipsToPixels(9615, 144), 962); // 961.5, to even
    EXPECT_EQ(TwipsToPixels(345, 120), 29);   // 28.75
}

TEST(TwipsAndPixels, RoundHalfPixelsToEven) {
    EXPECT_EQ(TwipsToPixels(112.5, 96), 8);  // 7.5
    EXPECT_EQ(TwipsToPixels(97.5, 96), 6);   // 6.5
    EXPECT_EQ(TwipsToPixels(9358, 96), 624); // 623.87
    EXPECT_EQ(TwipsToPixels(4825, 96), 322); // 321.67
}

TEST(TwipsAndPixels, DesignLayoutInPixelsAt96Dpi) {
    const MainWindowLayout layout = Layout(9615, 6420);
    EXPECT_EQ(TwipsRectToPixels(layout.view, 96, 96), (PixelRect{8, 80, 624, 322}));
    EXPECT_EQ(TwipsRectToPixels(layout.label, 96, 96), (PixelRect{8, 405, 624, 23}));
    EXPECT_EQ(TwipsRectToPixels(layout.banner, 96, 96), (PixelRect{8, 0, 624, 76}));
}

} // namespace
} // namespace octolume::test
