// The device settings exchange; its steps are not started yet, so no answer reaches these.

#include "link/main_form.h"

void TMainForm::OptionByteReceived(const AnsiString &) {}
void TMainForm::OptionWriteReceived(const AnsiString &) {}
