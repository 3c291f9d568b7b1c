#pragma once
// A scope's raw SCPI socket: a TCP connection whose reads give what has come, wait at most the
// answer time, and give up at once when the program's cancel event is set.
#include <windows.h>
#include <string>

#include "instrument/ScpiStream.h"

class TcpStream : public ByteStream {
public:
    // Connects within `connectMs`; throws EInstrumentError (Unreachable, Cancelled).
    TcpStream(const std::string& host, int port, HANDLE cancel, unsigned connectMs,
              unsigned answerMs);
    ~TcpStream() override;
    TcpStream(const TcpStream&) = delete;
    TcpStream& operator=(const TcpStream&) = delete;

    void Write(const std::string& bytes) override;
    std::size_t Read(uint8_t* into, std::size_t most) override;
    void SetAnswerTime(unsigned ms) override { answerMs_ = ms; }

private:
    // Waits for the socket's next event; throws Silent after `ms`, Cancelled on the cancel event.
    void Await(unsigned ms, InstrumentFault onTimeOut);

    UINT_PTR socket_;
    HANDLE event_;
    HANDLE cancel_;
    unsigned answerMs_;
};
