#pragma once
// An instrument of the simulator carried in memory, for the tests of what the program says to it.
#include <algorithm>
#include <string>
#include <vector>

#include "instrument/ScpiStream.h"
#include "tools/scpi-sim/Instrument.h"

// The simulator's answers as a byte stream: what a command answers comes at once; an answer cut
// short by a fault ends there, and the stream then stays silent or is reset.
class SimulatedStream : public ByteStream {
public:
    explicit SimulatedStream(Instrument& instrument) : instrument_(instrument) {}

    void Write(const std::string& bytes) override {
        if (reset_) throw EInstrumentError(InstrumentFault::Reset);
        pending_ += bytes;
        for (std::size_t end; (end = pending_.find('\n')) != std::string::npos;) {
            std::string line = pending_.substr(0, end);
            pending_.erase(0, end + 1);
            commands.push_back(line);
            if (cut_) continue;
            Answer answer = instrument_.Handle(line);
            if (answer.How == Delivery::Whole) {
                waiting_ += answer.Bytes;
                continue;
            }
            waiting_ += answer.Bytes.substr(0, answer.Bytes.size() / 2);
            cut_ = true;
            resetAfter_ = answer.How == Delivery::ResetHalfway;
        }
    }
    std::size_t Read(uint8_t* into, std::size_t most) override {
        if (waiting_.empty()) {
            if (resetAfter_) reset_ = true;
            throw EInstrumentError(reset_ ? InstrumentFault::Reset : InstrumentFault::Silent);
        }
        // A few bytes at a time, as a network gives them.
        std::size_t count = std::min({most, waiting_.size(), std::size_t(1000)});
        std::copy_n(waiting_.begin(), count, into);
        waiting_.erase(0, count);
        return count;
    }

    std::vector<std::string> commands;

private:
    Instrument& instrument_;
    std::string pending_, waiting_;
    bool cut_ = false, resetAfter_ = false, reset_ = false;
};
