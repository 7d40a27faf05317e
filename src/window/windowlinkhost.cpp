#include "window/windowlinkhost.h"

#include <QIcon>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

namespace morvane
{

namespace
{
void Append(QLineEdit* box, std::string_view text)
{
    if (box)
        box->setText(box->text() + QString::fromUtf8(text.data(), qsizetype(text.size())));
}
} // namespace

WindowLinkHost::WindowLinkHost(QWidget* window, QLineEdit* status, QLineEdit* txEcho,
                               QLineEdit* rxEcho, QTimer* watchdog)
    : m_window(window), m_status(status), m_txEcho(txEcho), m_rxEcho(rxEcho), m_watchdog(watchdog)
{
}

void WindowLinkHost::SetStatus(const std::string& text)
{
    if (m_status)
        m_status->setText(QString::fromStdString(text));
}

void WindowLinkHost::ClearEchoes()
{
    if (m_txEcho)
        m_txEcho->clear();
    if (m_rxEcho)
        m_rxEcho->clear();
}

void WindowLinkHost::AppendTxEcho(std::string_view text)
{
    Append(m_txEcho, text);
}
void WindowLinkHost::AppendRxEcho(std::string_view text)
{
    Append(m_rxEcho, text);
}

void WindowLinkHost::StartWatchdog()
{
    if (m_watchdog)
        m_watchdog->start();
}

void WindowLinkHost::StopWatchdog()
{
    if (m_watchdog)
        m_watchdog->stop();
}

bool WindowLinkHost::WatchdogActive() const
{
    return m_watchdog && m_watchdog->isActive();
}

void WindowLinkHost::ShowMessage(const std::string& title, const std::string& text)
{
    if (m_quiet)
        return;
    if (m_presenter) {
        m_presenter(title, text);
        return;
    }
    QMessageBox box(QMessageBox::NoIcon, QString::fromStdString(title),
                    QString::fromStdString(text), QMessageBox::Ok, m_window);
    box.button(QMessageBox::Ok)->setIcon(QIcon()); // some styles decorate OK with a tick
    box.exec();
}

void WindowLinkHost::PumpEvents(int maxWaitMs)
{
    m_pump.Pump(maxWaitMs);
}

double WindowLinkHost::SecondsSinceMidnight()
{
    if (m_clock)
        return m_clock();
    return m_timeOfDay.SecondsSinceMidnight();
}

} // namespace morvane
