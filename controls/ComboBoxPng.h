#pragma once
// A combo box whose items show an icon of a PNG image list before their text.

#include "controls/PngImageList.h"
#include "platform/vcl/StdCtrls.h"

class TComboBoxPng : public TComboBox
{
    QRV4_CLASS(TComboBoxPng, TComboBox)

public:
    explicit TComboBoxPng(TComponent *AOwner);
    ~TComboBoxPng() override;

    TPngImageList *Images() const { return FImages; }
    // Not owned: the list's destruction clears it.
    void SetImages(TPngImageList *Value);
    TStringList *ListIndexesPng() const { return FListIndexesPng.get(); }
    void SetListIndexesPng(TStrings *Value);
    // Item i shows icon i; otherwise ListIndexesPng names each item's icon.
    bool AutoIndexes() const { return FAutoIndexes; }
    void SetAutoIndexes(bool Value);
    // The icon an item shows, -1 for none.
    int IconIndex(int Index) const;

    static void Publish(rtl::Publisher<TComboBoxPng> &P);

protected:
    void DrawItem(int Index, TRect Rect, TOwnerDrawState State) override;
    void Notification(TComponent *AComponent, TOperation Operation) override;

private:
    TPngImageList *FImages = nullptr;
    std::unique_ptr<TStringList> FListIndexesPng = std::make_unique<TStringList>();
    bool FAutoIndexes = true;
};

namespace ComboBoxPng
{
// Puts TComboBoxPng on the component palette page "Win32".
void Register();
} // namespace ComboBoxPng
