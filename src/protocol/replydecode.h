#pragma once
// What a complete, valid frame in RxBuf means for the request last sent, and how the
// registers of an answered read reach RegImage.

#include "protocol/linkstate.h"

namespace morvane
{

enum class ReplyKind {
    Answer,    // same slave and function; read: byte count halves to the count asked for;
               // write: echoes the wire address and register count sent
    Refusal,   // exception reply to the last request: slave, function + 0x80, code
    Unrelated, // anything else, passed over
};
ReplyKind ModbusClassifyReply(const LinkState& state);

// Stores the registers of a read reply in RxBuf that answers LastRequest into RegImage from
// slot ImageBase on, as unsigned values 0 to 65535. Any other frame, and a reply whose slots
// would fall outside RegImage, changes nothing.
void ModbusDecodeResponse(LinkState& state);

} // namespace morvane
