// The network module: one GET over Qt Network. Only Qt is linked here, never the program's own
// libraries, so their state stays single.

#include "platform/web/HttpGet.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

namespace
{

class TGet final : public web::THttpGet
{
public:
    TGet(const QUrl &Url, web::THttpHooks Hooks) : FHooks(std::move(Hooks))
    {
        QNetworkRequest request(Url);
        request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                             QNetworkRequest::NoLessSafeRedirectPolicy);
        FReply = FManager.get(request);
        QObject::connect(FReply, &QNetworkReply::requestSent, [this] { FHooks.RequestSent(); });
        QObject::connect(FReply, &QNetworkReply::readyRead, [this] { Drain(); });
        QObject::connect(FReply, &QNetworkReply::downloadProgress,
                         [this](qint64 Got, qint64 Total) { FHooks.Progress(Got, Total); });
        QObject::connect(FReply, &QNetworkReply::finished, [this] {
            Drain();
            FHooks.Finished();
        });
    }

    void Abort() override { FReply->abort(); }

    web::THttpOutcome Outcome() const override
    {
        const int status = FReply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        web::THttpOutcome outcome;
        outcome.Failed = FReply->error() != QNetworkReply::NoError || status >= 400;
        outcome.NotFound = status == 404 || status == 410 ||
                           FReply->error() == QNetworkReply::ContentNotFoundError;
        outcome.Error = FReply->errorString();
        return outcome;
    }

private:
    void Drain()
    {
        if (!FReply->isOpen()) return; // aborted: nothing more is wanted
        const QByteArray data = FReply->readAll();
        if (!data.isEmpty()) FHooks.Received(data);
    }

    web::THttpHooks FHooks;
    QNetworkAccessManager FManager;
    QNetworkReply *FReply = nullptr; // owned by the manager
};

} // namespace

extern "C" Q_DECL_EXPORT web::THttpGet *qrv4_StartHttpGet(const QUrl &Url, web::THttpHooks Hooks)
{
    return new TGet(Url, std::move(Hooks));
}
