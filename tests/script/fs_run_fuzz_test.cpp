// Random damage to valid programs, compiled and run: whatever the text, the
// engine ends with a compile error, a script error or a result, never a crash.
// Each text runs in a child process, so that a program that loops for ever by
// its own design (a while loop around a bare continue) is simply cut off.
// QRV4_SCRIPT_FUZZ_SECONDS runs it longer by hand.

#include "platform/rtl/SysUtils.h"
#include "script/fs_ihelpers.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <random>
#include <signal.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace
{

struct TSeed {
    const char *Language;
    const char *Text;
};

const TSeed Seeds[] = {
    {"PascalScript", "var i, s: Integer; a: array[0..3] of Integer; t: String; v: Variant;\r\n"
                     "function F(n: Integer): Integer; begin if n <= 1 then Result := 1 else "
                     "Result := n * F(n - 1); end;\r\n"
                     "begin s := 0; for i := 1 to 10 do if i mod 2 = 0 then s := s + i;\r\n"
                     "a[1] := F(5); t := 'abc'; t[2] := 'X'; v := [1, 3..5]; "
                     "try RaiseException('x'); except s := s - 1; end;\r\n"
                     "case s of 1..30: t := Copy(t, 0, 2); else t := ''; end; "
                     "while s > 0 do s := s div 2; end.\r\n"},
    {"C++Script", "int i, s; string t;\r\nint f(int n) { return n * 2; }\r\n"
                  "{ s = 0; for (i = 0; i < 5; i++) s += f(i); t = \"ab\"; "
                  "if (s > 3) { t = t + IntToStr(s); } else t = \"\"; "
                  "while (s > 100) s = s div 2; }\r\n"},
    {"BasicScript", "Dim s\r\ns = \"\"\r\nFor i = 1 To 3\r\n  s = s & i\r\nNext\r\n"
                    "If s = \"123\" Then\r\n  s = Copy(s, 1, 2)\r\nEnd If\r\n"},
    {"JScript", "function f(n) { return n * 2; }\r\nvar r = f(21);\r\n"
                "var a = [10, 20, 30];\r\nvar b = a[1] + a[2];\r\nwhile (r > 1) r = r / 2;\r\n"},
};

const char *const Pieces[] = {
    "(",         ")",      "[",         "]",      "begin",  "end",  ";",       "1",
    "'a'",       "x",      ".",         ",",      ":=",     "+",    "div",     "0",
    "not",       "in",     "is",        "nil",    "Null",   "a[",   "t[",      "999999999999",
    "-",         "F(",     "{",         "}",      "@",      "\r\n", "\"",      "<",
    ">",         "=",      "mod",       "shl 70", "and",    "or",   "var ",    "function ",
    "f(",        "[1..",   "s[100]",    "a[9]",   "t[0]",   "v[2]", "1/0",     "5 div 0",
    "F(100000)", "break;", "continue;", "exit;",  "return", "new ", "delete ", "with ",
    "TObject",   "Result",
};

std::string Mutate(std::string Text, std::mt19937 &Random)
{
    int Edits = 1 + static_cast<int>(Random() % 4);
    for (int E = 0; E < Edits && !Text.empty(); ++E) {
        std::size_t At = Random() % (Text.size() + 1);
        switch (Random() % 4) {
        case 0:
            Text.erase(At, Random() % 8);
            break;
        case 1:
            Text.insert(At, Pieces[Random() % std::size(Pieces)]);
            break;
        case 2: {
            std::size_t From = Random() % Text.size();
            Text.insert(At, Text.substr(From, Random() % 24));
            break;
        }
        default:
            if (At < Text.size()) Text[At] = static_cast<char>(Random() % 256);
            break;
        }
    }
    return Text;
}

// A script with its host classes registered, made before the children fork: each child
// compiles into its own copy of it instead of registering the classes again.
TfsScript &Prototype()
{
    static TfsScript Script(nullptr);
    static const bool Registered = (Script.AddRTTI(), true);
    (void)Registered;
    return Script;
}

// Compiles and runs one text; stops a run after a bounded number of statements.
// False when a failed compile gave no reason.
bool Try(const TSeed &Seed, const std::string &Text)
{
    TfsScript &Script = Prototype();
    Script.SetSyntaxType(Seed.Language);
    Script.Lines()->SetText(AnsiString(Text));
    int Steps = 0;
    Script.OnRunLine = [&Steps](TfsScript *Sender, const AnsiString &, const AnsiString &) {
        if (++Steps > 20000) Sender->MainScript()->Terminate();
    };
    try {
        if (!Script.Compile()) return !Script.ErrorMsg.IsEmpty();
        Script.Execute();
    } catch (const std::exception &) {
        // A script error is a fine outcome; a crash is not.
    }
    return true;
}

// Runs Try in a child process: true unless the child crashed or failed.
bool TryInChild(const TSeed &Seed, const std::string &Text)
{
    pid_t Pid = fork();
    if (Pid == 0) {
        alarm(5);
        _exit(Try(Seed, Text) ? 0 : 1);
    }
    int Status = 0;
    waitpid(Pid, &Status, 0);
    bool CutOff = WIFSIGNALED(Status) && WTERMSIG(Status) == SIGALRM;
    return CutOff || (WIFEXITED(Status) && WEXITSTATUS(Status) == 0);
}

} // namespace

TEST(ScriptRunFuzz, DamagedProgramsNeverCrash)
{
    const char *Env = std::getenv("QRV4_SCRIPT_FUZZ_SECONDS");
    double Seconds = Env ? std::atof(Env) : 0;
    auto Stop = std::chrono::steady_clock::now() + std::chrono::duration<double>(Seconds);
    std::mt19937 Random(20261207);
    Prototype();
    int Runs = 0;
    while (Runs < 1000 || std::chrono::steady_clock::now() < Stop) {
        const TSeed &Seed = Seeds[Runs % std::size(Seeds)];
        std::string Text = Mutate(Seed.Text, Random);
        ASSERT_TRUE(TryInChild(Seed, Text)) << Seed.Language << ":\n" << Text;
        ++Runs;
    }
    SUCCEED() << Runs << " runs";
}

TEST(ScriptRunFuzz, SeedsThemselvesCompile)
{
    for (const TSeed &Seed : Seeds) {
        TfsScript Script(nullptr);
        Script.AddRTTI();
        Script.SetSyntaxType(Seed.Language);
        Script.Lines()->SetText(Seed.Text);
        EXPECT_TRUE(Script.Compile())
            << Seed.Language << ": " << Script.ErrorMsg.View() << " @ " << Script.ErrorPos.View();
    }
}
