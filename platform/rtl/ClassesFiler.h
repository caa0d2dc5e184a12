#pragma once

// The streaming part of the Classes unit: the class registry, and the filer,
// reader and writer with the class library's binary value encoding.

#include "platform/rtl/Classes.h"
#include "platform/rtl/TypInfo.h"

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <vector>

QRV4_DECLARE_EXCEPTION(EFilerError, EStreamError)
QRV4_DECLARE_EXCEPTION(EClassNotFound, EFilerError)
QRV4_DECLARE_EXCEPTION(EInvalidImage, EFilerError)

// ---- class registry ----

// Registering a class twice is harmless; another class under a taken name raises.
void RegisterClass(TPersistentClass AClass);
void RegisterClasses(std::initializer_list<TPersistentClass> AClasses);
void UnRegisterClass(TPersistentClass AClass);
TPersistentClass GetClass(const AnsiString &AClassName); // nullptr when unknown
TPersistentClass FindClass(const AnsiString &ClassName); // raises EClassNotFound
// Puts component classes on a page of the component palette; they are registered for
// streaming too. A class is on a page once.
void RegisterComponents(const AnsiString &Page,
                        std::initializer_list<TComponentClass> ComponentClasses);

namespace rtl
{
// The classes on a palette page (the name's case does not matter), in the order given.
std::vector<TComponentClass> PaletteClasses(const AnsiString &Page);
} // namespace rtl

// ---- value encoding ----

enum TValueType : std::uint8_t {
    vaNull,
    vaList,
    vaInt8,
    vaInt16,
    vaInt32,
    vaExtended,
    vaString,
    vaIdent,
    vaFalse,
    vaTrue,
    vaBinary,
    vaSet,
    vaLString,
    vaNil,
    vaCollection,
    vaSingle,
    vaCurrency,
    vaDate,
    vaWString,
    vaInt64,
    vaUTF8String,
};

using TReaderProc = std::function<void(TReader *Reader)>;
using TWriterProc = std::function<void(TWriter *Writer)>;
using TStreamProc = std::function<void(TStream *Stream)>;
using TFixupProc = std::function<void()>;

class TFiler : public TObject
{
    QRV4_CLASS(TFiler, TObject)

public:
    explicit TFiler(TStream *Stream) : FStream(Stream) {}

    TStream *Stream() const { return FStream; }
    TComponent *Root() const { return FRoot; }
    virtual void SetRoot(TComponent *Value) { FRoot = Value; }

    // A property the object streams itself. A writer writes it only when
    // HasData; a reader hands it over when the stream names it. A missing
    // reader or writer procedure makes it write-only or read-only.
    virtual void DefineProperty(const AnsiString &Name, TReaderProc ReadData, TWriterProc WriteData,
                                bool HasData) = 0;
    // The same for raw bytes, which travel as one binary value.
    virtual void DefineBinaryProperty(const AnsiString &Name, TStreamProc ReadData,
                                      TStreamProc WriteData, bool HasData) = 0;

protected:
    static void DefinePropertiesOf(TPersistent *Instance, TFiler *Filer)
    {
        Instance->DefineProperties(Filer);
    }

private:
    TStream *FStream;
    TComponent *FRoot = nullptr;
};

class TWriter : public TFiler
{
    QRV4_CLASS(TWriter, TFiler)

public:
    using TFiler::TFiler;

    void DefineProperty(const AnsiString &Name, TReaderProc ReadData, TWriterProc WriteData,
                        bool HasData) override;
    void DefineBinaryProperty(const AnsiString &Name, TStreamProc ReadData, TStreamProc WriteData,
                              bool HasData) override;

    void Write(const void *Buffer, int Count);
    void WriteValue(TValueType Value);
    void WriteListBegin() { WriteValue(vaList); }
    void WriteListEnd() { WriteValue(vaNull); }
    void WritePropName(const AnsiString &PropName);
    void WriteStr(const AnsiString &Value); // a length byte and at most 255 bytes
    void WriteInteger(long long Value);     // the narrowest integer value that holds it
    void WriteBoolean(bool Value);
    void WriteChar(char Value);
    void WriteFloat(double Value); // as the 10-byte extended value
    void WriteSingle(float Value);
    void WriteCurrency(Currency Value);
    void WriteDate(TDateTime Value);
    void WriteString(const AnsiString &Value); // short up to 255 bytes, else long
    void WriteLongString(const AnsiString &Value);
    void WriteWideString(const WideString &Value);
    void WriteIdent(const AnsiString &Ident); // False, True, nil and Null get their own codes
    void WriteVariant(const Variant &Value);
    void WriteCollection(TCollection *Value);
    void WriteSignature();

    // Published properties that are stored and not at their default, events
    // bound to the root's published methods by name, then the object's
    // defined properties.
    void WriteProperties(TPersistent *Instance);
    void WriteComponent(TComponent *Component);
    void WriteRootComponent(TComponent *Root);

private:
    void WriteProperty(TPersistent *Instance, PPropInfo PropInfo);
    void WriteObjectValue(TPersistent *Instance, PPropInfo PropInfo);
    void WriteMethodValue(TPersistent *Instance, PPropInfo PropInfo);
    AnsiString ReferenceName(TComponent *Component) const;

    AnsiString FPropPath;
};

// Called for a property the reader cannot apply; setting Handled skips it.
using TReaderError = std::function<void(TReader *Reader, const AnsiString &Message, bool &Handled)>;

class TReader : public TFiler
{
    QRV4_CLASS(TReader, TFiler)

public:
    using TFiler::TFiler;

    TReaderError OnError;

    void DefineProperty(const AnsiString &Name, TReaderProc ReadData, TWriterProc WriteData,
                        bool HasData) override;
    void DefineBinaryProperty(const AnsiString &Name, TStreamProc ReadData, TStreamProc WriteData,
                              bool HasData) override;
    TComponent *Owner() const { return FOwner; }
    void SetOwner(TComponent *Value) { FOwner = Value; }
    TComponent *Parent() const { return FParent; }
    void SetParent(TComponent *Value) { FParent = Value; }

    void Read(void *Buffer, int Count);
    TValueType ReadValue();
    TValueType NextValue();
    bool EndOfList() { return NextValue() == vaNull; }
    void ReadListBegin() { CheckValue(vaList); }
    void ReadListEnd() { CheckValue(vaNull); }
    void SkipValue();
    AnsiString ReadStr();
    int ReadInteger();
    long long ReadInt64();
    bool ReadBoolean();
    char ReadChar();
    char16_t ReadWideChar();
    double ReadFloat();
    float ReadSingle();
    Currency ReadCurrency();
    TDateTime ReadDate();
    // Any string value: short, long, wide or UTF-8.
    AnsiString ReadString();
    WideString ReadWideString();
    AnsiString ReadIdent();
    Variant ReadVariant();
    void ReadCollection(TCollection *Collection);
    void ReadSignature();

    void ReadProperty(TPersistent *Instance);
    void ReadProperties(TPersistent *Instance);
    // Reads one component into Component, or makes it (class by name, owned
    // by Owner) when Component is null.
    TComponent *ReadComponent(TComponent *Component);
    // Instance's properties, then the components under it.
    void ReadData(TComponent *Instance);
    // A null Root is made from the stream's class name, without owner.
    TComponent *ReadRootComponent(TComponent *Root);
    // The handler an event named MethodName in the stream gets: that method
    // of Root bound to Root, or empty when Root publishes none by that name.
    TMethod FindMethod(TComponent *Root, const AnsiString &MethodName) const;

    // Sets the component references read so far. A name is looked up in the
    // root ("Button1", or "Root.Button1"); one that names nothing stays nil.
    void FixupReferences();
    // A reference that whoever read it resolves in its own way, at the same time as
    // the others: once the whole root is read.
    void AddFixup(TFixupProc Resolve);

private:
    struct Fixup {
        TPersistent *Instance;
        PPropInfo PropInfo;
        AnsiString Name;
    };

    void CheckValue(TValueType Expected);
    [[noreturn]] void InvalidValue();
    void ReadPropValue(TPersistent *Instance, PPropInfo PropInfo);
    void ReadObjectValue(TPersistent *Instance, PPropInfo PropInfo);
    void ReadMethodValue(TPersistent *Instance, PPropInfo PropInfo);
    void ReadDefinedProperty(TPersistent *Instance, const AnsiString &Name);
    [[noreturn]] void PropertyNotFound(const AnsiString &Name);
    int ReadLength(int Unit);
    void SkipBytes(long long Count);
    void SkipCollection();
    int ReadSetValue(PTypeInfo SetType);
    TComponent *ReadComponentBody(TComponent *Component, bool IsRoot);
    TComponent *FindReference(const AnsiString &Name) const;

    TComponent *FOwner = nullptr;
    TComponent *FParent = nullptr;
    AnsiString FPropName; // the defined property the stream names, until handled
    std::vector<Fixup> FFixups;
    std::vector<TFixupProc> FOwnFixups;
    std::vector<TComponent *> FLoaded;
    int FDepth = 0;
};
