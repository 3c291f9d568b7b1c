#include "instrument/ScpiStream.h"

#include <algorithm>

namespace {

constexpr std::size_t kBuffer = 1 << 16;

} // namespace

void StreamSession::Refill() {
    buffer_.resize(kBuffer);
    at_ = filled_ = 0;
    try {
        filled_ = stream_.Read(buffer_.data(), buffer_.size());
    } catch (const EInstrumentError& error) {
        if (error.Fault == InstrumentFault::Silent && answering_)
            throw EInstrumentError(InstrumentFault::Stalled);
        throw;
    }
    answering_ = true;
}

void StreamSession::RefillWithin(const std::vector<uint8_t>& block, int lineEnds) {
    try {
        Refill();
    } catch (const EInstrumentError& error) {
        // A block that stops just after line ends has been sent whole, as far as the scope knows:
        // its header announced more than it holds.
        bool endsLines = error.Fault == InstrumentFault::Stalled &&
                         block.size() >= std::size_t(lineEnds) &&
                         std::all_of(block.end() - lineEnds, block.end(),
                                     [](uint8_t byte) { return byte == '\n'; });
        if (endsLines) throw EInstrumentError(InstrumentFault::ShortBlock);
        throw;
    }
}

uint8_t StreamSession::Next() {
    if (at_ == filled_) Refill();
    return buffer_[at_++];
}

void StreamSession::Send(const std::string& command) {
    // What came after the last answer (a late line end) is no part of the next one.
    at_ = filled_ = 0;
    answering_ = false;
    stream_.Write(command + "\n");
}

std::string StreamSession::Line() {
    std::string line;
    for (uint8_t byte = Next(); byte != '\n'; byte = Next())
        if (line.size() < kMostLine) line += char(byte);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

std::string StreamSession::Query(const std::string& command) {
    Send(command);
    return Line();
}

std::vector<uint8_t> StreamSession::QueryBlock(const std::string& command,
                                               const BlockRequest& request) {
    Send(command);
    uint8_t byte = Next();
    // Line ends before any text are the last block's, come late (a family may end its blocks
    // with two, and the second can follow the next command); after text, a line end is an
    // answer that holds no block.
    bool text = false;
    for (std::size_t skipped = 0; byte != '#'; byte = Next()) {
        bool lineEnd = byte == '\n' || byte == '\r';
        if (++skipped > kMostBlockPrefix || (lineEnd && text))
            throw EInstrumentError(InstrumentFault::BadBlockHeader);
        text |= !lineEnd;
    }
    uint8_t digits = Next();
    if (digits < '1' || digits > '9') throw EInstrumentError(InstrumentFault::BadBlockHeader);
    // At most nine digits: no overflow, even of a 32-bit size.
    std::size_t announced = 0;
    for (int i = 0; i < digits - '0'; ++i) {
        uint8_t digit = Next();
        if (digit < '0' || digit > '9') throw EInstrumentError(InstrumentFault::BadBlockHeader);
        announced = announced * 10 + std::size_t(digit - '0');
    }
    std::size_t count = request.Adjust ? request.Adjust(announced) : announced;
    if (announced > request.Limit || count > request.Limit)
        throw EInstrumentError(InstrumentFault::BlockTooLarge, std::to_string(announced));
    std::vector<uint8_t> bytes;
    bytes.reserve(count);
    while (bytes.size() < count) {
        if (at_ == filled_) RefillWithin(bytes, request.LineEnds);
        std::size_t taken = std::min(count - bytes.size(), filled_ - at_);
        bytes.insert(bytes.end(), buffer_.begin() + std::ptrdiff_t(at_),
                     buffer_.begin() + std::ptrdiff_t(at_ + taken));
        at_ += taken;
        if (request.Progress) request.Progress(bytes.size(), count);
    }
    // The line ends after the block; a block shorter than its header said ends with them early,
    // and the bytes it lacks never come.
    for (int i = 0; i < request.LineEnds; ++i)
        if (Next() != '\n') throw EInstrumentError(InstrumentFault::ShortBlock);
    return bytes;
}
