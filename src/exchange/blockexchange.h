#pragma once
// One exchange of the configuration block over a link, as steps that each front end runs in its
// own order: open the port, send the read or the write request, await the reply, take the
// values, close. The window goes on after a failed open, so that its wait ends at once and its
// command ends as every other does, and it fills its fields between the answer and the close;
// the command line stops at a failed open and closes before it looks at the values.
//
// Whatever the slave address on the wire, the block lives in the register image's slots of
// slave 1: the image keeps 20 slaves' blocks, and an address above 20 has no slots of its own.

#include "controller/configblock.h"
#include "exchange/connection.h"
#include "port/portopening.h"
#include "port/systemports.h"
#include "protocol/link.h"
#include "protocol/replywait.h"

#include <cstdint>
#include <functional>
#include <optional>

namespace morvane
{

// Opens the link's port on `port` with the connection's line settings, 8 data bits; the
// link's next waits take the connection's time limit.
std::optional<OpenFailure> OpenBlockPort(Link& link, const ResolvedPort& port,
                                         const PortSystem& system, const Connection& connection);

// Asks the connection's slave for registers 3 to 11; an answer lands at the block's slots.
void SendBlockRead(Link& link, const Connection& connection);
// Puts the values at the block's slots and sends them to the connection's slave.
void SendBlockWrite(Link& link, const Connection& connection, const Registers& values);

// Waits for the slave's reply to the request just sent. A port that is not open (its opener
// has said why) ends the wait at once as a lost connection that names no device.
ReceiveResult AwaitBlockReply(Link& link, const Connection& connection);

// Sends a request with `send` and awaits its reply; an attempt that the time limit ended
// (nothing came, or only bytes that answer nothing) is made again, up to the connection's
// retries. A refusal or a lost connection ends it at once: asking again changes neither.
// `again` hears of each new attempt (2, 3, ...) before it is sent.
ReceiveResult RequestBlock(Link& link, const Connection& connection,
                           const std::function<void()>& send,
                           const std::function<void(int attempt)>& again = {});

// Registers 3 to 11 as the register image holds them: after an answered read, what it brought.
Registers BlockValues(const Link& link);

// Where register `reg` of the block lives in the register image.
std::int32_t& BlockRegister(Link& link, int reg);

void CloseBlockPort(Link& link);

} // namespace morvane
