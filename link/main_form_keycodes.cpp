#include "link/key_codes.h"
#include "link/main_form.h"

bool TMainForm::NormalizeKeyCode(int KeyType, AnsiString &Code)
{
    if (NormalizeKeyText(KeyType, Code)) return true;
    ShowStatusMessage("Недопустимый код ключа для Метаком!"_a, "", smError);
    return false;
}
