#include "report/frxXML.h"

#include "platform/rtl/AtomicFile.h"
#include "platform/rtl/SysUtils.h"

#include <algorithm>

namespace
{

constexpr int BufferSize = 4096;
const char *const InvalidFormat = "Invalid file format";
// Far deeper than any document the program writes, and shallow enough for the
// readers of the tree (serializer, preview pages) that walk it recursively.
constexpr int MaxNesting = 1000;

[[noreturn]] void InvalidFileFormat()
{
    throw EfrxXMLError(InvalidFormat);
}

// Removes a whole ld="0" attribute; a name merely ending in "ld" is another attribute.
bool RemoveUnloadableMark(AnsiString &Text)
{
    const std::string Lower = Text.LowerCase().ToStd();
    const std::string Mark = "ld=\"0\"";
    for (std::size_t At = Lower.find(Mark); At != std::string::npos;
         At = Lower.find(Mark, At + 1)) {
        if (At > 0 && Lower[At - 1] != ' ') continue;
        const int Start = At > 0 ? static_cast<int>(At) : 1; // with the blank before it
        Text.Delete(Start, static_cast<int>(Mark.size()) + (At > 0 ? 1 : 0));
        return true;
    }
    return false;
}

// A numeric character reference as one byte of the program's code page.
char ReferenceByte(long long Code)
{
    if (Code >= 0 && Code <= 255) return static_cast<char>(Code);
    if (Code > 0x10FFFF) return '?';
    return rtl::UnicodeToCp1251(static_cast<char32_t>(Code));
}

} // namespace

// ---- escaping ----

AnsiString frxStrToXML(const AnsiString &S)
{
    std::string Result;
    Result.reserve(S.Length());
    for (char Ch : S.View()) {
        switch (Ch) {
        case '\n':
        case '\r':
        case '"':
        case '&':
        case '<':
        case '>':
            Result.append("&#").append(std::to_string(static_cast<unsigned char>(Ch))).append(";");
            break;
        default:
            Result += Ch;
        }
    }
    return AnsiString(std::move(Result));
}

AnsiString frxXMLToStr(const AnsiString &S)
{
    const std::string_view Text = S.View();
    // Every reference starts with an ampersand; most values hold none.
    if (Text.size() < 2 || Text.find('&') == std::string_view::npos) return S;
    std::string Result;
    Result.reserve(Text.size());
    std::size_t i = 0;
    while (i < Text.size()) {
        if (Text.compare(i, 6, "&quot;") == 0) {
            Result += '"';
            i += 6;
            continue;
        }
        if (Text.compare(i, 2, "&#") == 0 && i + 2 < Text.size()) {
            const std::size_t End = Text.find(';', i + 2);
            if (End == std::string_view::npos) { // no end: the rest stays as it is
                Result.append(Text.substr(i));
                break;
            }
            const std::string_view Digits = Text.substr(i + 2, End - i - 2);
            const bool Numeric = !Digits.empty() && Digits.size() <= 9 &&
                                 std::all_of(Digits.begin(), Digits.end(),
                                             [](char c) { return c >= '0' && c <= '9'; });
            if (Numeric) {
                Result += ReferenceByte(std::stoll(std::string(Digits)));
                i = End + 1;
                continue;
            }
        }
        Result += Text[i++];
    }
    return AnsiString(std::move(Result));
}

AnsiString frxFloatToXML(double Value)
{
    AnsiString Text = FloatToStr(Value);
    if (DecimalSeparator == '.') return Text;
    const int Separator = Text.Pos(AnsiString(DecimalSeparator));
    if (Separator > 0) Text[Separator] = '.';
    return Text;
}

AnsiString frxValueToXML(const Variant &Value)
{
    switch (VarType(Value) & varTypeMask) {
    case varBoolean:
        return Value.AsBoolean() ? "1" : "0";
    case varSmallint:
    case varInteger:
    case varShortInt:
    case varByte:
    case varWord:
    case varLongWord:
    case varInt64:
        return VarToStr(Value);
    case varSingle:
    case varDouble:
    case varCurrency:
        return frxFloatToXML(Value.AsDouble());
    case varDate:
        return DateTimeToStr(Value.AsDateTime());
    case varString:
    case varOleStr:
        return frxStrToXML(VarToStr(Value));
    default:
        return AnsiString();
    }
}

// ---- items ----

TfrxXMLItem::~TfrxXMLItem()
{
    Clear();
    if (FParent) FParent->Extract(this).release(); // the caller is deleting us
}

void TfrxXMLItem::Clear()
{
    // Each item is freed after its children were taken from it, so a deep tree
    // costs no call frame per level.
    std::vector<std::unique_ptr<TfrxXMLItem>> Doomed;
    Doomed.swap(FItems);
    while (!Doomed.empty()) {
        std::unique_ptr<TfrxXMLItem> Item = std::move(Doomed.back());
        Doomed.pop_back();
        Item->FParent = nullptr;
        for (auto &Child : Item->FItems)
            Doomed.push_back(std::move(Child));
        Item->FItems.clear();
    }
    if (FUnloadable) FLoaded = false;
}

TfrxXMLItem *TfrxXMLItem::Items(int Index) const
{
    if (Index < 0 || Index >= Count()) TList::Error("List index out of bounds (%d)", Index);
    return FItems[Index].get();
}

TfrxXMLItem *TfrxXMLItem::Add()
{
    auto Item = std::make_unique<TfrxXMLItem>();
    Item->FParent = this;
    FItems.push_back(std::move(Item));
    return FItems.back().get();
}

std::unique_ptr<TfrxXMLItem> TfrxXMLItem::Extract(const TfrxXMLItem *Item)
{
    auto It = std::find_if(FItems.begin(), FItems.end(),
                           [Item](const auto &Child) { return Child.get() == Item; });
    if (It == FItems.end()) return nullptr;
    std::unique_ptr<TfrxXMLItem> Result = std::move(*It);
    FItems.erase(It);
    Result->FParent = nullptr;
    return Result;
}

void TfrxXMLItem::InsertItem(int Index, TfrxXMLItem *Item)
{
    std::unique_ptr<TfrxXMLItem> Owned =
        Item->FParent ? Item->FParent->Extract(Item) : std::unique_ptr<TfrxXMLItem>(Item);
    Index = std::clamp(Index, 0, Count());
    Owned->FParent = this;
    FItems.insert(FItems.begin() + Index, std::move(Owned));
}

void TfrxXMLItem::AddItem(TfrxXMLItem *Item)
{
    InsertItem(Count() - (Item->FParent == this ? 1 : 0), Item);
}

void TfrxXMLItem::TakeChildren(TfrxXMLItem &Other)
{
    for (auto &Child : Other.FItems) {
        Child->FParent = this;
        FItems.push_back(std::move(Child));
    }
    Other.FItems.clear();
}

int TfrxXMLItem::IndexOf(const TfrxXMLItem *Item) const
{
    for (int i = 0; i < Count(); ++i)
        if (FItems[i].get() == Item) return i;
    return -1;
}

int TfrxXMLItem::Find(const AnsiString &Name) const
{
    for (int i = 0; i < Count(); ++i)
        if (AnsiSameText(FItems[i]->FName, Name)) return i;
    return -1;
}

TfrxXMLItem *TfrxXMLItem::FindItem(const AnsiString &Name)
{
    const int Index = Find(Name);
    if (Index >= 0) return FItems[Index].get();
    TfrxXMLItem *Item = Add();
    Item->FName = Name;
    return Item;
}

TfrxXMLItem *TfrxXMLItem::Root()
{
    TfrxXMLItem *Result = this;
    while (Result->FParent)
        Result = Result->FParent;
    return Result;
}

int TfrxXMLItem::FindProp(const AnsiString &Name) const
{
    const std::string Haystack = (" " + FText).LowerCase().ToStd();
    const std::string Needle = (" " + Name + "=\"").LowerCase().ToStd();
    const std::size_t At = Haystack.find(Needle);
    return At == std::string::npos ? -1 : static_cast<int>(At);
}

AnsiString TfrxXMLItem::Prop(const AnsiString &Name) const
{
    const int At = FindProp(Name);
    if (At < 0) return AnsiString();
    const int ValueStart = At + Name.Length() + 2; // 0-based in Text
    const std::size_t End = FText.View().find('"', ValueStart);
    const std::size_t Count = End == std::string::npos ? std::string::npos : End - ValueStart;
    return frxXMLToStr(AnsiString(FText.View().substr(ValueStart, Count)));
}

bool TfrxXMLItem::PropExists(const AnsiString &Name) const
{
    return FindProp(Name) >= 0;
}

void TfrxXMLItem::SetProp(const AnsiString &Name, const AnsiString &Value)
{
    std::string Text = FText.ToStd();
    std::size_t At = Text.size();
    const int Found = FindProp(Name);
    if (Found >= 0) {
        At = static_cast<std::size_t>(Found);
        const std::size_t ValueStart = At + Name.Length() + 2;
        const std::size_t End = Text.find('"', ValueStart);
        Text.erase(At, End == std::string::npos ? std::string::npos : End + 1 - At);
    }
    std::string Piece = At > 0 && Text[At - 1] != ' ' ? " " : "";
    Piece.append(Name.View()).append("=\"").append(frxStrToXML(Value).View()).append("\"");
    Text.insert(At, Piece);
    FText = AnsiString(std::move(Text));
}

// ---- reader ----

TfrxXMLReader::TfrxXMLReader(TStream *Stream)
    : FStream(Stream), FBuffer(BufferSize), FPosition(Stream->Position())
{
}

TfrxXMLReader::~TfrxXMLReader()
{
    try {
        FStream->SetPosition(FPosition);
    } catch (...) { // a destructor must not throw; the stream stays where it is
    }
}

int TfrxXMLReader::ReadByte()
{
    if (FBufferPos == FBufferLen) {
        FBufferLen = FStream->Read(FBuffer.data(), BufferSize);
        FBufferPos = 0;
        if (FBufferLen <= 0) {
            FBufferLen = 0;
            return -1;
        }
    }
    ++FPosition;
    return static_cast<unsigned char>(FBuffer[FBufferPos++]);
}

void TfrxXMLReader::SkipComment()
{
    int Dashes = 0;
    for (;;) {
        const int Ch = ReadByte();
        if (Ch < 0) InvalidFileFormat();
        if (Ch == '>' && Dashes == 2) return;
        Dashes = Ch == '-' ? (Dashes == 2 ? 1 : Dashes + 1) : 0;
    }
}

TfrxXMLReader::Tag TfrxXMLReader::ReadItem()
{
    Tag Result;
    for (;;) {
        int Ch;
        do
            Ch = ReadByte();
        while (Ch >= 0 && Ch != '<');
        if (Ch < 0) return Result;
        Result.Start = FPosition - 1;
        std::string Collected;
        bool Comment = false;
        for (;;) {
            Ch = ReadByte();
            if (Ch < 0 || Ch == '<') InvalidFileFormat();
            if (Ch == '>') break;
            Collected += static_cast<char>(Ch);
            if (Collected == "!--") {
                SkipComment();
                Comment = true;
                break;
            }
        }
        if (Comment) continue;
        if (!Collected.empty() && Collected.back() == ' ') Collected.pop_back();
        const std::size_t Blank = Collected.find(' ');
        Result.Name = AnsiString(Collected.substr(0, Blank));
        if (Result.Name.IsEmpty()) InvalidFileFormat();
        if (Blank != std::string::npos) Result.Text = AnsiString(Collected.substr(Blank + 1));
        Result.Kind =
            !Result.Name.IsEmpty() && Result.Name[1] == '/' ? TagKind::EndTag : TagKind::Element;
        return Result;
    }
}

void TfrxXMLReader::ReadHeader()
{
    const Tag Header = ReadItem();
    if (Header.Kind == TagKind::EndOfStream || Header.Name.SubString(1, 4) != "?xml")
        InvalidFileFormat();
}

void TfrxXMLReader::ReadRootItem(TfrxXMLItem *Item, bool ReadChildren, bool Tolerant)
{
    const Tag Start = ReadItem();
    if (Start.Kind == TagKind::EndOfStream) {
        if (!Tolerant) InvalidFileFormat();
        return;
    }
    if (Start.Kind == TagKind::EndTag) InvalidFileFormat();
    ReadElement(Item, Start, ReadChildren, Tolerant, 1);
}

bool TfrxXMLReader::ReadElement(TfrxXMLItem *Item, const Tag &Start, bool ReadChildren,
                                bool Tolerant, int Depth)
{
    if (Depth > MaxNesting) InvalidFileFormat();
    AnsiString Name = Start.Name;
    AnsiString Text = Start.Text;
    bool HasChildren = true;
    if (Name[Name.Length()] == '/') {
        Name.SetLength(Name.Length() - 1);
        HasChildren = false;
    } else if (!Text.IsEmpty() && Text[Text.Length()] == '/') {
        Text.SetLength(Text.Length() - 1);
        HasChildren = false;
    }
    Item->SetName(Name);
    Item->SetText(Text);
    bool Complete = true;
    while (HasChildren) {
        const Tag Next = ReadItem();
        if (Next.Kind == TagKind::EndOfStream) {
            if (!Tolerant) InvalidFileFormat();
            Complete = false;
            break;
        }
        if (Next.Kind == TagKind::EndTag) {
            if (!AnsiSameText(Next.Name.SubString(2, Next.Name.Length()), Name))
                InvalidFileFormat();
            break;
        }
        if (!ReadElement(Item->Add(), Next, ReadChildren, Tolerant, Depth + 1)) {
            Complete = false;
            break;
        }
    }
    AnsiString Attributes = Item->Text();
    if (RemoveUnloadableMark(Attributes)) {
        Item->SetText(Attributes);
        if (!ReadChildren) {
            Item->SetUnloadable(true);
            Item->Clear();
            Item->SetOffset(Start.Start);
        }
    }
    return Complete;
}

// ---- writer ----

TfrxXMLWriter::TfrxXMLWriter(TStream *Stream, bool AutoIndent, TfrxXMLDocument *Document)
    : FStream(Stream), FAutoIndent(AutoIndent), FDocument(Document)
{
}

TfrxXMLWriter::~TfrxXMLWriter()
{
    try {
        Flush();
    } catch (...) { // callers flush explicitly to see the error; nothing to do here
    }
}

void TfrxXMLWriter::Flush()
{
    if (FBuffer.empty()) return;
    FStream->WriteBuffer(FBuffer.data(), static_cast<int>(FBuffer.size()));
    FBuffer.clear();
}

void TfrxXMLWriter::WriteLine(const AnsiString &Line)
{
    FBuffer += Line.View();
    if (FAutoIndent) FBuffer += "\r\n";
    if (FBuffer.size() > BufferSize) Flush();
}

void TfrxXMLWriter::WriteHeader()
{
    WriteLine("<?xml version=\"1.0\" encoding=\"utf-8\"?>");
}

void TfrxXMLWriter::WriteRootItem(TfrxXMLItem *Item, int Level)
{
    // The open elements are kept here, not in call frames: a deep tree must not
    // run out of stack.
    std::vector<OpenElement> Open{WriteStartTag(Item, Level)};
    while (!Open.empty()) {
        OpenElement &Top = Open.back();
        if (Top.NextChild < Top.Item->Count()) {
            TfrxXMLItem *Child = Top.Item->Items(Top.NextChild++);
            const int ChildLevel = FAutoIndent ? Top.Level + 2 : 0;
            Open.push_back(WriteStartTag(Child, ChildLevel));
            continue;
        }
        WriteEndTag(Top);
        Open.pop_back();
    }
}

TfrxXMLWriter::OpenElement TfrxXMLWriter::WriteStartTag(TfrxXMLItem *Item, int Level)
{
    const bool MovedOut = Item->Unloadable() && !Item->Loaded();
    if (MovedOut && FDocument) FDocument->LoadItem(Item);
    AnsiString Attributes;
    if (!Item->Text().IsEmpty() || Item->Unloadable()) {
        Attributes = Item->Text();
        if (Attributes.IsEmpty() || Attributes[1] != ' ') Attributes = " " + Attributes;
        if (Item->Unloadable()) Attributes += " ld=\"0\"";
    }
    const bool HasChildren = Item->Count() > 0;
    WriteLine(Indent(Level) + "<" + Item->Name() + Attributes + (HasChildren ? ">" : "/>"));
    return {Item, Level, MovedOut, 0};
}

void TfrxXMLWriter::WriteEndTag(const OpenElement &Element)
{
    if (Element.Item->Count() > 0)
        WriteLine(Indent(Element.Level) + "</" + Element.Item->Name() + ">");
    if (Element.MovedOut && FDocument) Element.Item->Clear();
}

AnsiString TfrxXMLWriter::Indent(int Level) const
{
    return FAutoIndent ? AnsiString::StringOfChar(' ', Level) : AnsiString();
}

// ---- document ----

TfrxXMLDocument::TfrxXMLDocument() : FRoot(std::make_unique<TfrxXMLItem>()) {}

TfrxXMLDocument::~TfrxXMLDocument()
{
    DeleteTempFile();
}

void TfrxXMLDocument::Clear()
{
    DeleteTempFile();
    FRoot->Clear();
    FRoot->SetName(AnsiString());
    FRoot->SetText(AnsiString());
}

void TfrxXMLDocument::DeleteTempFile()
{
    FBacking.reset();
    if (!FTempFileName.IsEmpty()) {
        DeleteFile(FTempFileName);
        FTempFileName = AnsiString();
    }
}

void TfrxXMLDocument::CreateTempFile()
{
    if (FBacking) return;
    const AnsiString Name = rtl::CreateTempFile(FTempDir, "fr");
    if (Name.IsEmpty()) throw EFCreateError("Cannot create a temporary file");
    FBacking = std::make_unique<TFileStream>(Name, fmOpenReadWrite);
    FTempFileName = Name;
}

void TfrxXMLDocument::ReadFrom(TStream *Stream, bool ReadChildren)
{
    FRoot->Clear();
    FRoot->SetOffset(0);
    TfrxXMLReader Reader(Stream);
    Reader.ReadHeader();
    Reader.ReadRootItem(FRoot.get(), ReadChildren);
}

void TfrxXMLDocument::LoadFromStream(TStream *Stream)
{
    DeleteTempFile();
    ReadFrom(Stream, true);
}

void TfrxXMLDocument::LoadFromStream(std::unique_ptr<TStream> Stream, bool AllowPartialLoading)
{
    DeleteTempFile();
    ReadFrom(Stream.get(), !AllowPartialLoading);
    if (AllowPartialLoading) FBacking = std::move(Stream);
}

void TfrxXMLDocument::SaveToStream(TStream *Stream)
{
    TfrxXMLWriter Writer(Stream, FAutoIndent, this);
    Writer.WriteHeader();
    Writer.WriteRootItem(FRoot.get());
    Writer.Flush();
}

void TfrxXMLDocument::LoadFromFile(const AnsiString &FileName)
{
    LoadFromStream(std::make_unique<rtl::BoundedFileStream>(FileName, rtl::DocumentFileLimit),
                   true);
}

void TfrxXMLDocument::SaveToFile(const AnsiString &FileName)
{
    // The items not loaded are read from the file they came from, which may be this one.
    rtl::SaveStreamToFile(FileName, [this](TStream *Stream) { SaveToStream(Stream); });
    DeleteTempFile();
    LoadFromFile(FileName);
}

void TfrxXMLDocument::UnloadItem(TfrxXMLItem *Item)
{
    if (!Item->Loaded() || !Item->Unloadable()) return;
    CreateTempFile();
    const std::int64_t Offset = FBacking->Seek(0, soEnd);
    TfrxXMLWriter Writer(FBacking.get(), false, this);
    Writer.WriteRootItem(Item);
    Writer.Flush();
    Item->SetOffset(Offset);
    Item->Clear();
}

void TfrxXMLDocument::LoadItem(TfrxXMLItem *Item)
{
    if (!FBacking || !Item->Unloadable() || Item->Loaded()) return;
    // A writer may be appending to the same stream (an unload that holds stubs).
    const std::int64_t Resume = FBacking->Position();
    FBacking->SetPosition(Item->Offset());
    TfrxXMLItem Stored;
    {
        TfrxXMLReader Reader(FBacking.get());
        Reader.ReadRootItem(&Stored);
    }
    FBacking->SetPosition(Resume);
    Item->TakeChildren(Stored);
    Item->SetLoaded(true);
}

void frxSaveListDocument(TStream *Stream, const std::function<void(TfrxXMLItem *Root)> &Fill)
{
    TfrxXMLDocument Document;
    Document.SetAutoIndent(true);
    Fill(Document.Root());
    Document.SaveToStream(Stream);
}

void frxLoadListDocument(TStream *Stream, const std::function<void(TfrxXMLItem *Root)> &Take)
{
    TfrxXMLDocument Document;
    Document.LoadFromStream(Stream);
    Take(Document.Root());
}
