#include "acquisition/SerialInstrumentPort.h"

void ApplyInstrumentLineSettings(TSerialComPort& port) {
    port.SetBaud(9600);
    port.SetInSize(5120);
    port.SetOutSize(1024);
    port.AutoOpen = false;
    port.SetBufferFull(3690);
    port.SetBufferResume(1200);
}

void SerialInstrumentPort::SetOnTriggerAvail(Intake handler) {
    if (!handler) {
        port_.SetOnTriggerAvail(nullptr);
        return;
    }
    port_.SetOnTriggerAvail([this, handler = std::move(handler)](
                                TSerialCustomComPort&, uint16_t count) { handler(*this, count); });
}
