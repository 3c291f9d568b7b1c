#pragma once
// The serial port component as the read's port, set up for the oscilloscope's line.
#include "acquisition/InstrumentPort.h"
#include "serial/ComPort.h"

// 9600 baud, 8N1, no handshake, the queue sizes and flow-control levels the read needs; the port
// is opened by the identification, never automatically.
void ApplyInstrumentLineSettings(TSerialComPort& port);

class SerialInstrumentPort : public InstrumentPort {
public:
    explicit SerialInstrumentPort(TSerialComPort& port) : port_(port) {}

    void SetOpen(bool open) override { port_.SetOpen(open); }
    uint16_t ComNumber() const override { return port_.ComNumber(); }
    void SetOnTriggerAvail(Intake handler) override;
    void DiscardOutput() override { port_.DiscardOutput(); }
    void DiscardInput() override { port_.DiscardInput(); }
    void SendString(std::string_view bytes) override { port_.SendString(bytes); }
    bool ByteReady() override { return port_.ByteReady(); }
    uint8_t ReadByte() override { return port_.ReadByte(); }
    void YieldToPort() override { port_.YieldToPort(); }

private:
    TSerialComPort& port_;
};
