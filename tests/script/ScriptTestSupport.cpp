#include "ScriptTestSupport.h"

namespace scripttest
{

std::string Outline(const TfsXMLItem *Item, bool Positions)
{
    std::string out = Item->Name().Std();
    if (Positions && Item->PropExists("pos")) {
        out += "(" + Item->Prop("pos").Std();
        if (Item->PropExists("pos1")) out += "-" + Item->Prop("pos1").Std();
        out += ")";
    }
    if (Item->PropExists("text") && !Item->Prop("text").IsEmpty())
        out += ":" + Item->Prop("text").Std();
    if (Item->PropExists("unit")) out += ":" + Item->Prop("unit").Std();
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
    result.ErrorMsg = parser.ErrorMsg().Std();
    result.ErrorPos = parser.ErrorPos().Std();
    result.ErrorUnit = parser.ErrorUnit().Std();
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
