#include "report/frxUtils.h"

#include "platform/rtl/SysUtils.h"
#include "platform/rtl/TypInfo.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/ImgList.h"
#include "report/frxClass.h"
#include "report/frxRes.h"
#include "report/frxXMLSerializer.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <memory>

namespace
{

// The scan behind both bracket functions, over 0-based views; I and J are 1-based.
template <class Char>
bool ScanBrackets(std::basic_string_view<Char> Str, std::basic_string_view<Char> Open,
                  std::basic_string_view<Char> Close, int I, int &J)
{
    J = I;
    const std::size_t Start = static_cast<std::size_t>(I - 1);
    if (I < 1 || Open.empty() || Close.empty() || Str.compare(Start, Open.size(), Open) != 0)
        return false;
    int Depth = 0;
    bool InDouble = false, InSingle = false;
    for (std::size_t k = Start; k < Str.size(); ++k) {
        const Char Ch = Str[k];
        if (Ch == Char('"') && !InSingle) {
            InDouble = !InDouble;
            continue;
        }
        if (Ch == Char('\'') && !InDouble) {
            InSingle = !InSingle;
            continue;
        }
        if (InDouble || InSingle) continue;
        if (Str.compare(k, Open.size(), Open) == 0 && (Open != Close || Depth == 0)) {
            ++Depth;
            k += Open.size() - 1;
        } else if (Str.compare(k, Close.size(), Close) == 0) {
            --Depth;
            k += Close.size() - 1;
            if (Depth == 0) {
                J = static_cast<int>(k) + 1;
                return true;
            }
        }
    }
    return false; // unclosed: no expression rather than a truncated one
}

[[noreturn]] void BadHex(const AnsiString &S)
{
    throw EConvertError("'" + S.SubString(1, 32) + "' is not a valid hexadecimal text");
}

int HexValue(char Ch)
{
    if (Ch >= '0' && Ch <= '9') return Ch - '0';
    if (Ch >= 'A' && Ch <= 'F') return Ch - 'A' + 10;
    if (Ch >= 'a' && Ch <= 'f') return Ch - 'a' + 10;
    return -1;
}

TComponent *FindOnForms(const AnsiString &FormName)
{
    if (!Screen) return nullptr;
    for (int i = 0; i < Screen->FormCount(); ++i)
        if (SameText(Screen->Forms(i)->Name(), FormName)) return Screen->Forms(i);
    return nullptr;
}

// Characters of code 128 and above were kept as code 1 and the code less 128.
AnsiString Restore8Bit(const AnsiString &S)
{
    std::string Result;
    const std::string_view Text = S.View();
    for (std::size_t i = 0; i < Text.size(); ++i) {
        if (Text[i] == '\1' && i + 1 < Text.size())
            Result += static_cast<char>(static_cast<unsigned char>(Text[++i]) + 128);
        else
            Result += Text[i];
    }
    return AnsiString(std::move(Result));
}

// Only a text that changes is set again: a setter may check the value against the other
// items (two styles without a name are no duplicates until one is named) or look it up.
void Restore8BitProperties(TCollection *Collection)
{
    for (int i = 0; i < Collection->Count(); ++i) {
        TCollectionItem *Item = Collection->Items(i);
        for (PPropInfo Prop : GetPropList(Item, TTypeKinds{tkString, tkLString, tkVariant})) {
            if (!Prop->Writable()) continue;
            if (Prop->PropType->Kind == tkVariant) {
                const Variant Value = GetVariantProp(Item, Prop);
                if (!VarIsStr(Value)) continue;
                const AnsiString Text = VarToStr(Value), Restored = Restore8Bit(Text);
                if (Restored != Text) SetVariantProp(Item, Prop, Restored);
            } else {
                const AnsiString Text = GetStrProp(Item, Prop), Restored = Restore8Bit(Text);
                if (Restored != Text) SetStrProp(Item, Prop, Restored);
            }
        }
    }
}

// The list form: one item per attribute text.
void ReadItemTexts(TCollection *Collection, TReader *Reader, TfrxXMLSerializer *Serializer)
{
    Collection->Clear();
    Reader->ReadListBegin();
    while (!Reader->EndOfList()) {
        Reader->ReadListBegin();
        while (!Reader->EndOfList())
            Serializer->XMLToObj(Reader->ReadString(), Collection->Add());
        Reader->ReadListEnd();
    }
    Reader->ReadListEnd();
}

} // namespace

// ---- names ----

TComponent *frxFindComponent(TComponent *Owner, const AnsiString &Name)
{
    const int Dot = Name.Pos(".");
    if (Dot > 0) {
        TComponent *Form = FindOnForms(Name.SubString(1, Dot - 1));
        if (!Form) return nullptr;
        const AnsiString Rest = Name.SubString(Dot + 1, Name.Length());
        const int Second = Rest.Pos(".");
        if (Second == 0) return Form->FindComponent(Rest);
        TComponent *Frame = Form->FindComponent(Rest.SubString(1, Second - 1));
        return Frame ? Frame->FindComponent(Rest.SubString(Second + 1, Rest.Length())) : nullptr;
    }
    if (!Owner) return nullptr;
    if (TComponent *Found = Owner->FindComponent(Name)) return Found;
    if (Owner->InheritsFrom(TfrxReport::StaticClass()) && Owner->Owner())
        return Owner->Owner()->FindComponent(Name);
    return nullptr;
}

AnsiString frxGetFullName(TComponent *Root, TComponent *C)
{
    if (!C) return AnsiString();
    TComponent *Owner = C->Owner();
    if (!Owner || Owner == Root) return C->Name();
    if (Root && Root->InheritsFrom(TfrxReport::StaticClass()) && Owner == Root->Owner())
        return C->Name();
    if (Owner->InheritsFrom(TCustomForm::StaticClass()) || !Owner->Owner())
        return Owner->Name() + "." + C->Name();
    if (Owner->Owner()) return Owner->Owner()->Name() + "." + Owner->Name() + "." + C->Name();
    return AnsiString();
}

void frxGetComponents(TComponent *Owner, TClass ClassRef, TStrings *List, TComponent *Skip)
{
    List->Clear();
    std::vector<TComponent *> Roots;
    auto *Report = dynamic_cast<TfrxReport *>(Owner);
    if (Report && Report->Owner()) Roots.push_back(Report->Owner());
    for (int i = 0; Screen && i < Screen->FormCount(); ++i)
        if (std::find(Roots.begin(), Roots.end(), Screen->Forms(i)) == Roots.end())
            Roots.push_back(Screen->Forms(i));
    for (TComponent *Root : Roots)
        for (int i = 0; i < Root->ComponentCount(); ++i) {
            TComponent *C = Root->Components(i);
            if (C != Skip && C->InheritsFrom(ClassRef))
                List->AddObject(frxGetFullName(Owner, C), C);
        }
}

// ---- brackets ----

AnsiString frxGetBrackedVariable(const AnsiString &Str, const AnsiString &OpenBracket,
                                 const AnsiString &CloseBracket, int &I, int &J)
{
    if (!ScanBrackets(Str.View(), OpenBracket.View(), CloseBracket.View(), I, J))
        return AnsiString();
    const int From = I + OpenBracket.Length();
    return Str.SubString(From, J - CloseBracket.Length() - From + 1);
}

WideString frxGetBrackedVariableW(const WideString &Str, const WideString &OpenBracket,
                                  const WideString &CloseBracket, int &I, int &J)
{
    if (!ScanBrackets(Str.View(), OpenBracket.View(), CloseBracket.View(), I, J))
        return WideString();
    const int From = I + OpenBracket.Length();
    return Str.SubString(From, J - CloseBracket.Length() - From + 1);
}

// ---- page numbers ----

void frxParsePageNumbers(const AnsiString &Text, TStrings *List, int Total)
{
    List->Clear();
    AnsiString Pages = StringReplace(Text, " ", "", rfReplaceAll);
    if (Pages.IsEmpty()) return;
    if (Pages[Pages.Length()] == '-') Pages += IntToStr(Total);
    TStringList Elements;
    frxSetCommaText(Pages, &Elements, ',');
    for (int i = 0; i < Elements.Count(); ++i) {
        const AnsiString Element = Elements[i];
        const int Dash = Element.Pos("-");
        if (Dash == 0) {
            List->Add(IntToStr(StrToInt(Element)));
            continue;
        }
        const int First = StrToInt(Element.SubString(1, Dash - 1));
        const int Last = StrToInt(Element.SubString(Dash + 1, Element.Length()));
        // A typed range may be huge; pages beyond the report do not exist.
        for (int Page = std::max(First, 1); Page <= std::min(Last, Total); ++Page)
            List->Add(IntToStr(Page));
    }
}

// ---- floats and texts ----

int frxNearest(double Value)
{
    constexpr double Limit = 1 << 28;
    if (std::isnan(Value)) return 0;
    return static_cast<int>(std::nearbyint(std::clamp(Value, -Limit, Limit)));
}

void frxInvalidPropertyValue(const AnsiString &Value)
{
    throw EPropertyConvertError("Invalid property value: " + Value);
}

double frxTemplateFloat(const AnsiString &Text)
{
    constexpr double Limit = 1e6;
    const double Value = frxStrToFloat(Text);
    if (!(std::fabs(Value) <= Limit)) frxInvalidPropertyValue(Text);
    return Value;
}

double frxStrToFloat(const AnsiString &S)
{
    std::string Text;
    for (char Ch : S.View()) {
        if (Ch == ' ') continue;
        Text += Ch == ',' || Ch == '.' ? DecimalSeparator : Ch;
    }
    return StrToFloat(AnsiString(std::move(Text)));
}

AnsiString frxFloatToStr(double D)
{
    if (D == std::trunc(D)) return FloatToStr(D);
    return Format("%2.2f", {D});
}

AnsiString frFloat2Str(double D, int Digits)
{
    if (D == std::nearbyint(D)) return IntToStr(static_cast<long long>(D));
    AnsiString Result = Format("%." + IntToStr(Digits) + "f", {D});
    const int Sep = Result.Pos(AnsiString(DecimalSeparator));
    if (Sep > 0) Result[Sep] = '.';
    return Result;
}

bool frxIsValidFloat(const AnsiString &S)
{
    double Value;
    return TryStrToFloat(S, Value);
}

AnsiString frxRemoveQuotes(const AnsiString &S)
{
    if (S.Length() >= 3 && S[1] == '"' && S[S.Length()] == '"')
        return S.SubString(2, S.Length() - 2);
    return S;
}

void frxSetCommaText(const AnsiString &Text, TStrings *List, char Comma)
{
    List->Clear();
    const std::string_view View = Text.View();
    std::size_t Pos = 0;
    while (Pos < View.size()) {
        std::size_t End = View.find(Comma, Pos);
        if (End == std::string_view::npos) End = View.size();
        List->Add(AnsiString(View.substr(Pos, End - Pos)));
        Pos = End + 1;
    }
}

AnsiString frxReverseString(const AnsiString &S)
{
    return AnsiString(std::string(S.View().rbegin(), S.View().rend()));
}

AnsiString HTMLRGBColor(TColor Color)
{
    const COLORREF RGB = ColorToRGB(Color);
    return "#" + Format("%.2x%.2x%.2x",
                        {int(RGB & 0xFF), int((RGB >> 8) & 0xFF), int((RGB >> 16) & 0xFF)});
}

TfrxRect frxRect(double Left, double Top, double Right, double Bottom)
{
    return {Left, Top, Right, Bottom};
}

TfrxPoint frxPoint(double X, double Y)
{
    return {X, Y};
}

// ---- streams ----

AnsiString frxStreamToString(TStream *Stream)
{
    static const char Digits[] = "0123456789ABCDEF";
    Stream->SetPosition(0);
    std::string Bytes(static_cast<std::size_t>(Stream->Size()), '\0');
    if (!Bytes.empty()) Stream->ReadBuffer(Bytes.data(), static_cast<int>(Bytes.size()));
    std::string Result;
    Result.reserve(Bytes.size() * 2);
    for (unsigned char Byte : Bytes) {
        Result += Digits[Byte >> 4];
        Result += Digits[Byte & 15];
    }
    return AnsiString(std::move(Result));
}

void frxStringToStream(const AnsiString &S, TStream *Stream)
{
    if (S.Length() % 2 != 0) BadHex(S);
    std::string Bytes;
    Bytes.reserve(S.Length() / 2);
    for (int i = 1; i < S.Length(); i += 2) {
        const int High = HexValue(S[i]), Low = HexValue(S[i + 1]);
        if (High < 0 || Low < 0) BadHex(S);
        Bytes += static_cast<char>(High << 4 | Low);
    }
    if (!Bytes.empty()) Stream->WriteBuffer(Bytes.data(), static_cast<int>(Bytes.size()));
}

// ---- collections ----

void frxWriteCollection(TCollection *Collection, TWriter *Writer, TComponent *Owner)
{
    auto *Report = dynamic_cast<TfrxComponent *>(Owner);
    if (!Report || !Report->IsWriting()) return Writer->WriteCollection(Collection);
    TfrxXMLSerializer Serializer(nullptr);
    Serializer.SetOwner(Report);
    Writer->WriteListBegin();
    for (int i = 0; i < Collection->Count(); ++i) {
        Writer->WriteListBegin();
        Writer->WriteLongString(Serializer.ObjToXML(Collection->Items(i)));
        Writer->WriteListEnd();
    }
    Writer->WriteListEnd();
}

void frxReadCollection(TCollection *Collection, TReader *Reader, TComponent *Owner)
{
    if (Reader->NextValue() == vaCollection) {
        Reader->ReadValue();
        Reader->ReadCollection(Collection);
        Restore8BitProperties(Collection);
        return;
    }
    auto *Report = dynamic_cast<TfrxReport *>(Owner);
    if (TfrxXMLSerializer *Current = Report ? Report->CurrentSerializer() : nullptr)
        return ReadItemTexts(Collection, Reader, Current);
    // The list form in a form resource, as the program wrote it before: its references wait
    // for the whole root too, since the report's own data sets come after its properties.
    auto Own = std::make_shared<TfrxXMLSerializer>(nullptr);
    Own->SetOwner(Report);
    ReadItemTexts(Collection, Reader, Own.get());
    Reader->AddFixup([Own, Report] {
        Own->FixupReferences();
        if (Report) Report->Errors()->AddStrings(Own->Errors());
    });
}

// ---- messages ----

void frxErrorMsg(const AnsiString &Text)
{
    vcl::MessageRequest Request;
    Request.Text = Text;
    Request.Caption = frxResources()->Get("mbError");
    Request.Type = mtError;
    Request.Buttons = TMsgDlgButtons{mbOK};
    vcl::DialogService().Message(Request);
}

int frxConfirmMsg(const AnsiString &Text, TMsgDlgButtons Buttons)
{
    vcl::MessageRequest Request;
    Request.Text = Text;
    Request.Caption = frxResources()->Get("mbConfirm");
    Request.Type = mtConfirmation;
    Request.Buttons = Buttons;
    return vcl::DialogService().Message(Request);
}

void frxCommonErrorHandler(TfrxReport *Report, const AnsiString &Text)
{
    switch (Report->EngineOptions()->NewSilentMode()) {
    case simMessageBoxes:
        frxErrorMsg(Text);
        break;
    case simReThrow:
        throw Exception(Text);
    case simSilent:
        break;
    }
}

// ---- images ----

void frxAssignImages(TBitmap *Bitmap, int Width, int Height, TCustomImageList *ImgList1,
                     TCustomImageList *ImgList2)
{
    if (Width <= 0 || Height <= 0) return;
    TBitmap Cell;
    Cell.SetPixelFormat(pf24bit);
    Cell.SetSize(Width, Height);
    for (int X = 0; X + Width <= Bitmap->Width(); X += Width) {
        Cell.Canvas()->CopyRect(Rect(0, 0, Width, Height), Bitmap->Canvas(),
                                Rect(X, 0, X + Width, Height));
        const TColor Key = Cell.Canvas()->Pixels(0, Height - 1);
        for (TCustomImageList *List : {ImgList1, ImgList2})
            if (List) List->AddMasked(&Cell, Key);
    }
}

void frxDrawTransparent(TCanvas *Canvas, int X, int Y, TBitmap *Bitmap)
{
    if (!Bitmap || Bitmap->Empty()) return;
    const bool WasTransparent = Bitmap->Transparent();
    Bitmap->SetTransparent(true);
    Canvas->Draw(X, Y, Bitmap);
    Bitmap->SetTransparent(WasTransparent);
}

void frxDrawGraphic(TCanvas *Canvas, const TRect &Rect, TGraphic *Graphic)
{
    Canvas->StretchDraw(Rect, Graphic);
}

// ---- files ----

namespace
{

// A C++ string literal of the text, in the UTF-8 the sources are written in.
std::string SourceLiteral(const AnsiString &Text)
{
    std::string Out = "\"";
    for (const char C : Text.ToUtf8()) {
        if (C == '"' || C == '\\') Out += '\\';
        Out += C;
    }
    return Out + '"';
}

void AddResourceLine(std::string &Lines, const AnsiString &Key, const AnsiString &Text)
{
    if (Text.IsEmpty()) return;
    Lines += "frxResources()->Add(" + SourceLiteral(Key) + ", AnsiString::FromUtf8(" +
             SourceLiteral(Text) + "));\n";
}

} // namespace

AnsiString frxFormToRes(TCustomForm *Form)
{
    std::string Lines;
    for (int i = 0; i < Form->ComponentCount(); ++i) {
        auto *Control = dynamic_cast<TControl *>(Form->Components(i));
        if (!Control) continue;
        const AnsiString Key = Form->Name() + "." + Control->Name();
        AddResourceLine(Lines, Key + ".Caption", Control->Caption());
        AddResourceLine(Lines, Key + ".Hint", Control->Hint());
    }
    const AnsiString FileName = GetTemporaryFolder() + "frxFormToRes.txt";
    TFileStream File(FileName, fmCreate);
    File.WriteBuffer(Lines.data(), static_cast<int>(Lines.size()));
    return FileName;
}

AnsiString GetTemporaryFolder()
{
    return IncludeTrailingPathDelimiter(rtl::TempDirectory());
}

AnsiString GetTempFile()
{
    return frxCreateTempFile(AnsiString());
}

AnsiString frxCreateTempFile(const AnsiString &TempDir)
{
    const AnsiString Name = rtl::CreateTempFile(TempDir, "fr");
    if (Name.IsEmpty()) throw EFCreateError("Cannot create a temporary file in " + TempDir);
    return Name;
}

AnsiString GetAppFileName()
{
    std::error_code Error;
    const std::filesystem::path Path = std::filesystem::read_symlink("/proc/self/exe", Error);
    return Error ? AnsiString() : rtl::FromSystemPath(Path.string());
}

AnsiString GetAppPath()
{
    return ExtractFilePath(GetAppFileName());
}
