#include "platform/rtl/Classes.h"

#include "platform/rtl/AtomicFile.h"
#include "platform/rtl/RTLConsts.h"

#include <algorithm>
#include <cstring>

// ---------------------------------------------------------------------------
// TList

TList::~TList()
{
    Clear();
}

void TList::Error(const char *Msg, int Data)
{
    throw EListError(Msg, {Data});
}

void TList::CheckIndex(int Index) const
{
    if (Index < 0 || Index >= Count()) Error(SListIndexError, Index);
}

int TList::Add(void *Item)
{
    FList.push_back(Item);
    if (Item) Notify(Item, lnAdded);
    return Count() - 1;
}

void TList::Insert(int Index, void *Item)
{
    if (Index < 0 || Index > Count()) Error(SListIndexError, Index);
    FList.insert(FList.begin() + Index, Item);
    if (Item) Notify(Item, lnAdded);
}

void TList::Delete(int Index)
{
    CheckIndex(Index);
    void *item = FList[Index];
    FList.erase(FList.begin() + Index);
    if (item) Notify(item, lnDeleted);
}

int TList::Remove(void *Item)
{
    int index = IndexOf(Item);
    if (index >= 0) Delete(index);
    return index;
}

void *TList::Extract(void *Item)
{
    int index = IndexOf(Item);
    if (index < 0) return nullptr;
    FList.erase(FList.begin() + index);
    Notify(Item, lnExtracted);
    return Item;
}

int TList::IndexOf(void *Item) const
{
    auto it = std::find(FList.begin(), FList.end(), Item);
    return it == FList.end() ? -1 : static_cast<int>(it - FList.begin());
}

void TList::Move(int CurIndex, int NewIndex)
{
    if (CurIndex == NewIndex) return;
    CheckIndex(CurIndex);
    if (NewIndex < 0 || NewIndex >= Count()) Error(SListIndexError, NewIndex);
    void *item = FList[CurIndex];
    FList.erase(FList.begin() + CurIndex);
    FList.insert(FList.begin() + NewIndex, item);
}

void TList::Exchange(int Index1, int Index2)
{
    CheckIndex(Index1);
    CheckIndex(Index2);
    std::swap(FList[Index1], FList[Index2]);
}

void TList::Clear()
{
    SetCount(0);
    SetCapacity(0);
}

void TList::Pack()
{
    for (int i = Count() - 1; i >= 0; --i)
        if (!FList[i]) Delete(i);
}

void TList::SetCount(int NewCount)
{
    if (NewCount < 0) Error(SListCountError, NewCount);
    if (NewCount > Count()) {
        FList.resize(NewCount, nullptr);
        return;
    }
    for (int i = Count() - 1; i >= NewCount; --i)
        Delete(i);
}

void TList::SetCapacity(int NewCapacity)
{
    if (NewCapacity < Count()) Error(SListCapacityError, NewCapacity);
    if (NewCapacity > Capacity())
        FList.reserve(NewCapacity);
    else
        FList.shrink_to_fit();
}

void *TList::Items(int Index) const
{
    CheckIndex(Index);
    return FList[Index];
}

void TList::SetItems(int Index, void *Item)
{
    CheckIndex(Index);
    void *old = FList[Index];
    FList[Index] = Item;
    if (old) Notify(old, lnDeleted);
    if (Item) Notify(Item, lnAdded);
}

void TList::Notify(void *, TListNotification) {}

namespace
{

// The class library's quicksort, kept exactly: callers see its order of equal keys.
void QuickSortPointers(void **List, int L, int R, const TListSortCompare &Compare)
{
    int i, j;
    do {
        i = L;
        j = R;
        void *pivot = List[(L + R) >> 1];
        do {
            while (Compare(List[i], pivot) < 0)
                ++i;
            while (Compare(List[j], pivot) > 0)
                --j;
            if (i <= j) {
                std::swap(List[i], List[j]);
                ++i;
                --j;
            }
        } while (i <= j);
        if (L < j) QuickSortPointers(List, L, j, Compare);
        L = i;
    } while (i < R);
}

} // namespace

void TList::Sort(const TListSortCompare &Compare)
{
    if (Count() > 1) QuickSortPointers(FList.data(), 0, Count() - 1, Compare);
}

// ---------------------------------------------------------------------------
// TThreadList

void TThreadList::Add(void *Item)
{
    std::lock_guard lock(FLock);
    if (FDuplicates == dupAccept || FList.IndexOf(Item) < 0)
        FList.Add(Item);
    else if (FDuplicates == dupError)
        throw EListError(SDuplicateItem);
}

void TThreadList::Remove(void *Item)
{
    std::lock_guard lock(FLock);
    FList.Remove(Item);
}

void TThreadList::Clear()
{
    std::lock_guard lock(FLock);
    FList.Clear();
}

TList *TThreadList::LockList()
{
    FLock.lock();
    return &FList;
}

void TThreadList::UnlockList()
{
    FLock.unlock();
}

// ---------------------------------------------------------------------------
// TStrings

void TStrings::Error(const char *Msg, int Data)
{
    throw EStringListError(Msg, {Data});
}

int TStrings::Add(const AnsiString &S)
{
    int index = GetCount();
    Insert(index, S);
    return index;
}

int TStrings::AddObject(const AnsiString &S, TObject *AObject)
{
    int index = Add(S);
    PutObject(index, AObject);
    return index;
}

void TStrings::AddStrings(TStrings *Strings)
{
    rtl::Updating(*this, [&] {
        for (int i = 0; i < Strings->Count(); ++i)
            AddObject(Strings->Get(i), Strings->GetObject(i));
    });
}

void TStrings::Assign(TPersistent *Source)
{
    auto *source = dynamic_cast<TStrings *>(Source);
    if (!source) {
        TPersistent::Assign(Source);
        return;
    }
    rtl::Updating(*this, [&] {
        Clear();
        FDelimiter = source->FDelimiter;
        FQuoteChar = source->FQuoteChar;
        AddStrings(source);
    });
}

void TStrings::BeginUpdate()
{
    if (FUpdateCount == 0) SetUpdateState(true);
    ++FUpdateCount;
}

void TStrings::EndUpdate()
{
    --FUpdateCount;
    if (FUpdateCount == 0) SetUpdateState(false);
}

void TStrings::Exchange(int Index1, int Index2)
{
    rtl::Updating(*this, [&] {
        AnsiString temp = Get(Index1);
        TObject *tempObject = GetObject(Index1);
        Put(Index1, Get(Index2));
        PutObject(Index1, GetObject(Index2));
        Put(Index2, temp);
        PutObject(Index2, tempObject);
    });
}

void TStrings::Move(int CurIndex, int NewIndex)
{
    if (CurIndex == NewIndex) return;
    rtl::Updating(*this, [&] {
        AnsiString temp = Get(CurIndex);
        TObject *tempObject = GetObject(CurIndex);
        Delete(CurIndex);
        InsertObject(NewIndex, temp, tempObject);
    });
}

void TStrings::InsertObject(int Index, const AnsiString &S, TObject *AObject)
{
    Insert(Index, S);
    PutObject(Index, AObject);
}

int TStrings::IndexOf(const AnsiString &S) const
{
    for (int i = 0; i < GetCount(); ++i)
        if (CompareStrings(Get(i), S) == 0) return i;
    return -1;
}

int TStrings::IndexOfName(const AnsiString &Name) const
{
    for (int i = 0; i < GetCount(); ++i) {
        AnsiString s = Get(i);
        int p = s.Pos("=");
        if (p != 0 && CompareStrings(s.SubString(1, p - 1), Name) == 0) return i;
    }
    return -1;
}

int TStrings::IndexOfObject(TObject *AObject) const
{
    for (int i = 0; i < GetCount(); ++i)
        if (GetObject(i) == AObject) return i;
    return -1;
}

bool TStrings::Equals(TStrings *Strings) const
{
    if (GetCount() != Strings->GetCount()) return false;
    for (int i = 0; i < GetCount(); ++i)
        if (Get(i) != Strings->Get(i)) return false;
    return true;
}

void TStrings::LoadFromFile(const AnsiString &FileName)
{
    rtl::BoundedFileStream stream(FileName, rtl::TextFileLimit);
    LoadFromStream(&stream);
}

void TStrings::LoadFromStream(TStream *Stream)
{
    std::int64_t size = Stream->Size() - Stream->Position();
    std::string bytes(static_cast<std::size_t>(std::max<std::int64_t>(size, 0)), '\0');
    // A read that stops short raises, before the lines change: the text it would leave is
    // cut, and nothing tells it from a whole one.
    Stream->ReadBuffer(bytes.data(), static_cast<int>(bytes.size()));
    rtl::Updating(*this, [&] { SetTextStr(AnsiString(std::move(bytes))); });
}

void TStrings::SaveToFile(const AnsiString &FileName) const
{
    rtl::SaveStreamToFile(FileName, [this](TStream *Stream) { SaveToStream(Stream); });
}

void TStrings::SaveToStream(TStream *Stream) const
{
    AnsiString text = GetTextStr();
    Stream->WriteBuffer(text.Data(), text.Length());
}

TObject *TStrings::GetObject(int) const
{
    return nullptr;
}

void TStrings::Put(int Index, const AnsiString &S)
{
    TObject *object = GetObject(Index);
    Delete(Index);
    InsertObject(Index, S, object);
}

void TStrings::PutObject(int, TObject *) {}

AnsiString TStrings::Names(int Index) const
{
    AnsiString s = Get(Index);
    int p = s.Pos("=");
    return p != 0 ? s.SubString(1, p - 1) : AnsiString();
}

AnsiString TStrings::Values(const AnsiString &Name) const
{
    int i = IndexOfName(Name);
    return i >= 0 ? Get(i).SubString(Name.Length() + 2, 0x7FFFFFFF) : AnsiString();
}

void TStrings::SetValues(const AnsiString &Name, const AnsiString &Value)
{
    int i = IndexOfName(Name);
    if (Value.IsEmpty()) {
        if (i >= 0) Delete(i);
    } else if (i < 0) {
        // Added whole, so a sorted list takes it in its place instead of
        // keeping an empty line when the replacement is refused.
        Add(Name + "=" + Value);
    } else {
        Put(i, Name + "=" + Value);
    }
}

AnsiString TStrings::ValueFromIndex(int Index) const
{
    if (Index < 0) return {};
    return Get(Index).SubString(Names(Index).Length() + 2, 0x7FFFFFFF);
}

AnsiString TStrings::GetTextStr() const
{
    std::string text;
    for (int i = 0; i < GetCount(); ++i) {
        text += Get(i).View();
        text += "\r\n";
    }
    return text;
}

void TStrings::SetTextStr(const AnsiString &Value)
{
    rtl::Updating(*this, [&] {
        Clear();
        // The text is a C string to the class library: a NUL ends it, also in a loaded file.
        std::string_view text = Value.View();
        rtl::AddLines(*this, text.substr(0, text.find('\0')));
    });
}

namespace
{

bool IsBlank(char c)
{
    return static_cast<unsigned char>(c) <= ' ';
}

// Quote + S with every quote doubled + quote.
AnsiString QuotedText(const AnsiString &S, char Quote)
{
    std::string out(1, Quote);
    for (char c : S.View()) {
        out += c;
        if (c == Quote) out += c;
    }
    out += Quote;
    return out;
}

// The quoted part starting at Text[P] (a quote), doubled quotes made single;
// P ends just after the closing quote, or at the end when there is none.
AnsiString ExtractQuoted(std::string_view Text, std::size_t &P, char Quote)
{
    std::string out;
    ++P;
    while (P < Text.size()) {
        char c = Text[P++];
        if (c != Quote) {
            out += c;
        } else if (P < Text.size() && Text[P] == Quote) {
            out += Quote;
            ++P;
        } else {
            break;
        }
    }
    return out;
}

} // namespace

AnsiString TStrings::JoinDelimited(char Delimiter, char Quote) const
{
    int count = GetCount();
    if (count == 1 && Get(0).IsEmpty()) return AnsiString(std::string(2, Quote));
    std::string result;
    for (int i = 0; i < count; ++i) {
        AnsiString s = Get(i);
        bool plain = std::none_of(s.View().begin(), s.View().end(), [&](char c) {
            return IsBlank(c) || c == Quote || c == Delimiter;
        });
        if (i > 0) result += Delimiter;
        result += plain ? s.View() : QuotedText(s, Quote).View();
    }
    return result;
}

void TStrings::SplitDelimited(const AnsiString &Value, char Delimiter, char Quote)
{
    rtl::Updating(*this, [&] {
        Clear();
        // The text ends at a NUL byte, as the class library reads it.
        std::string_view text = Value.View();
        text = text.substr(0, text.find('\0'));
        auto skipBlanks = [&](std::size_t &p) {
            while (p < text.size() && IsBlank(text[p]))
                ++p;
        };
        std::size_t p = 0;
        skipBlanks(p);
        while (p < text.size()) {
            if (text[p] == Quote) {
                Add(ExtractQuoted(text, p, Quote));
            } else {
                std::size_t start = p;
                while (p < text.size() && !IsBlank(text[p]) && text[p] != Delimiter)
                    ++p;
                Add(AnsiString(text.substr(start, p - start)));
            }
            skipBlanks(p);
            if (p < text.size() && text[p] == Delimiter) {
                if (p + 1 == text.size()) Add(AnsiString());
                ++p;
                skipBlanks(p);
            }
        }
    });
}

int TStrings::CompareStrings(const AnsiString &S1, const AnsiString &S2) const
{
    return AnsiCompareText(S1, S2);
}

void rtl::SetLines(TStrings *Strings, const std::vector<AnsiString> &Lines)
{
    rtl::Updating(*Strings, [&] {
        Strings->Clear();
        for (const AnsiString &line : Lines)
            Strings->Add(line);
    });
}

void rtl::AddLines(TStrings &Strings, std::string_view Text)
{
    std::size_t p = 0;
    while (p < Text.size()) {
        const std::size_t end = std::min(Text.find_first_of("\r\n", p), Text.size());
        Strings.Add(AnsiString(Text.substr(p, end - p)));
        p = end;
        if (p < Text.size() && Text[p] == '\r') ++p;
        if (p < Text.size() && Text[p] == '\n') ++p;
    }
}

// ---------------------------------------------------------------------------
// TStringList

void TStringList::CheckIndex(int Index) const
{
    if (Index < 0 || Index >= GetCount()) Error(SListIndexError, Index);
}

int TStringList::Add(const AnsiString &S)
{
    return AddObject(S, nullptr);
}

int TStringList::AddObject(const AnsiString &S, TObject *AObject)
{
    int index = GetCount();
    if (FSorted && Find(S, index)) {
        if (FDuplicates == dupIgnore) return index;
        if (FDuplicates == dupError) Error(SDuplicateString, 0);
    }
    InsertItem(index, S, AObject);
    return index;
}

void TStringList::Changed()
{
    if (UpdateCount() == 0 && OnChange) OnChange(this);
}

void TStringList::Changing()
{
    if (UpdateCount() == 0 && OnChanging) OnChanging(this);
}

void TStringList::Clear()
{
    if (FList.empty()) return;
    Changing();
    FList.clear();
    FList.shrink_to_fit();
    Changed();
}

void TStringList::Delete(int Index)
{
    CheckIndex(Index);
    Changing();
    FList.erase(FList.begin() + Index);
    Changed();
}

void TStringList::Move(int CurIndex, int NewIndex)
{
    // Refused before the line is taken out, so a sorted list loses nothing.
    if (FSorted && CurIndex != NewIndex) Error(SSortedListError, 0);
    TStrings::Move(CurIndex, NewIndex);
}

void TStringList::Exchange(int Index1, int Index2)
{
    CheckIndex(Index1);
    CheckIndex(Index2);
    Changing();
    ExchangeItems(Index1, Index2);
    Changed();
}

void TStringList::ExchangeItems(int Index1, int Index2)
{
    std::swap(FList[Index1], FList[Index2]);
}

bool TStringList::Find(const AnsiString &S, int &Index) const
{
    bool found = false;
    int l = 0, h = GetCount() - 1;
    while (l <= h) {
        int i = (l + h) >> 1;
        int c = CompareStrings(FList[i]->FString, S);
        if (c < 0) {
            l = i + 1;
        } else {
            h = i - 1;
            if (c == 0) {
                found = true;
                if (FDuplicates != dupAccept) l = i;
            }
        }
    }
    Index = l;
    return found;
}

AnsiString TStringList::Get(int Index) const
{
    CheckIndex(Index);
    return FList[Index]->FString;
}

TObject *TStringList::GetObject(int Index) const
{
    CheckIndex(Index);
    return FList[Index]->FObject;
}

int TStringList::IndexOf(const AnsiString &S) const
{
    if (!FSorted) return TStrings::IndexOf(S);
    int index;
    return Find(S, index) ? index : -1;
}

void TStringList::Insert(int Index, const AnsiString &S)
{
    InsertObject(Index, S, nullptr);
}

void TStringList::InsertObject(int Index, const AnsiString &S, TObject *AObject)
{
    if (FSorted) Error(SSortedListError, 0);
    if (Index < 0 || Index > GetCount()) Error(SListIndexError, Index);
    InsertItem(Index, S, AObject);
}

void TStringList::InsertItem(int Index, const AnsiString &S, TObject *AObject)
{
    Changing();
    FList.insert(FList.begin() + Index, std::make_unique<Item>(Item{S, AObject}));
    Changed();
}

void TStringList::Put(int Index, const AnsiString &S)
{
    if (FSorted) Error(SSortedListError, 0);
    CheckIndex(Index);
    Changing();
    FList[Index]->FString = S;
    Changed();
}

void TStringList::PutObject(int Index, TObject *AObject)
{
    CheckIndex(Index);
    Changing();
    FList[Index]->FObject = AObject;
    Changed();
}

void TStringList::QuickSort(int L, int R, const TStringListSortCompare &Compare)
{
    int i, j;
    do {
        i = L;
        j = R;
        int p = (L + R) >> 1;
        do {
            while (Compare(this, i, p) < 0)
                ++i;
            while (Compare(this, j, p) > 0)
                --j;
            if (i <= j) {
                ExchangeItems(i, j);
                if (p == i)
                    p = j;
                else if (p == j)
                    p = i;
                ++i;
                --j;
            }
        } while (i <= j);
        if (L < j) QuickSort(L, j, Compare);
        L = i;
    } while (i < R);
}

void TStringList::CustomSort(const TStringListSortCompare &Compare)
{
    if (FSorted || GetCount() <= 1) return;
    Changing();
    QuickSort(0, GetCount() - 1, Compare);
    Changed();
}

void TStringList::Sort()
{
    CustomSort([](TStringList *List, int Index1, int Index2) {
        return List->CompareStrings(List->FList[Index1]->FString, List->FList[Index2]->FString);
    });
}

void TStringList::SetSorted(bool Value)
{
    if (FSorted == Value) return;
    if (Value) Sort();
    FSorted = Value;
}

void TStringList::ResortKeepingFlag()
{
    FSorted = false;
    Sort();
    FSorted = true;
}

void TStringList::SetCaseSensitive(bool Value)
{
    if (FCaseSensitive == Value) return;
    FCaseSensitive = Value;
    // The order depends on the comparison, so a sorted list sorts itself again;
    // without this Find would halve over an order it no longer holds.
    if (FSorted) ResortKeepingFlag();
}

void TStringList::SetCapacity(int NewCapacity)
{
    if (NewCapacity < GetCount()) Error(SListCapacityError, NewCapacity);
    FList.reserve(NewCapacity);
}

void TStringList::SetUpdateState(bool Updating)
{
    if (Updating)
        Changing();
    else
        Changed();
}

int TStringList::CompareStrings(const AnsiString &S1, const AnsiString &S2) const
{
    return FCaseSensitive ? AnsiCompareStr(S1, S2) : AnsiCompareText(S1, S2);
}
