#include "report/frxUnicodeUtils.h"

#include "platform/rtl/AtomicFile.h"
#include "platform/rtl/SysUtils.h"
#include "platform/win/CodePages.h"
#include "report/frxRes.h"

namespace
{

const char16_t LineSeparator = u'\u2028';

[[noreturn]] void OutOfBounds()
{
    throw EStringListError(frxResources()->Get("clWideBounds"));
}

} // namespace

int TWideStrings::AddObject(const WideString &S, TObject *Obj)
{
    FItems.push_back({S, Obj});
    return Count() - 1;
}

void TWideStrings::AddStrings(const TWideStrings *Other)
{
    for (const Entry &Item : std::vector<Entry>(Other->FItems))
        FItems.push_back(Item);
}

void TWideStrings::Delete(int Index)
{
    if (Index < 0 || Index >= Count()) TList::Error("List index out of bounds (%d)", Index);
    FItems.erase(FItems.begin() + Index);
}

void TWideStrings::CheckInsertIndex(int Index) const
{
    if (Index < 0 || Index > Count()) OutOfBounds();
}

// An insert that wrote over the line at Index would lose that line: the lines move down.
void TWideStrings::Insert(int Index, const WideString &S)
{
    CheckInsertIndex(Index);
    FItems.insert(FItems.begin() + Index, Entry{S, nullptr});
}

void TWideStrings::Put(int Index, const WideString &S)
{
    CheckInsertIndex(Index);
    if (Index == Count())
        Add(S);
    else
        FItems[Index].Text = S;
}

int TWideStrings::IndexOf(const WideString &S) const
{
    for (int i = 0; i < Count(); ++i)
        if (FItems[i].Text == S) return i;
    return -1;
}

WideString TWideStrings::Get(int Index) const
{
    return Index >= 0 && Index < Count() ? FItems[Index].Text : WideString();
}

TObject *TWideStrings::Objects(int Index) const
{
    return Index >= 0 && Index < Count() ? FItems[Index].Object : nullptr;
}

void TWideStrings::SetObjects(int Index, TObject *Obj)
{
    if (Index >= 0 && Index < Count()) FItems[Index].Object = Obj;
}

WideString TWideStrings::GetTextStr() const
{
    std::u16string Result;
    for (const Entry &Item : FItems) {
        Result += Item.Text.View();
        Result += u"\r\n";
    }
    return WideString(std::move(Result));
}

void TWideStrings::SetTextStr(const WideString &Value)
{
    Clear();
    const std::u16string_view Text = Value.View();
    std::size_t i = 0;
    while (i < Text.size()) {
        const std::size_t Start = i;
        while (i < Text.size() && Text[i] != u'\r' && Text[i] != u'\n' && Text[i] != LineSeparator)
            ++i;
        Add(WideString(Text.substr(Start, i - Start)));
        if (i < Text.size() && Text[i] == u'\r') ++i;
        if (i < Text.size() && Text[i] == u'\n') ++i;
        if (i < Text.size() && Text[i] == LineSeparator) ++i;
    }
}

void TWideStrings::Assign(TPersistent *Source)
{
    if (auto *Wide = dynamic_cast<TWideStrings *>(Source)) {
        FItems = Wide->FItems;
        return;
    }
    if (auto *Narrow = dynamic_cast<TStrings *>(Source)) {
        Clear();
        for (int i = 0; i < Narrow->Count(); ++i)
            AddObject(WideString(Narrow->Strings(i)), Narrow->Objects(i));
        return;
    }
    TPersistent::Assign(Source);
}

void TWideStrings::AssignTo(TPersistent *Dest)
{
    if (auto *Wide = dynamic_cast<TWideStrings *>(Dest)) {
        Wide->Assign(this);
        return;
    }
    if (auto *Narrow = dynamic_cast<TStrings *>(Dest)) {
        rtl::Updating(*Narrow, [&] {
            Narrow->Clear();
            for (const Entry &Item : FItems)
                Narrow->AddObject(AnsiString(Item.Text), Item.Object);
        });
        return;
    }
    TPersistent::AssignTo(Dest);
}

void TWideStrings::LoadFromStream(TStream *Stream)
{
    const std::int64_t Remaining = Stream->Size() - Stream->Position();
    std::string Bytes(static_cast<std::size_t>(std::max<std::int64_t>(Remaining, 0)), '\0');
    if (!Bytes.empty()) Stream->ReadBuffer(Bytes.data(), static_cast<int>(Bytes.size()));
    if (Bytes.size() > 2 && static_cast<unsigned char>(Bytes[0]) == 0xFF &&
        static_cast<unsigned char>(Bytes[1]) == 0xFE) {
        std::u16string Text;
        for (std::size_t i = 2; i + 1 < Bytes.size(); i += 2)
            Text += static_cast<char16_t>(static_cast<unsigned char>(Bytes[i]) |
                                          static_cast<unsigned char>(Bytes[i + 1]) << 8);
        SetTextStr(WideString(std::move(Text)));
    } else {
        SetTextStr(WideString(AnsiString(std::move(Bytes))));
    }
}

void TWideStrings::SaveToStream(TStream *Stream) const
{
    std::string Bytes;
    const WideString Text = GetTextStr();
    for (char16_t Unit : Text.View()) {
        Bytes += static_cast<char>(Unit & 0xFF);
        Bytes += static_cast<char>(Unit >> 8);
    }
    if (!Bytes.empty()) Stream->WriteBuffer(Bytes.data(), static_cast<int>(Bytes.size()));
}

void TWideStrings::LoadFromFile(const AnsiString &FileName)
{
    rtl::BoundedFileStream Stream(FileName, rtl::TextFileLimit);
    LoadFromStream(&Stream);
}

void TWideStrings::SaveToFile(const AnsiString &FileName) const
{
    rtl::SaveStreamToFile(FileName, [this](TStream *Stream) { SaveToStream(Stream); });
}

void TWideStrings::DefineProperties(TFiler *Filer)
{
    const bool HasData = Count() > 0;
    Filer->DefineProperty(
        "Strings", [this](TReader *Reader) { ReadStrings(Reader); }, nullptr, HasData);
    Filer->DefineProperty(
        "UTF8", [this](TReader *Reader) { ReadUTF8(Reader); },
        [this](TWriter *Writer) { WriteUTF8(Writer); }, HasData);
}

void TWideStrings::ReadStrings(TReader *Reader)
{
    Clear();
    Reader->ReadListBegin();
    while (!Reader->EndOfList())
        Add(Reader->ReadWideString());
    Reader->ReadListEnd();
}

void TWideStrings::ReadUTF8(TReader *Reader)
{
    Clear();
    Reader->ReadListBegin();
    while (!Reader->EndOfList())
        Add(WideString::FromUtf8(Reader->ReadString().View()));
    Reader->ReadListEnd();
}

void TWideStrings::WriteUTF8(TWriter *Writer)
{
    Writer->WriteListBegin();
    for (const Entry &Item : FItems)
        Writer->WriteString(AnsiString(Item.Text.ToUtf8()));
    Writer->WriteListEnd();
}

WideString AnsiToUnicode(const AnsiString &S, int Charset)
{
    CHARSETINFO Info{};
    DWORD *Source = reinterpret_cast<DWORD *>(static_cast<UINT_PTR>(Charset));
    const UINT CodePage = TranslateCharsetInfo(Source, &Info, TCI_SRCCHARSET) ? Info.ciACP : CP_ACP;
    const int Length = static_cast<int>(S.View().size());
    if (Length == 0) return WideString();
    std::u16string Wide(static_cast<std::size_t>(
                            MultiByteToWideChar(CodePage, 0, S.View().data(), Length, nullptr, 0)),
                        u'\0');
    MultiByteToWideChar(CodePage, 0, S.View().data(), Length, Wide.data(),
                        static_cast<int>(Wide.size()));
    return WideString(std::move(Wide));
}
