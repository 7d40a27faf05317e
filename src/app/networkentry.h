#pragma once
// The entry of the network library, which morvane-config loads the first time a port names a
// network endpoint: the TCP connection with Qt Network, which the program does not link, so
// that a serial read, --help and the other subcommands never load Qt Network and the libraries
// it links. Qt Core only.

#include "port/networkport.h"

#include <string>

namespace morvane
{

// A new network port, owned by the caller; nullptr and the reason when none can be made.
using NetworkEntry = NetworkPort* (*)(std::string& problem);

inline constexpr char kNetworkEntryName[] = "morvane_network_port";

// A NetworkPortMaker that loads the network library once, from beside the program or among its
// installed parts, and makes each port with its entry.
std::unique_ptr<NetworkPort> LoadedNetworkPort(std::string& problem);

} // namespace morvane
