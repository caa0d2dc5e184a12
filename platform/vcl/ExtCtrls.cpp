#include "platform/vcl/ExtCtrls.h"

#include "platform/win/Paint.h"

#include <algorithm>

namespace
{

// A bevel of the panels and the status bar: the light colour on the top and
// left for a raised cut, the shadow there for a lowered one.
void Frame3D(TCanvas *Canvas, TRect &R, TColor TopColor, TColor BottomColor, int Width)
{
    for (int i = 0; i < Width; ++i) {
        Canvas->Pen()->SetColor(TopColor);
        Canvas->MoveTo(R.Left, R.Bottom - 1);
        Canvas->LineTo(R.Left, R.Top);
        Canvas->LineTo(R.Right - 1, R.Top);
        Canvas->Pen()->SetColor(BottomColor);
        Canvas->LineTo(R.Right - 1, R.Bottom - 1);
        Canvas->LineTo(R.Left - 1, R.Bottom - 1);
        R = TRect(R.Left + 1, R.Top + 1, R.Right - 1, R.Bottom - 1);
    }
}

void Bevel(TCanvas *Canvas, TRect &R, TBevelCut Cut, int Width)
{
    if (Cut == bvNone) return;
    if (Cut == bvSpace) {
        R = TRect(R.Left + Width, R.Top + Width, R.Right - Width, R.Bottom - Width);
        return;
    }
    const bool raised = Cut == bvRaised;
    Frame3D(Canvas, R, raised ? clBtnHighlight : clBtnShadow, raised ? clBtnShadow : clBtnHighlight,
            Width);
}

} // namespace

// ---- TCustomPanel ------------------------------------------------------------------------

TCustomPanel::TCustomPanel(TComponent *AOwner) : TCustomControl(AOwner)
{
    FControlStyle = {csAcceptsControls, csCaptureMouse, csClickEvents, csSetCaption,
                     csOpaque,          csDoubleClicks, csReplicatable};
    SetBounds(0, 0, 185, 41);
    SetParentColor(false);
    SetColor(clBtnFace);
}

int TCustomPanel::FrameWidth() const
{
    int width = FBorderWidth;
    if (FBevelOuter != bvNone) width += FBevelWidth;
    if (FBevelInner != bvNone) width += FBevelWidth;
    if (FBorderStyle == bsSingle) width += 1;
    return width;
}

void TCustomPanel::AlignControls(TControl *AControl, TRect &Rect)
{
    const int frame = FrameWidth();
    Rect = TRect(Rect.Left + frame, Rect.Top + frame, Rect.Right - frame, Rect.Bottom - frame);
    inherited::AlignControls(AControl, Rect);
}

void TCustomPanel::Paint()
{
    TCanvas *canvas = Canvas();
    TRect r = ClientRect();
    canvas->Brush()->SetColor(Color());
    canvas->FillRect(r);
    if (FBorderStyle == bsSingle) Frame3D(canvas, r, clWindowFrame, clWindowFrame, 1);
    Bevel(canvas, r, FBevelOuter, FBevelWidth);
    r = TRect(r.Left + FBorderWidth, r.Top + FBorderWidth, r.Right - FBorderWidth,
              r.Bottom - FBorderWidth);
    Bevel(canvas, r, FBevelInner, FBevelWidth);
    const AnsiString caption = Caption();
    if (caption.IsEmpty()) return;
    canvas->Font()->Assign(Font());
    canvas->Brush()->SetStyle(bsClear);
    static constexpr UINT Alignments[] = {DT_LEFT, DT_RIGHT, DT_CENTER};
    RECT text = r;
    DrawTextA(canvas->Handle(), caption.c_str(), caption.Length(), &text,
              DT_EXPANDTABS | DT_VCENTER | DT_SINGLELINE | Alignments[FAlignment]);
}

void TCustomPanel::SetAlignment(TAlignment Value)
{
    FAlignment = Value;
    Invalidate();
}

void TCustomPanel::SetBevelInner(TPanelBevel Value)
{
    FBevelInner = Value;
    Realign();
    Invalidate();
}

void TCustomPanel::SetBevelOuter(TPanelBevel Value)
{
    FBevelOuter = Value;
    Realign();
    Invalidate();
}

void TCustomPanel::SetBevelWidth(int Value)
{
    FBevelWidth = std::max(Value, 1);
    Realign();
    Invalidate();
}

void TCustomPanel::SetBorderWidth(int Value)
{
    FBorderWidth = std::max(Value, 0);
    Realign();
    Invalidate();
}

void TCustomPanel::SetBorderStyle(TBorderStyle Value)
{
    FBorderStyle = Value;
    Realign();
    Invalidate();
}

void TCustomPanel::WndProc(TMessage &Message)
{
    if (Message.Msg == CM_TEXTCHANGED) {
        Invalidate();
        return;
    }
    inherited::WndProc(Message);
}

// ---- TBevel -----------------------------------------------------------------------------

TBevel::TBevel(TComponent *AOwner) : TGraphicControl(AOwner)
{
    FControlStyle << csReplicatable;
    SetBounds(0, 0, 50, 50);
}

void TBevel::SetShape(TBevelShape Value)
{
    FShape = Value;
    Invalidate();
}

void TBevel::SetStyle(TBevelStyle Value)
{
    FStyle = Value;
    Invalidate();
}

void TBevel::Paint()
{
    TCanvas *canvas = Canvas();
    const TColor first = FStyle == bsLowered ? clBtnShadow : clBtnHighlight;
    const TColor second = FStyle == bsLowered ? clBtnHighlight : clBtnShadow;
    TRect r = ClientRect();
    auto line = [&](int x1, int y1, int x2, int y2, TColor color) {
        canvas->Pen()->SetColor(color);
        canvas->MoveTo(x1, y1);
        canvas->LineTo(x2, y2);
    };
    switch (FShape) {
    case bsBox:
        Frame3D(canvas, r, first, second, 1);
        break;
    case bsFrame: {
        TRect inner(r.Left + 1, r.Top + 1, r.Right, r.Bottom);
        Frame3D(canvas, inner, second, second, 1);
        TRect outer(r.Left, r.Top, r.Right - 1, r.Bottom - 1);
        Frame3D(canvas, outer, first, first, 1);
        break;
    }
    case bsTopLine:
        line(0, 0, r.Right, 0, first);
        line(0, 1, r.Right, 1, second);
        break;
    case bsBottomLine:
        line(0, r.Bottom - 2, r.Right, r.Bottom - 2, first);
        line(0, r.Bottom - 1, r.Right, r.Bottom - 1, second);
        break;
    case bsLeftLine:
        line(0, 0, 0, r.Bottom, first);
        line(1, 0, 1, r.Bottom, second);
        break;
    case bsRightLine:
        line(r.Right - 2, 0, r.Right - 2, r.Bottom, first);
        line(r.Right - 1, 0, r.Right - 1, r.Bottom, second);
        break;
    case bsSpacer:
        break;
    }
}

// ---- TImage -----------------------------------------------------------------------------

TImage::TImage(TComponent *AOwner) : TGraphicControl(AOwner), FPicture(std::make_unique<TPicture>())
{
    FControlStyle << csReplicatable;
    FPicture->OnChange = [this](TObject *Sender) { PictureChanged(Sender); };
    SetBounds(0, 0, 105, 105);
}

TImage::~TImage() = default;

TCanvas *TImage::Canvas()
{
    if (!FPicture->Graphic()) {
        TBitmap *bitmap = FPicture->Bitmap();
        bitmap->SetSize(Width(), Height());
    }
    auto *bitmap = dynamic_cast<TBitmap *>(FPicture->Graphic());
    if (!bitmap) throw EInvalidOperation("Can only modify an image if it contains a bitmap");
    TCanvas *canvas = bitmap->Canvas();
    // Drawing on the canvas shows in the control.
    canvas->OnChange = [this](TObject *) {
        if (!FDrawing) Invalidate();
    };
    return canvas;
}

TRect TImage::DestRect()
{
    const int w = FPicture->Width();
    const int h = FPicture->Height();
    if (FStretch) return ClientRect();
    if (FCenter) return Bounds((Width() - w) / 2, (Height() - h) / 2, w, h);
    return Bounds(0, 0, w, h);
}

void TImage::Paint()
{
    TGraphic *graphic = FPicture->Graphic();
    if (!graphic || graphic->Empty()) return;
    FDrawing = true;
    graphic->SetTransparent(FTransparent);
    FDrawing = false;
    inherited::Canvas()->StretchDraw(DestRect(), graphic);
}

void TImage::PictureChanged(TObject *)
{
    if (FAutoSize && FPicture->Width() > 0 && FPicture->Height() > 0)
        SetBounds(Left(), Top(), FPicture->Width(), FPicture->Height());
    if (!FDrawing) Invalidate();
}

void TImage::SetStretch(bool Value)
{
    FStretch = Value;
    Invalidate();
}

void TImage::SetCenter(bool Value)
{
    FCenter = Value;
    Invalidate();
}

void TImage::SetTransparent(bool Value)
{
    FTransparent = Value;
    if (Value)
        FControlStyle >> csOpaque;
    else
        FControlStyle << csOpaque;
    Invalidate();
}

void TImage::SetAutoSize(bool Value)
{
    FAutoSize = Value;
    PictureChanged(this);
}

// ---- TShape ---------------------------------------------------------------------------

TShape::TShape(TComponent *AOwner)
    : TGraphicControl(AOwner), FPen(std::make_unique<TPen>()), FBrush(std::make_unique<TBrush>())
{
    FControlStyle << csReplicatable;
    FPen->OnChange = [this](TObject *) { Invalidate(); };
    FBrush->OnChange = [this](TObject *) { Invalidate(); };
    SetBounds(0, 0, 65, 65);
}

TShape::~TShape() = default;

void TShape::SetShape(TShapeType Value)
{
    FShape = Value;
    Invalidate();
}

void TShape::Paint()
{
    TCanvas *canvas = Canvas();
    canvas->SetPen(FPen.get());
    canvas->SetBrush(FBrush.get());
    const int pw = FPen->Width();
    const int half = pw / 2;
    int x = half, y = half;
    int w = Width() - pw + 1, h = Height() - pw + 1;
    if (pw == 0) {
        --w;
        --h;
    }
    if (FShape == stSquare || FShape == stRoundSquare || FShape == stCircle) {
        const int side = std::min(w, h);
        x += (w - side) / 2;
        y += (h - side) / 2;
        w = h = side;
    }
    switch (FShape) {
    case stRectangle:
    case stSquare:
        canvas->Rectangle(x, y, x + w, y + h);
        break;
    case stRoundRect:
    case stRoundSquare:
        canvas->RoundRect(x, y, x + w, y + h, std::min(w, h) / 4, std::min(w, h) / 4);
        break;
    case stEllipse:
    case stCircle:
        canvas->Ellipse(x, y, x + w, y + h);
        break;
    }
}

// ---- TSplitter ----------------------------------------------------------------------------

TSplitter::TSplitter(TComponent *AOwner) : TGraphicControl(AOwner)
{
    SetAlign(alLeft);
    SetBounds(0, 0, 3, 100);
    SetCursor(crHSplit);
}

void TSplitter::Paint()
{
    Canvas()->Brush()->SetColor(Color());
    Canvas()->FillRect(ClientRect());
}

TControl *TSplitter::FindControl() const
{
    if (!Parent()) return nullptr;
    // The neighbour on the side the splitter is aligned to.
    for (int i = 0; i < Parent()->ControlCount(); ++i) {
        TControl *c = Parent()->Controls(i);
        if (c == this || !c->Visible() || c->Align() != Align()) continue;
        switch (Align()) {
        case alLeft:
            if (c->Left() + c->Width() == Left()) return c;
            break;
        case alRight:
            if (c->Left() == Left() + Width()) return c;
            break;
        case alTop:
            if (c->Top() + c->Height() == Top()) return c;
            break;
        case alBottom:
            if (c->Top() == Top() + Height()) return c;
            break;
        default:
            break;
        }
    }
    return nullptr;
}

void TSplitter::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    inherited::MouseDown(Button, Shift, X, Y);
    if (Button != mbLeft) return;
    FControl = FindControl();
    FDownPos = ClientToScreen(TPoint(X, Y));
    if (FControl)
        FStartSize =
            Align() == alLeft || Align() == alRight ? FControl->Width() : FControl->Height();
}

void TSplitter::MouseMove(TShiftState Shift, int X, int Y)
{
    inherited::MouseMove(Shift, X, Y);
    if (!FControl || !Shift.Contains(ssLeft)) return;
    const TPoint p = ClientToScreen(TPoint(X, Y));
    int delta = 0;
    switch (Align()) {
    case alLeft:
        delta = p.X - FDownPos.X;
        break;
    case alRight:
        delta = FDownPos.X - p.X;
        break;
    case alTop:
        delta = p.Y - FDownPos.Y;
        break;
    case alBottom:
        delta = FDownPos.Y - p.Y;
        break;
    default:
        return;
    }
    const int size = std::max(FMinSize, FStartSize + delta);
    if (Align() == alLeft || Align() == alRight)
        FControl->SetWidth(size);
    else
        FControl->SetHeight(size);
}

void TSplitter::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    inherited::MouseUp(Button, Shift, X, Y);
    if (FControl && OnMoved) OnMoved(this);
    FControl = nullptr;
}

// ---- TScrollBox ----------------------------------------------------------------------------

TScrollBox::TScrollBox(TComponent *AOwner) : TCustomControl(AOwner)
{
    FControlStyle << csAcceptsControls;
    SetBounds(0, 0, 185, 41);
}

void TScrollBox::Paint()
{
    RECT r = ClientRect();
    DrawEdge(Canvas()->Handle(), &r, EDGE_SUNKEN, BF_RECT);
}

// ---- TTimer -------------------------------------------------------------------------------

TTimer::TTimer(TComponent *AOwner) : TComponent(AOwner)
{
    FWindowHandle = AllocateHWnd([this](TMessage &Message) { WndProc(Message); });
    // Made enabled, it runs from now on; its handler is read at each tick.
    UpdateTimer();
}

TTimer::~TTimer()
{
    FEnabled = false;
    UpdateTimer();
    DeallocateHWnd(FWindowHandle);
}

void TTimer::UpdateTimer()
{
    KillTimer(FWindowHandle, 1);
    if (FInterval != 0 && FEnabled) SetTimer(FWindowHandle, 1, FInterval, nullptr);
}

void TTimer::SetEnabled(bool Value)
{
    // A running timer keeps its phase; only a real change restarts it.
    if (Value == FEnabled) return;
    FEnabled = Value;
    UpdateTimer();
}

void TTimer::SetInterval(unsigned Value)
{
    if (Value == FInterval) return;
    FInterval = Value;
    UpdateTimer();
}

void TTimer::Timer()
{
    if (OnTimer) OnTimer(this);
}

void TTimer::WndProc(TMessage &Message)
{
    if (Message.Msg != WM_TIMER) {
        Message.Result = DefWindowProcW(FWindowHandle, Message.Msg, Message.WParam, Message.LParam);
        return;
    }
    try {
        Timer();
    } catch (...) {
        vcl::HandleException(this);
    }
}
