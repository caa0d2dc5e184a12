// Texts worked on in the other ways scripts do it, in each language of the script
// engine, against the same work in QJSEngine: growing an array element, a host
// object's property or a string list's line, prepending, passing the text through a
// function or a var parameter, and reading it (its length, one character by Copy or
// by index, taking the first character off, inserting in the middle), for 20,000 to
// 200,000 characters. QJSEngine's host object is a QObject whose QString property
// and list are copied in and out as ours are.
//
// As the append benchmark: ours and QJSEngine alternate in one process, each timed
// by its thread's CPU time; the summary prints the medians' ratio at each size and
// how each grows when the text doubles. A shape a language cannot write is left out.

#include "bench/script/ScriptAgainstQjs.h"
#include "bench/support/Timings.h"
#include "script/fs_iinterpreter.h"
#include "script/fs_xml.h"

#include <QJSEngine>
#include <QJSValue>
#include <QObject>
#include <QString>
#include <QStringList>

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace
{

using namespace scriptbench;

// QJSEngine's side of the host shapes.
class TQtHost : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString text READ text WRITE setText)

public:
    QString text() const { return FText; }
    void setText(const QString &Value) { FText = Value; }
    Q_INVOKABLE QString get(int Index) const { return FList.at(Index); }
    Q_INVOKABLE void set(int Index, const QString &Value) { FList[Index] = Value; }

private:
    QString FText;
    QStringList FList{QString()};
};

// Each source sets n to a number QJSEngine's function returns too; {N} is the size.
// The host object is X (a TfsXMLItem) in ours and h in QJSEngine's.
struct TShape {
    const char *Name;
    const char *Sources[4]; // PascalScript, C++Script, JScript, BasicScript
    const char *Qt;         // the body of function (n, h)
    // QJSEngine copies the whole text on every pass here: it is timed beside
    // PascalScript only, and the other languages are set against that time.
    bool QtCopies = false;
};

const TShape Shapes[] = {
    {"a[0] := a[0] + 'x'",
     {"var a: array[0..0] of String; i, n: Integer; begin a[0] := ''; for i := 1 to {N} do "
      "a[0] := a[0] + 'x'; n := Length(a[0]); end.",
      "string a[1]; int i, n; { a[0] = \"\"; for (i = 1; i <= {N}; i++) a[0] = a[0] + \"x\"; "
      "n = Length(a[0]); }",
      "var a = [\"\"]; for (var i = 1; i <= {N}; i++) a[0] = a[0] + \"x\"; var n = Length(a[0]);",
      "Dim a[1], i, n\r\na[0] = \"\"\r\nFor i = 1 To {N}\r\na[0] = a[0] + \"x\"\r\nNext\r\n"
      "n = Length(a[0])"},
     "var a = ['']; for (var i = 1; i <= n; i++) a[0] = a[0] + 'x'; return a[0].length;"},
    {"s := 'x' + s",
     {"var s: String; i, n: Integer; begin s := ''; for i := 1 to {N} do s := 'x' + s; "
      "n := Length(s); end.",
      "string s; int i, n; { s = \"\"; for (i = 1; i <= {N}; i++) s = \"x\" + s; n = Length(s); }",
      "var s = \"\"; for (var i = 1; i <= {N}; i++) s = \"x\" + s; var n = Length(s);",
      "Dim s, i, n\r\ns = \"\"\r\nFor i = 1 To {N}\r\ns = \"x\" + s\r\nNext\r\nn = Length(s)"},
     "var s = ''; for (var i = 1; i <= n; i++) s = 'x' + s; return s.length;"},
    {"s := F(s), F returns t + 'x'",
     {"var s: String; i, n: Integer; function F(t: String): String; begin Result := t + 'x'; "
      "end; begin s := ''; for i := 1 to {N} do s := F(s); n := Length(s); end.",
      "string s; int i, n; string F(string t) { return t + \"x\"; } { s = \"\"; for (i = 1; "
      "i <= {N}; i++) s = F(s); n = Length(s); }",
      "function F(t) { return t + \"x\"; } var s = \"\"; for (var i = 1; i <= {N}; i++) s = F(s); "
      "var n = Length(s);",
      "Function F(t)\r\nReturn t + \"x\"\r\nEnd Function\r\nDim s, i, n\r\ns = \"\"\r\n"
      "For i = 1 To {N}\r\ns = F(s)\r\nNext\r\nn = Length(s)"},
     "function F(t) { return t + 'x'; } var s = ''; for (var i = 1; i <= n; i++) s = F(s); "
     "return s.length;"},
    {"Add(s), var t: t := t + 'x'",
     {"var s: String; i, n: Integer; procedure Add(var t: String); begin t := t + 'x'; end; "
      "begin s := ''; for i := 1 to {N} do Add(s); n := Length(s); end.",
      "string s; int i, n; void Add(string &t) { t = t + \"x\"; } { s = \"\"; for (i = 1; "
      "i <= {N}; i++) Add(s); n = Length(s); }",
      "function Add(&t) { t = t + \"x\"; } var s = \"\"; for (var i = 1; i <= {N}; i++) Add(s); "
      "var n = Length(s);",
      "Sub Add(ByRef t)\r\nt = t + \"x\"\r\nEnd Sub\r\nDim s, i, n\r\ns = \"\"\r\n"
      "For i = 1 To {N}\r\nAdd(s)\r\nNext\r\nn = Length(s)"},
     "function Add(o) { o.t = o.t + 'x'; } var o = { t: '' }; for (var i = 1; i <= n; i++) "
     "Add(o); return o.t.length;"},
    {"while Length(s) < N: s := s + 'x'",
     {"var s: String; n: Integer; begin s := ''; while Length(s) < {N} do s := s + 'x'; "
      "n := Length(s); end.",
      "string s; int n; { s = \"\"; while (Length(s) < {N}) s = s + \"x\"; n = Length(s); }",
      "var s = \"\"; while (Length(s) < {N}) s = s + \"x\"; var n = Length(s);",
      "Dim s, n\r\ns = \"\"\r\nWhile Length(s) < {N}\r\ns = s + \"x\"\r\nWend\r\nn = Length(s)"},
     "var s = ''; while (s.length < n) s = s + 'x'; return s.length;"},
    {"build, then c := Copy(s, i, 1) over it",
     {"var s, c: String; i, n: Integer; begin s := ''; for i := 1 to {N} do s := s + 'x'; "
      "for i := 1 to {N} do c := Copy(s, i, 1); n := Length(s); end.",
      "string s, c; int i, n; { s = \"\"; for (i = 1; i <= {N}; i++) s = s + \"x\"; for (i = 1; "
      "i <= {N}; i++) c = Copy(s, i, 1); n = Length(s); }",
      "var s = \"\"; var c; for (var i = 1; i <= {N}; i++) s = s + \"x\"; for (i = 1; i <= {N}; "
      "i++) c = Copy(s, i, 1); var n = Length(s);",
      "Dim s, c, i, n\r\ns = \"\"\r\nFor i = 1 To {N}\r\ns = s + \"x\"\r\nNext\r\n"
      "For i = 1 To {N}\r\nc = Copy(s, i, 1)\r\nNext\r\nn = Length(s)"},
     "var s = ''; var c; for (var i = 1; i <= n; i++) s = s + 'x'; for (i = 1; i <= n; i++) "
     "c = s.substr(i - 1, 1); return s.length;"},
    {"build, then c := s[i] over it",
     {"var s, c: String; i, n: Integer; begin s := ''; for i := 1 to {N} do s := s + 'x'; "
      "for i := 1 to {N} do c := s[i]; n := Length(s); end.",
      "string s, c; int i, n; { s = \"\"; for (i = 1; i <= {N}; i++) s = s + \"x\"; for (i = 1; "
      "i <= {N}; i++) c = s[i]; n = Length(s); }",
      "var s = \"\"; var c; for (var i = 1; i <= {N}; i++) s = s + \"x\"; for (i = 1; i <= {N}; "
      "i++) c = s[i]; var n = Length(s);",
      "Dim s, c, i, n\r\ns = \"\"\r\nFor i = 1 To {N}\r\ns = s + \"x\"\r\nNext\r\n"
      "For i = 1 To {N}\r\nc = s[i]\r\nNext\r\nn = Length(s)"},
     "var s = ''; var c; for (var i = 1; i <= n; i++) s = s + 'x'; for (i = 1; i <= n; i++) "
     "c = s[i - 1]; return s.length;"},
    {"build, then Delete(s, 1, 1) until empty",
     {"var s: String; i, n: Integer; begin s := ''; for i := 1 to {N} do s := s + 'x'; "
      "while Length(s) > 0 do Delete(s, 1, 1); n := {N} - Length(s); end.",
      "string s; int i, n; { s = \"\"; for (i = 1; i <= {N}; i++) s = s + \"x\"; "
      "while (Length(s) > 0) Delete(s, 1, 1); n = {N} - Length(s); }",
      "var s = \"\"; for (var i = 1; i <= {N}; i++) s = s + \"x\"; while (Length(s) > 0) "
      "DeleteStr(s, 1, 1); var n = {N} - Length(s);",
      "Dim s, i, n\r\ns = \"\"\r\nFor i = 1 To {N}\r\ns = s + \"x\"\r\nNext\r\n"
      "While Length(s) > 0\r\nDeleteStr(s, 1, 1)\r\nWend\r\nn = {N} - Length(s)"},
     "var s = ''; for (var i = 1; i <= n; i++) s = s + 'x'; while (s.length > 0) "
     "s = s.substring(1); return n - s.length;",
     true},
    {"Insert('x', s, Length(s) div 2 + 1)",
     {"var s: String; i, n: Integer; begin s := ''; for i := 1 to {N} do "
      "Insert('x', s, Length(s) div 2 + 1); n := Length(s); end.",
      "string s; int i, n; { s = \"\"; for (i = 1; i <= {N}; i++) Insert(\"x\", s, Length(s) div "
      "2 + 1); n = Length(s); }",
      "var s = \"\"; for (var i = 1; i <= {N}; i++) Insert(\"x\", s, Trunc(Length(s) / 2) + 1); "
      "var n = Length(s);",
      "Dim s, i, n\r\ns = \"\"\r\nFor i = 1 To {N}\r\nInsert(\"x\", s, Length(s) \\ 2 + 1)\r\n"
      "Next\r\nn = Length(s)"},
     "var s = ''; for (var i = 1; i <= n; i++) { var m = s.length >> 1; "
     "s = s.slice(0, m) + 'x' + s.slice(m); } return s.length;",
     true},
    {"X.Text := X.Text + 'x' (host property)",
     {"var i, n: Integer; begin X.Text := ''; for i := 1 to {N} do X.Text := X.Text + 'x'; "
      "n := Length(X.Text); end.",
      "int i, n; { X.Text = \"\"; for (i = 1; i <= {N}; i++) X.Text = X.Text + \"x\"; "
      "n = Length(X.Text); }",
      "X.Text = \"\"; for (var i = 1; i <= {N}; i++) X.Text = X.Text + \"x\"; "
      "var n = Length(X.Text);",
      "Dim i, n\r\nX.Text = \"\"\r\nFor i = 1 To {N}\r\nX.Text = X.Text + \"x\"\r\nNext\r\n"
      "n = Length(X.Text)"},
     "h.text = ''; for (var i = 1; i <= n; i++) h.text = h.text + 'x'; return h.text.length;",
     true},
    {"sl[0] := sl[0] + 'x' (TStringList)",
     {"var sl: TStringList; i, n: Integer; begin sl := TStringList.Create; sl.Add(''); "
      "for i := 1 to {N} do sl[0] := sl[0] + 'x'; n := Length(sl[0]); sl.Free; end.",
      "TStringList sl; int i, n; { sl = TStringList.Create; sl.Add(\"\"); for (i = 1; i <= {N}; "
      "i++) sl[0] = sl[0] + \"x\"; n = Length(sl[0]); sl.Free; }",
      "var sl = TStringList.Create; sl.Add(\"\"); for (var i = 1; i <= {N}; i++) sl[0] = sl[0] + "
      "\"x\"; var n = Length(sl[0]); sl.Free;",
      "Dim sl, i, n\r\nsl = TStringList.Create\r\nsl.Add(\"\")\r\nFor i = 1 To {N}\r\n"
      "sl[0] = sl[0] + \"x\"\r\nNext\r\nn = Length(sl[0])\r\nsl.Free"},
     "h.set(0, ''); for (var i = 1; i <= n; i++) h.set(0, h.get(0) + 'x'); "
     "return h.get(0).length;",
     true},
};

const std::vector<int> Sizes = {20000, 40000, 80000, 160000, 200000};

std::string WithSize(std::string Text, int Size)
{
    const std::string Mark = "{N}", N = std::to_string(Size);
    for (std::size_t At = Text.find(Mark); At != std::string::npos; At = Text.find(Mark, At))
        Text.replace(At, Mark.size(), N);
    return Text;
}

TSummary Summary;
// QJSEngine's times of the shapes it copies in, by shape and size.
std::map<std::pair<std::string, int>, std::vector<double>> QtTimes;

void Shape(benchmark::State &State, const TShape &Shape, int Language)
{
    const int Size = static_cast<int>(State.range(0));
    TfsXMLItem Item;
    TfsScript Script(nullptr);
    Script.AddRTTI();
    Script.AddObject("X", &Item);
    Script.SetSyntaxType(Languages[Language]);
    Script.Lines()->SetText(WithSize(Shape.Sources[Language], Size).c_str());
    if (!Script.Compile()) {
        State.SkipWithError((Script.ErrorMsg + " @ " + Script.ErrorPos).c_str());
        return;
    }
    TQtHost Host;
    QJSEngine Engine;
    QJSEngine::setObjectOwnership(&Host, QJSEngine::CppOwnership);
    const QJSValue HostValue = Engine.newQObject(&Host);
    QJSValue Fn =
        Engine.evaluate(QString("(function (n, h) { %1 })").arg(QString::fromUtf8(Shape.Qt)));
    std::vector<double> OwnQt;
    std::vector<double> &Qt = Shape.QtCopies ? QtTimes[{Shape.Name, Size}] : OwnQt;
    const bool TimeQt = Qt.empty();
    std::vector<double> Ours;
    int OursResult = 0, QtResult = Size;
    for (auto _ : State) {
        Ours.push_back(Seconds([&] { Script.Execute(); }));
        OursResult = Script.Variables("n").AsInteger();
        if (TimeQt)
            Qt.push_back(Seconds([&] { QtResult = Fn.call({QJSValue(Size), HostValue}).toInt(); }));
        State.SetIterationTime(Ours.back());
    }
    if (OursResult != Size || QtResult != Size) {
        State.SkipWithError("the two scripts give different results");
        return;
    }
    Summary.Add(Shape.Name, Language, Size, Ours, Qt);
    State.counters["ratio_to_qjs"] = bench::Median(Ours) / bench::Median(Qt);
}

void Register()
{
    for (const TShape &S : Shapes)
        for (int Language = 0; Language < 4; ++Language) {
            std::string Name = std::string("Text/") + S.Name + "/" + Languages[Language];
            auto *B = benchmark::RegisterBenchmark(Name.c_str(), Shape, S, Language);
            for (int Size : Sizes)
                B->Arg(Size);
            B->Iterations(S.QtCopies ? 3 : 5)->UseManualTime()->Unit(benchmark::kMillisecond);
        }
}

} // namespace

int main(int argc, char **argv)
{
    return scriptbench::Run(argc, argv, Register, Summary);
}

#include "fs_text_bench.moc"
