// The entry of the network library (see networkentry.h): the only symbol it exports.

#include "app/networkentry.h"

#include "port/tcpport.h"

#include <type_traits>

extern "C" Q_DECL_EXPORT morvane::NetworkPort* morvane_network_port(std::string& problem)
{
    return morvane::MakeTcpPort(problem).release();
}

static_assert(std::is_same_v<decltype(&morvane_network_port), morvane::NetworkEntry>);
