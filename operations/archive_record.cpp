#include "operations/archive_record.h"

#include "link/helpers.h"
#include "link/hex_text.h"
#include "link/key_codes.h"
#include "platform/rtl/SysUtils.h"

#include <algorithm>
#include <cmath>

namespace
{

constexpr int EmptyRecordType = 0xFF;

// Answer characters of the record's fields (1-based, as the block answer holds them).
constexpr int TypeAt = 11, ModeAt = 13, KeyAt = 15, TimeAt = 31, DateAt = 37;

// Two BCD digits; -1 when either is no decimal digit.
int BcdValue(const AnsiString &Digits, int At)
{
    int value = 0;
    for (int i = At; i < At + 2; ++i) {
        if (i > Digits.Length() || !IsDigitChar(Digits[i])) return -1;
        value = value * 10 + (Digits[i] - '0');
    }
    return value;
}

bool IsWriteMode(int Mode)
{
    return Mode >= 0 && Mode < WriteModeCount;
}

} // namespace

TDateTime ArchiveDateTime(const AnsiString &TimeDigits, const AnsiString &DateDigits)
{
    // Read field by field, so the system's date order has no say in what the device stored.
    int hour = BcdValue(TimeDigits, 1), minute = BcdValue(TimeDigits, 3),
        second = BcdValue(TimeDigits, 5);
    int day = BcdValue(DateDigits, 1), month = BcdValue(DateDigits, 3),
        year = BcdValue(DateDigits, 5);
    TDateTime date = 0, time = 0;
    if (year < 0 || !TryEncodeDate(2000 + year, month, day, date) ||
        !TryEncodeTime(hour, minute, second, 0, time))
        return DefaultDateTime;
    return date + time;
}

TArchiveDecode AppendArchiveRecord(std::vector<ArchiveRecord> &Rows, const AnsiString &Answer,
                                   bool SkipReadOnly)
{
    int type = HexToIntDef(Answer.SubString(TypeAt, 2), -1);
    if (type == EmptyRecordType) return TArchiveDecode::End;

    ArchiveRecord row;
    row.Number = static_cast<int>(Rows.size()) + 1;
    row.DateTime = ArchiveDateTime(Answer.SubString(TimeAt, 6), Answer.SubString(DateAt, 6));
    int mode = HexToIntDef(Answer.SubString(ModeAt, 2), -1);
    row.DeviceKey = Answer.SubString(KeyAt, 16);
    AnsiString code = row.DeviceKey;
    DecodeKeyCode(type, mode, code);
    row.KeyText = InsertSeparatorEvery(code, 2, " ");
    row.KeyType = type >= 0 && type < KeyTypeCount ? type : -1;

    if (mode == ArchiveReadOnlyMode) {
        if (SkipReadOnly) return TArchiveDecode::Skipped;
        row.WriteMode = ArchiveReadOnlyMode;
    } else if (IsWriteMode(mode)) {
        row.WriteMode = mode;
        row.Count = 1;
    }

    if (!Rows.empty() && row.WriteMode != ArchiveReadOnlyMode) {
        ArchiveRecord &last = Rows.back();
        if (last.KeyType == row.KeyType && last.WriteMode == row.WriteMode &&
            last.KeyText == row.KeyText) {
            // A mode of no meaning is no key written, however often it repeats.
            last.Count += row.Count;
            return TArchiveDecode::Merged;
        }
    }
    Rows.push_back(std::move(row));
    return TArchiveDecode::Added;
}

AnsiString ArchiveTypeText(int KeyType)
{
    if (KeyType < 0 || KeyType >= KeyTypeCount) return "неизвестно"_a;
    return KeyTypeNames[KeyType][0];
}

AnsiString ArchiveModeText(int KeyType, int WriteMode)
{
    if (WriteMode == ArchiveReadOnlyMode) return "прочитано"_a;
    // A known mode of an unknown type has no name either.
    if (!IsWriteMode(WriteMode) || KeyType < 0 || KeyType >= KeyTypeCount) return "неизвестно"_a;
    return KeyTypeNames[KeyType][1 + WriteMode];
}

std::array<AnsiString, ArchiveColumnCount> ArchiveRowTexts(const ArchiveRecord &Row)
{
    return {IntToStr(Row.Number),         FormatDateTime("dd.mm.yyyy  hh:nn:ss", Row.DateTime),
            ArchiveTypeText(Row.KeyType), ArchiveModeText(Row.KeyType, Row.WriteMode),
            IntToStr(Row.Count),          Row.KeyText};
}

void SortArchiveRecords(std::vector<ArchiveRecord> &Rows, int Column, bool Descending)
{
    auto sortBy = [&](auto Key) {
        // Stable: a sort by type keeps each type's rows in the order the user had them.
        std::stable_sort(Rows.begin(), Rows.end(),
                         [&](const ArchiveRecord &A, const ArchiveRecord &B) {
                             return Descending ? Key(B) < Key(A) : Key(A) < Key(B);
                         });
    };
    switch (Column) {
    case 0:
        sortBy([](const ArchiveRecord &R) { return R.Number; });
        break;
    case 1:
        sortBy([](const ArchiveRecord &R) { return R.DateTime; });
        break;
    case 2:
        sortBy([](const ArchiveRecord &R) { return R.KeyType; });
        break;
    case 3:
        sortBy([](const ArchiveRecord &R) { return R.WriteMode; });
        break;
    case 4:
        sortBy([](const ArchiveRecord &R) { return R.Count; });
        break;
    case 5:
        sortBy([](const ArchiveRecord &R) -> const AnsiString & { return R.KeyText; });
        break;
    default:
        break;
    }
}

std::array<int, KeyTypeCount> CountArchiveKeys(const std::vector<ArchiveRecord> &Rows, bool All,
                                               TDateTime From, TDateTime To)
{
    // The user picks days; the pickers' time of day is only the hour the program started.
    const TDateTime first = std::floor(From);
    const TDateTime after = std::floor(To) + 1;
    std::array<int, KeyTypeCount> sums{};
    for (const ArchiveRecord &row : Rows) {
        if (!All && (row.DateTime >= after || row.DateTime < first)) continue;
        if (row.WriteMode == ArchiveReadOnlyMode) continue;
        if (row.KeyType < 0 || row.KeyType >= KeyTypeCount) continue;
        sums[row.KeyType] += row.Count;
    }
    return sums;
}
