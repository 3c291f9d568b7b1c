#include "ui/Window.h"

#include <algorithm>
#include <map>
#include <stdexcept>

#include "ui/Handles.h"
#include "ui/Wide.h"

namespace {

// The per-monitor functions of user32, looked up once: the systems without them show every
// window at the system's DPI.
template <typename Function> Function User32(const char* name) {
    return reinterpret_cast<Function>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), name)));
}

int SystemDpi() {
    int dpi = GetDeviceCaps(WindowDc(nullptr).get(), LOGPIXELSX);
    return dpi > 0 ? dpi : 96;
}

} // namespace

int Scaled(int pixels, int dpi) { return MulDiv(pixels, dpi, 96); }

int Unscaled(int pixels, int dpi) { return (pixels * 96 + dpi - 1) / dpi; }

void RegisterWindowClass(const wchar_t* className, WNDPROC procedure, HICON icon) {
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof existing;
    if (GetClassInfoExW(GetModuleHandleW(nullptr), className, &existing)) return;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = procedure;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = className;
    wc.hIcon = icon;
    if (!RegisterClassExW(&wc)) throw std::runtime_error("RegisterClassEx failed");
}

HWND CreateMessageOnlyWindow() {
    return CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
}

// The stock font is made for the system's DPI; another DPI gets a copy of it at its own height.
HFONT InterfaceFont(int dpi) {
    auto* stock = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    int system = SystemDpi();
    if (dpi == system) return stock;
    static std::map<int, UniqueGdiObject> fonts;
    UniqueGdiObject& font = fonts[dpi];
    if (!font) {
        LOGFONTW shape{};
        GetObjectW(stock, sizeof shape, &shape);
        shape.lfHeight = MulDiv(shape.lfHeight, dpi, system);
        shape.lfWidth = 0;
        font.reset(CreateFontIndirectW(&shape));
    }
    return font ? static_cast<HFONT>(font.get()) : stock;
}

namespace {

int CALLBACK NoteFaceFound(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
    *reinterpret_cast<bool*>(found) = true;
    return 0;
}

BOOL CALLBACK SetChildFont(HWND child, LPARAM font) {
    SendMessageW(child, WM_SETFONT, static_cast<WPARAM>(font), TRUE);
    return TRUE;
}

} // namespace

HFONT CreateInstalledFont(const wchar_t* face, int pixels, int dpi, int weight) {
    LOGFONTW wanted{};
    wanted.lfCharSet = DEFAULT_CHARSET;
    wcsncpy(wanted.lfFaceName, face, LF_FACESIZE - 1);
    bool installed = false;
    EnumFontFamiliesExW(WindowDc(nullptr).get(), &wanted, NoteFaceFound,
                        reinterpret_cast<LPARAM>(&installed), 0);
    if (!installed) return nullptr;
    return CreateFontW(-Scaled(pixels, dpi), 0, 0, 0, weight, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0,
                       face);
}

void SetControlFont(HWND control, HFONT font, bool toChildren) {
    if (!font) return;
    if (!toChildren) {
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
        return;
    }
    EnumChildWindows(control, SetChildFont, reinterpret_cast<LPARAM>(font));
}

HWND CreateControl(HWND parent, const ControlSpec& layout) {
    int dpi = WindowDpi(parent);
    HWND control = CreateWindowExW(layout.ExStyle, layout.ClassName, Wide(layout.Text).c_str(),
                                   WS_CHILD | WS_VISIBLE | layout.Style, Scaled(layout.X, dpi),
                                   Scaled(layout.Y, dpi), Scaled(layout.Width, dpi),
                                   Scaled(layout.Height, dpi), parent,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(layout.Id)),
                                   GetModuleHandleW(nullptr), nullptr);
    if (!control) throw std::runtime_error("CreateWindowEx failed for a control");
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(InterfaceFont(dpi)), FALSE);
    return control;
}

SIZE OuterSize(int clientWidth, int clientHeight, DWORD style, DWORD exStyle, int dpi) {
    using ForDpi = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
    static const auto forDpi = User32<ForDpi>("AdjustWindowRectExForDpi");
    RECT rect{0, 0, clientWidth, clientHeight};
    if (!forDpi || !forDpi(&rect, style, FALSE, exStyle, UINT(dpi)))
        AdjustWindowRectEx(&rect, style, FALSE, exStyle);
    return {rect.right - rect.left, rect.bottom - rect.top};
}

void CentreOnScreen(HWND window) {
    RECT rect;
    GetWindowRect(window, &rect);
    int width = rect.right - rect.left, height = rect.bottom - rect.top;
    // A window taller than the screen keeps its caption on it.
    int x = std::max(0, (GetSystemMetrics(SM_CXSCREEN) - width) / 2);
    int y = std::max(0, (GetSystemMetrics(SM_CYSCREEN) - height) / 2);
    SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

int WindowDpi(HWND window) {
    using ForWindow = UINT(WINAPI*)(HWND);
    static const auto forWindow = User32<ForWindow>("GetDpiForWindow");
    if (forWindow && window)
        if (UINT dpi = forWindow(window)) return int(dpi);
    return SystemDpi();
}

void FollowDpiChange(HWND window, int oldDpi, int newDpi, const RECT& suggested) {
    HFONT oldFont = InterfaceFont(oldDpi), newFont = InterfaceFont(newDpi);
    auto rescale = [&](LONG length) { return MulDiv(int(length), newDpi, oldDpi); };
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        RECT box{};
        GetWindowRect(child, &box);
        MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&box), 2);
        MoveWindow(child, rescale(box.left), rescale(box.top), rescale(box.right - box.left),
                   rescale(box.bottom - box.top), FALSE);
        if (reinterpret_cast<HFONT>(SendMessageW(child, WM_GETFONT, 0, 0)) == oldFont)
            SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(newFont), FALSE);
    }
    SetWindowPos(window, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    InvalidateRect(window, nullptr, TRUE);
}

namespace {

// The width a button, a check box or a label needs for its own text in its own font; an edit
// keeps its own.
int NeededWidth(HWND control, int dpi) {
    wchar_t className[16] = {};
    GetClassNameW(control, className, 16);
    if (_wcsicmp(className, L"Edit") == 0 || _wcsicmp(className, L"ComboBox") == 0) {
        RECT box{};
        GetWindowRect(control, &box);
        return int(box.right - box.left);
    }
    std::wstring text(std::size_t(GetWindowTextLengthW(control)) + 1, L'\0');
    text.resize(std::size_t(GetWindowTextW(control, text.data(), int(text.size()))));
    std::erase(text, L'&');
    WindowDc dc(control);
    HGDIOBJ old =
        SelectObject(dc.get(), reinterpret_cast<HGDIOBJ>(SendMessageW(control, WM_GETFONT, 0, 0)));
    SIZE size{};
    GetTextExtentPoint32W(dc.get(), text.c_str(), int(text.size()), &size);
    SelectObject(dc.get(), old);
    LONG style = GetWindowLongW(control, GWL_STYLE) & BS_TYPEMASK;
    bool label = _wcsicmp(className, L"Static") == 0;
    bool check = !label && (style == BS_AUTOCHECKBOX || style == BS_CHECKBOX);
    int padding = Scaled(label ? 4 : check ? 24 : 20, dpi);
    return int(size.cx) + padding;
}

} // namespace

int FlowControls(const std::vector<HWND>& controls, const RECT& area, int dpi) {
    int gap = Scaled(6, dpi), height = Scaled(25, dpi);
    int x = area.left, y = area.top;
    for (HWND control : controls) {
        int width = NeededWidth(control, dpi);
        if (x > area.left && x + width > area.right) {
            x = area.left;
            y += height + gap;
        }
        // A drop-down list's height is its list's: room for a few lines under the field.
        wchar_t className[16] = {};
        GetClassNameW(control, className, 16);
        bool list = _wcsicmp(className, L"ComboBox") == 0;
        MoveWindow(control, x, y, width, list ? 6 * height : height, TRUE);
        x += width + gap;
    }
    return y + height;
}
