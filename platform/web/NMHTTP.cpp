#include "platform/web/NMHTTP.h"

#include "platform/rtl/AtomicFile.h"
#include "platform/vcl/Forms.h"
#include "platform/web/HttpGet.h"
#include "platform/web/RuntimeModule.h"
#include "platform/win/MessageQueue.h"
#include "platform/win/QtText.h"
#include "platform/win/WinUser.h"

#include <QUrl>

#include <optional>
#include <string_view>

using win::FromQt;
using win::ToQt;

namespace
{

std::optional<QString> ForcedModule;
AnsiString ModuleMissing;

// The network module's entry; null, with why in ModuleMissing, when it cannot be opened.
web::TStartHttpGet OpenNetwork()
{
    const QString path =
        ForcedModule ? *ForcedModule : web::ModulePath(web::HttpModuleName, QRV4_HTTP_MODULE);
    QString why;
    auto start = reinterpret_cast<web::TStartHttpGet>(
        web::OpenModuleEntry(path, web::StartHttpGetName, why));
    ModuleMissing = start ? AnsiString() : "Не открывается модуль сети: "_a + FromQt(why);
    return start;
}

AnsiString CannotWrite(const AnsiString &FileName, int Error)
{
    return "Не удалось записать файл "_a + FileName + ": "_a + rtl::FileErrorText(Error);
}

} // namespace

// What one GET needs while it runs. The network code only records what happened
// here and wakes the waiting loop; the loop raises the events.
struct TNMHTTP::TTransfer {
    // The body goes to a file beside the target and takes its name only on success,
    // so a broken transfer never leaves a partial file under that name.
    std::unique_ptr<rtl::TFileReplacement> File;
    QByteArray Text;
    DWORD Thread = 0;
    bool Connected = false;
    bool ConnectRaised = false;
    bool Progressed = false;
    bool Finished = false;
    bool Cancelled = false;
    bool WriteFailed = false;
    int WriteError = 0; // the error of the write that failed
    long long Received = 0;
    long long Total = 0;
    // Last, so that it goes first, while what its news lands in is still there.
    std::unique_ptr<web::THttpGet> Get;

    void Wake() const { win::WakeThread(Thread); }

    void Take(const QByteArray &Data)
    {
        if (!File)
            Text += Data;
        else if (!WriteFailed)
            Note(File->Write(
                std::string_view(Data.constData(), static_cast<std::size_t>(Data.size()))));
    }

    // The error of a write, 0 for none; the user is told why it failed.
    void Note(int Error)
    {
        if (Error == 0) return;
        WriteError = Error;
        WriteFailed = true;
    }

    web::THttpHooks Hooks()
    {
        web::THttpHooks hooks;
        hooks.RequestSent = [this] {
            Connected = true;
            Wake();
        };
        hooks.Received = [this](const QByteArray &Data) { Take(Data); };
        hooks.Progress = [this](qint64 Got, qint64 Of) {
            Received = Got;
            Total = Of < 0 ? 0 : Of;
            Progressed = true;
            Wake();
        };
        hooks.Finished = [this] {
            Finished = true;
            Wake();
        };
        return hooks;
    }
};

TNMHTTP::TNMHTTP(TComponent *AOwner) : TComponent(AOwner) {}

TNMHTTP::~TNMHTTP()
{
    if (FTransfer && !FTransfer->Finished) FTransfer->Get->Abort();
}

bool TNMHTTP::Busy() const
{
    return FTransfer != nullptr;
}

const AnsiString &TNMHTTP::ModuleMissing()
{
    return ::ModuleMissing;
}

void TNMHTTP::SetNetworkModule(const AnsiString &Path)
{
    if (Path.IsEmpty())
        ForcedModule.reset();
    else
        ForcedModule = ToQt(Path);
}

void TNMHTTP::Get(const AnsiString &URL)
{
    if (FTransfer) throw EHTTPError("A transfer is already in progress");
    FBytesRecvd = 0;
    FBytesTotal = 0;
    const web::TStartHttpGet start = OpenNetwork();
    if (!start) throw EHTTPError(::ModuleMissing);
    auto transfer = std::make_unique<TTransfer>();
    TTransfer *t = transfer.get();
    t->Thread = GetCurrentThreadId();
    if (FInputFileMode) {
        // Written where the links lead only as far as they may be followed, and put in place
        // in the folder they led to, whatever its name leads to by the transfer's end.
        t->File = std::make_unique<rtl::TFileReplacement>();
        if (const int error = t->File->Begin(rtl::SystemPath(FBody)))
            throw EHTTPError(CannotWrite(FBody, error));
    }
    t->Get.reset(start(QUrl(ToQt(URL), QUrl::StrictMode), t->Hooks(), FIdleTimeout));
    FTransfer = std::move(transfer);

    while (!t->Finished) {
        Application->HandleMessage();
        RaisePendingEvents();
        if (Application->Terminated()) Cancel();
    }
    RaisePendingEvents();
    Finish();
}

void TNMHTTP::RaisePendingEvents()
{
    TTransfer *t = FTransfer.get();
    if (!t) return;
    if (t->Connected && !t->ConnectRaised) {
        t->ConnectRaised = true;
        if (OnConnect) OnConnect(this);
    }
    if (t->Progressed) {
        t->Progressed = false;
        FBytesRecvd = t->Received;
        FBytesTotal = t->Total;
        if (OnPacketRecvd) OnPacketRecvd(this);
    }
}

void TNMHTTP::Finish()
{
    const std::unique_ptr<TTransfer> t = std::move(FTransfer);
    const web::THttpOutcome outcome = t->Get->Outcome();
    if (t->Cancelled || outcome.Failed || t->WriteFailed) {
        if (t->File) t->File->Cancel();
    }
    if (t->Cancelled) throw EHTTPError("The transfer was cancelled");
    if (outcome.Failed) {
        if (OnFailure) OnFailure(this, outcome.NotFound ? FailureNotFound : FailureOther);
        const AnsiString limit = FloatToStr(FIdleTimeout / 1000.0) + " с"_a;
        if (outcome.Trickled)
            throw EHTTPError("Сервер передаёт меньше "_a + IntToStr(web::MinProgressBytes) +
                             " байт за "_a + limit);
        if (outcome.TimedOut) throw EHTTPError("Сервер не отвечает дольше "_a + limit);
        throw EHTTPError(FromQt(outcome.Error));
    }
    if (t->File && !t->WriteFailed) t->Note(t->File->Commit());
    if (t->File && t->WriteFailed) {
        if (OnFailure) OnFailure(this, FailureOther);
        throw EHTTPError(CannotWrite(FBody, t->WriteError));
    }
    if (!t->File) FBody = AnsiString(t->Text.toStdString());
}

void TNMHTTP::Cancel()
{
    if (!FTransfer || FTransfer->Finished) return;
    FTransfer->Cancelled = true;
    FTransfer->Get->Abort();
}
