// A component stream in the class library's binary form: whatever registered class it
// names is made and read, then written out and read again.

#include "platform/rtl/ClassesFiler.h"
#include "report/frxClass.h"
#include "report_output/frxDMPClass.h"
#include "tests/fuzz/FuzzSupport.h"

#include <memory>

namespace
{

const bool Ready = fuzz::BeforeInputs([] {
    fuzz::StartApplication();
    frxRegisterDMPClasses();
});

std::unique_ptr<TComponent> Read(TStream &Stream)
{
    return std::unique_ptr<TComponent>(TReader(&Stream).ReadRootComponent(nullptr));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *Data, std::size_t Size)
{
    TStringStream Input(fuzz::Text(Data, Size));
    std::unique_ptr<TComponent> Root;
    try {
        Root = Read(Input);
    } catch (const Exception &) {
        return 0;
    }
    fuzz::MustLoadAgain([&](TStream *S) { TWriter(S).WriteRootComponent(Root.get()); },
                        [](TStream *S) { Read(*S); }, "a component it wrote does not read back");
    return 0;
}
