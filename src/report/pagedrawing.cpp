#include "report/pagedrawing.h"

#include "report/pagelayout.h"

#include <QBuffer>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QLocale>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>

namespace morvane::report
{

namespace
{

constexpr double kMarginMm = 15;

// A hair under the exact ratio, for rounding in the font's metrics.
constexpr double kShrinkSlack = 0.98;

void DrawFitted(QPainter& painter, const PlacedText& placed)
{
    QFont font = placed.font;
    const double width = QFontMetricsF(font, painter.device()).horizontalAdvance(placed.text);
    if (width > placed.box.width() && placed.box.width() > 0)
        font.setPointSizeF(font.pointSizeF() * kShrinkSlack * placed.box.width() / width);
    painter.setFont(font);
    painter.setPen(placed.colour);
    painter.drawText(placed.box, int(placed.alignment) | Qt::TextSingleLine | Qt::TextDontClip,
                     placed.text);
}

QRectF PrintableArea(const QPagedPaintDevice& device)
{
    const QRect paint = device.pageLayout().paintRectPixels(device.logicalDpiX());
    return QRectF(QPointF(0, 0), QSizeF(paint.size()));
}

// The platform asks where its runtime files go; a script's session may have no such folder
// named, and the one Qt then takes does for a page. Everything else is passed on.
QtMessageHandler g_passOn = nullptr;

void QuietAboutRuntimeFolder(QtMsgType type, const QMessageLogContext& context,
                             const QString& message)
{
    if (type == QtWarningMsg && message.startsWith(QStringLiteral("QStandardPaths: ")))
        return;
    if (g_passOn)
        g_passOn(type, context, message);
}

} // namespace

QPageSize LocalePaper()
{
    return QPageSize(QLocale::system().measurementSystem() == QLocale::ImperialUSSystem
                         ? QPageSize::Letter
                         : QPageSize::A4);
}

QPageLayout PaperLayout(const QPageSize& paper)
{
    return QPageLayout(paper, QPageLayout::Portrait,
                       QMarginsF(kMarginMm, kMarginMm, kMarginMm, kMarginMm),
                       QPageLayout::Millimeter);
}

void DrawPage(QPainter& painter, const QPagedPaintDevice& device, const ReportPage& page)
{
    const PageLayout layout = LayOutPage(page, PrintableArea(device), device);
    painter.setPen(QPen(Qt::black, device.logicalDpiX() / 72.0 * 0.6));
    for (const QLineF& line : layout.lines)
        painter.drawLine(line);
    for (const PlacedText& placed : layout.texts)
        DrawFitted(painter, placed);
}

QByteArray PagePdf(const ReportPage& page, const QPageSize& paper)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setPageLayout(PaperLayout(paper));
        writer.setTitle(QStringLiteral("Configuration of a Morvane panel controller"));
        writer.setCreator(QString::fromStdString(page.program));
        QPainter painter(&writer);
        DrawPage(painter, writer, page);
    }
    return bytes;
}

std::unique_ptr<QCoreApplication> DrawingApplication(int& argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    g_passOn = qInstallMessageHandler(QuietAboutRuntimeFolder);
    return std::make_unique<QGuiApplication>(argc, argv);
}

} // namespace morvane::report
