// Source-to-IL rate of the script compiler's front end for long scripts.

#include "script/fs_iilparser.h"

#include <benchmark/benchmark.h>

namespace
{

// 2000 lines of typical report-script code: declarations, arithmetic,
// conditions, loops, calls with data-field references.
AnsiString PascalText(int Lines)
{
    AnsiString text = "var i, total: Integer;\r\n    s: String;\r\n";
    text +=
        "function Twice(x: Integer): Integer;\r\nbegin\r\n  Result := x * 2;\r\nend;\r\nbegin\r\n";
    for (int line = 9; line < Lines;) {
        text += "  total := total + Twice(i) * (i mod 7) - <DataSet.\"Price\">;\r\n";
        text += "  if (total > 1000) and (i <> 3) then s := 'big' else s := IntToStr(total);\r\n";
        text += "  for i := 1 to 10 do\r\n";
        text += "    Memo1.Lines.Add(Format('%d: %s', [i, s]));\r\n";
        line += 4;
    }
    return text + "end.\r\n";
}

AnsiString CppText(int Lines)
{
    AnsiString text = "int i, total;\r\nstring s;\r\n";
    text += "int Twice(int x)\r\n{\r\n  return x * 2;\r\n}\r\n{\r\n";
    for (int line = 9; line < Lines;) {
        text += "  total = total + Twice(i) * (i % 7) - <DataSet.\"Price\">;\r\n";
        text += "  if ((total > 1000) && (i != 3)) s = \"big\"; else s = IntToStr(total);\r\n";
        text += "  for (i = 1; i <= 10; i++)\r\n";
        text += "    Memo1.Lines.Add(Format(\"%d: %s\", [i, s]));\r\n";
        line += 4;
    }
    return text + "}\r\n";
}

void MakeIL(benchmark::State &State, const char *Language, const AnsiString &Text)
{
    TfsILParser parser(nullptr);
    parser.SelectLanguage(Language);
    int lines = 0;
    for (int i = 1; i <= Text.Length(); ++i)
        lines += Text[i] == '\n';
    for (auto _ : State)
        if (!parser.MakeILScript(Text)) State.SkipWithError(parser.ErrorMsg().c_str());
    State.counters["lines/s"] = benchmark::Counter(static_cast<double>(lines) * State.iterations(),
                                                   benchmark::Counter::kIsRate);
}

void BM_PascalScript2000(benchmark::State &State)
{
    MakeIL(State, "PascalScript", PascalText(2000));
}
void BM_CppScript2000(benchmark::State &State)
{
    MakeIL(State, "C++Script", CppText(2000));
}

BENCHMARK(BM_PascalScript2000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CppScript2000)->Unit(benchmark::kMillisecond);

} // namespace
