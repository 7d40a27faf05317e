// Opens one device the way a command does and prints what the technician would be told.
// The permission test runs it as an unprivileged user, since root ignores file modes.

#include "fakewindowhost.h"
#include "port/qtserialport.h"

#include <cstdio>

using namespace morvane;

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s DEVICE\n", argv[0]);
        return 2;
    }
    QtSerialPort port;
    testing::FakeWindowHost host;
    testing::OpenAsCommand(port, ResolvePort(argv[1]), host, HostPortSystem());
    std::printf("fault %d\n", static_cast<int>(port.LastFault()));
    for (const testing::ShownMessage& m : host.messages)
        std::printf("title %s\ntext %s\n", m.title.c_str(), m.text.c_str());
    return port.PortOpen() ? 0 : 1;
}
