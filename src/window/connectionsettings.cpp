#include "window/connectionsettings.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <cmath>

namespace morvane
{

namespace
{

template <typename W> W* Named(W* widget, const char* name)
{
    widget->setObjectName(name);
    return widget;
}

} // namespace

ConnectionSettings::ConnectionSettings(const Connection& current, QWidget* parent) : QDialog(parent)
{
    setObjectName("ConnectionSettings");
    setWindowTitle("Connection Settings");
    BuildFields();
    ShowValue(current);
}

void ConnectionSettings::BuildFields()
{
    m_slave = Named(new QSpinBox, "slaveAddress");
    m_slave->setRange(kLowestSlave, kHighestSlave);
    m_baud = Named(new QComboBox, "baudRate");
    for (int baud : kConnectionBauds)
        m_baud->addItem(QString::number(baud), baud);
    m_parity = Named(new QComboBox, "parity");
    for (Parity parity : {Parity::None, Parity::Even, Parity::Odd})
        m_parity->addItem(
            QString::fromLatin1(ParityName(parity).data(), qsizetype(ParityName(parity).size())),
            int(parity));
    m_stopBits = Named(new QComboBox, "stopBits");
    m_stopBits->addItem("1", 1);
    m_stopBits->addItem("2", 2);
    m_timeLimit = Named(new QDoubleSpinBox, "timeLimit");
    m_timeLimit->setRange(kShortestTimeLimitMs / 1000.0, kLongestTimeLimitMs / 1000.0);
    m_timeLimit->setDecimals(1);
    m_timeLimit->setSingleStep(0.5);
    m_timeLimit->setSuffix(" s");
    m_retries = Named(new QSpinBox, "retries");
    m_retries->setRange(0, kMostRetries);

    auto* form = new QFormLayout;
    form->addRow("Slave &address:", m_slave);
    form->addRow("&Baud rate:", m_baud);
    form->addRow("&Parity:", m_parity);
    form->addRow("&Stop bits:", m_stopBits);
    form->addRow("&Time limit:", m_timeLimit);
    form->addRow("&Retries:", m_retries);

    auto* defaults =
        Named(new QLabel(QString::fromStdString("Defaults: " + DefaultConnectionText() + ".")),
              "defaultsLine");
    defaults->setWordWrap(true);
    auto* network =
        new QLabel("Through a network gateway the line settings are the gateway's own.");
    network->setWordWrap(true);

    auto* buttons = Named(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel |
                                               QDialogButtonBox::RestoreDefaults),
                          "buttons");
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(buttons->button(QDialogButtonBox::RestoreDefaults), &QPushButton::clicked, this,
            [this] { ShowValue(Connection{}); });

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(defaults);
    layout->addWidget(network);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

Connection ConnectionSettings::Value() const
{
    Connection value;
    value.slave = m_slave->value();
    value.baud = m_baud->currentData().toInt();
    value.parity = static_cast<Parity>(m_parity->currentData().toInt());
    value.stopBits = m_stopBits->currentData().toInt();
    value.timeLimitMs = static_cast<int>(std::lround(m_timeLimit->value() * 1000));
    value.retries = m_retries->value();
    return value;
}

void ConnectionSettings::ShowValue(const Connection& c)
{
    m_slave->setValue(c.slave);
    m_baud->setCurrentIndex(m_baud->findData(c.baud));
    m_parity->setCurrentIndex(m_parity->findData(int(c.parity)));
    m_stopBits->setCurrentIndex(m_stopBits->findData(c.stopBits));
    m_timeLimit->setValue(c.timeLimitMs / 1000.0);
    m_retries->setValue(c.retries);
}

} // namespace morvane
