#pragma once
// What the conversation with the oscilloscope needs of its serial port. Failures raise the serial
// component's exceptions (ESerialException and its family).
#include <cstdint>
#include <functional>
#include <string_view>

class InstrumentPort {
public:
    // The bytes-available event: `count` bytes wait; the handler takes them with ReadByte.
    using Intake = std::function<void(InstrumentPort& port, uint16_t count)>;

    virtual ~InstrumentPort() = default;

    virtual void SetOpen(bool open) = 0;
    virtual uint16_t ComNumber() const = 0;
    // Without a handler no event comes: received bytes stay in the input buffer for polling.
    virtual void SetOnTriggerAvail(Intake handler) = 0;
    virtual void DiscardOutput() = 0;
    virtual void DiscardInput() = 0;
    // Queues the bytes for sending and returns at once.
    virtual void SendString(std::string_view bytes) = 0;
    virtual bool ByteReady() = 0;
    virtual uint8_t ReadByte() = 0;
    // Gives the port's threads the time slice while nothing is ready.
    virtual void YieldToPort() = 0;
};
