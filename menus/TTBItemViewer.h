#pragma once
// The visual of one item in one view: measuring, painting with the skin, and
// the mouse while the tracking loop runs.

#include "menus/TTBItem.h"
#include "platform/vcl/Graphics.h"

#include <functional>
#include <memory>

class TTBView;

enum TTBItemViewerStateItem { tbisInvalidated, tbisLineSep };
using TTBItemViewerState = Set<TTBItemViewerStateItem>;

// What the tracking loop hands to every handler; a handler ends the loop by setting Exit.
struct TTBItemEventData {
    TTBView *RootView = nullptr;
    bool MouseDownOnMenu = false;
    bool Exit = false;
    TTBDoneActionData *DoneActionData = nullptr;
};

class TTBItemViewer
{
public:
    TTBItemViewer(TTBView *View, TTBCustomItem *Item) : FView(View), FItem(Item) {}
    virtual ~TTBItemViewer() = default;
    TTBItemViewer(const TTBItemViewer &) = delete;
    TTBItemViewer &operator=(const TTBItemViewer &) = delete;

    TTBView *View() const { return FView; }
    TTBCustomItem *Item() const { return FItem; }
    const TRect &BoundsRect() const { return FBoundsRect; }
    void SetBoundsRect(const TRect &Value) { FBoundsRect = Value; }
    bool Show() const { return FShow; }
    void SetShow(bool Value) { FShow = Value; }
    bool Clipped() const { return FClipped; }
    void SetClipped(bool Value) { FClipped = Value; }
    bool OffEdge() const { return FOffEdge; }
    void SetOffEdge(bool Value) { FOffEdge = Value; }
    TTBItemViewerState ViewerState() const { return FState; }
    void SetViewerState(TTBItemViewerState Value) { FState = Value; }

    AnsiString GetCaptionText() const;
    bool CaptionShown() const;
    bool ImageShown() const;
    TCustomImageList *GetImageList() const;
    bool IsToolbarSize() const;
    bool IsToolbarStyle() const;
    // Captions run down the buttons of an upright bar, unless the item keeps them level.
    bool IsRotated() const;
    int GetIndex() const;
    TPoint ScreenToClient(const TPoint &P) const;

    virtual void CalcSize(TCanvas *Canvas, int &Width, int &Height);
    virtual void Paint(TCanvas *Canvas, const TRect &ClientAreaRect, bool IsHoverItem,
                       bool IsPushed, bool UseDisabledShadow);
    virtual bool IsPtInButtonPart(int X, int Y) const;
    virtual void Entering();
    virtual void Leaving();
    virtual void LosingCapture();
    // The cursor over the point (relative to the viewer); none leaves the caller's arrow.
    virtual void GetCursor(const TPoint &, HCURSOR &) {}
    virtual void KeyDown(WORD &, TShiftState, TTBItemEventData &) {}
    virtual void MouseDown(TShiftState Shift, int X, int Y, TTBItemEventData &EventData);
    virtual void MouseMove(int, int, TTBItemEventData &) {}
    virtual void MouseUp(int X, int Y, TTBItemEventData &EventData);
    virtual void MouseWheel(int, int, int, TTBItemEventData &) {}

protected:
    void DrawItemCaption(TCanvas *Canvas, TRect R, const AnsiString &Caption,
                         bool DrawDisabledShadow, UINT Format);
    // Whether the Office XP look is in effect for measuring.
    bool OfficeXPMeasuring() const;
    TTBBaseSkin *PaintingSkin() const;

private:
    void PaintHover(TCanvas *Canvas, const TRect &R, TRect &H, TTBBaseSkin *Skin, bool Enabled,
                    int ImageColumn);
    void PaintCheck(TCanvas *Canvas, const TRect &Box, TTBBaseSkin *Skin, bool IsHoverItem);
    void PaintImage(TCanvas *Canvas, const TRect &Column, TTBBaseSkin *Skin, bool Enabled,
                    bool IsHoverItem, bool IsPushed);
    void PaintArrow(TCanvas *Canvas, const TRect &R, bool Enabled, bool HoveredCombo);
    void PaintComboDivider(HDC DC, const TRect &R, bool IsPushed);
    void PaintButton(TCanvas *Canvas, const TRect &R, bool IsHoverItem, bool IsPushed,
                     bool UseDisabledShadow);
    void PaintButtonFrame(HDC DC, const TRect &R, bool IsHoverItem, bool IsPushed, bool Enabled);
    void PaintDropDownArrow(TCanvas *Canvas, const TRect &R, bool Enabled);
    void PaintButtonCaption(TCanvas *Canvas, const TRect &R, bool DrawDisabledShadow);
    void CalcButtonSize(TCanvas *Canvas, int &Width, int &Height);
    // A button of a menu bar, which the skins paint as a menu's item.
    bool OnMenuBar() const;
    bool OnUprightBar() const;
    bool HasDropDownArrow() const;
    UINT HidePrefixFlag() const;
    void DrawShadowed(HDC DC, const TRect &R, bool DrawDisabledShadow,
                      const std::function<void(const TRect &)> &Draw);

    TTBView *FView;
    TTBCustomItem *FItem;
    TRect FBoundsRect;
    bool FShow = false;
    bool FClipped = false;
    bool FOffEdge = false;
    TTBItemViewerState FState;
};

// The class reference of viewer class V.
template <class V> std::unique_ptr<TTBItemViewer> MakeViewer(TTBView *View, TTBCustomItem *Item)
{
    return std::make_unique<V>(View, Item);
}

class TTBSeparatorItemViewer : public TTBItemViewer
{
public:
    using TTBItemViewer::TTBItemViewer;
    void CalcSize(TCanvas *Canvas, int &Width, int &Height) override;
    void Paint(TCanvas *Canvas, const TRect &ClientAreaRect, bool IsHoverItem, bool IsPushed,
               bool UseDisabledShadow) override;
};
