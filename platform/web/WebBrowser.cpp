#include "platform/web/WebBrowser.h"

#include "platform/rtl/ClassesStreams.h"
#include "platform/vcl/Dialogs.h"
#include "platform/vcl/Printers.h"
#include "platform/web/RuntimeModule.h"
#include "platform/web/WebEngineView.h"
#include "platform/win/CupsLibrary.h"
#include "platform/win/NativeWidget.h"
#include "platform/win/PrinterDevice.h"
#include "platform/win/QtText.h"
#include "platform/win/QueueInternal.h"

#include <QEventLoop>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QTemporaryDir>

#include <algorithm>
#include <atomic>
#include <optional>

namespace web
{

namespace
{

using win::FromQt;
using win::ToQt;

QUrl UrlOf(const AnsiString &Location)
{
    const QString text = ToQt(Location);
    return text.startsWith('/') ? QUrl::fromLocalFile(text) : QUrl(text);
}

std::optional<bool> ForcedEngine;
std::optional<QString> ForcedModule;

// The notes the engine writes as it starts in a program that does not link it and draws without
// a GPU: advice to the program's developer, not news for the user's terminal. A user who asks
// for Qt's log (QT_LOGGING_RULES) gets them.
constexpr const char *EngineStartNotes[] = {"Qt WebEngine seems to be initialized from a plugin",
                                            "Sandboxing disabled by user",
                                            "No suitable graphics backend found"};
QtMessageHandler QtLog = nullptr;

void WithoutEngineStartNotes(QtMsgType Type, const QMessageLogContext &Context, const QString &Text)
{
    for (const char *note : EngineStartNotes)
        if (Text.startsWith(QLatin1String(note))) return;
    QtLog(Type, Context, Text);
}

void QuietEngineStart()
{
    if (QtLog || qEnvironmentVariableIsSet("QT_LOGGING_RULES")) return;
    QtLog = qInstallMessageHandler(WithoutEngineStartNotes);
}

// The module's entry, or why there is none. The module stays loaded: the engine cannot be
// unloaded once it ran.
TCreateEngineView OpenEngine(QString &Why)
{
    QuietEngineStart();
    const QString path =
        ForcedModule ? *ForcedModule : ModulePath(EngineModuleName, QRV4_WEB_ENGINE_MODULE);
    return reinterpret_cast<TCreateEngineView>(OpenModuleEntry(path, CreateEngineViewName, Why));
}

// The engine's PDF of the shown page, written before this returns.
bool WritePdf(TEngineView &View, const QString &File, const QPageLayout &Layout)
{
    QEventLoop done;
    bool written = false;
    View.PrintToPdf(File, Layout, [&](bool Ok) {
        written = Ok;
        done.quit();
    });
    done.exec();
    return written;
}

} // namespace

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

void TCppWebBrowser::SetEngineModule(const AnsiString &Path)
{
    if (Path.IsEmpty())
        web::ForcedModule.reset();
    else
        web::ForcedModule = web::ToQt(Path);
}

void TCppWebBrowser::EnsureView()
{
    // The engine starts with its first view, so not before there is a page to show.
    if (FView || FEngineTried || !EngineEnabled()) return;
    FEngineTried = true;
    HandleNeeded();
    QString why;
    const web::TCreateEngineView create = web::OpenEngine(why);
    if (!create) {
        ShowEngineMissing(web::FromQt(why));
        return;
    }
    web::TEngineHooks hooks;
    hooks.LoadFinished = [this, alive = FAlive] {
        if (*alive) NavigationDone();
    };
    hooks.ContextMenuAllowed = [this, alive = FAlive](QPoint At) {
        return !*alive || ContextMenuAllowed(At.x(), At.y());
    };
    std::unique_ptr<web::TEngineView> view(create(nullptr, std::move(hooks)));
    view->SetBordered(FBordered);
    QObject::connect(view.get(), &QObject::destroyed, [this, alive = FAlive] {
        if (*alive) FView = nullptr;
    });
    if (win::AttachNativeWidget(WindowHandle(), view.get())) FView = view.release();
}

void TCppWebBrowser::ShowEngineMissing(const AnsiString &Why)
{
    auto label = std::make_unique<QLabel>(
        QString::fromUtf8("Страницы не могут быть показаны: не открывается модуль просмотра "
                          "страниц.\n\n%1")
            .arg(web::ToQt(Why)));
    label->setAlignment(Qt::AlignCenter);
    label->setWordWrap(true);
    label->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    label->setAutoFillBackground(true);
    if (win::AttachNativeWidget(WindowHandle(), label.get())) label.release();
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
    TPrinter *printer = Printer();
    int copies = printer->Copies();
    if (Prompt) {
        TPrintDialog dialog(nullptr);
        dialog.SetCopies(copies);
        if (!dialog.Execute()) return;
        copies = dialog.Copies();
    }
    if (!FView) return;
    // The engine could not write the page, or no queue took it.
    const auto failed = [] { return EPrinter("Не удалось напечатать страницу"_a); };
    // Named once, before the job: the default printer is the service's to name, and one that
    // went away with the job names none.
    const AnsiString printerName = printer->PrinterName();
    const QString queue = web::ToQt(printerName);
    DEVMODEA mode = win::DefaultDevMode(queue);
    mode.dmCopies = static_cast<short>(std::max(copies, 1));
    // The margins a browser leaves by default; the page is laid out in what remains.
    QPageLayout layout = win::PageLayoutOf(mode);
    layout.setMargins(QMarginsF(10, 10, 10, 10));
    // The engine's own PDF keeps the page's text as text, so it is what goes to the printer.
    if (!printer->FileName().IsEmpty()) {
        if (!web::WritePdf(*FView, web::ToQt(printer->FileName()), layout)) throw failed();
        return;
    }
    QTemporaryDir folder;
    const QString pdf = folder.filePath("page.pdf");
    const QString title = QFileInfo(web::UrlOf(FLocationURL).path()).fileName();
    if (!folder.isValid() || !web::WritePdf(*FView, pdf, layout)) throw failed();
    const win::JobOutcome outcome = win::SubmitPdf(queue, title, mode, pdf);
    if (outcome == win::JobOutcome::Unknown) throw EPrinter(win::JobFateUnknown(printerName));
    if (outcome == win::JobOutcome::Cancelled) throw EPrinter(win::JobCancelled(printerName));
    if (outcome != win::JobOutcome::Sent) throw failed();
}
