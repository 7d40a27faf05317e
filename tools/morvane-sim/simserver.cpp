#include "simserver.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace morvane::sim
{

namespace
{

using Clock = std::chrono::steady_clock;

// How long a reply may wait for room at the utility's end before the unread bytes
// there are thrown away, as a real line would have lost them.
constexpr int StuckLineMs = 1000;

timespec TimeUntil(Clock::time_point deadline)
{
    auto left = std::max(Clock::duration::zero(), deadline - Clock::now());
    auto seconds = std::chrono::duration_cast<std::chrono::seconds>(left);
    auto nanoseconds = std::chrono::duration_cast<std::chrono::nanoseconds>(left - seconds);
    return {static_cast<time_t>(seconds.count()), static_cast<long>(nanoseconds.count())};
}

bool LineBroken(int error)
{
    return error == ECONNRESET || error == EIO || error == EBADF || error == EPIPE;
}

} // namespace

SimServer::SimServer(const SimOptions& options, SimLine& line, int stopFd)
    : m_options(options), m_line(line),
      m_framing(options.transport == Transport::Tcp ? Framing::Mbap : Framing::Rtu),
      m_stopFd(stopFd)
{
}

SimServer::~SimServer()
{
    // modbus_close() is not called: the descriptor belongs to the line.
    if (m_modbus)
        modbus_free(m_modbus);
    if (m_registers)
        modbus_mapping_free(m_registers);
    for (int fd : m_capture)
        if (fd != -1)
            close(fd);
}

std::string SimServer::Setup()
{
    if (!RenewContext())
        return "cannot create the Modbus context";
    m_registers = modbus_mapping_new_start_address(
        0, 0, 0, 0, FirstRegisterAddress, static_cast<int>(m_options.registers.size()), 0, 0);
    if (!m_registers)
        return "cannot create the register map";
    for (size_t i = 0; i < m_options.registers.size(); ++i)
        m_registers->tab_registers[i] = m_options.registers[i];
    // A socket pair rather than a pipe: libmodbus sends a Modbus TCP reply with send().
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, m_capture) != 0)
        return "cannot create the reply capture socket pair";
    // The default slack of 50 us would be half a character at 115200 baud.
    if (m_options.paceBaud != 0)
        prctl(PR_SET_TIMERSLACK, 1UL);
    return {};
}

bool SimServer::RenewContext()
{
    if (m_modbus)
        modbus_free(m_modbus);
    // libmodbus never opens anything itself: it talks over the line's descriptor.
    m_modbus = m_framing == Framing::Mbap ? modbus_new_tcp("127.0.0.1", 0)
                                          : modbus_new_rtu(m_line.Name().c_str(), 9600, 'N', 8, 1);
    return m_modbus && modbus_set_slave(m_modbus, m_options.slave) == 0;
}

int SimServer::Run()
{
    while (true) {
        Outcome outcome = WaitForRequest();
        if (outcome == Outcome::Continue)
            outcome = ServeRequest();
        switch (outcome) {
        case Outcome::Continue:
            break;
        case Outcome::Stop:
            return 0;
        case Outcome::HangUp:
            std::printf("hangup\n");
            std::fflush(stdout);
            m_line.Close();
            return 0;
        case Outcome::Fail:
            return 1;
        }
    }
}

SimServer::Outcome SimServer::WaitForRequest()
{
    while (true) {
        if (m_line.DataFd() == -1 && m_line.NoticeFd() == -1) {
            Trace("the line is gone");
            return Outcome::Fail;
        }
        pollfd watched[3] = {
            {m_stopFd, POLLIN, 0}, {m_line.DataFd(), POLLIN, 0}, {m_line.NoticeFd(), POLLIN, 0}};
        if (poll(watched, 3, -1) < 0) {
            if (errno == EINTR)
                continue;
            return Outcome::Fail;
        }
        if (watched[0].revents != 0)
            return Outcome::Stop;
        // The open comes before the request it carries: count it first.
        if (watched[2].revents != 0)
            m_line.TakeNotices();
        if (watched[1].revents == 0)
            continue;
        if ((watched[1].revents & POLLIN) == 0) {
            // A hang-up without data would wake poll() at once, forever: end it instead.
            char events[32];
            std::snprintf(events, sizeof events, "poll events 0x%x", watched[1].revents);
            if (LineFailed(events) == Outcome::Fail)
                return Outcome::Fail;
            continue;
        }
        return Outcome::Continue;
    }
}

SimServer::Outcome SimServer::ServeRequest()
{
    uint8_t request[MODBUS_MAX_ADU_LENGTH];
    modbus_set_socket(m_modbus, m_line.DataFd());
    int length = modbus_receive(m_modbus, request);
    const Clock::time_point requestEnd = Clock::now();
    if (length < 0) {
        if (LineBroken(errno))
            return LineFailed(modbus_strerror(errno));
        // Start afresh with the next frame rather than reading the rest of this one as one.
        Trace("dropped a malformed request: %s", modbus_strerror(errno));
        m_line.DropIncoming();
        return Outcome::Continue;
    }
    if (length == 0) {
        // libmodbus now takes the next frame for that slave's reply and swallows it; on a
        // line with no other slave that frame is the utility's next request.
        Trace("ignored a request for another slave");
        return RenewContext() ? Outcome::Continue : Outcome::Fail;
    }
    if (ForOthers(request, length) || !MadeOut())
        return Outcome::Continue;
    const Frame asOnLine = m_framing == Framing::Mbap
                               ? RtuFrameOfMbap(request, static_cast<size_t>(length))
                               : Frame(request, request + length);
    ++m_requestsSeen;
    // Printed before any answer leaves, so whoever has the reply can already read the line.
    std::printf("%s\n", DescribeRequest(asOnLine.data(), asOnLine.size()).c_str());
    std::fflush(stdout);
    Trace("<- %s", HexText(Frame(request, request + length)).c_str());
    if (m_options.hangupAfter && m_requestsSeen > *m_options.hangupAfter)
        return Outcome::HangUp;
    if (m_options.silent)
        return Outcome::Continue;
    return Answer(request, length, asOnLine, requestEnd);
}

// A TCP master going away only ends its connection; the next may connect.
SimServer::Outcome SimServer::LineFailed(const char* what)
{
    if (m_line.EndConnection()) {
        Trace("the connection ended: %s", what);
        return Outcome::Continue;
    }
    Trace("the line failed: %s", what);
    return Outcome::Fail;
}

// libmodbus's Modbus TCP server answers any unit identifier; a gateway passes on only those
// of its units, so a request for another is left unanswered here.
bool SimServer::ForOthers(const uint8_t* request, int length)
{
    if (m_framing != Framing::Mbap || length < static_cast<int>(MbapHeaderSize))
        return false;
    const int unit = request[MbapHeaderSize - 1];
    if (unit == m_options.slave)
        return false;
    Trace("ignored a request for unit %d", unit);
    return true;
}

// A request sent at another speed or parity reaches a real controller as garbage.
bool SimServer::MadeOut() const
{
    const std::optional<LineSettings> utility = m_line.UtilitySettings();
    if (!utility)
        return true;
    const bool speedAgrees = !m_options.baud || utility->baud == *m_options.baud;
    const bool parityAgrees = !m_options.parity || utility->parity == *m_options.parity;
    if (speedAgrees && parityAgrees)
        return true;
    Trace("ignored a request sent at %ld baud, parity %c", utility->baud, utility->parity);
    return false;
}

SimServer::Outcome SimServer::Answer(const uint8_t* request, int length, const Frame& asOnLine,
                                     Clock::time_point requestEnd)
{
    Frame reply;
    if (m_options.exceptionCode != 0) {
        const auto code = static_cast<uint8_t>(m_options.exceptionCode);
        if (m_framing == Framing::Mbap)
            reply = MbapExceptionFrame(request, code);
        else if (request[0] != 0) // a broadcast is never answered
            reply = ExceptionFrame(request[0], request[1], code);
    } else {
        reply = LibraryReply(request, length);
        HoldDisagreements(asOnLine, reply);
    }
    if (reply.empty())
        return Outcome::Continue;
    SimOptions shaping = m_options;
    shaping.badCrc = m_options.badCrc || m_repliesShaped++ < m_options.badCrcFirst;
    Frame line = ShapeReply(std::move(reply), shaping, m_framing);
    Clock::duration wait = std::chrono::milliseconds(m_options.delayMs);
    if (m_options.paceBaud != 0)
        wait = std::max<Clock::duration>(wait, FrameSilence(m_options.paceBaud));
    const Clock::time_point start = requestEnd + wait;
    if (!PauseUntil(start))
        return Outcome::Stop;
    Trace("-> %s", HexText(line).c_str());
    return SendInPieces(line, start) ? Outcome::Continue : Outcome::Stop;
}

// A refused write stored nothing, so there is nothing to overrule; a broadcast is stored
// without a reply. The read half of a function 23 reply still shows what was written, as
// from a controller that clamps just after answering.
void SimServer::HoldDisagreements(const Frame& request, const Frame& reply)
{
    const size_t functionAt = m_framing == Framing::Mbap ? MbapHeaderSize : 1;
    bool stored = reply.size() <= functionAt ? request[0] == 0 : (reply[functionAt] & 0x80) == 0;
    WrittenSpan span = WrittenRegisters(request.data(), request.size());
    const int blockEnd = FirstRegisterAddress + static_cast<int>(m_options.registers.size());
    if (!stored || span.first < FirstRegisterAddress || span.first + span.count > blockEnd)
        return;
    for (int address = span.first; address < span.first + span.count; ++address) {
        const size_t index = static_cast<size_t>(address - FirstRegisterAddress);
        if (m_options.disagree[index])
            m_registers->tab_registers[index] = *m_options.disagree[index];
    }
}

// libmodbus writes its reply to whatever its socket is; pointing it at a pipe for one
// call hands us the exact frame it would have sent, to spoil before it leaves.
Frame SimServer::LibraryReply(const uint8_t* request, int length)
{
    modbus_set_socket(m_modbus, m_capture[1]);
    if (modbus_reply(m_modbus, request, length, m_registers) < 0)
        Trace("libmodbus could not answer: %s", modbus_strerror(errno));
    modbus_set_socket(m_modbus, m_line.DataFd());
    Frame reply;
    uint8_t chunk[MODBUS_MAX_ADU_LENGTH];
    ssize_t got;
    while ((got = read(m_capture[0], chunk, sizeof chunk)) > 0)
        reply.insert(reply.end(), chunk, chunk + got);
    return reply;
}

bool SimServer::SendInPieces(const Frame& bytes, Clock::time_point start)
{
    std::vector<Frame> pieces = SplitIntoPieces(bytes, m_options.pieces);
    Clock::time_point lineFree = start;
    for (size_t i = 0; i < pieces.size(); ++i) {
        if (i > 0)
            lineFree += std::chrono::milliseconds(m_options.gapMs);
        Sent sent = SendPiece(pieces[i], lineFree);
        if (sent != Sent::Whole)
            return sent == Sent::Lost;
    }
    return true;
}

// Paced, each byte leaves when a real line would have finished delivering it: written whole
// and held afterwards, the utility would read the last byte at once, well before its time.
// Unpaced, the piece leaves in one write. lineFree becomes the time the piece is over.
SimServer::Sent SimServer::SendPiece(const Frame& piece, Clock::time_point& lineFree)
{
    const long baud = m_options.paceBaud;
    const Clock::time_point start = lineFree;
    const size_t step = baud != 0 ? 1 : piece.size();
    for (size_t at = 0; at < piece.size(); at += step) {
        if (baud != 0)
            lineFree = start + CharacterTimes(baud, at + 1);
        if (!PauseUntil(lineFree))
            return Sent::Stopped;
        // Checked before every write: what a closed port missed must not wait for its next
        // opener.
        if (!m_line.SomeoneListens()) {
            Trace("reply lost: nobody has the port open");
            return Sent::Lost;
        }
        if (!WriteAll(piece.data() + at, step))
            return Sent::Stopped;
    }
    if (baud == 0)
        lineFree = Clock::now();
    return Sent::Whole;
}

// False only when a stop was asked for; a reply that cannot be delivered is dropped.
bool SimServer::WriteAll(const uint8_t* bytes, size_t size)
{
    size_t written = 0;
    bool discarded = false;
    while (written < size) {
        ssize_t sent = write(m_line.DataFd(), bytes + written, size - written);
        if (sent > 0) {
            written += static_cast<size_t>(sent);
            continue;
        }
        if (sent < 0 && errno != EAGAIN && errno != EINTR) {
            Trace("reply lost: %s", modbus_strerror(errno));
            return true;
        }
        if (StopRequested())
            return false;
        if (WaitWritable(StuckLineMs))
            continue;
        if (discarded) {
            Trace("reply lost: nobody reads the line");
            return true;
        }
        m_line.DiscardUnread();
        discarded = true;
    }
    return true;
}

bool SimServer::WaitWritable(int timeoutMs)
{
    pollfd watched[2] = {{m_stopFd, POLLIN, 0}, {m_line.DataFd(), POLLOUT, 0}};
    return poll(watched, 2, timeoutMs) > 0 && (watched[1].revents & POLLOUT) != 0;
}

// ppoll rather than clock_nanosleep: as precise, and a stop still ends the wait at once,
// however slow the paced line.
bool SimServer::PauseUntil(Clock::time_point deadline)
{
    pollfd stop = {m_stopFd, POLLIN, 0};
    while (true) {
        timespec left = TimeUntil(deadline);
        int ready = ppoll(&stop, 1, &left, nullptr);
        if (ready > 0)
            return false;
        if (ready == 0 && Clock::now() >= deadline)
            return true;
    }
}

bool SimServer::StopRequested() const
{
    pollfd stop = {m_stopFd, POLLIN, 0};
    return poll(&stop, 1, 0) > 0;
}

void SimServer::Trace(const char* format, ...) const
{
    if (!m_options.verbose)
        return;
    std::va_list arguments;
    va_start(arguments, format);
    std::fputs("morvane-sim: ", stderr);
    std::vfprintf(stderr, format, arguments);
    std::fputc('\n', stderr);
    va_end(arguments);
}

} // namespace morvane::sim
