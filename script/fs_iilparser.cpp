#include "script/fs_iilparser.h"

#include "platform/rtl/SysUtils.h"
#include "script/fs_iconst.h"
#include "script/fs_itools.h"

#include <algorithm>

enum class TfsElementKind {
    Rule,
    Char,
    Keyword,
    Ident,
    Number,
    String,
    FRString,
    Eol,
    Sequence,
    Switch,
    OptionalSwitch,
    Optional,
    Loop,
    OptionalLoop,
    Reference,
};

// One element of a grammar with its attributes read once, so that running the
// grammar does not search attribute texts over and over.
struct TfsGrammarElement {
    TfsElementKind Kind = TfsElementKind::Sequence;
    AnsiString Name; // lower case; for a reference, the rule's name
    AnsiString Text; // lower case
    AnsiString Node; // lower case
    bool NodeIsUses = false;
    bool NodeIsExpr = false;
    AnsiString Add;     // element written after a match
    AnsiString AddText; // its text instead of the token, when HasAddText
    bool HasAddText = false;
    bool HasErr = false;
    AnsiString ErrText; // the grammar's message for this element's failure
    bool Term = false;
    bool NoSkip = false;     // char: no white space skipped before it
    bool SkipErrors = false; // loop: errors of later passes are cancelled
    std::vector<std::unique_ptr<TfsGrammarElement>> Children;
    mutable const TfsGrammarElement *Target = nullptr; // resolved reference
};

namespace
{

// Deep enough for any hand-written script, shallow enough for the stack even
// of a sanitizer build.
constexpr int MaxDepth = 3000;

const char *const XmlHeader = "<?xml version=\"1.0\"?>";

TfsElementKind KindOf(const AnsiString &Name)
{
    static const std::unordered_map<std::string, TfsElementKind> kinds = {
        {"char", TfsElementKind::Char},
        {"keyword", TfsElementKind::Keyword},
        {"ident", TfsElementKind::Ident},
        {"number", TfsElementKind::Number},
        {"string", TfsElementKind::String},
        {"frstring", TfsElementKind::FRString},
        {"eol", TfsElementKind::Eol},
        {"sequence", TfsElementKind::Sequence},
        {"switch", TfsElementKind::Switch},
        {"optionalswitch", TfsElementKind::OptionalSwitch},
        {"optional", TfsElementKind::Optional},
        {"loop", TfsElementKind::Loop},
        {"optionalloop", TfsElementKind::OptionalLoop},
    };
    const auto it = kinds.find(Name.ToStd());
    return it == kinds.end() ? TfsElementKind::Reference : it->second;
}

AnsiString TextAttribute(const AnsiString &Line)
{
    const int start = Line.Pos("text=\"");
    if (start == 0) return AnsiString();
    const AnsiString rest = Line.SubString(start + 6, Line.Length());
    return rest.SubString(1, rest.Pos("\"") - 1);
}

} // namespace

TfsILParser::TfsILParser(TfsScript *AProgram)
    : FGrammar(std::make_unique<TfsXMLDocument>()), FILScript(std::make_unique<TfsXMLDocument>()),
      FParser(std::make_unique<TfsParser>()), FProgram(AProgram),
      FUnitLines(std::make_unique<TStringList>())
{
}

TfsILParser::~TfsILParser() = default;

// ------------------------------------------------------------------ language

void TfsILParser::SelectLanguage(const AnsiString &LanguageName)
{
    // Every setting starts from scratch, so nothing of a language selected
    // before (by the script's language, then by a directive) stays in force.
    FParser->Clear();
    FNeedDeclareVars = true;
    FLangName = LanguageName;
    TStringStream stream(fsGetLanguage(LanguageName));
    FGrammar->LoadFromStream(&stream);
    FGrammarRoot = FGrammar->Root();
    ConfigureParser();
    CompileGrammar();
}

void TfsILParser::ConfigureParser()
{
    TfsXMLItem *parser = FGrammarRoot->FindItem("parser");
    for (int i = 0; i < parser->Count(); ++i) {
        TfsXMLItem *item = parser->Items(i);
        const AnsiString name = item->Name().LowerCase();
        const AnsiString text = item->Prop("text");
        if (name == "keywords") {
            for (int k = 0; k < item->Count(); ++k)
                FParser->Keywords()->Add(item->Items(k)->Name());
        } else if (name == "identchars") {
            FParser->ConstructCharset(text);
        } else if (name == "commentline1") {
            FParser->SetCommentLine1(text);
        } else if (name == "commentline2") {
            FParser->SetCommentLine2(text);
        } else if (name == "commentblock1") {
            FParser->SetCommentBlock1(text);
        } else if (name == "commentblock2") {
            FParser->SetCommentBlock2(text);
        } else if (name == "stringquotes") {
            FParser->SetStringQuotes(text);
        } else if (name == "hexsequence") {
            FParser->SetHexSequence(text);
        } else if (name == "skipchar") {
            FParser->SetSkipChar(text);
        } else if (name == "declarevars") {
            if (text == "0") FNeedDeclareVars = false;
        } else if (name == "skipeol") {
            if (text == "0") FParser->SetSkipEOL(false);
        } else if (name == "casesensitive") {
            if (text == "1") FParser->SetCaseSensitive(true);
        }
    }
    if (FExtendedCharset)
        for (int ch = 128; ch <= 255; ++ch)
            FParser->IdentifierCharset().set(ch);
}

void TfsILParser::CompileGrammar()
{
    FRules.clear();
    FRuleIndex.clear();
    for (int i = 0; i < FGrammarRoot->Count(); ++i) {
        FRules.push_back(CompileElement(FGrammarRoot->Items(i), true));
        // The first rule of a name wins, as a search from the top would find.
        FRuleIndex.emplace(FRules.back()->Name.View(), FRules.back().get());
    }
}

std::unique_ptr<TfsGrammarElement> TfsILParser::CompileElement(TfsXMLItem *Item, bool IsRule)
{
    auto e = std::make_unique<TfsGrammarElement>();
    e->Name = Item->Name().LowerCase();
    e->Kind = IsRule ? TfsElementKind::Rule : KindOf(e->Name);
    e->Text = Item->Prop("text").LowerCase();
    e->Node = Item->Prop("node").LowerCase();
    e->NodeIsUses = e->Node == "uses";
    e->NodeIsExpr = e->Node == "expr";
    e->Add = Item->Prop("add");
    e->HasAddText = Item->PropExists("addtext");
    e->AddText = Item->Prop("addtext");
    const AnsiString err = Item->Prop("err");
    e->HasErr = !err.IsEmpty();
    if (e->HasErr) {
        TfsXMLItem *errors = FGrammarRoot->FindItem("parser")->FindItem("errors");
        const int index = errors->Find(err);
        if (index >= 0) e->ErrText = errors->Items(index)->Prop("text");
    }
    e->Term = Item->Prop("term") == "1";
    const AnsiString skip = Item->Prop("skip");
    e->NoSkip = e->Kind == TfsElementKind::Char && skip == "0";
    e->SkipErrors = skip == "1";
    if (!IsRule || (e->Name != "parser" && e->Name != "types"))
        for (int i = 0; i < Item->Count(); ++i)
            e->Children.push_back(CompileElement(Item->Items(i), false));
    return e;
}

const TfsGrammarElement &TfsILParser::FindRule(const TfsGrammarElement &Reference)
{
    if (!Reference.Target) {
        const auto it = FRuleIndex.find(Reference.Name.ToStd());
        if (it == FRuleIndex.end()) throw Exception(SInvalidLanguage);
        Reference.Target = it->second;
    }
    return *Reference.Target;
}

// ------------------------------------------------------------------- compile

void TfsILParser::ReadLanguageDirective(const AnsiString &Text)
{
    if (Text.IsEmpty() || Text[1] != '#') return;
    int i = 2;
    while (i <= Text.Length() && (Text[i] == ' ' || Text[i] == '\t'))
        ++i;
    if (!AnsiSameText(Text.SubString(i, 8), "language")) return;
    const int nameStart = i + 8;
    if (nameStart <= Text.Length() &&
        FParser->IdentifierCharset()[static_cast<unsigned char>(Text[nameStart])])
        return;
    // The line may end in CR LF, LF or CR; parsing resumes after it.
    int end = nameStart;
    while (end <= Text.Length() && Text[end] != '\r' && Text[end] != '\n')
        ++end;
    SelectLanguage(Text.SubString(nameStart, end - nameStart).Trim());
    int next = end;
    if (next <= Text.Length() && Text[next] == '\r') ++next;
    if (next <= Text.Length() && Text[next] == '\n') ++next;
    FParser->SetPosition(next);
}

bool TfsILParser::MakeILScript(const AnsiString &Text)
{
    if (FRules.empty()) throw Exception(SInvalidLanguage);
    FLines.clear();
    FErrorMsg = "";
    FErrorPos = "";
    FErrorUnit = "";
    FTerm = false;
    FUnitFailed = false;
    FAborted = false;
    FDepth = 0;
    FParser->SetText(Text);
    ReadLanguageDirective(Text);
    const int start = FParser->Position();
    FFurthest = start;

    const auto program = FRuleIndex.find("program");
    if (program == FRuleIndex.end()) throw Exception(SInvalidLanguage);
    bool matched = Run(*program->second);

    if (matched && FErrorMsg.IsEmpty() && !TrailingTextAllowed() && !RestIsBlank())
        Fail(SSyntaxError, FParser->Position());
    if (!matched && FErrorMsg.IsEmpty()) {
        // Nothing of the grammar matched and no rule said why: a blank text is
        // an empty program; anything else is an error where parsing got stuck.
        FParser->SetPosition(start);
        if (RestIsBlank()) {
            FLines.clear();
            matched = true;
        } else {
            Fail(SSyntaxError, FFurthest);
        }
    }
    const bool result = matched && FErrorMsg.IsEmpty() && !FUnitFailed;
    if (result) LoadIL();
    FLines.clear();
    return result;
}

// A program that closes with its own end mark (the final "end." of Pascal, the
// main block's closing brace of C++Script) leaves what follows free for notes,
// and scripts rely on it; a BasicScript or JScript program is a plain list of
// statements, so text after it is one that did not parse.
bool TfsILParser::TrailingTextAllowed() const
{
    return AnsiSameText(FLangName, "PascalScript") || AnsiSameText(FLangName, "C++Script");
}

bool TfsILParser::RestIsBlank()
{
    do {
        FParser->SkipSpaces();
    } while (FParser->GetEOL());
    return FParser->Position() > FParser->Size();
}

void TfsILParser::Fail(const AnsiString &Message, int Position)
{
    FErrorMsg = Message;
    FErrorPos = FParser->PositionToXY(Position);
}

void TfsILParser::LoadIL()
{
    std::string text;
    text.reserve(FLines.size() * 32 + 64);
    text += XmlHeader;
    text += "\r\n<program>\r\n";
    for (const AnsiString &line : FLines) {
        text += line.View();
        text += "\r\n";
    }
    text += "</program>";
    TStringStream stream{AnsiString(std::move(text))};
    FILScript->LoadFromStream(&stream);
    if (TfsXMLItem *types = GrammarTypes()) FILScript->Root()->Add()->Assign(types);
}

TfsXMLItem *TfsILParser::GrammarTypes() const
{
    const int types = FGrammarRoot ? FGrammarRoot->Find("types") : -1;
    return types >= 0 ? FGrammarRoot->Items(types) : nullptr;
}

// ------------------------------------------------------- running the grammar

void TfsILParser::Restore(int Position, std::size_t Lines)
{
    FParser->SetPosition(Position);
    // What a failed attempt wrote goes with it, so no stray operator or
    // operand of an abandoned alternative reaches the program.
    if (FLines.size() > Lines) FLines.resize(Lines);
}

void TfsILParser::RecordError(const TfsGrammarElement &E, int StartPosition)
{
    if (!E.HasErr || !FErrorMsg.IsEmpty()) return;
    FErrorMsg = E.ErrText;
    FParser->SetPosition(StartPosition);
    FParser->SkipSpaces();
    FErrorPos = FParser->GetXYPosition();
    FTerm = E.Term;
}

bool TfsILParser::ReadToken(const TfsGrammarElement &E, AnsiString &Token)
{
    switch (E.Kind) {
    case TfsElementKind::Char:
        if (!E.NoSkip) FParser->SkipSpaces();
        Token = FParser->GetChar();
        break;
    case TfsElementKind::Keyword:
        Token = FParser->GetWord();
        break;
    case TfsElementKind::Ident:
        Token = FParser->GetIdent();
        break;
    case TfsElementKind::Number:
        Token = FParser->GetNumber();
        break;
    case TfsElementKind::String:
        Token = FParser->GetString();
        break;
    case TfsElementKind::FRString:
        Token = FParser->GetFRString();
        WriteDataFieldCall(Token);
        break;
    default:
        return false;
    }
    FFurthest = std::max(FFurthest, FParser->LastPosition());
    return true;
}

bool TfsILParser::TokenMatches(const TfsGrammarElement &E, const AnsiString &Token) const
{
    if (Token.IsEmpty()) return false;
    if (E.Text.IsEmpty()) return true;
    return FParser->CaseSensitive() ? Token == E.Text : AnsiSameText(Token, E.Text);
}

// A data-field reference compiles as a call of the host function Get with the
// reference's text; every position is that of the closing bracket.
void TfsILParser::WriteDataFieldCall(const AnsiString &Reference)
{
    const AnsiString pos = "pos=\"" + FParser->GetXYPosition() + "\"";
    FLines.push_back("<dsgn " + pos + ">");
    FLines.push_back("<node text=\"Get\" " + pos + "/>");
    FLines.push_back("<expr " + pos + " pos1=\"" + FParser->GetXYPosition() + "\">");
    FLines.push_back("<string text=\"" + StrToXML("'" + Reference + "'") + "\" " + pos + "/>");
    FLines.push_back("</expr>");
    FLines.push_back("</dsgn>");
}

bool TfsILParser::Run(const TfsGrammarElement &E)
{
    if (FAborted) return false;
    if (FDepth >= MaxDepth) {
        // Too deep for the stack: the whole parse stops with this error.
        FAborted = true;
        if (FErrorMsg.IsEmpty()) Fail(SNestingTooDeep, FParser->Position());
        return false;
    }
    struct DepthGuard {
        int &Depth;
        explicit DepthGuard(int &D) : Depth(D) { ++Depth; }
        ~DepthGuard() { --Depth; }
    } guard(FDepth);

    const int start = FParser->Position();
    const std::size_t lines = FLines.size();
    bool matched = true;
    AnsiString token;
    switch (E.Kind) {
    case TfsElementKind::Switch:
    case TfsElementKind::OptionalSwitch:
        return RunSwitch(E);
    case TfsElementKind::Loop:
    case TfsElementKind::OptionalLoop:
        return RunLoop(E);
    case TfsElementKind::Optional:
        return RunOptional(E);
    default:
        break;
    }
    // An element that wraps its output keeps the line of its opening tag from
    // the start, so that wrapping fills it in instead of inserting a line.
    if (!E.Node.IsEmpty() && !E.NodeIsUses) FLines.emplace_back();
    switch (E.Kind) {
    case TfsElementKind::Eol:
        matched = FParser->GetEOL();
        break;
    case TfsElementKind::Reference:
        matched = Run(FindRule(E));
        break;
    case TfsElementKind::Rule:
    case TfsElementKind::Sequence:
        break;
    default:
        ReadToken(E, token);
        matched = TokenMatches(E, token);
        break;
    }
    if (!matched) {
        RecordError(E, start);
        Restore(start, lines);
        return false;
    }
    if (E.Kind != TfsElementKind::Rule) {
        Wrap(E, lines, start, true);
        if (!E.Add.IsEmpty())
            FLines.push_back("<" + E.Add + " text=\"" + StrToXML(E.HasAddText ? E.AddText : token) +
                             "\" pos=\"" + FParser->GetXYPosition() + "\"/>");
    }
    for (const auto &child : E.Children) {
        if (!Run(*child)) {
            matched = false;
            break;
        }
    }
    if (E.Kind == TfsElementKind::Rule) Wrap(E, lines, start, matched);
    if (!matched) Restore(start, lines);
    return matched;
}

bool TfsILParser::RunSwitch(const TfsGrammarElement &E)
{
    for (const auto &child : E.Children)
        if (Run(*child)) return true;
    if (E.Kind == TfsElementKind::OptionalSwitch) return true;
    RecordError(E, FParser->Position());
    return false;
}

bool TfsILParser::RunOptional(const TfsGrammarElement &E)
{
    const int start = FParser->Position();
    const std::size_t lines = FLines.size();
    for (const auto &child : E.Children) {
        if (!Run(*child)) {
            Restore(start, lines);
            break;
        }
    }
    return true;
}

bool TfsILParser::RunLoop(const TfsGrammarElement &E)
{
    const int start = FParser->Position();
    const std::size_t lines = FLines.size();
    int pass = 0;
    bool ok = true;
    int after = start;
    for (;;) {
        ++pass;
        const int passStart = FParser->Position();
        const std::size_t passLines = FLines.size();
        ok = std::all_of(E.Children.begin(), E.Children.end(),
                         [this](const auto &child) { return Run(*child); });
        if (!ok) {
            // A repetition that breaks off is not part of the loop, also not
            // the tokens it had read before it broke off.
            Restore(passStart, passLines);
            after = passStart;
            break;
        }
        after = FParser->Position();
        if (!E.Text.IsEmpty()) {
            FParser->SkipSpaces();
            if (FParser->GetChar() != E.Text) {
                FParser->SetPosition(after);
                break;
            }
        }
        if (FParser->Position() == passStart) break;
    }
    if (pass > 1) {
        if (E.SkipErrors || FTerm) FErrorMsg = "";
        FParser->SetPosition(after);
        return true;
    }
    if (!ok) Restore(start, lines);
    return ok || E.Kind == TfsElementKind::OptionalLoop;
}

void TfsILParser::Wrap(const TfsGrammarElement &E, std::size_t L, int StartPosition, bool Matched)
{
    if (E.NodeIsUses) {
        if (Matched) WrapUses(L);
        return;
    }
    if (E.Node.IsEmpty()) return;
    if (!Matched) {
        FLines.resize(std::min(FLines.size(), L));
        return;
    }
    const int current = FParser->Position();
    FParser->SetPosition(StartPosition);
    FParser->SkipSpaces();
    AnsiString open = "<" + E.Node + " pos=\"" + FParser->GetXYPosition() + "\"";
    FParser->SetPosition(current);
    if (E.NodeIsExpr) open += " pos1=\"" + FParser->GetXYPosition() + "\"";
    FLines[L] = open + ">";
    FLines.push_back("</" + E.Node + ">");
}

void TfsILParser::WrapUses(std::size_t L)
{
    std::vector<AnsiString> names;
    while (FLines.size() > L) {
        const AnsiString text = XMLToStr(TextAttribute(FLines.back()));
        names.push_back(text.SubString(2, text.Length() - 2));
        FLines.pop_back();
    }
    // From the last name to the first, each inserted at the list's place:
    // the units of one list end up in reverse order.
    for (const AnsiString &name : names) {
        if (FUnitLines->IndexOf(name) >= 0) continue;
        const AnsiString unitIL = IncludeUnit(name);
        const AnsiString lines[] = {"<uses unit=\"" + StrToXML(name) + "\">", unitIL, "</uses>"};
        FLines.insert(FLines.begin() + static_cast<std::ptrdiff_t>(L), std::begin(lines),
                      std::end(lines));
        L += 3;
    }
}

AnsiString TfsILParser::ReadUnitText(const AnsiString &Name)
{
    AnsiString text;
    if (OnGetUnit) {
        OnGetUnit(Name, text);
        return text;
    }
    TStringList file;
    file.LoadFromFile(Name);
    return file.Text();
}

AnsiString TfsILParser::IncludeUnit(const AnsiString &Name)
{
    FUnitLines->Add(Name);
    TStringList source;
    source.SetText(ReadUnitText(Name));
    if (source.Count() == 0) return AnsiString();

    TfsILParser unit(FProgram);
    unit.SetUnitName(Name);
    unit.SetExtendedCharset(FExtendedCharset);
    unit.OnGetUnit = OnGetUnit;
    unit.SelectLanguage(FLangName);
    unit.UnitLines()->Assign(FUnitLines.get());
    if (!unit.MakeILScript(source.Text())) {
        FUnitFailed = true;
        FErrorMsg = unit.ErrorMsg();
        FErrorPos = unit.ErrorPos();
        FErrorUnit = unit.ErrorUnit().IsEmpty() ? Name : unit.ErrorUnit();
        return AnsiString();
    }
    FUnitLines->Assign(unit.UnitLines());
    TStringStream stream;
    unit.ILScript()->SaveToStream(&stream);
    const std::string &saved = stream.DataString().ToStd();
    const auto header = saved.find("?>");
    return AnsiString(header == std::string::npos ? saved : saved.substr(header + 2));
}
