#include "tests/script/ScriptRun.h"

#include <gtest/gtest.h>

namespace scriptrun
{

std::unique_ptr<TfsScript> Make(const char *Language, std::initializer_list<const char *> Lines)
{
    auto Script = std::make_unique<TfsScript>(nullptr);
    Script->AddRTTI();
    Script->SetSyntaxType(Language);
    for (const char *Line : Lines)
        Script->Lines()->Add(Line);
    return Script;
}

std::string CompileError(TfsScript &Script)
{
    if (Script.Compile()) return "";
    return Script.ErrorMsg.Std() + " @ " + Script.ErrorPos.Std();
}

void Exec(TfsScript &Script)
{
    ASSERT_TRUE(Script.Compile()) << Script.ErrorMsg.Std() << " @ " << Script.ErrorPos.Std();
    Script.Execute();
}

std::string RunError(TfsScript &Script)
{
    if (!Script.Compile()) return "compile: " + Script.ErrorMsg.Std();
    try {
        Script.Execute();
    } catch (const Exception &E) {
        return E.Message().Std();
    }
    return "";
}

std::string Text(TfsScript &Script, const char *Name)
{
    return VarToStr(Script.Variables(Name)).Std();
}

int Type(TfsScript &Script, const char *Name)
{
    return VarType(Script.Variables(Name));
}

std::string PascalS(const char *Statements)
{
    auto Script = Make("PascalScript", {"var s: String;", "begin", Statements, "end."});
    Exec(*Script);
    return Text(*Script, "s");
}

} // namespace scriptrun
