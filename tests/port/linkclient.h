#pragma once
// The link over a TransportPort, one command at a time as the window runs it, on a clock that
// moves secondsPerIdlePump at each sleep of the wait while the pump really waits for the
// network (at most 20 ms): a wait that nothing ends reaches its 20 s limit in well under a
// second. Every TCP event is kept in words.

#include "controller/configblock.h"
#include "fakewindowhost.h"
#include "port/eventpump.h"
#include "port/tcpport.h"
#include "port/transportport.h"
#include "protocol/crc16.h"
#include "protocol/replywait.h"
#include "protocol/requests.h"

#include <QString>
#include <QStringList>

#include <algorithm>

namespace morvane::testing
{

struct LinkClient {
    LinkClient()
    {
        SetNetworkPortMaker(&MakeTcpPort);
        ModbusCrcInit(link.state);
        host.pumpStepSeconds = 0;
        host.onPump = [this](int maxWaitMs) {
            pump.Pump(std::min(maxWaitMs, 20));
            if (maxWaitMs > 0)
                host.now += secondsPerIdlePump;
        };
        port.SetTcpEventSink([this](const TcpEvent& e) { events << Words(e); });
    }

    static QString Words(const TcpEvent& e)
    {
        switch (e.kind) {
        case TcpEvent::Kind::Connected:
            return "connected";
        case TcpEvent::Kind::Closed:
            return e.byPeer ? "closed by peer" : "closed";
        case TcpEvent::Kind::MbapSent:
            return QString("sent %1 unit %2").arg(e.header.transaction).arg(e.header.unit);
        case TcpEvent::Kind::MbapReceived:
            return QString("received %1").arg(e.header.transaction);
        case TcpEvent::Kind::MbapRejected:
            return "rejected " + QString::fromUtf8(MbapRejectionName(e.rejection));
        }
        return {};
    }

    // Reads registers 3 to 11 of the slave into its RegImage slots, or writes them from there.
    // A port that does not open ends as a lost connection with the device "not opened".
    ReceiveResult Exchange(const QString& url, std::int16_t slave = ConfigSlaveAddress,
                           bool write = false)
    {
        if (!OpenAsCommand(port, ResolvePort(url.toStdString()), host, HostPortSystem()))
            return {ReceiveOutcome::ConnectionLost, 0, "not opened", {}};
        link.state.ImageBase = static_cast<std::int16_t>(RegisterSlot(slave, ConfigFirstRegister));
        if (write)
            ModbusWriteRequest(link, slave, ConfigFirstRegister, ConfigRegisterCount);
        else
            ModbusReadRequest(link, slave, ConfigFirstRegister, ConfigRegisterCount);
        std::int16_t startFlag = 0;
        const ReceiveResult result = ModbusReceive(link, slave, startFlag);
        port.SetPortOpen(false);
        return result;
    }

    QList<int> Registers(std::int16_t slave = ConfigSlaveAddress) const
    {
        QList<int> values;
        for (int r = ConfigFirstRegister; r < ConfigFirstRegister + ConfigRegisterCount; ++r)
            values << link.state.RegImage[std::size_t(RegisterSlot(slave, r))];
        return values;
    }

    TransportPort port;
    FakeWindowHost host;
    Link link{port, host};
    QtEventPump pump;
    double secondsPerIdlePump = 0.5;
    QStringList events;
};

} // namespace morvane::testing
