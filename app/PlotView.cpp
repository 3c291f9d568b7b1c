#include "app/PlotView.h"

#include <windowsx.h>

#include "common/Text1252.h"
#include "export/Clipboard.h"
#include "export/FileSave.h"
#include "ui/FileDialog.h"
#include "ui/MessageDialog.h"
#include "ui/Window.h"

namespace {
constexpr const wchar_t* kClassName = L"TVexorPlotView";
}

PlotView::PlotView(HWND parent, int id, Events events) : events_(std::move(events)) {
    CreateFrame({kClassName, "", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 0, 0, 0, 10, 10, parent});
    SetWindowLongPtrW(Window(), GWLP_ID, id);
}

void PlotView::Invalidate() {
    if (Window()) InvalidateRect(Window(), nullptr, FALSE);
}

int PlotView::Dpi() const { return WindowDpi(Window()); }

std::unique_ptr<Picture> PlotView::Render(const Drawer& draw) const {
    RECT client{};
    GetClientRect(Window(), &client);
    auto picture = std::make_unique<Picture>(client.right, client.bottom);
    RECT box{0, 0, picture->Width(), picture->Height()};
    draw(picture->Dc(), box, Dpi());
    return picture;
}

void PlotView::CopyPicture(const Drawer& draw) const {
    if (!PutOnClipboard(Window(), CF_DIB, Render(draw)->DibBytes()))
        ShowErrorBox(Cp1252("Le presse-papier est occupé par un autre programme : "
                            "l'image n'a pas été copiée."));
}

void PlotView::SavePicture(const Drawer& draw, const std::function<bool()>& closing) const {
    std::wstring path = AskSavePath(GetParent(Window()), "Enregistrer l'image",
                                    {{"Image PNG (*.png)", L"*.png"}}, L"png", Existing::Ask);
    if (path.empty() || closing()) return;
    WriteFileAtomically(path, Render(draw)->PngBytes());
}

void PlotView::Paint() {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(Window(), &paint);
    RECT client{};
    GetClientRect(Window(), &client);
    if (!backBuffer_ || backBuffer_->Width() != client.right ||
        backBuffer_->Height() != client.bottom)
        backBuffer_ = std::make_unique<Picture>(client.right, client.bottom);
    RECT box{0, 0, backBuffer_->Width(), backBuffer_->Height()};
    FillRect(backBuffer_->Dc(), &box, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    events_.Draw(backBuffer_->Dc(), box, Dpi());
    BitBlt(dc, 0, 0, box.right, box.bottom, backBuffer_->Dc(), 0, 0, SRCCOPY);
    EndPaint(Window(), &paint);
}

LRESULT PlotView::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    switch (message) {
    case WM_PAINT: Paint(); return 0;
    case WM_ERASEBKGND: return 1; // the paint covers the whole client area
    case WM_GETDLGCODE: return events_.WantedKeys ? events_.WantedKeys() : 0;
    case WM_KEYDOWN:
        if (events_.Key && events_.Key(UINT(wParam))) return 0;
        break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS: Invalidate(); return 0;
    case WM_LBUTTONDOWN:
        SetFocus(Window());
        SetCapture(Window());
        if (events_.Mouse) events_.Mouse(message, at);
        return 0;
    case WM_LBUTTONUP:
        ReleaseCapture();
        if (events_.Mouse) events_.Mouse(message, at);
        return 0;
    case WM_MOUSEMOVE:
        if (!tracking_) {
            TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, Window(), 0};
            tracking_ = TrackMouseEvent(&track) != FALSE;
        }
        if (events_.Mouse) events_.Mouse(message, at);
        return 0;
    case WM_MOUSELEAVE:
        tracking_ = false;
        if (events_.Mouse) events_.Mouse(message, at);
        return 0;
    case WM_DESTROY: backBuffer_.reset(); return 0;
    }
    return DefWindowProcW(Window(), message, wParam, lParam);
}
