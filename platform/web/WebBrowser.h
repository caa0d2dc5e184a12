#pragma once

// The web browser control: a Qt WebEngine view as the face of its window, inside our window
// like the other native controls. It navigates to a local file or "about:blank", raises
// OnNavigateComplete2 once a page has loaded, keeps the loaded page's document (which takes the
// host's UI handler and HTML from a stream), and prints the page after the print dialog.
// The handler is asked before a key reaches the page, before a context menu opens and for the
// border. The engine is a module of its own, opened with the first page shown. Where it cannot
// run (the headless platform) or its module cannot be opened, the control keeps every call and
// event but renders nothing; a module that failed says why in the control's place.

#include "platform/vcl/Controls.h"
#include "platform/web/DocHost.h"

#include <functional>
#include <memory>

enum OLECMDID { OLECMDID_PRINT = 6 };
enum OLECMDEXECOPT {
    OLECMDEXECOPT_DODEFAULT = 0,
    OLECMDEXECOPT_PROMPTUSER = 1,
    OLECMDEXECOPT_DONTPROMPTUSER = 2,
};

using TWebBrowserNavigateComplete2 =
    std::function<void(TObject *Sender, IUnknown *pDisp, const AnsiString &URL)>;

namespace web
{
class TEngineView;
class THTMLDocument;
} // namespace web

class TCppWebBrowser : public TWinControl
{
    QRV4_CLASS(TCppWebBrowser, TWinControl)

public:
    explicit TCppWebBrowser(TComponent *AOwner);
    ~TCppWebBrowser() override;

    // A local file path, a file URL or "about:blank"; the document is new from here on.
    void Navigate(const AnsiString &URL);
    // OLECMDID_PRINT: the page to the printer chosen in the print dialog (prompting) or to
    // the current printer.
    void ExecWB(OLECMDID cmdID, OLECMDEXECOPT cmdexecopt);
    // The current page's document (IUnknown of an ICustomDoc and IPersistStreamInit);
    // null before the first navigation. The control holds its reference.
    IUnknown *Document() const;
    const AnsiString &LocationURL() const { return FLocationURL; }
    // The HTML last loaded from a stream, as it came (cp1251).
    AnsiString DocumentSource() const;
    // Whether the page is drawn with a sunken border; a UI handler may take it away.
    bool Bordered() const { return FBordered; }

    // Whether pages are rendered; false on the headless platform. Set for a test.
    static bool EngineEnabled();
    static void SetEngineEnabled(bool Value);
    // The engine's module to open instead of the one beside the program (empty: that one again);
    // for a test.
    static void SetEngineModule(const AnsiString &Path);

    TWebBrowserNavigateComplete2 OnNavigateComplete2;

protected:
    void WndProc(TMessage &Message) override;

private:
    friend class web::THTMLDocument;
    void EnsureView();
    void ShowEngineMissing(const AnsiString &Why);
    void NewDocument();
    void LoadHtml(const AnsiString &Html);
    void NavigationDone();
    void ApplyHostInfo();
    IDocHostUIHandler *UIHandler() const;
    bool ContextMenuAllowed(int X, int Y);
    void Print(bool Prompt);

    web::THTMLDocument *FDocument = nullptr; // one reference held
    web::TEngineView *FView = nullptr;       // owned by the window's widget
    bool FEngineTried = false;
    AnsiString FLocationURL;
    bool FNavigating = false;
    bool FBordered = true;
    bool FSwallowChar = false;
    std::shared_ptr<bool> FAlive = std::make_shared<bool>(true);
};
