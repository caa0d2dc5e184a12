#pragma once
// The shell's open verb, as far as this desktop serves it safely: web and mail
// addresses go to the desktop's browser or mail program. Files and programs
// are never opened, since what a Windows file association would have run is
// unknown here, and an address may come from a file anyone wrote.

#include "platform/rtl/System.h"
#include "platform/win/WinTypes.h"

// A result of 32 or less is an error: no program opens that kind of address.
constexpr int SE_ERR_NOASSOC = 31;

// Opens File with Operation "open" (or none). The window, the parameters, the
// folder and the show command are taken as Win32 takes them; none matters here.
HINSTANCE ShellExecuteA(HWND hwnd, LPCSTR lpOperation, LPCSTR lpFile, LPCSTR lpParameters,
                        LPCSTR lpDirectory, INT nShowCmd);

namespace win
{

// An http or https address with a host, or a mailto address with a recipient:
// what ShellExecuteA opens.
bool IsWebOrMailAddress(const AnsiString &Address);

} // namespace win
