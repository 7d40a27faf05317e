#include "window/icon.h"

#include <QGuiApplication>
#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <array>
#include <cmath>
#include <memory>

namespace morvane
{
namespace
{

// Segments a to g of a seven-segment digit, lit for the digits the icon shows.
using Segments = std::array<bool, 7>;
constexpr Segments kDigitFive = {true, false, true, true, false, true, true};
constexpr Segments kDigitEight = {true, true, true, true, true, true, true};

const QColor kBezel(0x2b, 0x33, 0x3d);
const QColor kGlass(0x10, 0x14, 0x18);
const QColor kLit(0xff, 0xa8, 0x1e);
const QColor kUnlit(0x3a, 0x2e, 0x1c);

// Rectangles of the seven segments in a digit cell of the given size and stroke.
std::array<QRectF, 7> SegmentRects(const QRectF& cell, qreal stroke)
{
    const qreal l = cell.left(), t = cell.top(), w = cell.width(), h = cell.height();
    const qreal half = (h - stroke) / 2;
    const qreal across = w - 2 * stroke;
    const qreal down = half - stroke;
    return {{
        {l + stroke, t, across, stroke},                   // a: top
        {l + w - stroke, t + stroke, stroke, down},        // b: upper right
        {l + w - stroke, t + half + stroke, stroke, down}, // c: lower right
        {l + stroke, t + h - stroke, across, stroke},      // d: bottom
        {l, t + half + stroke, stroke, down},              // e: lower left
        {l, t + stroke, stroke, down},                     // f: upper left
        {l + stroke, t + half, across, stroke},            // g: middle
    }};
}

// Large digits show their unlit segments dimly, with a hairline of glass between segments.
void DrawDigit(QPainter& p, const QRectF& cell, const Segments& lit, bool large)
{
    const qreal stroke = cell.width() * 0.2;
    const auto rects = SegmentRects(cell, stroke);
    for (std::size_t s = 0; s < rects.size(); ++s) {
        if (!lit[s] && !large)
            continue;
        p.setBrush(lit[s] ? kLit : kUnlit);
        const qreal inset = stroke * 0.12; // a hairline of glass between segments
        p.drawRoundedRect(rects[s].adjusted(inset, inset, -inset, -inset), stroke / 3, stroke / 3);
    }
}

QPixmap DrawIcon(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);

    const qreal s = size;
    const QRectF bezel(s * 0.02, s * 0.14, s * 0.96, s * 0.72);
    p.setBrush(kBezel);
    p.drawRoundedRect(bezel, s * 0.12, s * 0.12);
    const QRectF glass = bezel.adjusted(s * 0.07, s * 0.07, -s * 0.07, -s * 0.07);
    p.setBrush(kGlass);
    p.drawRoundedRect(glass, s * 0.05, s * 0.05);

    if (size < 48) {
        // Few pixels: whole-pixel segments without glass between them stay crisp.
        p.setRenderHint(QPainter::Antialiasing, false);
        const int k = size / 16;
        const qreal x = std::floor(glass.center().x() - 5.5 * k);
        const qreal y = std::floor(glass.center().y() - 3.5 * k);
        DrawDigit(p, QRectF(x, y, 5 * k, 7 * k), kDigitEight, false);
        DrawDigit(p, QRectF(x + 6 * k, y, 5 * k, 7 * k), kDigitFive, false);
        return pixmap;
    }
    // Two digits and a decimal point, as a reading on the controller's display.
    const qreal cellW = glass.width() * 0.34;
    const qreal cellH = glass.height() * 0.76;
    const qreal top = glass.top() + (glass.height() - cellH) / 2;
    const QRectF left(glass.left() + glass.width() * 0.1, top, cellW, cellH);
    const QRectF right(glass.right() - glass.width() * 0.1 - cellW, top, cellW, cellH);
    DrawDigit(p, left, kDigitEight, true);
    DrawDigit(p, right, kDigitFive, true);
    const qreal dot = cellW * 0.22;
    p.setBrush(kLit);
    p.drawEllipse(QRectF((left.right() + right.left() - dot) / 2, left.bottom() - dot, dot, dot));
    return pixmap;
}

QIcon DrawnIcon()
{
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addPixmap(DrawIcon(size));
    return icon;
}

// Qt's own icon of the drawn sizes, drawn when something first asks for a pixmap or the sizes:
// on many platforms nothing does before the window shows, and drawing all seven, the largest
// 256 pixels wide, is a visible part of the start. Each call is handed on exactly as Qt's
// icon would take it.
class DrawnWhenAskedEngine final : public QIconEngine
{
  public:
    DrawnWhenAskedEngine() : m_drawn(std::make_shared<QIcon>()) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override
    {
        // The rectangle was already fitted to actualSize(), so the alignment moves nothing.
        Drawn().paint(painter, rect, Qt::AlignCenter, mode, state);
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        return Drawn().pixmap(size, 1.0, mode, state);
    }
    // Called with the size already multiplied by the scale, which the icon multiplies again.
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state,
                         qreal scale) override
    {
        if (!(scale > 1.0))
            return pixmap(size, mode, state);
        return Drawn().pixmap(size / scale, scale, mode, state);
    }
    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        if (!(qApp->devicePixelRatio() > 1.0))
            return Drawn().actualSize(size, mode, state);
        return pixmap(size, mode, state).size(); // the icon would scale the size once more
    }
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override
    {
        return Drawn().availableSizes(mode, state);
    }
    bool isNull() override { return false; }
    QIconEngine* clone() const override { return new DrawnWhenAskedEngine(*this); }

  private:
    const QIcon& Drawn()
    {
        if (m_drawn->isNull())
            *m_drawn = DrawnIcon();
        return *m_drawn;
    }
    std::shared_ptr<QIcon> m_drawn; // shared by the copies, so that it is drawn once
};

} // namespace

QIcon MorvaneIcon()
{
    return QIcon(new DrawnWhenAskedEngine);
}

} // namespace morvane
