#pragma once
// The dispatcher's two rings. Neither is thread-safe: the dispatcher guards the InputRing with its
// input lock and the OutputRing with its output lock.
//
// The InputRing is filled by the dispatcher thread (Fill) and emptied by the owner (TakeByte).
// While a bytes-available notification is being handled the owner reads ahead of the head
// without moving it; when the notification ends the dispatcher moves the head by the most any
// handler read (EndReadAhead), so bytes the owner is reading are never overwritten.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

constexpr uint32_t kInputRingSize = 8192;

class InputRing {
public:
    InputRing() : data_(kInputRingSize) {}

    // Bytes ever put in: tells a new arrival apart even when it wraps the tail to where it was.
    uint64_t FilledTotal() const { return filledTotal_; }
    bool Full() const { return full_; }
    bool InNotification() const { return readAheadActive_; }

    // Bytes between head and tail, read ahead or not.
    uint32_t Unread() const;
    // Unread bytes the owner can still take (read-ahead ones excluded).
    uint32_t BytesWaiting() const;
    bool ByteReady() const;
    // The next byte, or ecBufferIsEmpty.
    int TakeByte();

    // Copies received bytes in at the tail. `read(dst, n)` delivers up to n bytes and returns how
    // many it gave; `pending` is how many bytes the source holds in its first block.
    void Fill(const std::function<std::size_t(uint8_t*, std::size_t)>& read, std::size_t pending);

    // The owner drops every unread byte. Inside a notification the head moves when it ends,
    // and the dropped bytes are invisible at once.
    void Discard();

    // Notification bookkeeping: one BeginReadAhead, for each window notified a
    // StartHandlerReadAhead / NoteHandlerReadAhead pair, then EndReadAhead, which moves the head
    // and returns by how much.
    void BeginReadAhead();
    void StartHandlerReadAhead() { readAhead_ = 0; }
    void NoteHandlerReadAhead();
    uint32_t EndReadAhead();

private:
    std::vector<uint8_t> data_;
    uint32_t head_ = 0; // next byte to read
    uint32_t tail_ = 0; // next free byte
    bool full_ = false;
    uint64_t filledTotal_ = 0;
    bool readAheadActive_ = false;
    uint32_t readAhead_ = 0;
    uint32_t readAheadMax_ = 0;
};

class OutputRing {
public:
    explicit OutputRing(std::size_t size) : data_(size) {}

    std::size_t Size() const { return data_.size(); }
    std::size_t Used() const;
    bool Empty() const { return Used() == 0; }

    // Queues all of the bytes or none: 0, or ecOutputBufferTooSmall when they do not fit.
    int Queue(const uint8_t* bytes, std::size_t length);

    // Every queued byte, oldest first; the ring is empty afterwards.
    std::vector<uint8_t> TakeAll();
    void Reset();

private:
    std::vector<uint8_t> data_;
    std::size_t head_ = 0; // next free byte
    std::size_t tail_ = 0; // next byte to send
    bool full_ = false;
};
