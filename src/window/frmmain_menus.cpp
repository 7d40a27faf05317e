// The menu bar above the design area, and opening a file dropped on the window.

#include "window/configcommands.h"
#include "window/filemenu.h"
#include "window/frmmain.h"
#include "window/windowsettings.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QSignalBlocker>
#include <QUrl>

#ifndef MORVANE_VERSION
#define MORVANE_VERSION "unknown"
#endif

namespace morvane
{

namespace
{

QAction* AddAction(QMenu* menu, const QString& text, const char* name, QKeySequence shortcut = {})
{
    QAction* action = menu->addAction(text);
    action->setObjectName(name);
    action->setShortcut(shortcut);
    return action;
}

// The one local file a drag carries, if it carries exactly one.
QString DroppedFile(const QMimeData* data)
{
    if (data == nullptr || !data->hasUrls() || data->urls().size() != 1)
        return {};
    const QUrl url = data->urls().first();
    return url.isLocalFile() ? url.toLocalFile() : QString();
}

// The README the package installs: in the documentation folder beside the program
// (bin/../share/doc), or else in the system's. Nothing of the machine that built the program
// is looked up, nor carried in it.
QString ReadmeLocation()
{
    const QString beside = QDir::cleanPath(QCoreApplication::applicationDirPath() +
                                           "/../share/doc/morvane-config/README.md");
    const QString system = QStringLiteral("/usr/share/doc/morvane-config/README.md");
    return QFileInfo::exists(beside) || !QFileInfo::exists(system) ? beside : system;
}

} // namespace

void FrmMain::BuildMenus()
{
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    m_actionOpen =
        AddAction(file, QStringLiteral("&Open Configuration..."), "actionOpen", QKeySequence::Open);
    m_actionSave =
        AddAction(file, QStringLiteral("&Save Configuration"), "actionSave", QKeySequence::Save);
    m_actionSaveAs = AddAction(file, QStringLiteral("Save Configuration &As..."), "actionSaveAs",
                               QKeySequence(QStringLiteral("Ctrl+Shift+S")));
    file->addSeparator();
    m_actionPrint =
        AddAction(file, QStringLiteral("&Print..."), "actionPrint", QKeySequence::Print);
    m_actionExportPdf = AddAction(file, QStringLiteral("&Export PDF..."), "actionExportPdf");
    m_recentSeparator = file->addSeparator();
    for (std::size_t i = 0; i < m_recentActions.size(); ++i) {
        m_recentActions[i] = file->addAction(QString());
        m_recentActions[i]->setObjectName(QStringLiteral("actionRecent_%1").arg(i));
        m_recentActions[i]->setVisible(false);
    }
    file->addSeparator();
    m_actionQuit = AddAction(file, QStringLiteral("&Quit"), "actionQuit",
                             QKeySequence(QStringLiteral("Ctrl+Q")));
    // Read from the settings when the menu opens, not before the window shows; the list may
    // also have changed since in another run of the program.
    connect(file, &QMenu::aboutToShow, this, [this] { ShowRecentFiles(); });

    QMenu* controller = menuBar()->addMenu(QStringLiteral("&Controller"));
    m_actionCompareWithController = AddAction(
        controller, QStringLiteral("&Compare with Controller"), "actionCompareWithController");
    m_actionVerifyAfterWriting =
        AddAction(controller, QStringLiteral("&Verify After Writing"), "actionVerifyAfterWriting");
    m_actionVerifyAfterWriting->setCheckable(true);
    // Like the recent files: read when the menu opens, since another run may have changed it.
    connect(controller, &QMenu::aboutToShow, this, [this] { ShowVerifyAfterWriting(); });

    BuildConnectionMenu();

    // Left enabled while a command runs: that is when one wants to watch the line.
    QMenu* view = menuBar()->addMenu(QStringLiteral("&View"));
    m_actionLineTraffic = AddAction(view, QStringLiteral("Line &Traffic"), "actionLineTraffic",
                                    QKeySequence(QStringLiteral("Ctrl+T")));

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    m_actionAbout = AddAction(help, QStringLiteral("&About Morvane Config"), "actionAbout");
    setAcceptDrops(true);
}

// Runs only once the files exist (Load() makes them): when the File menu opens or the list
// changes.
void FrmMain::ShowRecentFiles()
{
    const QStringList files = m_files->RecentFiles();
    for (std::size_t i = 0; i < m_recentActions.size(); ++i) {
        QAction* action = m_recentActions[i];
        const bool used = i < std::size_t(files.size());
        action->setVisible(used);
        if (!used)
            continue;
        const QString path = files[qsizetype(i)];
        action->setText(QStringLiteral("&%1 %2").arg(i + 1).arg(QFileInfo(path).fileName()));
        action->setToolTip(path);
        action->setStatusTip(path);
        action->setData(path);
    }
    m_recentSeparator->setVisible(!files.isEmpty());
}

void FrmMain::ShowVerifyAfterWriting()
{
    // Only the user's choice is written back to the settings.
    const QSignalBlocker quiet(m_actionVerifyAfterWriting);
    m_actionVerifyAfterWriting->setChecked(VerifyAfterWritingSetting());
}

void FrmMain::SetFileActionsEnabled(bool enabled)
{
    for (QAction* action : {m_actionOpen, m_actionSave, m_actionSaveAs, m_actionPrint,
                            m_actionExportPdf, m_actionQuit, m_actionAbout})
        action->setEnabled(enabled);
    for (QAction* action : m_recentActions)
        action->setEnabled(enabled);
}

void FrmMain::ShowAbout()
{
    QMessageBox::about(this, QStringLiteral("About Morvane Config"),
                       QStringLiteral("Morvane Config %1\n"
                                      "The configuration utility for the Morvane panel "
                                      "controller.\n\n"
                                      "Built with Qt %2, running on Qt %3.\n\n"
                                      "How to use it: %4")
                           .arg(QStringLiteral(MORVANE_VERSION), QStringLiteral(QT_VERSION_STR),
                                QString::fromUtf8(qVersion()), ReadmeLocation()));
}

void FrmMain::dragEnterEvent(QDragEnterEvent* event)
{
    if (!m_commands->Busy() && !DroppedFile(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void FrmMain::dropEvent(QDropEvent* event)
{
    const QString path = DroppedFile(event->mimeData());
    if (path.isEmpty() || m_commands->Busy())
        return;
    event->acceptProposedAction();
    m_files->OpenFile(path);
}

} // namespace morvane
