#pragma once
// Printed output under test: the text and pictures of PDF files (through
// poppler's pdftotext and pdftoppm), and a CUPS scheduler of the test's own
// with queues that keep their jobs, so that jobs go through a real spooler.

#include <QImage>

#include <string>
#include <vector>

namespace printtest
{

// A path in the temporary folder unique to this process.
std::string TempPath(const std::string &Stem, const std::string &Extension);
bool FileExists(const std::string &Path);
// The whole file as it lies on disk; empty for an unreadable file.
std::string FileBytes(const std::string &Path);

// The text of each page, as pdftotext lays it out; empty for an unreadable file.
std::vector<std::string> PdfPages(const std::string &Path);
// One page (1-based) rendered at Dpi; a null image when it cannot be rendered.
QImage PdfPageImage(const std::string &Path, int Page, int Dpi);
// Each page's size in points, as pdfinfo gives it.
std::vector<QSizeF> PdfPageSizes(const std::string &Path);

// The print service's library for the program to open instead of the system's, so that
// PrivateCups::InterruptAtNextJob takes effect.
std::string InterruptingCupsLibrary();
// How many of the program's calls are inside that library now: a job's conversation stuck on a
// silent scheduler stays there; 0 while the library is not open.
int CupsCallsUnderway();

// No print service while it lives: this process's CUPS client points at a
// socket nobody listens on, so the system has no printers.
class NoPrinters
{
public:
    NoPrinters();
    ~NoPrinters();
    NoPrinters(const NoPrinters &) = delete;
    NoPrinters &operator=(const NoPrinters &) = delete;

private:
    std::string FOldServer;
    bool FHadServer = false;
};

// A print service that never answers while it lives: this process's CUPS client
// points at a socket whose connections the system takes on its behalf and nobody
// ever reads, as a scheduler that hangs would. Gone, it drops them, and waits until the
// questions that hung on them have come back.
class SilentPrintService
{
public:
    SilentPrintService();
    ~SilentPrintService();
    SilentPrintService(const SilentPrintService &) = delete;
    SilentPrintService &operator=(const SilentPrintService &) = delete;

    bool Listening() const { return FSocket >= 0; }

private:
    std::string FPath;
    int FSocket = -1;
    std::string FOldServer;
    bool FHadServer = false;
};

// A cupsd of its own: its configuration, socket, spool, logs and output in one
// temporary folder, and this process's CUPS client pointed at its socket
// until it stops. It runs as whoever starts it, root or not; Running() says
// whether it came up and Why() why not.
class PrivateCups
{
public:
    PrivateCups();
    ~PrivateCups();
    PrivateCups(const PrivateCups &) = delete;
    PrivateCups &operator=(const PrivateCups &) = delete;

    bool Running() const { return FPid > 0; }
    const std::string &Why() const { return FWhy; }
    const std::string &Socket() const { return FSocket; }

    // A queue that keeps every job's PDF, as the spooler delivers it, in a file
    // of its own.
    bool AddPdfQueue(const std::string &Name);
    // A raw queue: no filter touches the jobs, each is kept as it came.
    bool AddRawQueue(const std::string &Name);
    bool SetDefault(const std::string &Name);
    // Waits until the queue has written Count PDF files (at most a minute);
    // gives the files it wrote, oldest first.
    std::vector<std::string> WaitForPdfs(const std::string &Name, std::size_t Count);
    // The same for the jobs of a raw queue.
    std::vector<std::string> WaitForRawJobs(const std::string &Name, std::size_t Count);
    // The title a job of those files carried, as the spooler handed it to its queue.
    static std::string JobTitle(const std::string &JobFile);
    // Lines of the scheduler's error log, for failure messages.
    std::string Log() const;
    // The scheduler stops where it is, its connections open and unanswered, as one that hangs;
    // and goes on again.
    void Silence();
    void Resume();
    bool Silenced() const;
    // The scheduler gets Signal at that step of the next job, when the program prints through
    // InterruptingCupsLibrary().
    enum class JobStep { Created, Writing };
    void InterruptAtNextJob(JobStep Step, int Signal);

private:
    bool Lpadmin(const std::vector<std::string> &Arguments);
    void WriteServerBin();
    void WriteKeepingBackend(const std::string &Scheme, const std::string &Extension);
    std::vector<std::string> WaitForFiles(const std::string &Name, const char *Pattern,
                                          std::size_t Count);
    std::string OutFolder(const std::string &Name) const;
    void Stop();

    std::string FRoot;
    std::string FLpadmin;
    std::string FSocket;
    std::string FWhy;
    std::string FOldServer;
    bool FHadServer = false;
    bool FPointed = false;
    long FPid = 0;
};

} // namespace printtest

// Fails the test, saying why, when the private scheduler could not start: the set-up installs
// the print service, so a missing one is a fault of the machine the tests must show.
#define QRV4_REQUIRE_CUPS(Cups) ASSERT_TRUE((Cups).Running()) << (Cups).Why()
