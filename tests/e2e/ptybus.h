#pragma once
// An RS-485 line with several units on it, for a scan to find them all: a pseudo-terminal for
// the utility whose bytes reach every virtual controller's own pseudo-terminal, at the speed
// the utility set (so that a controller's --baud tells its speed from others), and whose
// controllers' replies all come back on it.

#include <QString>
#include <QStringList>

#include <thread>
#include <vector>

namespace morvane::testing
{

class PtyBus
{
  public:
    explicit PtyBus(const QStringList& unitDevices);
    PtyBus(const PtyBus&) = delete;
    PtyBus& operator=(const PtyBus&) = delete;
    ~PtyBus();

    // The device the utility opens; empty when the bus could not be made (ErrorText() says why).
    QString Path() const { return m_path; }
    QString ErrorText() const { return m_error; }

  private:
    void Run();
    void Forward(int from, const std::vector<int>& to, bool followSpeed);

    int m_master = -1;
    int m_slave = -1; // held open so that the utility's closes never hang the line up
    std::vector<int> m_units;
    int m_stop[2] = {-1, -1};
    QString m_path;
    QString m_error;
    std::thread m_thread;
};

} // namespace morvane::testing
