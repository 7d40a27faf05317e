#pragma once
// The File menu's commands: saving what the window holds to a configuration file, opening a
// file into it, and the list of files opened or saved lately. A file holds the nine register values
// exactly as "Write To Controller" would send them, so opening one is a read without the
// controller; what it shows is what ConfigurationAsShown makes of the file.

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <string>

namespace morvane
{

class ConfigCommands;
class FrmMain;

class FileMenu : public QObject
{
    Q_OBJECT
  public:
    static constexpr int kMostRecentFiles = 8;

    FileMenu(FrmMain& window, ConfigCommands& commands);

    // The menu's commands: each asks for a file where it needs one.
    void Open();
    void Save();
    void SaveAs();

    // Opens the file into the window. On any problem one message names the file and the
    // problem, and the window keeps everything it showed. Nothing is sent to the controller.
    bool OpenFile(const QString& path);
    // Saves what the window holds. A value the write would refuse is refused here the same way
    // and nothing is written; an existing file is replaced only by a complete one.
    bool SaveFile(const QString& path);

    QString CurrentFile() const { return m_current; }
    // Most recent first, at most kMostRecentFiles; kept between runs.
    QStringList RecentFiles() const;

    // Asks the user for a file; an empty result is a cancel. Tests answer instead of a dialog.
    using FileChooser = std::function<QString(bool forSaving, const QString& suggestion)>;
    void SetFileChooser(FileChooser chooser) { m_chooser = std::move(chooser); }

  signals:
    void recentFilesChanged();

  private:
    QString ChooseFile(bool forSaving) const;
    void Remember(const QString& path);
    bool FailSave(const QString& path, const std::string& reason);

    FrmMain& m_window;
    ConfigCommands& m_commands;
    QString m_current;
    FileChooser m_chooser;
};

} // namespace morvane
