#pragma once

// The first half of compiling a script: the selected language's grammar is
// run as a backtracking recursive-descent parser over the source text, which
// it turns into the intermediate language (IL): an XML document listing the
// program's declarations and statements in source order, each element stamped
// with the "line:col" of its first token.

#include "platform/rtl/Classes.h"
#include "platform/rtl/System.h"
#include "script/fs_iparser.h"
#include "script/fs_xml.h"

#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>

class TfsScript;
struct TfsGrammarElement;

// Supplies the text of an included unit; UnitText starts empty.
using TfsGetUnitText = std::function<void(const AnsiString &UnitName, AnsiString &UnitText)>;

class TfsILParser
{
public:
    explicit TfsILParser(TfsScript *AProgram);
    virtual ~TfsILParser();
    TfsILParser(const TfsILParser &) = delete;
    TfsILParser &operator=(const TfsILParser &) = delete;

    // Raises SLangNotFound for a language that is not registered.
    void SelectLanguage(const AnsiString &LanguageName);
    // False on a syntax error, with ErrorMsg and ErrorPos saying what and
    // where. Raises SInvalidLanguage for a grammar that names a rule it does
    // not have, and the file error of an included unit that cannot be read.
    bool MakeILScript(const AnsiString &Text);

    // The outcome of the last MakeILScript; ErrorUnit names the innermost
    // included unit that failed (empty for the script itself).
    const AnsiString &ErrorMsg() const { return FErrorMsg; }
    const AnsiString &ErrorPos() const { return FErrorPos; }
    const AnsiString &ErrorUnit() const { return FErrorUnit; }

    // Taken over from the script: names may use the letters #128..#255, and
    // the host may supply included units itself (else they are read as files).
    bool ExtendedCharset() const { return FExtendedCharset; }
    void SetExtendedCharset(bool Value) { FExtendedCharset = Value; }
    TfsGetUnitText OnGetUnit;

    TfsXMLDocument *Grammar() const { return FGrammar.get(); }
    TfsXMLItem *GrammarRoot() const { return FGrammarRoot; }
    // The language's type aliases; nil when its grammar has none.
    TfsXMLItem *GrammarTypes() const;
    TfsXMLDocument *ILScript() const { return FILScript.get(); }
    const AnsiString &LangName() const { return FLangName; }
    bool NeedDeclareVars() const { return FNeedDeclareVars; }
    TfsParser *Parser() const { return FParser.get(); }
    TfsScript *Program() const { return FProgram; }
    const AnsiString &UnitName() const { return FUnitName; }
    void SetUnitName(const AnsiString &Value) { FUnitName = Value; }
    TStringList *UnitLines() const { return FUnitLines.get(); }

private:
    void ConfigureParser();
    void CompileGrammar();
    std::unique_ptr<TfsGrammarElement> CompileElement(TfsXMLItem *Item, bool IsRule);
    const TfsGrammarElement &FindRule(const TfsGrammarElement &Reference);
    void ReadLanguageDirective(const AnsiString &Text);
    bool TrailingTextAllowed() const;
    bool RestIsBlank();
    void LoadIL();

    bool Run(const TfsGrammarElement &E);
    bool RunLoop(const TfsGrammarElement &E);
    bool RunSwitch(const TfsGrammarElement &E);
    bool RunOptional(const TfsGrammarElement &E);
    bool ReadToken(const TfsGrammarElement &E, AnsiString &Token);
    bool TokenMatches(const TfsGrammarElement &E, const AnsiString &Token) const;
    void Restore(int Position, std::size_t Lines);
    void RecordError(const TfsGrammarElement &E, int StartPosition);
    void Wrap(const TfsGrammarElement &E, std::size_t L, int StartPosition, bool Matched);
    void WrapUses(std::size_t L);
    AnsiString IncludeUnit(const AnsiString &Name);
    AnsiString ReadUnitText(const AnsiString &Name);
    void WriteDataFieldCall(const AnsiString &Reference);
    void Fail(const AnsiString &Message, int Position);

    std::unique_ptr<TfsXMLDocument> FGrammar;
    TfsXMLItem *FGrammarRoot = nullptr;
    std::unique_ptr<TfsXMLDocument> FILScript;
    AnsiString FLangName;
    bool FNeedDeclareVars = true;
    std::unique_ptr<TfsParser> FParser;
    TfsScript *FProgram;
    AnsiString FUnitName;
    std::unique_ptr<TStringList> FUnitLines;
    bool FExtendedCharset = false;

    // The grammar's rules, compiled once per SelectLanguage.
    std::vector<std::unique_ptr<TfsGrammarElement>> FRules;
    std::unordered_map<std::string, const TfsGrammarElement *> FRuleIndex;

    // State of one MakeILScript run.
    std::vector<AnsiString> FLines;
    AnsiString FErrorMsg;
    AnsiString FErrorPos;
    AnsiString FErrorUnit;
    bool FTerm = false;
    bool FUnitFailed = false;
    bool FAborted = false;
    int FDepth = 0;
    int FFurthest = 1;
};
