// The Connection menu: its actions and their wiring to the connection, the port and the
// traffic the window records.

#include "exchange/trafficrecorder.h"
#include "port/transportport.h"
#include "window/configcommands.h"
#include "window/connectionmenu.h"
#include "window/findcontroller.h"
#include "window/frmmain.h"

#include <QAction>
#include <QLineEdit>
#include <QMenuBar>

namespace morvane
{

void FrmMain::BuildConnectionMenu()
{
    QMenu* menu = menuBar()->addMenu(QStringLiteral("Co&nnection"));
    m_actionConnectionSettings = menu->addAction(QStringLiteral("&Settings..."));
    m_actionConnectionSettings->setObjectName("actionConnectionSettings");
    m_actionRestoreConnection = menu->addAction(QStringLiteral("&Restore Defaults"));
    m_actionRestoreConnection->setObjectName("actionRestoreConnection");
    menu->addSeparator();
    m_actionFindController = menu->addAction(QStringLiteral("&Find Controller..."));
    m_actionFindController->setObjectName("actionFindController");
}

// The recorder hears of the network connection's events and of each request sent again, so
// the line traffic shows them among the frames.
void FrmMain::WireConnectionMenu()
{
    m_comm1->SetTcpEventSink([this](const TcpEvent& event) { m_recorder->Tcp(event); });
    m_commands->SetRetryListener([this](const std::string& words) { m_recorder->Note(words); });
    m_connections = std::make_unique<ConnectionMenu>(*this, *m_commands, *m_recorder, *m_comm1);
    connect(m_actionConnectionSettings, &QAction::triggered, m_connections.get(),
            [this] { m_connections->OpenSettings(); });
    connect(m_actionRestoreConnection, &QAction::triggered, m_connections.get(),
            [this] { m_connections->RestoreDefaults(); });
    connect(m_actionFindController, &QAction::triggered, m_connections.get(),
            [this] { m_connections->FindUnit(); });
    connect(m_txtCom0, &QLineEdit::textChanged, m_connections.get(),
            [this] { m_connections->ShowInTitle(); });
    // A command under way uses the connection it started with.
    connect(m_commands.get(), &ConfigCommands::busyChanged, this, [this](bool busy) {
        for (QAction* action :
             {m_actionConnectionSettings, m_actionRestoreConnection, m_actionFindController})
            action->setEnabled(!busy);
    });
}

void FrmMain::EndConnectionDialogs()
{
    for (FindController* dialog : findChildren<FindController*>())
        dialog->close();
}

} // namespace morvane
