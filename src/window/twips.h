#pragma once
// The window's layout is drawn in twips (1/1440 inch). At 96 dots per inch a logical pixel
// is 15 twips; converting here, and nowhere else, leaves scaling to high-DPI screens to Qt.
// A desktop font larger than the design's draws the layout `scale` times as large; a scale
// of 1 gives the design's own pixels.

#include <QRect>

#include <cmath>

namespace morvane
{

inline constexpr int kTwipsPerPixel = 15;

inline int TwipsToPixels(int twips, double scale = 1.0)
{
    return int(std::floor(twips * scale / kTwipsPerPixel));
}

inline QRect TwipsRect(int left, int top, int width, int height, double scale = 1.0)
{
    return QRect(TwipsToPixels(left, scale), TwipsToPixels(top, scale), TwipsToPixels(width, scale),
                 TwipsToPixels(height, scale));
}

} // namespace morvane
