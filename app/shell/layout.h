#pragma once
// Where the main window's three controls go for a given client area. All lengths
// are twips (1/1440 inch); the window converts to pixels at its own DPI.

namespace octolume {

constexpr double kTwipsPerInch = 1440.0;

// Design geometry of the main window, in twips.
namespace design {
constexpr double kClientWidth = 9615;
constexpr double kClientHeight = 6420;
constexpr double kControlLeft = 120;
constexpr double kBannerTop = 0;
constexpr double kBannerWidth = 17235;
constexpr double kBannerHeight = 1140;
constexpr double kViewTop = 1200;
constexpr double kViewWidth = 9375;
constexpr double kViewHeight = 4785;
constexpr double kLabelTop = 6120;
constexpr double kLabelWidth = 9375;
constexpr double kLabelHeight = 345;
// Space kept free on the right: two margins, plus the scroll-bar number (below).
constexpr double kHorizontalMargins = 240;
constexpr double kGapAboveLabel = 50;
} // namespace design

// A control's place: in twips (double) for the layout rule, in pixels (int) for the window.
template <typename Unit> struct Rect {
    Unit left = 0;
    Unit top = 0;
    Unit width = 0;
    Unit height = 0;
    bool operator==(const Rect&) const = default;
};
using TwipsRect = Rect<double>;
using PixelRect = Rect<int>;

struct MainWindowLayout {
    TwipsRect banner;
    TwipsRect view;
    TwipsRect label;
    bool operator==(const MainWindowLayout&) const = default;
};

// Nearest integer, halves to the even neighbour.
double RoundHalfEven(double value);

// The resize rule: the three controls start at the left margin and share one width,
// the client width less the margins and less the vertical scroll-bar width taken
// as a plain number (a pixel count, deliberately not converted to twips); the label
// sits on the bottom edge; the view fills the space down to a small gap above the
// label. Computed values are rounded half to even and clamped at 0. The banner's
// top and height, the view's top and the label's height are never changed.
MainWindowLayout ComputeMainWindowLayout(double clientWidth, double clientHeight,
                                         int verticalScrollBarWidth, double labelHeight,
                                         double viewTop);

double PixelsToTwips(int pixels, int dotsPerInch);
// Rounded half to even, like every other conversion of the layout.
int TwipsToPixels(double twips, int dotsPerInch);
PixelRect TwipsRectToPixels(const TwipsRect& rect, int dotsPerInchX, int dotsPerInchY);

} // namespace octolume
