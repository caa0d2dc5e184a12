#include "tests/support/PrintTestSupport.h"

#include "platform/win/PrintService.h"

#include <cups/cups.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>
#include <fstream>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char **environ;

namespace printtest
{
namespace
{

std::string Quote(const std::string &Text)
{
    std::string Out(1, '\'');
    for (char C : Text) {
        if (C == '\'')
            Out.append("'\\''");
        else
            Out.push_back(C);
    }
    Out.push_back('\'');
    return Out;
}

// Runs a shell command and gives its standard output.
std::string Capture(const std::string &Command)
{
    std::string Out;
    FILE *Pipe = popen(Command.c_str(), "r");
    if (!Pipe) return Out;
    char Buffer[4096];
    for (std::size_t N; (N = fread(Buffer, 1, sizeof Buffer, Pipe)) > 0;)
        Out.append(Buffer, N);
    pclose(Pipe);
    return Out;
}

int Run(const std::string &Command)
{
    const int Status = std::system(Command.c_str());
    return WIFEXITED(Status) ? WEXITSTATUS(Status) : -1;
}

void WriteText(const std::string &Path, const std::string &Text)
{
    std::ofstream(Path) << Text;
}

bool Accepts(const std::string &Socket)
{
    const int Fd = socket(AF_UNIX, SOCK_STREAM, 0);
    if (Fd < 0) return false;
    sockaddr_un Address{};
    Address.sun_family = AF_UNIX;
    Socket.copy(Address.sun_path, sizeof Address.sun_path - 1);
    const bool Ok = connect(Fd, reinterpret_cast<sockaddr *>(&Address), sizeof Address) == 0;
    close(Fd);
    return Ok;
}

// A program of the print service where Debian installs it: the scheduler and its administration
// tool live in /usr/sbin, which a normal user's PATH leaves out. Empty when it is nowhere.
std::string SystemProgram(const std::string &Name)
{
    std::vector<std::string> Folders;
    if (const char *Path = getenv("PATH")) {
        const QStringList Parts = QString::fromLocal8Bit(Path).split(':', Qt::SkipEmptyParts);
        for (const QString &Part : Parts)
            Folders.push_back(Part.toStdString());
    }
    for (const char *Folder : {"/usr/sbin", "/sbin", "/usr/local/sbin"})
        Folders.emplace_back(Folder);
    for (const std::string &Folder : Folders) {
        const std::string Candidate = Folder + "/" + Name;
        if (access(Candidate.c_str(), X_OK) == 0) return Candidate;
    }
    return {};
}

int Sequence()
{
    static int Next = 0;
    return ++Next;
}

} // namespace

std::string TempPath(const std::string &Stem, const std::string &Extension)
{
    return QDir::tempPath().toStdString() + "/qrv4_" + Stem + "_" + std::to_string(getpid()) + "_" +
           std::to_string(Sequence()) + Extension;
}

bool FileExists(const std::string &Path)
{
    return QFileInfo::exists(QString::fromStdString(Path));
}

std::string FileBytes(const std::string &Path)
{
    std::ifstream In(Path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(In)), std::istreambuf_iterator<char>());
}

std::vector<std::string> PdfPages(const std::string &Path)
{
    std::vector<std::string> Pages;
    if (!FileExists(Path)) return Pages;
    const std::string Text = Capture("pdftotext -layout " + Quote(Path) + " - 2>/dev/null");
    std::size_t Start = 0;
    for (std::size_t Feed; (Feed = Text.find('\f', Start)) != std::string::npos; Start = Feed + 1)
        Pages.push_back(Text.substr(Start, Feed - Start));
    return Pages;
}

QImage PdfPageImage(const std::string &Path, int Page, int Dpi)
{
    const std::string Stem = TempPath("page", "");
    const std::string Command = "pdftoppm -png -singlefile -r " + std::to_string(Dpi) + " -f " +
                                std::to_string(Page) + " -l " + std::to_string(Page) + " " +
                                Quote(Path) + " " + Quote(Stem) + " 2>/dev/null";
    if (Run(Command) != 0) return QImage();
    QImage Image(QString::fromStdString(Stem + ".png"));
    QFile::remove(QString::fromStdString(Stem + ".png"));
    return Image.convertToFormat(QImage::Format_RGB32);
}

std::vector<QSizeF> PdfPageSizes(const std::string &Path)
{
    std::vector<QSizeF> Sizes;
    const QString Info =
        QString::fromStdString(Capture("pdfinfo -f 1 -l 100000 " + Quote(Path) + " 2>/dev/null"));
    static const QRegularExpression Line(R"(Page\s+\d+ size:\s+([\d.]+) x ([\d.]+) pts)");
    for (auto It = Line.globalMatch(Info); It.hasNext();) {
        const auto Match = It.next();
        Sizes.emplace_back(Match.captured(1).toDouble(), Match.captured(2).toDouble());
    }
    return Sizes;
}

// ---- the print service ----

namespace
{

// Points the CUPS client at Server, remembering the setting it had.
void PointClientAt(const std::string &Server, std::string &OldServer, bool &HadServer)
{
    if (const char *Old = getenv("CUPS_SERVER")) {
        HadServer = true;
        OldServer = Old;
    }
    setenv("CUPS_SERVER", Server.c_str(), 1);
    cupsSetServer(Server.c_str());
}

void RestoreClient(const std::string &OldServer, bool HadServer)
{
    if (HadServer)
        setenv("CUPS_SERVER", OldServer.c_str(), 1);
    else
        unsetenv("CUPS_SERVER");
    cupsSetServer(nullptr);
}

} // namespace

std::string InterruptingCupsLibrary()
{
    return QRV4_CUPS_INTERRUPT_LIBRARY;
}

int CupsCallsUnderway()
{
    void *Library = dlopen(QRV4_CUPS_INTERRUPT_LIBRARY, RTLD_NOW | RTLD_NOLOAD);
    if (!Library) return 0;
    const auto Count = reinterpret_cast<int (*)()>(dlsym(Library, "qrv4CupsCallsUnderway"));
    const int Underway = Count ? Count() : 0;
    dlclose(Library);
    return Underway;
}

NoPrinters::NoPrinters()
{
    PointClientAt(TempPath("no_cups", ".sock"), FOldServer, FHadServer);
}

NoPrinters::~NoPrinters()
{
    RestoreClient(FOldServer, FHadServer);
}

SilentPrintService::SilentPrintService() : FPath(TempPath("silent_cups", ".sock"))
{
    FSocket = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un Address{};
    Address.sun_family = AF_UNIX;
    FPath.copy(Address.sun_path, sizeof Address.sun_path - 1);
    if (FSocket >= 0 &&
        (bind(FSocket, reinterpret_cast<sockaddr *>(&Address), sizeof Address) != 0 ||
         listen(FSocket, SOMAXCONN) != 0)) {
        close(FSocket);
        FSocket = -1;
    }
    PointClientAt(FPath, FOldServer, FHadServer);
}

SilentPrintService::~SilentPrintService()
{
    RestoreClient(FOldServer, FHadServer);
    if (FSocket >= 0) close(FSocket);
    unlink(FPath.c_str());
    // The questions left hanging on it end with their connections, each on its thread of its
    // own, and until they have the program takes the service as silent: whatever comes next
    // finds it heard again. A question with nothing to ask tells.
    const auto GiveUpAt = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    while (!win::AskInTime([](win::PrintErrand &) {}) &&
           std::chrono::steady_clock::now() < GiveUpAt)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
}

PrivateCups::PrivateCups()
{
    char Template[] = "/tmp/qrv4_cups_XXXXXX";
    if (!mkdtemp(Template)) {
        FWhy = "no temporary folder for the scheduler";
        return;
    }
    FRoot = Template;
    chmod(FRoot.c_str(), 0755);
    for (const char *Folder : {"etc", "spool", "cache", "state", "log", "out"})
        QDir().mkpath(QString::fromStdString(FRoot + "/" + Folder));
    QDir().mkpath(QString::fromStdString(FRoot + "/tmp"));
    // A scheduler started by root runs the filters as lp; started by anyone
    // else, it runs them as that user. Either way they need to write here.
    chmod((FRoot + "/tmp").c_str(), 01777);
    FSocket = FRoot + "/cups.sock";
    WriteServerBin();
    WriteText(FRoot + "/etc/cups-files.conf",
              "ServerRoot " + FRoot + "/etc\nRequestRoot " + FRoot + "/spool\nTempDir " + FRoot +
                  "/tmp\nCacheDir " + FRoot + "/cache\nStateDir " + FRoot +
                  "/state\nDataDir /usr/share/cups\nServerBin " + FRoot + "/bin\nAccessLog " +
                  FRoot + "/log/access_log\nErrorLog " + FRoot + "/log/error_log\nPageLog " +
                  FRoot + "/log/page_log\nPrintcap " + FRoot + "/printcap\n");
    WriteText(FRoot + "/etc/cupsd.conf",
              "Listen " + FSocket +
                  "\nLogLevel info\nBrowsing No\nWebInterface No\nDefaultAuthType None\n"
                  "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n"
                  "<Policy default>\n  <Limit All>\n    AuthType None\n    Order allow,deny\n"
                  "    Allow all\n  </Limit>\n</Policy>\n");
    const std::string Config = FRoot + "/etc/cupsd.conf", Files = FRoot + "/etc/cups-files.conf";
    const std::string Cupsd = SystemProgram("cupsd");
    FLpadmin = SystemProgram("lpadmin");
    if (Cupsd.empty() || FLpadmin.empty()) {
        FWhy =
            "cupsd or lpadmin is neither on PATH nor in /usr/sbin: is the package cups installed?";
        return;
    }
    const char *Argv[] = {Cupsd.c_str(), "-f", "-c", Config.c_str(), "-s", Files.c_str(), nullptr};
    pid_t Pid = 0;
    if (posix_spawn(&Pid, Cupsd.c_str(), nullptr, nullptr, const_cast<char **>(Argv), environ) !=
        0) {
        FWhy = Cupsd + " could not be started";
        return;
    }
    FPid = Pid;
    for (int Try = 0; Try < 200 && !Accepts(FSocket); ++Try)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    if (!Accepts(FSocket)) {
        FWhy = "cupsd did not open its socket: " + Log();
        Stop();
        return;
    }
    PointClientAt(FSocket, FOldServer, FHadServer);
    FPointed = true;
}

PrivateCups::~PrivateCups()
{
    Stop();
}

void PrivateCups::Silence()
{
    if (FPid > 0) kill(static_cast<pid_t>(FPid), SIGSTOP);
}

void PrivateCups::Resume()
{
    if (FPid > 0) kill(static_cast<pid_t>(FPid), SIGCONT);
}

bool PrivateCups::Silenced() const
{
    // The state follows the command, which may hold spaces, in parentheses.
    const std::string Stat = FileBytes("/proc/" + std::to_string(FPid) + "/stat");
    const std::size_t End = Stat.rfind(')');
    return End != std::string::npos && Stat.compare(End, 3, ") T") == 0;
}

void PrivateCups::InterruptAtNextJob(JobStep Step, int Signal)
{
    const std::string Order = std::to_string(FPid) + ":" + std::to_string(Signal) + ":" +
                              (Step == JobStep::Created ? "created:" : "writing:") +
                              std::to_string(Sequence());
    setenv("QRV4_CUPS_INTERRUPT", Order.c_str(), 1);
}

void PrivateCups::Stop()
{
    unsetenv("QRV4_CUPS_INTERRUPT");
    if (FPid > 0) {
        kill(static_cast<pid_t>(FPid), SIGTERM);
        // A silenced scheduler ends only once it runs again.
        Resume();
        int Status = 0;
        waitpid(static_cast<pid_t>(FPid), &Status, 0);
        FPid = 0;
    }
    if (FPointed) RestoreClient(FOldServer, FHadServer);
    FPointed = false;
    if (!FRoot.empty()) QDir(QString::fromStdString(FRoot)).removeRecursively();
    FRoot.clear();
}

// The scheduler's programs are the system's, but for one more backend of its
// own: "pdfout" keeps each job's PDF as the spooler hands it over. (cups-pdf
// renders again through Ghostscript, which loses the characters of embedded
// Cyrillic fonts, so pdftotext could not read them back; and its backend runs
// only under a scheduler started by root.)
void PrivateCups::WriteServerBin()
{
    const std::string Bin = FRoot + "/bin";
    QDir().mkpath(QString::fromStdString(Bin + "/backend"));
    for (const char *Folder : {"cgi-bin", "daemon", "driver", "filter", "monitor", "notifier"})
        symlink((std::string("/usr/lib/cups/") + Folder).c_str(), (Bin + "/" + Folder).c_str());
    for (const QFileInfo &Backend : QDir("/usr/lib/cups/backend").entryInfoList(QDir::Files))
        symlink(Backend.absoluteFilePath().toStdString().c_str(),
                (Bin + "/backend/" + Backend.fileName().toStdString()).c_str());
    WriteKeepingBackend("pdfout", "pdf");
    WriteKeepingBackend("rawout", "prn");
    std::string Ppd = FileBytes("/usr/share/ppd/cups-pdf/CUPS-PDF_noopt.ppd");
    const std::size_t At = Ppd.find("*ModelName:");
    Ppd.insert(At == std::string::npos ? Ppd.size() : At,
               "*cupsFilter2: \"application/vnd.cups-pdf application/pdf 0 -\"\n");
    WriteText(FRoot + "/pdf.ppd", Ppd);
}

// A backend "Scheme:folder" that keeps each job in the folder as job-N.Extension, and the job's
// title beside it.
void PrivateCups::WriteKeepingBackend(const std::string &Scheme, const std::string &Extension)
{
    const std::string Backend = FRoot + "/bin/backend/" + Scheme;
    WriteText(Backend,
              "#!/bin/sh\n"
              "[ $# -eq 0 ] && { echo 'file " +
                  Scheme +
                  " \"Unknown\" \"Job files\"'; exit 0; }\n"
                  "out=\"${DEVICE_URI#" +
                  Scheme + ":}/job-$(printf %05d \"$1\")." + Extension +
                  "\"\n"
                  "if [ -n \"$6\" ]; then cp \"$6\" \"$out.part\"; else cat > \"$out.part\"; fi\n"
                  "printf '%s' \"$3\" > \"$out.title\"\n"
                  "mv \"$out.part\" \"$out\"\n");
    // Owner-only: a scheduler started by root then runs it as root rather than as
    // lp, so that it may write into the output folders; one started by their
    // owner runs it as that owner anyway.
    chmod(Backend.c_str(), 0700);
}

bool PrivateCups::Lpadmin(const std::vector<std::string> &Arguments)
{
    std::string Command = Quote(FLpadmin) + " -h " + Quote(FSocket);
    for (const std::string &A : Arguments) {
        Command.push_back(' ');
        Command.append(Quote(A));
    }
    Command.append(" >/dev/null 2>&1");
    return Run(Command) == 0;
}

bool PrivateCups::AddPdfQueue(const std::string &Name)
{
    if (!Running()) return false;
    const std::string Out = OutFolder(Name);
    return Lpadmin({"-p", Name, "-E", "-v", "pdfout:" + Out, "-P", FRoot + "/pdf.ppd"});
}

std::string PrivateCups::OutFolder(const std::string &Name) const
{
    const std::string Out = FRoot + "/out/" + Name;
    QDir().mkpath(QString::fromStdString(Out));
    return Out;
}

bool PrivateCups::AddRawQueue(const std::string &Name)
{
    if (!Running()) return false;
    return Lpadmin({"-p", Name, "-E", "-v", "rawout:" + OutFolder(Name)});
}

bool PrivateCups::SetDefault(const std::string &Name)
{
    return Running() && Lpadmin({"-d", Name});
}

std::vector<std::string> PrivateCups::WaitForPdfs(const std::string &Name, std::size_t Count)
{
    return WaitForFiles(Name, "*.pdf", Count);
}

std::vector<std::string> PrivateCups::WaitForRawJobs(const std::string &Name, std::size_t Count)
{
    return WaitForFiles(Name, "*.prn", Count);
}

std::string PrivateCups::JobTitle(const std::string &JobFile)
{
    return FileBytes(JobFile + ".title");
}

std::vector<std::string> PrivateCups::WaitForFiles(const std::string &Name, const char *Pattern,
                                                   std::size_t Count)
{
    const QDir Out(QString::fromStdString(FRoot + "/out/" + Name));
    QFileInfoList Files;
    qint64 LastTotal = -1;
    for (int Try = 0; Try < 600; ++Try) {
        Files = Out.entryInfoList({Pattern}, QDir::Files, QDir::Time | QDir::Reversed);
        qint64 Total = 0;
        for (const QFileInfo &F : Files)
            Total += F.size();
        // Done once enough files are there and their sizes have settled.
        if (static_cast<std::size_t>(Files.size()) >= Count && Total > 0 && Total == LastTotal)
            break;
        LastTotal = Total;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    std::vector<std::string> Paths;
    for (const QFileInfo &F : Files)
        Paths.push_back(F.absoluteFilePath().toStdString());
    return Paths;
}

std::string PrivateCups::Log() const
{
    const std::string Text = FileBytes(FRoot + "/log/error_log");
    return Text.size() > 4000 ? Text.substr(Text.size() - 4000) : Text;
}

} // namespace printtest
