#pragma once
// The Connection menu's commands: the settings dialog, going back to the defaults, and finding
// a unit that does not answer. The connection is kept between runs; whenever it is not the
// default one, the window's title says which connection the commands use and where.

#include "exchange/connection.h"

#include <QObject>
#include <QPointer>

#include <functional>

namespace morvane
{

class ConfigCommands;
class FindController;
class FrmMain;
class TrafficRecorder;
class TransportPort;

// The connection of an earlier run; the defaults when none was kept or it is out of range.
Connection KeptConnection();
void KeepConnection(const Connection& connection);

class ConnectionMenu : public QObject
{
    Q_OBJECT
  public:
    ConnectionMenu(FrmMain& window, ConfigCommands& commands, TrafficRecorder& recorder,
                   TransportPort& port);

    const Connection& Current() const { return m_current; }
    // Takes the connection for the next commands, keeps it for the next run and shows it.
    void Use(const Connection& connection);

    // The menu's commands. The dialogs open without blocking and act when they are accepted.
    void OpenSettings();
    void RestoreDefaults();
    void FindUnit();
    // The port field changed: so did the place the title names.
    void ShowInTitle();

  private:
    FrmMain& m_window;
    ConfigCommands& m_commands;
    TrafficRecorder& m_recorder;
    TransportPort& m_port;
    Connection m_current;
};

} // namespace morvane
