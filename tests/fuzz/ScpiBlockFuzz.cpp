// The block reader over any bytes a scope could answer, in any pieces: no crash, no allocation
// beyond the limit, and a block read is exactly the length its header gave, with its line ends.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "instrument/ScpiStream.h"

namespace {

// The fuzzer's bytes, given in pieces whose sizes the first bytes choose.
class FuzzStream : public ByteStream {
public:
    FuzzStream(const uint8_t* data, std::size_t size, std::size_t piece)
        : data_(data), size_(size), piece_(piece) {}
    void Write(const std::string&) override {}
    std::size_t Read(uint8_t* into, std::size_t most) override {
        if (at_ == size_) throw EInstrumentError(InstrumentFault::Silent);
        std::size_t count = std::min({most, size_ - at_, piece_});
        std::copy_n(data_ + at_, count, into);
        at_ += count;
        return count;
    }

private:
    const uint8_t* data_;
    std::size_t size_, at_ = 0, piece_;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size < 3) return 0;
    BlockRequest request;
    request.Limit = std::size_t(data[0]) * 64;
    request.LineEnds = 1 + data[1] % 2;
    bool samplesForWords = data[2] & 1;
    if (samplesForWords) request.Adjust = [](std::size_t announced) { return announced * 2; };
    std::size_t piece = 1 + data[2] / 2;
    FuzzStream stream(data + 3, size - 3, piece);
    StreamSession session(stream);
    try {
        std::vector<uint8_t> block = session.QueryBlock(":WAV:DATA?", request);
        if (block.size() > request.Limit) std::abort();
        // Another answer after it reads from the bytes that follow.
        session.Query("*OPC?");
    } catch (const EInstrumentError&) {
    }
    return 0;
}
