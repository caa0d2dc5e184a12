// The network module: one GET over Qt Network. Only Qt is linked here, never the program's own
// libraries, so their state stays single.

#include "platform/web/HttpGet.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

namespace
{

class TGet final : public web::THttpGet
{
public:
    TGet(const QUrl &Url, web::THttpHooks Hooks, int IdleLimit) : FHooks(std::move(Hooks))
    {
        QNetworkRequest request(Url);
        request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                             QNetworkRequest::NoLessSafeRedirectPolicy);
        FReply = FManager.get(request);
        QObject::connect(FReply, &QNetworkReply::requestSent, [this] {
            Moved();
            FHooks.RequestSent();
        });
        QObject::connect(FReply, &QNetworkReply::metaDataChanged, [this] { Moved(); });
        QObject::connect(FReply, &QNetworkReply::readyRead, [this] { Drain(); });
        QObject::connect(FReply, &QNetworkReply::downloadProgress,
                         [this](qint64 Got, qint64 Total) { FHooks.Progress(Got, Total); });
        QObject::connect(FReply, &QNetworkReply::finished, [this] {
            FIdle.stop();
            Drain();
            FHooks.Finished();
        });
        // A server that takes the connection and then says nothing, or a byte now and then,
        // would hold the get forever.
        FIdle.setSingleShot(true);
        FIdle.setInterval(IdleLimit);
        QObject::connect(&FIdle, &QTimer::timeout, [this] {
            FTimedOut = true;
            FTrickled = FUncounted > 0;
            FReply->abort();
        });
        FIdle.start();
    }

    void Abort() override
    {
        FIdle.stop();
        FReply->abort();
    }

    web::THttpOutcome Outcome() const override
    {
        const int status = FReply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        web::THttpOutcome outcome;
        outcome.Failed = FReply->error() != QNetworkReply::NoError || status >= 400;
        outcome.NotFound = status == 404 || status == 410 ||
                           FReply->error() == QNetworkReply::ContentNotFoundError;
        outcome.TimedOut = FTimedOut;
        outcome.Trickled = FTrickled;
        // Qt's text for a status repeats the whole URL; the caller names the URL itself.
        outcome.Error =
            status >= 400
                ? QStringLiteral("HTTP %1 %2")
                      .arg(status)
                      .arg(FReply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString())
                : FReply->errorString();
        return outcome;
    }

private:
    // The connection, the request or the response's head got through, or enough of its body.
    void Moved()
    {
        FUncounted = 0;
        FIdle.start();
    }

    void Drain()
    {
        if (!FReply->isOpen()) return; // aborted: nothing more is wanted
        const QByteArray data = FReply->readAll();
        if (data.isEmpty()) return;
        FUncounted += data.size();
        if (FUncounted >= web::MinProgressBytes) Moved();
        FHooks.Received(data);
    }

    web::THttpHooks FHooks;
    QTimer FIdle;
    bool FTimedOut = false;
    bool FTrickled = false;
    qint64 FUncounted = 0; // body bytes since the idle timer last started
    QNetworkAccessManager FManager;
    QNetworkReply *FReply = nullptr; // owned by the manager
};

} // namespace

extern "C" Q_DECL_EXPORT web::THttpGet *qrv4_StartHttpGet(const QUrl &Url, web::THttpHooks Hooks,
                                                          int IdleLimit)
{
    return new TGet(Url, std::move(Hooks), IdleLimit);
}
