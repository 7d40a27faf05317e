#include "window/windowhost.h"

#include <QAccessible>
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

WindowHost::WindowHost(QWidget* window, QLineEdit* status, QLineEdit* txEcho, QLineEdit* rxEcho,
                       QTimer* watchdog)
    : m_window(window), m_status(status), m_txEcho(txEcho), m_rxEcho(rxEcho), m_watchdog(watchdog)
{
}

void WindowHost::SetStatus(std::string_view text)
{
    if (!m_status)
        return;
    const QString status = QString::fromUtf8(text.data(), qsizetype(text.size()));
    m_status->setText(status);
    // A screen reader speaks a text change only in the field that has the focus; a change of
    // value is announced wherever it happens (a notification on Windows), and the outcome of
    // a command is worth hearing, even when it is the same as the last one.
    QAccessibleValueChangeEvent announcement(m_status, status);
    QAccessible::updateAccessibility(&announcement);
}

void WindowHost::ClearEchoes()
{
    if (m_txEcho)
        m_txEcho->clear();
    if (m_rxEcho)
        m_rxEcho->clear();
}

void WindowHost::AppendTxEcho(std::string_view text)
{
    Append(m_txEcho, text);
}
void WindowHost::AppendRxEcho(std::string_view text)
{
    Append(m_rxEcho, text);
}

void WindowHost::StartWatchdog()
{
    if (m_watchdog)
        m_watchdog->start();
}

void WindowHost::StopWatchdog()
{
    if (m_watchdog)
        m_watchdog->stop();
}

bool WindowHost::WatchdogActive() const
{
    return m_watchdog && m_watchdog->isActive();
}

void WindowHost::ShowMessage(std::string_view titleText, const std::string& text)
{
    if (m_quiet)
        return;
    const std::string title(titleText);
    if (m_presenter) {
        m_presenter(title, text);
        return;
    }
    QMessageBox box(QMessageBox::NoIcon, QString::fromStdString(title),
                    QString::fromStdString(text), QMessageBox::Ok, m_window);
    box.button(QMessageBox::Ok)->setIcon(QIcon()); // some styles decorate OK with a tick
    // Some platforms draw no title on a message box; a screen reader still names it by it.
    box.setAccessibleName(box.windowTitle());
    box.setAccessibleDescription(box.text());
    box.exec();
}

void WindowHost::ShowComparison(const Comparison& comparison)
{
    if (m_quiet)
        return;
    if (m_comparisonPresenter) {
        m_comparisonPresenter(comparison);
        return;
    }
    CompareResult dialog(comparison, m_window);
    dialog.exec();
}

void WindowHost::PumpEvents(int maxWaitMs)
{
    m_pump.Pump(maxWaitMs);
}

double WindowHost::SecondsSinceMidnight()
{
    if (m_clock)
        return m_clock();
    return m_timeOfDay.SecondsSinceMidnight();
}

} // namespace morvane
