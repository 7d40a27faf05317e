// The printed page of a configuration, read back as its reader sees it: for an analog, a timer
// and a serial mode every row with its caption, value, register and value sent, the unused rows
// marked, on one page of the paper asked for; the longest captions and values within the places
// the layout gives them, and a value longer than any place still whole on the page.

#include "controller/configsheet.h"
#include "controller/modetable.h"
#include "exchange/reportpage.h"
#include "report/pagedrawing.h"
#include "report/pagelayout.h"

#include "support/pdftext.h"

#include <QFile>
#include <QFontMetricsF>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <QtTest>

#include <set>

using namespace morvane;
using namespace morvane::testing;

Q_DECLARE_METATYPE(morvane::Registers)

namespace
{

ReportPage PageOfSheet(const ConfigSheet& sheet)
{
    return PageOf(sheet, *ResolvePortOption("/dev/ttyUSB0"), Connection{},
                  "/srv/panels/site.morvane");
}

// The page's text, or the reason it could not be read, as the failure to report.
PdfReading Written(const QTemporaryDir& dir, const ReportPage& page, const QPageSize& paper)
{
    const QString path = dir.filePath("page.pdf");
    QFile file(path);
    const QByteArray pdf = report::PagePdf(page, paper);
    if (!file.open(QIODevice::WriteOnly) || file.write(pdf) != pdf.size())
        return {{}, 0, "cannot write " + path};
    file.close();
    return ReadPdf(path);
}

// Every caption a row takes in some mode, and every mode's name.
std::set<std::string> AllCaptions()
{
    std::set<std::string> captions;
    for (const field::Row& row : field::kRows)
        captions.insert(std::string(row.caption));
    for (int m = mode::kFirst; m <= mode::kLast; ++m)
        for (const auto& caption : {ModeRowFor(m).caption3, ModeRowFor(m).caption4})
            if (caption)
                captions.insert(std::string(*caption));
    return captions;
}

} // namespace

class TestReportPage : public QObject
{
    Q_OBJECT
  private slots:
    void pageReadsBack_data();
    void pageReadsBack();
    void longestTextsFitTheirPlaces_data();
    void longestTextsFitTheirPlaces();

  private:
    QTemporaryDir m_dir;
};

void TestReportPage::pageReadsBack_data()
{
    QTest::addColumn<Registers>("registers");
    QTest::addColumn<int>("paper");
    QTest::addColumn<QString>("paperName"); // as pdfinfo names it
    QTest::addColumn<QStringList>("captions");
    QTest::addColumn<QStringList>("unused");
    QTest::addColumn<QString>("typeAndMode");
    const QStringList common{"Digits", "Dec Place", "Mode"};
    const QStringList rest{"Disp Delay", "Debounce", "Address", "Baud", "Parity", "4mA Value"};
    QTest::newRow("0-20mA on A4") << Registers{2, 2, 0, 100, 500, 20, 1, 3, 0} << int(QPageSize::A4)
                                  << "(A4)"
                                  << common + QStringList{"0mA Value", "20mA Value"} + rest
                                  << QStringList{"Debounce", "Address", "Baud", "Parity"}
                                  << "Analog 0-20mA";
    // Choosing Digital passes through the counter, whose second caption the timer keeps.
    QTest::newRow("Up Timer on Letter")
        << Registers{3, 9, 40000, 65535, 250, 20, 1, 3, 0} << int(QPageSize::Letter) << "(letter)"
        << common + QStringList{"Seconds", "Reset To"} + rest
        << QStringList{"Reset To", "Debounce", "Address", "Baud", "Parity", "4mA Value"}
        << "Digital Up Timer";
    QTest::newRow("Modbus Signed Long on A4")
        << Registers{0, 11, 5, 6, 500, 20, 247, 7, 2} << int(QPageSize::A4) << "(A4)"
        << common + QStringList{"0V Value", "5V Value"} + rest
        << QStringList{"0V Value", "5V Value", "Debounce", "4mA Value"}
        << "Serial Modbus Signed Long";
}

void TestReportPage::pageReadsBack()
{
    QFETCH(Registers, registers);
    QFETCH(int, paper);
    QFETCH(QString, paperName);
    QFETCH(QStringList, captions);
    QFETCH(QStringList, unused);
    QFETCH(QString, typeAndMode);
    const ShownConfiguration shown = ConfigurationAsShown(5, registers);
    const ReportPage page = PageOfSheet(SheetAfterShowing(shown));

    const PdfReading pdf = Written(m_dir, page, QPageSize(QPageSize::PageSizeId(paper)));
    QVERIFY2(pdf.problem.isEmpty(), qPrintable(pdf.problem));
    QCOMPARE(pdf.pages, 1);
    QString problem;
    const QString info = RunPoppler("pdfinfo", {m_dir.filePath("page.pdf")}, problem);
    QVERIFY2(
        info.contains(QRegularExpression("Page size:.*" + QRegularExpression::escape(paperName))),
        qPrintable(info + problem));
    for (int r = 0; r < field::kCount; ++r) {
        const QString text = QString::fromStdString(shown.texts[std::size_t(r)]).trimmed();
        QStringList expected;
        if (field::IsRegisterField(r))
            expected << QString("Param%1").arg(r);
        expected << captions[r] << text;
        if (field::IsRegisterField(r))
            expected << QString::number(r + 2)
                     << QString::number(shown.registers[RegisterIndexOfField(r)]);
        if (unused.contains(captions[r]))
            expected << "not used";
        QCOMPARE(LineWith(pdf.text, captions[r]), expected.join(' '));
    }
    QCOMPARE(LineWith(pdf.text, "Input type").split(' ').last(), typeAndMode.split(' ').first());
    QCOMPARE(LineWith(pdf.text, "Input mode"), "Input mode " + typeAndMode.section(' ', 1));
    QCOMPARE(LineWith(pdf.text, "Connection"), "Connection /dev/ttyUSB0, slave 1, 9600 8N1");
    QCOMPARE(LineWith(pdf.text, "File"), "File /srv/panels/site.morvane");
    QCOMPARE(LineWith(pdf.text, "preview"),
             "Display preview Min: " + QString::fromStdString(page.sheet.preview.min) +
                 " Max: " + QString::fromStdString(page.sheet.preview.max));
    QVERIFY(pdf.text.startsWith("Morvane Config "));
    QVERIFY(LineWith(pdf.text, "Checked by").contains(QRegularExpression("Checked by\\s+Date$")));
}

void TestReportPage::longestTextsFitTheirPlaces_data()
{
    QTest::addColumn<int>("paper");
    QTest::newRow("A4") << int(QPageSize::A4);
    QTest::newRow("Letter") << int(QPageSize::Letter);
}

// Every caption and mode name with values of 11 characters, every mark at once: each text
// within its place at its own size, no place over another, all within the printable part.
void TestReportPage::longestTextsFitTheirPlaces()
{
    QFETCH(int, paper);
    QPdfWriter device(m_dir.filePath("measure.pdf"));
    device.setPageLayout(report::PaperLayout(QPageSize(QPageSize::PageSizeId(paper))));
    const QRectF area(QPointF(0, 0),
                      device.pageLayout().paintRectPixels(device.resolution()).size());
    for (const std::string& caption : AllCaptions()) {
        for (const char* value : {"-8888888888", "WWWWWWWWWWW", "-2147483648"}) {
            std::array<ShownRow, field::kCount> rows;
            for (ShownRow& row : rows)
                row = {caption, value, false};
            ConfigSheet sheet =
                SheetOfShownRows(rows, 1, mode::kQuadratureCounter, {"-9.99999999", "99.99999999"});
            sheet.mode = "Modbus Signed Long";
            const report::PageLayout layout = report::LayOutPage(PageOfSheet(sheet), area, device);
            for (std::size_t i = 0; i < layout.texts.size(); ++i) {
                const report::PlacedText& placed = layout.texts[i];
                const double width =
                    QFontMetricsF(placed.font, &device).horizontalAdvance(placed.text);
                QVERIFY2(width <= placed.box.width(),
                         qPrintable(placed.text + " is wider than its place"));
                QVERIFY2(area.contains(placed.box), qPrintable(placed.text + " is off the page"));
                for (std::size_t j = 0; j < i; ++j)
                    QVERIFY2(!placed.box.intersects(layout.texts[j].box),
                             qPrintable(placed.text + " lies over " + layout.texts[j].text));
            }
        }
    }

    // Beyond any place, a text is drawn smaller and stays whole.
    std::array<ShownRow, field::kCount> rows;
    const std::string longValue = "1234567890123456789012345678901234567890";
    rows[field::kDispDelay] = {"Disp Delay: ", longValue, true};
    const PdfReading pdf = Written(m_dir, PageOfSheet(SheetOfShownRows(rows, 0, 1, {})),
                                   QPageSize(QPageSize::PageSizeId(paper)));
    QVERIFY2(pdf.problem.isEmpty(), qPrintable(pdf.problem));
    QVERIFY(QString(pdf.text).remove(QLatin1Char(' ')).contains(QString::fromStdString(longValue)));
}

QTEST_MAIN(TestReportPage)
#include "tst_reportpage.moc"
