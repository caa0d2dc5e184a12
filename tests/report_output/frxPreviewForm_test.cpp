// The preview window's toolbar on a real offscreen window: every button shows
// its picture, and its caption and hint name what its click does.

#include "report_output/frxPreview.h"

#include "platform/rtl/ClassesFiler.h"
#include "platform/vcl/ImgList.h"
#include "platform/win/Paint.h"
#include "platform/win/SysParams.h"
#include "platform/win/WindowRegistry.h"
#include "platform/win/WindowWidget.h"
#include "report/frxRes.h"
#include "tests/report/ReportTestSupport.h"
#include "tests/report_output/EngineTestSupport.h"
#include "tests/support/TestFolder.h"
#include "tests/vcl/VclTestSupport.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace enginetest;

namespace
{

// How long a window manager may take to answer a change of a window's state, in ms.
constexpr int WindowManagerWait = 10000;

class PreviewFormTest : public vcltest::VclTest
{
protected:
    void SetUp() override
    {
        VclTest::SetUp();
        Build.NumberedRows(Rows);
        Rows.SetCount(3);
        Window = ShowPreview(Build, 900, 500);
        ASSERT_TRUE(Build.Prepare()) << Build.Errors();
        vcltest::Pump();
    }
    void TearDown() override
    {
        Window.reset();
        VclTest::TearDown();
    }

    TRows Rows{"Rows"};
    TBuilder Build;
    std::unique_ptr<TfrxPreviewForm> Window;
};

struct Named {
    TSpeedButton *Button;
    const char *Caption; // UTF-8; null for a button known by its hint only
    const char *Hint;
};

TEST_F(PreviewFormTest, EveryButtonIsNamedForWhatItsClickDoes)
{
    TfrxPreviewForm &W = *Window;
    const Named Buttons[] = {
        {W.PrintB, "Печать", "Печать отчета"},
        {W.OpenB, "Открыть", "Открыть готовый отчет"},
        {W.SaveB, "Сохранить", "Сохранить готовый отчет"},
        {W.ExportB, "Экспорт", "Экспорт в другие форматы"},
        {W.PdfB, nullptr, "Экспорт в PDF"},
        {W.EmailB, nullptr, "Отправить по электронной почте"},
        {W.FindB, "Найти", "Найти текст"},
        {W.ZoomWholePageB, "Целиком", "Страница целиком"},
        {W.ZoomPageWidthB, "По ширине", "Страница по ширине"},
        {W.Zoom100B, "100%", "Масштаб 100%"},
        {W.Zoom50B, "Две страницы", "Несколько страниц"},
        {W.FullScreenBtn, nullptr, "Полноэкранный режим"},
        {W.PageSettingsB, "Параметры страницы", "Изменить параметры страницы"},
        {W.OutlineB, "Дерево отчета", "Показать или скрыть дерево отчета"},
        {W.HandToolB, "Рука", "Двигать страницы мышью"},
        {W.ZoomToolB, "Лупа", "Увеличить или уменьшить щелчком"},
        {W.NewPageB, "Новая страница", "Добавить новую страницу"},
        {W.DelPageB, "Удалить страницу", "Удалить текущую страницу"},
        {W.DesignerB, "Редактировать", "Редактировать страницу"},
        {W.FirstB, "Первая", "Первая страница"},
        {W.PriorB, "Предыдущая", "Предыдущая страница"},
        {W.NextB, "Следующая", "Следующая страница"},
        {W.LastB, "Последняя", "Последняя страница"},
        // After a run the closing button says what it does then.
        {W.CancelB, "Закрыть", nullptr},
    };
    for (const Named &B : Buttons) {
        EXPECT_EQ(B.Button->Caption(), B.Caption ? Cp(B.Caption) : AnsiString()) << B.Hint;
        EXPECT_EQ(B.Button->Hint(), B.Hint ? Cp(B.Hint) : AnsiString()) << B.Caption;
    }
    EXPECT_EQ(W.Caption(), Cp("Предварительный просмотр"));
    EXPECT_EQ(TfrxPreviewForm(nullptr).CancelB->Caption(), Cp("Отмена")) << "before any run";
    EXPECT_EQ(W.ZoomCB->Hint(), Cp("Масштаб"));
    EXPECT_EQ(W.PageE->Hint(), Cp("Номер страницы"));

    // What the named buttons do.
    bool SetupAsked = false;
    frxSetPageSetupHandler([&SetupAsked](TfrxReportPage *, TfrxReport *, bool &) {
        SetupAsked = true;
        return false;
    });
    Window->PageSettingsB->Click();
    frxSetPageSetupHandler({});
    EXPECT_TRUE(SetupAsked) << "the page-settings button opens the page settings";
    Window->LastB->Click();
    EXPECT_EQ(Window->Preview->PageNo(), Window->Preview->PageCount());
    Window->FirstB->Click();
    EXPECT_EQ(Window->Preview->PageNo(), 1);
    const bool Outline = Window->Preview->OutlineVisible();
    Window->OutlineB->Click();
    EXPECT_NE(Window->Preview->OutlineVisible(), Outline) << "the outline button toggles the tree";
    Window->ZoomToolB->Click();
    EXPECT_EQ(Window->Preview->Tool(), ptZoom);
    Window->HandToolB->Click();
    EXPECT_EQ(Window->Preview->Tool(), ptHand);
}

// A save into a folder the user may not write to told the file but not why it failed.
TEST_F(PreviewFormTest, ASaveIntoAFolderThatMayNotBeWrittenSaysWhy)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "root writes whatever the modes; the unprivileged pass runs this";
    using std::filesystem::perms;
    const testsupport::TestFolder Folder("qrv4_preview_");
    const AnsiString File = rtl::FromSystemPath((Folder / "list.rpd").string());
    std::filesystem::permissions(Folder.Path(), perms::owner_read | perms::owner_exec);
    Dialogs.ReplyDialog([&](TCommonDialog &D) {
        static_cast<TSaveDialog &>(D).SetFileName(File);
        return true;
    });
    Dialogs.ReplyMessage(mrOk);
    vcltest::Click(Window->SaveB, 5, 5);
    vcltest::Pump();
    std::filesystem::permissions(Folder.Path(), perms::owner_all);
    ASSERT_EQ(Dialogs.Messages().size(), 1u);
    EXPECT_EQ(Dialogs.Messages()[0].Text,
              "Cannot create file \"" + File + "\". " + SysErrorMessage(EACCES) + ".");
    EXPECT_FALSE(std::filesystem::exists(Folder / "list.rpd"));
    EXPECT_TRUE(Window->SaveB->Enabled()) << "the preview is usable again";
}

TEST_F(PreviewFormTest, ButtonsShowDistinctPicturesAndNoWords)
{
    TCustomImageList *Pictures = frxResources()->GetPreviewButtonImages();
    ASSERT_EQ(Pictures->Count(), static_cast<int>(TfrxPreviewPicture::Count));
    EXPECT_EQ(Pictures->Width(), 16);
    EXPECT_EQ(Pictures->Height(), 16);

    Window->ToolBar->Repaint();
    vcltest::Pump();
    const HWND Wnd = Window->ToolBar->Handle();
    const win::Window *Frame = win::FindWindow(Wnd);
    const COLORREF Face = GetSysColor(COLOR_BTNFACE);
    std::set<std::vector<COLORREF>> Seen;
    TfrxPreviewForm &W = *Window;
    for (TSpeedButton *B : {W.PrintB, W.OpenB, W.SaveB, W.FindB, W.ZoomWholePageB, W.ZoomPageWidthB,
                            W.Zoom100B, W.Zoom50B, W.FullScreenBtn, W.PageSettingsB, W.HandToolB,
                            W.ZoomToolB, W.FirstB, W.PriorB, W.NextB, W.LastB}) {
        ASSERT_TRUE(B->Visible()) << B->Hint().View();
        EXPECT_FALSE(B->ShowCaption());
        EXPECT_EQ(B->Glyph()->Width(), 16);
        EXPECT_EQ(B->Width(), B->Height()) << "a square picture button";
        // The button's face as drawn on the window.
        const TPoint At(B->Left(), B->Top());
        std::vector<COLORREF> Drawn;
        int Inked = 0;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) {
                const COLORREF P = win::SurfacePixel(Wnd, Frame->Client.left + At.X + 3 + x,
                                                     Frame->Client.top + At.Y + 3 + y);
                Drawn.push_back(P);
                Inked += P != Face;
            }
        EXPECT_GT(Inked, 30) << "a picture is drawn on " << B->Hint().View();
        EXPECT_TRUE(Seen.insert(Drawn).second) << B->Hint().View() << " repeats a picture";
    }
    EXPECT_TRUE(Window->CancelB->ShowCaption()) << "the closing button stays in words";
    EXPECT_GT(Window->CancelB->Width(), Window->PrintB->Width());
}

TEST_F(PreviewFormTest, ADisabledButtonShowsItsPictureInGrey)
{
    TfrxPreviewForm Empty(nullptr);
    Empty.SetBounds(0, 0, 900, 300);
    Empty.Show();
    vcltest::Pump();
    ASSERT_FALSE(Empty.PrintB->Enabled()) << "nothing to print yet";
    ASSERT_TRUE(Window->PrintB->Enabled());
    auto Colours = [](TfrxPreviewForm &Form) {
        const HWND Wnd = Form.ToolBar->Handle();
        const win::Window *Frame = win::FindWindow(Wnd);
        std::set<COLORREF> Found;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x)
                Found.insert(win::SurfacePixel(Wnd,
                                               Frame->Client.left + Form.PrintB->Left() + 3 + x,
                                               Frame->Client.top + Form.PrintB->Top() + 3 + y));
        return Found;
    };
    const auto Grey = [](COLORREF C) {
        return GetRValue(C) == GetGValue(C) && GetGValue(C) == GetBValue(C);
    };
    const std::set<COLORREF> Disabled = Colours(Empty), Enabled = Colours(*Window);
    EXPECT_GT(Disabled.size(), 3u);
    for (COLORREF C : Disabled)
        EXPECT_TRUE(C == GetSysColor(COLOR_BTNFACE) || Grey(C)) << std::hex << C;
    EXPECT_FALSE(std::all_of(Enabled.begin(), Enabled.end(), Grey)) << "in colour when enabled";
}

TEST_F(PreviewFormTest, TheContextMenuRepeatsTheCaptionedButtonsUpToTheSecondDivider)
{
    std::vector<AnsiString> Items;
    for (int i = 0; i < Window->RightMenu->Items()->Count(); ++i)
        Items.push_back(Window->RightMenu->Items()->Items(i)->Caption());
    const std::vector<AnsiString> Expected = {
        Cp("Печать"),  Cp("Открыть"),   Cp("Сохранить"), Cp("Найти"),        "-",
        Cp("Целиком"), Cp("По ширине"), Cp("100%"),      Cp("Две страницы"), "-"};
    EXPECT_EQ(Items, Expected);
    // Each item shows its button's picture.
    EXPECT_EQ(Window->RightMenu->Images(), frxResources()->GetPreviewButtonImages());
    EXPECT_EQ(Window->RightMenu->Items()->Items(0)->ImageIndex(),
              static_cast<int>(TfrxPreviewPicture::Print));
    EXPECT_EQ(Window->RightMenu->Items()->Items(7)->ImageIndex(),
              static_cast<int>(TfrxPreviewPicture::Zoom100));
    EXPECT_EQ(Window->RightMenu->Items()->Items(4)->ImageIndex(), -1) << "a divider";
    Window->RightMenu->Items()->Items(7)->Click();
    EXPECT_DOUBLE_EQ(Window->Preview->Zoom(), 1);
    EXPECT_EQ(Window->Preview->ZoomMode(), zmDefault);
}

// A listed export that counts the memos it is handed.
class CountingExport : public TfrxCustomExportFilter
{
public:
    CountingExport() : TfrxCustomExportFilter(nullptr) { SetShowDialog(false); }
    AnsiString GetDescription() const override { return "Text file"; }
    void ExportObject(TfrxComponent *Obj) override
    {
        if (dynamic_cast<TfrxCustomMemoView *>(Obj)) ++Memos;
    }
    int Memos = 0;
};

TMenuItem *ItemCaptioned(TMenuItem *Menu, const AnsiString &Caption)
{
    for (int i = 0; i < Menu->Count(); ++i)
        if (Menu->Items(i)->Caption() == Caption) return Menu->Items(i);
    return nullptr;
}

TEST_F(PreviewFormTest, TheContextMenusExportItemOffersTheExportListAsItsSubmenu)
{
    CountingExport Filter;
    Window->Init();
    TMenuItem *Export = ItemCaptioned(Window->RightMenu->Items(), Window->ExportB->Caption());
    ASSERT_NE(Export, nullptr);
    ASSERT_EQ(Export->Count(), 1);
    EXPECT_EQ(Export->Items(0)->Caption(), "Text file...");
    Export->Items(0)->Click();
    EXPECT_GT(Filter.Memos, 0) << "the submenu item exports as the export menu's item does";
}

// The dot-matrix export prints rather than saves: it is no choice of the export menu.
class TfrxDotMatrixExport : public CountingExport
{
    QRV4_CLASS(TfrxDotMatrixExport, CountingExport)
};

TEST_F(PreviewFormTest, TheDotMatrixExportAloneLeavesTheExportButtonHidden)
{
    TfrxDotMatrixExport DotMatrix;
    Window->Init();
    EXPECT_FALSE(Window->ExportB->Visible());
    CountingExport Listed;
    Window->Init();
    EXPECT_TRUE(Window->ExportB->Visible());
}

} // namespace

class ReportPreviewTest : public vcltest::VclTest
{
};

TEST_F(ReportPreviewTest, AProgressTextReachesThePreviewWindowTheReportOpened)
{
    TBuilder Build;
    Build.Report->PreviewOptions()->SetModal(false);
    Build.Report->PreviewOptions()->SetMaximized(false);
    Build.Report->ShowPreparedReport();
    auto *Form = dynamic_cast<TfrxPreviewForm *>(Build.Report->PreviewForm());
    ASSERT_NE(Form, nullptr);
    const AnsiString Text = AnsiString::FromUtf8("Сортировка данных");
    Build.Report->SetProgressMessage(Text);
    EXPECT_EQ(Form->MessageText(), Text);
    EXPECT_EQ(Form->StatusBar->Panels(1)->Text(), Text);
    Form->Close();
    vcltest::Pump();
    EXPECT_EQ(Build.Report->PreviewForm(), nullptr);
    Build.Report->SetProgressMessage("after");
}

namespace
{

// What a command prints; the display is the test's own.
std::string Output(const std::string &Command)
{
    std::string Text;
    if (FILE *Pipe = popen((Command + " 2>/dev/null").c_str(), "r")) {
        char Buffer[256];
        while (std::fgets(Buffer, sizeof Buffer, Pipe))
            Text += Buffer;
        pclose(Pipe);
    }
    return Text;
}

// Whether a window manager frames the windows: the test's run names one it starts beside it,
// and waits for it; on a display of someone else's, one may run.
bool FramedByWindowManager()
{
    if (QGuiApplication::platformName() != "xcb") return false;
    const auto Running = [] {
        return Output("xprop -root _NET_SUPPORTING_WM_CHECK").find("window id") !=
               std::string::npos;
    };
    if (!std::getenv("QRV4_WINDOW_MANAGER")) return Running();
    return vcltest::PumpUntil(Running, 30000);
}

// The rectangle of a top-level window that the user sees. A window manager draws the frame
// round the window's client area, and a maximised window's frame fills the work area, where a
// frame of the window's own would hang over its edges; the window system tells where the
// manager's frame stands.
TRect SeenRect(HWND Wnd, bool Framed)
{
    const win::Window *W = win::FindWindow(Wnd);
    QWindow *Shown = W && W->Widget ? W->Widget->windowHandle() : nullptr;
    if (!Shown || !Framed) return vcltest::WindowRectOf(Wnd);
    const QRect Frame = Shown->frameGeometry();
    return TRect(Frame.left(), Frame.top(), Frame.right() + 1, Frame.bottom() + 1);
}

// The preview a report opens, left open.
TfrxPreviewForm *OpenPreview(TBuilder &Build, bool Maximized)
{
    Build.Report->PreviewOptions()->SetModal(false);
    Build.Report->PreviewOptions()->SetMaximized(Maximized);
    Build.Report->ShowPreparedReport();
    vcltest::Pump();
    return dynamic_cast<TfrxPreviewForm *>(Build.Report->PreviewForm());
}

} // namespace

TEST_F(ReportPreviewTest, ThePreviewOpensMaximisedAndComesBackToItsOwnPlace)
{
    TBuilder Plain;
    TfrxPreviewForm *Normal = OpenPreview(Plain, false);
    ASSERT_NE(Normal, nullptr);
    EXPECT_FALSE(IsZoomed(Normal->Handle()));
    const TRect Own = vcltest::WindowRectOf(Normal->Handle());

    TBuilder Build;
    TfrxPreviewForm *Form = OpenPreview(Build, true);
    ASSERT_NE(Form, nullptr);
    EXPECT_TRUE(IsZoomed(Form->Handle()));
    const HWND Wnd = Form->Handle();
    const bool Framed = FramedByWindowManager();
    // A window manager may frame the maximised window only after it resized it.
    EXPECT_TRUE(vcltest::PumpUntil(
        [&] { return SeenRect(Wnd, Framed) == vcltest::WorkAreaOf(Wnd); }, 10000))
        << "the preview does not fill the screen";
    Form->SetWindowState(wsNormal);
    EXPECT_TRUE(vcltest::PumpUntil([&] { return vcltest::WindowRectOf(Wnd) == Own; }, 10000));
    Normal->Close();
    Form->Close();
    vcltest::Pump();
}

TEST_F(PreviewFormTest, MinimisingThePreviewMinimisesTheProgramAndActivatingItRestoresBoth)
{
    TForm Main(nullptr);
    Main.SetBounds(10, 10, 300, 200);
    Main.Show();
    vcltest::Pump();
    // A window manager answers the minimise and the activation in its own time.
    const auto both = [&](bool Iconic) {
        return vcltest::PumpUntil(
            [&] {
                return IsIconic(Main.Handle()) == Iconic && IsIconic(Window->Handle()) == Iconic;
            },
            WindowManagerWait);
    };
    Window->Perform(WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_TRUE(both(true));
    EXPECT_TRUE(Application->Minimized());

    Window->Perform(WM_ACTIVATEAPP, 1, 0);
    EXPECT_TRUE(both(false));
    EXPECT_FALSE(Application->Minimized());
    EXPECT_TRUE(vcltest::PumpUntil([&] { return GetActiveWindow() == Window->Handle(); },
                                   WindowManagerWait));
}

TEST_F(PreviewFormTest, TheWindowIsTitledWithTheReportsNameWhenItHasOne)
{
    EXPECT_EQ(Window->Caption(), frxResources()->Get("100"));
    Build.Report->SetName("frxReceipt");
    Build.Report->ReportOptions()->SetName(Cp("Товарный чек"));
    Window->Init();
    EXPECT_EQ(Window->Caption(), Cp("Товарный чек"));
}

TEST_F(PreviewFormTest, APreviewOpenedAsAChildWindowMinimisesAloneLeavingTheProgramUp)
{
    TForm Main(nullptr);
    Main.SetBounds(10, 10, 300, 200);
    Main.Show();
    Build.Report->PreviewOptions()->SetMDIChild(true);
    Window->Init();
    vcltest::Pump();
    Window->Perform(WM_SYSCOMMAND, SC_MINIMIZE, 0);
    vcltest::Pump();
    EXPECT_FALSE(Application->Minimized());
    EXPECT_FALSE(IsIconic(Main.Handle()));
}

namespace
{

// A designer that writes down what it was shown.
class WatchingDesigner : public TQuietDesigner
{
public:
    WatchingDesigner(TfrxReport *Report, std::vector<std::string> &Seen)
        : TQuietDesigner(nullptr, Report)
    {
        OnShow = [this, &Seen](TObject *) {
            TList *All = this->Report()->Pages(0)->GetAllObjects();
            std::string Kinds;
            for (int i = 0; i < All->Count(); ++i)
                Kinds +=
                    dynamic_cast<TfrxBand *>(static_cast<TObject *>(All->Items(i))) ? "B" : "o";
            Seen.push_back(Kinds);
            SetModalResult(mrCancel);
        };
    }
};

class PreviewFormDesignerTest : public PreviewFormTest
{
protected:
    void SetUp() override
    {
        PreviewFormTest::SetUp();
        frxDesignerClass() = [this](TfrxReport *Report) {
            return std::make_unique<WatchingDesigner>(Report, Seen);
        };
        Build.Report->PreviewOptions()->SetAllowEdit(true);
        Window->Init();
        vcltest::Pump();
    }
    void TearDown() override
    {
        frxDesignerClass() = nullptr;
        PreviewFormTest::TearDown();
    }
    std::vector<std::string> Seen;
};

TEST_F(PreviewFormDesignerTest, TheDesignerButtonEditsThePageAndItsRightClickOffersTheTemplate)
{
    ASSERT_TRUE(Window->DesignerB->Visible());
    ASSERT_TRUE(Window->DesignerB->Enabled());
    Window->DesignerB->Click();
    ASSERT_EQ(Seen.size(), 1u);
    EXPECT_EQ(Seen[0].find('B'), std::string::npos) << "the page's objects without their bands";
    EXPECT_FALSE(Seen[0].empty());

    bool Popped = false;
    Window->HiddenMenu->OnPopup = [&](TObject *) {
        Popped = true;
        vcltest::Key(VK_ESCAPE, 27);
    };
    vcltest::MouseDown(Window->DesignerB, 5, 5, win::MouseButton::Right);
    vcltest::MouseUp(Window->DesignerB, 5, 5, win::MouseButton::Right);
    vcltest::Pump();
    EXPECT_TRUE(Popped) << "a right click opens the hidden menu";
    EXPECT_EQ(Seen.size(), 1u) << "and does not edit the page";

    Window->Showtemplate1->Click();
    ASSERT_EQ(Seen.size(), 2u);
    EXPECT_EQ(Seen[1].substr(0, 1), "B") << "the template, bands and all";
}

TEST_F(PreviewFormTest, TheTemplateItemIsCaptionedByTheResourceTable)
{
    MarkedTexts Marked{"clShowTemplate"};
    TfrxPreviewForm Other(nullptr);
    EXPECT_EQ(Other.Showtemplate1->Caption(), MarkedTexts::Mark("clShowTemplate"));
}

TEST_F(PreviewFormTest, F1OpensTheLibrarysHelp)
{
    std::vector<std::string> Topics;
    frxHtmlHelpEngine() = [&](HWND, const AnsiString &Topic) { Topics.push_back(Topic.ToStd()); };
    Window->Preview->Workspace()->SetFocus();
    vcltest::Key(VK_F1);
    vcltest::Pump();
    frxHtmlHelpEngine() = nullptr;
    EXPECT_EQ(Topics, std::vector<std::string>{frxResources()->HelpFile().ToStd()});
}

TEST_F(PreviewFormTest, APreviewReadFromAFormStreamKeepsItsPublishedProperties)
{
    TfrxPreview Written(nullptr);
    Written.SetName("Preview1");
    Written.SetBackColor(clTeal);
    Written.SetFrameColor(clRed);
    Written.SetOutlineVisible(true);
    Written.SetOutlineWidth(175);
    TMemoryStream Stream;
    TWriter(&Stream).WriteRootComponent(&Written);
    Stream.SetPosition(0);

    TfrxPreview Read(nullptr);
    TReader(&Stream).ReadRootComponent(&Read);
    EXPECT_EQ(Read.Name(), "Preview1");
    EXPECT_EQ(Read.BackColor(), clTeal);
    EXPECT_EQ(Read.FrameColor(), clRed);
    EXPECT_TRUE(Read.OutlineVisible());
    EXPECT_EQ(Read.OutlineWidth(), 175);
}

} // namespace

// ---- on a real X server with a window manager ----

namespace
{

// The preview and another window of the program framed by a window manager,
// which the test's run starts beside it (QRV4_WINDOW_MANAGER names it).
class PreviewFormUnderWindowManager : public PreviewFormTest
{
protected:
    void SetUp() override
    {
        if (!std::getenv("QRV4_WINDOW_MANAGER"))
            GTEST_SKIP() << "runs under Xvfb with a window manager only";
        vcltest::StartApplication();
        if (QGuiApplication::platformName() != "xcb") GTEST_SKIP() << "no X server";
        ASSERT_TRUE(Settled([] {
            return Output("xprop -root _NET_SUPPORTING_WM_CHECK").find("window id") !=
                   std::string::npos;
        })) << "the window manager never came up";
        PreviewFormTest::SetUp();
        Main = std::make_unique<TForm>(nullptr);
        Main->SetBounds(40, 40, 300, 200);
        Main->SetCaption("Main");
        Main->Show();
        for (TCustomForm *Form :
             {static_cast<TCustomForm *>(Main.get()), static_cast<TCustomForm *>(Window.get())})
            Form->OnActivate = [this](TObject *) { ++Activations; };
        // Mapped for the window manager and for Qt alike: a window Qt does not yet know to be
        // mapped is minimised by a hint that a managed window no longer reads.
        ASSERT_TRUE(Settled([&] {
            return State(*Main) == "Normal" && State(*Window) == "Normal" && Exposed(*Main) &&
                   Exposed(*Window);
        }));
    }
    static bool Exposed(TCustomForm &Form) { return vcltest::OnScreen(&Form); }
    void TearDown() override
    {
        Main.reset();
        PreviewFormTest::TearDown();
    }

    static std::string XId(TCustomForm &Form)
    {
        const win::Window *W = win::FindWindow(Form.Handle());
        return W && W->Widget ? std::to_string(W->Widget->winId()) : std::string("0");
    }
    // The window state the window manager gives the form: Normal or Iconic.
    static std::string State(TCustomForm &Form)
    {
        const std::string Text = Output("xprop -id " + XId(Form) + " WM_STATE");
        const std::size_t At = Text.find("window state: ");
        if (At == std::string::npos) return "none";
        return Text.substr(At + 14, Text.find('\n', At) - At - 14);
    }
    // Pumps the program's messages until Done, for a generous while at most.
    static bool Settled(const std::function<bool()> &Done)
    {
        for (int Round = 0; Round < 200; ++Round) {
            if (Done()) return true;
            vcltest::PumpFor(50);
        }
        return Done();
    }
    // The activations while the program runs on undisturbed for a while.
    int ActivationsWhileIdle()
    {
        Activations = 0;
        vcltest::PumpFor(1500);
        return Activations;
    }
    // The preview is the active window for the program and for the window manager alike: the
    // window manager's focus is where keys go.
    bool PreviewIsActive()
    {
        return Settled([&] {
            const std::string Focus = Output("xdotool getactivewindow");
            return GetActiveWindow() == Window->Handle() &&
                   Focus.substr(0, Focus.find('\n')) == XId(*Window);
        });
    }
    bool BothAre(const char *Wanted)
    {
        return Settled([&] { return State(*Main) == Wanted && State(*Window) == Wanted; });
    }

    std::unique_ptr<TForm> Main;
    int Activations = 0;
};

TEST_F(PreviewFormUnderWindowManager, MinimisingThePreviewMinimisesTheProgramAndRestoringSettles)
{
    // The preview's own minimise command.
    Window->Perform(WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_TRUE(BothAre("Iconic")) << State(*Main) << " " << State(*Window);
    EXPECT_TRUE(Application->Minimized());

    // The user brings the preview back: the program comes back whole and settles.
    Output("xdotool windowactivate " + XId(*Window));
    EXPECT_TRUE(BothAre("Normal")) << State(*Main) << " " << State(*Window);
    EXPECT_LT(ActivationsWhileIdle(), 3) << "activation goes back and forth";
    EXPECT_FALSE(Application->Minimized());
    EXPECT_TRUE(PreviewIsActive());

    // The window manager's minimise of the preview reaches the same rule.
    Output("xdotool windowminimize " + XId(*Window));
    EXPECT_TRUE(BothAre("Iconic")) << State(*Main) << " " << State(*Window);
    EXPECT_TRUE(Application->Minimized());
    Output("xdotool windowactivate " + XId(*Window));
    EXPECT_TRUE(BothAre("Normal")) << State(*Main) << " " << State(*Window);
    EXPECT_LT(ActivationsWhileIdle(), 3) << "activation goes back and forth";
    EXPECT_TRUE(PreviewIsActive());
}

TEST_F(PreviewFormUnderWindowManager, ActivatingTheMainWindowFromItsIconBringsThePreviewBack)
{
    // Down by the preview's own button, then by the window manager's command.
    for (const bool ByButton : {true, false}) {
        if (ByButton)
            Window->Perform(WM_SYSCOMMAND, SC_MINIMIZE, 0);
        else
            Output("xdotool windowminimize " + XId(*Window));
        ASSERT_TRUE(BothAre("Iconic")) << State(*Main) << " " << State(*Window);
        ASSERT_TRUE(Application->Minimized());

        // The user picks the program's main window in the task list.
        Output("xdotool windowactivate " + XId(*Main));
        EXPECT_TRUE(BothAre("Normal")) << State(*Main) << " " << State(*Window);
        EXPECT_FALSE(IsIconic(Window->Handle()));
        EXPECT_FALSE(Application->Minimized());
        EXPECT_TRUE(PreviewIsActive());
        EXPECT_LT(ActivationsWhileIdle(), 3) << "activation goes back and forth";
    }
}

TEST_F(PreviewFormUnderWindowManager, AnActivationMadeBeforeTheProgramWentDownLeavesItDown)
{
    Window->Perform(WM_SYSCOMMAND, SC_MINIMIZE, 0);
    // The window manager takes the main window down; its activation of that window, made
    // before, reaches the program only now, while the program has yet to hear that it went.
    for (int Try = 0; Try < 200 && State(*Main) != "Iconic"; ++Try)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    QEvent Late(QEvent::WindowActivate);
    QCoreApplication::sendEvent(win::FindWindow(Main->Handle())->Widget.get(), &Late);
    vcltest::Pump();
    EXPECT_TRUE(IsIconic(Main->Handle()));
    EXPECT_TRUE(BothAre("Iconic")) << State(*Main) << " " << State(*Window);
    EXPECT_TRUE(Application->Minimized());

    Output("xdotool windowactivate " + XId(*Window));
    EXPECT_TRUE(BothAre("Normal")) << State(*Main) << " " << State(*Window);
    EXPECT_TRUE(PreviewIsActive());
}

// Where the window's frame stands, for a failure's message.
std::string Place(const QRect &Frame)
{
    return std::to_string(Frame.x()) + "," + std::to_string(Frame.y()) + " " +
           std::to_string(Frame.width()) + "x" + std::to_string(Frame.height());
}

TEST_F(PreviewFormUnderWindowManager, MaximisedThePreviewFillsTheWorkAreaAndRestoredComesBack)
{
    // The frame is asked of the window system, not of the widget: the widget keeps the frame's
    // margins it read at its last move or resize, and the window manager may give a maximised
    // window its new frame only after it resized the window.
    QWindow &Shown = *win::FindWindow(Window->Handle())->Widget->windowHandle();
    const QRect Normal = Shown.frameGeometry();
    const QRect Work = Shown.screen()->availableGeometry();
    Window->SetWindowState(wsMaximized);
    EXPECT_TRUE(Settled([&] { return Shown.frameGeometry() == Work; }))
        << "on the screen at " << Place(Shown.frameGeometry());
    EXPECT_NE(Output("xprop -id " + XId(*Window) + " _NET_WM_STATE").find("MAXIMIZED_HORZ"),
              std::string::npos);
    EXPECT_TRUE(IsZoomed(Window->Handle()));

    Window->SetWindowState(wsNormal);
    EXPECT_TRUE(Settled([&] { return Shown.frameGeometry() == Normal; }))
        << "on the screen at " << Place(Shown.frameGeometry());
    EXPECT_EQ(Output("xprop -id " + XId(*Window) + " _NET_WM_STATE").find("MAXIMIZED_HORZ"),
              std::string::npos);
    EXPECT_FALSE(IsZoomed(Window->Handle()));
}

} // namespace
