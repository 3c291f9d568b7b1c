#include "serial/Rings.h"

#include <algorithm>

#include "serial/SerialCodes.h"

uint32_t InputRing::Unread() const {
    if (head_ == tail_) return full_ ? kInputRingSize : 0;
    return tail_ > head_ ? tail_ - head_ : tail_ + kInputRingSize - head_;
}

uint32_t InputRing::BytesWaiting() const { return Unread() - (readAheadActive_ ? readAhead_ : 0); }

bool InputRing::ByteReady() const {
    if (readAheadActive_)
        return (head_ + readAhead_) % kInputRingSize != tail_ ||
               (full_ && readAhead_ < kInputRingSize);
    return head_ != tail_ || full_;
}

int InputRing::TakeByte() {
    if (readAheadActive_) {
        if (Unread() < readAhead_ + 1) return ecBufferIsEmpty;
        ++readAhead_;
        return data_[(head_ + readAhead_ - 1) % kInputRingSize];
    }
    if (head_ == tail_ && !full_) return ecBufferIsEmpty;
    uint8_t byte = data_[head_];
    head_ = (head_ + 1) % kInputRingSize;
    full_ = false;
    return byte;
}

void InputRing::Fill(const std::function<std::size_t(uint8_t*, std::size_t)>& read,
                     std::size_t pending) {
    if (full_ || pending == 0) return;
    std::size_t contiguous = head_ > tail_ ? head_ - tail_ : kInputRingSize - tail_;
    std::size_t free = kInputRingSize - Unread();
    std::size_t wanted = std::min(free, pending);
    std::size_t second = wanted > contiguous ? wanted - contiguous : 0;

    std::size_t got = read(&data_[tail_], contiguous);
    tail_ = uint32_t((tail_ + got) % kInputRingSize);
    filledTotal_ += got;
    if (got > 0 && tail_ == head_) full_ = true;
    if (got < contiguous || second == 0 || full_) return;

    got = read(&data_[tail_], std::min(second, std::size_t(head_ - tail_)));
    tail_ = uint32_t(tail_ + got);
    filledTotal_ += got;
    if (got > 0 && tail_ == head_) full_ = true;
}

void InputRing::Discard() {
    if (readAheadActive_) {
        readAhead_ = Unread();
        readAheadMax_ = readAhead_;
        return;
    }
    head_ = tail_;
    full_ = false;
    readAhead_ = 0;
}

void InputRing::BeginReadAhead() {
    readAheadActive_ = true;
    readAhead_ = 0;
    readAheadMax_ = 0;
}

void InputRing::NoteHandlerReadAhead() { readAheadMax_ = std::max(readAheadMax_, readAhead_); }

uint32_t InputRing::EndReadAhead() {
    uint32_t moved = readAheadMax_;
    head_ = (head_ + moved) % kInputRingSize;
    if (moved != 0) full_ = false;
    readAheadActive_ = false;
    readAhead_ = 0;
    readAheadMax_ = 0;
    return moved;
}

std::size_t OutputRing::Used() const {
    if (full_) return data_.size();
    return head_ >= tail_ ? head_ - tail_ : head_ + data_.size() - tail_;
}

int OutputRing::Queue(const uint8_t* bytes, std::size_t length) {
    if (length == 0) return ecOK;
    std::size_t free = data_.size() - Used();
    if (length > free) return ecOutputBufferTooSmall;
    for (std::size_t i = 0; i < length; ++i) {
        data_[head_] = bytes[i];
        head_ = (head_ + 1) % data_.size();
    }
    if (length == free) full_ = true;
    return ecOK;
}

std::vector<uint8_t> OutputRing::TakeAll() {
    std::vector<uint8_t> block;
    block.reserve(Used());
    for (std::size_t n = Used(), at = tail_; n > 0; --n, at = (at + 1) % data_.size())
        block.push_back(data_[at]);
    Reset();
    return block;
}

void OutputRing::Reset() {
    head_ = tail_ = 0;
    full_ = false;
}
