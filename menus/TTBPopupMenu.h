#pragma once
// The popup menu component and the popup window: opening at a point or beside
// the parent item, placed on the monitor's work area, framed by the skin and
// shown with a slide or fade.

#include "menus/TB2Anim.h"
#include "menus/TTBItem.h"
#include "menus/TTBRootItemProperties.h"
#include "menus/TTBView.h"
#include "platform/vcl/Controls.h"
#include "platform/vcl/Menus.h"

#include <array>
#include <memory>

class TShadow;

class TTBPopupWindow : public TCustomControl
{
    QRV4_CLASS(TTBPopupWindow, TCustomControl)

public:
    TTBPopupWindow(TComponent *AOwner, TTBView *ParentView, TTBCustomItem *Item, bool Customizing)
        : TTBPopupWindow(AOwner, ParentView, Item, Customizing, &MakeView<TTBPopupView>)
    {
    }
    ~TTBPopupWindow() override;

    // The class of the view the window shows the item's children in.
    TTBViewClass GetViewClass() const { return FViewClass; }
    TTBView *View() const { return FView.get(); }
    // The view holds the skin, so the window follows it when the skin goes.
    TTBBaseSkin *Skin() const { return FView ? FView->Skin() : nullptr; }
    void SetSkin(TTBBaseSkin *Value) { FView->SetSkin(Value); }
    TTBAnimationDirection AnimationDirection() const { return FAnimationDirection; }
    void SetAnimationDirection(TTBAnimationDirection Value) { FAnimationDirection = Value; }
    // The frame around the client area, as the skin draws it.
    void PaintFrame(HDC DC, bool ForScreen);
    // Shows or hides the window the way CM_SHOWINGCHANGED does.
    void ShowingChanged(bool Showing);
    void WndProc(TMessage &Message) override;

protected:
    // A window whose view is of a class of its own: a derived window names it here, as
    // the view is made while the window is still being built.
    TTBPopupWindow(TComponent *AOwner, TTBView *ParentView, TTBCustomItem *Item, bool Customizing,
                   TTBViewClass ViewClass);
    void CreateParams(TCreateParams &Params) override;
    void DestroyWindowHandle() override;
    void Paint() override;
    virtual void PaintScrollArrows();

private:
    void EraseBackground(HDC DC);
    void ShowShadows();
    void PlaceShadows(bool ForScreen);

    TTBViewClass FViewClass;
    std::unique_ptr<TTBView> FView;
    TTBAnimationDirection FAnimationDirection;
    // Right, bottom, and under Office XP the right and bottom of the toolbar button it hangs from.
    std::array<std::unique_ptr<TShadow>, 4> FShadows;
};

// A context menu of items; a form stream holds its items as the menu's children.
class TTBPopupMenu : public TPopupMenu, public ITBItems, public TTBRootItemProperties<TTBPopupMenu>
{
    QRV4_CLASS(TTBPopupMenu, TPopupMenu)

public:
    explicit TTBPopupMenu(TComponent *AOwner);
    ~TTBPopupMenu() override;

    // The class of the root item the menu makes for its items.
    static TClass GetRootItemClass() { return TTBRootItem::StaticClass(); }
    TTBRootItem *Items() const { return FItems.get(); }
    TTBCustomItem *GetItems() override { return FItems.get(); }
    void GetChildren(TGetChildProc Proc, TComponent *Root) override;
    void SetChildOrder(TComponent *Child, int Order) override;
    // The root item's images, not the class library menu's.
    using TTBRootItemProperties::Images;
    using TTBRootItemProperties::SetImages;
    // The skin set, or the default skin while none is.
    TTBBaseSkin *Skin() const;
    void SetSkin(TTBBaseSkin *Value);

    void Popup(int X, int Y) override;
    bool IsShortCut(WORD Key, TShiftState Shift) override { return FItems->IsShortCut(Key, Shift); }
    static void Publish(rtl::Publisher<TTBPopupMenu> &P);

protected:
    void Notification(TComponent *AComponent, TOperation Operation) override;

private:
    std::unique_ptr<TTBRootItem> FItems;
    TTBBaseSkin *FSkin = nullptr;
};

// The frame width of the last popup created.
int PopupFrameWidth();
