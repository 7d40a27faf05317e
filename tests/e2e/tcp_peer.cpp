// libmodbus's own Modbus TCP server on 127.0.0.1, a peer that shares nothing with the utility
// or the virtual controller. Holding registers 0 to 19 hold 100 plus their address. The first
// line of standard output is the port it listens on; it serves one master after another until
// it is stopped.

#include <modbus.h>

#include <arpa/inet.h>
#include <cerrno>
#include <cstdio>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

int main()
{
    modbus_t* context = modbus_new_tcp("127.0.0.1", 0);
    modbus_mapping_t* registers = modbus_mapping_new(0, 0, 20, 0);
    int listener = context && registers ? modbus_tcp_listen(context, 1) : -1;
    sockaddr_in address{};
    socklen_t size = sizeof address;
    if (listener == -1 ||
        getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
        std::fprintf(stderr, "tcp_peer: cannot listen: %s\n", modbus_strerror(errno));
        return 1;
    }
    for (int i = 0; i < 20; ++i)
        registers->tab_registers[i] = static_cast<uint16_t>(100 + i);
    std::printf("%d\n", ntohs(address.sin_port));
    std::fflush(stdout);
    while (modbus_tcp_accept(context, &listener) != -1) {
        uint8_t request[MODBUS_TCP_MAX_ADU_LENGTH];
        int length;
        while ((length = modbus_receive(context, request)) != -1)
            if (length > 0)
                modbus_reply(context, request, length, registers);
        close(modbus_get_socket(context));
    }
    modbus_mapping_free(registers);
    modbus_free(context);
    return 0;
}
