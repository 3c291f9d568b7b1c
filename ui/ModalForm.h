#pragma once
// One modal form: a fixed-size top-level window over the program's others until it is closed.
// A form supplies its controls and its handlers; the base registers its class, creates it,
// centres it on the screen, runs the modal loop (the program's pre-dispatch hook included),
// closes it with the form's cancel result on IDCANCEL (Escape) and on the close box, and shows
// any exception a handler lets out in the general error box.
#include <windows.h>
#include <string>

#include "ui/WindowBase.h"

class ModalForm : public WindowBase {
public:
    // Shows the form modally; the result it was closed with (the cancel result when the program
    // is quitting or the system cannot make its window).
    int ShowModal();

protected:
    struct FormFrame {
        const wchar_t* ClassName;
        std::string Caption;           // 1252
        int ClientWidth, ClientHeight; // at 96 dpi
        int CancelResult = IDCANCEL;   // Escape and the close box
        DWORD ExStyle = 0;             // added to the form's own
    };
    explicit ModalForm(FormFrame frame) : frame_(std::move(frame)) {}

    // FormCreate: the form's controls, on a window of the frame's size; returns the control that
    // gets the focus.
    virtual HWND CreateControls(HWND window) = 0;
    // The form's own fonts, for the form's DPI: after CreateControls, and again when the window
    // moves to a monitor of another scale.
    virtual void ApplyFonts(HWND window, int dpi);
    // A command from a control; false leaves it to the base.
    virtual bool OnCommand(int id, int code, HWND control);
    // Any other message; false leaves it to the base.
    virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

    // Ends the modal loop: ShowModal returns `result`.
    void Close(int result);

private:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

    FormFrame frame_;
    bool done_ = false;
    int result_ = IDCANCEL;
};
