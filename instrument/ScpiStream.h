#pragma once
// SCPI over a stream of bytes, whatever carries them (a TCP socket, the VISA library, a test's
// script): command lines ending with LF, answer lines ending with LF, and IEEE 488.2
// definite-length blocks "#N<length><bytes>". The stream gives what has come and keeps the time:
// a read with nothing to give within its time-out fails as Silent; the session tells a stalled
// block from an answer that never started.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "instrument/ScpiSession.h"

class ByteStream {
public:
    virtual ~ByteStream() = default;
    virtual void Write(const std::string& bytes) = 0;
    // At least one byte and at most `most`, as soon as any has come; throws EInstrumentError
    // (Silent on time-out, Reset, Cancelled).
    virtual std::size_t Read(uint8_t* into, std::size_t most) = 0;
    // The longest silence within an answer from now on; a stream without a clock has none.
    virtual void SetAnswerTime(unsigned /*ms*/) {}
};

// A header's text before the "#" is at most this long ("C1:WF DAT2," and its like).
constexpr std::size_t kMostBlockPrefix = 32;
// An answer line is at most this long.
constexpr std::size_t kMostLine = 4096;

class StreamSession : public ScpiSession {
public:
    explicit StreamSession(ByteStream& stream) : stream_(stream) {}

    void Send(const std::string& command) override;
    std::string Query(const std::string& command) override;
    std::vector<uint8_t> QueryBlock(const std::string& command,
                                    const BlockRequest& request) override;

private:
    uint8_t Next(); // one byte of the answer under way
    void Refill();
    // Refill while a block is read, which tells a block shorter than its header from a stall.
    void RefillWithin(const std::vector<uint8_t>& block, int lineEnds);
    std::string Line(); // up to LF, which is dropped with a CR before it

    ByteStream& stream_;
    std::vector<uint8_t> buffer_;
    std::size_t at_ = 0, filled_ = 0;
    bool answering_ = false; // a byte of the current answer has come
};
