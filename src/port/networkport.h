#pragma once
// A port reached over the network, as the port layer sees it without Qt Network: what happens
// on the connection, its connect time limit, and how one is made. The TCP connection itself
// (tcpport.*) is a library of its own, so that a program that never reaches a unit on the
// network never loads Qt Network and the libraries it links; morvane-config loads it only when
// a port names a network endpoint.

#include "protocol/mbap.h"
#include "protocol/serialport.h"

#include <chrono>
#include <functional>
#include <memory>
#include <string>

namespace morvane
{

// What happens on the connection, for whoever records the traffic.
struct TcpEvent {
    enum class Kind {
        Connected,    // the connection stands
        Closed,       // ended by us (byPeer false) or by the far end or the network (text: why)
        MbapSent,     // a request left with this header
        MbapReceived, // a reply with this header answers the request and goes to the link
        MbapRejected, // a frame with this header does not count (rejection: why)
    };
    Kind kind = Kind::Connected;
    std::string endpoint; // the URL, as DeviceName() has it
    MbapHeader header = {};
    MbapRejection rejection = MbapRejection::None;
    bool byPeer = false;
    std::string text = {};
};
using TcpEventSink = std::function<void(const TcpEvent&)>;

inline constexpr std::chrono::milliseconds kDefaultConnectTimeLimit{5000};

class NetworkPort : public SerialPort
{
  public:
    virtual void SetConnectTimeLimit(std::chrono::milliseconds limit) = 0;
    virtual void SetEventSink(TcpEventSink sink) = 0;
    // Called as bytes arrive, and when the connection ended under an open port and what came
    // before is taken.
    virtual void SetWatchers(std::function<void()> bytesArrived,
                             std::function<void()> connectionLost) = 0;
};

// Makes the network port; nullptr and the reason when it cannot be had.
using NetworkPortMaker = std::unique_ptr<NetworkPort> (*)(std::string& problem);

// How this program makes its network ports: every TransportPort made afterwards asks it when a
// port first names a network endpoint. Without one, such a port cannot be opened.
void SetNetworkPortMaker(NetworkPortMaker maker);
NetworkPortMaker CurrentNetworkPortMaker();

} // namespace morvane
