#pragma once

// Compiles and runs small scripts for the engine's tests.

#include "platform/rtl/Variants.h"
#include "script/fs_iinterpreter.h"

#include <initializer_list>
#include <memory>
#include <string>

namespace scriptrun
{

// A script with every host module, in the given language, holding the lines.
std::unique_ptr<TfsScript> Make(const char *Language, std::initializer_list<const char *> Lines);

// Compiles; on failure the message and position are "msg @ pos".
std::string CompileError(TfsScript &Script);

// Compiles and executes; fails the test when compiling fails.
void Exec(TfsScript &Script);

// Compiles and executes; the message of the error the run ends with ("compile: "
// and the message when compiling fails), or "" when it ends well.
std::string RunError(TfsScript &Script);

// A variable's value as text and its type code.
std::string Text(TfsScript &Script, const char *Name);
int Type(TfsScript &Script, const char *Name);

// A host object for texts that pass through host properties.
class TTextHost : public TComponent
{
    QRV4_CLASS(TTextHost, TComponent)

public:
    using TComponent::TComponent;
    AnsiString Text;
    int Reads = 0;
    int Writes = 0;
};

// Enters Host as "H": its Text counts its reads and writes, and its Noisy getter
// sets the script variable s.
void AddHost(TfsScript &Script, TTextHost &Host);

// Compiles and executes a one-line PascalScript main block that sets s and
// returns s as text.
std::string PascalS(const char *Statements);

} // namespace scriptrun
