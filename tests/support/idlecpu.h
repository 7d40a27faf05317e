#pragma once
// How much processor time the test process spends while it should be idle: a port that spins
// on a lost device shows up here long before it shows up anywhere else.

#include <QEventLoop>
#include <QTimer>

#include <sys/resource.h>

namespace morvane::testing
{

inline double ProcessCpuSeconds()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Runs an idle event loop for the time and returns the process's CPU seconds meanwhile.
inline double CpuWhileIdle(int milliseconds)
{
    const double before = ProcessCpuSeconds();
    QEventLoop idle;
    QTimer::singleShot(milliseconds, &idle, &QEventLoop::quit);
    idle.exec();
    return ProcessCpuSeconds() - before;
}

} // namespace morvane::testing
