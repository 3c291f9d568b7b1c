#pragma once
// The serial line to the HM 305 or HM 408 (the generators on a serial line have their own).
#include "serial/ComPort.h"

// 9600 baud, 8N1, no handshake, the queue sizes and flow-control levels the read needs; the port
// is opened by the identification, never automatically.
void ApplyHmLineSettings(TSerialComPort& port);
