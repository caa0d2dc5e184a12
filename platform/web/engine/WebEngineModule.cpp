// The web engine's module: the view the browser control shows its pages in, over Qt WebEngine.
// Only Qt is linked here, never the program's own libraries, so their state stays single.

#include "platform/web/WebEngineView.h"

#include <QContextMenuEvent>
#include <QLoggingCategory>
#include <QQuickWindow>
#include <QVBoxLayout>
#include <QWebEnginePage>
#include <QWebEngineView>

#include <unistd.h>

namespace QtWebEngineCore
{
// Makes the OpenGL context the engine shares with the application, which the engine makes by
// itself only when it is linked at start.
Q_DECL_IMPORT void initialize();
} // namespace QtWebEngineCore

namespace
{

// Once, before the engine starts with the first view. Nothing is assumed of the machine's GPU:
// the engine and the Qt Quick scene under the view draw in software, so no OpenGL context is
// made and the main window is not turned into an OpenGL one. The engine's log is kept out of
// the user's terminal; flags the user gives in the engine's own variable come after ours, so
// they win.
void PrepareEngine()
{
    static const bool prepared = [] {
        // The engine's report of its set-up reads the shared OpenGL context, which a program
        // drawing in software does without; it is made only when the user asks for the report.
        QLoggingCategory::setFilterRules("qt.webenginecontext.info=false");
        if (QLoggingCategory("qt.webenginecontext").isInfoEnabled()) QtWebEngineCore::initialize();
        QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
        QByteArray flags = "--disable-gpu --disable-gpu-compositing --log-level=3 ";
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags + qgetenv("QTWEBENGINE_CHROMIUM_FLAGS"));
        // The engine's sandbox cannot start under root.
        if (geteuid() == 0 && !qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX"))
            qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
        return true;
    }();
    (void)prepared;
}

// Pages' script messages are the pages' own business, not the user's terminal's.
class TQuietPage : public QWebEnginePage
{
public:
    using QWebEnginePage::QWebEnginePage;

protected:
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString &, int,
                                  const QString &) override
    {
    }
};

class TPageView : public QWebEngineView
{
public:
    TPageView(QWidget *Parent, const web::TEngineHooks &Hooks)
        : QWebEngineView(Parent), FHooks(Hooks)
    {
        setPage(new TQuietPage(this));
    }

protected:
    void contextMenuEvent(QContextMenuEvent *Event) override
    {
        if (FHooks.ContextMenuAllowed && !FHooks.ContextMenuAllowed(Event->globalPos())) {
            Event->accept();
            return;
        }
        QWebEngineView::contextMenuEvent(Event);
    }

private:
    const web::TEngineHooks &FHooks;
};

class TView final : public web::TEngineView
{
public:
    TView(QWidget *Parent, web::TEngineHooks Hooks) : TEngineView(Parent), FHooks(std::move(Hooks))
    {
        auto *layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        FPage = new TPageView(this, FHooks);
        layout->addWidget(FPage);
        SetBordered(true);
        connect(FPage, &QWebEngineView::loadFinished, this, [this](bool) {
            if (FHooks.LoadFinished) FHooks.LoadFinished();
        });
    }

    void Load(const QUrl &Url) override { FPage->load(Url); }
    void SetHtml(const QString &Html) override { FPage->setHtml(Html, QUrl("about:blank")); }
    void PrintToPdf(const QString &File, const QPageLayout &Layout,
                    std::function<void(bool)> Done) override
    {
        connect(
            FPage->page(), &QWebEnginePage::pdfPrintingFinished, this,
            [Done = std::move(Done)](const QString &, bool Ok) { Done(Ok); },
            Qt::SingleShotConnection);
        FPage->page()->printToPdf(File, Layout);
    }

private:
    web::TEngineHooks FHooks;
    TPageView *FPage = nullptr;
};

} // namespace

extern "C" Q_DECL_EXPORT web::TEngineView *qrv4_CreateEngineView(QWidget *Parent,
                                                                 web::TEngineHooks Hooks)
{
    PrepareEngine();
    return new TView(Parent, std::move(Hooks));
}
