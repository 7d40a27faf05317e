#include "report/pagelayout.h"

#include <QPaintDevice>
#include <QStringList>

#include <array>

namespace morvane::report
{

namespace
{

// Sizes in points; the layout turns them into the device's units.
constexpr double kTitleSize = 16;
constexpr double kTextSize = 10;
constexpr double kHeaderSize = 9;
constexpr double kTitleHeight = 26;
constexpr double kLineHeight = 17;
constexpr double kRowHeight = 19;
constexpr double kLabelWidth = 110;
constexpr double kPreviewPairWidth = 130;
constexpr double kCellPadding = 4;
constexpr double kSignatureSpace = 70; // above the bottom edge

// The table's columns from the left: Param, caption, value, register, sent; the note takes the
// rest. The value column holds 11 characters of the fixed-pitch font with room to spare.
constexpr std::array<double, 5> kColumnWidths = {52, 100, 100, 56, 62};

const QColor kInk(0, 0, 0);
const QColor kGreyedOut(0x70, 0x70, 0x70);
const QColor kFaulty(0xA0, 0x00, 0x00);

QFont Font(const char* family, QFont::StyleHint hint, double points, bool bold)
{
    QFont font(QString::fromLatin1(family));
    // No ligatures: "fi" stays two letters for whoever searches or copies the page's text.
    font.setStyleHint(hint, QFont::PreferNoShaping);
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

QFont Sans(double points = kTextSize, bool bold = false)
{
    return Font("DejaVu Sans", QFont::SansSerif, points, bold);
}

// Values in a fixed pitch, so that the widest value of a length is as wide as any other.
QFont Mono(bool bold = false)
{
    return Font("DejaVu Sans Mono", QFont::TypeWriter, kTextSize, bold);
}

QString Q(const std::string& text)
{
    return QString::fromStdString(text);
}

QString NoteOf(const SheetRow& row)
{
    QStringList marks;
    if (!row.used)
        marks << words::kNotUsed;
    if (row.fault == ValueFault::OutOfRange)
        marks << words::kOutOfRange;
    else if (row.fault == ValueFault::NotANumber)
        marks << words::kNotANumber;
    return marks.join(QStringLiteral(", "));
}

QString SentOf(const SheetRow& row)
{
    if (!row.reg)
        return {};
    return row.sent ? QString::number(*row.sent) : QString::fromLatin1(words::kNotSent);
}

class Builder
{
  public:
    Builder(const QRectF& area, const QPaintDevice& device)
        : m_area(area), m_unit(device.logicalDpiY() / 72.0), m_y(area.top())
    {
    }

    double Pt(double points) const { return points * m_unit; }
    // A text in the band that starts at the current height, `left` points from the margin.
    void Place(const QString& text, double left, double width, double height, const QFont& font,
               const QColor& colour = kInk)
    {
        const QRectF box(m_area.left() + Pt(left), m_y, Pt(width), Pt(height));
        m_layout.texts.push_back({text, box, font, colour, Qt::AlignLeft | Qt::AlignVCenter});
    }
    void Down(double points) { m_y += Pt(points); }
    void MoveTo(double y) { m_y = y; }
    void Rule() { m_layout.lines.emplace_back(m_area.left(), m_y, m_area.right(), m_y); }
    void Line(double left, double right)
    {
        m_layout.lines.emplace_back(m_area.left() + Pt(left), m_y, m_area.left() + Pt(right), m_y);
    }
    double Width() const { return m_area.width() / m_unit; }
    double Bottom() const { return m_area.bottom(); }
    PageLayout Take() { return std::move(m_layout); }

  private:
    QRectF m_area;
    double m_unit; // device units per point
    double m_y;
    PageLayout m_layout;
};

void PlaceHeading(Builder& b, const ReportPage& page)
{
    b.Place(Q(page.program), 0, b.Width(), kTitleHeight, Sans(kTitleSize, true));
    b.Down(kTitleHeight);
    b.Place(QStringLiteral("Configuration of a Morvane panel controller"), 0, b.Width(),
            kLineHeight, Sans());
    b.Down(kLineHeight + 4);
    b.Rule();
    b.Down(8);
}

void PlaceInfo(Builder& b, const QString& label, const QString& value, const QFont& font = Sans())
{
    b.Place(label, 0, kLabelWidth, kLineHeight, Sans(kTextSize, true));
    b.Place(value, kLabelWidth, b.Width() - kLabelWidth, kLineHeight, font);
    b.Down(kLineHeight);
}

void PlacePreview(Builder& b, const DisplayRange& preview)
{
    b.Place(QStringLiteral("Display preview"), 0, kLabelWidth, kLineHeight, Sans(kTextSize, true));
    const std::array<std::pair<const char*, const std::string*>, 2> pairs = {
        {{"Min:", &preview.min}, {"Max:", &preview.max}}};
    double left = kLabelWidth;
    for (const auto& [caption, value] : pairs) {
        b.Place(QString::fromLatin1(caption), left, 34, kLineHeight, Sans());
        b.Place(Q(*value), left + 34, kPreviewPairWidth - 34, kLineHeight, Mono(true));
        left += kPreviewPairWidth;
    }
    b.Down(kLineHeight);
}

void PlaceCells(Builder& b, const std::array<QString, 6>& cells, double height,
                const std::array<QFont, 6>& fonts, const std::array<QColor, 6>& colours)
{
    double left = 0;
    for (std::size_t c = 0; c < cells.size(); ++c) {
        const double width = c < kColumnWidths.size() ? kColumnWidths[c] : b.Width() - left;
        b.Place(cells[c], left + kCellPadding, width - 2 * kCellPadding, height, fonts[c],
                colours[c]);
        left += width;
    }
    b.Down(height);
}

void PlaceTable(Builder& b, const ConfigSheet& sheet)
{
    const QFont header = Sans(kHeaderSize, true);
    PlaceCells(b, {QString(), "Caption", "Value", "Register", "Sent as", "Note"}, kLineHeight,
               {header, header, header, header, header, header},
               {kInk, kInk, kInk, kInk, kInk, kInk});
    b.Rule();
    for (const SheetRow& row : sheet.rows) {
        const QColor ink = row.used ? kInk : kGreyedOut;
        const QColor value = row.fault == ValueFault::None ? ink : kFaulty;
        PlaceCells(b,
                   {Q(row.param), Q(row.caption), Q(row.text),
                    row.reg ? QString::number(*row.reg) : QString(), SentOf(row), NoteOf(row)},
                   kRowHeight, {Sans(), Sans(), Mono(), Mono(), Mono(), Sans(kHeaderSize)},
                   {ink, ink, value, ink, ink, value});
    }
    b.Rule();
}

void PlaceSignatures(Builder& b)
{
    b.MoveTo(b.Bottom() - b.Pt(kSignatureSpace));
    b.Place(QString::fromLatin1(words::kCheckedBy), 0, 70, kLineHeight, Sans());
    b.Place(QString::fromLatin1(words::kDate), 320, 40, kLineHeight, Sans());
    b.Down(kLineHeight);
    b.Line(70, 300);
    b.Line(360, b.Width());
}

} // namespace

PageLayout LayOutPage(const ReportPage& page, const QRectF& area, const QPaintDevice& device)
{
    Builder b(area, device);
    PlaceHeading(b, page);
    PlaceInfo(b, QStringLiteral("Date and time"), Q(page.madeAt));
    PlaceInfo(b, QStringLiteral("Connection"), Q(page.connection));
    if (!page.file.empty())
        PlaceInfo(b, QStringLiteral("File"), Q(page.file));
    PlaceInfo(b, QStringLiteral("Input type"), Q(page.sheet.inputType));
    PlaceInfo(b, QStringLiteral("Input mode"), Q(page.sheet.mode));
    PlacePreview(b, page.sheet.preview);
    b.Down(14);
    PlaceTable(b, page.sheet);
    PlaceSignatures(b);
    return b.Take();
}

} // namespace morvane::report
