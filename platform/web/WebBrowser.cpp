#include "platform/web/WebBrowser.h"

#include "platform/rtl/ClassesStreams.h"
#include "platform/vcl/Dialogs.h"
#include "platform/vcl/Printers.h"
#include "platform/win/NativeWidget.h"
#include "platform/win/QtText.h"
#include "platform/win/QueueInternal.h"

#include <QContextMenuEvent>
#include <QEventLoop>
#include <QFrame>
#include <QGuiApplication>
#include <QPrinter>
#include <QVBoxLayout>
#include <QWebEnginePage>
#include <QWebEngineView>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <optional>
#include <unistd.h>

namespace web
{

namespace
{

using win::ToQt;

QUrl UrlOf(const AnsiString &Location)
{
    const QString text = ToQt(Location);
    return text.startsWith('/') ? QUrl::fromLocalFile(text) : QUrl(text);
}

std::optional<bool> ForcedEngine;

// The engine shares its GL contexts with the application, which must be told before it exists.
const bool SharedContexts = [] {
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    return true;
}();

} // namespace

// The page's view and the sunken border around it.
class TView : public QFrame
{
public:
    explicit TView(TCppWebBrowser *Browser) : FBrowser(Browser)
    {
        (void)SharedContexts;
        // The engine's sandbox cannot start under root; it reads the switch when it starts.
        if (geteuid() == 0) setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 0);
        auto *layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        FPage = new TPage(this);
        layout->addWidget(FPage);
        SetBordered(true);
        connect(FPage, &QWebEngineView::loadFinished, this, [this](bool) {
            if (FBrowser) FBrowser->NavigationDone();
        });
    }
    ~TView() override
    {
        if (FBrowser) FBrowser->FView = nullptr;
    }

    void Forget() { FBrowser = nullptr; }
    void SetBordered(bool Value)
    {
        setFrameStyle(Value ? QFrame::StyledPanel | QFrame::Sunken : QFrame::NoFrame);
        setLineWidth(Value ? 2 : 0);
    }
    void Load(const QUrl &Url) { FPage->load(Url); }
    void SetHtml(const QString &Html) { FPage->setHtml(Html, QUrl("about:blank")); }
    // Each runs until the page has gone out; the engine prints on its own time.
    void Print(QPrinter *Printer)
    {
        QEventLoop done;
        connect(FPage, &QWebEngineView::printFinished, &done, &QEventLoop::quit);
        FPage->print(Printer);
        done.exec();
    }
    // The engine's own PDF keeps the page's text as text.
    void PrintToPdf(const QString &File)
    {
        QEventLoop done;
        connect(FPage->page(), &QWebEnginePage::pdfPrintingFinished, &done, &QEventLoop::quit);
        FPage->page()->printToPdf(File);
        done.exec();
    }

private:
    class TPage : public QWebEngineView
    {
    public:
        explicit TPage(TView *View) : QWebEngineView(View), FView(View) {}

    protected:
        void contextMenuEvent(QContextMenuEvent *Event) override
        {
            TCppWebBrowser *browser = FView->FBrowser;
            if (browser &&
                !browser->ContextMenuAllowed(Event->globalPos().x(), Event->globalPos().y())) {
                Event->accept();
                return;
            }
            QWebEngineView::contextMenuEvent(Event);
        }

    private:
        TView *FView;
    };

    TCppWebBrowser *FBrowser;
    TPage *FPage = nullptr;
};

// The document of one page: takes the host's UI handler and HTML from a stream.
class THTMLDocument final : public ICustomDoc, public IPersistStreamInit
{
public:
    explicit THTMLDocument(TCppWebBrowser *Browser) : FBrowser(Browser) {}

    HRESULT QueryInterface(REFIID Riid, void **Object) override
    {
        if (!Object) return E_POINTER;
        if (Riid == IID_IUnknown || Riid == IID_ICustomDoc)
            *Object = static_cast<ICustomDoc *>(this);
        else if (Riid == IID_IPersistStreamInit)
            *Object = static_cast<IPersistStreamInit *>(this);
        else {
            *Object = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG AddRef() override { return ++FCount; }
    ULONG Release() override
    {
        const ULONG count = --FCount;
        if (count == 0) delete this;
        return count;
    }

    HRESULT SetUIHandler(IDocHostUIHandler *pUIHandler) override
    {
        if (pUIHandler) pUIHandler->AddRef();
        if (FHandler) FHandler->Release();
        FHandler = pUIHandler;
        if (FBrowser) FBrowser->ApplyHostInfo();
        return S_OK;
    }
    HRESULT Load(TStream *pStm) override
    {
        if (!pStm) return E_POINTER;
        const int count = static_cast<int>(pStm->Size() - pStm->Position());
        std::string html(static_cast<std::size_t>(std::max(count, 0)), '\0');
        if (count > 0 && pStm->Read(html.data(), count) != count) return E_FAIL;
        FSource = AnsiString(std::move(html));
        if (FBrowser) FBrowser->LoadHtml(FSource);
        return S_OK;
    }
    HRESULT InitNew() override
    {
        FSource = AnsiString();
        return S_OK;
    }

    IDocHostUIHandler *Handler() const { return FHandler; }
    const AnsiString &Source() const { return FSource; }
    void Forget() { FBrowser = nullptr; }

private:
    ~THTMLDocument()
    {
        if (FHandler) FHandler->Release();
    }

    std::atomic<ULONG> FCount{1};
    TCppWebBrowser *FBrowser;
    IDocHostUIHandler *FHandler = nullptr;
    AnsiString FSource;
};

} // namespace web

TCppWebBrowser::TCppWebBrowser(TComponent *AOwner) : TWinControl(AOwner)
{
    SetBounds(0, 0, 300, 150);
    SetTabStop(true);
}

TCppWebBrowser::~TCppWebBrowser()
{
    *FAlive = false;
    if (FView) FView->Forget();
    if (FDocument) {
        FDocument->Forget();
        FDocument->Release();
    }
}

bool TCppWebBrowser::EngineEnabled()
{
    if (web::ForcedEngine) return *web::ForcedEngine;
    // The engine needs a display; the headless platform has none.
    return QGuiApplication::platformName() != "offscreen";
}

void TCppWebBrowser::SetEngineEnabled(bool Value)
{
    web::ForcedEngine = Value;
}

void TCppWebBrowser::EnsureView()
{
    // The engine starts with its first view, so not before there is a page to show.
    if (FView || !EngineEnabled()) return;
    HandleNeeded();
    FView = new web::TView(this);
    FView->SetBordered(FBordered);
    win::AttachNativeWidget(WindowHandle(), FView);
}

IUnknown *TCppWebBrowser::Document() const
{
    return FDocument ? static_cast<ICustomDoc *>(FDocument) : nullptr;
}

AnsiString TCppWebBrowser::DocumentSource() const
{
    return FDocument ? FDocument->Source() : AnsiString();
}

IDocHostUIHandler *TCppWebBrowser::UIHandler() const
{
    return FDocument ? FDocument->Handler() : nullptr;
}

void TCppWebBrowser::NewDocument()
{
    if (FDocument) {
        FDocument->Forget();
        FDocument->Release();
    }
    FDocument = new web::THTMLDocument(this);
}

void TCppWebBrowser::Navigate(const AnsiString &URL)
{
    EnsureView();
    NewDocument();
    ApplyHostInfo();
    FLocationURL = URL;
    FNavigating = true;
    if (FView) {
        FView->Load(web::UrlOf(URL));
        return;
    }
    // Nothing to render: the page is "loaded" once the loop comes round, as a real one would be.
    win::DeferToLoop([this, alive = FAlive] {
        if (*alive) NavigationDone();
    });
}

void TCppWebBrowser::LoadHtml(const AnsiString &Html)
{
    if (FView) FView->SetHtml(web::ToQt(Html));
}

void TCppWebBrowser::NavigationDone()
{
    if (!FNavigating) return; // a page loaded from a stream is no navigation
    FNavigating = false;
    if (OnNavigateComplete2) OnNavigateComplete2(this, Document(), FLocationURL);
}

void TCppWebBrowser::ApplyHostInfo()
{
    DOCHOSTUIINFO info;
    IDocHostUIHandler *handler = UIHandler();
    FBordered = !(handler && handler->GetHostInfo(&info) == S_OK &&
                  (info.dwFlags & DOCHOSTUIFLAG_NO3DBORDER));
    if (FView) FView->SetBordered(FBordered);
}

bool TCppWebBrowser::ContextMenuAllowed(int X, int Y)
{
    IDocHostUIHandler *handler = UIHandler();
    POINT at{X, Y};
    return !(handler &&
             handler->ShowContextMenu(CONTEXT_MENU_DEFAULT, &at, nullptr, nullptr) == S_OK);
}

void TCppWebBrowser::WndProc(TMessage &Message)
{
    const bool keyDown = Message.Msg == WM_KEYDOWN || Message.Msg == WM_SYSKEYDOWN;
    const bool typed = Message.Msg == WM_CHAR || Message.Msg == WM_SYSCHAR;
    if (keyDown) FSwallowChar = false;
    if (keyDown) {
        if (IDocHostUIHandler *handler = UIHandler()) {
            MSG msg{WindowHandle(), Message.Msg, Message.WParam, Message.LParam, 0, {}};
            if (handler->TranslateAccelerator(&msg, nullptr, 0) == S_OK) {
                // The handler took the key: neither it nor the character it types reaches the page.
                FSwallowChar = true;
                Message.Result = 0;
                return;
            }
        }
    } else if (typed && FSwallowChar) {
        FSwallowChar = false;
        Message.Result = 0;
        return;
    }
    TWinControl::WndProc(Message);
}

void TCppWebBrowser::ExecWB(OLECMDID cmdID, OLECMDEXECOPT cmdexecopt)
{
    if (cmdID == OLECMDID_PRINT) Print(cmdexecopt == OLECMDEXECOPT_PROMPTUSER);
}

void TCppWebBrowser::Print(bool Prompt)
{
    int copies = Printer()->Copies();
    if (Prompt) {
        TPrintDialog dialog(nullptr);
        dialog.SetCopies(copies);
        if (!dialog.Execute()) return;
        copies = dialog.Copies();
    }
    if (!FView) return;
    TPrinter *chosen = Printer();
    if (!chosen->FileName().IsEmpty()) {
        FView->PrintToPdf(web::ToQt(chosen->FileName()));
        return;
    }
    QPrinter printer(QPrinter::HighResolution);
    if (!chosen->PrinterName().IsEmpty()) printer.setPrinterName(web::ToQt(chosen->PrinterName()));
    printer.setCopyCount(std::max(copies, 1));
    FView->Print(&printer);
}
