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

bool PutTextOnClipboard(HWND owner, const std::string& text) {
    OpenClipboardGuard clipboard(owner);
    if (!clipboard || !EmptyClipboard()) return false;
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
    if (!memory) return false;
    auto* bytes = static_cast<char*>(GlobalLock(memory));
    std::memcpy(bytes, text.c_str(), text.size() + 1);
    GlobalUnlock(memory);
    // The system owns the memory only once it has taken it.
    if (!SetClipboardData(CF_TEXT, memory)) {
        GlobalFree(memory);
        return false;
    }
    return true;
}
