#pragma once

// What every fuzz target shares: the process set up as the tests run (headless Qt, a
// Russian locale nothing of ours may read), dialogs answered without a person, a folder
// of its own to work in, and the input as the program's own text and stream types.

#include "platform/rtl/Classes.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace fuzz
{

// The application object, made once; the targets that build windows call it.
void StartApplication();

// Has Prepare run once the process is set up, before the first input, so that a slow
// start (a main window) does not count against an input's time. For a namespace-scope
// initialiser of the target; gives true.
bool BeforeInputs(std::function<void()> Prepare);

// Keeps LeakSanitizer quiet about what is allocated under Function: memory the target lets
// an input keep by design. For a namespace-scope initialiser of the target; gives true.
bool AllowLeaksFrom(const char *Function);

// The input as the bytes of an 8-bit text.
AnsiString Text(const std::uint8_t *Data, std::size_t Size);

// The folder the target keeps its files in, without a trailing delimiter.
AnsiString Folder();

// Writes the input to a file of the working folder and gives its full name.
AnsiString WriteFile(const char *Name, const std::uint8_t *Data, std::size_t Size);

// Stops the fuzzer with a crash report: the input broke a property the target checks.
[[noreturn]] void Broken(const char *What);

// What Save writes must load again with Load; What names the broken property otherwise.
template <class SaveFn, class LoadFn> void MustLoadAgain(SaveFn Save, LoadFn Load, const char *What)
{
    TStringStream Saved;
    Save(&Saved);
    Saved.SetPosition(0);
    try {
        Load(&Saved);
    } catch (const Exception &) {
        Broken(What);
    }
}

} // namespace fuzz
