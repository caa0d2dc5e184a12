#pragma once
// The drop shadow a skinned popup casts: a window that shows the darkened
// picture of what lies under it and lets clicks through.

#include "menus/TTBSkin.h"
#include "platform/vcl/Controls.h"

#include <vector>

class TShadow : public TCustomControl
{
    QRV4_CLASS(TShadow, TCustomControl)

public:
    TShadow(TComponent *AOwner, bool Vertical, bool Main, TShadowStyle Style);
    ~TShadow() override;
    // Takes the picture under the window once and darkens it.
    void Prepare();
    void UnPrepare();
    bool Prepared() const { return FPrepared; }
    void SetCorners(bool Start, bool End);
    // Pixels First..Last along the shadow stay as they are (where it passes over the
    // button its popup hangs from); a negative First for none.
    void SetExcludedSpan(int First, int Last);
    void WndProc(TMessage &Message) override;

protected:
    void CreateParams(TCreateParams &Params) override;

private:
    void WindowsXPShadow();
    void OfficeXPShadow();
    COLORREF &Pixel(int X, int Y);

    bool FVertical;
    bool FMain;
    bool FStart = false;
    bool FEnd = false;
    TShadowStyle FStyle;
    int FExcludeFirst = -1;
    int FExcludeLast = 0;
    std::vector<COLORREF> FImage;
    bool FPrepared = false;
};
