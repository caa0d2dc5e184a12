#pragma once

// Panels, bevels, images, shapes, splitters, the scroll box and the timer.

#include "platform/vcl/StdCtrls.h"

enum TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };
using TPanelBevel = TBevelCut;

class TCustomPanel : public TCustomControl
{
    QRV4_CLASS(TCustomPanel, TCustomControl)

public:
    explicit TCustomPanel(TComponent *AOwner);

    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment Value);
    TPanelBevel BevelInner() const { return FBevelInner; }
    void SetBevelInner(TPanelBevel Value);
    TPanelBevel BevelOuter() const { return FBevelOuter; }
    void SetBevelOuter(TPanelBevel Value);
    int BevelWidth() const { return FBevelWidth; }
    void SetBevelWidth(int Value);
    int BorderWidth() const { return FBorderWidth; }
    void SetBorderWidth(int Value);
    TBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TBorderStyle Value);
    // The children's area: inside the bevels and the border.
    void AlignControls(TControl *AControl, TRect &Rect) override;
    void WndProc(TMessage &Message) override;

protected:
    void Paint() override;
    int FrameWidth() const;

private:
    TAlignment FAlignment = taCenter;
    TPanelBevel FBevelInner = bvNone;
    TPanelBevel FBevelOuter = bvRaised;
    int FBevelWidth = 1;
    int FBorderWidth = 0;
    TBorderStyle FBorderStyle = bsNone;
};

class TPanel : public TCustomPanel
{
    QRV4_CLASS(TPanel, TCustomPanel)

public:
    explicit TPanel(TComponent *AOwner) : TCustomPanel(AOwner) {}
};

enum TBevelShape { bsBox, bsFrame, bsTopLine, bsBottomLine, bsLeftLine, bsRightLine, bsSpacer };
enum TBevelStyle { bsLowered, bsRaised };

class TBevel : public TGraphicControl
{
    QRV4_CLASS(TBevel, TGraphicControl)

public:
    explicit TBevel(TComponent *AOwner);
    TBevelShape Shape() const { return FShape; }
    void SetShape(TBevelShape Value);
    TBevelStyle Style() const { return FStyle; }
    void SetStyle(TBevelStyle Value);

protected:
    void Paint() override;

private:
    TBevelShape FShape = bsBox;
    TBevelStyle FStyle = bsLowered;
};

// Shows a picture; its canvas draws on the picture's bitmap, which persists.
class TImage : public TGraphicControl
{
    QRV4_CLASS(TImage, TGraphicControl)

public:
    explicit TImage(TComponent *AOwner);
    ~TImage() override;

    TPicture *Picture() const { return FPicture.get(); }
    void SetPicture(TPicture *Value) { FPicture->Assign(Value); }
    // The bitmap's canvas, made the size of the image when there is no picture yet;
    // raises EInvalidOperation for a picture of another kind.
    TCanvas *Canvas();
    bool Stretch() const { return FStretch; }
    void SetStretch(bool Value);
    bool Center() const { return FCenter; }
    void SetCenter(bool Value);
    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool Value);
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool Value);

protected:
    void Paint() override;

private:
    void PictureChanged(TObject *Sender);
    TRect DestRect();

    std::unique_ptr<TPicture> FPicture;
    bool FStretch = false;
    bool FCenter = false;
    bool FTransparent = false;
    bool FAutoSize = false;
    bool FDrawing = false;
};

enum TShapeType { stRectangle, stSquare, stRoundRect, stRoundSquare, stEllipse, stCircle };

class TShape : public TGraphicControl
{
    QRV4_CLASS(TShape, TGraphicControl)

public:
    explicit TShape(TComponent *AOwner);
    ~TShape() override;
    TShapeType Shape() const { return FShape; }
    void SetShape(TShapeType Value);
    TPen *Pen() const { return FPen.get(); }
    void SetPen(TPen *Value) { FPen->Assign(Value); }
    TBrush *Brush() const { return FBrush.get(); }
    void SetBrush(TBrush *Value) { FBrush->Assign(Value); }

protected:
    void Paint() override;

private:
    TShapeType FShape = stRectangle;
    std::unique_ptr<TPen> FPen;
    std::unique_ptr<TBrush> FBrush;
};

// Resizes the control it is aligned next to by dragging.
class TSplitter : public TGraphicControl
{
    QRV4_CLASS(TSplitter, TGraphicControl)

public:
    explicit TSplitter(TComponent *AOwner);
    int MinSize() const { return FMinSize; }
    void SetMinSize(int Value) { FMinSize = Value; }

    TNotifyEvent OnMoved;

protected:
    void Paint() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;

private:
    TControl *FindControl() const;
    TControl *FControl = nullptr;
    TPoint FDownPos;
    int FStartSize = 0;
    int FMinSize = 30;
};

class TScrollBox : public TCustomControl
{
    QRV4_CLASS(TScrollBox, TCustomControl)

public:
    explicit TScrollBox(TComponent *AOwner);

protected:
    void Paint() override;
};

// Raises OnTimer every Interval milliseconds through the message loop.
// Enabling a running timer leaves it running as it was; disabling and enabling
// again starts a full interval.
class TTimer : public TComponent
{
    QRV4_CLASS(TTimer, TComponent)

public:
    explicit TTimer(TComponent *AOwner);
    ~TTimer() override;

    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool Value);
    unsigned Interval() const { return FInterval; }
    void SetInterval(unsigned Value);

    // Read at each tick; a timer without a handler still runs, doing nothing.
    TNotifyEvent OnTimer;

protected:
    virtual void Timer();

private:
    void UpdateTimer();
    void WndProc(TMessage &Message);

    bool FEnabled = true;
    unsigned FInterval = 1000;
    HWND FWindowHandle{};
};
