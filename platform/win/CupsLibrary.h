#pragma once
// libcups, opened when the first job goes to a queue. Linked, it would load at every start
// with the libraries under it (TLS, Kerberos, zeroconf, PKCS#11), which cost more than the
// rest of the program's loading; most runs print nothing.

#include "platform/rtl/System.h"

#include <cups/cups.h>

namespace win
{

// The calls the spooler makes, typed by the system's own declarations.
struct CupsCalls {
    decltype(&::cupsAddOption) AddOption;
    decltype(&::cupsFreeOptions) FreeOptions;
    decltype(&::cupsCreateJob) CreateJob;
    decltype(&::cupsStartDocument) StartDocument;
    decltype(&::cupsWriteRequestData) WriteRequestData;
    decltype(&::cupsFinishDocument) FinishDocument;
    decltype(&::cupsCancelJob2) CancelJob2;
    decltype(&::cupsGetResponse) GetResponse;
    decltype(&::ippGetStatusCode) StatusCode;
    decltype(&::ippDelete) DeleteAnswer;
};

// The calls, opened at the first use and kept; null when the library cannot be opened, with
// why in CupsMissing. A failed opening is tried again at the next job.
const CupsCalls *Cups();
// Why the last job could not reach the print service: in Russian, with the loader's reason;
// empty while the library opens.
AnsiString CupsMissing();
// What a user reads when the print service stopped answering while it held a job for Printer.
AnsiString JobFateUnknown(const AnsiString &Printer);
// What a user reads who cancelled the wait for the print service to take a job for Printer.
AnsiString JobCancelled(const AnsiString &Printer);
// What a box says while the program waits for the print service to answer.
AnsiString PrintServiceWait();
// The library to open instead of the system's (empty: the system's again); for a test.
void SetCupsLibrary(const AnsiString &Path);

} // namespace win
