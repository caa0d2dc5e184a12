#include "menus/TB2ToolWindow.h"

TTBToolWindow::TTBToolWindow(TComponent *AOwner) : TTBCustomDockableWindow(AOwner)
{
    SetBounds(Left(), Top(), 32, 32);
}

// The client rectangle comes from the window's frame, which asking does not change.
int TTBToolWindow::ClientAreaWidth() const
{
    return Parent() ? const_cast<TTBToolWindow *>(this)->ClientWidth() : Width();
}

int TTBToolWindow::ClientAreaHeight() const
{
    return Parent() ? const_cast<TTBToolWindow *>(this)->ClientHeight() : Height();
}

void TTBToolWindow::SetClientAreaSize(int AWidth, int AHeight)
{
    if (Parent())
        SetBounds(Left(), Top(), AWidth + Width() - ClientWidth(),
                  AHeight + Height() - ClientHeight());
    else
        SetBounds(Left(), Top(), AWidth, AHeight);
}

void TTBToolWindow::SizeChanging(int AWidth, int AHeight)
{
    FBarWidth = Parent() ? AWidth + (ClientWidth() - Width()) : AWidth;
    FBarHeight = Parent() ? AHeight + (ClientHeight() - Height()) : AHeight;
}

TPoint TTBToolWindow::CalcSize(TTBDock *Dock)
{
    TPoint Size(FBarWidth, FBarHeight);
    // A bar the dock stretches asks only for its least length along the row.
    if (Dock && (FullSize() || Stretch())) {
        if (Dock->IsLeftRight())
            Size.Y = FMinClientHeight;
        else
            Size.X = FMinClientWidth;
    }
    return Size;
}

TPoint TTBToolWindow::DoArrange(bool, TTBDockType, bool, TTBDock *NewDock)
{
    return CalcSize(NewDock);
}

TPoint TTBToolWindow::GetBaseSize()
{
    return CalcSize(CurrentDock());
}

void TTBToolWindow::GetMinMaxSize(int &AMinClientWidth, int &AMinClientHeight, int &AMaxClientWidth,
                                  int &AMaxClientHeight)
{
    AMinClientWidth = FMinClientWidth;
    AMinClientHeight = FMinClientHeight;
    AMaxClientWidth = FMaxClientWidth;
    AMaxClientHeight = FMaxClientHeight;
}

void TTBToolWindow::ReadPositionData(const TTBReadPositionData &Data)
{
    TTBCustomDockableWindow::ReadPositionData(Data);
    // A window the user cannot size keeps the size it was made with.
    if (!Resizable() || !Data.ReadIntProc) return;
    const int H = Data.ReadIntProc(Name(), "ClientHeight", FBarHeight, Data.ExtraData);
    const int W = Data.ReadIntProc(Name(), "ClientWidth", FBarWidth, Data.ExtraData);
    SetClientAreaSize(W, H);
}

void TTBToolWindow::WritePositionData(const TTBWritePositionData &Data)
{
    TTBCustomDockableWindow::WritePositionData(Data);
    if (!Data.WriteIntProc) return;
    Data.WriteIntProc(Name(), "ClientWidth", FBarWidth, Data.ExtraData);
    Data.WriteIntProc(Name(), "ClientHeight", FBarHeight, Data.ExtraData);
}

void TTBToolWindow::Paint()
{
    if (!ComponentState().Contains(csDesigning)) return;
    Canvas()->Pen()->SetColor(clBtnShadow);
    Canvas()->Pen()->SetStyle(psDot);
    Canvas()->Brush()->SetStyle(bsClear);
    Canvas()->Rectangle(0, 0, ClientWidth(), ClientHeight());
}

void TTBToolWindow::WMEraseBkgnd(TMessage &Message)
{
    // A skin that is off hands the drawing to the default skin, as it does for the frame.
    TTBBaseSkin *Effective = ActiveSkin(Skin());
    if (!Effective || Effective->SkinType() != tbsOfficeXP || !Docked()) {
        TTBCustomDockableWindow::WMEraseBkgnd(Message);
        return;
    }
    if (CurrentDock() && CurrentDock()->UsingBackground() &&
        CurrentDock()->BackgroundOnToolbars() &&
        PaintDockBackground(reinterpret_cast<HDC>(Message.WParam))) {
        Message.Result = 1;
        return;
    }
    const RECT R{0, 0, ClientWidth(), ClientHeight()};
    const HBRUSH Brush = CreateSolidBrush(ColorToRGB(Effective->Colors()->GetSkinColor(3)));
    FillRect(reinterpret_cast<HDC>(Message.WParam), &R, Brush);
    DeleteObject(Brush);
    Message.Result = 1;
}

void TTBToolWindow::Publish(rtl::Publisher<TTBToolWindow> &P)
{
    PublishDockableWindow(P);
    P.Property("ClientAreaHeight", &TTBToolWindow::ClientAreaHeight,
               &TTBToolWindow::SetClientAreaHeight);
    P.Property("ClientAreaWidth", &TTBToolWindow::ClientAreaWidth,
               &TTBToolWindow::SetClientAreaWidth);
    P.Property("MaxClientHeight", &TTBToolWindow::MaxClientHeight,
               &TTBToolWindow::SetMaxClientHeight)
        .Default(0);
    P.Property("MaxClientWidth", &TTBToolWindow::MaxClientWidth, &TTBToolWindow::SetMaxClientWidth)
        .Default(0);
    P.Property("MinClientHeight", &TTBToolWindow::MinClientHeight,
               &TTBToolWindow::SetMinClientHeight)
        .Default(32);
    P.Property("MinClientWidth", &TTBToolWindow::MinClientWidth, &TTBToolWindow::SetMinClientWidth)
        .Default(32);
}
QRV4_PUBLISHED(TTBToolWindow)
