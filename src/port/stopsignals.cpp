#include "port/stopsignals.h"

#include <QSocketNotifier>

#include <csignal>

#ifndef _WIN32
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#endif

namespace morvane
{

#ifndef _WIN32

namespace
{

// One pipe for the life of the process: a handler running late on another thread must never
// write into a descriptor that was closed and handed out again.
int g_wakeRead = -1;
int g_wakeWrite = -1;
volatile std::sig_atomic_t g_caught = 0;

extern "C" void NoteStopSignal(int signalNumber)
{
    const int savedErrno = errno;
    if (g_caught == 0)
        g_caught = signalNumber;
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    // A full pipe already holds a wake-up; losing this byte loses nothing.
    [[maybe_unused]] const ssize_t written = ::write(g_wakeWrite, &byte, 1);
    errno = savedErrno;
}

bool MakeWakePipe()
{
    if (g_wakeRead >= 0)
        return true;
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0)
        return false;
    g_wakeRead = ends[0];
    g_wakeWrite = ends[1];
    return true;
}

void DrainWakePipe()
{
    unsigned char bytes[64];
    while (::read(g_wakeRead, bytes, sizeof bytes) > 0) {
    }
}

} // namespace

struct StopSignals::Previous {
    int signalNumber;
    struct sigaction action;
};

std::vector<int> CommandLineStopSignals()
{
    return {SIGINT, SIGTERM, SIGHUP};
}

std::vector<int> WindowStopSignals()
{
    return {SIGTERM, SIGHUP};
}

StopSignals::StopSignals(const std::vector<int>& signalNumbers, QObject* parent) : QObject(parent)
{
    if (!MakeWakePipe())
        return;
    DrainWakePipe();
    g_caught = 0;
    m_notifier = std::make_unique<QSocketNotifier>(g_wakeRead, QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &StopSignals::OnWake);

    struct sigaction action {
    };
    action.sa_handler = NoteStopSignal;
    // One handler at a time, so that the first signal is the one noted. Interrupted system
    // calls go on: the program's own stop comes from the event loop.
    sigemptyset(&action.sa_mask);
    for (int signalNumber : signalNumbers)
        sigaddset(&action.sa_mask, signalNumber);
    action.sa_flags = SA_RESTART;
    for (int signalNumber : signalNumbers) {
        auto previous = std::make_unique<Previous>(Previous{signalNumber, {}});
        if (::sigaction(signalNumber, &action, &previous->action) != 0)
            continue;
        if (previous->action.sa_handler == SIG_IGN)
            ::sigaction(signalNumber, &previous->action, nullptr);
        else
            m_previous.push_back(std::move(previous));
    }
}

StopSignals::~StopSignals()
{
    for (const auto& previous : m_previous)
        ::sigaction(previous->signalNumber, &previous->action, nullptr);
}

int StopSignals::Caught() const
{
    return m_notifier ? int(g_caught) : 0;
}

void StopSignals::OnWake()
{
    DrainWakePipe();
    if (m_told || g_caught == 0)
        return;
    m_told = true;
    emit caught(int(g_caught));
}

std::string SignalName(int signalNumber)
{
    switch (signalNumber) {
    case SIGINT:
        return "SIGINT";
    case SIGTERM:
        return "SIGTERM";
    case SIGHUP:
        return "SIGHUP";
    default:
        return "signal " + std::to_string(signalNumber);
    }
}

#else // Windows has none of these signals to catch this way.

struct StopSignals::Previous {
};

std::vector<int> CommandLineStopSignals()
{
    return {};
}

std::vector<int> WindowStopSignals()
{
    return {};
}

StopSignals::StopSignals(const std::vector<int>&, QObject* parent) : QObject(parent) {}

StopSignals::~StopSignals() = default;

int StopSignals::Caught() const
{
    return 0;
}

void StopSignals::OnWake() {}

std::string SignalName(int signalNumber)
{
    return "signal " + std::to_string(signalNumber);
}

#endif

int StoppedExitStatus(int signalNumber)
{
    return 128 + signalNumber;
}

} // namespace morvane
