// The XML documents every report file goes through: a document loaded whole, saved and
// loaded again; loaded in part with its stubs read on demand; and read as the list files
// of variables, styles and style sheets.

#include "report/frxClass.h"
#include "report/frxVariables.h"
#include "report/frxXML.h"
#include "tests/fuzz/FuzzSupport.h"

#include <memory>
#include <vector>

namespace
{

void LoadWholeAndAgain(const AnsiString &Text)
{
    TfrxXMLDocument Document;
    TStringStream Input(Text);
    try {
        Document.LoadFromStream(&Input);
    } catch (const Exception &) {
        return;
    }
    TfrxXMLDocument Again;
    fuzz::MustLoadAgain([&](TStream *S) { Document.SaveToStream(S); },
                        [&](TStream *S) { Again.LoadFromStream(S); },
                        "a document it saved does not load");
}

// Every stub is read from the stream the document keeps; the walk keeps its own stack,
// since the document may be nested deeper than the call stack could go.
void LoadInPart(const AnsiString &Text)
{
    TfrxXMLDocument Document;
    try {
        Document.LoadFromStream(std::make_unique<TStringStream>(Text), true);
        std::vector<TfrxXMLItem *> Pending{Document.Root()};
        while (!Pending.empty()) {
            TfrxXMLItem *Item = Pending.back();
            Pending.pop_back();
            if (!Item->Loaded()) Document.LoadItem(Item);
            for (int i = 0; i < Item->Count(); ++i)
                Pending.push_back(Item->Items(i));
        }
    } catch (const Exception &) {
    }
}

template <class T> void LoadList(T &List, const AnsiString &Text)
{
    TStringStream Input(Text);
    try {
        List.LoadFromStream(&Input);
    } catch (const Exception &) {
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *Data, std::size_t Size)
{
    const AnsiString Text = fuzz::Text(Data, Size);
    LoadWholeAndAgain(Text);
    LoadInPart(Text);
    TfrxVariables Variables;
    LoadList(Variables, Text);
    TfrxStyles Styles;
    LoadList(Styles, Text);
    TfrxStyleSheet Sheet;
    LoadList(Sheet, Text);
    return 0;
}
