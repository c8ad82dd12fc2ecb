#include "shell/layout.h"

#include <cmath>

namespace octolume {

double RoundHalfEven(double value) {
    const double lower = std::floor(value);
    const double fraction = value - lower;
    if (fraction < 0.5) {
        return lower;
    }
    if (fraction > 0.5) {
        return lower + 1;
    }
    return std::fmod(lower, 2.0) == 0 ? lower : lower + 1;
}

namespace {
double RoundedNotNegative(double value) {
    const double rounded = RoundHalfEven(value);
    return rounded < 0 ? 0 : rounded;
}
} // namespace

MainWindowLayout ComputeMainWindowLayout(double clientWidth, double clientHeight,
                                         int verticalScrollBarWidth, double labelHeight,
                                         double viewTop) {
    const double width =
        RoundedNotNegative(clientWidth - verticalScrollBarWidth - design::kHorizontalMargins);
    const double labelTop = RoundedNotNegative(clientHeight - labelHeight);
    const double viewHeight = RoundedNotNegative(labelTop - viewTop - design::kGapAboveLabel);

    MainWindowLayout layout;
    layout.banner = {design::kControlLeft, design::kBannerTop, width, design::kBannerHeight};
    layout.view = {design::kControlLeft, viewTop, width, viewHeight};
    layout.label = {design::kControlLeft, labelTop, width, labelHeight};
    return layout;
}

double PixelsToTwips(int pixels, int dotsPerInch) {
    return pixels * kTwipsPerInch / dotsPerInch;
}

int TwipsToPixels(double twips, int dotsPerInch) {
    return static_cast<int>(RoundHalfEven(twips * dotsPerInch / kTwipsPerInch));
}

PixelRect TwipsRectToPixels(const TwipsRect& rect, int dotsPerInchX, int dotsPerInchY) {
    return {TwipsToPixels(rect.left, dotsPerInchX), TwipsToPixels(rect.top, dotsPerInchY),
            TwipsToPixels(rect.width, dotsPerInchX), TwipsToPixels(rect.height, dotsPerInchY)};
}

} // namespace octolume
