#pragma once
// The window's layout is drawn in twips (1/1440 inch). At 96 dots per inch a logical pixel
// is 15 twips; converting here, and nowhere else, leaves scaling to high-DPI screens to Qt.

#include <QRect>

namespace morvane
{

inline constexpr int kTwipsPerPixel = 15;

constexpr int TwipsToPixels(int twips)
{
    return twips / kTwipsPerPixel;
}

inline QRect TwipsRect(int left, int top, int width, int height)
{
    return QRect(TwipsToPixels(left), TwipsToPixels(top), TwipsToPixels(width),
                 TwipsToPixels(height));
}

} // namespace morvane
