#pragma once
// What a scope's dialect needs of the connection to it: a command sent, a line answered, a
// definite-length block answered. A TCP socket or the VISA library carries them (ScpiLink.h);
// the tests script them. Every failure is an EInstrumentError that says what went wrong, in a
// word the window turns into a sentence.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

enum class InstrumentFault {
    Unreachable,       // nobody at the address, or the name does not resolve
    Silent,            // connected, but no answer within the time allowed
    Reset,             // the connection was closed or reset from the other end
    Stalled,           // a block stopped coming before its end
    ShortBlock,        // a block ended before the length its header gave
    BadBlockHeader,    // no "#N<length>" where a block was due
    BlockTooLarge,     // a block announced more than the program takes
    BadPreamble,       // the scope's settings did not read as numbers where due
    NoChannelShown,    // no channel is on
    UnknownInstrument, // "*IDN?" names no scope the program knows
    BadResource,       // the resource text is not one the program can open
    NoVisa,            // the resource needs a VISA library, and none is installed
    Cancelled,         // the program is closing
};

class EInstrumentError : public std::runtime_error {
public:
    EInstrumentError(InstrumentFault fault, const std::string& detail = "")
        : std::runtime_error(detail), Fault(fault) {}
    InstrumentFault Fault;
};

// How far a transfer has come: bytes received of those expected.
using TransferProgress = std::function<void(std::size_t done, std::size_t total)>;

// How a definite-length block is read.
struct BlockRequest {
    std::size_t Limit = 0; // a header announcing more bytes is refused before any is allocated
    int LineEnds = 1;      // the LF bytes after the block: one (Rigol), two (Siglent)
    // The bytes to read for the length the header gave; none: that length. A firmware may count
    // samples where bytes are due.
    std::function<std::size_t(std::size_t announced)> Adjust;
    TransferProgress Progress;
};

class ScpiSession {
public:
    virtual ~ScpiSession() = default;
    // One command line; the line end is added.
    virtual void Send(const std::string& command) = 0;
    // One command line and the line it answers, without its end.
    virtual std::string Query(const std::string& command) = 0;
    // The bytes of the definite-length block ("#N<length>") a command answers, the line ends
    // after it read and dropped. Text before the "#" (a header such as "C1:WF DAT2,") is skipped.
    virtual std::vector<uint8_t> QueryBlock(const std::string& command,
                                            const BlockRequest& request) = 0;
};
