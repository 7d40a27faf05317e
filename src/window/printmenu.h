#pragma once
// The File menu's page of the configuration: printed through the system's print dialog with a
// preview, or exported as a PDF. Both record what the window holds now, a value it could not
// send among it, printed as typed and marked: the page records what was seen.

#include "exchange/reportpage.h"

#include <QObject>
#include <QString>

#include <functional>

class QPageSize;
class QPrinter;

namespace morvane
{

class ConfigCommands;
class FileMenu;
class FrmMain;

class PrintMenu : public QObject
{
    Q_OBJECT
  public:
    PrintMenu(FrmMain& window, ConfigCommands& commands, const FileMenu& files);

    // "Print...": the preview, from which the system's print dialog prints.
    void Print();
    // "Export PDF...": asks where, proposing the configuration's name with ".pdf".
    void ExportPdf();
    // Saves the page as a PDF; on failure one message names the file and why, and the status
    // reads "ERROR". An existing file is replaced only by a complete one.
    bool ExportPdfTo(const QString& path);
    // Draws the page on a printer set up by the dialogs.
    static void PrintOn(QPrinter& printer, const ReportPage& page);

    // The page of what the window holds now.
    ReportPage PageNow() const;
    // The paper the system prints on by default: its default printer's, else the locale's.
    static QPageSize DefaultPaper();

    // Asks the user for the PDF's name; an empty result is a cancel. Tests answer instead.
    using FileChooser = std::function<QString(const QString& suggestion)>;
    void SetFileChooser(FileChooser chooser) { m_chooser = std::move(chooser); }

  private:
    QString Suggestion() const;

    FrmMain& m_window;
    ConfigCommands& m_commands;
    const FileMenu& m_files;
    FileChooser m_chooser;
};

} // namespace morvane
