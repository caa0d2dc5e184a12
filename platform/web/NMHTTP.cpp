#include "platform/web/NMHTTP.h"

#include "platform/vcl/Forms.h"
#include "platform/win/MessageQueue.h"
#include "platform/win/QtText.h"
#include "platform/win/WinUser.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSaveFile>
#include <QUrl>

using win::FromQt;
using win::ToQt;

// What one GET needs while it runs. The network code only records what happened
// here and wakes the waiting loop; the loop raises the events.
struct TNMHTTP::TTransfer {
    QNetworkAccessManager Manager;
    QNetworkReply *Reply = nullptr; // owned by the manager
    // The body goes to a file beside the target and takes its name only on success,
    // so a broken transfer never leaves a partial file under that name.
    std::unique_ptr<QSaveFile> File;
    QByteArray Text;
    DWORD Thread = 0;
    bool Connected = false;
    bool ConnectRaised = false;
    bool Progressed = false;
    bool Finished = false;
    bool Cancelled = false;
    bool WriteFailed = false;
    long long Received = 0;
    long long Total = 0;

    void Wake() const { win::WakeThread(Thread); }

    void Drain()
    {
        if (!Reply->isOpen()) return; // aborted: nothing more is wanted
        const QByteArray data = Reply->readAll();
        if (data.isEmpty()) return;
        if (!File)
            Text += data;
        else if (File->write(data) != data.size())
            WriteFailed = true;
    }
};

TNMHTTP::TNMHTTP(TComponent *AOwner) : TComponent(AOwner) {}

TNMHTTP::~TNMHTTP()
{
    if (FTransfer && !FTransfer->Finished) FTransfer->Reply->abort();
}

bool TNMHTTP::Busy() const
{
    return FTransfer != nullptr;
}

void TNMHTTP::Get(const AnsiString &URL)
{
    if (FTransfer) throw EHTTPError("A transfer is already in progress");
    FBytesRecvd = 0;
    FBytesTotal = 0;
    auto transfer = std::make_unique<TTransfer>();
    TTransfer *t = transfer.get();
    t->Thread = GetCurrentThreadId();
    if (FInputFileMode) {
        t->File = std::make_unique<QSaveFile>(ToQt(FBody));
        if (!t->File->open(QIODevice::WriteOnly))
            throw EHTTPError("Cannot write the file %s", {FBody});
    }
    QNetworkRequest request(QUrl(ToQt(URL), QUrl::StrictMode));
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    t->Reply = t->Manager.get(request);
    QObject::connect(t->Reply, &QNetworkReply::requestSent, [t] {
        t->Connected = true;
        t->Wake();
    });
    QObject::connect(t->Reply, &QNetworkReply::readyRead, [t] { t->Drain(); });
    QObject::connect(t->Reply, &QNetworkReply::downloadProgress, [t](qint64 Got, qint64 Total) {
        t->Received = Got;
        t->Total = Total < 0 ? 0 : Total;
        t->Progressed = true;
        t->Wake();
    });
    QObject::connect(t->Reply, &QNetworkReply::finished, [t] {
        t->Drain();
        t->Finished = true;
        t->Wake();
    });
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
    QNetworkReply &reply = *t->Reply;
    const int status = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const bool failed = reply.error() != QNetworkReply::NoError || status >= 400;
    if (t->Cancelled || failed || t->WriteFailed) {
        if (t->File) t->File->cancelWriting();
    }
    if (t->Cancelled) throw EHTTPError("The transfer was cancelled");
    if (failed) {
        const bool missing =
            status == 404 || status == 410 || reply.error() == QNetworkReply::ContentNotFoundError;
        if (OnFailure) OnFailure(this, missing ? FailureNotFound : FailureOther);
        throw EHTTPError(FromQt(reply.errorString()));
    }
    if (t->File && (t->WriteFailed || !t->File->commit())) {
        if (OnFailure) OnFailure(this, FailureOther);
        throw EHTTPError("Cannot write the file %s", {FBody});
    }
    if (!t->File) FBody = AnsiString(t->Text.toStdString());
}

void TNMHTTP::Cancel()
{
    if (!FTransfer || FTransfer->Finished) return;
    FTransfer->Cancelled = true;
    FTransfer->Reply->abort();
}
