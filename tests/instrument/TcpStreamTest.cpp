// The raw socket against the loopback interface: a connection refused costs nothing that stays.
#include <winsock2.h>

#include <gtest/gtest.h>

#include "instrument/TcpStream.h"
#include "tests/serial/ProcessFigures.h"

namespace {

// A port bound but not listening: every connection to it is refused at once.
struct RefusingPort {
    RefusingPort() {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
        socket.reset(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(socket.get(), reinterpret_cast<sockaddr*>(&address), sizeof address);
        int length = sizeof address;
        getsockname(socket.get(), reinterpret_cast<sockaddr*>(&address), &length);
        Number = ntohs(address.sin_port);
    }
    UniqueSocket socket;
    int Number = 0;
};

InstrumentFault Refusal(int port, HANDLE cancel) {
    try {
        TcpStream stream("127.0.0.1", port, cancel, 2000, 2000);
    } catch (const EInstrumentError& error) {
        return error.Fault;
    }
    return InstrumentFault::Cancelled;
}

} // namespace

TEST(TcpStream, AHundredRefusedConnectionsLeaveNoHandleBehind) {
    RefusingPort port;
    UniqueKernelHandle cancel(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    ASSERT_EQ(Refusal(port.Number, cancel.get()), InstrumentFault::Unreachable);
    int before = HandleCount();
    ASSERT_GT(before, 0);
    for (int i = 0; i < 100; ++i)
        ASSERT_EQ(Refusal(port.Number, cancel.get()), InstrumentFault::Unreachable);
    EXPECT_EQ(HandleCount(), before);
}
