#pragma once
// A generator's serial line as a byte stream for the sweep's worker: the port is the program's own
// serial component, opened and served on the window thread (115 200 baud, 8N1, no flow control,
// as the FeelTech and JDS6600 generators take it). What the worker writes goes to the window
// thread, which sends it; what comes is kept for the worker's reads. The window thread must serve
// its messages while the stream is in use, and at the close ServeUntil serves the line alone.
#include <windows.h>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

#include "instrument/ScpiStream.h"
#include "serial/ComPort.h"
#include "ui/Handles.h"

class SerialStream : public ByteStream {
public:
    static constexpr int32_t kBaud = 115200;

    // Opens COM`number` on the calling thread; throws EInstrumentError(Unreachable) with the
    // reason when it cannot.
    SerialStream(uint16_t number, HANDLE cancel, unsigned answerMs);
    ~SerialStream() override;
    SerialStream(const SerialStream&) = delete;
    SerialStream& operator=(const SerialStream&) = delete;

    void Write(const std::string& bytes) override;
    std::size_t Read(uint8_t* into, std::size_t most) override;
    void SetAnswerTime(unsigned ms) override { answerMs_ = ms; }

    // Serves the line's messages, and only those, until `done` is set or `ms` have passed.
    void ServeUntil(HANDLE done, unsigned ms);

private:
    static LRESULT CALLBACK SendProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void SendPending();

    TSerialComPort port_;
    UniqueWindow window_; // takes the worker's "send" on the window thread
    std::mutex mutex_;
    std::string outgoing_, incoming_;
    UniqueKernelHandle arrived_;
    HANDLE cancel_;
    std::atomic<unsigned> answerMs_;
};
