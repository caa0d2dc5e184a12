#pragma once

// What the HTTP client and the network module share. Qt Network (with the proxy, Kerberos and
// compression libraries under it) is a module of its own, opened at the first transfer, so that
// the program starts without it; the module runs one GET.

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <functional>

namespace web
{

// What the transfer tells the client, from the GUI thread's event loop.
struct THttpHooks {
    std::function<void()> RequestSent;
    std::function<void(const QByteArray &Data)> Received;
    // The total is negative while the server has not said it.
    std::function<void(qint64 Got, qint64 Total)> Progress;
    std::function<void()> Finished;
};

// How a finished transfer went.
struct THttpOutcome {
    bool Failed = false;
    // The server has no such file.
    bool NotFound = false;
    // Nothing moved for the idle limit: neither the connection nor enough data.
    bool TimedOut = false;
    // Of a time-out: some data came, but less than MinProgressBytes.
    bool Trickled = false;
    QString Error;
};

// One GET, following redirects that are no less safe; the client owns it.
class THttpGet
{
public:
    virtual ~THttpGet() = default;
    // Nothing more arrives after this; Finished still comes.
    virtual void Abort() = 0;
    virtual THttpOutcome Outcome() const = 0;
};

// Body bytes that count as progress: fewer in the idle limit keep no line busy, a trickle does.
inline constexpr qint64 MinProgressBytes = 512;

// The module's one entry. A transfer that makes no progress for IdleLimit milliseconds is
// aborted as timed out.
using TStartHttpGet = THttpGet *(*)(const QUrl &Url, THttpHooks Hooks, int IdleLimit);
inline constexpr char StartHttpGetName[] = "qrv4_StartHttpGet";
inline constexpr char HttpModuleName[] = "libqrv4_http.so";

} // namespace web
