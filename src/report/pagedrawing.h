#pragma once
// The printed page of a configuration: drawn with Qt's own painting on any paged device, a
// printer or a PDF, on one page of the paper given. Qt Gui only, so that the command line
// loads it for its report alone and draws without a display.

#include "exchange/reportpage.h"

#include <QByteArray>
#include <QPageLayout>
#include <QPageSize>

#include <memory>

class QCoreApplication;
class QPagedPaintDevice;
class QPainter;

namespace morvane::report
{

// Letter where the locale measures in inches, A4 elsewhere.
QPageSize LocalePaper();

// The paper upright with the page's margins.
QPageLayout PaperLayout(const QPageSize& paper);

// Draws the page within the printable part of the device's page. A text wider than the place
// the layout gives it is drawn smaller until it fits, so that nothing is ever cut off.
void DrawPage(QPainter& painter, const QPagedPaintDevice& device, const ReportPage& page);

// The page as a PDF of one page.
QByteArray PagePdf(const ReportPage& page, const QPageSize& paper);

// The application the drawing needs: fonts come from a GUI application, here on the offscreen
// platform so that no display is needed.
std::unique_ptr<QCoreApplication> DrawingApplication(int& argc, char* argv[]);

} // namespace morvane::report
