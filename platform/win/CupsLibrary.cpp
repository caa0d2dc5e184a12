#include "platform/win/CupsLibrary.h"

#include "platform/win/PrintService.h"
#include "platform/win/QtText.h"
#include "platform/win/WinSpool.h"

#include <dlfcn.h>

#include <chrono>
#include <mutex>
#include <string>

namespace win
{

namespace
{

constexpr const char *SystemCups = "libcups.so.2";
// A scheduler on this machine takes a connection at once; one across the network may take a
// moment, but not so long that a print button seems dead.
constexpr int ServiceConnectMs = 3000;

struct CupsState {
    std::mutex Lock;
    std::string Library = SystemCups;
    // Kept once resolved, even while a test's library fails to open: an open job holds them.
    CupsCalls Calls{};
    bool Open = false;
    AnsiString Missing;
};

CupsState &State()
{
    static CupsState State;
    return State;
}

template <class TCall> bool Resolve(void *Library, const char *Name, TCall &Call)
{
    Call = reinterpret_cast<TCall>(dlsym(Library, Name));
    return Call != nullptr;
}

// The library stays loaded: the scheduler connection it keeps outlives any one job.
bool OpenCups(const std::string &Library, CupsCalls &Calls)
{
    void *library = dlopen(Library.c_str(), RTLD_NOW | RTLD_LOCAL);
    CupsCalls calls{};
    const bool resolved = library && Resolve(library, "cupsAddOption", calls.AddOption) &&
                          Resolve(library, "cupsFreeOptions", calls.FreeOptions) &&
                          Resolve(library, "cupsCreateJob", calls.CreateJob) &&
                          Resolve(library, "cupsStartDocument", calls.StartDocument) &&
                          Resolve(library, "cupsWriteRequestData", calls.WriteRequestData) &&
                          Resolve(library, "cupsFinishDocument", calls.FinishDocument) &&
                          Resolve(library, "cupsCancelJob2", calls.CancelJob2) &&
                          Resolve(library, "cupsGetResponse", calls.GetResponse) &&
                          Resolve(library, "ippGetStatusCode", calls.StatusCode) &&
                          Resolve(library, "ippDelete", calls.DeleteAnswer);
    if (resolved) Calls = calls;
    return resolved;
}

} // namespace

const CupsCalls *Cups()
{
    CupsState &state = State();
    const std::lock_guard<std::mutex> hold(state.Lock);
    if (!state.Open) {
        state.Open = OpenCups(state.Library, state.Calls);
        state.Missing = state.Open ? AnsiString()
                                   : "Не удалось загрузить библиотеку службы печати CUPS: "_a +
                                         FromQt(QString::fromLocal8Bit(dlerror()));
    }
    return state.Open ? &state.Calls : nullptr;
}

AnsiString CupsMissing()
{
    CupsState &state = State();
    const std::lock_guard<std::mutex> hold(state.Lock);
    return state.Missing;
}

// Printing again blindly could give two copies (of a numbered receipt, say), not printing
// could give none.
AnsiString JobFateUnknown(const AnsiString &Printer)
{
    return "Принтер «"_a + Printer +
           "» не ответил, и неизвестно, будет ли документ напечатан. Проверьте очередь печати, "
           "прежде чем печатать снова"_a;
}

// The system's library, whichever a test put in for jobs: its client settings name the
// scheduler. A library that cannot be asked says nothing against the service.
PrintServiceState PrintServiceNow()
{
    static void *const library = dlopen(SystemCups, RTLD_NOW | RTLD_LOCAL);
    decltype(&::cupsServer) server = nullptr;
    decltype(&::ippPort) port = nullptr;
    decltype(&::cupsEncryption) encryption = nullptr;
    decltype(&::httpConnect2) connect = nullptr;
    decltype(&::httpSetTimeout) setTimeout = nullptr;
    decltype(&::ippNewRequest) newRequest = nullptr;
    decltype(&::cupsDoRequest) request = nullptr;
    decltype(&::ippDelete) deleteAnswer = nullptr;
    decltype(&::httpClose) close = nullptr;
    if (!library || !Resolve(library, "cupsServer", server) || !Resolve(library, "ippPort", port) ||
        !Resolve(library, "cupsEncryption", encryption) ||
        !Resolve(library, "httpConnect2", connect) ||
        !Resolve(library, "httpSetTimeout", setTimeout) ||
        !Resolve(library, "ippNewRequest", newRequest) ||
        !Resolve(library, "cupsDoRequest", request) ||
        !Resolve(library, "ippDelete", deleteAnswer) || !Resolve(library, "httpClose", close))
        return PrintServiceState::Answering;
    // Read here: the client's settings belong to the thread that made them.
    const std::string host = server();
    const int hostPort = port();
    const http_encryption_t crypt = encryption();
    // The question ends soon after the caller stops waiting, rather than in the library's minute.
    const double patience = std::chrono::duration<double>(PrintServicePatience).count();
    return AskPrintService([=] {
               http_t *http = connect(host.c_str(), hostPort, nullptr, AF_UNSPEC, crypt, 1,
                                      ServiceConnectMs, nullptr);
               if (!http) return PrintServiceState::NotRunning;
               setTimeout(http, patience, nullptr, nullptr);
               ipp_t *answer = request(http, newRequest(IPP_OP_CUPS_GET_DEFAULT), "/");
               close(http);
               if (!answer) return PrintServiceState::NotAnswering;
               deleteAnswer(answer);
               return PrintServiceState::Answering;
           })
        .value_or(PrintServiceState::NotAnswering);
}

AnsiString PrintServiceWait()
{
    return "Ожидание ответа службы печати…"_a;
}

AnsiString JobCancelled(const AnsiString &Printer)
{
    return "Печать на принтер «"_a + Printer +
           "» отменена, и документ может быть не напечатан. Проверьте очередь печати, прежде "
           "чем печатать снова"_a;
}

void SetCupsLibrary(const AnsiString &Path)
{
    CupsState &state = State();
    const std::lock_guard<std::mutex> hold(state.Lock);
    state.Library = Path.IsEmpty() ? SystemCups : Path.View();
    state.Open = false;
    state.Missing = AnsiString();
}

} // namespace win
