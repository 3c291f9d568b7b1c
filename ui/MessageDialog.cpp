#include "ui/MessageDialog.h"

#include <algorithm>

#include "ui/Handles.h"
#include "ui/ModalForm.h"
#include "ui/Wide.h"
#include "ui/Window.h"

namespace {

// At 96 dpi; a button grows beyond its width for a longer caption.
constexpr int kMargin = 12;
constexpr int kIconSize = 32;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 23;
constexpr int kButtonPadding = 16;
constexpr int kButtonGap = 8;
constexpr int kMaxTextWidth = 420;
constexpr int kFirstButtonId = 100;

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

// The text's size in the interface font at `dpi`, given back at 96 dpi (rounded up, so that it
// never shows smaller than it measured).
SIZE MeasureText(const std::wstring& text, int dpi, UINT format, int maxWidth) {
    WindowDc dc(nullptr);
    HGDIOBJ old = SelectObject(dc.get(), InterfaceFont(dpi));
    RECT rect{0, 0, Scaled(maxWidth, dpi), 0};
    DrawTextW(dc.get(), text.c_str(), int(text.size()), &rect,
              DT_CALCRECT | DT_EXPANDTABS | format);
    SelectObject(dc.get(), old);
    return {Unscaled(rect.right, dpi), Unscaled(rect.bottom, dpi)};
}

// The box laid out at 96 dpi for its text in the font of the DPI it opens at: icon and text on
// top, the row of buttons centred below, each as wide as its caption needs.
struct Layout {
    std::wstring Text;
    SIZE TextSize;
    int TextX, ButtonsX, ButtonsY, ButtonWidth, ButtonHeight, ClientWidth, ClientHeight;
};

Layout LayOut(const BoxRequest& request) {
    int dpi = WindowDpi(GetActiveWindow());
    std::wstring text = DisplayText(request.Text);
    SIZE size = MeasureText(text, dpi, DT_WORDBREAK | DT_NOPREFIX, kMaxTextWidth);
    int buttonWidth = kButtonWidth, buttonHeight = kButtonHeight;
    for (const BoxButton& button : request.Buttons) {
        SIZE caption = MeasureText(Wide(button.Caption), dpi, DT_SINGLELINE, kMaxTextWidth);
        buttonWidth = std::max<int>(buttonWidth, caption.cx + kButtonPadding);
        buttonHeight = std::max<int>(buttonHeight, caption.cy + kButtonPadding / 2);
    }
    int count = int(request.Buttons.size());
    int rowWidth = count * buttonWidth + (count - 1) * kButtonGap;
    int textX = kMargin + (IconOf(request.Kind) ? kIconSize + kMargin : 0);
    int width = std::max(textX + int(size.cx), kMargin + rowWidth) + kMargin;
    int buttonsY = kMargin + std::max<int>(size.cy, kIconSize) + kMargin;
    return {text,        size,         textX, (width - rowWidth) / 2,           buttonsY,
            buttonWidth, buttonHeight, width, buttonsY + buttonHeight + kMargin};
}

class MessageBoxForm : public ModalForm {
public:
    MessageBoxForm(const BoxRequest& request, Layout layout)
        : ModalForm({kMessageDialogClass, TitleOf(request.Kind), layout.ClientWidth,
                     layout.ClientHeight, request.EscapeResult, WS_EX_TOPMOST}),
          request_(request), layout_(std::move(layout)) {}

protected:
    HWND CreateControls(HWND window) override {
        if (const wchar_t* icon = IconOf(request_.Kind)) {
            HWND iconControl = CreateControl(
                window, {L"STATIC", "", SS_ICON, kMargin, kMargin, kIconSize, kIconSize});
            SendMessageW(iconControl, STM_SETICON,
                         reinterpret_cast<WPARAM>(LoadIconW(nullptr, icon)), 0);
        }
        HWND label = CreateControl(window, {L"STATIC", "", SS_LEFT | SS_NOPREFIX, layout_.TextX,
                                            kMargin, layout_.TextSize.cx, layout_.TextSize.cy});
        SetWindowTextW(label, layout_.Text.c_str());
        for (std::size_t i = 0; i < request_.Buttons.size(); ++i) {
            bool isDefault = i == request_.DefaultButton;
            CreateControl(window,
                          {L"BUTTON", request_.Buttons[i].Caption,
                           DWORD(WS_TABSTOP | (isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON)),
                           layout_.ButtonsX + int(i) * (layout_.ButtonWidth + kButtonGap),
                           layout_.ButtonsY, layout_.ButtonWidth, layout_.ButtonHeight,
                           kFirstButtonId + int(i)});
        }
        return GetDlgItem(window, kFirstButtonId + int(request_.DefaultButton));
    }

    bool OnCommand(int id, int, HWND) override {
        int index = id - kFirstButtonId;
        if (index < 0 || index >= int(request_.Buttons.size())) return false;
        Close(request_.Buttons[std::size_t(index)].Result);
        return true;
    }

    bool OnMessage(UINT message, WPARAM, LPARAM, LRESULT& result) override {
        if (message != DM_GETDEFID) return false;
        result = MAKELRESULT(kFirstButtonId + int(request_.DefaultButton), DC_HASDEFID);
        return true;
    }

private:
    const BoxRequest& request_;
    Layout layout_;
};

} // namespace

int ShowMessageDialog(const BoxRequest& request) {
    MessageBoxForm form(request, LayOut(request));
    return form.ShowModal();
}

void ShowNotice(const std::string& text) {
    ShowMessageDialog({BoxKind::Notice, text, {{"OK", IDOK}}, 0, IDOK});
}

void ShowErrorBox(const std::string& text) {
    ShowMessageDialog({BoxKind::Error, text, {{"OK", IDOK}}, 0, IDOK});
}

bool ConfirmYesNo(const std::string& text) {
    BoxRequest request{
        BoxKind::Confirmation, text.substr(0, 255), {{"&Oui", IDYES}, {"&Non", IDNO}}, 0, IDNO};
    return ShowMessageDialog(request) == IDYES;
}
