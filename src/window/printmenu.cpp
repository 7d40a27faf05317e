#include "window/printmenu.h"

#include "controller/configsheet.h"
#include "exchange/failurewords.h"
#include "files/wholefile.h"
#include "port/portresolve.h"
#include "report/pagedrawing.h"
#include "window/configcommands.h"
#include "window/connectionmenu.h"
#include "window/filemenu.h"
#include "window/frmmain.h"
#include "window/windowwords.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QRadioButton>

namespace morvane
{

namespace
{

const QString kPdfSuffix = QStringLiteral("pdf");
const QString kPageTitle = QStringLiteral("Configuration of a Morvane panel controller");

std::string Native(const QString& path)
{
    return QDir::toNativeSeparators(path).toStdString();
}

int CheckedType(const FrmMain& window)
{
    for (int t = 0; t < input::kTypeCount; ++t)
        if (window.Option1(t)->isChecked())
            return t;
    return window.InputType();
}

int CheckedMode(const FrmMain& window)
{
    for (int m = mode::kFirst; m <= mode::kLast; ++m)
        if (window.Option2(m)->isChecked())
            return m;
    return mode::kDesign;
}

ShownRow RowOf(const FrmMain& window, int index)
{
    const QLineEdit* text = window.Text1(index);
    // The 4 mA row is shown or hidden by the mode, the others enabled or greyed out.
    const bool used =
        index == field::kFourMa ? !text->isHidden() : text->isEnabledTo(window.ClientArea());
    return {window.Label5(index)->text().toStdString(), text->text().toStdString(), used};
}

} // namespace

PrintMenu::PrintMenu(FrmMain& window, ConfigCommands& commands, const FileMenu& files)
    : m_window(window), m_commands(commands), m_files(files)
{
}

ReportPage PrintMenu::PageNow() const
{
    std::array<ShownRow, field::kCount> rows;
    for (int i = 0; i < field::kCount; ++i)
        rows[std::size_t(i)] = RowOf(m_window, i);
    const DisplayRange preview{m_window.Label3()->text().toStdString(),
                               m_window.Label4()->text().toStdString()};
    const QString file = m_files.CurrentFile();
    return PageOf(SheetOfShownRows(rows, CheckedType(m_window), CheckedMode(m_window), preview),
                  ResolvePort(m_window.txtCom(0)->text().toStdString()),
                  m_window.Connections().Current(),
                  file.isEmpty() ? std::string() : Native(QFileInfo(file).absoluteFilePath()));
}

QPageSize PrintMenu::DefaultPaper()
{
    const QPrinterInfo printer = QPrinterInfo::defaultPrinter();
    if (!printer.isNull() && printer.defaultPageSize().isValid())
        return printer.defaultPageSize();
    return report::LocalePaper();
}

void PrintMenu::PrintOn(QPrinter& printer, const ReportPage& page)
{
    QPainter painter(&printer);
    report::DrawPage(painter, printer, page);
}

void PrintMenu::Print()
{
    if (m_commands.Busy())
        return;
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageLayout(report::PaperLayout(DefaultPaper()));
    printer.setDocName(kPageTitle);
    const ReportPage page = PageNow();
    QPrintPreviewDialog preview(&printer, &m_window);
    connect(&preview, &QPrintPreviewDialog::paintRequested, this,
            [&page](QPrinter* target) { PrintOn(*target, page); });
    preview.exec();
}

void PrintMenu::ExportPdf()
{
    if (m_commands.Busy())
        return;
    QString path = m_chooser ? m_chooser(Suggestion())
                             : QFileDialog::getSaveFileName(
                                   &m_window, QStringLiteral("Export PDF"), Suggestion(),
                                   QStringLiteral("PDF (*.%1);;All files (*)").arg(kPdfSuffix));
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += "." + kPdfSuffix;
    ExportPdfTo(path);
}

bool PrintMenu::ExportPdfTo(const QString& path)
{
    if (m_commands.Busy())
        return false;
    const QByteArray pdf = report::PagePdf(PageNow(), DefaultPaper());
    // As every save: a failure never leaves half a page where a whole one was.
    if (const std::optional<SaveFailure> failure = SaveWholeFile(path, pdf)) {
        m_commands.host().ShowMessage(kErrorTitle,
                                      PageSaveFailureText(Native(path), failure->reason));
        m_commands.host().SetStatus(status::kError);
        return false;
    }
    m_commands.host().SetStatus(SavedStatus(QFileInfo(path).fileName().toStdString()));
    return true;
}

// The configuration's name beside it, else a name in the folder of the last file used.
QString PrintMenu::Suggestion() const
{
    const QString current = m_files.CurrentFile();
    if (!current.isEmpty()) {
        const QFileInfo info(current);
        return info.dir().filePath(info.completeBaseName() + "." + kPdfSuffix);
    }
    const QStringList recent = m_files.RecentFiles();
    const QString folder =
        recent.isEmpty() ? QDir::homePath() : QFileInfo(recent.first()).absolutePath();
    return QDir(folder).filePath("configuration." + kPdfSuffix);
}

} // namespace morvane
