#include "platform/rtl/Classes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

namespace
{

struct Keyed {
    int Key;
    char Tag;
};

int CompareKeys(void *A, void *B)
{
    return static_cast<Keyed *>(A)->Key - static_cast<Keyed *>(B)->Key;
}

std::string Tags(TList &List)
{
    std::string tags;
    for (int i = 0; i < List.Count(); ++i)
        tags += static_cast<Keyed *>(List.Items(i))->Tag;
    return tags;
}

std::string Lines(const TStrings &List)
{
    std::string out;
    for (int i = 0; i < List.Count(); ++i)
        out += (i ? "|" : "") + List[i].ToStd();
    return out;
}

std::string TempPath(const char *Name)
{
    return testing::TempDir() + "qrv4_lists_" + std::to_string(getpid()) + "_" + Name;
}

std::string ReadBytes(const std::string &Path)
{
    std::ifstream in(Path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

} // namespace

// ---------------------------------------------------------------------------

TEST(TListItems, IndexOutsideRaisesWithTheIndex)
{
    TList list;
    int a = 1;
    list.Add(&a);
    try {
        list.Items(5);
        FAIL() << "no exception";
    } catch (const EListError &e) {
        EXPECT_EQ(e.Message(), "List index out of bounds (5)");
    }
    EXPECT_THROW(list.Delete(-1), EListError);
    EXPECT_THROW(list.Insert(2, &a), EListError);
    list.Insert(1, &a); // Count itself is a valid place to insert
    EXPECT_THROW(list.Move(0, 2), EListError);
    EXPECT_THROW(TList().First(), EListError);
}

TEST(TListItems, AddInsertMoveExchangeRemoveExtract)
{
    Keyed a{1, 'a'}, b{2, 'b'}, c{3, 'c'}, d{4, 'd'};
    TList list;
    list.Add(&a);
    list.Add(&c);
    list.Insert(1, &b);
    list.Insert(0, &d);
    EXPECT_EQ(Tags(list), "dabc");
    list.Move(0, 3);
    EXPECT_EQ(Tags(list), "abcd");
    list.Exchange(0, 3);
    EXPECT_EQ(Tags(list), "dbca");
    EXPECT_EQ(list.Remove(&c), 2);
    EXPECT_EQ(list.Remove(&c), -1);
    EXPECT_EQ(list.Extract(&b), &b);
    EXPECT_EQ(Tags(list), "da");
    EXPECT_EQ(list.IndexOf(&a), 1);
    EXPECT_EQ(list.Last(), &a);
}

TEST(TListItems, CountGrowsWithNullsAndPackRemovesThem)
{
    Keyed a{1, 'a'};
    TList list;
    list.Add(&a);
    list.SetCount(3);
    EXPECT_EQ(list.Count(), 3);
    EXPECT_EQ(list.Items(2), nullptr);
    list.Pack();
    EXPECT_EQ(list.Count(), 1);
    EXPECT_THROW(list.SetCount(-1), EListError);
    EXPECT_THROW(list.SetCapacity(0), EListError);
}

TEST(TListSort, EqualKeysComeOutAsTheClassLibraryLeavesThem)
{
    // Three equal keys: the quicksort swaps the outer pair.
    Keyed a{5, 'a'}, b{5, 'b'}, c{5, 'c'};
    TList list;
    list.Add(&a);
    list.Add(&b);
    list.Add(&c);
    list.Sort(CompareKeys);
    EXPECT_EQ(Tags(list), "cba");

    Keyed p{2, 'p'}, q{1, 'q'}, r{2, 'r'}, s{1, 's'}, t{3, 't'};
    TList mixed;
    for (Keyed *k : {&p, &q, &r, &s, &t})
        mixed.Add(k);
    mixed.Sort(CompareKeys);
    EXPECT_EQ(Tags(mixed), "qsrpt");
}

// ---------------------------------------------------------------------------

TEST(TStringsText, EveryLineEndsWithCrLfTheLastToo)
{
    TStringList list;
    EXPECT_EQ(list.Text(), "");
    list.Add("a");
    list.Add("");
    list.Add("b");
    EXPECT_EQ(list.Text(), "a\r\n\r\nb\r\n");
}

TEST(TStringsText, SetterSplitsOnCrLfLfAndCr)
{
    TStringList list;
    list.SetText("a\r\nb\nc\rd");
    EXPECT_EQ(Lines(list), "a|b|c|d");
    list.SetText("a\r\n");
    EXPECT_EQ(list.Count(), 1);
    list.SetText("a\r\n\r\n");
    EXPECT_EQ(Lines(list), "a|");
    // LF then CR is two breaks, not one.
    list.SetText("\n\r");
    EXPECT_EQ(list.Count(), 2);
    list.SetText("");
    EXPECT_EQ(list.Count(), 0);
    list.SetText("x\r\ry");
    EXPECT_EQ(Lines(list), "x||y");
}

TEST(TStringsText, TextEndsAtTheFirstNul)
{
    TStringList list;
    list.SetText(AnsiString(std::string("a\r\nb\0c\r\nd", 9)));
    EXPECT_EQ(Lines(list), "a|b");
    list.SetText(AnsiString(std::string("\0a", 2)));
    EXPECT_EQ(list.Count(), 0);

    // A file padded with NULs after its text, as fixed-size records leave it.
    TMemoryStream stream;
    stream.WriteBuffer("x\r\ny\r\n\0\0\0junk", 12);
    stream.SetPosition(0);
    list.LoadFromStream(&stream);
    EXPECT_EQ(Lines(list), "x|y");
}

TEST(TStringsText, CommaTextQuotesWhatNeedsIt)
{
    TStringList list;
    list.Add("a");
    list.Add("b c");
    list.Add("d\"e");
    list.Add("f,g");
    list.Add("");
    EXPECT_EQ(list.CommaText(), "a,\"b c\",\"d\"\"e\",\"f,g\",");
    TStringList single;
    single.Add("");
    EXPECT_EQ(single.CommaText(), "\"\"");
    TStringList tab;
    tab.Add("x\ty");
    EXPECT_EQ(tab.CommaText(), "\"x\ty\"");
}

TEST(TStringsText, CommaTextSetterSplitsAtCommasAndBlanks)
{
    TStringList list;
    list.SetCommaText(" a, \"b c\" ,\"d\"\"e\",");
    EXPECT_EQ(Lines(list), "a|b c|d\"e|");
    list.SetCommaText("a b,c");
    EXPECT_EQ(Lines(list), "a|b|c");
    list.SetCommaText(",x");
    EXPECT_EQ(Lines(list), "|x");
    list.SetCommaText("");
    EXPECT_EQ(list.Count(), 0);
    // An unterminated quote keeps the whole rest of the text.
    list.SetCommaText("\"abc");
    EXPECT_EQ(Lines(list), "abc");
}

TEST(TStringsText, DelimitedTextUsesItsOwnCharacters)
{
    TStringList list;
    list.SetDelimiter(';');
    list.SetQuoteChar('\'');
    list.SetDelimitedText("a;'b;c';d");
    EXPECT_EQ(Lines(list), "a|b;c|d");
    EXPECT_EQ(list.DelimitedText(), "a;'b;c';d");
    // CommaText stays comma and double quote.
    EXPECT_EQ(list.CommaText(), "a,b;c,d");
}

TEST(TStringsValues, NamesValuesAndDeletionByEmptyValue)
{
    TStringList list;
    list.SetValues("a", "1");
    list.SetValues("b", "2=x");
    list.SetValues("A", "3"); // names compare without case: replaces a
    EXPECT_EQ(list.Text(), "A=3\r\nb=2=x\r\n");
    EXPECT_EQ(list.Values("B"), "2=x");
    EXPECT_EQ(list.Names(1), "b");
    EXPECT_EQ(list.ValueFromIndex(1), "2=x");
    EXPECT_EQ(list.IndexOfName("a"), 0);
    EXPECT_EQ(list.Values("zz"), "");
    list.SetValues("a", "");
    EXPECT_EQ(list.Text(), "b=2=x\r\n");
    list.Add("plain");
    EXPECT_EQ(list.Names(1), "");
    EXPECT_EQ(list.IndexOfName("plain"), -1);
}

TEST(TStringsValues, CyrillicNamesCompareWithoutCase)
{
    TStringList list;
    list.Add("ПРИВЕТ"_a);
    list.Add("Ёлка=1"_a);
    EXPECT_EQ(list.IndexOf("привет"_a), 0);
    EXPECT_EQ(list.Values("ёлка"_a), "1");
}

TEST(TStringsObjects, ObjectsFollowTheirLines)
{
    TStringList list, other;
    list.AddObject("a", &other);
    list.AddObject("b", nullptr);
    list.Exchange(0, 1);
    EXPECT_EQ(list.Objects(1), &other);
    EXPECT_EQ(list.IndexOfObject(&other), 1);
    list.Move(1, 0);
    EXPECT_EQ(list[0], "a");
    EXPECT_EQ(list.Objects(0), &other);
    list.SetObjects(1, &list);
    EXPECT_EQ(list.IndexOfObject(&list), 1);
    EXPECT_THROW(list.Objects(2), EStringListError);
}

TEST(TStringsAssign, CopiesLinesObjectsAndDelimiters)
{
    TStringList source, dest;
    source.AddObject("x", &source);
    source.Add("y");
    source.SetDelimiter(';');
    dest.Add("old");
    dest.Assign(&source);
    EXPECT_EQ(Lines(dest), "x|y");
    EXPECT_EQ(dest.Objects(0), &source);
    EXPECT_EQ(dest.Delimiter(), ';');
    EXPECT_TRUE(dest.Equals(&source));
    dest.AddStrings(&source);
    EXPECT_EQ(Lines(dest), "x|y|x|y");
}

TEST(TStringsFiles, SaveAndLoadKeepCp1251BytesAndCrLf)
{
    std::string path = TempPath("lines.txt");
    TStringList list;
    list.Add("Ключ"_a);
    list.Add("b");
    list.SaveToFile(path.c_str());
    EXPECT_EQ(ReadBytes(path), "\xCA\xEB\xFE\xF7\r\nb\r\n");
    TStringList back;
    back.LoadFromFile(path.c_str());
    EXPECT_EQ(Lines(back), Lines(list));
    std::remove(path.c_str());
    EXPECT_THROW(back.LoadFromFile(path.c_str()), EFOpenError);
}

TEST(TStringsStreams, LoadReadsFromThePositionToTheEnd)
{
    TMemoryStream stream;
    stream.WriteBuffer("skip|a\nb", 8);
    stream.SetPosition(5);
    TStringList list;
    list.LoadFromStream(&stream);
    EXPECT_EQ(Lines(list), "a|b");
}

namespace
{

// A stream whose reads stop after Limit bytes, as a file does that fails or shrinks meanwhile.
class TCutStream : public TMemoryStream
{
public:
    explicit TCutStream(int Limit) : FLeft(Limit) {}
    int Read(void *Buffer, int Count) override
    {
        const int got = TMemoryStream::Read(Buffer, std::min(Count, FLeft));
        FLeft -= got;
        return got;
    }

private:
    int FLeft;
};

} // namespace

TEST(TStringsStreams, ReadThatComesShortRaisesAndKeepsTheLines)
{
    TCutStream stream(5);
    stream.WriteBuffer("first\r\nsecond\r\n", 15);
    stream.SetPosition(0);
    TStringList list;
    list.Add("old");
    EXPECT_THROW(list.LoadFromStream(&stream), EReadError);
    EXPECT_EQ(Lines(list), "old");
}

// ---------------------------------------------------------------------------

TEST(TStringListSorted, AddKeepsOrderAndInsertIsRefused)
{
    TStringList list;
    list.SetSorted(true);
    list.Add("b");
    list.Add("C");
    list.Add("a");
    EXPECT_EQ(Lines(list), "a|b|C");
    try {
        list.Insert(0, "z");
        FAIL() << "no exception";
    } catch (const EStringListError &e) {
        EXPECT_EQ(e.Message(), "Operation not allowed on sorted list");
    }
    EXPECT_THROW(list.SetStrings(0, "z"), EStringListError);
    // A refused move keeps every line.
    EXPECT_THROW(list.Move(0, 2), EStringListError);
    EXPECT_EQ(Lines(list), "a|b|C");
}

TEST(TStringListSorted, ValuesOfANewNameGoInOrder)
{
    TStringList list;
    list.SetSorted(true);
    list.SetValues("m", "1");
    list.SetValues("b", "2");
    EXPECT_EQ(list.Text(), "b=2\r\nm=1\r\n");
    // Replacing a line is refused on a sorted list, and nothing else changes.
    EXPECT_THROW(list.SetValues("m", "3"), EStringListError);
    EXPECT_EQ(list.Count(), 2);
    list.SetValues("b", "");
    EXPECT_EQ(list.Text(), "m=1\r\n");
}

TEST(TStringListSorted, DuplicatesIgnoreAcceptAndError)
{
    TStringList list;
    list.SetSorted(true);
    EXPECT_EQ(list.Add("x"), 0);
    EXPECT_EQ(list.Add("y"), 1);
    EXPECT_EQ(list.Add("X"), 0); // ignored: the index of the one there
    EXPECT_EQ(Lines(list), "x|y");
    list.SetDuplicates(dupError);
    try {
        list.Add("Y");
        FAIL() << "no exception";
    } catch (const EStringListError &e) {
        EXPECT_EQ(e.Message(), "String list does not allow duplicates");
    }
}

TEST(TStringListSorted, LaterDuplicateGoesBeforeEarlierOnes)
{
    TStringList list;
    list.SetSorted(true);
    list.SetDuplicates(dupAccept);
    TObject first, second, third;
    list.AddObject("key", &first);
    list.AddObject("other", nullptr);
    list.AddObject("KEY", &second);
    list.AddObject("Key", &third);
    EXPECT_EQ(Lines(list), "Key|KEY|key|other");
    int index = -1;
    EXPECT_TRUE(list.Find("key", index));
    EXPECT_EQ(index, 0);
    EXPECT_EQ(list.Objects(index), &third);
    EXPECT_EQ(list.IndexOf("kEy"), 0);
}

TEST(TStringListSorted, FindGivesTheInsertionPlaceWhenMissing)
{
    TStringList list;
    list.SetSorted(true);
    for (const char *s : {"b", "d", "f"})
        list.Add(s);
    int index = -1;
    EXPECT_FALSE(list.Find("e", index));
    EXPECT_EQ(index, 2);
    EXPECT_FALSE(list.Find("z", index));
    EXPECT_EQ(index, 3);
    EXPECT_TRUE(list.Find("D", index));
    EXPECT_EQ(index, 1);
}

TEST(TStringListSorted, CaseSensitiveListKeepsBothCases)
{
    TStringList list;
    list.SetCaseSensitive(true);
    list.SetSorted(true);
    list.Add("a");
    list.Add("A");
    EXPECT_EQ(list.Count(), 2);
    // Alphabetical first; of two that differ in case only, lower case first.
    EXPECT_EQ(list.IndexOf("a"), 0);
    EXPECT_EQ(list.IndexOf("A"), 1);
    EXPECT_EQ(list.IndexOf("b"), -1);
}

TEST(TStringListSorted, ChangingCaseSensitivityResorts)
{
    TStringList list;
    list.SetSorted(true);
    list.SetDuplicates(dupAccept);
    for (const char *s : {"b", "B", "a"})
        list.Add(s);
    EXPECT_EQ(Lines(list), "a|B|b");
    // Without sorting again, halving for "b" would stop at "B" and miss it.
    list.SetCaseSensitive(true);
    EXPECT_EQ(Lines(list), "a|b|B");
    int index = -1;
    EXPECT_TRUE(list.Find("b", index));
    EXPECT_EQ(index, 1);
}

TEST(TStringListSort, EqualKeysTakeTheClassLibraryOrder)
{
    TStringList list;
    for (const char *s : {"b", "a", "B"})
        list.Add(s);
    list.Sort();
    EXPECT_EQ(Lines(list), "a|B|b");
    // Setting Sorted sorts the lines there.
    TStringList other;
    for (const char *s : {"я", "Б", "а", "Е"})
        other.Add(AnsiString::FromUtf8(s));
    other.SetSorted(true);
    EXPECT_EQ(Lines(other), "а|Б|Е|я"_a.ToStd());
}

TEST(TStringListSort, CustomSortUsesTheComparer)
{
    TStringList list;
    for (const char *s : {"ccc", "a", "bb"})
        list.Add(s);
    list.CustomSort([](TStringList *List, int I1, int I2) {
        return List->Strings(I2).Length() - List->Strings(I1).Length();
    });
    EXPECT_EQ(Lines(list), "ccc|bb|a");
}

TEST(TStringListEvents, UpdateBracketRaisesOnePairOfEvents)
{
    TStringList list;
    int changing = 0, changed = 0;
    list.OnChanging = [&](TObject *Sender) {
        EXPECT_EQ(Sender, &list);
        ++changing;
    };
    list.OnChange = [&](TObject *) { ++changed; };
    list.Add("a");
    EXPECT_EQ(changing, 1);
    EXPECT_EQ(changed, 1);
    list.BeginUpdate();
    list.Add("b");
    list.Add("c");
    list.Delete(0);
    EXPECT_EQ(changed, 1);
    list.EndUpdate();
    EXPECT_EQ(changing, 2);
    EXPECT_EQ(changed, 2);
    list.SetText("x\ny");
    EXPECT_EQ(changed, 3);
}

TEST(TThreadListLocking, AddIgnoresDuplicatesByDefault)
{
    TThreadList list;
    int a = 0;
    list.Add(&a);
    list.Add(&a);
    TList *locked = list.LockList();
    EXPECT_EQ(locked->Count(), 1);
    list.UnlockList();
    list.SetDuplicates(dupError);
    EXPECT_THROW(list.Add(&a), EListError);
    list.Remove(&a);
    EXPECT_EQ(list.LockList()->Count(), 0);
    list.UnlockList();
}
