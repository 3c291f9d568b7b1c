#pragma once
// A scope's raw SCPI socket: a TCP connection whose reads give what has come, wait at most the
// answer time, and give up at once when the program's cancel event is set.
#include <windows.h>
#include <string>

#include "instrument/ScpiStream.h"
#include "ui/Handles.h"

// A Winsock socket, closed by closesocket.
struct SocketTraits {
    using pointer = UINT_PTR;
    static pointer Invalid() noexcept { return ~UINT_PTR(0); } // INVALID_SOCKET
    static bool IsValid(pointer socket) noexcept { return socket != Invalid(); }
    static void Close(pointer socket) noexcept;
};
using UniqueSocket = UniqueHandle<SocketTraits>;

class TcpStream : public ByteStream {
public:
    // Connects within `connectMs`; throws EInstrumentError (Unreachable, Cancelled).
    TcpStream(const std::string& host, int port, HANDLE cancel, unsigned connectMs,
              unsigned answerMs);
    TcpStream(const TcpStream&) = delete;
    TcpStream& operator=(const TcpStream&) = delete;

    void Write(const std::string& bytes) override;
    std::size_t Read(uint8_t* into, std::size_t most) override;
    void SetAnswerTime(unsigned ms) override { answerMs_ = ms; }

private:
    // Waits for the socket's next event; throws Silent after `ms`, Cancelled on the cancel event.
    void Await(unsigned ms, InstrumentFault onTimeOut);

    UniqueKernelHandle event_; // of the socket's events
    UniqueSocket socket_;
    HANDLE cancel_;
    unsigned answerMs_;
};
