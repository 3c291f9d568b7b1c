#pragma once
// USB scopes (and VXI-11, HiSLIP) through the VISA library installed on the machine, loaded at
// run time from the system folder only: visa64.dll in the 64-bit program, visa32.dll in the
// 32-bit one, so that the program imports nothing Windows lacks. Reads go in short chunks, so
// that the program's cancel event ends them at once.
#include <windows.h>
#include <string>
#include <vector>

#include "instrument/ScpiStream.h"

// Whether the library can be used, and if not, why (1252, for the Instrument window).
struct VisaAvailability {
    bool Installed = false;
    std::string Reason;
};
VisaAvailability FindVisa();

// The USB instruments the library finds ("USB0::0x1AB1::0x04CE::DS1ZA0000001::INSTR"); none
// without a library.
std::vector<std::string> FindVisaInstruments();

class VisaStream : public ByteStream {
public:
    // Opens `resource`; throws EInstrumentError (NoVisa, Unreachable, Cancelled).
    VisaStream(const std::string& resource, HANDLE cancel, unsigned answerMs);
    ~VisaStream() override;
    VisaStream(const VisaStream&) = delete;
    VisaStream& operator=(const VisaStream&) = delete;

    void Write(const std::string& bytes) override;
    std::size_t Read(uint8_t* into, std::size_t most) override;
    void SetAnswerTime(unsigned ms) override { answerMs_ = ms; }

private:
    unsigned long manager_ = 0, session_ = 0;
    HANDLE cancel_;
    unsigned answerMs_;
};
