#include "export/Clipboard.h"

#include <algorithm>
#include <functional>

#include "ui/Handles.h"

namespace {

constexpr int kOpenAttempts = 10;
constexpr DWORD kRetryMs = 50;

class OpenClipboardGuard {
public:
    explicit OpenClipboardGuard(HWND owner) {
        for (int attempt = 0; attempt < kOpenAttempts && !open_; ++attempt) {
            open_ = OpenClipboard(owner);
            if (!open_) Sleep(kRetryMs);
        }
    }
    ~OpenClipboardGuard() {
        if (open_) CloseClipboard();
    }
    OpenClipboardGuard(const OpenClipboardGuard&) = delete;
    OpenClipboardGuard& operator=(const OpenClipboardGuard&) = delete;
    explicit operator bool() const { return open_; }

private:
    bool open_ = false;
};

} // namespace

namespace {

// Into the clipboard's memory, which was sized for it: never past its end.
class MemorySink : public TextSink {
public:
    MemorySink(char* at, std::size_t room) : at_(at), room_(room) {}
    void Write(std::string_view text) override {
        std::size_t taken = std::min(text.size(), room_);
        at_ = std::copy(text.begin(), text.begin() + std::ptrdiff_t(taken), at_);
        room_ -= taken;
    }

private:
    char* at_;
    std::size_t room_;
};

// `size` bytes that `fill` writes into the clipboard's memory, in `format`.
bool PutOnClipboard(HWND owner, UINT format, std::size_t size,
                    const std::function<void(char*)>& fill) {
    OpenClipboardGuard clipboard(owner);
    if (!clipboard || !EmptyClipboard()) return false;
    UniqueGlobal memory(GlobalAlloc(GMEM_MOVEABLE, size));
    if (!memory) return false;
    {
        GlobalLockGuard locked(memory.get());
        if (!locked.Data()) return false;
        fill(static_cast<char*>(locked.Data()));
    }
    if (!SetClipboardData(format, memory.get())) return false;
    memory.release(); // the system owns it once it has taken it
    return true;
}

} // namespace

bool PutOnClipboard(HWND owner, UINT format, const std::string& bytes) {
    return PutOnClipboard(owner, format, bytes.size(),
                          [&bytes](char* at) { std::copy(bytes.begin(), bytes.end(), at); });
}

bool PutTextOnClipboard(HWND owner, const std::function<void(TextSink&)>& write) {
    CountingSink counted;
    write(counted);
    return PutOnClipboard(owner, CF_TEXT, counted.Bytes + 1, [&](char* at) {
        MemorySink out(at, counted.Bytes);
        write(out);
        at[counted.Bytes] = 0;
    });
}

bool PutTextOnClipboard(HWND owner, const std::string& text) {
    return PutTextOnClipboard(owner, [&text](TextSink& out) { out.Write(text); });
}
