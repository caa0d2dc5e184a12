#pragma once

// Printing of prepared pages: the printer named by the report, page ranges
// and parity, copies collated or not, and paper, orientation, bin and duplex
// changed only where a page differs from the one before it.

#include "report_output/frxPreviewPages.h"

// Prints the prepared pages of their report. False when the user cancelled
// the print dialog or the printing was stopped; printer errors propagate.
bool frxPrintPreviewPages(TfrxPreviewPages *Pages);
// Makes the prepared pages print with frxPrintPreviewPages and reports show
// the progress window; the program calls it once at start.
void frxInstallPrinting();
