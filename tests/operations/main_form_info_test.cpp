// The Info tab: the help pages written into the base folder and deleted again, their marks,
// the page lock with its warning, the host object the pages' documents ask, and, where the
// engine runs (under Xvfb), the pages rendered, switched and printed.

#include "link/config.h"
#include "link/constants.h"
#include "link/main_form.h"
#include "operations/web_host_handler.h"
#include "platform/rtl/ClassesStreams.h"
#include "platform/vcl/Dialogs.h"
#include "platform/vcl/Printers.h"
#include "platform/win/CupsLibrary.h"
#include "platform/win/NativeWidget.h"
#include "platform/win/PrintService.h"
#include "report/frxPrinter.h"
#include "report_output/frxProgress.h"
#include "tests/link/MainFormTestSupport.h"
#include "tests/operations/ScreenInput.h"
#include "tests/support/PrintTestSupport.h"
#include "tests/vcl/VclTestSupport.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

using namespace maintest;
using optest::At;
using optest::Xdotool;

namespace
{

const char *const Resources[HelpPageCount] = {"INFO_PROGA", "INFO_DEVICE", "INFO_CYFRAL",
                                              "INFO_REPAIR"};

std::string ResourceBytes(int Page)
{
    auto bytes = rtl::FindResource(10, Resources[Page]);
    return std::string(reinterpret_cast<const char *>(bytes.data()), bytes.size());
}

class InfoTest : public MainFormTest
{
protected:
    void SetUp() override
    {
        MainFormTest::SetUp();
        TMainForm::InfoWarningShown = false;
        FPrevious = vcl::SetDialogService(&Dialogs);
        // The system's default printer, whatever an earlier print dialog chose.
        Printer()->SetPrinterIndex(-1);
    }
    void TearDown() override
    {
        MainFormTest::TearDown();
        vcl::SetDialogService(FPrevious);
        // The printers a test made or hid are gone again.
        frxPrinters()->Refresh();
    }

    // Shows the Info tab as the user's click does.
    void ShowInfo()
    {
        Form->PC_Tabs->SetActivePage(Form->Sheet_Info);
        Form->PC_TabsChange(Form->PC_Tabs);
    }
    std::filesystem::path Page(int Index) const { return Folder / HelpPageFiles[Index].c_str(); }
    bool Writable(int Index) const
    {
        struct stat st {
        };
        return stat(Page(Index).c_str(), &st) == 0 && (st.st_mode & 0222) != 0;
    }
    TWebHostHandler *Host() const { return static_cast<TWebHostHandler *>(Form->WebHost); }

    vcl::ScriptedDialogs Dialogs;

private:
    vcl::DialogProvider *FPrevious = nullptr;
};

} // namespace

// ---- what the pages say ----

// The port picture turns green when the remembered port is listed at start and when the
// device answers, and grey when the port is closed for the next exchange or goes away: the
// page must not promise that green means the device answered.
TEST_F(InfoTest, ProgramPageTellsWhatThePortPictureFollows)
{
    Build();
    ShowInfo();
    // The page's words as written for the browser, in the program's code page, its lines joined.
    std::string text;
    for (char c : FileText(HelpPageFiles[0].c_str())) {
        const bool blank = c == '\r' || c == '\n' || c == ' ';
        if (!blank || text.empty() || text.back() != ' ') text += blank ? ' ' : c;
    }
    const AnsiString words(text);
    ASSERT_GT(words.Pos("Верхняя панель"_a), 0);
    EXPECT_EQ(words.Pos("когда прибор на этом порту отвечает"_a), 0);
    EXPECT_GT(words.Pos("при запуске он зелёный, если запомненный порт есть в списке"_a), 0);
    EXPECT_GT(words.Pos("зелёный с его первым ответом"_a), 0);
    EXPECT_GT(words.Pos("когда порт пропал из системы"_a), 0);
}

// ---- the page files ----

TEST_F(InfoTest, ShowingTheTabWritesEachPageExactlyAndReadOnly)
{
    Build();
    for (int page = 0; page < HelpPageCount; ++page)
        EXPECT_FALSE(std::filesystem::exists(Page(page)));
    ShowInfo();
    for (int page = 0; page < HelpPageCount; ++page) {
        const std::string bytes = FileText(HelpPageFiles[page].c_str());
        EXPECT_EQ(bytes, ResourceBytes(page)) << page;
        EXPECT_GT(bytes.size(), 2000u) << page;
        EXPECT_FALSE(Writable(page)) << page;
        EXPECT_TRUE(FileGetAttr(Page(page).c_str()) & faReadOnly);
    }
    EXPECT_FALSE(Form->InfoPagesLocked);
    EXPECT_EQ(Form->WEB_InfoMht->LocationURL(), Config.GetBaseDir() + "info_proga.mht");
}

TEST_F(InfoTest, PagesAreWebArchivesOfTheirOwnInTheRussianCodePage)
{
    Build();
    ShowInfo();
    const std::string boundaryEnd = "--\r\n";
    const char *titles[] = {"Инструкция по программе QRV-4", "Инструкция по прибору QRV-4",
                            "Фотографии цифралов", "Восстановление!"};
    for (int page = 0; page < HelpPageCount; ++page) {
        const std::string bytes = ResourceBytes(page);
        EXPECT_EQ(bytes.rfind("MIME-Version: 1.0", 200), bytes.find("MIME-Version: 1.0")) << page;
        EXPECT_NE(bytes.find("charset=\"windows-1251\""), std::string::npos) << page;
        EXPECT_NE(bytes.find(AnsiString::FromUtf8(titles[page]).View()), std::string::npos) << page;
        EXPECT_NE(bytes.find("multipart/related"), std::string::npos) << page;
        EXPECT_EQ(bytes.substr(bytes.size() - boundaryEnd.size()), boundaryEnd) << page;
        // The repair guide is one page with nothing else in its archive.
        std::size_t parts = 0;
        for (std::size_t at = bytes.find("\r\nContent-Location:"); at != std::string::npos;
             at = bytes.find("\r\nContent-Location:", at + 1))
            ++parts;
        EXPECT_EQ(parts == 1, page == 3) << page;
    }
    // Each file holds its own page only.
    EXPECT_EQ(ResourceBytes(0).find(AnsiString::FromUtf8(titles[1]).View()), std::string::npos);
    // The program's manual shows the program's own windows.
    EXPECT_NE(ResourceBytes(0).find("Content-Type: image/png"), std::string::npos);
}

TEST_F(InfoTest, PagesAlreadyThereAreOnlyShown)
{
    Build();
    ShowInfo();
    std::filesystem::permissions(Page(3), std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::add);
    WriteFile(HelpPageFiles[3].c_str(), "changed");
    ShowInfo();
    EXPECT_EQ(FileText(HelpPageFiles[3].c_str()), "changed");
}

TEST_F(InfoTest, OneMissingPageWritesThemAllAgainOverTheReadOnlyOnes)
{
    Build();
    ShowInfo();
    std::filesystem::permissions(Page(1), std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::add);
    std::filesystem::remove(Page(1));
    ShowInfo();
    EXPECT_FALSE(Form->InfoPagesLocked);
    EXPECT_FALSE(TMainForm::InfoWarningShown);
    for (int page = 0; page < HelpPageCount; ++page) {
        EXPECT_EQ(FileText(HelpPageFiles[page].c_str()), ResourceBytes(page));
        EXPECT_FALSE(Writable(page));
    }
}

// The pages outlive the run as they were written; the next start deletes them, also marked
// read-only.
TEST_F(InfoTest, PagesStayAfterARunUntilTheNextStartDeletesThem)
{
    Build();
    ShowInfo();
    Form.reset();
    for (int page = 0; page < HelpPageCount; ++page) {
        ASSERT_TRUE(std::filesystem::exists(Page(page))) << page;
        EXPECT_EQ(FileText(HelpPageFiles[page].c_str()), ResourceBytes(page)) << page;
        EXPECT_FALSE(Writable(page)) << page;
    }
    Build();
    for (int page = 0; page < HelpPageCount; ++page)
        EXPECT_FALSE(std::filesystem::exists(Page(page))) << page;
}

TEST_F(InfoTest, TabSetNavigatesToItsPage)
{
    Build();
    ShowInfo();
    Form->TS_InfoList->SetTabIndex(2);
    EXPECT_EQ(Form->WEB_InfoMht->LocationURL(), Config.GetBaseDir() + "info_cyfral.mht");
    Form->TS_InfoList->SetTabIndex(3);
    EXPECT_EQ(Form->WEB_InfoMht->LocationURL(), Config.GetBaseDir() + "info_repair.mht");
}

TEST_F(InfoTest, UnwritableFolderLocksThePagesAndWarnsOncePerRun)
{
    // Not even the superuser writes a file where a folder of its name stands.
    std::filesystem::create_directory(Page(1));
    Build();
    ShowInfo();
    EXPECT_TRUE(Form->InfoPagesLocked);
    EXPECT_TRUE(TMainForm::InfoWarningShown);
    EXPECT_EQ(Form->WEB_InfoMht->LocationURL(), "about:blank");
    const AnsiString warning = Form->WEB_InfoMht->DocumentSource();
    EXPECT_EQ(warning.Length(), 277);
    EXPECT_EQ(warning.Pos("Внимание!"_a), 31);

    // Locked, the tab set leaves the warning where it is.
    Form->TS_InfoList->SetTabIndex(3);
    EXPECT_EQ(Form->TS_InfoList->TabIndex(), 3);
    EXPECT_EQ(Form->WEB_InfoMht->LocationURL(), "about:blank");

    // A second failure in the run says nothing more.
    Form->WEB_InfoMht->Navigate("/elsewhere.html");
    ShowInfo();
    EXPECT_TRUE(Form->InfoPagesLocked);
    EXPECT_EQ(Form->WEB_InfoMht->LocationURL(), "/elsewhere.html");

    // Once the folder can be written, the next showing writes and unlocks.
    std::filesystem::remove(Page(1));
    ShowInfo();
    EXPECT_FALSE(Form->InfoPagesLocked);
    EXPECT_EQ(Form->WEB_InfoMht->LocationURL(), Config.GetBaseDir() + "info_repair.mht");
}

TEST_F(InfoTest, EngineModuleThatCannotBeOpenedIsSaidInThePagesPlace)
{
    TCppWebBrowser::SetEngineEnabled(true);
    TCppWebBrowser::SetEngineModule("/nowhere/libqrv4_webengine.so");
    Build();
    ShowInfo();
    const auto *label = qobject_cast<QLabel *>(win::NativeWidget(Form->WEB_InfoMht->Handle()));
    TCppWebBrowser::SetEngineModule("");
    TCppWebBrowser::SetEngineEnabled(false);
    ASSERT_NE(label, nullptr);
    EXPECT_TRUE(label->text().contains(QString::fromUtf8("модуль просмотра")))
        << label->text().toStdString();
    EXPECT_TRUE(label->text().contains("/nowhere/libqrv4_webengine.so"));
    // The tab goes on as without the engine: pages "load" and take the host, tabs switch.
    EXPECT_TRUE(PumpUntil([&] { return Host()->References() == 2; }, 2000));
    Form->TS_InfoList->SetTabIndex(3);
    EXPECT_EQ(Form->WEB_InfoMht->LocationURL(), Config.GetBaseDir() + "info_repair.mht");
}

// ---- the host object ----

TEST(WebHostHandler, AnswersForItsTwoInterfacesOnly)
{
    auto *host = new TWebHostHandler;
    void *object = reinterpret_cast<void *>(1);
    EXPECT_EQ(host->QueryInterface(IID_IDocHostUIHandler, &object), S_OK);
    EXPECT_EQ(object, static_cast<IDocHostUIHandler *>(host));
    EXPECT_EQ(host->QueryInterface(IID_IUnknown, &object), S_OK);
    EXPECT_EQ(host->References(), 3u);
    EXPECT_EQ(host->QueryInterface(IID_ICustomDoc, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(host->Release(), 2u);
    EXPECT_EQ(host->AddRef(), 3u);
    EXPECT_EQ(host->Release(), 2u);
    EXPECT_EQ(host->Release(), 1u);
    EXPECT_EQ(host->Release(), 0u); // freed here, which the address sanitizer watches
}

TEST(WebHostHandler, NoMenuNoBorderAndThreeKeysKept)
{
    auto *host = new TWebHostHandler;
    EXPECT_EQ(host->ShowContextMenu(0, nullptr, nullptr, nullptr), S_OK);
    DOCHOSTUIINFO info;
    info.dwFlags = 0x10;
    EXPECT_EQ(host->GetHostInfo(&info), S_OK);
    EXPECT_EQ(info.dwFlags, 0x14u);
    for (WPARAM key : {0x49, 0x4E, 0x4F}) {
        MSG down{nullptr, WM_KEYDOWN, key, 0, 0, {}};
        EXPECT_EQ(host->TranslateAccelerator(&down, nullptr, 0), S_OK) << key;
        MSG up{nullptr, WM_KEYUP, key, 0, 0, {}};
        EXPECT_EQ(host->TranslateAccelerator(&up, nullptr, 0), E_NOTIMPL) << key;
    }
    MSG other{nullptr, WM_KEYDOWN, 0x41, 0, 0, {}};
    EXPECT_EQ(host->TranslateAccelerator(&other, nullptr, 0), E_NOTIMPL);
    EXPECT_EQ(host->ShowUI(0, nullptr, nullptr, nullptr, nullptr), E_NOTIMPL);
    EXPECT_EQ(host->HideUI(), E_NOTIMPL);
    EXPECT_EQ(host->ResizeBorder(nullptr, nullptr, 0), E_NOTIMPL);
    EXPECT_EQ(host->GetExternal(nullptr), E_NOTIMPL);
    EXPECT_EQ(host->FilterDataObject(nullptr, nullptr), E_NOTIMPL);
    host->Release();
}

TEST_F(InfoTest, WindowHoldsTheHostWhilePagesComeAndGo)
{
    Build();
    EXPECT_EQ(Host()->References(), 1u);
    ShowInfo();
    ASSERT_TRUE(PumpUntil([&] { return Host()->References() == 2; }, 2000));
    EXPECT_FALSE(Form->WEB_InfoMht->Bordered());
    // The next page's document takes the host; the last one's lets go of it.
    Form->TS_InfoList->SetTabIndex(1);
    EXPECT_EQ(Host()->References(), 1u);
    EXPECT_TRUE(Form->WEB_InfoMht->Bordered());
    ASSERT_TRUE(PumpUntil([&] { return Host()->References() == 2; }, 2000));
}

TEST_F(InfoTest, KeysINAndOStayOutOfThePage)
{
    Build();
    ShowInfo();
    ASSERT_TRUE(PumpUntil([&] { return Host()->References() == 2; }, 2000));
    std::vector<WORD> reached;
    Form->WEB_InfoMht->OnKeyDown = [&](TObject *, WORD &Key, TShiftState) {
        reached.push_back(Key);
    };
    for (WPARAM key : {0x49, 0x41, 0x4E, 0x4F, 0x42})
        Form->WEB_InfoMht->Perform(WM_KEYDOWN, key, 0);
    EXPECT_EQ(reached, (std::vector<WORD>{0x41, 0x42}));
}

TEST_F(InfoTest, PrintWithoutAPrinterSaysSoBeforeAnyDialog)
{
    printtest::PrivateCups cups;
    QRV4_REQUIRE_CUPS(cups);
    frxPrinters()->Refresh();
    Build();
    ShowInfo();
    Dialogs.ReplyMessage(mrOk);
    Form->BTN_InfoPrintClick(nullptr);
    EXPECT_TRUE(Dialogs.Dialogs().empty());
    ASSERT_EQ(Dialogs.Messages().size(), 1u);
    EXPECT_GT(Dialogs.Messages()[0].Text.Pos("Добавьте принтер"_a), 0);
}

TEST_F(InfoTest, PrintAsksThePrintDialog)
{
    printtest::PrivateCups cups;
    QRV4_REQUIRE_CUPS(cups);
    ASSERT_TRUE(cups.AddPdfQueue("office"));
    frxPrinters()->Refresh();
    Build();
    ShowInfo();
    Dialogs.ReplyDialog([](TCommonDialog &) { return false; });
    Form->BTN_InfoPrintClick(nullptr);
    ASSERT_EQ(Dialogs.Dialogs().size(), 1u);
    EXPECT_EQ(Dialogs.Dialogs()[0], "TPrintDialog");
}

// ---- with the engine: under Xvfb ----

namespace
{

// The four-digit hex numbers "<XXXX>" of a character map section, in order.
std::vector<int> HexNumbers(const std::string &Map, const std::string &Begin,
                            const std::string &End)
{
    std::vector<int> numbers;
    for (std::size_t at = Map.find(Begin); at != std::string::npos; at = Map.find(Begin, at + 1)) {
        const std::size_t end = Map.find(End, at);
        for (std::size_t p = Map.find('<', at); p < end; p = Map.find('<', p + 1))
            numbers.push_back(std::stoi(Map.substr(p + 1, 4), nullptr, 16));
    }
    return numbers;
}

// Every character the PDF's fonts map their glyphs to, from the compressed character maps:
// pairs of glyph and character, and ranges of glyphs onto a run of characters.
std::u16string MappedCharacters(const std::string &Pdf)
{
    std::u16string characters;
    for (std::size_t at = Pdf.find("stream"); at != std::string::npos;
         at = Pdf.find("stream", at + 1)) {
        std::size_t start = at + 6;
        while (start < Pdf.size() && (Pdf[start] == '\r' || Pdf[start] == '\n'))
            ++start;
        const std::size_t end = Pdf.find("endstream", start);
        if (end == std::string::npos) break;
        std::string map(1 << 20, '\0');
        uLongf size = map.size();
        if (uncompress(reinterpret_cast<Bytef *>(map.data()), &size,
                       reinterpret_cast<const Bytef *>(Pdf.data() + start), end - start) != Z_OK)
            continue;
        map.resize(size);
        const std::vector<int> pairs = HexNumbers(map, "beginbfchar", "endbfchar");
        for (std::size_t i = 1; i < pairs.size(); i += 2)
            characters += static_cast<char16_t>(pairs[i]);
        const std::vector<int> ranges = HexNumbers(map, "beginbfrange", "endbfrange");
        for (std::size_t i = 2; i < ranges.size(); i += 3)
            for (int glyph = ranges[i - 2]; glyph <= ranges[i - 1]; ++glyph)
                characters += static_cast<char16_t>(ranges[i] + glyph - ranges[i - 2]);
        at = end;
    }
    return characters;
}

class EngineTest : public InfoTest
{
protected:
    void SetUp() override
    {
        InfoTest::SetUp();
        if (!TCppWebBrowser::EngineEnabled()) GTEST_SKIP() << "no display for the web engine";
        Build();
        Form->Show();
        Form->PC_Tabs->SetActivePage(Form->Sheet_Info);
        Form->PC_TabsChange(Form->PC_Tabs);
    }

    bool Loaded()
    {
        return PumpUntil([&] { return Host()->References() == 2; }, 30000);
    }
    // The browser's part of the screen.
    QImage Shot()
    {
        PumpFor(500);
        TCppWebBrowser *web = Form->WEB_InfoMht;
        const TPoint at = web->ClientToScreen(TPoint(0, 0));
        return QGuiApplication::primaryScreen()
            ->grabWindow(0, at.X, at.Y, web->Width(), web->Height())
            .toImage();
    }
    // Pixels of the headings' blue in the top part of the shot.
    static int HeadingPixels(const QImage &Image)
    {
        int count = 0;
        for (int y = 0; y < std::min(Image.height(), 120); ++y)
            for (int x = 0; x < Image.width(); ++x)
                if ((Image.pixel(x, y) & 0xFFFFFF) == 0x1F4E8Cu) ++count;
        return count;
    }
};

} // namespace

TEST_F(EngineTest, EveryPageRendersWithItsHeading)
{
    for (int page = 0; page < HelpPageCount; ++page) {
        if (page > 0) Form->TS_InfoList->SetTabIndex(page);
        ASSERT_TRUE(Loaded()) << page;
        int pixels = 0;
        for (int attempt = 0; attempt < 20 && pixels < 200; ++attempt)
            pixels = HeadingPixels(Shot());
        EXPECT_GE(pixels, 200) << "the heading of page " << page << " is not on the screen";
    }
}

TEST_F(EngineTest, RightClickInThePageOpensNoMenu)
{
    ASSERT_TRUE(Loaded());
    PumpFor(500);
    const TPoint at = Form->WEB_InfoMht->ClientToScreen(TPoint(300, 300));
    auto rightClick = [&] {
        const std::string command =
            "xdotool mousemove " + std::to_string(at.X) + " " + std::to_string(at.Y) + " click 3";
        ASSERT_EQ(std::system(command.c_str()), 0);
    };
    rightClick();
    PumpFor(1500);
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);

    // Without the host the page has its menu, so the click did reach it.
    void *custom = nullptr;
    ASSERT_EQ(Form->WEB_InfoMht->Document()->QueryInterface(IID_ICustomDoc, &custom), S_OK);
    static_cast<ICustomDoc *>(custom)->SetUIHandler(nullptr);
    static_cast<ICustomDoc *>(custom)->Release();
    rightClick();
    EXPECT_TRUE(PumpUntil([] { return QApplication::activePopupWidget() != nullptr; }, 5000));
    if (QWidget *menu = QApplication::activePopupWidget()) menu->close();
}

TEST_F(EngineTest, PrintingToAFileKeepsThePageText)
{
    printtest::PrivateCups cups;
    QRV4_REQUIRE_CUPS(cups);
    ASSERT_TRUE(cups.AddPdfQueue("office"));
    frxPrinters()->Refresh();
    Form->TS_InfoList->SetTabIndex(3);
    ASSERT_TRUE(Loaded());
    const std::filesystem::path pdf = Folder / "page.pdf";
    Dialogs.ReplyDialog([&](TCommonDialog &) {
        Printer()->SetFileName(pdf.c_str());
        return true;
    });
    Form->BTN_InfoPrintClick(nullptr);
    Printer()->SetFileName("");
    ASSERT_EQ(Dialogs.Dialogs().size(), 1u);
    const std::string bytes = FileText("page.pdf");
    EXPECT_EQ(bytes.substr(0, 5), "%PDF-");
    // Text, not a picture of it: the fonts map their glyphs to the letters of the page.
    const std::u16string letters = MappedCharacters(bytes);
    for (char16_t letter : std::u16string(u"ВосстановлениеПризнакишрифтов"))
        EXPECT_NE(letters.find(letter), std::u16string::npos) << int(letter);
    EXPECT_EQ(letters.find(u'Ж'), std::u16string::npos) << "a letter the page does not have";
}

TEST_F(EngineTest, PrintingWithoutAPrintServiceSaysHowToStartItAndAsksNothing)
{
    printtest::NoPrinters none;
    frxPrinters()->Refresh();
    ASSERT_TRUE(Loaded());
    Dialogs.ReplyMessage(mrOk);
    EXPECT_NO_THROW(Form->BTN_InfoPrintClick(nullptr));
    EXPECT_TRUE(Dialogs.Dialogs().empty()) << "a print dialog with no printer in it";
    ASSERT_EQ(Dialogs.Messages().size(), 1u);
    const AnsiString text = Dialogs.Messages()[0].Text;
    EXPECT_GT(text.Pos("Служба печати CUPS не запущена"_a), 0) << text.ToUtf8();
    EXPECT_GT(text.Pos("systemctl start cups"_a), 0) << text.ToUtf8();
}

namespace
{

// Clicks at a point of the screen as the user's mouse does.
void ClickAt(int X, int Y)
{
    const std::string command =
        "xdotool mousemove " + std::to_string(X) + " " + std::to_string(Y) + " click 1";
    ASSERT_EQ(std::system(command.c_str()), 0);
}

void ClickOn(TControl *Control)
{
    const TPoint at = Control->ClientToScreen(TPoint(Control->Width() / 2, Control->Height() / 2));
    ClickAt(at.X, at.Y);
}

} // namespace

TEST_F(EngineTest, PrintButtonAsksThePrintDialogAndPrintsThePageAsText)
{
    printtest::PrivateCups cups;
    QRV4_REQUIRE_CUPS(cups);
    ASSERT_TRUE(cups.AddPdfQueue("office"));
    ASSERT_TRUE(cups.SetDefault("office"));
    vcl::SetDialogService(nullptr);
    Form->TS_InfoList->SetTabIndex(3);
    ASSERT_TRUE(Loaded());
    PumpFor(500);

    // The dialog's own print button, pressed once the dialog shows.
    QString printerShown;
    QTimer answer;
    answer.setInterval(100);
    QObject::connect(&answer, &QTimer::timeout, [&] {
        auto *dialog = qobject_cast<QPrintDialog *>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible()) return;
        answer.stop();
        printerShown = dialog->printer()->printerName();
        QPushButton *print = dialog->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok);
        ASSERT_NE(print, nullptr);
        ClickAt(print->mapToGlobal(print->rect().center()).x(),
                print->mapToGlobal(print->rect().center()).y());
    });
    answer.start();
    ClickOn(Form->BTN_InfoPrint);
    const std::vector<std::string> jobs = [&] {
        PumpUntil([&] { return !answer.isActive(); }, 20000);
        return cups.WaitForPdfs("office", 1);
    }();
    vcl::SetDialogService(&Dialogs);
    EXPECT_EQ(printerShown, "office") << "no print dialog showed";
    ASSERT_EQ(jobs.size(), 1u) << cups.Log();
    EXPECT_EQ(printtest::PrivateCups::JobTitle(jobs[0]), "info_repair.mht");
    const std::vector<std::string> pages = printtest::PdfPages(jobs[0]);
    ASSERT_FALSE(pages.empty());
    std::string text;
    for (const std::string &page : pages)
        text += page;
    EXPECT_NE(text.find("Восстановление"), std::string::npos) << "the page's text is not text";
}

// The print service gone while the page went out: the user is told, with the printer's name,
// that the page may or may not come out, instead of nothing as after a print.
TEST_F(EngineTest, APageWhoseServiceWentAwayAsItWentOutIsToldToBeOfUnknownFate)
{
    printtest::PrivateCups cups;
    QRV4_REQUIRE_CUPS(cups);
    ASSERT_TRUE(cups.AddPdfQueue("office"));
    ASSERT_TRUE(cups.SetDefault("office"));
    frxPrinters()->Refresh();
    Form->TS_InfoList->SetTabIndex(3);
    ASSERT_TRUE(Loaded());
    win::SetCupsLibrary(printtest::InterruptingCupsLibrary());
    cups.InterruptAtNextJob(printtest::PrivateCups::JobStep::Writing, SIGKILL);
    Dialogs.ReplyDialog([](TCommonDialog &) { return true; });
    Dialogs.ReplyMessage(mrOk);
    ClickOn(Form->BTN_InfoPrint);
    const bool said = PumpUntil([&] { return !Dialogs.Messages().empty(); }, 30000);
    win::SetCupsLibrary("");
    ASSERT_TRUE(said) << "nothing was said of the page's job";
    const AnsiString text = Dialogs.Messages()[0].Text;
    EXPECT_GT(text.Pos("«office»"_a), 0) << text.ToUtf8();
    EXPECT_GT(text.Pos("неизвестно, будет ли документ напечатан"_a), 0) << text.ToUtf8();
}

// The scheduler stopped as the page's job is made: within the first second a box says what the
// print waits for, under the title of a print, and Escape on it ends the wait; the user learns
// that the page may not have been printed, not, after the service's whole patience, that its
// fate is unknown.
TEST_F(EngineTest, EscapeEndsTheWaitForAPageWhoseHandOverHangs)
{
    printtest::PrivateCups cups;
    QRV4_REQUIRE_CUPS(cups);
    ASSERT_TRUE(cups.AddPdfQueue("office"));
    ASSERT_TRUE(cups.SetDefault("office"));
    frxPrinters()->Refresh();
    Form->TS_InfoList->SetTabIndex(3);
    ASSERT_TRUE(Loaded());
    // The scheduler goes on at the end, also after a failure, and the questions that hung on it
    // come back before the next test.
    struct Interrupted {
        printtest::PrivateCups &Cups;
        ~Interrupted()
        {
            Cups.Resume();
            win::SetCupsLibrary("");
            PumpUntil([] { return win::AskInTime([](win::PrintErrand &) {}); }, 60000);
        }
    } interrupted{cups};
    win::SetCupsLibrary(printtest::InterruptingCupsLibrary());
    cups.InterruptAtNextJob(printtest::PrivateCups::JobStep::Created, SIGSTOP);
    // "office" chosen in the print dialog.
    Dialogs.ReplyDialog([](TCommonDialog &) {
        Printer()->Refresh();
        Printer()->SetPrinterIndex(Printer()->Printers()->IndexOf("office"));
        return true;
    });
    Dialogs.ReplyMessage(mrOk);

    std::string title, line;
    bool said = false;
    {
        const vcltest::ScreenWatch watch(Form.get(), [&] {
            TfrxProgress *box = vcltest::VisibleForm<TfrxProgress>();
            if (!box) return false;
            title = box->Caption().ToUtf8();
            line = box->LMessage->Caption().ToUtf8();
            vcltest::Key(VK_ESCAPE);
            return true;
        });
        ClickOn(Form->BTN_InfoPrint);
        said = PumpUntil([&] { return !Dialogs.Messages().empty(); }, 30000);
    }
    ASSERT_TRUE(said) << "nothing was said of the page's job";
    EXPECT_EQ(title, "Печать");
    EXPECT_EQ(line, "Ожидание ответа службы печати…");
    const AnsiString text = Dialogs.Messages()[0].Text;
    EXPECT_GT(text.Pos("«office»"_a), 0) << text.ToUtf8();
    EXPECT_GT(text.Pos("отменена"_a), 0) << text.ToUtf8();
    EXPECT_GT(text.Pos("может быть не напечатан"_a), 0) << text.ToUtf8();
}

// ---- the page worked with the mouse ----

namespace
{

// The rows the page moved up by between two shots of it (the part left of its scroll bar): the
// smallest shift under which most of the later shot is the earlier one moved; 0 for none.
int ScrolledBy(const QImage &Before, const QImage &After)
{
    const int width = std::min(Before.width(), After.width()) - 24;
    const int height = std::min(Before.height(), After.height());
    auto rowsEqual = [&](int YBefore, int YAfter) {
        for (int x = 4; x < width; ++x)
            if (Before.pixel(x, YBefore) != After.pixel(x, YAfter)) return false;
        return true;
    };
    for (int shift = 1; shift < height - 40; ++shift) {
        int same = 0, inked = 0;
        for (int y = 4; y + shift < height - 4; ++y) {
            if (!rowsEqual(y + shift, y)) continue;
            ++same;
            for (int x = 4; x < width && !inked; x += 2)
                if (After.pixel(x, y) != After.pixel(4, y)) ++inked;
        }
        // The blank rows match under any shift; the ones with text tell.
        if (inked && same > (height - shift) * 9 / 10) return shift;
    }
    return 0;
}

// Pixels that differ between two shots of the same size.
int ChangedPixels(const QImage &A, const QImage &B)
{
    int changed = 0;
    for (int y = 0; y < std::min(A.height(), B.height()); ++y)
        for (int x = 0; x < std::min(A.width(), B.width()); ++x)
            if (A.pixel(x, y) != B.pixel(x, y)) ++changed;
    return changed;
}

} // namespace

TEST_F(EngineTest, TheWheelTheScrollBarsThumbAndADragOverTheTextWorkThePage)
{
    TCppWebBrowser *web = Form->WEB_InfoMht;
    ASSERT_TRUE(Loaded());
    const QImage top = Shot();

    // The thumb, at the top of the bar under its arrow, dragged down: the page follows the
    // pointer before the button is let go.
    const int bar = web->Width() - 10;
    Xdotool("mousemove --sync " + At(web, bar, 24) + " mousedown 1");
    const QImage pressed = Shot();
    Xdotool("mousemove --sync " + At(web, bar, 28) + " sleep 0.2 mousemove --sync " +
            At(web, bar, 32));
    const QImage dragged = Shot();
    Xdotool("mouseup 1");
    EXPECT_EQ(ScrolledBy(top, pressed), 0) << "the press missed the thumb";
    EXPECT_GT(ScrolledBy(pressed, dragged), 0) << "the thumb did not take the page along";

    // Back to the top with the wheel over the page, which was never clicked.
    Xdotool("mousemove --sync " + At(web, web->Width() / 2, web->Height() / 2) +
            " click --repeat 30 --delay 20 4");
    PumpUntil([&] { return ChangedPixels(top, Shot()) == 0; }, 5000);
    EXPECT_EQ(ChangedPixels(top, Shot()), 0) << "the wheel did not bring the page back up";

    // A drag along the first paragraph selects its text: the lines change colour, the page
    // stays where it is.
    const int line = 85;
    Xdotool("mousemove --sync " + At(web, 30, line) + " mousedown 1 sleep 0.2 mousemove --sync " +
            At(web, web->Width() / 2, line + 14) + " sleep 0.2 mouseup 1");
    const QImage selected = Shot();
    EXPECT_EQ(ScrolledBy(top, selected), 0);
    EXPECT_GT(ChangedPixels(top, selected), 500) << "nothing was selected";

    // Two notches down.
    Xdotool("click --repeat 2 --delay 100 5");
    PumpUntil([&] { return ScrolledBy(selected, Shot()) > 0; }, 5000);
    EXPECT_GT(ScrolledBy(selected, Shot()), 0) << "the wheel did not scroll the page";
}

// ---- the engine's first start: a program of its own ----

namespace
{

// The main window's own X window.
WId MainWindowId(TMainForm &Form)
{
    const TPoint at = Form.ClientToScreen(TPoint(4, 4));
    QWidget *widget = QApplication::widgetAt(at.X, at.Y);
    return widget ? widget->window()->winId() : 0;
}

// Stderr into a file while it lives.
class CapturedStderr
{
public:
    explicit CapturedStderr(const std::filesystem::path &File) : FFile(File)
    {
        std::fflush(stderr);
        FSaved = dup(STDERR_FILENO);
        const int to = open(File.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(to, STDERR_FILENO);
        close(to);
    }
    ~CapturedStderr() { Restore(); }
    std::string Restore()
    {
        if (FSaved >= 0) {
            std::fflush(stderr);
            dup2(FSaved, STDERR_FILENO);
            close(FSaved);
            FSaved = -1;
        }
        std::ifstream in(FFile);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

private:
    std::filesystem::path FFile;
    int FSaved = -1;
};

class EngineStart : public InfoTest
{
protected:
    void SetUp() override
    {
        InfoTest::SetUp();
        if (!TCppWebBrowser::EngineEnabled()) GTEST_SKIP() << "no display for the web engine";
    }
};

// The share of pure black in the browser's part of the screen.
double BlackShare(TCppWebBrowser &Web)
{
    const TPoint at = Web.ClientToScreen(TPoint(0, 0));
    const QImage shot = QGuiApplication::primaryScreen()
                            ->grabWindow(0, at.X, at.Y, Web.Width(), Web.Height())
                            .toImage();
    long black = 0;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x)
            if ((shot.pixel(x, y) & 0xFFFFFF) == 0) ++black;
    return double(black) / std::max(1LL, static_cast<long long>(shot.width()) * shot.height());
}

} // namespace

TEST_F(EngineStart, FirstShowingKeepsTheWindowShowsNoBlackAndLeavesTheTerminalQuiet)
{
    Build();
    Form->Show();
    PumpFor(500);
    const WId window = MainWindowId(*Form);
    ASSERT_NE(window, 0u);

    CapturedStderr terminal(Folder / "stderr.txt");
    const TRect tab = Form->PC_Tabs->TabRect(Form->Sheet_Info->PageIndex());
    const TPoint header = Form->PC_Tabs->ClientToScreen(
        TPoint((tab.Left + tab.Right) / 2, (tab.Top + tab.Bottom) / 2));
    ClickAt(header.X, header.Y);
    double blackest = 0;
    const bool loaded = PumpUntil(
        [&] {
            blackest = std::max(blackest, BlackShare(*Form->WEB_InfoMht));
            return Host()->References() == 2;
        },
        30000);
    PumpFor(2000);
    blackest = std::max(blackest, BlackShare(*Form->WEB_InfoMht));
    const std::string said = terminal.Restore();

    ASSERT_TRUE(loaded);
    EXPECT_EQ(Form->PC_Tabs->ActivePage(), Form->Sheet_Info);
    EXPECT_EQ(MainWindowId(*Form), window) << "the main window was made again";
    EXPECT_LT(blackest, 0.2) << "the page flashed black";
    EXPECT_EQ(said, "") << "the engine wrote to the terminal";
}
