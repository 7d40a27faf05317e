#include "window/configcommands.h"

#include "controller/fields.h"
#include "controller/modetable.h"
#include "dialogs/fieldtext.h"
#include "exchange/blockexchange.h"
#include "exchange/failurewords.h"
#include "exchange/trafficwords.h"
#include "protocol/modbus.h"
#include "window/commandreports.h"
#include "window/frmmain.h"
#include "window/windowwords.h"

#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>

namespace morvane
{

namespace
{
std::string FieldCaption(const QLabel* label)
{
    QString caption = label->text().trimmed();
    if (caption.endsWith(':'))
        caption.chop(1);
    return caption.toStdString();
}
} // namespace

// A disabled button passes its focus on, into the port field with its text selected, where
// the next Space meant for the button would replace the port. The window holds the focus while
// the command runs, and the button that started it has it back at the end, unless the user has
// put it somewhere else meanwhile.
class ConfigCommands::BusyScope
{
  public:
    explicit BusyScope(ConfigCommands& c) : m_c(c)
    {
        m_c.m_busy = true;
        QWidget* focus = m_c.m_window.focusWidget();
        if (focus == m_c.m_window.Command1() || focus == m_c.m_window.Command2()) {
            m_startedFrom = focus;
            m_c.m_window.setFocus(Qt::OtherFocusReason);
        }
        SetButtonsEnabled(false);
        emit m_c.busyChanged(true);
    }
    ~BusyScope()
    {
        SetButtonsEnabled(true);
        if (m_startedFrom && m_c.m_window.focusWidget() == &m_c.m_window)
            m_startedFrom->setFocus(Qt::OtherFocusReason);
        m_c.m_busy = false;
        emit m_c.busyChanged(false);
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
    QPointer<QWidget> m_startedFrom;
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
    m_host.SetStatus(status::kReading);
    OpenPort();
    const ReceiveResult reply = Request([this] { SendBlockRead(m_link, m_connection); });
    if (!reply.Answered()) {
        // Nothing trustworthy came back: the window keeps what the technician has.
        EndWithoutAnswer(reply, modbus::kReadHoldingRegisters);
        return;
    }
    m_host.SetStatus(status::kReadOk);
    const Registers values = BlockValues(m_link);
    FillFields(values);
    CloseBlockPort(m_link);
    BlockRegister(m_link, field::RegisterOfField(field::kMode)) =
        SelectControllerMode(ModeRegisterOf(values));
    // Text1(3) was filled, and the 4 mA value computed from it, while Text1(4) still held the
    // old 20 mA value.
    m_window.RecomputeFourMa();
    KeepZeroMaRead(values);
    End(CommandDoneText(modbus::kReadHoldingRegisters));
}

void ConfigCommands::ShowRegisterValues(const Registers& values)
{
    FillFields(values);
    SelectControllerMode(ModeRegisterOf(values));
    m_window.RecomputeFourMa();
    KeepZeroMaRead(values);
}

// The exchange that filling the 0 mA value runs uses the 20 mA value the window held before,
// and one typed far beyond any register (1e16) rounds the value read away to 0. The value read
// stays; with the 20 mA value read beside it the exchange keeps it.
void ConfigCommands::KeepZeroMaRead(const Registers& values)
{
    const int zeroMaRead = values[RegisterIndexOfField(field::kZeroMa)];
    QLineEdit* zeroMa = m_window.Text1(field::kZeroMa);
    if (RegisterWriteOfText(zeroMa->text().toStdString()).value == zeroMaRead)
        return;
    const std::string text = RegisterValueText(field::kZeroMa, zeroMaRead, ModeRegisterOf(values));
    zeroMa->setText(QString::fromStdString(text));
    m_window.RecomputeFourMa();
}

void ConfigCommands::WriteToController()
{
    if (m_busy)
        return;
    BusyScope busy(*this);
    // Checked before anything is stored or sent: a value that does not fit a register would
    // reach the controller wrapped into another one.
    WriteRefusal refusal = WriteRefusal::None;
    const auto values = FieldRegisterValues(kNothingWritten, &refusal);
    if (!values) {
        RefuseFields(refusal);
        return;
    }
    m_host.SetStatus(status::kWriteSent);
    m_host.StartWatchdog();
    OpenPort();
    const ReceiveResult reply =
        Request([this, &values] { SendBlockWrite(m_link, m_connection, *values); });
    if (reply.Answered()) {
        m_host.SetStatus(status::kReadOk);
        CloseBlockPort(m_link);
        End(CommandDoneText(modbus::kWriteMultipleRegisters));
        if (m_verifyWanted && m_verifyWanted() && !m_abandoned)
            VerifyWrite(*values);
        return;
    }
    EndWithoutAnswer(reply, modbus::kWriteMultipleRegisters);
}

void ConfigCommands::RefuseFields(WriteRefusal refusal)
{
    m_host.SetStatus(status::kError);
    End(refusal == WriteRefusal::NotANumber ? traffic::kNothingSentNotANumber
                                            : traffic::kNothingSent);
}

void ConfigCommands::CompareWithController()
{
    if (m_busy)
        return;
    BusyScope busy(*this);
    // Refused as the write would refuse them, so that what is compared is what a write sends.
    WriteRefusal refusal = WriteRefusal::None;
    const auto shown = FieldRegisterValues(kNothingWritten, &refusal);
    if (!shown) {
        RefuseFields(refusal);
        return;
    }
    const std::optional<Registers> held = ReadForComparison();
    if (!held)
        return;
    const std::vector<RegisterDifference> differences = DifferingRegisters(*shown, *held);
    m_host.SetStatus(status::kReadOk);
    m_host.ShowComparison(ComparisonOf(differences, kCompareTitle,
                                       differences.empty()
                                           ? std::string(kControllerAgrees)
                                           : CompareHeading(int(differences.size()))));
    End(CompareDoneText(differences));
}

// The image holds the values of the last write or read, which the window's commands rely on;
// a comparison must leave them so that nothing after it behaves otherwise.
std::optional<Registers> ConfigCommands::ReadForComparison()
{
    m_host.SetStatus(status::kReading);
    OpenPort();
    const auto image = m_link.state.RegImage;
    const auto imageBase = m_link.state.ImageBase;
    const ReceiveResult reply = Request([this] { SendBlockRead(m_link, m_connection); });
    const Registers held = BlockValues(m_link);
    m_link.state.RegImage = image;
    m_link.state.ImageBase = imageBase;
    if (!reply.Answered()) {
        EndWithoutAnswer(reply, modbus::kReadHoldingRegisters);
        return std::nullopt;
    }
    CloseBlockPort(m_link);
    return held;
}

void ConfigCommands::VerifyWrite(const Registers& written)
{
    const std::optional<Registers> held = ReadForComparison();
    if (!held)
        return;
    const std::vector<RegisterDifference> differences = DifferingRegisters(written, *held);
    if (differences.empty()) {
        m_host.SetStatus(status::kVerified);
        End(VerifyDoneText(differences));
        return;
    }
    m_host.SetStatus(status::kError);
    m_host.ShowComparison(
        ComparisonOf(differences, kVerifyTitle, VerifyHeading(int(differences.size()))));
    End(VerifyDoneText(differences));
}

Comparison ConfigCommands::ComparisonOf(const std::vector<RegisterDifference>& differences,
                                        std::string_view title, const std::string& heading) const
{
    Comparison comparison{std::string(title), heading, {}};
    for (const RegisterDifference& d : differences)
        comparison.rows.push_back({FieldCaption(m_window.Label5(field::FieldOfRegister(d.reg))),
                                   d.reg, RegisterValueWords(d.reg, d.expected),
                                   RegisterValueWords(d.reg, d.held)});
    return comparison;
}

void ConfigCommands::EndWithoutAnswer(const ReceiveResult& reply, int requestFunction)
{
    const bool told = ReportReplyFault(m_host, reply, requestFunction);
    CloseBlockPort(m_link);
    // The watchdog has had its say by now, or the failure was told otherwise; a tick after
    // the command ended would only repeat it.
    if (requestFunction == modbus::kWriteMultipleRegisters)
        m_host.StopWatchdog();
    if (!told)
        m_host.SetStatus(status::kError);
    if (m_abandoned)
        End(traffic::kAbandoned);
    else if (m_openFailure)
        End(CommandOpenFailedText(*m_openFailure));
    else
        End(CommandFailedText(reply, m_connection));
}

void ConfigCommands::End(std::string_view words)
{
    emit ended(QString::fromUtf8(words.data(), qsizetype(words.size())));
}

void ConfigCommands::WatchdogTicked()
{
    ReportNoResponse(m_host, m_host);
}

void ConfigCommands::Abandon()
{
    if (!m_busy)
        return;
    m_abandoned = true;
    m_host.SetQuiet(true);
    m_host.StopWatchdog();
    // The wait sees its port gone and ends.
    CloseBlockPort(m_link);
}

// A network unit cannot answer before the connection stands: the watchdog of a write counts
// its second from then, as it counts from the open of a serial port, which takes no time.
void ConfigCommands::OpenPort()
{
    const ResolvedPort port = ResolvePort(m_window.txtCom(0)->text().toStdString());
    const bool network = port.kind == ResolvedPort::Kind::Network;
    const bool watching = m_host.WatchdogActive();
    if (network && watching)
        m_host.StopWatchdog();
    m_openFailure = OpenBlockPort(m_link, port, m_portSystem, m_connection);
    if (m_openFailure)
        ReportOpenFailure(m_host, m_host, *m_openFailure, m_link.PortBaudText);
    else if (network && watching)
        m_host.StartWatchdog();
}

ReceiveResult ConfigCommands::Request(const std::function<void()>& send)
{
    return RequestBlock(m_link, m_connection, send, [this](int attempt) {
        if (m_retryListener)
            m_retryListener(RetryText(attempt, m_connection));
    });
}

void ConfigCommands::FillFields(const Registers& values)
{
    for (int f = field::kFirstRegisterField; f <= field::kLastRegisterField; ++f) {
        const std::string text =
            RegisterValueText(f, values[RegisterIndexOfField(f)], ModeRegisterOf(values));
        WriteFieldText(m_window.Text1(f), QString::fromStdString(text));
    }
}

int ConfigCommands::SelectControllerMode(std::int32_t modeRegister)
{
    const int type = InputTypeOfMode(modeRegister);
    // A value no option shows counts as "Modbus Signed Long".
    const int selected = ModeSelectedBy(modeRegister);
    m_window.Option1(type)->setChecked(true);
    m_window.Option2(selected)->setChecked(true);
    // Selecting the option that is already selected runs nothing and would leave the number
    // read ("0", "12", "-1") in the mode field, where nobody can correct it before a write.
    m_window.Text1(field::kMode)->setText(QString::number(selected));
    return selected;
}

std::optional<Registers> ConfigCommands::FieldRegisterValues(std::string_view nothingDone,
                                                             WriteRefusal* refusal)
{
    Registers values{};
    for (int f = field::kFirstRegisterField; f <= field::kLastRegisterField; ++f) {
        const std::string text = m_window.Text1(f)->text().toStdString();
        const RegisterWrite write = RegisterWriteOfText(text);
        if (write.refusal == WriteRefusal::None) {
            values[RegisterIndexOfField(f)] = static_cast<std::uint16_t>(write.value);
            continue;
        }
        m_host.ShowMessage(kErrorTitle,
                           WriteRefusalText(nothingDone, DescribeRefusal(f, text, write)));
        if (refusal)
            *refusal = write.refusal;
        return std::nullopt;
    }
    return values;
}

RefusedField ConfigCommands::DescribeRefusal(int f, const std::string& text,
                                             const RegisterWrite& write) const
{
    RefusedField refused{m_window.Label6(f)->text().toStdString(),
                         FieldCaption(m_window.Label5(f)),
                         text,
                         write,
                         {},
                         {}};
    if (!m_window.Text1(f)->isEnabled()) {
        refused.unusedInMode = m_window.Text1(field::kMode)->text().toInt();
        refused.modeUsingRow = FirstModeUsingRow(f);
    }
    return refused;
}

} // namespace morvane
