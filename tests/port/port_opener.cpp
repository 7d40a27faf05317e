// Opens one device or network endpoint the way a command does and prints what the technician
// would be told. The permission test runs it as an unprivileged user, since root ignores file
// modes; the no-route test runs it in a network namespace of its own, which has no routes.

#include "fakewindowhost.h"
#include "port/tcpport.h"
#include "port/transportport.h"

#include <QCoreApplication>

#include <cstdio>
#include <cstdlib>

using namespace morvane;

int main(int argc, char** argv)
{
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: %s DEVICE|URL [CONNECT-LIMIT-MS]\n", argv[0]);
        return 2;
    }
    QCoreApplication application(argc, argv);
    SetNetworkPortMaker(&MakeTcpPort);
    TransportPort port;
    if (argc == 3)
        port.SetConnectTimeLimit(std::chrono::milliseconds(std::atoi(argv[2])));
    testing::FakeWindowHost host;
    testing::OpenAsCommand(port, ResolvePort(argv[1]), host, HostPortSystem());
    std::printf("fault %d\n", static_cast<int>(port.LastFault()));
    for (const testing::ShownMessage& m : host.messages)
        std::printf("title %s\ntext %s\n", m.title.c_str(), m.text.c_str());
    return port.PortOpen() ? 0 : 1;
}
