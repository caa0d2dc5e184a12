#include "ScriptTestSupport.h"

namespace scripttest
{

std::string Outline(const TfsXMLItem *Item, bool Positions)
{
    std::string out = Item->Name().ToStd();
    if (Positions && Item->PropExists("pos")) {
        out += "(" + Item->Prop("pos").ToStd();
        if (Item->PropExists("pos1")) out += "-" + Item->Prop("pos1").ToStd();
        out += ")";
    }
    if (Item->PropExists("text") && !Item->Prop("text").IsEmpty())
        out += ":" + Item->Prop("text").ToStd();
    if (Item->PropExists("unit")) out += ":" + Item->Prop("unit").ToStd();
    std::string children;
    for (int i = 0; i < Item->Count(); ++i) {
        const TfsXMLItem *child = Item->Items(i);
        if (child->Name() == "types" && Item->Name() == "program") continue;
        if (!children.empty()) children += " ";
        children += Outline(child, Positions);
    }
    return children.empty() ? out : out + "{" + children + "}";
}

ILResult MakeIL(const char *Language, const AnsiString &Text, bool Positions)
{
    TfsILParser parser(nullptr);
    parser.SelectLanguage(Language);
    ILResult result;
    result.Ok = parser.MakeILScript(Text);
    result.ErrorMsg = parser.ErrorMsg().View();
    result.ErrorPos = parser.ErrorPos().View();
    result.ErrorUnit = parser.ErrorUnit().View();
    if (result.Ok) result.Outline = Outline(parser.ILScript()->Root(), Positions);
    return result;
}

AnsiString Lines(std::initializer_list<const char *> Lines)
{
    AnsiString text;
    for (const char *line : Lines)
        text += AnsiString(line) + "\r\n";
    return text;
}

} // namespace scripttest
