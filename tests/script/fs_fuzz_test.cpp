// Random and mutated source texts for every grammar. Whatever the text, the
// compiler must end with either an IL program or a syntax error with its
// position: no crash, no hang, no read outside the text (the test build runs
// under the address and undefined-behaviour sanitizers).
//
// QRV4_FUZZ_SECONDS=N runs each language for N seconds with a fresh seed
// instead of the short fixed run.

#include "ScriptTestSupport.h"

#include "platform/rtl/SysUtils.h"
#include "script/fs_itools.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

namespace
{

struct Language {
    const char *Name;
    std::vector<std::string> Tokens;
    std::vector<std::string> Samples;
};

const std::vector<std::string> Common = {"(",
                                         ")",
                                         "[",
                                         "]",
                                         "{",
                                         "}",
                                         ";",
                                         ",",
                                         ".",
                                         "..",
                                         ":",
                                         ":=",
                                         "=",
                                         "==",
                                         "<",
                                         ">",
                                         "<=",
                                         ">=",
                                         "<>",
                                         "!=",
                                         "+",
                                         "-",
                                         "*",
                                         "/",
                                         "\\",
                                         "%",
                                         "&",
                                         "&&",
                                         "|",
                                         "||",
                                         "^",
                                         "!",
                                         "@",
                                         "#",
                                         "'",
                                         "\"",
                                         "`",
                                         "_",
                                         "x",
                                         "y1",
                                         "Get",
                                         "a.b",
                                         "0",
                                         "1",
                                         "42",
                                         "3.14",
                                         "1e5",
                                         "$FF",
                                         "0x1F",
                                         "#65",
                                         "'s'",
                                         "\"s\"",
                                         "\"\\x41\\n\"",
                                         "'it''s'",
                                         "<ds.\"f\">",
                                         "//c",
                                         "{c}",
                                         "(*c*)",
                                         "/*c*/",
                                         "' c",
                                         "rem c",
                                         "\r\n",
                                         "\n",
                                         "\r",
                                         " ",
                                         "\t",
                                         "Счёт"};

const std::vector<Language> &Languages()
{
    static const std::vector<Language> languages = {
        {"PascalScript",
         {"begin",   "end",   "end.",   "var", "const",   "procedure", "function", "if",
          "then",    "else",  "case",   "of",  "repeat",  "until",     "while",    "do",
          "for",     "to",    "downto", "try", "finally", "except",    "with",     "uses",
          "program", "array", "not",    "and", "or",      "div",       "mod",      "in"},
         {"program P; uses 'u.pas'; const N = 3; var a: array[1..N] of Integer; s: String = "
          "'x';\r\n"
          "procedure Q(var x, y: Integer; const z: String); begin x := y end;\r\n"
          "function F(i: Integer): Integer; begin Result := i * 2 end;\r\n"
          "begin if a[1] <> 0 then s := 'y' else s := 'n'; case x of 1, 2..3: Q(t, t, s); else "
          "exit "
          "end; repeat Inc(t) until t >= 10; for t := 10 downto 1 do continue; try F(1) except s "
          ":= "
          "#13#10'z' end; with a do x := @Q; y := <ds.\"f\"> end."}},
        {"C++Script",
         {"#include", "#define", "int",    "void",     "if",      "else", "while",
          "do",       "for",     "switch", "case",     "default", "try",  "finally",
          "except",   "return",  "break",  "continue", "delete",  "new",  "div",
          "in",       "is",      "++",     "--",       "+="},
         {"#include \"u.cpp\"\r\n#define Max 10\r\nint a[3], b = 2;\r\n"
          "int f(int x, string &y = \"q\") { return x * 2; }\r\n"
          "{ if (a == 1) b = 2; else b = 3; while (a != 0) a--; do a++; while (a < 5);\r\n"
          "for (i = 0, j = 1; i <= 9; i++) s += i; switch (a) { case 1, 3..5: b = 1; default: b = "
          "0; "
          "}\r\n try { delete o; } finally { exit; } x = <ds.\"f\"> << 2 && !c; o = new T(1); }"}},
        {"BasicScript",
         {"Dim",     "As",     "Sub",  "End",   "Function", "If",        "Then",    "ElseIf",
          "Else",    "Select", "Case", "Do",    "Loop",     "Until",     "While",   "Wend",
          "For",     "To",     "Step", "Next",  "Try",      "Catch",     "Finally", "With",
          "Imports", "Set",    "New",  "ByRef", "ByVal",    "AddressOf", "Mod",     "Return"},
         {"Imports \"u.vb\"\r\nDim a[3], b As Integer = 5\r\nSub P(ByRef a, ByVal b As Integer)\r\n"
          "  a = b \\ 2 Mod 3\r\nEnd Sub\r\nIf a = 1 Then\r\n  b = 1\r\nElseIf a = 2 Then\r\n  b = "
          "2\r\n"
          "Else\r\n  b = 3\r\nEnd If\r\nSelect Case a\r\nCase 1, 2:\r\n  b = 1\r\nCase Else:\r\n"
          "  b = 0\r\nEnd Select\r\nFor i = 1 To 3 Step 1\r\n  s = s & i ' note\r\nNext\r\n"
          "x = 1 + _\r\n  2 : y = <ds.\"f\">\r\n"}},
        {"JScript",
         {"function", "var",    "if",      "else",     "while",   "do",     "for",
          "switch",   "case",   "default", "try",      "finally", "except", "with",
          "import",   "return", "break",   "continue", "delete",  "new"},
         {"import \"u.js\"; function f(n, &m) { return n * 2; } var r = f(21); var a = [10, 20, "
          "30];\r\n"
          "if (a == 1) b = 2 else { b = 3; } for (var i = 0; i <= 9; i += 1) s++;\r\n"
          "switch (a) { case 1: b = 1; default: b = 0 } try x() finally { delete o; } with (o) x = "
          "1;"}},
    };
    return languages;
}

class Fuzzer
{
public:
    Fuzzer(const Language &Lang, std::mt19937 &Random) : FLang(Lang), FRandom(Random) {}

    std::string Next()
    {
        return Pick(3) == 0 ? TokenSoup() : Mutate(FLang.Samples[Pick(FLang.Samples.size())]);
    }

private:
    std::size_t Pick(std::size_t Count)
    {
        return std::uniform_int_distribution<std::size_t>(0, Count - 1)(FRandom);
    }

    const std::string &Token()
    {
        const std::size_t n = Common.size() + FLang.Tokens.size();
        const std::size_t i = Pick(n);
        return i < Common.size() ? Common[i] : FLang.Tokens[i - Common.size()];
    }

    std::string TokenSoup()
    {
        std::string text;
        const std::size_t count = Pick(120) + 1;
        for (std::size_t i = 0; i < count; ++i) {
            text += Pick(8) == 0 ? std::string(1, static_cast<char>(Pick(256))) : Token();
            if (Pick(3) != 0) text += ' ';
        }
        return text;
    }

    std::string Mutate(std::string Text)
    {
        const std::size_t edits = Pick(6) + 1;
        for (std::size_t e = 0; e < edits && !Text.empty(); ++e) {
            const std::size_t at = Pick(Text.size());
            switch (Pick(5)) {
            case 0:
                Text.erase(at, Pick(20) + 1);
                break;
            case 1:
                Text.insert(at, Token());
                break;
            case 2:
                Text[at] = static_cast<char>(Pick(256));
                break;
            case 3:
                Text.insert(at, Text.substr(Pick(Text.size()), Pick(40)));
                break;
            default:
                Text.resize(at); // cut short
                break;
            }
        }
        return Text;
    }

    const Language &FLang;
    std::mt19937 &FRandom;
};

void CheckOne(const Language &Lang, const std::string &Text, std::mt19937 &Random)
{
    TfsILParser parser(nullptr);
    parser.SetExtendedCharset(true);
    // Included units are more random text, never files.
    int includes = 0;
    parser.OnGetUnit = [&](const AnsiString &, AnsiString &Unit) {
        if (++includes < 4 && Random() % 2 == 0) Unit = Lang.Samples[0].c_str();
    };
    parser.SelectLanguage(Lang.Name);
    bool ok = false;
    try {
        ok = parser.MakeILScript(AnsiString(Text));
    } catch (const Exception &e) {
        // A language directive may name a language that does not exist.
        if (e.Message().Pos("Language '") == 1) return;
        ADD_FAILURE() << Lang.Name << " raised " << e.Message().View() << " for: " << Text;
        return;
    }
    if (ok) {
        const TfsXMLItem *root = parser.ILScript()->Root();
        EXPECT_EQ(root->Name(), "program") << Text;
        ASSERT_GT(root->Count(), 0) << Text;
        EXPECT_EQ(root->Items(root->Count() - 1)->Name(), "types") << Text;
        return;
    }
    EXPECT_FALSE(parser.ErrorMsg().IsEmpty()) << Lang.Name << ": " << Text;
    const POINT at = fsPosToPoint(parser.ErrorPos());
    const long lines = 1 + std::count(Text.begin(), Text.end(), '\n');
    EXPECT_GE(at.y, 1) << Text;
    EXPECT_GE(at.x, 1) << Text;
    if (parser.ErrorUnit().IsEmpty()) {
        EXPECT_LE(at.y, lines) << Text;
    }
}

// A fixed number of texts from a fixed seed, or as many as fit in
// QRV4_FUZZ_SECONDS from a fresh seed.
template <class Step> void Repeat(const char *Name, Step One)
{
    const char *seconds = std::getenv("QRV4_FUZZ_SECONDS");
    const bool timed = seconds && std::atoi(seconds) > 0;
    const unsigned seed = timed ? std::random_device{}() : 12345u;
    const auto until =
        std::chrono::steady_clock::now() + std::chrono::seconds(timed ? std::atoi(seconds) : 0);
    std::mt19937 random(seed);
    long runs = 0;
    for (; timed ? std::chrono::steady_clock::now() < until : runs < 400; ++runs) {
        One(random);
        if (testing::Test::HasFailure()) break;
    }
    if (timed) std::printf("%s: %ld texts, seed %u\n", Name, runs, seed);
}

void FuzzLanguage(const Language &Lang)
{
    Repeat(Lang.Name, [&Lang](std::mt19937 &Random) {
        Fuzzer fuzzer(Lang, Random);
        CheckOne(Lang, fuzzer.Next(), Random);
    });
}

std::string SaveText(TfsXMLDocument &Doc)
{
    TStringStream stream;
    Doc.SaveToStream(&stream);
    return stream.DataString().ToStd();
}

// Damaged XML: the IL of the sample programs and the grammars, cut, spliced
// and sprinkled with markup. It loads, or it is "Invalid file format"; what
// loads saves to a text that loads back to the same text.
void CheckXML(const std::string &Text)
{
    TfsXMLDocument doc;
    TStringStream input{AnsiString(Text)};
    try {
        doc.LoadFromStream(&input);
    } catch (const Exception &e) {
        EXPECT_EQ(e.Message(), "Invalid file format") << Text;
        return;
    }
    const std::string saved = SaveText(doc);
    TfsXMLDocument again;
    TStringStream second{AnsiString(saved)};
    again.LoadFromStream(&second);
    EXPECT_EQ(SaveText(again), saved) << Text;
}

std::vector<std::string> XMLSamples()
{
    std::vector<std::string> samples;
    for (const Language &lang : Languages()) {
        TfsILParser parser(nullptr);
        parser.OnGetUnit = [](const AnsiString &, AnsiString &) {};
        parser.SelectLanguage(lang.Name);
        if (parser.MakeILScript(AnsiString(lang.Samples[0])))
            samples.push_back(SaveText(*parser.ILScript()));
        samples.push_back(fsGetLanguage(lang.Name).ToStd());
    }
    return samples;
}

TEST(Fuzz, PascalScript)
{
    FuzzLanguage(Languages()[0]);
}
TEST(Fuzz, CppScript)
{
    FuzzLanguage(Languages()[1]);
}
TEST(Fuzz, BasicScript)
{
    FuzzLanguage(Languages()[2]);
}
TEST(Fuzz, JScript)
{
    FuzzLanguage(Languages()[3]);
}

TEST(Fuzz, XMLDocument)
{
    const std::vector<std::string> samples = XMLSamples();
    ASSERT_EQ(samples.size(), 8u);
    const std::vector<std::string> markup = {"<",   ">",  "/>", "</a>", "<a>",  "<!--",
                                             "-->", "&#", "\"", " ",    "?xml", "=\""};
    Repeat("XMLDocument", [&](std::mt19937 &Random) {
        auto pick = [&Random](std::size_t Count) {
            return std::uniform_int_distribution<std::size_t>(0, Count - 1)(Random);
        };
        std::string text = samples[pick(samples.size())];
        for (std::size_t e = pick(6) + 1; e > 0 && !text.empty(); --e) {
            const std::size_t at = pick(text.size());
            switch (pick(4)) {
            case 0:
                text.erase(at, pick(30) + 1);
                break;
            case 1:
                text.insert(at, markup[pick(markup.size())]);
                break;
            case 2:
                text[at] = static_cast<char>(pick(256));
                break;
            default:
                text.resize(at);
                break;
            }
        }
        CheckXML(text);
    });
}

} // namespace
