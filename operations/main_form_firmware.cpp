// The firmware and fonts upload; its steps are not started yet, so no answer reaches these.

#include "link/main_form.h"

void TMainForm::FirmwareLoaderReceived(const AnsiString &) {}
void TMainForm::FirmwareBlockReceived(const AnsiString &) {}
void TMainForm::FontsBlockReceived(const AnsiString &) {}
