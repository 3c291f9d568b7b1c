#pragma once
// The ReceiveQueue between the reader and status threads (which append) and the dispatcher thread
// (which takes). Data blocks and status events stay in arrival order; the queue has no limit, so
// nothing is lost while the InputRing is full.
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

// A block holds at least this much; the reader takes a larger one when more is already waiting,
// so a fast stream costs one device read per burst rather than one per 256 bytes.
constexpr std::size_t kDataBlockSize = 256;
constexpr std::size_t kLargestDataBlock = 65536;

struct TIOBuffer {
    virtual ~TIOBuffer() = default;
    bool InUse = false;
    std::size_t Size = 0;
};

struct TDataBuffer : TIOBuffer {
    explicit TDataBuffer(std::size_t capacity = kDataBlockSize) : Data(capacity) {}
    std::vector<uint8_t> Data;
    std::size_t Filled = 0; // bytes received into the block
    std::size_t Taken = 0;  // bytes already moved on
};

struct TStatusBuffer : TIOBuffer {
    explicit TStatusBuffer(uint32_t mask) : Mask(mask) {}
    uint32_t Mask; // the device's event mask
};

class TIOQueue {
public:
    void Append(std::unique_ptr<TIOBuffer> buffer);
    // The first item, marked in use; nullptr when the queue is empty or its first item is in use.
    TIOBuffer* Peek();
    void Release(TIOBuffer* buffer);
    // Removes and frees an item that Peek gave out.
    void Remove(TIOBuffer* buffer);
    // Frees every item that is not in use.
    void Clear();
    // True at once when not empty; otherwise waits for an append up to `ms`. With
    // `forAppend`, waits for the next append even when items are queued.
    bool Wait(unsigned ms, bool forAppend = false);
    // Wakes a waiter as an append would.
    void Wake();
    std::size_t ItemCount();

    // Unread bytes of the first item when it is a data block, else 0.
    std::size_t ReceivedPending();
    // Copies up to `size` bytes out of the data blocks at the front, stopping at a status item.
    std::size_t ReadReceived(uint8_t* buffer, std::size_t size);

private:
    std::mutex lock_;
    std::condition_variable appended_;
    bool signalled_ = false; // an auto-reset event
    std::deque<std::unique_ptr<TIOBuffer>> items_;
    std::size_t byteCount_ = 0;
};
