#pragma once

// The common controls: page control with tab sheets, status bar, progress bar,
// track bar, up-down and date-time picker, all drawn by us.

#include "platform/vcl/ImgList.h"
#include "platform/vcl/StdCtrls.h"

#include <memory>
#include <vector>

using TTabChangingEvent = std::function<void(TObject *Sender, bool &AllowChange)>;

class TPageControl;

class TTabSheet : public TWinControl
{
    QRV4_CLASS(TTabSheet, TWinControl)
    friend class TPageControl;

public:
    explicit TTabSheet(TComponent *AOwner);
    ~TTabSheet() override;

    TPageControl *PageControl() const { return FPageControl; }
    // Joins (or leaves, with null) a page control, as the last page.
    void SetPageControl(TPageControl *Value);
    int PageIndex() const;
    void SetPageIndex(int Value);
    bool TabVisible() const { return FTabVisible; }
    void SetTabVisible(bool Value);
    int ImageIndex() const { return FImageIndex; }
    void SetImageIndex(int Value);
    void WndProc(TMessage &Message) override;

private:
    TPageControl *FPageControl = nullptr;
    bool FTabVisible = true;
    int FImageIndex = -1;
};

class TPageControl : public TCustomControl
{
    QRV4_CLASS(TPageControl, TCustomControl)
    friend class TTabSheet;

public:
    explicit TPageControl(TComponent *AOwner);
    ~TPageControl() override;

    int PageCount() const { return static_cast<int>(FPages.size()); }
    TTabSheet *Pages(int Index) const { return FPages.at(Index); }
    TTabSheet *ActivePage() const { return FActivePage; }
    // Shows the page; a change made in code raises no events.
    void SetActivePage(TTabSheet *Page);
    int ActivePageIndex() const;
    void SetActivePageIndex(int Value);
    TCustomImageList *Images() const { return FImages; }
    void SetImages(TCustomImageList *Value);
    int TabHeight() const { return FTabHeight; }
    void SetTabHeight(int Value);
    TTabSheet *FindNextPage(TTabSheet *CurPage, bool GoForward, bool CheckTabVisible);
    void SelectNextPage(bool GoForward);
    // The page area, inside the frame below the tabs.
    TRect DisplayRect();
    // The tab's rectangle, empty for a hidden tab.
    TRect TabRect(int Index);
    int IndexOfTabAt(int X, int Y);

    void AlignControls(TControl *AControl, TRect &Rect) override;
    void WndProc(TMessage &Message) override;

    // Raised before a change by the user, while ActivePage is still the page left.
    TTabChangingEvent OnChanging;
    TNotifyEvent OnChange;

protected:
    virtual bool CanChange();
    virtual void Change();
    void Paint() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void KeyDown(WORD &Key, TShiftState Shift) override;
    void Notification(TComponent *AComponent, TOperation Operation) override;

private:
    void InsertPage(TTabSheet *Page);
    void RemovePage(TTabSheet *Page);
    // A change asked for by the user: OnChanging may refuse it.
    void ChangeActivePage(TTabSheet *Page);

    std::vector<TTabSheet *> FPages;
    TTabSheet *FActivePage = nullptr;
    TCustomImageList *FImages = nullptr;
    std::unique_ptr<TChangeLink> FImageChangeLink;
    int FTabHeight = 0;
};

// A bar along the bottom; with SimplePanel it shows SimpleText over its colour.
class TStatusBar;

// One panel of a status bar: its text in a box of its width, the last one taking the rest.
class TStatusPanel
{
public:
    explicit TStatusPanel(TStatusBar *Bar) : FBar(Bar) {}
    const AnsiString &Text() const { return FText; }
    void SetText(const AnsiString &Value);
    int Width() const { return FWidth; }
    void SetWidth(int Value);

private:
    TStatusBar *FBar;
    AnsiString FText;
    int FWidth = 50;
};

class TStatusBar : public TCustomControl
{
    QRV4_CLASS(TStatusBar, TCustomControl)

public:
    explicit TStatusBar(TComponent *AOwner);
    ~TStatusBar() override;

    TStatusPanel *AddPanel();
    int PanelCount() const { return static_cast<int>(FPanels.size()); }
    TStatusPanel *Panels(int Index) const
    {
        return FPanels.at(static_cast<std::size_t>(Index)).get();
    }

    bool SimplePanel() const { return FSimplePanel; }
    void SetSimplePanel(bool Value);
    const AnsiString &SimpleText() const { return FSimpleText; }
    void SetSimpleText(const AnsiString &Value);
    bool SizeGrip() const { return FSizeGrip; }
    void SetSizeGrip(bool Value);

protected:
    void Paint() override;

private:
    void PaintText(TCanvas *Canvas, const AnsiString &Text, const TRect &Box);

    bool FSimplePanel = false;
    std::vector<std::unique_ptr<TStatusPanel>> FPanels;
    AnsiString FSimpleText;
    bool FSizeGrip = true;
};

enum TProgressBarOrientation { pbHorizontal, pbVertical };

class TProgressBar : public TWinControl
{
    QRV4_CLASS(TProgressBar, TWinControl)

public:
    explicit TProgressBar(TComponent *AOwner);

    int Min() const { return FMin; }
    void SetMin(int Value);
    int Max() const { return FMax; }
    void SetMax(int Value);
    int Position() const { return FPosition; }
    // Held within Min and Max.
    void SetPosition(int Value);
    int Step() const { return FStep; }
    void SetStep(int Value) { FStep = Value; }
    bool Smooth() const { return FSmooth; }
    void SetSmooth(bool Value);
    TProgressBarOrientation Orientation() const { return FOrientation; }
    void SetOrientation(TProgressBarOrientation Value);
    // Advances by Step and stays at Max once there (the native control would
    // wrap round to Min).
    void StepIt();
    void StepBy(int Delta);

protected:
    void PaintWindow(HDC DC) override;

private:
    int FMin = 0;
    int FMax = 100;
    int FPosition = 0;
    int FStep = 10;
    bool FSmooth = false;
    TProgressBarOrientation FOrientation = pbHorizontal;
};

enum TTrackBarOrientation { trHorizontal, trVertical };

class TTrackBar : public TWinControl
{
    QRV4_CLASS(TTrackBar, TWinControl)

public:
    explicit TTrackBar(TComponent *AOwner);

    int Min() const { return FMin; }
    void SetMin(int Value);
    int Max() const { return FMax; }
    void SetMax(int Value);
    int Position() const { return FPosition; }
    // Held within Min and Max; a change raises OnChange.
    void SetPosition(int Value);
    int PageSize() const { return FPageSize; }
    void SetPageSize(int Value) { FPageSize = Value; }
    int LineSize() const { return FLineSize; }
    void SetLineSize(int Value) { FLineSize = Value; }
    int Frequency() const { return FFrequency; }
    void SetFrequency(int Value);
    TTrackBarOrientation Orientation() const { return FOrientation; }
    void SetOrientation(TTrackBarOrientation Value);
    void WndProc(TMessage &Message) override;

    TNotifyEvent OnChange;

protected:
    virtual void Changed();
    void PaintWindow(HDC DC) override;
    void KeyDown(WORD &Key, TShiftState Shift) override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;

private:
    TRect ChannelRect();
    TRect ThumbRect();
    int PositionAt(int X, int Y);

    int FMin = 0;
    int FMax = 10;
    int FPosition = 0;
    int FPageSize = 2;
    int FLineSize = 1;
    int FFrequency = 1;
    TTrackBarOrientation FOrientation = trHorizontal;
    bool FDragging = false;
};

enum TUDBtnType { btNext, btPrev };
using TUDClickEvent = std::function<void(TObject *Sender, TUDBtnType Button)>;
using TUDChangingEvent = std::function<void(TObject *Sender, bool &AllowChange)>;

class TUpDown : public TCustomControl
{
    QRV4_CLASS(TUpDown, TCustomControl)

public:
    explicit TUpDown(TComponent *AOwner);

    TWinControl *Associate() const { return FAssociate; }
    // The buddy edit: the up-down takes its place at the edit's right side and
    // writes the position into it.
    void SetAssociate(TWinControl *Value);
    int Min() const { return FMin; }
    void SetMin(int Value) { FMin = Value; }
    int Max() const { return FMax; }
    void SetMax(int Value) { FMax = Value; }
    int Position() const { return FPosition; }
    // Held within Min and Max; rewrites the buddy's text.
    void SetPosition(int Value);
    int Increment() const { return FIncrement; }
    void SetIncrement(int Value) { FIncrement = Value; }
    bool Wrap() const { return FWrap; }
    void SetWrap(bool Value) { FWrap = Value; }
    bool Thousands() const { return FThousands; }
    void SetThousands(bool Value);

    TUDClickEvent OnClick;
    TUDChangingEvent OnChanging;

protected:
    void Paint() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void Notification(TComponent *AComponent, TOperation Operation) override;
    void Click(TUDBtnType Button);

private:
    void UpdateBuddy();
    int BuddyPosition() const;

    TWinControl *FAssociate = nullptr;
    int FMin = 0;
    int FMax = 100;
    int FPosition = 0;
    int FIncrement = 1;
    bool FWrap = false;
    bool FThousands = true;
};

enum TDateTimeKind { dtkDate, dtkTime };
enum TDTDateFormat { dfShort, dfLong };
enum TDTDateMode { dmComboBox, dmUpDown };

// Edits a date (or time) in fields: left and right choose the field, up and
// down change it. The date keeps the time of day it was given, in date mode too.
class TDateTimePicker : public TWinControl
{
    QRV4_CLASS(TDateTimePicker, TWinControl)

public:
    explicit TDateTimePicker(TComponent *AOwner);

    TDateTime DateTime() const { return FDateTime; }
    void SetDateTime(TDateTime Value);
    TDateTime Date() const;
    // Changes the day only; the time of day stays.
    void SetDate(TDateTime Value);
    TDateTime Time() const;
    void SetTime(TDateTime Value);
    TDateTimeKind Kind() const { return FKind; }
    void SetKind(TDateTimeKind Value);
    TDTDateFormat DateFormat() const { return FDateFormat; }
    void SetDateFormat(TDTDateFormat Value);
    TDTDateMode DateMode() const { return FDateMode; }
    void SetDateMode(TDTDateMode Value) { FDateMode = Value; }
    // What the control shows: the long date in Russian ("7 декабря 2024 г."),
    // the short date or the time.
    AnsiString DisplayText() const;
    void WndProc(TMessage &Message) override;

    TNotifyEvent OnChange;

protected:
    virtual void Change();
    void PaintWindow(HDC DC) override;
    void KeyDown(WORD &Key, TShiftState Shift) override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    AnsiString GetText() const override { return DisplayText(); }

private:
    void StepField(int Delta);

    TDateTime FDateTime;
    TDateTimeKind FKind = dtkDate;
    TDTDateFormat FDateFormat = dfShort;
    TDTDateMode FDateMode = dmComboBox;
    int FField = 0; // day, month, year (or hour, minute, second)
};
