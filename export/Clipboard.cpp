#include "export/Clipboard.h"

#include <cstring>

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
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    if (!memory) return false;
    void* at = GlobalLock(memory);
    if (!at) {
        GlobalFree(memory);
        return false;
    }
    std::memcpy(at, bytes.data(), bytes.size());
    GlobalUnlock(memory);
    // The system owns the memory only once it has taken it.
    if (!SetClipboardData(format, memory)) {
        GlobalFree(memory);
        return false;
    }
    return true;
}

bool PutTextOnClipboard(HWND owner, const std::string& text) {
    return PutOnClipboard(owner, CF_TEXT, text + '\0');
}
