#include "window/filemenu.h"

#include "configfile/configfile.h"
#include "controller/configsheet.h"
#include "controller/fields.h"
#include "controller/shownconfig.h"
#include "exchange/failurewords.h"
#include "files/wholefile.h"
#include "window/configcommands.h"
#include "window/frmmain.h"
#include "window/windowsettings.h"
#include "window/windowwords.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

namespace morvane
{

namespace
{

const QString kSuffix = QStringLiteral("morvane");
const QString kRecentKey = QStringLiteral("recentFiles");

std::string Native(const QString& path)
{
    return QDir::toNativeSeparators(path).toStdString();
}

std::string FileName(const QString& path)
{
    return QFileInfo(path).fileName().toStdString();
}

// What the window shows, for whoever reads the file.
ConfigNotes NotesOf(const FrmMain& window)
{
    ConfigNotes notes;
    for (int f = field::kFirstRegisterField; f <= field::kLastRegisterField; ++f)
        notes.fields.emplace_back(window.Label5(f)->text().toStdString(),
                                  window.Text1(f)->text().toStdString());
    for (int m = mode::kFirst; m <= mode::kLast; ++m)
        if (window.Option2(m)->isChecked())
            notes.mode = window.Option2(m)->text().toStdString();
    notes.saved = QDateTime::currentDateTimeUtc();
    return notes;
}

} // namespace

FileMenu::FileMenu(FrmMain& window, ConfigCommands& commands)
    : m_window(window), m_commands(commands)
{
}

void FileMenu::Open()
{
    const QString path = ChooseFile(false);
    if (!path.isEmpty())
        OpenFile(path);
}

void FileMenu::Save()
{
    if (m_current.isEmpty())
        SaveAs();
    else
        SaveFile(m_current);
}

void FileMenu::SaveAs()
{
    QString path = ChooseFile(true);
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += "." + kSuffix;
    SaveFile(path);
}

bool FileMenu::OpenFile(const QString& path)
{
    if (m_commands.Busy())
        return false;
    // Read and checked whole before the window changes at all.
    const ConfigFileResult file = ReadConfigFile(path);
    if (!file.config) {
        m_commands.host().ShowMessage(kErrorTitle,
                                      ConfigOpenFailureText(Native(path), file.problem));
        return false;
    }
    // The registers as the file means them, which is what the command line's write sends.
    const ShownConfiguration shown =
        ConfigurationAsShown(file.config->digits, file.config->registers);
    // Digits first, so that Dec Place is held to the file's Digits, not to the old one.
    m_window.Text1(field::kDigits)->setText(QString::number(file.config->digits));
    m_commands.ShowRegisterValues(shown.registers);
    m_current = path;
    Remember(path);
    m_commands.host().SetStatus(OpenedStatus(FileName(path)));
    return true;
}

bool FileMenu::SaveFile(const QString& path)
{
    if (m_commands.Busy())
        return false;
    const auto values = m_commands.FieldRegisterValues(kNothingSaved);
    if (!values) {
        m_commands.host().SetStatus(status::kError);
        return false;
    }
    const QString digitsText = m_window.Text1(field::kDigits)->text();
    const std::optional<int> digits = DigitsOfText(digitsText.toStdString());
    if (!digits) {
        m_commands.host().ShowMessage(kErrorTitle, DigitsRefusalText(digitsText.toStdString()));
        m_commands.host().SetStatus(status::kError);
        return false;
    }
    Configuration config;
    config.digits = *digits;
    config.registers = *values;
    const QByteArray text = ConfigFileText(config, NotesOf(m_window));

    // A failure or a crash never leaves half a configuration where the last good one was.
    if (const std::optional<SaveFailure> failure = SaveWholeFile(path, text))
        return FailSave(path, failure->reason);
    m_current = path;
    Remember(path);
    m_commands.host().SetStatus(SavedStatus(FileName(path)));
    return true;
}

bool FileMenu::FailSave(const QString& path, const std::string& reason)
{
    m_commands.host().ShowMessage(kErrorTitle, ConfigSaveFailureText(Native(path), reason));
    m_commands.host().SetStatus(status::kError);
    return false;
}

QStringList FileMenu::RecentFiles() const
{
    QStringList files = WindowSettings().value(kRecentKey).toStringList();
    files.removeAll(QString());
    return files.mid(0, kMostRecentFiles);
}

void FileMenu::Remember(const QString& path)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    QStringList files = RecentFiles();
    files.removeAll(absolute);
    files.prepend(absolute);
    WindowSettings().setValue(kRecentKey, files.mid(0, kMostRecentFiles));
    emit recentFilesChanged();
}

QString FileMenu::ChooseFile(bool forSaving) const
{
    const QStringList recent = RecentFiles();
    const QString suggestion = !m_current.isEmpty() ? m_current
                               : !recent.isEmpty()  ? QFileInfo(recent.first()).absolutePath()
                                                    : QDir::homePath();
    if (m_chooser)
        return m_chooser(forSaving, suggestion);
    const QString filter =
        QStringLiteral("Morvane configuration (*.%1);;All files (*)").arg(kSuffix);
    if (forSaving)
        return QFileDialog::getSaveFileName(&m_window, QStringLiteral("Save Configuration"),
                                            suggestion, filter);
    return QFileDialog::getOpenFileName(&m_window, QStringLiteral("Open Configuration"), suggestion,
                                        filter);
}

} // namespace morvane
