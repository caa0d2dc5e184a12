#include "platform/rtl/MaskUtils.h"

#include "platform/rtl/SysUtils.h"

#include <vector>

namespace
{

enum class TCase { Keep, Upper, Lower };

// One position of the formatted text: a literal, or a place for input with the
// case it is shown in.
struct TSlot {
    bool Input;
    char Literal;
    TCase Case;
};

struct TMask {
    std::vector<TSlot> Slots;
    bool SaveLiterals = true;
    bool RightAligned = false;
};

bool IsInputChar(char Ch)
{
    switch (Ch) {
    case 'L':
    case 'l':
    case 'A':
    case 'a':
    case 'C':
    case 'c':
    case '0':
    case '9':
    case '#':
        return true;
    default:
        return false;
    }
}

TMask ParseMask(const AnsiString &EditMask)
{
    TMask Mask;
    TCase Case = TCase::Keep;
    int I = 1;
    for (; I <= EditMask.Length(); ++I) {
        char Ch = EditMask[I];
        if (Ch == '\\' && I < EditMask.Length()) {
            Mask.Slots.push_back({false, EditMask[++I], Case});
        } else if (Ch == ';') {
            break;
        } else if (Ch == '!') {
            Mask.RightAligned = true;
        } else if (Ch == '<' && I < EditMask.Length() && EditMask[I + 1] == '>') {
            Case = TCase::Keep;
            ++I;
        } else if (Ch == '<' || Ch == '>') {
            Case = Ch == '<' ? TCase::Lower : TCase::Upper;
        } else if (IsInputChar(Ch)) {
            Mask.Slots.push_back({true, 0, Case});
        } else if (Ch == ':' || Ch == '/') {
            Mask.Slots.push_back({false, Ch == ':' ? TimeSeparator : DateSeparator, Case});
        } else {
            Mask.Slots.push_back({false, Ch, Case});
        }
    }
    // The second field says whether the text keeps its literals ("0" means no).
    AnsiString Rest = EditMask.SubString(I + 1, EditMask.Length());
    if (!Rest.IsEmpty()) Mask.SaveLiterals = Rest[1] != '0';
    return Mask;
}

char Cased(char Ch, TCase Case)
{
    if (Case == TCase::Upper)
        return static_cast<char>(rtl::UpperByte(static_cast<unsigned char>(Ch)));
    if (Case == TCase::Lower)
        return static_cast<char>(rtl::LowerByte(static_cast<unsigned char>(Ch)));
    return Ch;
}

} // namespace

AnsiString FormatMaskText(const AnsiString &EditMask, const AnsiString &Value)
{
    TMask Mask = ParseMask(EditMask);
    AnsiString Input = Value;
    if (!Mask.SaveLiterals && Mask.RightAligned) {
        int Places = 0;
        for (const TSlot &Slot : Mask.Slots)
            Places += Slot.Input ? 1 : 0;
        if (Input.Length() < Places)
            Input = AnsiString::StringOfChar(' ', Places - Input.Length()) + Input;
    }
    AnsiString Result;
    int Next = 1;
    for (const TSlot &Slot : Mask.Slots) {
        if (!Slot.Input) {
            Result += Slot.Literal;
            // A text that keeps its literals has this one at the same place.
            if (Mask.SaveLiterals && Next <= Input.Length() && Input[Next] == Slot.Literal) ++Next;
            continue;
        }
        Result += Next <= Input.Length() ? Cased(Input[Next], Slot.Case) : ' ';
        ++Next;
    }
    return Result;
}
