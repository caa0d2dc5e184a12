#include "platform/win/OleAuto.h"

LCID GetThreadLocale()
{
    return MAKELCID(MAKELANGID(LANG_RUSSIAN, SUBLANG_DEFAULT), SORT_DEFAULT);
}
