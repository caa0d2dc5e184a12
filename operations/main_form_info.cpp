// The Info tab: the four help pages kept in the program, written as files into the base
// folder and shown in the web browser control, with the host object that keeps the page's
// context menu, border and a few keys away, and printing through the browser.

#include "link/config.h"
#include "link/constants.h"
#include "link/main_form.h"
#include "operations/web_host_handler.h"
#include "platform/rtl/ClassesStreams.h"

#include <span>

// Made by the build from the page files; registers them as resources.
void RegisterHelpPages();

bool TMainForm::InfoWarningShown = false;

namespace
{

constexpr int PageResourceType = 10;
const char *const PageResources[HelpPageCount] = {"INFO_PROGA", "INFO_DEVICE", "INFO_CYFRAL",
                                                  "INFO_REPAIR"};

std::span<const std::byte> HelpPage(int Index)
{
    static const bool registered = (RegisterHelpPages(), true);
    (void)registered;
    return rtl::FindResource(PageResourceType, PageResources[Index]);
}

const AnsiString WarningPage =
    "<html><h1 style=\"color: Red;\">Внимание!<br><br></h1> <h2 style=\"color: Blue;\">Для "
    "полноценной работы - программа должна находиться на жестком диске Вашего компьютера, а не "
    "запускаться с CD/DVD-диска! <br> Скопируйте программу в папку C:\\QRV4\\ и запустите её "
    "оттуда!</h2></html>"_a;

AnsiString PagePath(int Index)
{
    return Config.GetBaseDir() + HelpPageFiles[Index];
}

} // namespace

void TMainForm::DeleteInfoPages()
{
    for (int page = 0; page < HelpPageCount; ++page) {
        DeleteFile(PagePath(page));
    }
}

void TMainForm::WriteInfoPages()
{
    InfoPagesLocked = false;
    try {
        for (int page = 0; page < HelpPageCount; ++page) {
            const AnsiString path = PagePath(page);
            // A page left from this run is marked read-only; rewriting it is no failure.
            if (FileExists(path)) FileSetAttr(path, faArchive);
            const std::span<const std::byte> bytes = HelpPage(page);
            TMemoryStream stream;
            stream.WriteBuffer(bytes.data(), static_cast<int>(bytes.size()));
            stream.SaveToFile(path);
            FileSetAttr(path, faReadOnly | faHidden | faSysFile);
        }
    } catch (const Exception &) {
        // The folder cannot be written (a disc, most likely): say so once a run.
        InfoPagesLocked = true;
        if (InfoWarningShown) return;
        WEB_InfoMht->Navigate("about:blank");
        if (IUnknown *document = WEB_InfoMht->Document()) {
            void *persist = nullptr;
            if (document->QueryInterface(IID_IPersistStreamInit, &persist) == S_OK) {
                TStringStream text(WarningPage);
                static_cast<IPersistStreamInit *>(persist)->Load(&text);
                static_cast<IPersistStreamInit *>(persist)->Release();
            }
        }
        InfoWarningShown = true;
    }
}

void TMainForm::PC_TabsChange(TObject *)
{
    if (PC_Tabs->ActivePage() != Sheet_Info) return;
    bool missing = false;
    for (int page = 0; page < HelpPageCount; ++page)
        missing = missing || !FileExists(PagePath(page));
    if (missing) {
        Screen->SetCursor(crHourGlass);
        WriteInfoPages();
        Screen->SetCursor(crDefault);
    }
    bool allow = true;
    TS_InfoListChange(TS_InfoList, TS_InfoList->TabIndex(), allow);
}

void TMainForm::TS_InfoListChange(TObject *, int NewTab, bool &)
{
    if (NewTab < 0 || NewTab >= HelpPageCount || InfoPagesLocked) return;
    WEB_InfoMht->Navigate(PagePath(NewTab));
}

void TMainForm::WEB_InfoMhtNavigateComplete2(TObject *, IUnknown *, const AnsiString &)
{
    IUnknown *document = WEB_InfoMht->Document();
    void *custom = nullptr;
    if (!document || document->QueryInterface(IID_ICustomDoc, &custom) != S_OK) return;
    static_cast<ICustomDoc *>(custom)->SetUIHandler(WebHost);
    static_cast<ICustomDoc *>(custom)->Release();
}

void TMainForm::BTN_InfoPrintClick(TObject *)
{
    // As the other prints do, before an empty print dialog and a failed page.
    if (!PrinterInstalled()) return;
    WEB_InfoMht->ExecWB(OLECMDID_PRINT, OLECMDEXECOPT_PROMPTUSER);
}
