#pragma once
// The window's colours on any desktop. On a light one the window keeps its looks exactly: the
// row captions stand on white in the desktop's text colours. On a dark one, whose light text
// does not read on white, the captions get dark text of their own, and the greyed-out options,
// rows and fields a grey that still reads: the values of greyed-out rows are written to the
// controller all the same, so they must stay legible, if less prominent than the live ones.

#include <QColor>
#include <QPalette>

#include <optional>

namespace morvane
{

// Text that reads against its background at least this well (ratio of relative luminances).
inline constexpr double kLegibleContrast = 4.5;

// The contrast ratio of two colours, 1 (none) to 21 (black on white).
double ContrastRatio(const QColor& a, const QColor& b);

// A desktop whose text is lighter than its windows.
bool IsDarkPalette(const QPalette& desktop);

// The palette of a row caption (Label5, Label6), white behind it; only the roles it sets are
// resolved, so that the rest follows the desktop.
QPalette RowCaptionPalette(const QPalette& desktop);

// The desktop's palette with its disabled texts made legible, for a dark desktop; nothing for
// a light one, which the window follows unchanged.
std::optional<QPalette> LegibleDisabledPalette(const QPalette& desktop);

} // namespace morvane
