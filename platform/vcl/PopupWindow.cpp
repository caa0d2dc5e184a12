#include "platform/vcl/PopupWindow.h"

namespace vcl
{

void SetPopupParams(TCreateParams &Params, HWND Parent, const char *ClassName)
{
    Params.Style = WS_POPUP | WS_CLIPSIBLINGS;
    Params.ExStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE;
    Params.WndParent = Parent;
    Params.WinClassName = ClassName;
}

bool HandlePopupActivation(TMessage &Message)
{
    switch (Message.Msg) {
    case WM_MOUSEACTIVATE:
        Message.Result = MA_NOACTIVATE;
        return true;
    case WM_ACTIVATE:
        if (LOWORD(Message.WParam) != WA_INACTIVE && Message.LParam)
            SetActiveWindow(reinterpret_cast<HWND>(Message.LParam));
        return true;
    default:
        return false;
    }
}

bool HandleDropDownMessage(TMessage &Message, HWND Popup, TWinControl *Owner,
                           const std::function<void()> &Close)
{
    switch (Message.Msg) {
    case WM_CAPTURECHANGED:
        if (reinterpret_cast<HWND>(Message.LParam) != Popup) Close();
        return true;
    case WM_SETFOCUS:
        ::SetFocus(Owner->Handle());
        return true;
    default:
        return HandlePopupActivation(Message);
    }
}

} // namespace vcl
