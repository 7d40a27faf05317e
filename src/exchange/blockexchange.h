#pragma once
// One exchange of the configuration block over a link, as steps that each front end runs in its
// own order: open the port, send the read or the write request, await the reply, take the
// values, close. The window goes on after a failed open, so that its wait ends at once and its
// command ends as every other does, and it fills its fields between the answer and the close;
// the command line stops at a failed open and closes before it looks at the values.

#include "controller/configblock.h"
#include "port/portopening.h"
#include "port/systemports.h"
#include "protocol/link.h"
#include "protocol/replywait.h"

#include <cstdint>
#include <optional>

namespace morvane
{

// Opens the link's port on `port` at the link's baud rate and parity, 8 data bits, 1 stop bit.
std::optional<OpenFailure> OpenBlockPort(Link& link, const ResolvedPort& port,
                                         const PortSystem& system);

// Asks slave 1 for registers 3 to 11; an answer lands at their slots of the register image.
void SendBlockRead(Link& link);
// Puts the values at the slots of registers 3 to 11 and sends them to slave 1.
void SendBlockWrite(Link& link, const Registers& values);

// Waits for slave 1's reply to the request just sent. A port that is not open (its opener has
// said why) ends the wait at once as a lost connection that names no device.
ReceiveResult AwaitBlockReply(Link& link);

// Registers 3 to 11 as the register image holds them: after an answered read, what it brought.
Registers BlockValues(const Link& link);

// Where register `reg` of slave 1 lives in the register image.
std::int32_t& BlockRegister(Link& link, int reg);

void CloseBlockPort(Link& link);

} // namespace morvane
