#pragma once
// scpi-sim's instruments: each answers one command line at a time with the bytes it sends back,
// and says how they leave (a fault can cut a block short, stall it or close the connection).
// The server (main.cpp) carries them over loopback TCP and paces them as the profile says; the
// program's tests drive them in memory.
#include <cstddef>
#include <string>

// What the instrument does with the bytes of one answer.
enum class Delivery {
    Whole,        // all of them
    StallHalfway, // half of them, then nothing more on this connection
    ResetHalfway, // half of them, then the connection is reset
};

struct Answer {
    std::string Bytes; // empty: the command has no answer
    Delivery How = Delivery::Whole;
};

// The pace of a family's network interface: the time before an answer starts and the bytes a
// second it then sends.
struct Profile {
    double LatencySeconds = 0;
    double BytesPerSecond = 0;     // 0: as fast as the socket takes them
    double FirstAnswerSeconds = 0; // more before a connection's first answer
};

class Instrument {
public:
    virtual ~Instrument() = default;
    // The answer to one command line, without its line end.
    virtual Answer Handle(const std::string& line) = 0;
    // The next connection begins: what the previous one had set for it alone is forgotten.
    virtual void Reconnected() {}
    // Sets one "name value" option (the command line's and the control channel's); false with
    // `error` filled when the name or the value is not one of its own.
    virtual bool Set(const std::string& name, const std::string& value, std::string& error) = 0;
    virtual Profile Pace() const = 0;
};
