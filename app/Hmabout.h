#pragma once
// The about box: the program's icon, name, version and an OK button.
#include "ui/Handles.h"
#include "ui/ModalForm.h"

class TAboutBox : public ModalForm {
public:
    TAboutBox();
    static constexpr const wchar_t* kClassName = L"TVexorAboutBox";

protected:
    HWND CreateControls(HWND window) override;
    void ApplyFonts(HWND window, int dpi) override;
    bool OnCommand(int id, int code, HWND control) override;

private:
    UniqueGdiObject font_;
};
