#include "tests/script/ScriptRun.h"

#include "script/fs_ihelpers.h"

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
    return Script.ErrorMsg.ToStd() + " @ " + Script.ErrorPos.ToStd();
}

void Exec(TfsScript &Script)
{
    ASSERT_TRUE(Script.Compile()) << Script.ErrorMsg.View() << " @ " << Script.ErrorPos.View();
    Script.Execute();
}

std::string RunError(TfsScript &Script)
{
    if (!Script.Compile()) return "compile: " + Script.ErrorMsg.ToStd();
    try {
        Script.Execute();
    } catch (const Exception &E) {
        return E.Message().ToStd();
    }
    return "";
}

std::string Text(TfsScript &Script, const char *Name)
{
    return VarToStr(Script.Variables(Name)).ToStd();
}

int Type(TfsScript &Script, const char *Name)
{
    return VarType(Script.Variables(Name));
}

void AddHost(TfsScript &Script, TTextHost &Host)
{
    TfsClassVariable *Class = Script.AddClass(TTextHost::StaticClass(), "TComponent");
    Class->AddProperty(
        "Text", "String",
        [](TObject *Instance, TClass, const AnsiString &) {
            auto *H = static_cast<TTextHost *>(Instance);
            ++H->Reads;
            return Variant(H->Text);
        },
        [](TObject *Instance, TClass, const AnsiString &, const Variant &V) {
            auto *H = static_cast<TTextHost *>(Instance);
            ++H->Writes;
            H->Text = V.AsString();
        });
    Class->AddProperty("Noisy", "String", [&Script](TObject *, TClass, const AnsiString &) {
        Script.SetVariables("s", Variant("zz"));
        return Variant("n");
    });
    Script.AddObject("H", &Host);
}

std::string PascalS(const char *Statements)
{
    auto Script = Make("PascalScript", {"var s: String;", "begin", Statements, "end."});
    Exec(*Script);
    return Text(*Script, "s");
}

} // namespace scriptrun
