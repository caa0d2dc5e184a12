// A script in one of the engine's four languages (QRV4_FUZZ_LANGUAGE, set by the build)
// with every host module: compiled and, when it compiles, run under a statement limit so
// that endless loops end.

#include "script/fs_iinterpreter.h"
#include "tests/fuzz/FuzzSupport.h"

namespace
{

constexpr int StatementLimit = 20000;

const bool Ready = fuzz::BeforeInputs(fuzz::StartApplication);

// A script owns what its constructors make and may never free it, as it may in the
// program: that is no finding, while a leak of the engine's own is.
const bool ScriptsOwnTheirObjects = fuzz::AllowLeaksFrom("TMetaClass::Create");

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *Data, std::size_t Size)
{
    TfsScript Script(nullptr);
    Script.AddRTTI();
    Script.SetSyntaxType(QRV4_FUZZ_LANGUAGE);
    Script.Lines()->SetText(fuzz::Text(Data, Size));
    int Statements = 0;
    Script.OnRunLine = [&Statements](TfsScript *Sender, const AnsiString &, const AnsiString &) {
        if (++Statements > StatementLimit) Sender->MainScript()->Terminate();
    };
    try {
        if (Script.Compile()) Script.Execute();
    } catch (const Exception &) {
        // A script error is what a user sees for a broken script.
    }
    return 0;
}
