// The archive exchange; its steps are not started yet, so no answer reaches these.

#include "link/main_form.h"

void TMainForm::ArchivePointerFirstReceived(const AnsiString &) {}
void TMainForm::ArchivePointerReceived(const AnsiString &) {}
void TMainForm::ArchiveBlockReceived(const AnsiString &) {}
