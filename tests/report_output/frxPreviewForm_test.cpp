// The preview window's toolbar on a real offscreen window: every button shows
// its picture, and its caption and hint name what its click does.

#include "report_output/frxPreview.h"

#include "platform/vcl/ImgList.h"
#include "platform/win/Paint.h"
#include "platform/win/SysParams.h"
#include "platform/win/WindowRegistry.h"
#include "report/frxRes.h"
#include "tests/report/ReportTestSupport.h"
#include "tests/report_output/EngineTestSupport.h"
#include "tests/vcl/VclTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <vector>

using namespace enginetest;

namespace
{

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
        ASSERT_TRUE(B->Visible()) << B->Hint().Std();
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
        EXPECT_GT(Inked, 30) << "a picture is drawn on " << B->Hint().Std();
        EXPECT_TRUE(Seen.insert(Drawn).second) << B->Hint().Std() << " repeats a picture";
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

TEST_F(PreviewFormTest, MinimisingThePreviewMinimisesTheProgramAndActivatingItRestoresBoth)
{
    TForm Main(nullptr);
    Main.SetBounds(10, 10, 300, 200);
    Main.Show();
    vcltest::Pump();
    Window->Perform(WM_SYSCOMMAND, SC_MINIMIZE, 0);
    vcltest::Pump();
    EXPECT_TRUE(Application->Minimized());
    EXPECT_TRUE(IsIconic(Main.Handle()));
    EXPECT_TRUE(IsIconic(Window->Handle()));

    Window->Perform(WM_ACTIVATEAPP, 1, 0);
    vcltest::Pump();
    EXPECT_FALSE(Application->Minimized());
    EXPECT_FALSE(IsIconic(Main.Handle()));
    EXPECT_FALSE(IsIconic(Window->Handle()));
    EXPECT_EQ(GetActiveWindow(), Window->Handle());
}
