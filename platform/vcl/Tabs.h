#pragma once

// The tab set: a row of tabs along the bottom of a page area.

#include "platform/vcl/StdCtrls.h"

using TTabChangeEvent = std::function<void(TObject *Sender, int NewTab, bool &AllowChange)>;

class TTabSet : public TCustomControl
{
    QRV4_CLASS(TTabSet, TCustomControl)

public:
    explicit TTabSet(TComponent *AOwner);
    ~TTabSet() override;

    TStrings *Tabs() const;
    void SetTabs(TStrings *Value);
    int TabIndex() const { return FTabIndex; }
    // Asks OnChange first, in code as for a click; -1 selects no tab. An index
    // outside the tabs raises EListError.
    void SetTabIndex(int Value);
    TColor SelectedColor() const { return FSelectedColor; }
    void SetSelectedColor(TColor Value);
    TColor UnselectedColor() const { return FUnselectedColor; }
    void SetUnselectedColor(TColor Value);
    TRect ItemRect(int Index);
    int ItemAtPos(const TPoint &Pos);

    TTabChangeEvent OnChange;

protected:
    virtual bool CanChange(int NewIndex);
    void Paint() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void KeyDown(WORD &Key, TShiftState Shift) override;
    void WndProc(TMessage &Message) override;

private:
    std::unique_ptr<TListControlItems> FTabs;
    int FTabIndex = -1;
    TColor FSelectedColor = clBtnFace;
    TColor FUnselectedColor = clWindow;
};
