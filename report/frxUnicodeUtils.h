#pragma once

// A list of UTF-16 lines with an object per line: the text of memo views.

#include "platform/rtl/Classes.h"
#include "platform/rtl/ClassesFiler.h"

#include <vector>

class TWideStrings : public TPersistent
{
    QRV4_CLASS(TWideStrings, TPersistent)

public:
    TWideStrings() = default;

    void Clear() { FItems.clear(); }
    int Count() const { return static_cast<int>(FItems.size()); }
    int Add(const WideString &S) { return AddObject(S, nullptr); }
    int AddObject(const WideString &S, TObject *Obj);
    void AddStrings(const TWideStrings *Other);
    void Delete(int Index);
    // Shifts the following lines down; Index = Count appends.
    void Insert(int Index, const WideString &S);
    int IndexOf(const WideString &S) const;

    // Empty outside the list.
    WideString Get(int Index) const;
    // Replaces the line; Index = Count appends.
    void Put(int Index, const WideString &S);
    TObject *Objects(int Index) const;
    void SetObjects(int Index, TObject *Obj);

    WideString Text() const { return GetTextStr(); }
    void SetText(const WideString &Value) { SetTextStr(Value); }
    WideString GetTextStr() const;
    void SetTextStr(const WideString &Value);

    void Assign(TPersistent *Source) override;
    void LoadFromFile(const AnsiString &FileName);
    void LoadFromStream(TStream *Stream);
    void SaveToFile(const AnsiString &FileName) const;
    void SaveToStream(TStream *Stream) const;

protected:
    void AssignTo(TPersistent *Dest) override;
    void DefineProperties(TFiler *Filer) override;

private:
    struct Entry {
        WideString Text;
        TObject *Object = nullptr;
    };
    void CheckInsertIndex(int Index) const;
    void ReadStrings(TReader *Reader);
    void ReadUTF8(TReader *Reader);
    void WriteUTF8(TWriter *Writer);

    std::vector<Entry> FItems;
};

// 8-bit text in the code page of a font character set; a set the system does not
// know reads as the program's code page.
WideString AnsiToUnicode(const AnsiString &S, int Charset);
