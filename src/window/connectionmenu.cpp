#include "window/connectionmenu.h"

#include "exchange/trafficrecorder.h"
#include "port/transportport.h"
#include "window/configcommands.h"
#include "window/connectionsettings.h"
#include "window/findcontroller.h"
#include "window/frmmain.h"
#include "window/windowwords.h"

#include <QLineEdit>
#include <QSettings>

namespace morvane
{

namespace
{

QSettings Settings()
{
    return QSettings(QStringLiteral("Morvane"), QStringLiteral("morvane-config"));
}

const QString kGroup = QStringLiteral("connection");

} // namespace

Connection KeptConnection()
{
    QSettings settings = Settings();
    settings.beginGroup(kGroup);
    Connection kept;
    const auto read = [&settings](const char* key, int fallback) {
        bool ok = false;
        const int value = settings.value(key, fallback).toInt(&ok);
        return ok ? value : -1;
    };
    kept.slave = read("slave", kept.slave);
    kept.baud = read("baud", kept.baud);
    kept.parity = ParityOfWord(settings.value("parity", "none").toString().toStdString())
                      .value_or(Parity::None);
    kept.stopBits = read("stopBits", kept.stopBits);
    kept.timeLimitMs = read("timeLimitMs", kept.timeLimitMs);
    kept.retries = read("retries", kept.retries);
    // A file edited by hand or by another version must not reach a unit with nonsense.
    return kept.IsValid() ? kept : Connection{};
}

void KeepConnection(const Connection& c)
{
    QSettings settings = Settings();
    settings.beginGroup(kGroup);
    settings.setValue("slave", c.slave);
    settings.setValue("baud", c.baud);
    settings.setValue("parity", QString::fromLatin1(ParityWord(c.parity).data()));
    settings.setValue("stopBits", c.stopBits);
    settings.setValue("timeLimitMs", c.timeLimitMs);
    settings.setValue("retries", c.retries);
}

ConnectionMenu::ConnectionMenu(FrmMain& window, ConfigCommands& commands, TrafficRecorder& recorder,
                               TransportPort& port)
    : m_window(window), m_commands(commands), m_recorder(recorder), m_port(port)
{
    m_current = KeptConnection();
    Use(m_current);
}

void ConnectionMenu::Use(const Connection& connection)
{
    m_current = connection;
    m_commands.SetConnection(connection);
    m_recorder.SetExpectedSlave(static_cast<std::int16_t>(connection.slave));
    m_port.SetConnectTimeLimit(ConnectTimeLimit(connection));
    if (KeptConnection() != connection)
        KeepConnection(connection);
    ShowInTitle();
}

void ConnectionMenu::OpenSettings()
{
    auto* dialog = new ConnectionSettings(m_current, &m_window);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::accepted, this, [this, dialog] { Use(dialog->Value()); });
    dialog->open();
}

void ConnectionMenu::RestoreDefaults()
{
    Use(Connection{});
}

void ConnectionMenu::FindUnit()
{
    auto* dialog = new FindController(m_window.txtCom(0)->text(), m_current, &m_window);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::accepted, this, [this, dialog] {
        if (dialog->Chosen())
            Use(*dialog->Chosen());
    });
    dialog->open();
}

void ConnectionMenu::ShowInTitle()
{
    const ResolvedPort port = ResolvePort(m_window.txtCom(0)->text().toStdString());
    m_window.setWindowTitle(QString::fromStdString(WindowTitleText(m_current, port)));
}

} // namespace morvane
