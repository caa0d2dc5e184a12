#include "platform/win/ShellApi.h"

#include "platform/win/QtText.h"

#include <QDesktopServices>
#include <QUrl>

#include <cstring>

namespace
{

HINSTANCE Result(int Code)
{
    return reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(Code));
}

} // namespace

namespace win
{

bool IsWebOrMailAddress(const AnsiString &Address)
{
    const QUrl Url(ToQt(Address), QUrl::StrictMode);
    const QString Scheme = Url.scheme().toLower();
    if (!Url.isValid()) return false;
    if (Scheme == "mailto") return !Url.path().isEmpty();
    return (Scheme == "http" || Scheme == "https") && !Url.host().isEmpty();
}

} // namespace win

HINSTANCE ShellExecuteA(HWND, LPCSTR lpOperation, LPCSTR lpFile, LPCSTR, LPCSTR, INT)
{
    const bool Open = !lpOperation || !*lpOperation || std::strcmp(lpOperation, "open") == 0;
    if (!Open || !lpFile || !win::IsWebOrMailAddress(lpFile)) return Result(SE_ERR_NOASSOC);
    // Greater than 32 is success, as Win32 reports it.
    return Result(QDesktopServices::openUrl(QUrl(win::ToQt(lpFile))) ? 33 : SE_ERR_NOASSOC);
}
