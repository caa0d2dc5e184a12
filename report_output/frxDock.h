#pragma once

// The report library's small docking system: toolbars in rows of a dock
// strip or floating in a tool window of their own, a side panel that forms
// dock into, and the positions of all of them kept in a settings store.

#include "platform/rtl/IniFiles.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/Forms.h"

#include <memory>
#include <vector>

class TfrxToolBar;
class TfrxFloatWindow;

// The root of the library's settings in the registry.
extern const char *const frxRegRootKey;

// A toolbar's place for controls that are not buttons (a zoom box, a page number).
class TfrxTBPanel : public TPanel
{
    QRV4_CLASS(TfrxTBPanel, TPanel)

public:
    explicit TfrxTBPanel(TComponent *AOwner);

protected:
    void Paint() override;
};

// A strip along an edge of a form (its alignment) with toolbars in rows.
class TfrxDock : public TPanel
{
    QRV4_CLASS(TfrxDock, TPanel)

public:
    explicit TfrxDock(TComponent *AOwner);

    int RowSize() const { return FRowSize; }
    void SetRowSize(int Value) { FRowSize = Value; }
    // Top and bottom docks hold rows of horizontal toolbars.
    bool Horizontal() const { return Align() != alLeft && Align() != alRight; }
    // Rows without a toolbar go; a toolbar dragged out of a bottom or right dock
    // makes it deeper; the depth follows the rows and the toolbars in them.
    void AdjustBounds();
    // The visible toolbars docked here.
    std::vector<TfrxToolBar *> ToolBars() const;
    // How far the dock reaches across its rows, and along them.
    int Depth() const { return Horizontal() ? Height() : Width(); }
    int Length() const { return Horizontal() ? Width() : Height(); }

private:
    void SetDepth(int Value);

    int FRowSize = 26;
};

// The grip at a toolbar's start: dragging it moves the toolbar.
class TfrxDragBox : public TGraphicControl
{
    QRV4_CLASS(TfrxDragBox, TGraphicControl)

public:
    explicit TfrxDragBox(TComponent *AOwner);

protected:
    void Paint() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
};

// Which docks a toolbar may go to.
enum TfrxOrientationLimit { olNone, olHorizontalOnly, olVerticalOnly };

class TfrxToolBar : public TPanel
{
    QRV4_CLASS(TfrxToolBar, TPanel)

public:
    explicit TfrxToolBar(TComponent *AOwner);
    ~TfrxToolBar() override;

    // Leaves a float window, or another dock, for a place on Dock.
    void DockTo(TfrxDock *Dock, int X, int Y);
    // Docks at the dock's far side: a new row.
    void AddToDock(TfrxDock *Dock);
    // Into a float window of its own at the screen point, or moves that window.
    void FloatTo(int X, int Y);
    // Floats at the cursor; the drag that tore the toolbar off goes on moving
    // its float window.
    void MakeFloat();
    // Along the dock, pushed off the other toolbars of its rows; dragged far
    // enough out, it floats.
    void MoveTo(int X, int Y);
    // Children one after another from the grip on, the long side along the dock.
    void RealignControls();
    // As long as its visible children, and 4 pixels.
    void AdjustBounds();

    bool Floating() const { return FFloatWindow != nullptr; }
    TfrxFloatWindow *FloatWindow() const { return FFloatWindow.get(); }
    TfrxDock *Dock() const;
    bool CanFloat() const { return FCanFloat; }
    void SetCanFloat(bool Value) { FCanFloat = Value; }
    TfrxOrientationLimit OrientationLimit() const { return FLimit; }
    void SetOrientationLimit(TfrxOrientationLimit Value) { FLimit = Value; }
    // Whether the toolbar shows: its float window's visibility while floating.
    bool Shown() const;
    void SetShown(bool Value);
    // Whether the limit lets the toolbar into Dock.
    bool Accepts(TfrxDock *Dock) const;
    TfrxDragBox *DragBox() const { return FDragBox; }

    // The grip's mouse, in the toolbar's terms; the cursor position on screen.
    void DragStart(const TPoint &Cursor);
    void DragMove(const TPoint &Cursor);
    void DragEnd();

private:
    TfrxDragBox *FDragBox;
    std::unique_ptr<TfrxFloatWindow> FFloatWindow;
    TPoint FLastMouse{};
    bool FMouseDown = false;
    TfrxOrientationLimit FLimit = olNone;
    bool FCanFloat = true;
};

// The tool window a floating toolbar sits in, with a painted caption and a
// close button; dragging it by the caption over a dock docks the toolbar.
class TfrxFloatWindow : public TForm
{
    QRV4_CLASS(TfrxFloatWindow, TForm)

public:
    TfrxFloatWindow(TfrxToolBar *ToolBar, TCustomForm *OwnerForm);
    ~TfrxFloatWindow() override;

    TfrxToolBar *ToolBar() const { return FToolBar; }
    TRect CloseButtonRect() const { return TRect(Width() - 14, 4, Width() - 3, 15); }
    // Drags the window by its caption from the cursor point on, as a press
    // there would, until the button goes up.
    void StartDrag(const TPoint &Cursor);

protected:
    void CreateParams(TCreateParams &Params) override;
    void Paint() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;

private:
    // A dock of the owner form under the screen point that takes the toolbar.
    TfrxDock *DockAt(const TPoint &Cursor) const;

    TfrxToolBar *FToolBar;
    TCustomForm *FOwnerForm;
    TPoint FDragStart{};
    bool FDragging = false;
};

// The toolbars floating now.
const std::vector<TfrxToolBar *> &frxFloatingToolBars();

// A side panel that forms dock into; a bar at its inner edge sizes it.
class TfrxDockSite : public TPanel
{
    QRV4_CLASS(TfrxDockSite, TPanel)

public:
    explicit TfrxDockSite(TComponent *AOwner);

    // Puts Control into the site, which grows to its width when that is wider.
    void DockControl(TControl *Control);
    // Takes Control out; the sizing bar goes with the last one.
    void UndockControl(TControl *Control);
    TGraphicControl *SizingBar() const { return FSizingBar; }
    // The docked controls' names and sizes, and the site's width, for the store.
    void SaveLayout(TStream *Stream);
    // Docks the controls a saved layout names, found among the application's components.
    void LoadLayout(TStream *Stream);
    void SizeBy(int Delta);

private:
    void PlaceSizingBar();

    TGraphicControl *FSizingBar;
};

// Section "ToolBar." + the toolbar's name: floating, shown, place, size and dock.
void frxSaveToolbarPosition(TCustomIniFile *Ini, TfrxToolBar *ToolBar);
// A saved dock that is not there leaves the toolbar at its saved place on its parent.
void frxRestoreToolbarPosition(TCustomIniFile *Ini, TfrxToolBar *ToolBar);
// Section "Dock." + the site's name: its layout as text.
void frxSaveDock(TCustomIniFile *Ini, TfrxDockSite *Site);
void frxRestoreDock(TCustomIniFile *Ini, TfrxDockSite *Site);

// Section "Form." + the form's class: bounds, maximised, visible, and the window
// it sits in when it is docked.
void frxSaveFormPosition(TCustomIniFile *Ini, TForm *Form);
// A maximised form keeps its normal bounds; a saved dock that is no window of
// the owner leaves the form where it is.
void frxRestoreFormPosition(TCustomIniFile *Ini, TForm *Form);
