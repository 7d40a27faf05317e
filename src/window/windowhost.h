#pragma once
// The main window as the link and the commands see it: the hidden byte echoes, the watchdog
// timer, the event loop and the time of day for the link; the status line and message boxes
// for the commands.

#include "port/eventpump.h"
#include "protocol/linkhost.h"
#include "window/commandreports.h"
#include "window/compareresult.h"

#include <QPointer>

#include <functional>

class QLineEdit;
class QTimer;
class QWidget;

namespace morvane
{

class WindowHost : public LinkHost, public CommandView
{
  public:
    using Clock = std::function<double()>;
    using MessagePresenter = std::function<void(const std::string& title, const std::string& text)>;
    using ComparisonPresenter = std::function<void(const Comparison& comparison)>;

    WindowHost(QWidget* window, QLineEdit* status, QLineEdit* txEcho, QLineEdit* rxEcho,
               QTimer* watchdog);

    void ClearEchoes() override;
    void AppendTxEcho(std::string_view text) override;
    void AppendRxEcho(std::string_view text) override;
    void StartWatchdog() override;
    void StopWatchdog() override;
    bool WatchdogActive() const override;
    void PumpEvents(int maxWaitMs) override;
    double SecondsSinceMidnight() override;

    void SetStatus(std::string_view text) override;
    void ShowMessage(std::string_view title, const std::string& text) override;
    // The CompareResult dialog, modal; returns when the user dismisses it.
    void ShowComparison(const Comparison& comparison);

    // The time of day as the local clock tells it, unless a test supplies its own.
    void SetClock(Clock clock) { m_clock = std::move(clock); }
    // Message boxes with one OK button, unless a test takes the messages instead.
    void SetMessagePresenter(MessagePresenter presenter) { m_presenter = std::move(presenter); }
    // The CompareResult dialog, unless a test takes the comparisons instead.
    void SetComparisonPresenter(ComparisonPresenter presenter)
    {
        m_comparisonPresenter = std::move(presenter);
    }
    // No more messages: the window they would speak for is going away.
    void SetQuiet(bool quiet) { m_quiet = quiet; }

  private:
    QPointer<QWidget> m_window;
    QPointer<QLineEdit> m_status;
    QPointer<QLineEdit> m_txEcho;
    QPointer<QLineEdit> m_rxEcho;
    QPointer<QTimer> m_watchdog;
    QtEventPump m_pump;
    LocalTimeOfDay m_timeOfDay;
    Clock m_clock;
    MessagePresenter m_presenter;
    ComparisonPresenter m_comparisonPresenter;
    bool m_quiet = false;
};

} // namespace morvane
