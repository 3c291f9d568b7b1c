// The receive path and the output ring against a reference model: random sequences of blocks and
// status events queued by the reader, the dispatcher filling the InputRing, the owner taking bytes
// outside and inside notifications (read-ahead), discarding, and queueing and sending output.
// Every byte must come out once, in order, unless discarded; every count must agree.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <deque>
#include <memory>
#include <vector>

#include "serial/ReceiveQueue.h"
#include "serial/Rings.h"
#include "serial/SerialCodes.h"

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

struct ModelItem {
    bool Status = false;
    std::deque<uint8_t> Bytes;
};

class Session {
public:
    explicit Session(FuzzedDataProvider& input)
        : input_(input), output_(input.ConsumeIntegralInRange<std::size_t>(1, 2048)) {}

    void Step() {
        switch (input_.ConsumeIntegralInRange(0, 8)) {
        case 0: AppendBlock(); break;
        case 1: AppendStatus(); break;
        case 2: DropStatus(); break;
        case 3: Fill(); break;
        case 4: TakeOutsideNotification(); break;
        case 5: Notification(); break;
        case 6: Discard(); break;
        case 7: QueueOutput(); break;
        case 8: SendOutput(); break;
        }
        CheckCounts();
    }

private:
    void AppendBlock() {
        std::size_t length = input_.ConsumeIntegralInRange<std::size_t>(1, 3000);
        auto block = std::make_unique<TDataBuffer>(length);
        ModelItem item;
        for (std::size_t i = 0; i < length; ++i) {
            block->Data[i] = uint8_t(next_++ * 31 + i / 7);
            item.Bytes.push_back(block->Data[i]);
        }
        block->Filled = length;
        queue_.Append(std::move(block));
        model_.push_back(std::move(item));
    }

    void AppendStatus() {
        queue_.Append(std::make_unique<TStatusBuffer>(input_.ConsumeIntegral<uint32_t>()));
        model_.push_back(ModelItem{true, {}});
    }

    // The dispatcher takes a status event off the front.
    void DropStatus() {
        TIOBuffer* first = queue_.Peek();
        Check((first != nullptr) == !model_.empty());
        if (!first) return;
        if (dynamic_cast<TStatusBuffer*>(first)) {
            Check(model_.front().Status);
            queue_.Remove(first);
            model_.pop_front();
        } else {
            Check(!model_.front().Status);
            queue_.Release(first);
        }
    }

    void Fill() {
        std::size_t pending = queue_.ReceivedPending();
        Check(pending ==
              (model_.empty() || model_.front().Status ? 0 : model_.front().Bytes.size()));
        uint64_t before = ring_.FilledTotal();
        ring_.Fill([&](uint8_t* to, std::size_t n) { return queue_.ReadReceived(to, n); }, pending);
        auto moved = std::size_t(ring_.FilledTotal() - before);
        Check(moved <= kInputRingSize - ringModel_.size());
        // Progress: room and pending bytes mean something moves.
        Check(moved > 0 || pending == 0 || ringModel_.size() == kInputRingSize);
        for (std::size_t i = 0; i < moved; ++i) {
            Check(!model_.empty() && !model_.front().Status);
            ringModel_.push_back(model_.front().Bytes.front());
            model_.front().Bytes.pop_front();
            if (model_.front().Bytes.empty()) model_.pop_front();
        }
    }

    void TakeOutsideNotification() {
        int count = input_.ConsumeIntegralInRange(1, 600);
        for (int i = 0; i < count; ++i) {
            Check(ring_.ByteReady() == !ringModel_.empty());
            int byte = ring_.TakeByte();
            if (ringModel_.empty()) {
                Check(byte == ecBufferIsEmpty);
                return;
            }
            Check(byte == ringModel_.front());
            ringModel_.pop_front();
        }
    }

    // One notification with one handler, which reads ahead and may discard on the way.
    void Notification() {
        ring_.BeginReadAhead();
        ring_.StartHandlerReadAhead();
        int reads = input_.ConsumeIntegralInRange(0, 9000);
        int discardAt = input_.ConsumeBool() ? input_.ConsumeIntegralInRange(0, reads) : -1;
        std::size_t visible = ringModel_.size(), taken = 0, dropped = 0;
        for (int i = 0; i < reads; ++i) {
            if (i == discardAt) {
                queue_.Clear();
                model_.clear();
                ring_.Discard();
                dropped = visible - taken;
                visible = taken;
            }
            Check(ring_.BytesWaiting() == visible - taken);
            int byte = ring_.TakeByte();
            if (taken == visible) {
                Check(byte == ecBufferIsEmpty);
                continue;
            }
            Check(byte == ringModel_[taken]);
            ++taken;
        }
        ring_.NoteHandlerReadAhead();
        Check(ring_.EndReadAhead() == taken + dropped);
        ringModel_.erase(ringModel_.begin(), ringModel_.begin() + std::ptrdiff_t(taken + dropped));
    }

    // The owner's discard: the queue and the ring both.
    void Discard() {
        queue_.Clear();
        ring_.Discard();
        model_.clear();
        ringModel_.clear();
    }

    void QueueOutput() {
        std::size_t length = input_.ConsumeIntegralInRange<std::size_t>(0, output_.Size() + 10);
        std::vector<uint8_t> bytes(length);
        for (auto& b : bytes) b = uint8_t(next_++);
        int result = output_.Queue(bytes.data(), bytes.size());
        if (length > output_.Size() - outputModel_.size()) {
            Check(result == ecOutputBufferTooSmall);
            return;
        }
        Check(result == ecOK);
        outputModel_.insert(outputModel_.end(), bytes.begin(), bytes.end());
    }

    void SendOutput() {
        std::vector<uint8_t> sent = output_.TakeAll();
        Check(std::equal(sent.begin(), sent.end(), outputModel_.begin(), outputModel_.end()));
        outputModel_.clear();
    }

    void CheckCounts() {
        Check(ring_.Unread() == ringModel_.size());
        Check(ring_.BytesWaiting() == ringModel_.size());
        Check(ring_.Full() == (ringModel_.size() == kInputRingSize));
        Check(queue_.ItemCount() == model_.size());
        Check(output_.Used() == outputModel_.size());
    }

    FuzzedDataProvider& input_;
    TIOQueue queue_;
    InputRing ring_;
    OutputRing output_;
    std::deque<ModelItem> model_;
    std::deque<uint8_t> ringModel_, outputModel_;
    unsigned next_ = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    Session session(input);
    while (input.remaining_bytes() > 0) session.Step();
    return 0;
}
