#pragma once
// The operations of a serial port component that its owner calls, as the owner sees them: what
// the conversation with an instrument needs. Failures raise ESerialException and its family.
#include <cstdint>
#include <functional>
#include <string_view>

class TSerialPort;

// The bytes-available event: `Count` bytes wait; the handler takes them with ReadByte.
using TTriggerAvailEvent = std::function<void(TSerialPort& CP, uint16_t Count)>;

class TSerialPort {
public:
    virtual ~TSerialPort() = default;

    virtual void SetOpen(bool open) = 0;
    virtual uint16_t ComNumber() const = 0;
    // Without a handler no event comes: received bytes stay in the input buffer for polling.
    virtual void SetOnTriggerAvail(TTriggerAvailEvent handler) = 0;
    virtual void DiscardOutput() = 0;
    virtual void DiscardInput() = 0;
    // Queues the bytes for sending and returns at once.
    virtual void SendString(std::string_view bytes) = 0;
    virtual bool ByteReady() = 0;
    virtual uint8_t ReadByte() = 0;
    // Gives the port's threads the time slice while nothing is ready.
    virtual void YieldToPort() = 0;
    // The device went away while the port was open (an adapter pulled out): the port stays open
    // on the owner's side, receives nothing more and refuses to send, until it is closed.
    virtual bool DeviceLost() const = 0;
};
