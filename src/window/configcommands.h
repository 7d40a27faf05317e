#pragma once
// "Read From Controller" and "Write To Controller": the two commands that move the nine
// configuration registers between the controller and the window's fields. Each opens the
// port, exchanges one request and one reply, and closes the port again.

#include "controller/configblock.h"
#include "controller/registerdiff.h"
#include "controller/registermap.h"
#include "exchange/connection.h"
#include "port/portopening.h"
#include "port/systemports.h"
#include "protocol/link.h"
#include "protocol/replywait.h"
#include "window/windowhost.h"
#include "window/windowwords.h"

#include <QObject>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace morvane
{

class FrmMain;

class ConfigCommands : public QObject
{
    Q_OBJECT
  public:
    // The window lends its status line, echo boxes and watchdog; the port is the window's too.
    ConfigCommands(FrmMain& window, SerialPort& port);

    void ReadFromController();
    void WriteToController();
    // "Compare with Controller": checks the fields as a write does, reads the block as a read
    // does, and shows each register that differs. The fields, the mode and the register image
    // stay as they were; a failure ends as a read's does.
    void CompareWithController();
    // Asked once a write has been acknowledged: whether to read the block back and compare it
    // with what was written. Nothing is read back when it is not given.
    void SetVerifyAfterWriting(std::function<bool()> wanted) { m_verifyWanted = std::move(wanted); }
    // Timer1's tick: the no-response message.
    void WatchdogTicked();
    // Ends a command that waits for the controller at once and without messages, for a
    // window that is closing. Does nothing when no command runs.
    void Abandon();

    bool Busy() const { return m_busy; }
    // The connection the next commands use.
    const Connection& Settings() const { return m_connection; }
    void SetConnection(const Connection& connection) { m_connection = connection; }
    // Each request sent again after a silent attempt is told here, before it goes.
    void SetRetryListener(std::function<void(const std::string& words)> listener)
    {
        m_retryListener = std::move(listener);
    }
    Link& link() { return m_link; }
    WindowHost& host() { return m_host; }

    // The nine register values the fields stand for, checked as a write checks them; nothing
    // after an "Error" box that begins with nothingDone and names the field (and why, in
    // `refusal`, when given).
    std::optional<Registers> FieldRegisterValues(std::string_view nothingDone,
                                                 WriteRefusal* refusal = nullptr);
    // Fills the fields from nine register values exactly as an answered read does: the texts,
    // the input type and mode, and the 4 mA value. Nothing is sent.
    void ShowRegisterValues(const Registers& values);

  signals:
    // A read or write starts or ends.
    void busyChanged(bool busy);
    // A read or write ended, in the words of the line traffic window: "Read OK", or
    // "ERROR: " and why.
    void ended(const QString& words);

  private:
    // A command under way keeps both command buttons disabled, however it ends.
    class BusyScope;

    // Opens the port for the command; a failure is reported, and kept for the command's end.
    void OpenPort();
    // The fields the write cannot send: "ERROR", after the message that names one.
    void RefuseFields(WriteRefusal refusal);
    // Reads the block without changing the register image, for a comparison; nothing after a
    // failure, which has then ended the command.
    std::optional<Registers> ReadForComparison();
    void VerifyWrite(const Registers& written);
    Comparison ComparisonOf(const std::vector<RegisterDifference>& differences,
                            std::string_view title, const std::string& heading) const;
    // Sends the request, again after silent attempts as the connection allows, and waits.
    ReceiveResult Request(const std::function<void()>& send);
    // After a wait without an answer: the fault told, the port closed, the status "ERROR".
    void EndWithoutAnswer(const ReceiveResult& reply, int requestFunction);
    void End(std::string_view words);
    void FillFields(const Registers& values);
    void KeepZeroMaRead(const Registers& values);
    // Selects the type and mode of a mode register's value; returns the mode selected.
    int SelectControllerMode(std::int32_t modeRegister);
    RefusedField DescribeRefusal(int field, const std::string& text,
                                 const RegisterWrite& write) const;

    FrmMain& m_window;
    WindowHost m_host;
    Link m_link;
    HostPortSystem m_portSystem;
    std::optional<OpenFailure> m_openFailure; // of the command under way
    std::function<bool()> m_verifyWanted;
    Connection m_connection;
    std::function<void(const std::string&)> m_retryListener;
    bool m_busy = false;
    bool m_abandoned = false;
};

} // namespace morvane
