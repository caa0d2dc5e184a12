#pragma once

// Settings files: the profile file written through at every call (TIniFile)
// and the one kept in memory until UpdateFile (TMemIniFile).

#include "platform/rtl/Classes.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

QRV4_DECLARE_EXCEPTION(EIniFileException, Exception)

// The reading and writing forms every settings store shares; a store supplies
// the string forms and the section operations.
class TCustomIniFile : public TObject
{
    QRV4_CLASS(TCustomIniFile, TObject)

public:
    explicit TCustomIniFile(const AnsiString &FileName) : FFileName(FileName) {}
    const AnsiString &FileName() const { return FFileName; }

    virtual AnsiString ReadString(const AnsiString &Section, const AnsiString &Ident,
                                  const AnsiString &Default) = 0;
    virtual void WriteString(const AnsiString &Section, const AnsiString &Ident,
                             const AnsiString &Value) = 0;
    // Decimal, "$" or "0x" hexadecimal; Default when missing or not a number.
    virtual int ReadInteger(const AnsiString &Section, const AnsiString &Ident, int Default);
    virtual void WriteInteger(const AnsiString &Section, const AnsiString &Ident, int Value);
    // Any number but 0 is true; written as "1" or "0".
    virtual bool ReadBool(const AnsiString &Section, const AnsiString &Ident, bool Default);
    virtual void WriteBool(const AnsiString &Section, const AnsiString &Ident, bool Value);
    // Text that is not a number or date gives Default.
    virtual double ReadFloat(const AnsiString &Section, const AnsiString &Ident, double Default);
    virtual void WriteFloat(const AnsiString &Section, const AnsiString &Ident, double Value);
    virtual TDateTime ReadDate(const AnsiString &Section, const AnsiString &Ident,
                               TDateTime Default);
    virtual void WriteDate(const AnsiString &Section, const AnsiString &Ident, TDateTime Value);
    virtual TDateTime ReadDateTime(const AnsiString &Section, const AnsiString &Ident,
                                   TDateTime Default);
    virtual void WriteDateTime(const AnsiString &Section, const AnsiString &Ident, TDateTime Value);
    virtual TDateTime ReadTime(const AnsiString &Section, const AnsiString &Ident,
                               TDateTime Default);
    virtual void WriteTime(const AnsiString &Section, const AnsiString &Ident, TDateTime Value);

    // The key names of Section, in the store's order.
    virtual void ReadSection(const AnsiString &Section, TStrings *Strings) = 0;
    virtual void ReadSections(TStrings *Strings) = 0;
    // "Name=Value" for every key of Section.
    virtual void ReadSectionValues(const AnsiString &Section, TStrings *Strings);
    virtual void EraseSection(const AnsiString &Section) = 0;
    virtual void DeleteKey(const AnsiString &Section, const AnsiString &Ident) = 0;
    virtual void UpdateFile() = 0;
    // A section without keys does not count as existing.
    bool SectionExists(const AnsiString &Section);
    virtual bool ValueExists(const AnsiString &Section, const AnsiString &Ident);

protected:
    void SetFileName(const AnsiString &Value) { FFileName = Value; }

private:
    AnsiString FFileName;
};

namespace rtl
{

// The text of a profile file, kept byte for byte and edited as the Windows
// profile functions do: names compared without case, values trimmed (and one
// pair of enclosing quotes dropped) when read, a changed key rewritten in
// place, a new key after the last line of its section, a new section at the
// end, every other line left exactly as it was. A value is written so that it
// reads back as it was: in quotes where it begins or ends in blanks or quotes.
// Lines this class writes end in CR LF.
class ProfileText
{
public:
    explicit ProfileText(std::string Bytes = {});
    std::string Bytes() const;

    std::optional<AnsiString> Value(const AnsiString &Section, const AnsiString &Key) const;
    std::vector<AnsiString> Keys(const AnsiString &Section) const;
    std::vector<AnsiString> Sections() const;
    // Whether every line is one the profile functions take: blank, a comment, a section
    // header or a key line. They pass any other line over, so one shows a file spoilt or of
    // another kind.
    bool OnlyProfileLines() const;

    void Write(const AnsiString &Section, const AnsiString &Key, const AnsiString &Value);
    void DeleteKey(const AnsiString &Section, const AnsiString &Key);
    void EraseSection(const AnsiString &Section);

private:
    struct Line {
        std::string Text;  // without its line break
        std::string Break; // "\r\n", "\n", "\r", or "" for a last line without one
    };
    // Lines [Begin, End) of a section, Begin being its header.
    struct Range {
        std::size_t Begin, End;
    };
    std::optional<Range> FindSection(const AnsiString &Section) const;
    std::optional<std::size_t> FindKey(const Range &R, const AnsiString &Key) const;
    void Append(std::size_t At, std::string Text);

    std::vector<Line> FLines;
};

} // namespace rtl

// A profile file read and written at every call, as the Windows profile
// functions do: each write reaches the disk before it returns. The text is read
// again only when the file has changed since this object last read or wrote it,
// so many keys of a large file cost one read, not one each. The file is always
// replaced whole, never rewritten in place, so a kill or a full disk leaves the
// old text or the new one; between BeginUpdate and EndUpdate the writes wait in
// memory and EndUpdate puts them on the disk at once. A file that is there but cannot
// be read whole reads as empty, and a write to it raises EIniFileException with the file
// as it was: the settings in it are not given up for the one written.
class TIniFile : public TCustomIniFile
{
    QRV4_CLASS(TIniFile, TCustomIniFile)

public:
    explicit TIniFile(const AnsiString &FileName);
    ~TIniFile() override;

    AnsiString ReadString(const AnsiString &Section, const AnsiString &Ident,
                          const AnsiString &Default) override;
    void WriteString(const AnsiString &Section, const AnsiString &Ident,
                     const AnsiString &Value) override;
    void ReadSection(const AnsiString &Section, TStrings *Strings) override;
    void ReadSections(TStrings *Strings) override;
    void EraseSection(const AnsiString &Section) override;
    void DeleteKey(const AnsiString &Section, const AnsiString &Ident) override;
    // Every write is already on the disk, or waits for EndUpdate.
    void UpdateFile() override {}

    void BeginUpdate();
    // Raises EIniFileException when the file cannot be replaced; it is then as it was,
    // and the writes since BeginUpdate are dropped, as they are when the object is freed
    // before EndUpdate.
    void EndUpdate();

private:
    struct TCache;
    // The file's text as it stands; called under the profile lock.
    rtl::ProfileText &Current();
    void Edit(const std::function<void(rtl::ProfileText &)> &Change);
    // Replaces the file with the text in memory; under the profile lock.
    void Store();

    std::unique_ptr<TCache> FCache;
    int FUpdateCount = 0;
    bool FPending = false;
};

// The whole file parsed into memory at creation; UpdateFile writes it back as
// "[Section]" lines, the section's lines, and an empty line after each section. Lines that
// belong to no section are no setting, but they go back first as they were: the file is the
// user's. A file that is there but cannot be read raises EFOpenError, at creation or on a
// reloading Rename, rather than be replaced later by what this object holds.
class TMemIniFile : public TCustomIniFile
{
    QRV4_CLASS(TMemIniFile, TCustomIniFile)

public:
    explicit TMemIniFile(const AnsiString &FileName);
    ~TMemIniFile() override;

    AnsiString ReadString(const AnsiString &Section, const AnsiString &Ident,
                          const AnsiString &Default) override;
    void WriteString(const AnsiString &Section, const AnsiString &Ident,
                     const AnsiString &Value) override;
    void ReadSection(const AnsiString &Section, TStrings *Strings) override;
    void ReadSections(TStrings *Strings) override;
    void ReadSectionValues(const AnsiString &Section, TStrings *Strings) override;
    void EraseSection(const AnsiString &Section) override;
    void DeleteKey(const AnsiString &Section, const AnsiString &Ident) override;
    void UpdateFile() override;

    void Clear();
    void GetStrings(TStrings *List);
    void SetStrings(TStrings *List);
    void Rename(const AnsiString &FileName, bool Reload);

private:
    TStringList *Section(const AnsiString &Name) const;
    TStringList *AddSection(const AnsiString &Name);
    void LoadValues(const AnsiString &FileName);

    TStringList FSections; // objects: the section's lines, owned
    TStringList FLeadingLines;
};
