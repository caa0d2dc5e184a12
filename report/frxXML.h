#pragma once

// The report library's XML: an element tree whose attributes stay one raw
// text per element, a document that can move whole subtrees out to a
// temporary file and bring them back, and the buffered reader and writer.
// Templates, variable lists, styles and prepared reports are all this format.

#include "platform/rtl/AtomicFile.h"
#include "platform/rtl/Classes.h"
#include "platform/rtl/ClassesStreams.h"
#include "platform/rtl/System.h"
#include "platform/rtl/Variants.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

QRV4_DECLARE_EXCEPTION(EfrxXMLError, Exception)

class TfrxXMLItem
{
public:
    TfrxXMLItem() = default;
    // Frees the children and leaves the parent's list.
    ~TfrxXMLItem();
    TfrxXMLItem(const TfrxXMLItem &) = delete;
    TfrxXMLItem &operator=(const TfrxXMLItem &) = delete;

    // An unloadable item becomes a stub whose children live in the backing stream.
    void Clear();
    TfrxXMLItem *Add();
    // Takes Item over from its old parent, to the end of the children.
    void AddItem(TfrxXMLItem *Item);
    void InsertItem(int Index, TfrxXMLItem *Item);
    int IndexOf(const TfrxXMLItem *Item) const;
    int Find(const AnsiString &Name) const;
    TfrxXMLItem *FindItem(const AnsiString &Name);
    TfrxXMLItem *Root();

    int Count() const { return static_cast<int>(FItems.size()); }
    TfrxXMLItem *Items(int Index) const;
    AnsiString Prop(const AnsiString &Name) const;
    void SetProp(const AnsiString &Name, const AnsiString &Value);
    bool PropExists(const AnsiString &Name) const;

    const AnsiString &Name() const { return FName; }
    void SetName(const AnsiString &Value) { FName = Value; }
    // The attributes as they stand in the tag, values still escaped.
    const AnsiString &Text() const { return FText; }
    void SetText(const AnsiString &Value) { FText = Value; }
    TfrxXMLItem *Parent() const { return FParent; }
    bool Loaded() const { return FLoaded; }
    void SetLoaded(bool Value) { FLoaded = Value; }
    bool Unloadable() const { return FUnloadable; }
    void SetUnloadable(bool Value) { FUnloadable = Value; }
    std::int64_t Offset() const { return FOffset; }
    void SetOffset(std::int64_t Value) { FOffset = Value; }

    // Moves the children of Other to the end of this item's.
    void TakeChildren(TfrxXMLItem &Other);

private:
    // Start (0-based) of attribute Name in Text, or -1.
    int FindProp(const AnsiString &Name) const;
    std::unique_ptr<TfrxXMLItem> Extract(const TfrxXMLItem *Item);

    std::vector<std::unique_ptr<TfrxXMLItem>> FItems;
    TfrxXMLItem *FParent = nullptr;
    AnsiString FName;
    AnsiString FText;
    std::int64_t FOffset = 0;
    bool FLoaded = true;
    bool FUnloadable = false;
};

class TfrxXMLReader
{
public:
    explicit TfrxXMLReader(TStream *Stream);
    // Leaves the stream just after the last byte consumed.
    ~TfrxXMLReader();
    TfrxXMLReader(const TfrxXMLReader &) = delete;
    TfrxXMLReader &operator=(const TfrxXMLReader &) = delete;

    void ReadHeader();
    // Reads one element with its children. A stream that ends before the
    // element is closed is an error unless Tolerant is set.
    void ReadRootItem(TfrxXMLItem *Item, bool ReadChildren = true, bool Tolerant = false);

    std::int64_t Position() const { return FPosition; }

private:
    enum class TagKind { Element, EndTag, EndOfStream };
    struct Tag {
        TagKind Kind = TagKind::EndOfStream;
        AnsiString Name;
        AnsiString Text;
        std::int64_t Start = 0;
    };

    int ReadByte(); // -1 at the end of the stream
    Tag ReadItem();
    void SkipComment();
    // Fills Item from Start and reads its children; returns false when the
    // stream ended first (only possible when Tolerant). Depth counts from the root, 1.
    bool ReadElement(TfrxXMLItem *Item, const Tag &Start, bool ReadChildren, bool Tolerant,
                     int Depth);

    TStream *FStream;
    std::vector<char> FBuffer;
    int FBufferPos = 0;
    int FBufferLen = 0;
    std::int64_t FPosition;
};

class TfrxXMLDocument;

class TfrxXMLWriter
{
public:
    TfrxXMLWriter(TStream *Stream, bool AutoIndent, TfrxXMLDocument *Document = nullptr);
    ~TfrxXMLWriter();
    TfrxXMLWriter(const TfrxXMLWriter &) = delete;
    TfrxXMLWriter &operator=(const TfrxXMLWriter &) = delete;

    void WriteHeader();
    void WriteRootItem(TfrxXMLItem *Item, int Level = 0);
    void Flush();

private:
    struct OpenElement {
        TfrxXMLItem *Item;
        int Level;
        bool MovedOut; // its children were brought back from the backing stream
        int NextChild;
    };

    void WriteLine(const AnsiString &Line);
    OpenElement WriteStartTag(TfrxXMLItem *Item, int Level);
    void WriteEndTag(const OpenElement &Element);
    AnsiString Indent(int Level) const;

    TStream *FStream;
    bool FAutoIndent;
    TfrxXMLDocument *FDocument;
    std::string FBuffer;
};

class TfrxXMLDocument
{
public:
    TfrxXMLDocument();
    ~TfrxXMLDocument();
    TfrxXMLDocument(const TfrxXMLDocument &) = delete;
    TfrxXMLDocument &operator=(const TfrxXMLDocument &) = delete;

    void Clear();
    void LoadFromStream(TStream *Stream);
    // Partial loading: elements marked unloadable stay stubs, read on demand
    // from Stream, which the document keeps.
    void LoadFromStream(std::unique_ptr<TStream> Stream, bool AllowPartialLoading);
    void SaveToStream(TStream *Stream);
    void LoadFromFile(const AnsiString &FileName);
    void SaveToFile(const AnsiString &FileName);
    void UnloadItem(TfrxXMLItem *Item);
    void LoadItem(TfrxXMLItem *Item);
    void CreateTempFile();
    void DeleteTempFile();

    TfrxXMLItem *Root() const { return FRoot.get(); }
    bool AutoIndent() const { return FAutoIndent; }
    void SetAutoIndent(bool Value) { FAutoIndent = Value; }
    const AnsiString &TempDir() const { return FTempDir; }
    void SetTempDir(const AnsiString &Value) { FTempDir = Value; }
    const AnsiString &TempFileName() const { return FTempFileName; }

private:
    void ReadFrom(TStream *Stream, bool ReadChildren);

    std::unique_ptr<TfrxXMLItem> FRoot;
    std::unique_ptr<TStream> FBacking;
    AnsiString FTempFileName; // set while the backing stream is our own temporary file
    AnsiString FTempDir;
    bool FAutoIndent = false;
};

AnsiString frxStrToXML(const AnsiString &S);
AnsiString frxXMLToStr(const AnsiString &S);
AnsiString frxValueToXML(const Variant &Value);
// Numbers in report files always carry a point, whatever the user's locale.
AnsiString frxFloatToXML(double Value);

// List files (variables, styles, style sheets): the document is written indented,
// and a file is only a stream of it.
void frxSaveListDocument(TStream *Stream, const std::function<void(TfrxXMLItem *Root)> &Fill);
void frxLoadListDocument(TStream *Stream, const std::function<void(TfrxXMLItem *Root)> &Take);
template <class T> void frxSaveListFile(T &List, const AnsiString &FileName)
{
    rtl::SaveStreamToFile(FileName, [&List](TStream *Stream) { List.SaveToStream(Stream); });
}
template <class T> void frxLoadListFile(T &List, const AnsiString &FileName)
{
    rtl::BoundedFileStream Stream(FileName, rtl::TextFileLimit);
    List.LoadFromStream(&Stream);
}
