#pragma once

// A small dBase III table on the runtime's descriptor calls: the 32-byte header, the field
// descriptors, fixed-length records with their deletion byte, and typed access to the fields
// of the current record by name. Every operation answers true or false; a failed one leaves
// its code in error(). The address-book table maps its five fields to a record image.
//
// Nothing in a file is taken on trust: the descriptors must fit the header and be at most
// 256, the field lengths must add up to the record length, the records must be in the file,
// and every field access stays inside the record.
//
// Opening reads the header and the descriptors first and checks them before any record. A
// table opened to be read then reads its records from the file as they are visited, a window
// at a time; one that may change holds its header and records in memory, read in one go when
// opened and written back in one go when it is closed, if anything changed. Nothing past the
// records the header counts is read. A table made without a file lives in memory only, and
// image() gives the file it would be.

#include "platform/rtl/System.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

class _DBF
{
public:
    static constexpr int MaxFields = 256;
    // Error codes.
    static constexpr int NoError = 0;
    static constexpr int IoError = 1;   // input/output or format
    static constexpr int NoFile = 2;    // no file or no record buffer
    static constexpr int WrongKind = 3; // a pipe, a device or a folder, not a file
    static constexpr int NoMemory = 100;

    // OpenFlags are the runtime's open flags (O_RDONLY, O_RDWR ...).
    _DBF(const AnsiString &FileName, int OpenFlags);
    // A table in memory only: create and close touch no file.
    _DBF();
    virtual ~_DBF();
    _DBF(const _DBF &) = delete;
    _DBF &operator=(const _DBF &) = delete;

    bool open();
    // Appends the end-of-file mark when a record was added and writes what changed back to the
    // file; a failed write sets IoError.
    void close();
    bool add_field(char Type, const AnsiString &Name, int Length, int Decimals);
    bool create();
    bool go_to(int Record);
    bool skip(int Count);
    bool append_blank();
    bool read_record();
    bool write_record();

    bool get_char_field(const AnsiString &Name, AnsiString &Value) const;
    bool put_char_field(const AnsiString &Name, const AnsiString &Value);
    // False also when the field holds no decimal integer that an int can hold: blanks or
    // letters in a numeric field are no value, and must not read as 0.
    bool get_num_field(const AnsiString &Name, int &Value) const;
    bool put_num_field(const AnsiString &Name, int Value);

    int field_count() const;
    int record_count() const;
    int field_length(int Index) const;
    int field_length_of(const AnsiString &Name) const;
    bool field_name(int Index, AnsiString &Name) const;
    char field_type(const AnsiString &Name) const;
    long record_offset(int Record) const;
    // The language driver byte of the header, which names the code page of the texts; 0 while
    // not open.
    int language_driver() const;
    // The table's bytes as its file holds them, the end mark too once it is closed; of a table
    // opened to be read, its header only.
    const std::string &image() const { return FImage; }

    // The current record is marked deleted: its deletion byte is no blank.
    bool deleted() const { return FRecord.empty() || FRecord[0] != ' '; }
    int error() const { return FError; }
    int current_record() const { return FCurrent; }
    bool is_open() const { return FOpen; }

private:
    struct Field {
        AnsiString Name;
        char Type = 'C';
        int Length = 0;
        int Decimals = 0;
        int Offset = 0; // in the record, after the deletion byte
    };
    // The 32 bytes of a field descriptor as the file holds them.
    static void PutDescriptor(const Field &F, std::uint8_t *Bytes);
    static bool TakeDescriptor(const std::uint8_t *Bytes, Field &F);
    // NoError, or the error that ends the open.
    int ReadHead();
    bool ReadHeader();
    bool CheckLayout();
    bool ReadRecords();
    void CloseFile();
    long long TableBytes() const;
    void PutRecordCount(std::uint8_t *Header) const;
    void PutHeader(std::uint8_t *Bytes) const;
    bool Writable() const;
    bool WriteImage();
    char *RecordAt(int Record);
    const char *FileRecordAt(int Record);
    const Field *Find(const AnsiString &Name, bool Numeric) const;
    bool Fail(int Code);

    AnsiString FFileName;
    bool FInMemory = false;
    int FOpenFlags = 0;
    int FHandle = -1;
    bool FOpen = false;
    bool FModified = false;
    bool FChanged = false; // the image differs from the file
    int FError = NoError;
    int FCurrent = 0;
    std::uint32_t FRecordCount = 0;
    int FHeaderLength = 0;
    int FRecordLength = 1;
    std::vector<Field> FFields;
    std::vector<char> FRecord; // record length + 1
    std::string FImage;
    long long FFileSize = 0;
    // Records FWindowFirst (0-based) on of a table opened to be read.
    std::string FWindow;
    std::uint32_t FWindowFirst = 0;
    std::uint32_t FWindowCount = 0;
};

// A text of a record image: at most 256 characters, as many as a field read gives; a
// longer text is cut where it is stored.
class _CHARACTER
{
public:
    static constexpr int Capacity = 256;

    _CHARACTER() = default;
    _CHARACTER(AnsiString Text) : FText(std::move(Text))
    {
        if (FText.Length() > Capacity) FText.SetLength(Capacity);
    }
    _CHARACTER(const char *Text) : _CHARACTER(AnsiString(Text)) {}
    const AnsiString &Text() const & { return FText; }
    // The text taken out with its room, for a table to read the next record's field into.
    AnsiString Text() && { return std::move(FText); }

private:
    AnsiString FText;
};

// The address-book table: TYPE_KEY N 3, MODE N 3, NAME C 14, KEY_HEX C 23, OLD_KEY C 16.
class WriterDbf : public _DBF
{
public:
    WriterDbf(const AnsiString &FileName, int OpenFlags) : _DBF(FileName, OpenFlags) {}
    WriterDbf() = default;

    bool store();
    // False when TYPE_KEY or MODE held no number; go_top and skip leave that in complete.
    bool load();
    bool go_top();
    bool skip(int Count);

    int type_key = 0;
    int mode = 0;
    _CHARACTER name;
    _CHARACTER key_hex;
    _CHARACTER old_key;
    bool complete = false;
};
