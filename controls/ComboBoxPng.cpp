#include "controls/ComboBoxPng.h"

#include "platform/rtl/ClassesFiler.h"

TComboBoxPng::TComboBoxPng(TComponent *AOwner) : TComboBox(AOwner)
{
    SetStyle(csOwnerDrawFixed);
    SetDoubleBuffered(true);
}

TComboBoxPng::~TComboBoxPng()
{
    if (FImages) FImages->RemoveFreeNotification(this);
}

void TComboBoxPng::SetImages(TPngImageList *Value)
{
    if (FImages) FImages->RemoveFreeNotification(this);
    FImages = Value;
    if (FImages) FImages->FreeNotification(this);
    Invalidate();
}

void TComboBoxPng::Notification(TComponent *AComponent, TOperation Operation)
{
    TComboBox::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FImages) FImages = nullptr;
}

void TComboBoxPng::SetListIndexesPng(TStrings *Value)
{
    FListIndexesPng->Assign(Value);
    Invalidate();
}

void TComboBoxPng::SetAutoIndexes(bool Value)
{
    FAutoIndexes = Value;
    Invalidate();
}

int TComboBoxPng::IconIndex(int Index) const
{
    if (FAutoIndexes) return Index;
    if (Index < 0 || Index >= FListIndexesPng->Count()) return -1;
    return FListIndexesPng->Strings(Index).ToIntDef(-1);
}

void TComboBoxPng::DrawItem(int Index, TRect Rect, TOwnerDrawState)
{
    TCanvas *C = Canvas();
    C->FillRect(Rect);
    const AnsiString Text = Index >= 0 && Index < Items()->Count() ? Items()->Strings(Index) : "";
    const int TextTop = Rect.Top + (Rect.Height() - C->TextHeight("M")) / 2;
    if (!FImages) {
        C->TextOut(Rect.Left + 5, TextTop, Text);
        return;
    }
    const int IW = FImages->Width(), IH = FImages->Height();
    const int Icon = IconIndex(Index);
    if (Icon >= 0 && Icon < FImages->Count()) {
        TPNGObject Picture;
        CopyImageFromImageList(&Picture, FImages, Icon);
        const int Top = Rect.Top + (Rect.Height() - IH) / 2;
        DrawPNG(&Picture, C, Bounds(Rect.Left + 2, Top, IW, IH),
                Enabled() ? TPngOptions{} : DisabledPngOptions);
    }
    C->TextOut(Rect.Left + IW + 5, TextTop, Text);
}

void TComboBoxPng::Publish(rtl::Publisher<TComboBoxPng> &P)
{
    using T = TComboBoxPng;
    P.Property("Style", &T::Style, &T::SetStyle).Default(csOwnerDrawFixed);
    P.Property("ItemHeight", &T::ItemHeight, &T::SetItemHeight);
    P.Property("DropDownCount", &T::DropDownCount, &T::SetDropDownCount).Default(8);
    P.Property("Sorted", &T::Sorted, &T::SetSorted).Default(false);
    // After the items and their order: an index read before them would select nothing.
    P.Property("ItemIndex", &T::ItemIndex, &T::SetItemIndex).Default(-1);
    P.Property("Images", &T::Images, &T::SetImages);
    P.Property("ListIndexesPng", &T::ListIndexesPng, &T::SetListIndexesPng);
    P.Property("AutoIndexes", &T::AutoIndexes, &T::SetAutoIndexes).Default(true);
    P.Event("OnChange", &T::OnChange);
    P.Event("OnClick", &TControl::OnClick);
}
QRV4_PUBLISHED(TComboBoxPng)

void ComboBoxPng::Register()
{
    RegisterComponents("Win32", {TComboBoxPng::StaticClass()});
}
