// A bare serial client for over-the-wire tests: bytes out, bytes in with their arrival
// times, and an honest report when the device goes away. No Modbus knowledge at all.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

namespace morvane::testing
{

struct Received {
    QByteArray bytes;
    QList<qint64> chunkTimesMs; // when each read() delivered, from the start of the wait
    QList<int> chunkSizes;
    bool hungUp = false; // the device vanished (EIO, end of file or POLLHUP)
};

class RawLine
{
  public:
    RawLine() = default;
    RawLine(const RawLine&) = delete;
    RawLine& operator=(const RawLine&) = delete;
    ~RawLine() { Close(); }

    // Opens the device raw (no echo, no translation), like a serial port at 9600 8N1.
    bool Open(const QString& devicePath);
    void Close();
    bool IsOpen() const { return m_fd != -1; }
    QString ErrorText() const { return m_error; }

    bool Write(const QByteArray& bytes);
    // Waits until `count` bytes came, `timeoutMs` passed or the device hung up.
    Received Receive(int count, int timeoutMs);

  private:
    int m_fd = -1;
    QString m_error;
};

} // namespace morvane::testing
