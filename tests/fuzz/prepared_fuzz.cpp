// A prepared report as the preview opens one: its pages built from the stored objects,
// measured and drawn small, then saved and opened again.

#include "platform/vcl/Graphics.h"
#include "report/frxClass.h"
#include "report_output/frxPreviewPages.h"
#include "tests/fuzz/FuzzSupport.h"

#include <algorithm>

namespace
{

// A few pages are enough to meet every kind of stored object; a file may claim thousands.
constexpr int PagesBuilt = 4;
constexpr int PagesDrawn = 2;

const bool Ready = fuzz::BeforeInputs(fuzz::StartApplication);

void ShowPages(TfrxPreviewPages &Pages, TCanvas *Canvas)
{
    const int Count = std::min(Pages.Count(), PagesBuilt);
    for (int i = 0; i < Count; ++i) {
        (void)Pages.GetPage(i);
        (void)Pages.GetPageSize(i);
        if (i < PagesDrawn) Pages.DrawPage(i, Canvas, 0.25, 0.25, 0, 0);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *Data, std::size_t Size)
{
    TfrxReport Report(nullptr);
    TfrxPreviewPages Pages(&Report);
    TStringStream Input(fuzz::Text(Data, Size));
    try {
        Pages.LoadFromStream(&Input);
    } catch (const Exception &) {
        return 0;
    }
    TBitmap Sheet;
    Sheet.SetPixelFormat(pf24bit);
    Sheet.SetSize(200, 280);
    try {
        ShowPages(Pages, Sheet.Canvas());
    } catch (const Exception &) {
        // The program shows such an error in its message loop's box and goes on.
    }
    TfrxPreviewPages Again(&Report);
    fuzz::MustLoadAgain([&](TStream *S) { Pages.SaveToStream(S); },
                        [&](TStream *S) { Again.LoadFromStream(S); },
                        "prepared pages it saved do not load");
    return 0;
}
