// The load step and the window's wiring: the port, the traffic recorder, the commands, the
// File menu and its printing, connected to the buttons, the watchdog timer and the menus.

#include "exchange/trafficrecorder.h"
#include "port/eventpump.h"
#include "port/transportport.h"
#include "protocol/crc16.h"
#include "window/configcommands.h"
#include "window/connectionmenu.h"
#include "window/filemenu.h"
#include "window/frmmain.h"
#include "window/portlist.h"
#include "window/printmenu.h"
#include "window/trafficwindow.h"
#include "window/windowsettings.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QPushButton>
#include <QTimer>

namespace morvane
{

FrmMain::~FrmMain() = default;

// The window owns the port and the commands; loading builds the CRC tables and nothing else:
// no port is opened and no timer started until a command runs.
void FrmMain::Load()
{
    m_comm1 = new TransportPort(SystemEnvironment, this);
    m_comm1->setObjectName("Comm1");
    m_traffic = new TrafficModel(this);
    m_recorder = std::make_unique<TrafficRecorder>(
        *m_comm1, ConfigSlaveAddress,
        [clock = std::make_shared<LocalTimeOfDay>()] { return clock->SecondsSinceMidnight(); },
        [this](TrafficRow row) { m_traffic->Append(std::move(row)); });
    m_commands = std::make_unique<ConfigCommands>(*this, *m_recorder);
    ModbusCrcInit(m_commands->link().state);
    connect(m_commands.get(), &ConfigCommands::ended, m_traffic,
            [this](const QString& words) { m_recorder->CommandEnded(words.toStdString()); });
    connect(m_actionLineTraffic, &QAction::triggered, this, [this] { ShowLineTraffic(); });
    AttachPortList(m_txtCom0);

    connect(m_command1, &QPushButton::clicked, m_commands.get(),
            [this] { m_commands->ReadFromController(); });
    connect(m_command2, &QPushButton::clicked, m_commands.get(),
            [this] { m_commands->WriteToController(); });
    connect(m_timer1, &QTimer::timeout, m_commands.get(), [this] { m_commands->WatchdogTicked(); });
    connect(m_actionCompareWithController, &QAction::triggered, m_commands.get(),
            [this] { m_commands->CompareWithController(); });
    // Asked at each acknowledged write, so that the setting is never read at start.
    m_commands->SetVerifyAfterWriting(VerifyAfterWritingSetting);
    connect(m_actionVerifyAfterWriting, &QAction::triggered, this, SetVerifyAfterWritingSetting);

    m_files = std::make_unique<FileMenu>(*this, *m_commands);
    connect(m_actionOpen, &QAction::triggered, m_files.get(), [this] { m_files->Open(); });
    connect(m_actionSave, &QAction::triggered, m_files.get(), [this] { m_files->Save(); });
    connect(m_actionSaveAs, &QAction::triggered, m_files.get(), [this] { m_files->SaveAs(); });
    for (QAction* recent : m_recentActions)
        connect(recent, &QAction::triggered, m_files.get(),
                [this, recent] { m_files->OpenFile(recent->data().toString()); });
    m_printing = std::make_unique<PrintMenu>(*this, *m_commands, *m_files);
    connect(m_actionPrint, &QAction::triggered, m_printing.get(), [this] { m_printing->Print(); });
    connect(m_actionExportPdf, &QAction::triggered, m_printing.get(),
            [this] { m_printing->ExportPdf(); });
    connect(m_actionQuit, &QAction::triggered, this, &QWidget::close);
    connect(m_actionAbout, &QAction::triggered, this, [this] { ShowAbout(); });
    connect(m_files.get(), &FileMenu::recentFilesChanged, this, [this] { ShowRecentFiles(); });
    // A command under way owns the fields: nothing may open a file into them meanwhile.
    connect(m_commands.get(), &ConfigCommands::busyChanged, this,
            [this](bool busy) { SetFileActionsEnabled(!busy); });
    connect(m_commands.get(), &ConfigCommands::busyChanged, m_actionCompareWithController,
            [this](bool busy) { m_actionCompareWithController->setEnabled(!busy); });
    WireConnectionMenu();
}

void FrmMain::closeEvent(QCloseEvent* event)
{
    // The command's wait runs inside this window's event handling: without this it would keep
    // the program alive, windowless, until the controller's time limit.
    m_commands->Abandon();
    if (m_trafficWindow)
        m_trafficWindow->close();
    EndConnectionDialogs();
    QMainWindow::closeEvent(event);
}

void FrmMain::CloseForStop()
{
    // First, in case some window will not close.
    m_commands->Abandon();
    QApplication::closeAllWindows();
}

void FrmMain::changeEvent(QEvent* event)
{
    // The window's own palette is the desktop's: a change of it is a change of the desktop's.
    if (event->type() == QEvent::PaletteChange && m_client)
        ShowDesktopColours();
    QMainWindow::changeEvent(event);
}

// Made when first asked for; the rows are kept all along.
TrafficWindow* FrmMain::ShowLineTraffic()
{
    if (!m_trafficWindow)
        m_trafficWindow = new TrafficWindow(*m_traffic, m_commands->host(), this);
    m_trafficWindow->show();
    m_trafficWindow->raise();
    m_trafficWindow->activateWindow();
    return m_trafficWindow;
}

} // namespace morvane
