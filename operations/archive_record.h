#pragma once

// The rows of the archive read from the device: a block answer decoded into a row, equal
// neighbours merged with a count, the texts of the archive grid, sorting by a column and the
// sums of written keys by key type.

#include "link/constants.h"
#include "platform/rtl/System.h"

#include <array>
#include <vector>

// The write mode of a key that was only read.
constexpr int ArchiveReadOnlyMode = 255;
// Records in the device's ring; one pass reads each once.
constexpr int ArchiveRingRecords = 2500;

struct ArchiveRecord {
    int Number = 0;
    TDateTime DateTime = 0;
    int KeyType = -1;     // -1: the device named no known type
    int WriteMode = -1;   // 0..7, ArchiveReadOnlyMode, or -1 for a mode byte of no meaning
    int Count = 0;        // records merged into the row; 0 for read-only and unknown modes
    AnsiString KeyText;   // displayed form, byte pairs separated by blanks
    AnsiString DeviceKey; // the 16 digits the device stored
};

enum class TArchiveDecode {
    End,     // an empty record: the archive ends here
    Added,   // a new row
    Merged,  // counted into the last row
    Skipped, // a read-only record while those are left out
};

// Takes the record in characters 11..42 of a block answer.
TArchiveDecode AppendArchiveRecord(std::vector<ArchiveRecord> &Rows, const AnsiString &Answer,
                                   bool SkipReadOnly);

// The device's BCD fields "hhmmss" and "DDMMYY" (years of this century); a field that is no
// date or time gives DefaultDateTime.
TDateTime ArchiveDateTime(const AnsiString &TimeDigits, const AnsiString &DateDigits);

AnsiString ArchiveTypeText(int KeyType);
AnsiString ArchiveModeText(int KeyType, int WriteMode);
// The six cells of a row in the archive grid.
std::array<AnsiString, ArchiveColumnCount> ArchiveRowTexts(const ArchiveRecord &Row);

// Sorts by column 0..5; rows of equal keys keep their order. Other columns leave the rows.
void SortArchiveRecords(std::vector<ArchiveRecord> &Rows, int Column, bool Descending);

// Written keys by key type, over the rows dated from the start of From's day to the end of
// To's day unless All is set.
std::array<int, KeyTypeCount> CountArchiveKeys(const std::vector<ArchiveRecord> &Rows, bool All,
                                               TDateTime From, TDateTime To);
