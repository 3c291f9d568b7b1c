#include "acquisition/HmLine.h"

void ApplyHmLineSettings(TSerialComPort& port) {
    port.SetBaud(9600);
    port.SetInSize(5120);
    port.SetOutSize(1024);
    port.AutoOpen = false;
    port.SetBufferFull(3690);
    port.SetBufferResume(1200);
}
