#include "window/palettes.h"

#include <cmath>
#include <utility>

namespace morvane
{
namespace
{

// Dark enough on white to read (6:1), light enough to tell from the black of a live row.
const QColor kDisabledCaptionText(0x63, 0x63, 0x63);

// What the colours of a disabled text aim at: small glyphs, smoothed at their edges, come out
// lighter on the screen than their colour, and must still reach kLegibleContrast there.
constexpr double kDisabledTextContrast = 6;

double Channel(double value)
{
    return value <= 0.04045 ? value / 12.92 : std::pow((value + 0.055) / 1.055, 2.4);
}

double RelativeLuminance(const QColor& c)
{
    return 0.2126 * Channel(c.redF()) + 0.7152 * Channel(c.greenF()) + 0.0722 * Channel(c.blueF());
}

QColor Mix(const QColor& from, const QColor& to, double share)
{
    const auto mix = [share](double a, double b) { return a + (b - a) * share; };
    return QColor::fromRgbF(float(mix(from.redF(), to.redF())),
                            float(mix(from.greenF(), to.greenF())),
                            float(mix(from.blueF(), to.blueF())));
}

// The disabled text moved towards the enabled one just far enough to read on its background.
QColor LegibleDisabled(const QColor& disabled, const QColor& enabled, const QColor& background)
{
    constexpr int kSteps = 20;
    for (int step = 0; step <= kSteps; ++step) {
        const QColor candidate = Mix(disabled, enabled, double(step) / kSteps);
        if (ContrastRatio(candidate, background) >= kDisabledTextContrast)
            return candidate;
    }
    return enabled;
}

} // namespace

double ContrastRatio(const QColor& a, const QColor& b)
{
    double lighter = RelativeLuminance(a);
    double darker = RelativeLuminance(b);
    if (lighter < darker)
        std::swap(lighter, darker);
    return (lighter + 0.05) / (darker + 0.05);
}

bool IsDarkPalette(const QPalette& desktop)
{
    return RelativeLuminance(desktop.color(QPalette::Active, QPalette::WindowText)) >
           RelativeLuminance(desktop.color(QPalette::Active, QPalette::Window));
}

QPalette RowCaptionPalette(const QPalette& desktop)
{
    QPalette palette;
    palette.setColor(QPalette::Window, Qt::white);
    if (IsDarkPalette(desktop)) {
        palette.setColor(QPalette::Active, QPalette::WindowText, Qt::black);
        palette.setColor(QPalette::Inactive, QPalette::WindowText, Qt::black);
        palette.setColor(QPalette::Disabled, QPalette::WindowText, kDisabledCaptionText);
    }
    return palette;
}

std::optional<QPalette> LegibleDisabledPalette(const QPalette& desktop)
{
    if (!IsDarkPalette(desktop))
        return std::nullopt;
    QPalette palette = desktop;
    const std::pair<QPalette::ColorRole, QPalette::ColorRole> textOnBackground[] = {
        {QPalette::WindowText, QPalette::Window},
        {QPalette::ButtonText, QPalette::Button},
        {QPalette::Text, QPalette::Base},
    };
    for (const auto& [text, background] : textOnBackground)
        palette.setColor(QPalette::Disabled, text,
                         LegibleDisabled(desktop.color(QPalette::Disabled, text),
                                         desktop.color(QPalette::Active, text),
                                         desktop.color(QPalette::Disabled, background)));
    return palette;
}

} // namespace morvane
