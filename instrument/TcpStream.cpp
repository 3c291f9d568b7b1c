// Winsock first: <windows.h> would otherwise bring the older socket header.
#include <winsock2.h>
#include <ws2tcpip.h>

#include "instrument/TcpStream.h"

#include <mutex>

namespace {

void StartWinsock() {
    static std::once_flag started;
    std::call_once(started, [] {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
    });
}

struct AddressList {
    addrinfo* First = nullptr;
    ~AddressList() {
        if (First) freeaddrinfo(First);
    }
};

} // namespace

void SocketTraits::Close(pointer socket) noexcept { closesocket(socket); }

TcpStream::TcpStream(const std::string& host, int port, HANDLE cancel, unsigned connectMs,
                     unsigned answerMs)
    : cancel_(cancel), answerMs_(answerMs) {
    StartWinsock();
    AddressList addresses;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    std::string service = std::to_string(port);
    if (getaddrinfo(host.c_str(), service.c_str(), &hints, &addresses.First) != 0 ||
        !addresses.First)
        throw EInstrumentError(InstrumentFault::Unreachable, "name");
    event_.reset(WSACreateEvent());
    socket_.reset(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    if (!socket_ || !event_) throw EInstrumentError(InstrumentFault::Unreachable, "socket");
    BOOL noDelay = TRUE;
    setsockopt(socket_.get(), IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&noDelay),
               sizeof noDelay);
    // The socket tells its events to event_, and so no longer blocks.
    WSAEventSelect(socket_.get(), event_.get(), FD_CONNECT | FD_READ | FD_WRITE | FD_CLOSE);
    if (::connect(socket_.get(), addresses.First->ai_addr, int(addresses.First->ai_addrlen)) == 0)
        return;
    if (WSAGetLastError() != WSAEWOULDBLOCK)
        throw EInstrumentError(InstrumentFault::Unreachable, "connect");
    for (;;) {
        Await(connectMs, InstrumentFault::Unreachable);
        WSANETWORKEVENTS events{};
        WSAEnumNetworkEvents(socket_.get(), event_.get(), &events);
        if (events.lNetworkEvents & FD_CONNECT) {
            if (events.iErrorCode[FD_CONNECT_BIT] != 0)
                throw EInstrumentError(InstrumentFault::Unreachable, "refused");
            return;
        }
    }
}

void TcpStream::Await(unsigned ms, InstrumentFault onTimeOut) {
    HANDLE waited[] = {cancel_, event_.get()};
    switch (WaitForMultipleObjects(2, waited, FALSE, ms)) {
    case WAIT_OBJECT_0: throw EInstrumentError(InstrumentFault::Cancelled);
    case WAIT_OBJECT_0 + 1: return;
    default: throw EInstrumentError(onTimeOut);
    }
}

void TcpStream::Write(const std::string& bytes) {
    for (std::size_t at = 0; at < bytes.size();) {
        int sent = ::send(socket_.get(), bytes.data() + at, int(bytes.size() - at), 0);
        if (sent > 0) {
            at += std::size_t(sent);
            continue;
        }
        if (WSAGetLastError() != WSAEWOULDBLOCK) throw EInstrumentError(InstrumentFault::Reset);
        Await(answerMs_, InstrumentFault::Silent);
        WSANETWORKEVENTS events{};
        WSAEnumNetworkEvents(socket_.get(), event_.get(), &events);
    }
}

std::size_t TcpStream::Read(uint8_t* into, std::size_t most) {
    for (;;) {
        int got = ::recv(socket_.get(), reinterpret_cast<char*>(into),
                         int(std::min<std::size_t>(most, 1 << 20)), 0);
        if (got > 0) return std::size_t(got);
        if (got == 0 || WSAGetLastError() != WSAEWOULDBLOCK)
            throw EInstrumentError(InstrumentFault::Reset);
        Await(answerMs_, InstrumentFault::Silent);
        WSANETWORKEVENTS events{};
        WSAEnumNetworkEvents(socket_.get(), event_.get(), &events);
    }
}
