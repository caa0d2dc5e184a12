// A script that builds a text by appending to a string, in each language of the
// script engine, against the same script in QJSEngine (a function, so that its
// JIT runs). Three loads: "s := s + 'x'" (and "s += 'x'" where the language has
// it) for 20,000 to 200,000 passes, and "s := s + 'line ' + IntToStr(i) + #13#10"
// for 20,000 to 80,000 lines.
//
// Each iteration runs ours and then QJSEngine, alternating in one process, and
// times each by its thread's CPU time; the counters are the medians. At the end:
// ours / QJSEngine at each size (below 1: ours is faster) and how much each
// grows when the text doubles (2 is linear, 4 quadratic).

#include "bench/script/ScriptAgainstQjs.h"
#include "bench/support/Timings.h"
#include "script/fs_iinterpreter.h"

#include <QJSEngine>
#include <QJSValue>

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace
{

using namespace scriptbench;

enum TLoad { ldAppend, ldAddAssign, ldLines };

const char *const LoadNames[] = {"s := s + 'x'", "s += 'x'",
                                 "s := s + 'line ' + IntToStr(i) + #13#10"};
const std::vector<int> AppendSizes = {20000, 40000, 80000, 160000, 200000};
const std::vector<int> LineSizes = {20000, 40000, 80000};

// The statement that grows s in each language, "" where the language has no such form.
const char *Statement(TLoad Load, int Language)
{
    static const char *const Table[3][4] = {
        {"s := s + 'x'", "s = s + \"x\"", "s = s + \"x\"", "s = s + \"x\""},
        {"", "s += \"x\"", "s += \"x\"", "s += \"x\""},
        {"s := s + 'line ' + IntToStr(i) + #13#10", "s = s + \"line \" + IntToStr(i) + nl",
         "s = s + \"line \" + IntToStr(i) + nl", "s = s + \"line \" + IntToStr(i) + nl"}};
    return Table[Load][Language];
}

std::string Source(TLoad Load, int Language, int Passes)
{
    const std::string N = std::to_string(Passes), Step = Statement(Load, Language);
    switch (Language) {
    case 0:
        return "var s: String; i: Integer; begin s := ''; for i := 1 to " + N + " do " + Step +
               "; end.";
    case 1:
        return "string s, nl; int i; { s = \"\"; nl = Chr(13) + Chr(10); for (i = 1; i <= " + N +
               "; i++) " + Step + "; }";
    case 2:
        return "var s = \"\"; var nl = Chr(13) + Chr(10); for (var i = 1; i <= " + N + "; i++) " +
               Step + ";";
    default:
        return "Dim s, nl, i\r\ns = \"\"\r\nnl = Chr(13) + Chr(10)\r\nFor i = 1 To " + N + "\r\n" +
               Step + "\r\nNext";
    }
}

const char *QtSource(TLoad Load)
{
    return Load == ldLines ? "(function (n) { var s = ''; for (var i = 1; i <= n; i++)"
                             " s = s + 'line ' + i + '\\r\\n'; return s.length; })"
           : Load == ldAddAssign
               ? "(function (n) { var s = ''; for (var i = 1; i <= n; i++) s += 'x'; return "
                 "s.length; })"
               : "(function (n) { var s = ''; for (var i = 1; i <= n; i++) s = s + 'x'; return "
                 "s.length; })";
}

TSummary Summary;

void Append(benchmark::State &State, TLoad Load, int Language)
{
    const int Passes = static_cast<int>(State.range(0));
    TfsScript Script(nullptr);
    Script.AddRTTI();
    Script.SetSyntaxType(Languages[Language]);
    Script.Lines()->SetText(Source(Load, Language, Passes).c_str());
    if (!Script.Compile()) {
        State.SkipWithError((Script.ErrorMsg + " @ " + Script.ErrorPos).c_str());
        return;
    }
    QJSEngine Engine;
    QJSValue Fn = Engine.evaluate(QtSource(Load));
    std::vector<double> Ours, Qt;
    long long OursLength = 0, QtLength = 0;
    for (auto _ : State) {
        Ours.push_back(Seconds([&] { Script.Execute(); }));
        OursLength = VarToStr(Script.Variables("s")).Length();
        Qt.push_back(Seconds([&] { QtLength = Fn.call({QJSValue(Passes)}).toInt(); }));
        State.SetIterationTime(Ours.back());
    }
    if (OursLength != QtLength) {
        State.SkipWithError("the two texts differ in length");
        return;
    }
    Summary.Add(LoadNames[Load], Language, Passes, Ours, Qt);
    State.counters["ratio_to_qjs"] = bench::Median(Ours) / bench::Median(Qt);
    State.counters["chars"] = static_cast<double>(OursLength);
}

void Register()
{
    for (int Load = ldAppend; Load <= ldLines; ++Load)
        for (int Language = 0; Language < 4; ++Language) {
            if (!*Statement(TLoad(Load), Language)) continue;
            std::string Name = std::string("Append/") + Languages[Language] + "/" +
                               (Load == ldAppend      ? "plus"
                                : Load == ldAddAssign ? "add"
                                                      : "lines");
            auto *B = benchmark::RegisterBenchmark(Name.c_str(), Append, TLoad(Load), Language);
            for (int Size : Load == ldLines ? LineSizes : AppendSizes)
                B->Arg(Size);
            B->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);
        }
}

} // namespace

int main(int argc, char **argv)
{
    return scriptbench::Run(argc, argv, Register, Summary);
}
