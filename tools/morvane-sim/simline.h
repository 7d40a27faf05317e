// Where the virtual controller meets the utility: a pseudo-terminal standing in for a serial
// port, or a TCP connection from a Modbus TCP master or carrying the serial line's frames.
#pragma once

#include <optional>
#include <string>

namespace morvane::sim
{

// The speed and parity the utility's end of the line is set to.
struct LineSettings {
    long baud = 0;     // 0: a speed without a standard rate
    char parity = 'N'; // N, E or O
};

class SimLine
{
  public:
    virtual ~SimLine() = default;

    // What the utility opens: the device path or the URL. The first line of standard output.
    virtual std::string Name() const = 0;

    // Where requests arrive and replies leave; -1 while nobody is connected.
    virtual int DataFd() const = 0;
    // Readable when the line has news for TakeNotices() (the device opened or closed, a
    // connection waiting); -1 when there is none to wait for.
    virtual int NoticeFd() const = 0;
    virtual void TakeNotices() = 0;

    // Whether the utility is there to receive a reply now.
    virtual bool SomeoneListens() = 0;
    // Drops bytes that wait, unread, at the utility's end, where the line can reach them.
    virtual void DiscardUnread() = 0;
    // Drops what is left of a request that could not be read, so the next starts afresh.
    virtual void DropIncoming() = 0;
    // The line failed under a request. True when it serves on (a TCP master went away and
    // another may connect); false when the controller has nothing left to serve.
    virtual bool EndConnection() = 0;
    // Hangs up: whoever has the line sees it vanish.
    virtual void Close() = 0;

    // The utility's line settings, where the line can know them.
    virtual std::optional<LineSettings> UtilitySettings() { return std::nullopt; }
};

} // namespace morvane::sim
