// The print service's library as the program opens it, but for one thing: at the step of a job
// that QRV4_CUPS_INTERRUPT names ("pid:signal:step:order", the step "created" once the service
// made the job, "writing" once a first part of its document went out), the scheduler gets the
// signal, once per order, so that a test stops it at that very step, not some time around it.
// It also tells how many of the program's calls are inside the library at the moment.

#include <cups/cups.h>

#include <dlfcn.h>

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <mutex>
#include <string>

namespace
{

void *System()
{
    static void *const Library = dlopen("libcups.so.2", RTLD_NOW | RTLD_LOCAL);
    return Library;
}

// Calls of the program's inside the library now, waiting on the scheduler or not.
std::atomic<int> Underway{0};

template <auto Call, class... TArgs> auto Forward(const char *Name, TArgs... Args)
{
    struct Counted {
        Counted() { ++Underway; }
        ~Counted() { --Underway; }
        Counted(const Counted &) = delete;
        Counted &operator=(const Counted &) = delete;
    } Hold;
    return reinterpret_cast<decltype(Call)>(dlsym(System(), Name))(Args...);
}

void Interrupt(const std::string &Step)
{
    static std::mutex Lock;
    static std::string Done;
    const char *Order = std::getenv("QRV4_CUPS_INTERRUPT");
    const std::lock_guard<std::mutex> Hold(Lock);
    if (!Order || Done == Order) return;
    const std::string Text = Order;
    const std::size_t Signal = Text.find(':') + 1, Named = Text.find(':', Signal) + 1;
    if (Signal == 0 || Named == 0 || Text.compare(Named, Step.size() + 1, Step + ":") != 0) return;
    Done = Text;
    kill(static_cast<pid_t>(std::stol(Text)), std::stoi(Text.substr(Signal)));
}

} // namespace

extern "C" {

int qrv4CupsCallsUnderway()
{
    return Underway;
}

int cupsAddOption(const char *Name, const char *Value, int Count, cups_option_t **Options)
{
    return Forward<&::cupsAddOption>("cupsAddOption", Name, Value, Count, Options);
}

void cupsFreeOptions(int Count, cups_option_t *Options)
{
    Forward<&::cupsFreeOptions>("cupsFreeOptions", Count, Options);
}

int cupsCreateJob(http_t *Http, const char *Name, const char *Title, int Count,
                  cups_option_t *Options)
{
    const int Job = Forward<&::cupsCreateJob>("cupsCreateJob", Http, Name, Title, Count, Options);
    if (Job > 0) Interrupt("created");
    return Job;
}

http_status_t cupsStartDocument(http_t *Http, const char *Name, int Job, const char *DocName,
                                const char *Format, int Last)
{
    return Forward<&::cupsStartDocument>("cupsStartDocument", Http, Name, Job, DocName, Format,
                                         Last);
}

http_status_t cupsWriteRequestData(http_t *Http, const char *Buffer, size_t Length)
{
    const http_status_t Status =
        Forward<&::cupsWriteRequestData>("cupsWriteRequestData", Http, Buffer, Length);
    Interrupt("writing");
    return Status;
}

ipp_status_t cupsFinishDocument(http_t *Http, const char *Name)
{
    return Forward<&::cupsFinishDocument>("cupsFinishDocument", Http, Name);
}

ipp_status_t cupsCancelJob2(http_t *Http, const char *Name, int Job, int Purge)
{
    return Forward<&::cupsCancelJob2>("cupsCancelJob2", Http, Name, Job, Purge);
}

ipp_t *cupsGetResponse(http_t *Http, const char *Resource)
{
    return Forward<&::cupsGetResponse>("cupsGetResponse", Http, Resource);
}

ipp_status_t ippGetStatusCode(ipp_t *Ipp)
{
    return Forward<&::ippGetStatusCode>("ippGetStatusCode", Ipp);
}

void ippDelete(ipp_t *Ipp)
{
    Forward<&::ippDelete>("ippDelete", Ipp);
}
}
