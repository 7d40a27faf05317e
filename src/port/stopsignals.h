#pragma once
// The signals that ask the program to stop (Ctrl-C, a kill, a terminal that closed), turned
// into an event of the Qt event loop. A signal handler may safely do next to nothing: it only
// notes the signal and writes a byte to a pipe that wakes the loop, and closing the port and
// telling the user happen there, in ordinary code. The wait for a reply already runs the loop.

#include <QObject>

#include <memory>
#include <string>
#include <vector>

class QSocketNotifier;

namespace morvane
{

// Ctrl-C, a kill, and the terminal going away: what a command-line run stops on.
std::vector<int> CommandLineStopSignals();
// A kill and the session going away; Ctrl-C in the terminal that started the window keeps its
// usual meaning.
std::vector<int> WindowStopSignals();
// "SIGINT".
std::string SignalName(int signalNumber);
// The exit status of a program that stopped on the signal: 128 and its number.
int StoppedExitStatus(int signalNumber);

// Catches the signals from construction until destruction, when each gets back what it had;
// a signal that was ignored (a run under nohup) stays ignored. One instance at a time. Does
// nothing where there are no such signals (Windows).
class StopSignals : public QObject
{
    Q_OBJECT
  public:
    explicit StopSignals(const std::vector<int>& signalNumbers, QObject* parent = nullptr);
    ~StopSignals() override;
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    // The first signal caught since construction, 0 when none; known as soon as it arrives,
    // before the event loop has run.
    int Caught() const;

  signals:
    // Emitted from the event loop, once, for the first signal caught.
    void caught(int signalNumber);

  private:
    void OnWake();

    struct Previous;
    std::vector<std::unique_ptr<Previous>> m_previous;
    std::unique_ptr<QSocketNotifier> m_notifier;
    bool m_told = false;
};

} // namespace morvane
