// The exchanges of the tabs take over each answer here. They start their steps
// from the buttons of their tabs; until those are built no step runs and
// nothing reaches these.

#include "link/main_form.h"

void TMainForm::ArchivePointerFirstReceived(const AnsiString &) {}
void TMainForm::ArchivePointerReceived(const AnsiString &) {}
void TMainForm::ArchiveBlockReceived(const AnsiString &) {}
void TMainForm::OptionByteReceived(const AnsiString &) {}
void TMainForm::OptionWriteReceived(const AnsiString &) {}
void TMainForm::WriterCellReceived(const AnsiString &) {}
void TMainForm::WriterCellWriteReceived(const AnsiString &) {}
void TMainForm::FirmwareLoaderReceived(const AnsiString &) {}
void TMainForm::FirmwareBlockReceived(const AnsiString &) {}
void TMainForm::FontsBlockReceived(const AnsiString &) {}
