#include "window/findcontroller.h"

#include "exchange/failurewords.h"
#include "window/windowwords.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

namespace morvane
{

namespace
{

template <typename W> W* Named(W* widget, const QString& name)
{
    widget->setObjectName(name);
    return widget;
}

QString Words(const std::string& text)
{
    return QString::fromStdString(text).replace("\r\n", "\n");
}

} // namespace

FindController::FindController(const QString& portText, const Connection& current, QWidget* parent)
    : QDialog(parent), m_portText(portText), m_current(current),
      m_network(ResolvePort(portText.toStdString()).kind == ResolvedPort::Kind::Network)
{
    setObjectName("FindController");
    setWindowTitle("Find Controller");
    BuildFields();
}

FindController::~FindController() = default;

void FindController::BuildFields()
{
    const ScanPlan plan;
    m_slaves = Named(new QLineEdit(QString::fromStdString(ScanSlavesText(plan.slaves))), "slaves");
    m_bauds = Named(new QLineEdit(QString::fromStdString(ScanBaudsText(plan.bauds))), "bauds");
    m_parities =
        Named(new QLineEdit(QString::fromStdString(ScanParitiesText(plan.parities))), "parities");
    m_allowance =
        Named(new QLineEdit(QString::fromStdString(SecondsText(plan.allowanceMs))), "allowance");
    auto* form = new QFormLayout;
    const std::string place = PortPlaceText(ResolvePort(m_portText.toStdString()));
    form->addRow("Port:", new QLabel(QString::fromStdString(place)));
    form->addRow("&Addresses:", m_slaves);
    form->addRow("&Speeds:", m_bauds);
    form->addRow("&Parities:", m_parities);
    form->addRow("&Turnaround (s):", m_allowance);
    m_bauds->setEnabled(!m_network);
    m_parities->setEnabled(!m_network);

    m_trying = Named(new QLabel(m_network ? "On the network only the addresses are tried."
                                          : "The current settings are tried first."),
                     "trying");
    m_trying->setWordWrap(true);
    m_progress = Named(new QProgressBar, "progress");
    m_progress->setValue(0);
    auto* unitList = new QWidget;
    m_units = new QVBoxLayout(unitList);
    m_units->addStretch();
    auto* scroll = Named(new QScrollArea, "units");
    scroll->setWidget(unitList);
    scroll->setWidgetResizable(true);

    m_start = Named(new QPushButton("&Start"), "startScan");
    m_start->setDefault(true);
    m_cancel = Named(new QPushButton("Close"), "cancelScan");
    connect(m_start, &QPushButton::clicked, this, [this] { Start(); });
    // Cancel ends the scan and keeps what it found; once it has ended, Close closes.
    connect(m_cancel, &QPushButton::clicked, this, [this] {
        if (m_scan)
            Cancel();
        else
            reject();
    });
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_start);
    buttons->addWidget(m_cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_trying);
    layout->addWidget(m_progress);
    layout->addWidget(scroll, 1);
    layout->addLayout(buttons);
    resize(460, 420);
}

void FindController::Start()
{
    if (m_scan)
        return;
    const std::optional<ScanPlan> plan = PlanOfFields();
    if (!plan)
        return;
    while (m_units->count() > 1)
        delete m_units->takeAt(0)->widget();
    m_found = 0;
    SetFieldsEnabled(false);
    m_cancel->setText("Cancel");
    m_scan = std::make_unique<UnitScan>(ResolvePort(m_portText.toStdString()));
    const ScanResult result = m_scan->Run(*plan, m_current, *this);
    m_scan.reset();
    SetFieldsEnabled(true);
    m_cancel->setText("Close");
    ShowOutcome(result);
    if (m_chosen)
        accept();
    else if (m_closeAfterScan)
        QDialog::reject();
}

void FindController::Cancel()
{
    if (m_scan)
        m_scan->Cancel();
}

// Closing the dialog while it scans ends the scan first; the dialog goes once it has.
void FindController::reject()
{
    if (!m_scan) {
        QDialog::reject();
        return;
    }
    m_closeAfterScan = true;
    Cancel();
}

std::optional<ScanPlan> FindController::PlanOfFields()
{
    ScanPlan plan;
    const auto slaves = ScanSlavesOfText(m_slaves->text().toStdString());
    const auto bauds = ScanBaudsOfText(m_bauds->text().toStdString());
    const auto parities = ScanParitiesOfText(m_parities->text().toStdString());
    const auto allowance = MillisecondsOfSecondsText(m_allowance->text().toStdString());
    QString problem;
    if (!slaves)
        problem = QString("Addresses: give addresses from %1 to %2, such as 1-247 or 1-10,17.")
                      .arg(kLowestSlave)
                      .arg(kHighestSlave);
    else if (!bauds)
        problem = "Speeds: give speeds among " + QString::fromStdString(ScanBaudsText(plan.bauds)) +
                  ", separated by commas.";
    else if (!parities)
        problem = "Parities: give none, even or odd, or several of them separated by commas.";
    else if (!allowance || *allowance > kLongestProbeAllowanceMs)
        problem = QString("Turnaround: give seconds from 0 to %1, such as 0.05.")
                      .arg(kLongestProbeAllowanceMs / 1000);
    if (!problem.isEmpty()) {
        m_trying->setText(problem);
        return std::nullopt;
    }
    return ScanPlan{*slaves, *bauds, *parities, *allowance};
}

void FindController::SetFieldsEnabled(bool enabled)
{
    m_slaves->setEnabled(enabled);
    m_bauds->setEnabled(enabled && !m_network);
    m_parities->setEnabled(enabled && !m_network);
    m_allowance->setEnabled(enabled);
    m_start->setEnabled(enabled);
}

void FindController::ShowOutcome(const ScanResult& result)
{
    QString text;
    if (result.openFailure)
        text = Words(OpenFailureText(*result.openFailure, result.failedLine.BaudText()));
    else if (!result.lostDevice.empty())
        text = Words(ConnectionLostText(result.lostDevice, result.lostReason));
    else if (result.units.empty())
        text = result.cancelled ? "Cancelled: no unit answered so far."
                                : "No unit answered. Check the wiring and that the units have "
                                  "power; try other speeds, parities or addresses.";
    else
        text = QString("%1%2 found. Click Use to take a unit's settings.")
                   .arg(result.cancelled ? "Cancelled: " : "")
                   .arg(result.units.size() == 1 ? QString("One unit")
                                                 : QString("%1 units").arg(result.units.size()));
    m_trying->setText(text);
    if (!result.cancelled && !result.openFailure && result.lostDevice.empty())
        m_progress->setValue(m_progress->maximum());
}

void FindController::AddUnit(const FoundUnit& unit)
{
    auto* row = new QWidget;
    auto* rowLayout = new QHBoxLayout(row);
    rowLayout->setContentsMargins(0, 0, 0, 0);
    rowLayout->addWidget(new QLabel(QString::fromStdString(FoundUnitText(unit))), 1);
    auto* use = Named(new QPushButton("Use"), QString("useUnit_%1").arg(m_found));
    rowLayout->addWidget(use);
    m_units->insertWidget(m_units->count() - 1, row);
    const Connection found = unit.connection;
    connect(use, &QPushButton::clicked, this, [this, found] {
        m_chosen = found;
        if (m_scan)
            Cancel();
        else
            accept();
    });
    ++m_found;
}

void FindController::LineRefused(const Connection& line, const OpenFailure& failure)
{
    m_trying->setText(QString::fromStdString(
        "The port refused " + line.LineText() +
        (failure.systemText.empty() ? std::string() : " (" + failure.systemText + ")")));
}

void FindController::Probing(const Connection& probe, int done, int total)
{
    m_progress->setMaximum(total);
    m_progress->setValue(done);
    const std::string what =
        m_network ? "slave " + std::to_string(probe.slave)
                  : "slave " + std::to_string(probe.slave) + " at " + probe.LineText();
    m_trying->setText(
        QString("Trying %1 (%2 of %3)").arg(QString::fromStdString(what)).arg(done + 1).arg(total));
}

void FindController::Found(const FoundUnit& unit)
{
    AddUnit(unit);
}

} // namespace morvane
