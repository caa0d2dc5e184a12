#include "platform/rtl/StrUtils.h"

#include "platform/rtl/SysUtils.h"

#include <algorithm>

int PosEx(const AnsiString &SubStr, const AnsiString &S, int Offset)
{
    if (SubStr.IsEmpty() || Offset < 1 || Offset > S.Length()) return 0;
    auto at = S.View().find(SubStr.View(), Offset - 1);
    return at == std::string_view::npos ? 0 : static_cast<int>(at) + 1;
}

AnsiString LeftStr(const AnsiString &Text, int Count)
{
    return Text.SubString(1, Count);
}

AnsiString RightStr(const AnsiString &Text, int Count)
{
    Count = std::clamp(Count, 0, Text.Length());
    return Text.SubString(Text.Length() - Count + 1, Count);
}

AnsiString MidStr(const AnsiString &Text, int Start, int Count)
{
    return Text.SubString(Start, Count);
}

AnsiString DupeString(const AnsiString &Text, int Count)
{
    std::string out;
    for (int i = 0; i < Count; ++i)
        out += Text.View();
    return out;
}

AnsiString ReverseString(const AnsiString &S)
{
    return std::string(S.View().rbegin(), S.View().rend());
}

AnsiString AnsiReplaceStr(const AnsiString &Text, const AnsiString &From, const AnsiString &To)
{
    return StringReplace(Text, From, To, rfReplaceAll);
}

AnsiString AnsiReplaceText(const AnsiString &Text, const AnsiString &From, const AnsiString &To)
{
    return StringReplace(Text, From, To, rfReplaceAll | rfIgnoreCase);
}

bool AnsiStartsStr(const AnsiString &SubText, const AnsiString &Text)
{
    return Text.View().starts_with(SubText.View());
}

bool AnsiStartsText(const AnsiString &SubText, const AnsiString &Text)
{
    return AnsiSameText(LeftStr(Text, SubText.Length()), SubText);
}

bool AnsiEndsStr(const AnsiString &SubText, const AnsiString &Text)
{
    return Text.View().ends_with(SubText.View());
}

bool AnsiEndsText(const AnsiString &SubText, const AnsiString &Text)
{
    return SubText.Length() <= Text.Length() &&
           AnsiSameText(RightStr(Text, SubText.Length()), SubText);
}

bool AnsiContainsStr(const AnsiString &Text, const AnsiString &SubText)
{
    return Text.View().find(SubText.View()) != std::string_view::npos;
}

bool AnsiContainsText(const AnsiString &Text, const AnsiString &SubText)
{
    return AnsiContainsStr(AnsiUpperCase(Text), AnsiUpperCase(SubText));
}
