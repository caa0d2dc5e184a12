#include "platform/rtl/ClassesFiler.h"

#include "platform/rtl/RTLConsts.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <shared_mutex>

// ---- class registry ----

namespace
{

struct TClassRegistry {
    std::shared_mutex Lock;
    std::map<AnsiString, TClass> ByName;                        // keyed by the upper-cased name
    std::map<AnsiString, std::vector<TComponentClass>> Palette; // by upper-cased page
};

TClassRegistry &Classes()
{
    static TClassRegistry Registry;
    return Registry;
}

AnsiString Key(const AnsiString &Name)
{
    return UpperCase(Name);
}

} // namespace

void RegisterClass(TPersistentClass AClass)
{
    TClassRegistry &R = Classes();
    std::unique_lock Writing(R.Lock);
    auto [Where, Added] = R.ByName.try_emplace(Key(AClass->ClassName()), AClass);
    if (!Added && Where->second != AClass)
        throw EFilerError("A class named " + AClass->ClassName() + " already exists");
}

void RegisterClasses(std::initializer_list<TPersistentClass> AClasses)
{
    for (TPersistentClass AClass : AClasses)
        RegisterClass(AClass);
}

void RegisterComponents(const AnsiString &Page,
                        std::initializer_list<TComponentClass> ComponentClasses)
{
    for (TComponentClass AClass : ComponentClasses)
        RegisterClass(AClass);
    TClassRegistry &R = Classes();
    std::unique_lock Writing(R.Lock);
    std::vector<TComponentClass> &OnPage = R.Palette[Key(Page)];
    for (TComponentClass AClass : ComponentClasses)
        if (std::find(OnPage.begin(), OnPage.end(), AClass) == OnPage.end())
            OnPage.push_back(AClass);
}

std::vector<TComponentClass> rtl::PaletteClasses(const AnsiString &Page)
{
    TClassRegistry &R = Classes();
    std::shared_lock Reading(R.Lock);
    const auto Found = R.Palette.find(Key(Page));
    return Found == R.Palette.end() ? std::vector<TComponentClass>() : Found->second;
}

void UnRegisterClass(TPersistentClass AClass)
{
    TClassRegistry &R = Classes();
    std::unique_lock Writing(R.Lock);
    auto Found = R.ByName.find(Key(AClass->ClassName()));
    if (Found != R.ByName.end() && Found->second == AClass) R.ByName.erase(Found);
}

TPersistentClass GetClass(const AnsiString &AClassName)
{
    TClassRegistry &R = Classes();
    std::shared_lock Reading(R.Lock);
    auto Found = R.ByName.find(Key(AClassName));
    return Found == R.ByName.end() ? nullptr : Found->second;
}

TPersistentClass FindClass(const AnsiString &ClassName)
{
    TPersistentClass Result = GetClass(ClassName);
    if (!Result) throw EClassNotFound("Class " + ClassName + " not found");
    return Result;
}

// ---- encoding helpers ----

namespace
{

constexpr int MaxNesting = 256;
const char Signature[4] = {'T', 'P', 'F', '0'};

template <class T> void PutLittle(TWriter *Writer, T Value)
{
    std::uint8_t Bytes[sizeof(T)];
    auto Bits = static_cast<std::make_unsigned_t<T>>(Value);
    for (std::size_t Index = 0; Index < sizeof(T); ++Index)
        Bytes[Index] = static_cast<std::uint8_t>(Bits >> (8 * Index));
    Writer->Write(Bytes, sizeof(T));
}

template <class T> T GetLittle(TReader *Reader)
{
    std::uint8_t Bytes[sizeof(T)];
    Reader->Read(Bytes, sizeof(T));
    std::make_unsigned_t<T> Bits = 0;
    for (std::size_t Index = 0; Index < sizeof(T); ++Index)
        Bits |= static_cast<std::make_unsigned_t<T>>(Bytes[Index]) << (8 * Index);
    return static_cast<T>(Bits);
}

// The 80-bit extended format, built by hand so the stream bytes do not
// depend on what long double is on this machine.
void DoubleToExtended(double Value, std::uint8_t Out[10])
{
    std::uint64_t Bits;
    std::memcpy(&Bits, &Value, sizeof Bits);
    unsigned Sign = static_cast<unsigned>(Bits >> 63);
    int Exponent = static_cast<int>((Bits >> 52) & 0x7FF);
    std::uint64_t Fraction = Bits & ((1ULL << 52) - 1);
    std::uint64_t Mantissa = 0;
    int Biased = 0;
    if (Exponent == 0x7FF) {
        Biased = 0x7FFF;
        Mantissa = (1ULL << 63) | (Fraction << 11);
    } else if (Exponent != 0) {
        Biased = Exponent - 1023 + 16383;
        Mantissa = (1ULL << 63) | (Fraction << 11);
    } else if (Fraction != 0) {
        int Top = 63 - __builtin_clzll(Fraction);
        Mantissa = Fraction << (63 - Top);
        Biased = Top - 1074 + 16383;
    }
    for (int Index = 0; Index < 8; ++Index)
        Out[Index] = static_cast<std::uint8_t>(Mantissa >> (8 * Index));
    unsigned Top = (Sign << 15) | static_cast<unsigned>(Biased);
    Out[8] = static_cast<std::uint8_t>(Top);
    Out[9] = static_cast<std::uint8_t>(Top >> 8);
}

double ExtendedToDouble(const std::uint8_t In[10])
{
    std::uint64_t Mantissa = 0;
    for (int Index = 0; Index < 8; ++Index)
        Mantissa |= static_cast<std::uint64_t>(In[Index]) << (8 * Index);
    unsigned Top = In[8] | (In[9] << 8);
    bool Negative = Top & 0x8000;
    int Biased = static_cast<int>(Top & 0x7FFF);
    double Result;
    if (Biased == 0x7FFF)
        Result = (Mantissa << 1) ? NAN : INFINITY;
    else
        Result = std::ldexp(static_cast<double>(Mantissa), Biased - 16383 - 63);
    return Negative ? -Result : Result;
}

bool IsIntegerValue(TValueType Value)
{
    return Value == vaInt8 || Value == vaInt16 || Value == vaInt32 || Value == vaInt64;
}

bool IsDateType(PTypeInfo Type)
{
    return Type == rtl::TDateTimeInfo() || Type == rtl::TDateInfo() || Type == rtl::TTimeInfo();
}

bool IsA(TObject *Obj, TClass Class)
{
    return Obj && Obj->InheritsFrom(Class);
}

// Events travel with the properties, as the names of the root's methods.
constexpr TTypeKinds StreamedKinds = tkProperties + tkMethods;

} // namespace

// ---- TWriter ----

void TWriter::DefineProperty(const AnsiString &Name, TReaderProc, TWriterProc WriteData,
                             bool HasData)
{
    if (!HasData || !WriteData) return;
    WritePropName(Name);
    WriteData(this);
}

void TWriter::DefineBinaryProperty(const AnsiString &Name, TStreamProc, TStreamProc WriteData,
                                   bool HasData)
{
    if (!HasData || !WriteData) return;
    TMemoryStream Data;
    WriteData(&Data);
    WritePropName(Name);
    WriteValue(vaBinary);
    PutLittle<std::int32_t>(this, static_cast<std::int32_t>(Data.Size()));
    Write(Data.Memory(), static_cast<int>(Data.Size()));
}

void TWriter::Write(const void *Buffer, int Count)
{
    Stream()->WriteBuffer(Buffer, Count);
}

void TWriter::WriteValue(TValueType Value)
{
    std::uint8_t Byte = Value;
    Write(&Byte, 1);
}

void TWriter::WritePropName(const AnsiString &PropName)
{
    WriteStr(FPropPath + PropName);
}

void TWriter::WriteStr(const AnsiString &Value)
{
    // A short string cannot hold more; cutting it would change the name.
    if (Value.Length() > 255) throw EFilerError("Name too long: " + Value.SubString(1, 64));
    std::uint8_t Length = static_cast<std::uint8_t>(Value.Length());
    Write(&Length, 1);
    Write(Value.Data(), Value.Length());
}

void TWriter::WriteInteger(long long Value)
{
    if (Value >= INT8_MIN && Value <= INT8_MAX) {
        WriteValue(vaInt8);
        PutLittle<std::int8_t>(this, static_cast<std::int8_t>(Value));
    } else if (Value >= INT16_MIN && Value <= INT16_MAX) {
        WriteValue(vaInt16);
        PutLittle<std::int16_t>(this, static_cast<std::int16_t>(Value));
    } else if (Value >= INT32_MIN && Value <= INT32_MAX) {
        WriteValue(vaInt32);
        PutLittle<std::int32_t>(this, static_cast<std::int32_t>(Value));
    } else {
        WriteValue(vaInt64);
        PutLittle<std::int64_t>(this, Value);
    }
}

void TWriter::WriteBoolean(bool Value)
{
    WriteValue(Value ? vaTrue : vaFalse);
}

void TWriter::WriteChar(char Value)
{
    WriteString(AnsiString(Value));
}

void TWriter::WriteFloat(double Value)
{
    std::uint8_t Bytes[10];
    DoubleToExtended(Value, Bytes);
    WriteValue(vaExtended);
    Write(Bytes, 10);
}

void TWriter::WriteSingle(float Value)
{
    std::uint32_t Bits;
    std::memcpy(&Bits, &Value, sizeof Bits);
    WriteValue(vaSingle);
    PutLittle<std::uint32_t>(this, Bits);
}

void TWriter::WriteCurrency(Currency Value)
{
    WriteValue(vaCurrency);
    PutLittle<std::int64_t>(this, Value.Scaled());
}

void TWriter::WriteDate(TDateTime Value)
{
    std::uint64_t Bits;
    std::memcpy(&Bits, &Value, sizeof Bits);
    WriteValue(vaDate);
    PutLittle<std::uint64_t>(this, Bits);
}

void TWriter::WriteString(const AnsiString &Value)
{
    if (Value.Length() > 255) return WriteLongString(Value);
    WriteValue(vaString);
    WriteStr(Value);
}

void TWriter::WriteLongString(const AnsiString &Value)
{
    WriteValue(vaLString);
    PutLittle<std::int32_t>(this, Value.Length());
    Write(Value.Data(), Value.Length());
}

void TWriter::WriteWideString(const WideString &Value)
{
    WriteValue(vaWString);
    PutLittle<std::int32_t>(this, Value.Length());
    for (char16_t Ch : Value.View())
        PutLittle<std::uint16_t>(this, Ch);
}

void TWriter::WriteIdent(const AnsiString &Ident)
{
    if (SameText(Ident, "False"))
        WriteValue(vaFalse);
    else if (SameText(Ident, "True"))
        WriteValue(vaTrue);
    else if (SameText(Ident, "Null"))
        WriteValue(vaNull);
    else if (SameText(Ident, "nil"))
        WriteValue(vaNil);
    else {
        WriteValue(vaIdent);
        WriteStr(Ident);
    }
}

void TWriter::WriteVariant(const Variant &Value)
{
    switch (VarType(Value)) {
    case varEmpty:
        return WriteValue(vaNil);
    case varNull:
        return WriteValue(vaNull);
    case varSingle:
        return WriteSingle(static_cast<float>(Value.RawDouble()));
    case varDouble:
        return WriteFloat(Value.RawDouble());
    case varCurrency:
        return WriteCurrency(Value.AsCurrency());
    case varDate:
        return WriteDate(Value.RawDouble());
    case varBoolean:
        return WriteBoolean(Value.RawBoolean());
    case varString:
        return WriteString(Value.AsString());
    case varOleStr:
        return WriteWideString(Value.RawWideString());
    default:
        if (VarIsOrdinal(Value)) return WriteInteger(Value.RawInteger());
        throw EWriteError("Invalid variant type for a stream: " + VarTypeAsText(VarType(Value)));
    }
}

void TWriter::WriteCollection(TCollection *Value)
{
    AnsiString SavedPath = FPropPath;
    FPropPath = AnsiString();
    WriteValue(vaCollection);
    for (int Index = 0; Value && Index < Value->Count(); ++Index) {
        WriteListBegin();
        WriteProperties(Value->Items(Index));
        WriteListEnd();
    }
    WriteListEnd();
    FPropPath = SavedPath;
}

void TWriter::WriteSignature()
{
    Write(Signature, sizeof Signature);
}

void TWriter::WriteProperties(TPersistent *Instance)
{
    for (PPropInfo PropInfo : GetPropList(Instance, StreamedKinds)) {
        bool Settable = PropInfo->Writable() || PropInfo->PropType->Kind == tkClass;
        if (Settable && IsStoredProp(Instance, PropInfo) &&
            !IsDefaultPropertyValue(Instance, PropInfo))
            WriteProperty(Instance, PropInfo);
    }
    DefinePropertiesOf(Instance, this);
}

void TWriter::WriteProperty(TPersistent *Instance, PPropInfo PropInfo)
{
    PTypeInfo Type = PropInfo->PropType;
    if (Type->Kind == tkClass) return WriteObjectValue(Instance, PropInfo);
    if (Type->Kind == tkMethod) return WriteMethodValue(Instance, PropInfo);
    WritePropName(PropInfo->Name);
    switch (Type->Kind) {
    case tkChar:
        return WriteChar(static_cast<char>(GetOrdProp(Instance, PropInfo)));
    case tkWChar:
        return WriteWideString(WideString(static_cast<char16_t>(GetOrdProp(Instance, PropInfo))));
    case tkEnumeration:
        return WriteIdent(GetEnumProp(Instance, PropInfo));
    case tkSet: {
        WriteValue(vaSet);
        auto Bits = static_cast<std::uint32_t>(GetOrdProp(Instance, PropInfo));
        for (int Bit = 0; Bit < 32; ++Bit)
            if (Bits & (1u << Bit)) WriteStr(GetEnumName(Type->CompType, Bit));
        return WriteStr(AnsiString());
    }
    case tkFloat: {
        double Value = GetFloatProp(Instance, PropInfo);
        if (IsDateType(Type)) return WriteDate(Value);
        if (Type->FloatType == ftSingle) return WriteSingle(static_cast<float>(Value));
        if (Type->FloatType == ftCurr) return WriteCurrency(Currency(Value));
        return WriteFloat(Value);
    }
    case tkString:
    case tkLString:
        return WriteString(GetStrProp(Instance, PropInfo));
    case tkWString:
        return WriteWideString(GetWideStrProp(Instance, PropInfo));
    case tkVariant:
        return WriteVariant(GetVariantProp(Instance, PropInfo));
    default:
        return WriteInteger(GetOrdProp(Instance, PropInfo));
    }
}

void TWriter::WriteObjectValue(TPersistent *Instance, PPropInfo PropInfo)
{
    TObject *Value = GetObjectProp(Instance, PropInfo);
    if (IsA(Value, TComponent::StaticClass())) {
        AnsiString Name = ReferenceName(static_cast<TComponent *>(Value));
        if (Name.IsEmpty()) return;
        WritePropName(PropInfo->Name);
        return WriteIdent(Name);
    }
    if (IsA(Value, TCollection::StaticClass())) {
        WritePropName(PropInfo->Name);
        return WriteCollection(static_cast<TCollection *>(Value));
    }
    if (!IsA(Value, TPersistent::StaticClass())) return;
    AnsiString SavedPath = FPropPath;
    FPropPath += PropInfo->Name + ".";
    WriteProperties(static_cast<TPersistent *>(Value));
    FPropPath = SavedPath;
}

// Only a method of the root can be found again when the stream is read, so a
// handler made any other way is left out.
void TWriter::WriteMethodValue(TPersistent *Instance, PPropInfo PropInfo)
{
    const rtl::MethodBinding Binding = GetMethodBinding(Instance, PropInfo);
    if (Binding.Name.IsEmpty() || !Root() || Binding.Data != Root()) return;
    WritePropName(PropInfo->Name);
    WriteIdent(Binding.Name);
}

AnsiString TWriter::ReferenceName(TComponent *Component) const
{
    if (Component == Root()) return "Owner";
    if (Component->Owner() == Root()) return Component->Name();
    if (Component->Owner() && !Component->Owner()->Name().IsEmpty() && !Component->Name().IsEmpty())
        return Component->Owner()->Name() + "." + Component->Name();
    return Component->Name();
}

void TWriter::WriteComponent(TComponent *Component)
{
    Component->SetComponentStateFlag(csWriting, true);
    try {
        WriteStr(Component->ClassName());
        WriteStr(Component->Name());
        WriteProperties(Component);
        WriteListEnd();
        Component->GetChildren([this](TComponent *Child) { WriteComponent(Child); }, Root());
        WriteListEnd();
    } catch (...) {
        Component->SetComponentStateFlag(csWriting, false);
        throw;
    }
    Component->SetComponentStateFlag(csWriting, false);
}

void TWriter::WriteRootComponent(TComponent *Root)
{
    SetRoot(Root);
    WriteSignature();
    WriteComponent(Root);
}

// ---- string lists in streams ----

void TStrings::DefineProperties(TFiler *Filer)
{
    Filer->DefineProperty(
        "Strings",
        [this](TReader *Reader) {
            BeginUpdate();
            try {
                Clear();
                Reader->ReadListBegin();
                while (!Reader->EndOfList())
                    Add(Reader->ReadString());
                Reader->ReadListEnd();
            } catch (...) {
                EndUpdate();
                throw;
            }
            EndUpdate();
        },
        [this](TWriter *Writer) {
            Writer->WriteListBegin();
            for (int Index = 0; Index < Count(); ++Index)
                Writer->WriteString(Strings(Index));
            Writer->WriteListEnd();
        },
        Count() > 0);
}

// ---- TReader: values ----

void TReader::DefineProperty(const AnsiString &Name, TReaderProc ReadData, TWriterProc, bool)
{
    if (FPropName.IsEmpty() || !ReadData || !SameText(Name, FPropName)) return;
    FPropName = AnsiString();
    ReadData(this);
}

void TReader::DefineBinaryProperty(const AnsiString &Name, TStreamProc ReadData, TStreamProc, bool)
{
    if (FPropName.IsEmpty() || !ReadData || !SameText(Name, FPropName)) return;
    FPropName = AnsiString();
    CheckValue(vaBinary);
    int Count = ReadLength(1);
    TMemoryStream Data;
    Data.SetSize(Count);
    Read(Data.Memory(), Count);
    Data.SetPosition(0);
    ReadData(&Data);
}

void TReader::Read(void *Buffer, int Count)
{
    Stream()->ReadBuffer(Buffer, Count);
}

TValueType TReader::ReadValue()
{
    std::uint8_t Byte;
    Read(&Byte, 1);
    if (Byte > vaUTF8String) InvalidValue();
    return static_cast<TValueType>(Byte);
}

TValueType TReader::NextValue()
{
    // Not checked: in a property list the byte may be the length of the next name, and
    // names of more than 20 characters ("Colors.tcDockBorderIn") are no value type.
    std::uint8_t Byte;
    Read(&Byte, 1);
    Stream()->Seek(-1, soCurrent);
    return static_cast<TValueType>(Byte);
}

void TReader::CheckValue(TValueType Expected)
{
    if (ReadValue() != Expected) InvalidValue();
}

void TReader::InvalidValue()
{
    throw EReadError(SInvalidPropertyValue);
}

// A length field checked against what the stream still holds, so damaged
// data raises instead of asking for gigabytes.
int TReader::ReadLength(int Unit)
{
    std::int32_t Count = GetLittle<std::int32_t>(this);
    long long Left = Stream()->Size() - Stream()->Position();
    if (Count < 0 || static_cast<long long>(Count) * Unit > Left)
        throw EReadError("Stream read error");
    return Count;
}

void TReader::SkipBytes(long long Count)
{
    if (Count > Stream()->Size() - Stream()->Position()) throw EReadError("Stream read error");
    Stream()->Seek(Count, soCurrent);
}

void TReader::SkipCollection()
{
    while (!EndOfList()) {
        if (IsIntegerValue(NextValue())) SkipValue();
        ReadListBegin();
        while (!EndOfList()) {
            ReadStr();
            SkipValue();
        }
        ReadListEnd();
    }
    ReadListEnd();
}

void TReader::SkipValue()
{
    if (++FDepth > MaxNesting) {
        FDepth = 0;
        throw EReadError("Invalid stream format");
    }
    switch (ReadValue()) {
    case vaList:
        while (!EndOfList())
            SkipValue();
        ReadListEnd();
        break;
    case vaInt8:
        SkipBytes(1);
        break;
    case vaInt16:
        SkipBytes(2);
        break;
    case vaInt32:
    case vaSingle:
        SkipBytes(4);
        break;
    case vaInt64:
    case vaCurrency:
    case vaDate:
        SkipBytes(8);
        break;
    case vaExtended:
        SkipBytes(10);
        break;
    case vaString:
    case vaIdent:
        ReadStr();
        break;
    case vaBinary:
    case vaLString:
    case vaUTF8String:
        SkipBytes(ReadLength(1));
        break;
    case vaWString:
        SkipBytes(2LL * ReadLength(2));
        break;
    case vaSet:
        while (!ReadStr().IsEmpty()) {
        }
        break;
    case vaCollection:
        SkipCollection();
        break;
    default:
        break;
    }
    --FDepth;
}

AnsiString TReader::ReadStr()
{
    std::uint8_t Length;
    Read(&Length, 1);
    AnsiString Result;
    Result.SetLength(Length);
    if (Length) Read(&Result[1], Length);
    return Result;
}

long long TReader::ReadInt64()
{
    switch (ReadValue()) {
    case vaInt8:
        return GetLittle<std::int8_t>(this);
    case vaInt16:
        return GetLittle<std::int16_t>(this);
    case vaInt32:
        return GetLittle<std::int32_t>(this);
    case vaInt64:
        return GetLittle<std::int64_t>(this);
    default:
        InvalidValue();
    }
}

int TReader::ReadInteger()
{
    if (NextValue() == vaInt64) InvalidValue();
    return static_cast<int>(ReadInt64());
}

bool TReader::ReadBoolean()
{
    TValueType Value = ReadValue();
    if (Value != vaTrue && Value != vaFalse) InvalidValue();
    return Value == vaTrue;
}

char TReader::ReadChar()
{
    AnsiString Text = ReadString();
    if (Text.Length() != 1) InvalidValue();
    return Text[1];
}

char16_t TReader::ReadWideChar()
{
    WideString Text = ReadWideString();
    if (Text.Length() != 1) InvalidValue();
    return Text[1];
}

double TReader::ReadFloat()
{
    TValueType Value = NextValue();
    if (IsIntegerValue(Value)) return static_cast<double>(ReadInt64());
    ReadValue();
    switch (Value) {
    case vaExtended: {
        std::uint8_t Bytes[10];
        Read(Bytes, 10);
        return ExtendedToDouble(Bytes);
    }
    case vaSingle: {
        std::uint32_t Bits = GetLittle<std::uint32_t>(this);
        float Result;
        std::memcpy(&Result, &Bits, sizeof Result);
        return Result;
    }
    case vaCurrency:
        return static_cast<double>(GetLittle<std::int64_t>(this)) / Currency::Scale;
    case vaDate: {
        std::uint64_t Bits = GetLittle<std::uint64_t>(this);
        double Result;
        std::memcpy(&Result, &Bits, sizeof Result);
        return Result;
    }
    default:
        InvalidValue();
    }
}

float TReader::ReadSingle()
{
    return static_cast<float>(ReadFloat());
}

Currency TReader::ReadCurrency()
{
    if (NextValue() != vaCurrency) return Currency(ReadFloat());
    ReadValue();
    return Currency::FromScaled(GetLittle<std::int64_t>(this));
}

TDateTime TReader::ReadDate()
{
    return ReadFloat();
}

WideString TReader::ReadWideString()
{
    TValueType Value = NextValue();
    if (Value != vaWString && Value != vaUTF8String) return WideString(ReadString());
    ReadValue();
    if (Value == vaUTF8String) {
        int Count = ReadLength(1);
        std::string Bytes(static_cast<std::size_t>(Count), '\0');
        if (Count) Read(Bytes.data(), Count);
        return WideString::FromUtf8(Bytes);
    }
    int Count = ReadLength(2);
    std::u16string Text;
    Text.reserve(static_cast<std::size_t>(Count));
    for (int Index = 0; Index < Count; ++Index)
        Text += GetLittle<std::uint16_t>(this);
    return WideString(std::move(Text));
}

AnsiString TReader::ReadString()
{
    switch (NextValue()) {
    case vaString:
        ReadValue();
        return ReadStr();
    case vaLString: {
        ReadValue();
        int Count = ReadLength(1);
        AnsiString Result;
        Result.SetLength(Count);
        if (Count) Read(&Result[1], Count);
        return Result;
    }
    case vaWString:
    case vaUTF8String:
        return AnsiString(ReadWideString());
    default:
        InvalidValue();
    }
}

AnsiString TReader::ReadIdent()
{
    switch (ReadValue()) {
    case vaIdent:
        return ReadStr();
    case vaFalse:
        return "False";
    case vaTrue:
        return "True";
    case vaNil:
        return "nil";
    case vaNull:
        return "Null";
    default:
        InvalidValue();
    }
}

Variant TReader::ReadVariant()
{
    TValueType Value = NextValue();
    switch (Value) {
    case vaNil:
        ReadValue();
        return Variant();
    case vaNull:
        ReadValue();
        return Null();
    case vaInt8:
    case vaInt16:
    case vaInt32:
        return Variant(ReadInteger());
    case vaInt64:
        return Variant(ReadInt64());
    case vaExtended:
        return Variant(ReadFloat());
    case vaSingle:
        return Variant(ReadSingle());
    case vaCurrency:
        return Variant(ReadCurrency());
    case vaDate:
        return Variant::FromDateTime(ReadDate());
    case vaFalse:
    case vaTrue:
        return Variant(ReadBoolean());
    case vaString:
    case vaLString:
        return Variant(ReadString());
    case vaWString:
    case vaUTF8String:
        return Variant(ReadWideString());
    default:
        InvalidValue();
    }
}

void TReader::ReadCollection(TCollection *Collection)
{
    Collection->BeginUpdate();
    try {
        Collection->Clear();
        while (!EndOfList()) {
            if (IsIntegerValue(NextValue())) ReadInteger();
            TCollectionItem *Item = Collection->Add();
            ReadListBegin();
            while (!EndOfList())
                ReadProperty(Item);
            ReadListEnd();
        }
        ReadListEnd();
    } catch (...) {
        Collection->EndUpdate();
        throw;
    }
    Collection->EndUpdate();
}

void TReader::ReadSignature()
{
    char Bytes[4];
    Read(Bytes, 4);
    if (std::memcmp(Bytes, Signature, 4) != 0) throw EInvalidImage("Invalid stream format");
}

// ---- TReader: properties and components ----

void TReader::PropertyNotFound(const AnsiString &Name)
{
    SkipValue();
    throw EReadError("Property " + Name + " does not exist");
}

void TReader::ReadProperty(TPersistent *Instance)
{
    AnsiString Path = ReadStr();
    try {
        TPersistent *Target = Instance;
        AnsiString Name = Path;
        for (int Dot = Name.Pos("."); Dot > 0; Dot = Name.Pos(".")) {
            PPropInfo Inner = GetPropInfo(Target, Name.SubString(1, Dot - 1), TTypeKinds{tkClass});
            TObject *Object = Inner ? GetObjectProp(Target, Inner) : nullptr;
            if (!IsA(Object, TPersistent::StaticClass())) PropertyNotFound(Path);
            Target = static_cast<TPersistent *>(Object);
            Name = Name.SubString(Dot + 1, Name.Length());
        }
        PPropInfo PropInfo = GetPropInfo(Target, Name, StreamedKinds);
        if (PropInfo)
            ReadPropValue(Target, PropInfo);
        else
            ReadDefinedProperty(Target, Name);
    } catch (const Exception &Error) {
        bool Handled = false;
        if (OnError) OnError(this, Error.Message(), Handled);
        if (!Handled) throw;
    }
}

void TReader::ReadDefinedProperty(TPersistent *Instance, const AnsiString &Name)
{
    FPropName = Name;
    try {
        DefinePropertiesOf(Instance, this);
    } catch (...) {
        FPropName = AnsiString();
        throw;
    }
    if (FPropName.IsEmpty()) return;
    FPropName = AnsiString();
    PropertyNotFound(Name);
}

int TReader::ReadSetValue(PTypeInfo SetType)
{
    CheckValue(vaSet);
    unsigned Result = 0;
    for (AnsiString Name = ReadStr(); !Name.IsEmpty(); Name = ReadStr()) {
        int Bit = GetEnumValue(SetType->CompType, Name);
        if (Bit < 0 || Bit >= 32) InvalidValue();
        Result |= 1u << Bit;
    }
    return static_cast<int>(Result);
}

void TReader::ReadPropValue(TPersistent *Instance, PPropInfo PropInfo)
{
    PTypeInfo Type = PropInfo->PropType;
    switch (Type->Kind) {
    case tkClass:
        return ReadObjectValue(Instance, PropInfo);
    case tkMethod:
        return ReadMethodValue(Instance, PropInfo);
    case tkChar:
        return SetOrdProp(Instance, PropInfo, static_cast<unsigned char>(ReadChar()));
    case tkWChar:
        return SetOrdProp(Instance, PropInfo, ReadWideChar());
    case tkEnumeration: {
        int Value = GetEnumValue(Type, ReadIdent());
        if (Value < 0) InvalidValue();
        return SetOrdProp(Instance, PropInfo, Value);
    }
    case tkSet:
        return SetOrdProp(Instance, PropInfo, ReadSetValue(Type));
    case tkFloat:
        return SetFloatProp(Instance, PropInfo, ReadFloat());
    case tkString:
    case tkLString:
        return SetStrProp(Instance, PropInfo, ReadString());
    case tkWString:
        return SetWideStrProp(Instance, PropInfo, ReadWideString());
    case tkVariant:
        return SetVariantProp(Instance, PropInfo, ReadVariant());
    default:
        return SetOrdProp(Instance, PropInfo, ReadInt64());
    }
}

void TReader::ReadObjectValue(TPersistent *Instance, PPropInfo PropInfo)
{
    switch (NextValue()) {
    case vaIdent:
        ReadValue();
        FFixups.push_back({Instance, PropInfo, ReadStr()});
        return;
    case vaNil:
        ReadValue();
        return SetObjectProp(Instance, PropInfo, nullptr);
    case vaCollection: {
        TObject *Value = GetObjectProp(Instance, PropInfo);
        if (!IsA(Value, TCollection::StaticClass())) InvalidValue();
        ReadValue();
        return ReadCollection(static_cast<TCollection *>(Value));
    }
    default:
        InvalidValue();
    }
}

void TReader::ReadMethodValue(TPersistent *Instance, PPropInfo PropInfo)
{
    if (NextValue() == vaNil) {
        ReadValue();
        return SetMethodProp(Instance, PropInfo, TMethod());
    }
    const AnsiString Name = ReadIdent();
    TMethod Handler = FindMethod(Root(), Name);
    if (!Handler.has_value()) throw EReadError("Method " + Name + " not found");
    try {
        SetMethodProp(Instance, PropInfo, Handler);
    } catch (const EPropertyConvertError &) {
        InvalidValue(); // a method whose parameters do not fit the event
    }
}

TMethod TReader::FindMethod(TComponent *Root, const AnsiString &MethodName) const
{
    return Root ? BindPublishedMethod(Root, MethodName) : TMethod();
}

void TReader::ReadProperties(TPersistent *Instance)
{
    while (!EndOfList())
        ReadProperty(Instance);
    ReadListEnd();
}

TComponent *TReader::ReadComponentBody(TComponent *Component, bool IsRoot)
{
    if (++FDepth > MaxNesting) {
        FDepth = 0;
        throw EReadError("Invalid stream format");
    }
    AnsiString ClassName = ReadStr();
    AnsiString Name = ReadStr();
    bool Made = Component == nullptr;
    if (Made) Component = FindClass(ClassName)->Create(FOwner);
    try {
        Component->SetComponentStateFlag(csLoading, true);
        Component->SetComponentStateFlag(csReading, true);
        // A root keeps the name its owner gave it.
        if (!(IsRoot && !Component->Name().IsEmpty()) && Component->Name() != Name)
            Component->SetName(Name);
        if (FParent && Component->HasParent()) Component->SetParentComponent(FParent);
        Component->ReadState(this);
        Component->SetComponentStateFlag(csReading, false);
    } catch (...) {
        if (Made) delete Component;
        throw;
    }
    FLoaded.push_back(Component);
    --FDepth;
    return Component;
}

TComponent *TReader::ReadComponent(TComponent *Component)
{
    return ReadComponentBody(Component, false);
}

void TReader::ReadData(TComponent *Instance)
{
    ReadProperties(Instance);
    TComponent *SavedParent = FParent;
    FParent = Instance;
    while (!EndOfList())
        ReadComponentBody(nullptr, false);
    ReadListEnd();
    FParent = SavedParent;
}

void TComponent::ReadState(TReader *Reader)
{
    Reader->ReadData(this);
}

TComponent *TReader::ReadRootComponent(TComponent *Root)
{
    ReadSignature();
    bool Made = Root == nullptr;
    if (Made) {
        std::int64_t Start = Stream()->Position();
        Root = FindClass(ReadStr())->Create(static_cast<TComponent *>(nullptr));
        Stream()->SetPosition(Start);
    }
    SetRoot(Root);
    FOwner = Root;
    FParent = nullptr;
    try {
        ReadComponentBody(Root, true);
        FixupReferences();
    } catch (...) {
        FFixups.clear();
        FOwnFixups.clear();
        FLoaded.clear();
        if (Made) delete Root;
        throw;
    }
    std::vector<TComponent *> Loaded = std::move(FLoaded);
    FLoaded.clear();
    for (TComponent *Component : Loaded)
        Component->SetComponentStateFlag(csLoading, false);
    for (TComponent *Component : Loaded)
        Component->Loaded();
    return Root;
}

TComponent *TReader::FindReference(const AnsiString &Name) const
{
    TComponent *Base = Root() ? Root() : FOwner;
    if (!Base) return nullptr;
    if (SameText(Name, "Owner") || SameText(Name, Base->Name())) return Base;
    int Dot = Name.Pos(".");
    if (Dot == 0) return Base->FindComponent(Name);
    AnsiString First = Name.SubString(1, Dot - 1);
    AnsiString Rest = Name.SubString(Dot + 1, Name.Length());
    TComponent *Scope = SameText(First, Base->Name()) ? Base : Base->FindComponent(First);
    return Scope ? Scope->FindComponent(Rest) : nullptr;
}

void TReader::FixupReferences()
{
    std::vector<Fixup> Pending = std::move(FFixups);
    FFixups.clear();
    for (const Fixup &Item : Pending)
        if (TComponent *Target = FindReference(Item.Name))
            SetObjectProp(Item.Instance, Item.PropInfo, Target);
    std::vector<TFixupProc> Own = std::move(FOwnFixups);
    FOwnFixups.clear();
    for (const TFixupProc &Resolve : Own)
        Resolve();
}

void TReader::AddFixup(TFixupProc Resolve)
{
    FOwnFixups.push_back(std::move(Resolve));
}
