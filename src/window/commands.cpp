#include "window/commands.h"

#include "link/comport.h"
#include "link/requests.h"
#include "window/frmmain.h"
#include "window/modetable.h"
#include "window/registermap.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace morvane
{

namespace
{
constexpr int kDataBits = 8;
constexpr int kStopBits = 1;

// A register's slot in RegImage for slave 1: slot n holds register n.
std::size_t Slot(int reg)
{
    return static_cast<std::size_t>(reg);
}

// "Counter  " is shown with trailing blanks; a sentence has none.
std::string ModeName(int mode)
{
    if (!IsMode(mode))
        return "in use";
    std::string name(ModeCaption(mode));
    name.erase(name.find_last_not_of(' ') + 1);
    return name;
}

std::string FieldCaption(const QLabel* label)
{
    QString caption = label->text().trimmed();
    if (caption.endsWith(':'))
        caption.chop(1);
    return caption.toStdString();
}
} // namespace

class ConfigCommands::BusyScope
{
  public:
    explicit BusyScope(ConfigCommands& c) : m_c(c)
    {
        m_c.m_busy = true;
        SetButtonsEnabled(false);
    }
    ~BusyScope()
    {
        SetButtonsEnabled(true);
        m_c.m_busy = false;
    }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

  private:
    void SetButtonsEnabled(bool enabled)
    {
        m_c.m_window.Command1()->setEnabled(enabled);
        m_c.m_window.Command2()->setEnabled(enabled);
    }
    ConfigCommands& m_c;
};

ConfigCommands::ConfigCommands(FrmMain& window, SerialPort& port)
    : m_window(window),
      m_host(&window, window.Text2(), window.txtTX(), window.txtRX(), window.Timer1()),
      m_link(port, m_host)
{
}

void ConfigCommands::ReadFromController()
{
    if (m_busy)
        return;
    BusyScope busy(*this);
    m_host.SetStatus("Reading");
    OpenPort();
    m_link.state.ImageBase = ConfigFirstRegister;
    ModbusReadRequest(m_link, ConfigSlaveAddress, ConfigFirstRegister, ConfigRegisterCount);
    const ReceiveResult reply = AwaitReply();
    if (!reply.Answered()) {
        // Nothing trustworthy came back: the window keeps what the technician has.
        ClosePort();
        m_host.SetStatus("ERROR");
        return;
    }
    ShowRegistersInFields();
    ClosePort();
    SelectControllerMode();
    // Text1(3) was filled, and the 4 mA value computed from it, while Text1(4) still held the
    // old 20 mA value.
    m_window.RecomputeFourMa();
}

void ConfigCommands::WriteToController()
{
    if (m_busy)
        return;
    BusyScope busy(*this);
    // Checked before anything is stored or sent: a value that does not fit a register would
    // reach the controller wrapped into another one.
    const auto values = FieldRegisterValues();
    if (!values) {
        m_host.SetStatus("ERROR");
        return;
    }
    m_host.SetStatus("Write Sent");
    m_host.StartWatchdog();
    for (int k = 0; k < ConfigRegisterCount; ++k)
        m_link.state.RegImage[Slot(ConfigFirstRegister + k)] = (*values)[std::size_t(k)];
    OpenPort();
    ModbusWriteRequest(m_link, ConfigSlaveAddress, ConfigFirstRegister, ConfigRegisterCount);
    const ReceiveResult reply = AwaitReply();
    ClosePort();
    if (!reply.Answered()) {
        // The watchdog has had its say by now, or the failure was reported otherwise; a tick
        // after the command ended would only repeat it.
        m_host.StopWatchdog();
        m_host.SetStatus("ERROR");
    }
}

void ConfigCommands::WatchdogTicked()
{
    WatchdogTick(m_link);
}

void ConfigCommands::Abandon()
{
    if (!m_busy)
        return;
    m_host.SetQuiet(true);
    m_host.StopWatchdog();
    // The wait sees its port gone and ends.
    ClosePort();
}

void ConfigCommands::OpenPort()
{
    std::int16_t dataBits = kDataBits;
    std::int16_t stopBits = kStopBits;
    const ResolvedPort port = ResolvePort(m_window.txtCom(0)->text().toStdString());
    OpenComPort(m_link, port, m_link.PortBaudText, dataBits, m_link.PortParityName, stopBits);
}

ReceiveResult ConfigCommands::AwaitReply()
{
    if (!m_link.port.PortOpen())
        return {ReceiveOutcome::ConnectionLost, 0};
    std::int16_t startFlag = 0;
    return ModbusReceive(m_link, ConfigSlaveAddress, startFlag);
}

void ConfigCommands::ClosePort()
{
    if (m_link.port.PortOpen())
        m_link.port.SetPortOpen(false);
}

void ConfigCommands::ShowRegistersInFields()
{
    const auto& image = m_link.state.RegImage;
    for (int field = kFirstRegisterField; field <= kLastRegisterField; ++field) {
        const std::string text = RegisterValueText(field, image[Slot(RegisterOfField(field))],
                                                   image[Slot(RegisterOfField(kModeField))]);
        m_window.Text1(field)->setText(QString::fromStdString(text));
    }
}

void ConfigCommands::SelectControllerMode()
{
    auto& modeSlot = m_link.state.RegImage[Slot(RegisterOfField(kModeField))];
    const int type = InputTypeOfMode(modeSlot);
    if (!IsMode(modeSlot))
        modeSlot = kLastMode; // a value no option shows counts as "Modbus Signed Long"
    m_window.Option1(type)->setChecked(true);
    m_window.Option2(modeSlot)->setChecked(true);
    // Selecting the option that is already selected runs nothing and would leave the number
    // read ("0", "12", "-1") in the mode field, where nobody can correct it before a write.
    m_window.Text1(kModeField)->setText(QString::number(modeSlot));
}

std::optional<std::array<std::int32_t, ConfigRegisterCount>> ConfigCommands::FieldRegisterValues()
{
    std::array<std::int32_t, ConfigRegisterCount> values{};
    for (int field = kFirstRegisterField; field <= kLastRegisterField; ++field) {
        const std::string text = m_window.Text1(field)->text().toStdString();
        const RegisterWrite write = RegisterWriteOfText(text);
        if (write.refusal == WriteRefusal::None) {
            values[std::size_t(field - kFirstRegisterField)] = write.value;
            continue;
        }
        m_host.ShowMessage("Error", WriteRefusalText(field, text, write));
        return std::nullopt;
    }
    return values;
}

// Names the row as the window labels it, and says so when the row is greyed out: a value
// typed before the mode changed is still written, though the user no longer sees it as live.
std::string ConfigCommands::WriteRefusalText(int field, const std::string& text,
                                             const RegisterWrite& write) const
{
    const std::string row = m_window.Label6(field)->text().toStdString() + " (" +
                            FieldCaption(m_window.Label5(field)) + ")";
    std::string problem;
    switch (write.refusal) {
    case WriteRefusal::AboveRange:
        problem = "would be sent as " + std::to_string(write.value) +
                  ", which one register cannot hold (0 to 65535).";
        break;
    case WriteRefusal::BelowRange:
        problem = "is below -32768, so one register cannot hold it (0 to 65535).";
        break;
    default:
        problem = "is more than one register can hold (0 to 65535).";
        break;
    }
    std::string message =
        "Nothing was written to the controller.\r\n" + row + ": \"" + text + "\" " + problem;
    if (!m_window.Text1(field)->isEnabled())
        message += "\r\n" + UnusedRowNote(field);
    return message + "\r\nEnter a number from -32768 to 65535.";
}

std::string ConfigCommands::UnusedRowNote(int field) const
{
    const int mode = m_window.Text1(kModeField)->text().toInt();
    const std::string param = m_window.Label6(field)->text().toStdString();
    std::string note = "The mode " + ModeName(mode) + " does not use " + param +
                       ", but its value is written all the same.";
    if (const std::optional<int> user = FirstModeUsingRow(field))
        note += " To correct it, choose a mode that uses it, such as " + ModeName(*user) + ".";
    return note;
}

} // namespace morvane
