#pragma once
// The instrument the program reads, as vexor.ini keeps it: a VISA-style resource text.
//   ""                                      the HM on the serial port of section "COM"
//   TCPIP0::192.168.1.20::5555::SOCKET      a scope's raw SCPI socket
//   TCPIP0::192.168.1.20::SOCKET            the same, on whichever of 5025 and 5555 answers
//   TCPIP0::192.168.1.20::inst0::INSTR      VXI-11 and HiSLIP: through a VISA library only
//   USB0::0x1AB1::0x04CE::DS1ZA000001::INSTR  a USB scope: through a VISA library only
//   ASRL3::INSTR                            a generator on COM3, through the program's own port
#include <string>

#include "instrument/InstrumentTexts.h"

enum class ResourceKind { Serial, Socket, Visa, SerialLine };

struct InstrumentResource {
    ResourceKind Kind = ResourceKind::Serial;
    std::string Text;
    std::string Host; // a socket's: a host name or an IPv4 address
    int Port = 0;     // a socket's, 0 trying the scopes' own; a serial line's COM number

    // What the texts that name the place say: "192.168.1.20", "192.168.1.20:5555", "COM3", the
    // USB text.
    std::string Address() const;
};

// Throws EInstrumentError(BadResource) with the reason in words (1252) for a text the program
// cannot open, naming the instrument of `role`.
InstrumentResource ParseResource(const std::string& text,
                                 InstrumentRole role = InstrumentRole::Scope);
// "TCPIP0::<host>::<port>::SOCKET", or without the port when its text is empty: a port as typed
// ("5025"), refused unless it is all digits from 1 to 65535. Throws as ParseResource.
InstrumentResource SocketResource(const std::string& host, const std::string& port);
