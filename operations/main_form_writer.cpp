// The address-book exchange; its steps are not started yet, so no answer reaches these.

#include "link/main_form.h"

void TMainForm::WriterCellReceived(const AnsiString &) {}
void TMainForm::WriterCellWriteReceived(const AnsiString &) {}
