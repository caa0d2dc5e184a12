#include "script/fs_xml.h"

#include "platform/rtl/AtomicFile.h"
#include "platform/rtl/SysUtils.h"

#include <algorithm>

namespace
{

const char *const SInvalidFileFormat = "Invalid file format";

bool SameTextAt(const AnsiString &Text, int Index, const AnsiString &Sub)
{
    if (Index < 1 || Index + Sub.Length() - 1 > Text.Length()) return false;
    for (int i = 1; i <= Sub.Length(); ++i)
        if (rtl::UpperByte(Text[Index + i - 1]) != rtl::UpperByte(Sub[i])) return false;
    return true;
}

} // namespace

// ---------------------------------------------------------------- TfsXMLItem

TfsXMLItem::~TfsXMLItem()
{
    Clear();
    if (FParent) FParent->RemoveItem(this);
}

void TfsXMLItem::Clear()
{
    // Frees the whole subtree without recursion, so that a deep document
    // cannot exhaust the stack.
    std::vector<TfsXMLItem *> pending;
    pending.swap(FItems);
    while (!pending.empty()) {
        TfsXMLItem *item = pending.back();
        pending.pop_back();
        pending.insert(pending.end(), item->FItems.begin(), item->FItems.end());
        item->FItems.clear();
        item->FParent = nullptr;
        delete item;
    }
}

TfsXMLItem *TfsXMLItem::Add()
{
    auto *item = new TfsXMLItem; // owned by this element from here on
    AddItem(item);
    return item;
}

void TfsXMLItem::AddItem(TfsXMLItem *Item)
{
    FItems.push_back(Item);
    if (Item->FParent) Item->FParent->RemoveItem(Item);
    Item->FParent = this;
}

void TfsXMLItem::InsertItem(int Index, TfsXMLItem *Item)
{
    AddItem(Item);
    FItems.pop_back();
    FItems.insert(FItems.begin() + std::clamp(Index, 0, Count()), Item);
}

void TfsXMLItem::RemoveItem(const TfsXMLItem *Item)
{
    const auto it = std::find(FItems.begin(), FItems.end(), Item);
    if (it != FItems.end()) FItems.erase(it);
}

void TfsXMLItem::SetParent(TfsXMLItem *Value)
{
    if (FParent) FParent->RemoveItem(this);
    FParent = Value;
}

TfsXMLItem *TfsXMLItem::Items(int Index) const
{
    if (Index < 0 || Index >= Count())
        throw EListError("List index out of bounds (" + AnsiString(Index) + ")");
    return FItems[Index];
}

int TfsXMLItem::Find(const AnsiString &Name) const
{
    for (int i = 0; i < Count(); ++i)
        if (AnsiSameText(FItems[i]->FName, Name)) return i;
    return -1;
}

TfsXMLItem *TfsXMLItem::FindItem(const AnsiString &Name)
{
    const int index = Find(Name);
    if (index >= 0) return FItems[index];
    TfsXMLItem *item = Add();
    item->FName = Name;
    return item;
}

int TfsXMLItem::IndexOf(const TfsXMLItem *Item) const
{
    const auto it = std::find(FItems.begin(), FItems.end(), Item);
    return it == FItems.end() ? -1 : static_cast<int>(it - FItems.begin());
}

TfsXMLItem *TfsXMLItem::Root()
{
    TfsXMLItem *item = this;
    while (item->FParent)
        item = item->FParent;
    return item;
}

int TfsXMLItem::FindProp(const AnsiString &Name, int *AttributeStart) const
{
    // An attribute name counts only where a blank (or the start) precedes it,
    // so "os" does not find "pos".
    const AnsiString key = Name + "=\"";
    for (int i = 1; i + key.Length() - 1 <= FText.Length(); ++i) {
        if (i > 1 && FText[i - 1] != ' ') continue;
        if (!SameTextAt(FText, i, key)) continue;
        if (AttributeStart) *AttributeStart = i;
        return i + key.Length();
    }
    return 0;
}

bool TfsXMLItem::PropExists(const AnsiString &Name) const
{
    return FindProp(Name) > 0;
}

AnsiString TfsXMLItem::Prop(const AnsiString &Name) const
{
    const int start = FindProp(Name);
    if (start == 0) return AnsiString();
    int end = start;
    while (end <= FText.Length() && FText[end] != '"')
        ++end;
    return XMLToStr(FText.SubString(start, end - start));
}

void TfsXMLItem::SetProp(const AnsiString &Name, const AnsiString &Value)
{
    int at = FText.Length() + 1;
    const int valueStart = FindProp(Name, &at);
    if (valueStart > 0) {
        int end = valueStart;
        while (end <= FText.Length() && FText[end] != '"')
            ++end;
        FText.Delete(at, end - at + 1);
    }
    AnsiString attribute = Name + "=\"" + StrToXML(Value) + "\"";
    if (at > 1 && FText[at - 1] != ' ') attribute = " " + attribute;
    FText.Insert(attribute, at);
}

void TfsXMLItem::Assign(const TfsXMLItem *Item)
{
    Clear();
    if (!Item) return;
    FName = Item->FName;
    FText = Item->FText;
    FData = Item->FData;
    for (const TfsXMLItem *child : Item->FItems)
        Add()->Assign(child);
}

// ----------------------------------------------------------- reader, writer

class TfsXMLReader
{
public:
    explicit TfsXMLReader(TStream *Stream)
        : FStream(Stream), FPosition(Stream->Position()), FSize(Stream->Size())
    {
    }

    // Gives back what was read ahead, so the stream stands just after the
    // last byte the document used.
    ~TfsXMLReader() { FStream->SetPosition(FPosition - (FBufEnd - FBufPos)); }

    void ReadHeader()
    {
        AnsiString name, text;
        ReadTag(name, text);
        if (name.SubString(1, 4) != "?xml") throw Exception(SInvalidFileFormat);
    }

    void ReadRootItem(TfsXMLItem *Root)
    {
        if (!ReadElementTag(Root)) return;
        TfsXMLItem *current = Root;
        while (current) {
            AnsiString name, text;
            if (!ReadTag(name, text)) {
                // The document ends inside an element: it is truncated.
                if (FEndOfStream) throw Exception(SInvalidFileFormat);
                current = current == Root ? nullptr : current->Parent();
                continue;
            }
            if (name[1] == '/') {
                if (!AnsiSameText(name, "/" + current->Name())) throw Exception(SInvalidFileFormat);
                current = current == Root ? nullptr : current->Parent();
                continue;
            }
            TfsXMLItem *child = current->Add();
            if (SetElement(child, name, text)) current = child;
        }
    }

private:
    // False when no element starts here (end of the stream or a closing tag).
    bool ReadElementTag(TfsXMLItem *Item)
    {
        AnsiString name, text;
        if (!ReadTag(name, text) || name[1] == '/') return false;
        return SetElement(Item, name, text);
    }

    // True when the element has children to read.
    static bool SetElement(TfsXMLItem *Item, AnsiString Name, AnsiString Text)
    {
        bool open = true;
        if (Name.Length() > 0 && Name[Name.Length()] == '/') {
            Name.SetLength(Name.Length() - 1);
            open = false;
        } else if (Text.Length() > 0 && Text[Text.Length()] == '/') {
            Text.SetLength(Text.Length() - 1);
            open = false;
        }
        Item->SetName(Name);
        Item->SetText(Text);
        return open;
    }

    bool ReadByte(char &Ch)
    {
        if (FBufPos == FBufEnd) {
            const long long want = std::min<long long>(sizeof(FBuffer), FSize - FPosition);
            const int got = want > 0 ? FStream->Read(FBuffer, static_cast<int>(want)) : 0;
            if (got <= 0) {
                FEndOfStream = true;
                return false;
            }
            FPosition += got;
            FBufPos = 0;
            FBufEnd = got;
        }
        Ch = FBuffer[FBufPos++];
        return true;
    }

    // Reads the next tag, comments skipped. False for an empty tag (also at
    // the end of the stream); Name is then empty.
    bool ReadTag(AnsiString &Name, AnsiString &Text)
    {
        for (;;) {
            AnsiString tag;
            if (!CollectTag(tag)) return false;
            if (tag == "!--") {
                SkipComment();
                continue;
            }
            if (tag.Length() > 0 && tag[tag.Length()] == ' ') tag.SetLength(tag.Length() - 1);
            const int blank = tag.Pos(" ");
            Name = blank ? tag.SubString(1, blank - 1) : tag;
            Text = blank ? tag.SubString(blank + 1, tag.Length()) : AnsiString();
            return !Name.IsEmpty();
        }
    }

    // Collects a tag's text up to its ">", or only "!--" when a comment opens
    // (a comment may hold "<" and ">").
    bool CollectTag(AnsiString &Tag)
    {
        char ch = 0;
        do {
            if (!ReadByte(ch)) return false;
        } while (ch != '<');
        std::string text;
        for (;;) {
            if (!ReadByte(ch)) throw Exception(SInvalidFileFormat);
            if (ch == '>') break;
            if (ch == '<') throw Exception(SInvalidFileFormat);
            text += ch;
            if (text == "!--") break;
        }
        Tag = AnsiString(std::move(text));
        return true;
    }

    void SkipComment()
    {
        char ch = 0;
        int dashes = 0;
        for (;;) {
            if (!ReadByte(ch)) throw Exception(SInvalidFileFormat);
            if (ch == '>' && dashes >= 2) return;
            dashes = ch == '-' ? dashes + 1 : 0;
        }
    }

    TStream *FStream;
    char FBuffer[4096];
    int FBufPos = 0;
    int FBufEnd = 0;
    long long FPosition;
    long long FSize;
    bool FEndOfStream = false;
};

class TfsXMLWriter
{
public:
    TfsXMLWriter(TStream *Stream, bool AutoIndent) : FAutoIndent(AutoIndent), FStream(Stream) {}
    ~TfsXMLWriter() = default;

    void WriteHeader()
    {
        Write("<?xml version=\"1.0\"?>");
        EndLine();
    }

    void WriteItem(const TfsXMLItem *Item, int Level)
    {
        Indent(Level);
        Write("<" + Item->Name());
        if (!Item->Text().IsEmpty()) {
            if (Item->Text()[1] != ' ') Write(" ");
            Write(Item->Text());
        }
        if (Item->Count() == 0) {
            Write("/>");
            EndLine();
            return;
        }
        Write(">");
        EndLine();
        for (int i = 0; i < Item->Count(); ++i)
            WriteItem(Item->Items(i), Level + 1);
        Indent(Level);
        Write("</" + Item->Name() + ">");
        EndLine();
    }

    void Flush()
    {
        if (!FBuffer.empty()) FStream->Write(FBuffer.data(), static_cast<int>(FBuffer.size()));
        FBuffer.clear();
    }

private:
    void Write(const AnsiString &S)
    {
        FBuffer += S.View();
        if (FBuffer.size() > 4096) Flush();
    }

    void Indent(int Level)
    {
        if (FAutoIndent) Write(AnsiString::StringOfChar(' ', Level * 2));
    }

    void EndLine()
    {
        if (FAutoIndent) Write("\r\n");
    }

    bool FAutoIndent;
    std::string FBuffer;
    TStream *FStream;
};

// ------------------------------------------------------------ TfsXMLDocument

TfsXMLDocument::TfsXMLDocument() : FRoot(std::make_unique<TfsXMLItem>()) {}

TfsXMLDocument::~TfsXMLDocument() = default;

void TfsXMLDocument::Clear()
{
    FRoot->Clear();
}

void TfsXMLDocument::LoadFromStream(TStream *Stream)
{
    Clear();
    FRoot->SetName("");
    FRoot->SetText("");
    TfsXMLReader reader(Stream);
    reader.ReadHeader();
    reader.ReadRootItem(FRoot.get());
}

void TfsXMLDocument::SaveToStream(TStream *Stream)
{
    TfsXMLWriter writer(Stream, FAutoIndent);
    writer.WriteHeader();
    writer.WriteItem(FRoot.get(), 0);
    writer.Flush();
}

void TfsXMLDocument::LoadFromFile(const AnsiString &FileName)
{
    rtl::BoundedFileStream stream(FileName, rtl::DocumentFileLimit);
    LoadFromStream(&stream);
}

void TfsXMLDocument::SaveToFile(const AnsiString &FileName)
{
    rtl::SaveStreamToFile(FileName, [this](TStream *Stream) { SaveToStream(Stream); });
}

// ---------------------------------------------------------------- functions

AnsiString StrToXML(const AnsiString &S)
{
    std::string out;
    out.reserve(S.Length());
    for (const char ch : S.View()) {
        // "&" too, so that text which already looks like a reference survives
        // a round trip through XMLToStr unchanged.
        if (ch == '\n' || ch == '\r' || ch == '"' || ch == '<' || ch == '>' || ch == '&')
            out += "&#" + std::to_string(static_cast<unsigned char>(ch)) + ";";
        else
            out += ch;
    }
    return AnsiString(std::move(out));
}

AnsiString XMLToStr(const AnsiString &S)
{
    const std::string_view text = S.View();
    if (text.size() <= 1 || text.find('&') == std::string_view::npos) return S;
    std::string out;
    out.reserve(text.size());
    // Once no ";" follows, none follows any later "&#" either; remembering it
    // keeps a text full of stray "&#" linear to decode.
    bool semicolonAhead = true;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '&' && text.substr(i + 1, 5) == "quot;") {
            out += '"';
            i += 5;
            continue;
        }
        if (semicolonAhead && text[i] == '&' && i + 3 < text.size() && text[i + 1] == '#') {
            const std::size_t semicolon = text.find(';', i + 2);
            if (semicolon == std::string_view::npos) {
                semicolonAhead = false;
            } else {
                // A body that is no integer raises the integer conversion's error.
                const int code = StrToInt(AnsiString(text.substr(i + 2, semicolon - i - 2)));
                out += static_cast<char>(code & 0xFF);
                i = semicolon;
                continue;
            }
        }
        out += text[i];
    }
    return AnsiString(std::move(out));
}

AnsiString ValueToXML(const Variant &Value)
{
    switch (VarType(Value)) {
    case varSmallint:
    case varInteger:
    case varByte:
    case varInt64:
        return IntToStr(Value.AsInt64());
    case varSingle:
    case varDouble:
    case varCurrency:
        return FloatToStr(Value.AsDouble());
    case varDate:
        return DateToStr(Value.AsDateTime());
    case varBoolean:
        return Value.AsBoolean() ? "1" : "0";
    case varString:
    case varOleStr:
        return StrToXML(Value.AsString());
    default:
        return AnsiString();
    }
}
