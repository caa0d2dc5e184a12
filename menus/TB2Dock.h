#pragma once
// Docks along the sides of a form, the bars that dock in them or float in a small
// tool frame, the tiled dock background, and saving and restoring bar positions.

#include "menus/TB2Common.h"
#include "menus/TTBSkin.h"
#include "platform/rtl/Registry.h"
#include "platform/rtl/TypInfo.h"
#include "platform/vcl/Controls.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/StdCtrls.h"

#include <functional>
#include <memory>
#include <vector>

class TTBDock;
class TTBCustomDockableWindow;
class TTBFloatingWindowParent;
class TTBBasicBackground;

enum TTBDockPosition { dpTop, dpBottom, dpLeft, dpRight };
using TTBDockableTo = Set<TTBDockPosition>;
enum TTBDockBoundLinesValues { blTop, blBottom, blLeft, blRight };
using TTBDockBoundLines = Set<TTBDockBoundLinesValues>;
enum TTBDockType { dtNotDocked, dtFloating, dtTopBottom, dtLeftRight };
enum TTBDockMode { dmCanFloat, dmCannotFloat, dmCannotFloatOrChangeDocks };
enum TTBDragHandleStyle { dhDouble, dhNone, dhSingle };
enum TTBFloatingMode { fmOnTopOfParentForm, fmOnTopOfAllForms };
enum TTBSizeHandle {
    twshLeft,
    twshRight,
    twshTop,
    twshTopLeft,
    twshTopRight,
    twshBottom,
    twshBottomLeft,
    twshBottomRight
};
enum TTBShrinkMode { tbsmNone, tbsmWrap, tbsmChevron };
QRV4_ENUM_INFO(TTBDockPosition, dpTop, dpBottom, dpLeft, dpRight)
QRV4_SET_INFO(TTBDockableTo, TTBDockPosition)
QRV4_ENUM_INFO(TTBDockBoundLinesValues, blTop, blBottom, blLeft, blRight)
QRV4_SET_INFO(TTBDockBoundLines, TTBDockBoundLinesValues)
QRV4_ENUM_INFO(TTBDockMode, dmCanFloat, dmCannotFloat, dmCannotFloatOrChangeDocks)
QRV4_ENUM_INFO(TTBDragHandleStyle, dhDouble, dhNone, dhSingle)
QRV4_ENUM_INFO(TTBFloatingMode, fmOnTopOfParentForm, fmOnTopOfAllForms)
QRV4_ENUM_INFO(TTBShrinkMode, tbsmNone, tbsmWrap, tbsmChevron)
QRV4_ENUM_INFO(TAnchorKind, akLeft, akTop, akRight, akBottom)
QRV4_SET_INFO(TAnchors, TAnchorKind)
enum TTBDockableWindowStyle { tbdsResizeEightCorner, tbdsResizeClipCursor };
using TTBDockableWindowStyles = Set<TTBDockableWindowStyle>;
enum TTBToolWindowNCRedrawWhatElement { twrdBorder, twrdCaption, twrdCloseButton };
using TTBToolWindowNCRedrawWhat = Set<TTBToolWindowNCRedrawWhatElement>;

using TTBInsertRemoveEvent =
    std::function<void(TObject *Sender, bool Inserting, TTBCustomDockableWindow *Bar)>;
using TTBRequestDockEvent =
    std::function<void(TObject *Sender, TTBCustomDockableWindow *Bar, bool &Accept)>;
using TTBDockChangingEvent =
    std::function<void(TObject *Sender, bool Floating, TTBDock *DockingTo)>;

// Non-client hit codes of the bars and their floating frames.
constexpr LRESULT HT_TB2k_Border = 2000;
constexpr LRESULT HT_TB2k_Close = 2001;
constexpr LRESULT HT_TB2k_Caption = 2002;

// The store of saved positions, given as four callbacks over one extra pointer.
using TTBPositionReadIntProc = std::function<int(
    const AnsiString &ToolbarName, const AnsiString &Value, int Default, void *ExtraData)>;
using TTBPositionReadStringProc =
    std::function<AnsiString(const AnsiString &ToolbarName, const AnsiString &Value,
                             const AnsiString &Default, void *ExtraData)>;
using TTBPositionWriteIntProc = std::function<void(
    const AnsiString &ToolbarName, const AnsiString &Value, int Data, void *ExtraData)>;
using TTBPositionWriteStringProc =
    std::function<void(const AnsiString &ToolbarName, const AnsiString &Value,
                       const AnsiString &Data, void *ExtraData)>;

struct TTBReadPositionData {
    TTBPositionReadIntProc ReadIntProc;
    TTBPositionReadStringProc ReadStringProc;
    void *ExtraData = nullptr;
};

struct TTBWritePositionData {
    TTBPositionWriteIntProc WriteIntProc;
    TTBPositionWriteStringProc WriteStringProc;
    void *ExtraData = nullptr;
};

// ---- Dock ------------------------------------------------------------------------------

class TTBDock : public TCustomControl
{
    QRV4_CLASS(TTBDock, TCustomControl)
    friend class TTBCustomDockableWindow;

public:
    explicit TTBDock(TComponent *AOwner);
    ~TTBDock() override;

    bool AllowDrag() const { return FAllowDrag; }
    void SetAllowDrag(bool Value);
    TTBBasicBackground *Background() const { return FBackground; }
    void SetBackground(TTBBasicBackground *Value);
    bool BackgroundOnToolbars() const { return FBackgroundOnToolbars; }
    void SetBackgroundOnToolbars(bool Value);
    TTBDockBoundLines BoundLines() const { return FBoundLines; }
    void SetBoundLines(TTBDockBoundLines Value);
    bool FixAlign() const { return FFixAlign; }
    void SetFixAlign(bool Value);
    bool LimitToOneRow() const { return FLimitToOneRow; }
    void SetLimitToOneRow(bool Value) { FLimitToOneRow = Value; }
    TTBDockPosition Position() const { return FPosition; }
    void SetPosition(TTBDockPosition Value);

    // The bars now visible on the dock, in their row order.
    int ToolbarCount() const { return static_cast<int>(FVisibleToolbars.size()); }
    TTBCustomDockableWindow *Toolbars(int Index) const { return FVisibleToolbars.at(Index); }
    // Every bar that belongs to the dock, hidden ones and those that last docked here.
    const std::vector<TTBCustomDockableWindow *> &DockList() const { return FDockList; }

    void BeginUpdate();
    void EndUpdate();
    void ArrangeToolbars();
    void CommitPositions();
    bool HasVisibleToolbars() const;
    bool ToolbarVisibleOnDock(const TTBCustomDockableWindow *AToolbar) const;
    int GetCurrentRowSize(int Row, bool &AFullSize) const;
    int GetMinRowSize(int Row, const TTBCustomDockableWindow *ExcludeControl) const;
    int GetDesignModeRowOf(int XY) const;
    int GetHighestRow(bool HighestEffective) const;
    void ChangeWidthHeight(int NewWidth, int NewHeight);
    bool IsLeftRight() const { return FPosition == dpLeft || FPosition == dpRight; }
    // The bound lines' share of the width and height.
    int NonClientWidth() const { return FNonClientWidth; }
    int NonClientHeight() const { return FNonClientHeight; }
    void InvalidateBackgrounds();

    void SetParent(TWinControl *AParent) override;
    void WndProc(TMessage &Message) override;
    // The bars the form owns are written inside their dock, so that they are read back docked.
    void GetChildren(TGetChildProc Proc, TComponent *Root) override;

    virtual void DrawBackground(HDC DC, const TRect &DrawRect);
    virtual bool UsingBackground() const;

    TTBInsertRemoveEvent OnInsertRemoveBar;
    TTBRequestDockEvent OnRequestDock;
    static void Publish(rtl::Publisher<TTBDock> &P);

protected:
    void AlignControls(TControl *AControl, TRect &Rect) override;
    void CreateParams(TCreateParams &Params) override;
    void Loaded() override;
    void Notification(TComponent *AComponent, TOperation Operation) override;
    void Paint() override;
    virtual void DrawNCArea(bool DrawToDC, HDC ADC, HRGN Clip);

private:
    void BackgroundChanged(TObject *Sender);
    void ChangeDockList(bool Insert, TTBCustomDockableWindow *Bar);
    void ToolbarVisibilityChanged(TTBCustomDockableWindow *Bar, bool ForceRemove);
    void RelayMsgToFloatingBars(TMessage &Message);
    void RemoveDestroyingBars();
    bool EraseBackground(HDC DC);
    void ArrangeOnce();
    std::vector<TTBCustomDockableWindow *>
    SortedBars(const std::vector<TTBCustomDockableWindow *> &Bars) const;

    bool FAllowDrag = true;
    TTBBasicBackground *FBackground = nullptr;
    bool FBackgroundOnToolbars = true;
    TTBDockBoundLines FBoundLines;
    bool FFixAlign = false;
    bool FLimitToOneRow = false;
    TTBDockPosition FPosition = dpTop;
    std::vector<TTBCustomDockableWindow *> FDockList;
    std::vector<TTBCustomDockableWindow *> FVisibleToolbars;
    int FUpdateDepth = 0;
    bool FArrangeNeeded = false;
    bool FArranging = false;
    TTBCustomDockableWindow *FDragBar = nullptr;
    bool FDragBarLockedInRow = false;
    bool FDragBarInOverfullRow = false;
    bool FCommitPositions = false;
    int FNonClientWidth = 0;
    int FNonClientHeight = 0;
};

// ---- Dockable window ----------------------------------------------------------------------

class TTBCustomDockableWindow : public TCustomControl
{
    QRV4_CLASS(TTBCustomDockableWindow, TCustomControl)
    friend class TTBDock;
    friend class TTBFloatingWindowParent;

public:
    explicit TTBCustomDockableWindow(TComponent *AOwner);
    ~TTBCustomDockableWindow() override;

    bool ActivateParent() const { return FActivateParent; }
    void SetActivateParent(bool Value) { FActivateParent = Value; }
    bool AutoResize() const { return FAutoResize; }
    void SetAutoResize(bool Value);
    TBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TBorderStyle Value);
    bool CloseButton() const { return FCloseButton; }
    void SetCloseButton(bool Value);
    bool CloseButtonWhenDocked() const { return FCloseButtonWhenDocked; }
    void SetCloseButtonWhenDocked(bool Value);
    TTBDock *CurrentDock() const { return FCurrentDock; }
    void SetCurrentDock(TTBDock *Value);
    TTBDock *DefaultDock() const { return FDefaultDock; }
    void SetDefaultDock(TTBDock *Value);
    TTBDockableTo DockableTo() const { return FDockableTo; }
    void SetDockableTo(TTBDockableTo Value) { FDockableTo = Value; }
    TTBDockMode DockMode() const { return FDockMode; }
    void SetDockMode(TTBDockMode Value) { FDockMode = Value; }
    int DockPos() const { return FDockPos; }
    void SetDockPos(int Value);
    int DockRow() const { return FDockRow; }
    void SetDockRow(int Value);
    TAlignment DockTextAlign() const { return FDockTextAlign; }
    void SetDockTextAlign(TAlignment Value) { FDockTextAlign = Value; }
    TTBDragHandleStyle DragHandleStyle() const { return FDragHandleStyle; }
    void SetDragHandleStyle(TTBDragHandleStyle Value);
    TTBFloatingMode FloatingMode() const { return FFloatingMode; }
    void SetFloatingMode(TTBFloatingMode Value);
    bool FullSize() const { return FFullSize; }
    void SetFullSize(bool Value);
    bool HideWhenInactive() const { return FHideWhenInactive; }
    void SetHideWhenInactive(bool Value) { FHideWhenInactive = Value; }
    TTBDock *LastDock() const { return FLastDock; }
    void SetLastDock(TTBDock *Value);
    bool Resizable() const { return FResizable; }
    void SetResizable(bool Value);
    bool ShowCaption() const { return FShowCaption; }
    void SetShowCaption(bool Value);
    TTBBaseSkin *Skin() const { return FSkin; }
    virtual void SetSkin(TTBBaseSkin *Value);
    bool SmoothDrag() const { return FSmoothDrag; }
    void SetSmoothDrag(bool Value) { FSmoothDrag = Value; }
    bool Stretch() const { return FStretch; }
    void SetStretch(bool Value);
    bool UseLastDock() const { return FUseLastDock; }
    void SetUseLastDock(bool Value);
    TTBDockableWindowStyles DockableWindowStyles() const { return FDockableWindowStyles; }
    void SetDockableWindowStyles(TTBDockableWindowStyles Value) { FDockableWindowStyles = Value; }

    bool Docked() const { return FDocked; }
    bool Floating() const { return FFloating; }
    // The floating frame's place on the screen, kept while docked.
    TPoint FloatingPosition() const { return FFloatingPosition; }
    void SetFloatingPosition(const TPoint &Value);
    void SetFloating(bool Value);
    TTBFloatingWindowParent *FloatingWindowParent() const { return FFloatParent; }
    // Where the dock's last arrangement put the bar, and the length it gave it.
    int EffectiveDockRow() const { return FEffectiveDockRow; }
    int EffectiveDockPos() const { return FEffectiveDockPos; }
    int CurrentSize() const { return FCurrentSize; }
    bool DragMode() const { return FDragMode; }

    void AddDockForm(TCustomForm *Form);
    void RemoveDockForm(TCustomForm *Form);
    void BeginUpdate();
    void EndUpdate();
    void Arrange();
    void ChangeSize(int AWidth, int AHeight);
    bool IsAutoResized() const { return FAutoResize || FDocked || FFloating; }
    bool IsMovable() const;
    void MoveOnScreen(bool OnlyIfFullyOffscreen);
    void Close();
    void DoubleClick();
    // Frame sizes: docked (both sides of each axis together) and floating.
    void GetDockedNCArea(TPoint &TopLeft, TPoint &BottomRight, bool LeftRight) const;
    void GetFloatingNCArea(TPoint &TopLeft, TPoint &BottomRight) const;
    // The floating frame sized around the bar again, measured and drawn (skin or caption changed).
    void FloatingFrameChanged();
    int DragHandleSize(bool LeftRight) const;
    bool GetShowingState() const;
    void UpdateVisibility();
    void UpdateTopmostFlag();
    // The drag and resize loops; the floating frame starts them from its border.
    void BeginMoving(int InitX, int InitY);
    void BeginSizing(TTBSizeHandle SizeHandle);
    void ShowNCContextMenu(const TPoint &Pos);

    void SetParent(TWinControl *AParent) override;
    // A floating bar's frame is its own making, which no stream holds: the bar is then
    // written as a component of its form that stands on no other.
    bool HasParent() override;
    TComponent *GetParentComponent() override;
    void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
    void WndProc(TMessage &Message) override;

    // Positions: the bar's own values beyond the common ones.
    virtual void ReadPositionData(const TTBReadPositionData &Data);
    virtual void DoneReadingPositionData(const TTBReadPositionData &Data);
    virtual void WritePositionData(const TTBWritePositionData &Data);

    // The non-client size of the docked frame, both sides of each axis together.
    virtual TPoint CalcNCSizes(bool LeftRight) const;
    virtual bool ControlExistsAtPos(const TPoint &P);
    // Lays the content out for a dock type; gives the client size that results.
    virtual TPoint DoArrange(bool CanMoveControls, TTBDockType PreviousDockType, bool NewFloating,
                             TTBDock *NewDock) = 0;
    // The client size in the current place.
    virtual TPoint GetBaseSize() = 0;
    virtual void DrawNCArea(bool DrawToDC, HDC ADC, HRGN Clip);
    virtual TRect GetDockedCloseButtonRect(bool LeftRight) const;
    // The shortest client length along the row a shrinking bar accepts; the dock adds the frame.
    virtual int GetMinShrinkSize();
    virtual void GetMinMaxSize(int &AMinClientWidth, int &AMinClientHeight, int &AMaxClientWidth,
                               int &AMaxClientHeight);
    virtual TTBShrinkMode GetShrinkMode();
    virtual TPoint GetFloatingBorderSize() const;
    // The half-tone frame standing for the bar while it is dragged without moving it, moved
    // from OldRect to NewRect: 1 pixel thick where docked, the floating border where floating.
    void DrawDraggingOutline(HDC DC, const TRect &NewRect, const TRect &OldRect, bool NewDocked,
                             bool OldDocked);

    TNotifyEvent OnClose;
    TCloseQueryEvent OnCloseQuery;
    TNotifyEvent OnDockChanged;
    TTBDockChangingEvent OnDockChanging;
    TTBDockChangingEvent OnDockChangingHidden;
    TNotifyEvent OnMove;
    TNotifyEvent OnRecreated;
    TNotifyEvent OnRecreating;
    TNotifyEvent OnVisibleChanged;

    // What a form stream keeps: the last dock only while the bar is in none, the
    // size only while the bar is neither docked nor floating (a dock or the
    // floating frame gives it otherwise).
    bool IsLastDockStored() const { return FCurrentDock == nullptr; }
    bool IsSizeStored() const { return !FDocked && !FFloating; }

protected:
    void CreateParams(TCreateParams &Params) override;
    void CreateWnd() override;
    // A stream written while the program runs says so, for Loaded to tell a floating
    // place on the screen from one on the form.
    void DefineProperties(TFiler *Filer) override;
    void Loaded() override;
    void Notification(TComponent *AComponent, TOperation Operation) override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    virtual void SizeChanging(int AWidth, int AHeight);
    virtual bool ChildControlTransparent(TControl *Ctl);
    virtual void DoDockChangingHidden(bool NewFloating, TTBDock *DockingTo);
    virtual TClass GetFloatingWindowParentClass();
    virtual void InitializeOrdering();
    virtual void ResizeBegin(TTBSizeHandle SizeHandle);
    virtual void ResizeTrack(TRect &Rect, const TRect &OrigRect);
    virtual void ResizeTrackAccept();
    virtual void ResizeEnd();
    // WM_ERASEBKGND: the dock's background under a docked bar, else default erasing.
    virtual void WMEraseBkgnd(TMessage &Message);
    // Paints the dock's background under the client; false when there is none to paint.
    bool PaintDockBackground(HDC DC);
    void Moved();
    // Inside an arrangement the dock sets bounds without SizeChanging.
    bool InsideInternalSizeChange() const { return FInternalSizeChange > 0; }

private:
    struct DragState;
    void DockedFrameChanged();
    void RearrangeDock();
    // At design time the row and place in the dock follow where the bar was put.
    void TakeDesignedPlace();
    // The form the floating frame belongs to is going: a bar that stays above all forms
    // keeps floating, any other leaves the frame, which goes.
    void FloatingParentFormFreed();
    void HandleNCHitTest(TMessage &Message);
    void HandleNCButtonDown(TMessage &Message);
    void HandleContextMenu(TMessage &Message);
    void HandleShowingChanged();
    // The window the floating frame should belong to while it shows.
    HWND WantedFrameOwner() const;
    void ReparentKeepingWindow(TWinControl *AParent);
    void DrawDockedCloseButton(HDC DC, bool Pushed, bool Hovered);
    void DrawDraggingGrip(HDC DC, const TRect &R, bool LeftRight, bool Skinned);
    bool TrackDockedCloseButton();
    // The close button's own loop: true when the button is released over it.
    static bool TrackCloseButton(HWND Wnd, const TRect &ScreenButton,
                                 const std::function<void(bool Pushed)> &DrawState);
    void NoteNCHover(bool Hovered);

    bool FActivateParent = true;
    bool FAutoResize = true;
    TBorderStyle FBorderStyle = bsSingle;
    bool FCloseButton = true;
    bool FCloseButtonWhenDocked = false;
    TTBDock *FCurrentDock = nullptr;
    TTBDock *FDefaultDock = nullptr;
    TTBDockableTo FDockableTo{dpTop, dpBottom, dpLeft, dpRight};
    TTBDockMode FDockMode = dmCanFloat;
    int FDockPos = -1;
    int FDockRow = 0;
    TAlignment FDockTextAlign = taLeftJustify;
    TTBDragHandleStyle FDragHandleStyle = dhSingle;
    TTBFloatingMode FFloatingMode = fmOnTopOfParentForm;
    bool FFullSize = false;
    bool FHideWhenInactive = true;
    TTBDock *FLastDock = nullptr;
    bool FResizable = true;
    bool FShowCaption = true;
    TTBBaseSkin *FSkin = nullptr;
    bool FSmoothDrag = true;
    bool FStretch = false;
    bool FUseLastDock = true;
    TTBDockableWindowStyles FDockableWindowStyles{tbdsResizeEightCorner, tbdsResizeClipCursor};

    bool FDocked = false;
    bool FFloating = false;
    TPoint FFloatingPosition;
    TTBFloatingWindowParent *FFloatParent = nullptr;
    std::vector<TCustomForm *> FDockForms;
    int FUpdateDepth = 0;
    bool FArrangeNeeded = false;
    int FInternalSizeChange = 0;
    int FDisableOnMove = 0;
    int FHidden = 0;
    bool FCloseButtonDown = false;
    bool FCloseButtonHover = false;
    bool FInactiveCaption = false;
    bool FSavedAtRunTime = false;
    bool FDragMode = false;
    bool FDragSplitting = false;
    bool FDragCanSplit = false;
    bool FSmoothDragging = false;
    int FEffectiveDockRow = -1;
    int FEffectiveDockPos = 0;
    int FCurrentSize = 0;
    int FCrossSize = 0;
    bool FShrunk = false;
};

// The properties every kind of dockable window publishes.
template <class T> void PublishDockableWindow(rtl::Publisher<T> &P)
{
    P.Property("ActivateParent", &T::ActivateParent, &T::SetActivateParent).Default(true);
    P.Property("AutoResize", &T::AutoResize, &T::SetAutoResize).Default(true);
    P.Property("BorderStyle", &T::BorderStyle, &T::SetBorderStyle).Default(bsSingle);
    P.Property("Caption", &T::Caption, &T::SetCaption);
    P.Property("CloseButton", &T::CloseButton, &T::SetCloseButton).Default(true);
    P.Property("CloseButtonWhenDocked", &T::CloseButtonWhenDocked, &T::SetCloseButtonWhenDocked)
        .Default(false);
    P.Property("Color", &T::Color, &T::SetColor, rtl::TColorInfo()).Default(clBtnFace);
    P.Property("CurrentDock", &T::CurrentDock, &T::SetCurrentDock).Stored(false);
    P.Property("DefaultDock", &T::DefaultDock, &T::SetDefaultDock);
    P.Property("DockableTo", &T::DockableTo, &T::SetDockableTo)
        .Default(TTBDockableTo{dpTop, dpBottom, dpLeft, dpRight});
    P.Property("DockMode", &T::DockMode, &T::SetDockMode).Default(dmCanFloat);
    P.Property("DockPos", &T::DockPos, &T::SetDockPos).Default(-1);
    P.Property("DockRow", &T::DockRow, &T::SetDockRow).Default(0);
    P.Property("DockTextAlign", &T::DockTextAlign, &T::SetDockTextAlign);
    P.Property("DragHandleStyle", &T::DragHandleStyle, &T::SetDragHandleStyle).Default(dhSingle);
    P.Property("FloatingMode", &T::FloatingMode, &T::SetFloatingMode).Default(fmOnTopOfParentForm);
    P.Property("FullSize", &T::FullSize, &T::SetFullSize).Default(false);
    P.Property("Height", &T::Height, &T::SetHeight).Stored(&T::IsSizeStored);
    P.Property("HideWhenInactive", &T::HideWhenInactive, &T::SetHideWhenInactive).Default(true);
    P.Property("LastDock", &T::LastDock, &T::SetLastDock).Stored(&T::IsLastDockStored);
    P.Property("Resizable", &T::Resizable, &T::SetResizable).Default(true);
    P.Property("ShowCaption", &T::ShowCaption, &T::SetShowCaption).Default(true);
    P.Property("Skin", &T::Skin, &T::SetSkin);
    P.Property("SmoothDrag", &T::SmoothDrag, &T::SetSmoothDrag).Default(true);
    P.Property("Stretch", &T::Stretch, &T::SetStretch).Default(false);
    P.Property("UseLastDock", &T::UseLastDock, &T::SetUseLastDock).Default(true);
    P.Property("Width", &T::Width, &T::SetWidth).Stored(&T::IsSizeStored);
    P.Event("OnClose", &T::OnClose);
    P.Event("OnCloseQuery", &T::OnCloseQuery);
    P.Event("OnDockChanged", &T::OnDockChanged);
    P.Event("OnDockChanging", &T::OnDockChanging);
    P.Event("OnDockChangingHidden", &T::OnDockChangingHidden);
    P.Event("OnMove", &T::OnMove);
    P.Event("OnRecreated", &T::OnRecreated);
    P.Event("OnRecreating", &T::OnRecreating);
    P.Event("OnResize", &T::OnResize);
    P.Event("OnVisibleChanged", &T::OnVisibleChanged);
}

// ---- Floating frame ----------------------------------------------------------------------

class TTBFloatingWindowParent : public TCustomForm
{
    QRV4_CLASS(TTBFloatingWindowParent, TCustomForm)
    friend class TTBCustomDockableWindow;

public:
    explicit TTBFloatingWindowParent(TComponent *AOwner);
    ~TTBFloatingWindowParent() override;

    TTBCustomDockableWindow *DockableWindow() const { return FDockableWindow; }
    TCustomForm *ParentForm() const { return FParentForm; }
    void RedrawNCArea(TTBToolWindowNCRedrawWhat RedrawWhat);
    void SetCloseButtonState(bool Pushed);
    bool CloseButtonPushed() const { return FCloseButtonDown; }
    bool CloseButtonHover() const { return FCloseButtonHover; }
    void WndProc(TMessage &Message) override;

    // The caption strip and its close square, in window coordinates.
    TRect GetCaptionRect(bool AdjustForBorder, bool MinusCloseButton) const;
    TRect GetCloseButtonRect(bool AdjustForBorder) const;

protected:
    void CreateParams(TCreateParams &Params) override;
    void CreateWnd() override;
    void AlignControls(TControl *AControl, TRect &Rect) override;
    void Notification(TComponent *AComponent, TOperation Operation) override;
    virtual void DrawNCArea(bool DrawToDC, HDC ADC, HRGN Clip,
                            TTBToolWindowNCRedrawWhat RedrawWhat);

private:
    LRESULT HitTest(const TPoint &ScreenPoint) const;
    void HandleNCButtonDown(TMessage &Message);
    void HandleActivate(TMessage &Message);
    void HandleMouseActivate(TMessage &Message);
    void SetParentForm(TCustomForm *Value);

    TTBCustomDockableWindow *FDockableWindow = nullptr;
    TCustomForm *FParentForm = nullptr;
    bool FCloseButtonDown = false;
    bool FCloseButtonHover = false;
    bool FShouldShow = false;
};

// ---- Background ---------------------------------------------------------------------------

class TTBBasicBackground : public TComponent
{
    QRV4_CLASS(TTBBasicBackground, TComponent)

public:
    explicit TTBBasicBackground(TComponent *AOwner) : TComponent(AOwner) {}
    virtual void Draw(HDC DC, const TRect &DrawRect) = 0;
    virtual HPALETTE GetPalette() = 0;
    // The same handler object registered twice is kept once.
    virtual void RegisterChanges(TObject *Receiver, const TNotifyEvent &Proc) = 0;
    virtual void SysColorChanged() = 0;
    virtual void UnregisterChanges(TObject *Receiver) = 0;
    virtual bool UsingBackground() const = 0;
};

class TTBBackground : public TTBBasicBackground
{
    QRV4_CLASS(TTBBackground, TTBBasicBackground)

public:
    explicit TTBBackground(TComponent *AOwner);
    ~TTBBackground() override;

    TBitmap *Bitmap() const { return FBitmap.get(); }
    void SetBitmap(TBitmap *Value);
    TColor BkColor() const { return FBkColor; }
    void SetBkColor(TColor Value);
    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool Value);
    static void Publish(rtl::Publisher<TTBBackground> &P);

    void Draw(HDC DC, const TRect &DrawRect) override;
    HPALETTE GetPalette() override;
    void RegisterChanges(TObject *Receiver, const TNotifyEvent &Proc) override;
    void SysColorChanged() override;
    void UnregisterChanges(TObject *Receiver) override;
    bool UsingBackground() const override;

private:
    void Changed();
    void BuildCache();

    std::unique_ptr<TBitmap> FBitmap;
    std::unique_ptr<TBitmap> FBitmapCache;
    TColor FBkColor = clBtnFace;
    bool FTransparent = false;
    TTBChangeHandlers FNotifyList;
};

// ---- Unit functions -----------------------------------------------------------------------

TTBDockType TBGetDockTypeOf(const TTBDock *Control, bool Floating);
TCustomForm *TBGetToolWindowParentForm(TTBCustomDockableWindow *ToolWindow);
TCustomForm *TBValidToolWindowParentForm(TTBCustomDockableWindow *ToolWindow);

void TBCustomSavePositions(TComponent *OwnerComponent, const TTBPositionWriteIntProc &WriteIntProc,
                           const TTBPositionWriteStringProc &WriteStringProc,
                           void *ExtraData = nullptr);
void TBCustomLoadPositions(TComponent *OwnerComponent, const TTBPositionReadIntProc &ReadIntProc,
                           const TTBPositionReadStringProc &ReadStringProc,
                           void *ExtraData = nullptr);
void TBIniSavePositions(TComponent *OwnerComponent, const AnsiString &Filename,
                        const AnsiString &SectionNamePrefix);
void TBIniLoadPositions(TComponent *OwnerComponent, const AnsiString &Filename,
                        const AnsiString &SectionNamePrefix);
void TBRegSavePositions(TComponent *OwnerComponent, HKEY RootKey,
                        const AnsiString &BaseRegistryKey);
void TBRegLoadPositions(TComponent *OwnerComponent, HKEY RootKey,
                        const AnsiString &BaseRegistryKey);

// ---- Shared by the docks, their bars and the floating frames --------------------------------

// The client rectangle of a window whose frame takes TopLeft and BottomRight of Window.
void InsetByFrame(RECT &Window, const TPoint &TopLeft, const TPoint &BottomRight);
// WM_NCPAINT, WM_PRINT and WM_PRINTCLIENT of a control that draws its own frame with
// DrawFrame (draw-to-DC flag, DC, clip region); false for any other message.
using TNCDrawProc = std::function<void(bool DrawToDC, HDC DC, HRGN Clip)>;
bool HandleNCPaintMessages(TWinControl *Control, TMessage &Message, const TNCDrawProc &DrawFrame);
bool IsTopmost(HWND Wnd);
// A hidden floating frame keeps no activation: it goes to the first enabled, visible window of
// the thread that is not topmost, else to the first topmost one.
void PassActivationOn(HWND From);
