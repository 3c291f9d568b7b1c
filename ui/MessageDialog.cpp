#include "ui/MessageDialog.h"

#include <algorithm>

#include "ui/Handles.h"
#include "ui/Wide.h"
#include "ui/Window.h"

namespace {

constexpr int kMargin = 12;
constexpr int kIconSize = 32;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 23;
constexpr int kButtonGap = 8;
constexpr int kMaxTextWidth = 420;
constexpr int kFirstButtonId = 100;
constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT | WS_EX_TOPMOST;

struct DialogState {
    const BoxRequest* Request;
    int Result;
    bool Done = false;
};

std::string TitleOf(BoxKind kind) {
    switch (kind) {
    case BoxKind::Notice: return "Scoptera";
    case BoxKind::Warning: return "Avertissement";
    case BoxKind::Error: return "Erreur";
    case BoxKind::Information: return "Information";
    case BoxKind::Confirmation: return "Confirmation";
    }
    return {};
}

const wchar_t* IconOf(BoxKind kind) {
    switch (kind) {
    case BoxKind::Warning: return IDI_WARNING;
    case BoxKind::Error: return IDI_ERROR;
    case BoxKind::Information: return IDI_INFORMATION;
    case BoxKind::Confirmation: return IDI_QUESTION;
    case BoxKind::Notice: break;
    }
    return nullptr;
}

// The message's lines may be separated by a lone CR; the static control wants CR LF.
std::wstring DisplayText(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            out += "\r\n";
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else {
            out += text[i];
        }
    }
    return Wide(out);
}

SIZE MeasureText(const std::wstring& text) {
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, InterfaceFont());
    RECT rect{0, 0, kMaxTextWidth, 0};
    DrawTextW(dc, text.c_str(), int(text.size()), &rect,
              DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | DT_EXPANDTABS);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    return {rect.right, rect.bottom};
}

void Finish(DialogState& state, int result) {
    state.Result = result;
    state.Done = true;
}

LRESULT CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* state = WindowObject<DialogState>(window, message, lParam);
    if (state) {
        const BoxRequest& request = *state->Request;
        switch (message) {
        case WM_COMMAND: {
            int id = LOWORD(wParam);
            if (id == IDCANCEL) {
                Finish(*state, request.EscapeResult);
            } else if (id >= kFirstButtonId &&
                       id < kFirstButtonId + int(request.Buttons.size())) {
                Finish(*state, request.Buttons[std::size_t(id - kFirstButtonId)].Result);
            }
            return 0;
        }
        case DM_GETDEFID:
            return MAKELRESULT(kFirstButtonId + int(request.DefaultButton), DC_HASDEFID);
        case WM_CLOSE:
            Finish(*state, request.EscapeResult);
            return 0;
        }
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void AddControls(HWND window, const BoxRequest& request, const std::wstring& text, SIZE textSize,
                 int clientWidth) {
    int textX = kMargin;
    if (const wchar_t* icon = IconOf(request.Kind)) {
        HWND iconControl = CreateControl(
            window, {L"STATIC", "", SS_ICON, kMargin, kMargin, kIconSize, kIconSize});
        SendMessageW(iconControl, STM_SETICON,
                     reinterpret_cast<WPARAM>(LoadIconW(nullptr, icon)), 0);
        textX += kIconSize + kMargin;
    }
    HWND label = CreateControl(window, {L"STATIC", "", SS_LEFT | SS_NOPREFIX, textX, kMargin,
                                        textSize.cx, textSize.cy});
    SetWindowTextW(label, text.c_str());

    int count = int(request.Buttons.size());
    int rowWidth = count * kButtonWidth + (count - 1) * kButtonGap;
    int x = (clientWidth - rowWidth) / 2;
    int y = kMargin + std::max<int>(textSize.cy, kIconSize) + kMargin;
    for (int i = 0; i < count; ++i) {
        bool isDefault = std::size_t(i) == request.DefaultButton;
        CreateControl(window, {L"BUTTON", request.Buttons[std::size_t(i)].Caption,
                               DWORD(WS_TABSTOP | (isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON)),
                               x + i * (kButtonWidth + kButtonGap), y, kButtonWidth,
                               kButtonHeight, kFirstButtonId + i});
    }
}

} // namespace

int ShowMessageDialog(const BoxRequest& request) {
    RegisterWindowClass(kMessageDialogClass, DialogProc);
    std::wstring text = DisplayText(request.Text);
    SIZE textSize = MeasureText(text);
    int count = int(request.Buttons.size());
    int rowWidth = count * kButtonWidth + (count - 1) * kButtonGap;
    int iconWidth = IconOf(request.Kind) ? kIconSize + kMargin : 0;
    int clientWidth = std::max(iconWidth + int(textSize.cx), rowWidth) + 2 * kMargin;
    int clientHeight =
        kMargin + std::max<int>(textSize.cy, kIconSize) + kMargin + kButtonHeight + kMargin;
    SIZE outer = OuterSize(clientWidth, clientHeight, kStyle, kExStyle);

    DialogState state{&request, request.EscapeResult};
    UniqueWindow window(CreateWindowExW(kExStyle, kMessageDialogClass,
                                        Wide(TitleOf(request.Kind)).c_str(), kStyle, 0, 0,
                                        outer.cx, outer.cy, GetActiveWindow(), nullptr,
                                        GetModuleHandleW(nullptr), &state));
    if (!window) return request.EscapeResult;
    AddControls(window.get(), request, text, textSize, clientWidth);
    CentreOnScreen(window.get());
    RunModalLoop(window.get(), GetDlgItem(window.get(), kFirstButtonId + int(request.DefaultButton)),
                 state.Done);
    return state.Result;
}

void ShowNotice(const std::string& text) {
    ShowMessageDialog({BoxKind::Notice, text, {{"OK", IDOK}}, 0, IDOK});
}

void ShowErrorBox(const std::string& text) {
    ShowMessageDialog({BoxKind::Error, text, {{"OK", IDOK}}, 0, IDOK});
}

bool ConfirmYesNo(const std::string& text) {
    BoxRequest request{BoxKind::Confirmation, text.substr(0, 255),
                       {{"&Oui", IDYES}, {"&Non", IDNO}}, 0, IDNO};
    return ShowMessageDialog(request) == IDYES;
}
