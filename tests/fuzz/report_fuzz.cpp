// A report template as the program loads its reports: read from a stream into a report,
// saved, and the saved template read into another report.

#include "report/frxClass.h"
#include "tests/fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *Data, std::size_t Size)
{
    TfrxReport Report(nullptr);
    TStringStream Input(fuzz::Text(Data, Size));
    try {
        Report.LoadFromStream(&Input);
    } catch (const Exception &) {
        return 0;
    }
    TfrxReport Again(nullptr);
    fuzz::MustLoadAgain([&](TStream *S) { Report.SaveToStream(S); },
                        [&](TStream *S) { Again.LoadFromStream(S); },
                        "a template it saved does not load");
    return 0;
}
