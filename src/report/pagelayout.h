#pragma once
// Where each text of the page goes: every piece of text with the box it must stay within and
// its font, and the rules and signature lines, for one page of a given size on a given
// device. Drawing only follows the layout, and a test measures it.

#include "exchange/reportpage.h"

#include <QColor>
#include <QFont>
#include <QLineF>
#include <QRectF>
#include <QString>

#include <vector>

class QPaintDevice;

namespace morvane::report
{

struct PlacedText {
    QString text;
    QRectF box; // in the device's units; the text is drawn on one line within it
    QFont font;
    QColor colour;
    Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter;
};

struct PageLayout {
    std::vector<PlacedText> texts;
    std::vector<QLineF> lines;
};

// The page's texts in `area` (the printable part of the page, in the device's units).
PageLayout LayOutPage(const ReportPage& page, const QRectF& area, const QPaintDevice& device);

// The page's words, for whoever looks for them on the page.
namespace words
{
inline constexpr char kNotUsed[] = "not used";
inline constexpr char kOutOfRange[] = "out of range";
inline constexpr char kNotANumber[] = "not a number";
inline constexpr char kNotSent[] = "not sent";
inline constexpr char kCheckedBy[] = "Checked by";
inline constexpr char kDate[] = "Date";
} // namespace words

} // namespace morvane::report
