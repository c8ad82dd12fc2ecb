// The program's pure rules, against values worked out by hand: the main window's layout in
// twips, twips and pixels, font heights and where the engine is looked for.
#include "layout.h"
#include "printers.h"
#include "startup.h"

#include <gtest/gtest.h>

namespace octolume::test {

TEST(RoundHalfEven, HalvesGoToTheEvenNeighbourTheRestToTheNearest) {
    const double values[] = {0.5, 1.5, 2.5, -0.5, -1.5, -2.5, 2.4999, 2.5001, -2.5001, 7};
    const double rounded[] = {0, 2, 2, 0, -2, -2, 2, 3, -3, 7};
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(RoundHalfEven(values[i]), rounded[i]) << values[i];
}

// The controls start at 120 and share one width: the client width less 240 and less the
// scroll-bar width, a pixel count taken as twips (17 + 240 narrower, not 17 * 15 + 240). The
// label sits on the bottom, the view reaches to 50 above it; all clamped at 0.
TEST(MainWindowLayout, FollowsTheClientArea) {
    struct Case {
        double clientWidth, clientHeight;
        int scrollBar;
        double labelHeight, width, viewHeight, labelTop;
    };
    const Case cases[] = {
        {9615, 6420, 17, 345, 9358, 4825, 6075},
        {9615, 6420, 0, 345, 9375, 4825, 6075},
        {0, 0, 17, 345, 0, 0, 0},
        {257, 1595, 17, 345, 0, 0, 1250},
        {258, 1596, 17, 345, 1, 1, 1251},
        {600, 300, 17, 345, 343, 0, 0},
        {20000, 8000, 17, 345, 19743, 6405, 7655},   // the banner box grows past its picture
        {9615.5, 6420.5, 17, 345, 9358, 4826, 6076}, // halves to even; the view's height
        {9616.5, 6421.5, 17, 345, 9360, 4826, 6076}, // comes from the label's rounded top
        {9600, 6420, 17, 348, 9343, 4822, 6072}};    // 29 pixels at 120 dpi are 348 twips
    for (const Case& c : cases)
        EXPECT_EQ(ComputeMainWindowLayout(c.clientWidth, c.clientHeight, c.scrollBar, c.labelHeight,
                                          1200),
                  (MainWindowLayout{{120, 0, c.width, 1140},
                                    {120, 1200, c.width, c.viewHeight},
                                    {120, c.labelTop, c.width, c.labelHeight}}))
            << c.clientWidth << " x " << c.clientHeight;
}

TEST(TwipsPixelsAndPoints, FollowTheDpiAndRoundHalvesToEven) {
    const double twips[] = {9615, 1140, 345, 112.5, 97.5, 9358, 9615, 9615, 345};
    const int dpi[] = {96, 96, 96, 96, 96, 96, 120, 144, 120};
    const int pixels[] = {641, 76, 23, 8, 6, 624, 801, 962, 29};
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(TwipsToPixels(twips[i], dpi[i]), pixels[i]) << twips[i] << " at " << dpi[i];
    EXPECT_EQ(PixelsToTwips(641, 96) + PixelsToTwips(10, 120) + PixelsToTwips(10, 144), 9835);
    EXPECT_EQ(TwipsRectToPixels({120, 1200, 9358, 4825}, 96, 120), (PixelRect{8, 100, 624, 402}));
    // 9.75 points at 120 dpi are 16.25 pixels; 8.25 at 144 are 16.5, to even.
    EXPECT_EQ(FontHeightForPoints(9.75, 96), 13);
    EXPECT_EQ(FontHeightForPoints(8.25, 96), 11);
    EXPECT_EQ(FontHeightForPoints(9.75, 120), 16);
    EXPECT_EQ(FontHeightForPoints(8.25, 144), 16);
}

TEST(EngineLibraryPath, OneBackslashBeforeTheNameAndADriveRootKeepsItsOwn) {
    using namespace MOctolume;
    EXPECT_EQ(EngineLibraryPath(FolderOfPath(L"C:\\Program Files\\O\\Octolume32.exe")),
              L"C:\\Program Files\\O\\octolume.dll");
    EXPECT_EQ(FolderOfPath(L"D:\\Octolume32.exe"), L"D:\\");
    EXPECT_EQ(EngineLibraryPath(L"D:\\"), L"D:\\octolume.dll");
    EXPECT_EQ(FolderOfPath(L"\\\\server\\share\\Octolume32.exe"), L"\\\\server\\share");
}

} // namespace octolume::test
