#include "export/Clipboard.h"

#include <cstring>

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

bool PutOnClipboard(HWND owner, UINT format, const std::string& bytes) {
    OpenClipboardGuard clipboard(owner);
    if (!clipboard || !EmptyClipboard()) return false;
    UniqueGlobal memory(GlobalAlloc(GMEM_MOVEABLE, bytes.size()));
    if (!memory) return false;
    {
        GlobalLockGuard locked(memory.get());
        if (!locked.Data()) return false;
        std::memcpy(locked.Data(), bytes.data(), bytes.size());
    }
    if (!SetClipboardData(format, memory.get())) return false;
    memory.release(); // the system owns it once it has taken it
    return true;
}

bool PutTextOnClipboard(HWND owner, const std::string& text) {
    return PutOnClipboard(owner, CF_TEXT, text + '\0');
}
