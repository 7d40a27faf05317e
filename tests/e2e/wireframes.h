// Frames of the configuration block on the wire, written out by hand so that tests check
// the peers against the Modbus documents rather than against each other.
#pragma once

#include <QByteArray>
#include <QString>

namespace morvane::testing
{

// Slave 1, function 3, wire address 2 (register 3), 9 registers, CRC 24 0C.
inline const QByteArray ReadRequest = QByteArray::fromHex("010300020009240c");
// The answer to ReadRequest while registers 3 to 11 hold 2, 1, 0, 100, 500, 20, 1, 3, 0.
inline const QByteArray DesignReply =
    QByteArray::fromHex("010312000200010000006401f400140001000300008713");
// The answer to any write of the nine registers: slave, 16, address 2, count 9, CRC.
inline const QByteArray WriteReply = QByteArray::fromHex("011000020009a1cf");
// What morvane-sim prints when it receives ReadRequest.
inline const QString ReadLine = QStringLiteral("request fn=3 addr=2 count=9");

} // namespace morvane::testing
