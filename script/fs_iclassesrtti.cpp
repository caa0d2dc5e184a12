#include "script/fs_iclassesrtti.h"

#include "platform/rtl/ClassesStreams.h"
#include "script/fs_isysrtti.h"
#include "script/fs_xml.h"

#include <algorithm>
#include <string>

using namespace fs;

namespace
{

Variant Index(std::int64_t Value)
{
    return Variant(static_cast<long long>(Value));
}

// ---- objects, persistents, components

void RegisterObjects(TfsScript *Script)
{
    TfsClassVariable *Object = Script->AddClass(TObject::StaticClass(), "");
    AddMembers(Object,
               {{"constructor Create",
                 [](TObject *, TfsMethodHelper &C) { return ToVar(CreatedClass(C)->Create()); }},
                {"procedure Free",
                 [](TObject *Instance, TfsMethodHelper &) {
                     delete Instance;
                     return Done();
                 }},
                {"function ClassName: String", [](TObject *Instance, TfsMethodHelper &) {
                     return Variant(Instance->ClassName());
                 }}});
    // A script frees in its finally blocks what it may never have made.
    static_cast<TfsMethodHelper *>(Object->Find("Free"))->NilAllowed = true;
    AddMembers(
        Script->AddClass(TPersistent::StaticClass(), "TObject"),
        {{"procedure Assign(Source: TPersistent)", [](TObject *Instance, TfsMethodHelper &C) {
              Self<TPersistent>(Instance)->Assign(Obj<TPersistent>(C, 0));
              return Done();
          }}});
}

void RegisterCollections(TfsScript *Script)
{
    Script->AddClass(TCollectionItem::StaticClass(), "TPersistent");
    TfsClassVariable *Collection = Script->AddClass(TCollection::StaticClass(), "TPersistent");
    AddMembers(Collection, {{"procedure Clear", [](TObject *Instance, TfsMethodHelper &) {
                                 Self<TCollection>(Instance)->Clear();
                                 return Done();
                             }}});
    AddProperty(Collection, "Count", "Integer",
                [](TObject *Instance) { return Variant(Self<TCollection>(Instance)->Count()); });
    AddIndexProperty(
        Collection, TIndexKind::Default, "Items", "Integer", "TCollectionItem",
        [](TObject *Instance, TfsMethodHelper &C, bool) {
            return ToVar(Self<TCollection>(Instance)->Items(Int(C, 0)));
        },
        true);
}

void RegisterList(TfsScript *Script)
{
    TfsClassVariable *List = Script->AddClass(TList::StaticClass(), "TObject");
    AddMembers(List, {{"function Add(Item: TObject): Integer",
                       [](TObject *Instance, TfsMethodHelper &C) {
                           return Variant(Self<TList>(Instance)->Add(Obj<TObject>(C, 0)));
                       }},
                      {"procedure Clear",
                       [](TObject *Instance, TfsMethodHelper &) {
                           Self<TList>(Instance)->Clear();
                           return Done();
                       }},
                      {"procedure Delete(Index: Integer)",
                       [](TObject *Instance, TfsMethodHelper &C) {
                           Self<TList>(Instance)->Delete(Int(C, 0));
                           return Done();
                       }},
                      {"function IndexOf(Item: TObject): Integer",
                       [](TObject *Instance, TfsMethodHelper &C) {
                           return Variant(Self<TList>(Instance)->IndexOf(Obj<TObject>(C, 0)));
                       }},
                      {"procedure Insert(Index: Integer; Item: TObject)",
                       [](TObject *Instance, TfsMethodHelper &C) {
                           Self<TList>(Instance)->Insert(Int(C, 0), Obj<TObject>(C, 1));
                           return Done();
                       }},
                      {"function Remove(Item: TObject): Integer",
                       [](TObject *Instance, TfsMethodHelper &C) {
                           return Variant(Self<TList>(Instance)->Remove(Obj<TObject>(C, 0)));
                       }}});
    AddProperty(List, "Count", "Integer",
                [](TObject *Instance) { return Variant(Self<TList>(Instance)->Count()); });
    // A script puts only objects into its lists, so a pointer read back is one.
    AddIndexProperty(
        List, TIndexKind::Default, "Items", "Integer", "TObject",
        [](TObject *Instance, TfsMethodHelper &C, bool Setting) {
            TList *Self = static_cast<TList *>(Instance);
            if (Setting) Self->SetItems(Int(C, 0), Obj<TObject>(C, 1));
            return ToVar(static_cast<TObject *>(Self->Items(Int(C, 0))));
        },
        false);
}

// ---- string lists

void RegisterStringsMethods(TfsClassVariable *Strings)
{
    AddMembers(
        Strings,
        {{"function Add(const S: string): Integer",
          [](TObject *Instance, TfsMethodHelper &C) {
              return Variant(Self<TStrings>(Instance)->Add(Str(C, 0)));
          }},
         {"function AddObject(const S: string; AObject: TObject): Integer",
          [](TObject *Instance, TfsMethodHelper &C) {
              return Variant(Self<TStrings>(Instance)->AddObject(Str(C, 0), Obj<TObject>(C, 1)));
          }},
         {"procedure Clear",
          [](TObject *Instance, TfsMethodHelper &) {
              Self<TStrings>(Instance)->Clear();
              return Done();
          }},
         {"procedure Delete(Index: Integer)",
          [](TObject *Instance, TfsMethodHelper &C) {
              Self<TStrings>(Instance)->Delete(Int(C, 0));
              return Done();
          }},
         {"function IndexOf(const S: string): Integer",
          [](TObject *Instance, TfsMethodHelper &C) {
              return Variant(Self<TStrings>(Instance)->IndexOf(Str(C, 0)));
          }},
         {"function IndexOfName(const Name: string): Integer",
          [](TObject *Instance, TfsMethodHelper &C) {
              return Variant(Self<TStrings>(Instance)->IndexOfName(Str(C, 0)));
          }},
         {"function IndexOfObject(AObject: TObject): Integer",
          [](TObject *Instance, TfsMethodHelper &C) {
              return Variant(Self<TStrings>(Instance)->IndexOfObject(Obj<TObject>(C, 0)));
          }},
         {"procedure Insert(Index: Integer; const S: string)",
          [](TObject *Instance, TfsMethodHelper &C) {
              Self<TStrings>(Instance)->Insert(Int(C, 0), Str(C, 1));
              return Done();
          }},
         {"procedure InsertObject(Index: Integer; const S: string; AObject: TObject)",
          [](TObject *Instance, TfsMethodHelper &C) {
              Self<TStrings>(Instance)->InsertObject(Int(C, 0), Str(C, 1), Obj<TObject>(C, 2));
              return Done();
          }},
         {"procedure LoadFromFile(const FileName: string)",
          [](TObject *Instance, TfsMethodHelper &C) {
              Self<TStrings>(Instance)->LoadFromFile(Str(C, 0));
              return Done();
          }},
         {"procedure LoadFromStream(Stream: TStream)",
          [](TObject *Instance, TfsMethodHelper &C) {
              Self<TStrings>(Instance)->LoadFromStream(Obj<TStream>(C, 0));
              return Done();
          }},
         {"procedure SaveToFile(const FileName: string)",
          [](TObject *Instance, TfsMethodHelper &C) {
              Self<TStrings>(Instance)->SaveToFile(Str(C, 0));
              return Done();
          }},
         {"procedure Move(CurIndex, NewIndex: Integer)",
          [](TObject *Instance, TfsMethodHelper &C) {
              Self<TStrings>(Instance)->Move(Int(C, 0), Int(C, 1));
              return Done();
          }},
         {"procedure SaveToStream(Stream: TStream)", [](TObject *Instance, TfsMethodHelper &C) {
              Self<TStrings>(Instance)->SaveToStream(Obj<TStream>(C, 0));
              return Done();
          }}});
}

void RegisterStringsProperties(TfsClassVariable *Strings)
{
    AddProperty(
        Strings, "CommaText", "string",
        [](TObject *Instance) { return Variant(Self<TStrings>(Instance)->CommaText()); },
        [](TObject *Instance, const Variant &Value) {
            Self<TStrings>(Instance)->SetCommaText(fsVarToStr(Value));
        });
    AddProperty(Strings, "Count", "Integer",
                [](TObject *Instance) { return Variant(Self<TStrings>(Instance)->Count()); });
    AddIndexProperty(
        Strings, TIndexKind::Plain, "Names", "Integer", "string",
        [](TObject *Instance, TfsMethodHelper &C, bool) {
            return Variant(Self<TStrings>(Instance)->Names(Int(C, 0)));
        },
        true);
    AddIndexProperty(
        Strings, TIndexKind::Plain, "Objects", "Integer", "TObject",
        [](TObject *Instance, TfsMethodHelper &C, bool Setting) {
            TStrings *Self = static_cast<TStrings *>(Instance);
            if (Setting) Self->SetObjects(Int(C, 0), Obj<TObject>(C, 1));
            return ToVar(Self->Objects(Int(C, 0)));
        },
        false);
    AddIndexProperty(
        Strings, TIndexKind::Plain, "Values", "String", "string",
        [](TObject *Instance, TfsMethodHelper &C, bool Setting) {
            TStrings *Self = static_cast<TStrings *>(Instance);
            // A write's result is dropped: reading the text back would copy it for nothing.
            if (!Setting) return Variant(Self->Values(Str(C, 0)));
            Self->SetValues(Str(C, 0), Str(C, 1));
            return Done();
        },
        false);
    AddIndexProperty(
        Strings, TIndexKind::Default, "Strings", "Integer", "string",
        [](TObject *Instance, TfsMethodHelper &C, bool Setting) {
            TStrings *Self = static_cast<TStrings *>(Instance);
            if (!Setting) return Variant(Self->Strings(Int(C, 0)));
            Self->SetStrings(Int(C, 0), Str(C, 1));
            return Done();
        },
        false);
    AddProperty(
        Strings, "Text", "string",
        [](TObject *Instance) { return Variant(Self<TStrings>(Instance)->Text()); },
        [](TObject *Instance, const Variant &Value) {
            Self<TStrings>(Instance)->SetText(fsVarToStr(Value));
        });
}

void RegisterStringList(TfsScript *Script)
{
    TfsClassVariable *List = Script->AddClass(TStringList::StaticClass(), "TStrings");
    AddMembers(List, {{"function Find(s: String; var Index: Integer): Boolean",
                       [](TObject *Instance, TfsMethodHelper &C) {
                           int Found = 0;
                           bool Result = Self<TStringList>(Instance)->Find(Str(C, 0), Found);
                           C.SetVParam(1, Variant(Found));
                           return Variant(Result);
                       }},
                      {"procedure Sort", [](TObject *Instance, TfsMethodHelper &) {
                           Self<TStringList>(Instance)->Sort();
                           return Done();
                       }}});
    AddProperty(
        List, "Duplicates", "TDuplicates",
        [](TObject *Instance) {
            return Variant(static_cast<int>(Self<TStringList>(Instance)->Duplicates()));
        },
        [](TObject *Instance, const Variant &Value) {
            int Mode = fsVarToInt(Value);
            if (Mode < dupIgnore || Mode > dupError)
                throw ERangeError("Duplicates out of range: " + AnsiString(Mode));
            Self<TStringList>(Instance)->SetDuplicates(static_cast<TDuplicates>(Mode));
        });
    AddProperty(
        List, "Sorted", "Boolean",
        [](TObject *Instance) { return Variant(Self<TStringList>(Instance)->Sorted()); },
        [](TObject *Instance, const Variant &Value) {
            Self<TStringList>(Instance)->SetSorted(fsVarToBool(Value));
        });
}

// ---- streams

Variant ReadStream(TObject *Instance, TfsMethodHelper &C)
{
    // A negative count reads nothing rather than anything undefined.
    int Count = std::max(Int(C, 1), 0);
    std::string Buffer(static_cast<std::size_t>(Count), '\0');
    int Read = Self<TStream>(Instance)->Read(Buffer.data(), Count);
    C.SetVParam(0, Variant(AnsiString(Buffer.data(), Read)));
    return Variant(Read);
}

Variant WriteStream(TObject *Instance, TfsMethodHelper &C)
{
    AnsiString Text = Str(C, 0);
    // Never more than the text holds: the bytes past it are not the script's.
    int Count = std::clamp(Int(C, 1), 0, Text.Length());
    return Variant(Self<TStream>(Instance)->Write(Text.Data(), Count));
}

void RegisterStreams(TfsScript *Script)
{
    TfsClassVariable *Stream = Script->AddClass(TStream::StaticClass(), "TObject");
    AddMembers(Stream,
               {{"function Read(var Buffer: string; Count: Longint): Longint", ReadStream},
                {"function Write(Buffer: string; Count: Longint): Longint", WriteStream},
                {"function Seek(Offset: Longint; Origin: Word): Longint",
                 [](TObject *Instance, TfsMethodHelper &C) {
                     int Origin = Int(C, 1);
                     if (Origin < soBeginning || Origin > soEnd)
                         throw EStreamError("Invalid seek origin: " + AnsiString(Origin));
                     return Index(Self<TStream>(Instance)->Seek(Int(C, 0),
                                                                static_cast<TSeekOrigin>(Origin)));
                 }},
                {"function CopyFrom(Source: TStream; Count: Longint): Longint",
                 [](TObject *Instance, TfsMethodHelper &C) {
                     return Index(Self<TStream>(Instance)->CopyFrom(Obj<TStream>(C, 0), Int(C, 1)));
                 }}});
    AddProperty(
        Stream, "Position", "Longint",
        [](TObject *Instance) { return Index(Self<TStream>(Instance)->Position()); },
        [](TObject *Instance, const Variant &Value) {
            Self<TStream>(Instance)->SetPosition(fsVarToInt64(Value));
        });
    AddProperty(Stream, "Size", "Longint",
                [](TObject *Instance) { return Index(Self<TStream>(Instance)->Size()); });

    AddMembers(
        Script->AddClass(TFileStream::StaticClass(), "TStream"),
        {{"constructor Create(Filename: String; Mode: Word)", [](TObject *, TfsMethodHelper &C) {
              auto Mode = static_cast<unsigned short>(Int(C, 1));
              return ToVar(new TFileStream(Str(C, 0), Mode));
          }}});

    AddMembers(
        Script->AddClass(TMemoryStream::StaticClass(), "TStream"),
        {{"procedure Clear",
          [](TObject *Instance, TfsMethodHelper &) {
              Self<TMemoryStream>(Instance)->Clear();
              return Done();
          }},
         {"procedure LoadFromStream(Stream: TStream)",
          [](TObject *Instance, TfsMethodHelper &C) {
              Self<TMemoryStream>(Instance)->LoadFromStream(Obj<TStream>(C, 0));
              return Done();
          }},
         {"procedure LoadFromFile(Filename: String)",
          [](TObject *Instance, TfsMethodHelper &C) {
              Self<TMemoryStream>(Instance)->LoadFromFile(Str(C, 0));
              return Done();
          }},
         {"procedure SaveToStream(Stream: TStream)",
          [](TObject *Instance, TfsMethodHelper &C) {
              Self<TMemoryStream>(Instance)->SaveToStream(Obj<TStream>(C, 0));
              return Done();
          }},
         {"procedure SaveToFile(Filename: String)", [](TObject *Instance, TfsMethodHelper &C) {
              Self<TMemoryStream>(Instance)->SaveToFile(Str(C, 0));
              return Done();
          }}});
}

void RegisterComponent(TfsScript *Script)
{
    TfsClassVariable *Component = Script->AddClass(TComponent::StaticClass(), "TPersistent");
    AddMembers(Component,
               {{"constructor Create(AOwner: TComponent)", [](TObject *, TfsMethodHelper &C) {
                     return ToVar(CreatedClass(C)->Create(Obj<TComponent>(C, 0)));
                 }}});
    AddProperty(Component, "Owner", "TComponent",
                [](TObject *Instance) { return ToVar(Self<TComponent>(Instance)->Owner()); });
}

// ---- XML

void RegisterXMLItemMembers(TfsClassVariable *Item)
{
    AddMembers(Item,
               {{"constructor Create",
                 [](TObject *, TfsMethodHelper &C) { return ToVar(CreatedClass(C)->Create()); }},
                {"procedure AddItem(Item: TfsXMLItem)",
                 [](TObject *Instance, TfsMethodHelper &C) {
                     Self<TfsXMLItem>(Instance)->AddItem(Obj<TfsXMLItem>(C, 0));
                     return Done();
                 }},
                {"procedure Clear",
                 [](TObject *Instance, TfsMethodHelper &) {
                     Self<TfsXMLItem>(Instance)->Clear();
                     return Done();
                 }},
                {"procedure InsertItem(Index: Integer; Item: TfsXMLItem)",
                 [](TObject *Instance, TfsMethodHelper &C) {
                     Self<TfsXMLItem>(Instance)->InsertItem(Int(C, 0), Obj<TfsXMLItem>(C, 1));
                     return Done();
                 }},
                {"function Add: TfsXMLItem",
                 [](TObject *Instance, TfsMethodHelper &) {
                     return ToVar(Self<TfsXMLItem>(Instance)->Add());
                 }},
                {"function Find(const Name: String): Integer",
                 [](TObject *Instance, TfsMethodHelper &C) {
                     return Variant(Self<TfsXMLItem>(Instance)->Find(Str(C, 0)));
                 }},
                {"function FindItem(const Name: String): TfsXMLItem",
                 [](TObject *Instance, TfsMethodHelper &C) {
                     return ToVar(Self<TfsXMLItem>(Instance)->FindItem(Str(C, 0)));
                 }},
                {"function Prop(const Name: String): String",
                 [](TObject *Instance, TfsMethodHelper &C) {
                     return Variant(Self<TfsXMLItem>(Instance)->Prop(Str(C, 0)));
                 }},
                {"function Root: TfsXMLItem", [](TObject *Instance, TfsMethodHelper &) {
                     return ToVar(Self<TfsXMLItem>(Instance)->Root());
                 }}});
}

void RegisterXMLItemProperties(TfsClassVariable *Item)
{
    AddProperty(
        Item, "Data", "Integer",
        [](TObject *Instance) {
            return Variant(static_cast<int>(
                reinterpret_cast<std::intptr_t>(Self<TfsXMLItem>(Instance)->Data())));
        },
        [](TObject *Instance, const Variant &Value) {
            Self<TfsXMLItem>(Instance)->SetData(
                reinterpret_cast<void *>(static_cast<std::intptr_t>(fsVarToInt(Value))));
        });
    AddProperty(Item, "Count", "Integer",
                [](TObject *Instance) { return Variant(Self<TfsXMLItem>(Instance)->Count()); });
    AddIndexProperty(
        Item, TIndexKind::Default, "Items", "Integer", "TfsXMLItem",
        [](TObject *Instance, TfsMethodHelper &C, bool) {
            return ToVar(Self<TfsXMLItem>(Instance)->Items(Int(C, 0)));
        },
        true);
    AddProperty(
        Item, "Name", "String",
        [](TObject *Instance) { return Variant(Self<TfsXMLItem>(Instance)->Name()); },
        [](TObject *Instance, const Variant &Value) {
            Self<TfsXMLItem>(Instance)->SetName(fsVarToStr(Value));
        });
    AddProperty(Item, "Parent", "TfsXMLItem",
                [](TObject *Instance) { return ToVar(Self<TfsXMLItem>(Instance)->Parent()); });
    AddProperty(
        Item, "Text", "String",
        [](TObject *Instance) { return Variant(Self<TfsXMLItem>(Instance)->Text()); },
        [](TObject *Instance, const Variant &Value) {
            Self<TfsXMLItem>(Instance)->SetText(fsVarToStr(Value));
        });
}

void RegisterXMLDocument(TfsScript *Script)
{
    TfsClassVariable *Document = Script->AddClass(TfsXMLDocument::StaticClass(), "TObject");
    AddMembers(Document,
               {{"constructor Create",
                 [](TObject *, TfsMethodHelper &C) { return ToVar(CreatedClass(C)->Create()); }},
                {"procedure SaveToStream(Stream: TStream)",
                 [](TObject *Instance, TfsMethodHelper &C) {
                     Self<TfsXMLDocument>(Instance)->SaveToStream(Obj<TStream>(C, 0));
                     return Done();
                 }},
                {"procedure LoadFromStream(Stream: TStream)",
                 [](TObject *Instance, TfsMethodHelper &C) {
                     Self<TfsXMLDocument>(Instance)->LoadFromStream(Obj<TStream>(C, 0));
                     return Done();
                 }},
                {"procedure SaveToFile(const FileName: String)",
                 [](TObject *Instance, TfsMethodHelper &C) {
                     Self<TfsXMLDocument>(Instance)->SaveToFile(Str(C, 0));
                     return Done();
                 }},
                {"procedure LoadFromFile(const FileName: String)",
                 [](TObject *Instance, TfsMethodHelper &C) {
                     Self<TfsXMLDocument>(Instance)->LoadFromFile(Str(C, 0));
                     return Done();
                 }}});
    AddProperty(Document, "Root", "TfsXMLItem",
                [](TObject *Instance) { return ToVar(Self<TfsXMLDocument>(Instance)->Root()); });
}

struct TIntConst {
    const char *Name;
    int Value;
};

const TIntConst Constants[] = {
    {"fmCreate", 0xFFFF},      {"fmOpenRead", 0},          {"fmOpenWrite", 1},
    {"fmOpenReadWrite", 2},    {"fmShareExclusive", 0x10}, {"fmShareDenyWrite", 0x20},
    {"fmShareDenyNone", 0x40}, {"soFromBeginning", 0},     {"soFromCurrent", 1},
    {"soFromEnd", 2},
};

} // namespace

TfsClassesFunctions::TfsClassesFunctions(TfsScript *AScript) : TfsRTTIModule(AScript)
{
    for (const TIntConst &Constant : Constants)
        AScript->AddConst(Constant.Name, "Integer", Variant(Constant.Value));
    AScript->AddEnum("TDuplicates", "dupIgnore, dupAccept, dupError");
    AScript->AddEnum("TPrinterOrientation", "poPortrait, poLandscape");
    RegisterObjects(AScript);
    RegisterCollections(AScript);
    RegisterList(AScript);
    TfsClassVariable *Strings = AScript->AddClass(TStrings::StaticClass(), "TPersistent");
    RegisterStringsMethods(Strings);
    RegisterStringsProperties(Strings);
    RegisterStringList(AScript);
    RegisterStreams(AScript);
    RegisterComponent(AScript);
    TfsClassVariable *Item = AScript->AddClass(TfsXMLItem::StaticClass(), "TObject");
    RegisterXMLItemMembers(Item);
    RegisterXMLItemProperties(Item);
    RegisterXMLDocument(AScript);
}
