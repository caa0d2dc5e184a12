#include "tests/vcl/VclTestSupport.h"

#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/StdCtrls.h"
#include "platform/win/SysParams.h"
#include "platform/win/WindowRegistry.h"
#include "platform/win/WindowWidget.h"

#include <atomic>
#include <cctype>
#include <string>
#include <vector>

using namespace vcltest;

namespace
{

class FormsTest : public VclTest
{
protected:
    // A dialog form with one button, freed by the test.
    std::unique_ptr<TForm> Dialog(TButton *&Button, TModalResult Result)
    {
        auto form = std::make_unique<TForm>(nullptr);
        form->SetBorderStyle(bsDialog);
        form->SetBounds(100, 100, 200, 120);
        Button = new TButton(form.get());
        Button->SetParent(form.get());
        Button->SetBounds(20, 20, 75, 25);
        Button->SetModalResult(Result);
        return form;
    }
    // A button on Form that shows its short hint and gives its long one to the application.
    static TButton *HintedButton(TForm *Form)
    {
        auto *button = new TButton(Form);
        button->SetParent(Form);
        button->SetHint("Записать ключ|Записывает ключ в устройство"_a);
        button->SetShowHint(true);
        return button;
    }
};

// A worker that runs one call on the GUI thread and ends.
class TSyncWorker : public TThread
{
public:
    explicit TSyncWorker(std::function<void()> Call) : FCall(std::move(Call)) { Start(); }
    ~TSyncWorker() override { WaitFor(); }

protected:
    void Execute() override { Synchronize(FCall); }

private:
    std::function<void()> FCall;
};

TEST_F(FormsTest, ShowModal_ButtonModalResultCloses)
{
    TButton *button = nullptr;
    auto form = Dialog(button, mrOk);
    form->OnShow = [&](TObject *) { Click(button, 5, 5); };
    EXPECT_EQ(form->ShowModal(), mrOk);
    EXPECT_FALSE(form->Visible());
    EXPECT_FALSE(form->FormState().Contains(fsModal));
}

TEST_F(FormsTest, ShowModal_ModalResultSetInKeyPressCloses)
{
    TButton *button = nullptr;
    auto form = Dialog(button, mrNone);
    form->SetKeyPreview(true);
    form->OnKeyPress = [&](TObject *, char &Key) {
        if (Key == 27) form->SetModalResult(mrCancel);
    };
    form->OnShow = [&](TObject *) { Key(VK_ESCAPE, 27); };
    EXPECT_EQ(form->ShowModal(), mrCancel);
}

TEST_F(FormsTest, ShowModal_RefusedByCloseQueryStaysOpen)
{
    TButton *button = nullptr;
    auto form = Dialog(button, mrOk);
    int asked = 0;
    form->OnCloseQuery = [&](TObject *, bool &CanClose) { CanClose = ++asked > 1; };
    form->OnShow = [&](TObject *) {
        Click(button, 5, 5);
        Click(button, 5, 5);
    };
    EXPECT_EQ(form->ShowModal(), mrOk);
    EXPECT_EQ(asked, 2);
}

TEST_F(FormsTest, ShowModal_OfAVisibleFormRaises)
{
    TForm *form = ShownForm();
    EXPECT_THROW(form->ShowModal(), EInvalidOperation);
}

TEST_F(FormsTest, ShowModal_NestsAMessageBoxAndReactivatesTheOwner)
{
    vcl::SetDialogService(nullptr); // the real message box
    TForm *main = ShownForm();
    int activations = 0;
    main->OnActivate = [&](TObject *) { ++activations; };
    TButton *button = nullptr;
    auto modal = Dialog(button, mrNone);
    std::vector<std::string> log;
    button->OnClick = [&](TObject *) {
        Key(VK_RETURN, '\r'); // answers the box: its default button
        const int answer =
            Application->MessageBox("Сохранить?"_a, "Сообщение"_a, MB_YESNO | MB_ICONQUESTION);
        log.push_back("box " + std::to_string(answer));
        modal->SetModalResult(mrOk);
    };
    modal->OnShow = [&](TObject *) { Click(button, 5, 5); };
    const int before = activations;
    EXPECT_EQ(modal->ShowModal(), mrOk);
    EXPECT_EQ(log, (std::vector<std::string>{"box 6"}));
    Pump();
    EXPECT_GT(activations, before);
    EXPECT_TRUE(IsWindowEnabled(main->Handle()));
}

// The form run modally is owned by the window it was called from, and owned windows go with
// their owner: the run must not wait on for a window that is gone, with every form disabled.
TEST_F(FormsTest, ShowModal_EndsWhenTheWindowItWasCalledFromGoes)
{
    TForm *main = ShownForm();
    auto caller = std::make_unique<TForm>(nullptr);
    caller->SetBounds(50, 50, 300, 200);
    caller->Show();
    Pump();
    ASSERT_EQ(GetActiveWindow(), caller->Handle());
    TButton *button = nullptr;
    auto modal = Dialog(button, mrNone);
    TTimer gone(nullptr);
    gone.SetInterval(10);
    gone.OnTimer = [&](TObject *) {
        gone.SetEnabled(false);
        caller.reset();
    };
    // Should the run wait on, this ends it, and the test fails instead of hanging.
    TTimer rescue(nullptr);
    rescue.SetInterval(20000);
    rescue.OnTimer = [&](TObject *) { modal->SetModalResult(mrAbort); };
    modal->OnShow = [&](TObject *) { gone.SetEnabled(true); };
    EXPECT_EQ(modal->ShowModal(), mrCancel);
    EXPECT_FALSE(modal->FormState().Contains(fsModal));
    EXPECT_TRUE(IsWindowEnabled(main->Handle()));
}

TEST_F(FormsTest, Application_ShowsAnEscapingExceptionAndGoesOn)
{
    TForm *form = ShownForm();
    auto *button = new TButton(form);
    button->SetParent(form);
    int clicks = 0;
    button->OnClick = [&](TObject *) {
        if (++clicks == 1) throw EConvertError("'x' is not a valid integer value");
        if (clicks == 2) throw 42;
    };
    Dialogs.ReplyMessage(mrOk);
    Dialogs.ReplyMessage(mrOk);
    Pump();
    Click(button, 5, 5);
    Click(button, 5, 5);
    Click(button, 5, 5);
    Pump();
    EXPECT_EQ(clicks, 3);
    ASSERT_EQ(Dialogs.Messages().size(), 2u);
    EXPECT_EQ(Dialogs.Messages()[0].Text, "'x' is not a valid integer value.");
    EXPECT_EQ(Dialogs.Messages()[0].Caption, "QRV-4");
    EXPECT_EQ(Dialogs.Messages()[0].Type, mtError);
    EXPECT_EQ(Dialogs.Messages()[1].Text, "");
}

TEST_F(FormsTest, Application_OnExceptionReplacesTheBox)
{
    TForm *form = ShownForm();
    auto *button = new TButton(form);
    button->SetParent(form);
    button->OnClick = [](TObject *) { throw Exception("handled"); };
    std::string seen;
    Application->OnException = [&](TObject *, Exception &E) { seen = E.Message().View(); };
    Pump();
    Click(button, 5, 5);
    Pump();
    Application->OnException = nullptr;
    EXPECT_EQ(seen, "handled");
    EXPECT_TRUE(Dialogs.Messages().empty());
}

TEST_F(FormsTest, Synchronize_RunsWhileAModalFormIsOpen)
{
    TButton *button = nullptr;
    auto form = Dialog(button, mrNone);
    std::atomic<bool> ran{false};
    std::unique_ptr<TSyncWorker> worker;
    form->OnShow = [&](TObject *) {
        worker = std::make_unique<TSyncWorker>([&] {
            ran = true;
            form->SetModalResult(mrAbort);
        });
    };
    EXPECT_EQ(form->ShowModal(), mrAbort);
    EXPECT_TRUE(ran);
}

TEST_F(FormsTest, Synchronize_RunsWhileAMessageBoxIsOpen)
{
    vcl::SetDialogService(nullptr);
    std::unique_ptr<TSyncWorker> worker;
    TTimer timer(nullptr);
    timer.SetInterval(10);
    timer.OnTimer = [&](TObject *) {
        // On a busy machine the box may not be shown yet: the timer looks again.
        TCustomForm *box = Screen->ActiveForm();
        if (!box || !box->FormState().Contains(fsModal)) return;
        timer.SetEnabled(false);
        // The worker's call answers the box.
        worker = std::make_unique<TSyncWorker>([box] { box->SetModalResult(mrNo); });
    };
    EXPECT_EQ(Application->MessageBox("Ждём"_a, "", MB_YESNO), IDNO);
}

TEST_F(FormsTest, Close_WithCaHideHidesAndCaNoneKeeps)
{
    TForm *form = ShownForm();
    TCloseAction action = caNone;
    form->OnClose = [&](TObject *, TCloseAction &Action) { Action = action; };
    form->Close();
    EXPECT_TRUE(form->Visible());
    action = caHide;
    form->Close();
    EXPECT_FALSE(form->Visible());
}

TEST_F(FormsTest, Release_FreesTheFormAfterItsMessages)
{
    StartApplication();
    auto *form = new TForm(nullptr);
    bool destroyed = false;
    form->OnDestroy = [&](TObject *) { destroyed = true; };
    form->Show();
    Pump();
    const int before = Screen->FormCount();
    form->Release();
    EXPECT_FALSE(destroyed);
    Pump();
    EXPECT_TRUE(destroyed);
    EXPECT_EQ(Screen->FormCount(), before - 1);
}

TEST_F(FormsTest, Screen_CursorIsAPlainValue)
{
    Screen->SetCursor(crHourGlass);
    Screen->SetCursor(crAppStart);
    EXPECT_EQ(Screen->Cursor(), crAppStart);
    Screen->SetCursor(crDefault);
    EXPECT_EQ(Screen->Cursor(), crDefault);
    EXPECT_EQ(Screen->PixelsPerInch(), 96);
    EXPECT_NE(Screen->Cursors(crHourGlass), Screen->Cursors(crDefault));
}

} // namespace

namespace
{

TEST_F(FormsTest, Hint_ShowsAfterThePauseOverAControlWithShowHint)
{
    TForm *form = ShownForm();
    TButton *button = HintedButton(form);
    Application->SetHintPause(50);
    Pump();
    MouseMove(button, 5, 5);
    Pump();
    EXPECT_EQ(Application->Hint(), "Записывает ключ в устройство"_a);
    ASSERT_TRUE(PumpUntil([] { return !ShownHint().IsEmpty(); }));
    EXPECT_EQ(Application->HintWindow()->Caption(), "Записать ключ"_a);
    Click(button, 5, 5);
    Pump();
    EXPECT_FALSE(Application->HintWindow()->Shown());
    button->SetShowHint(false);
    MouseMove(form, 300, 200);
    MouseMove(button, 6, 6);
    PumpFor(200);
    EXPECT_FALSE(Application->HintWindow()->Shown());
    Application->SetHintPause(500);
}

// The hint's box fits its text, as the system's does: a short hint is no wider than its words,
// and only a hint longer than the box's limit wraps, in a box of that limit.
TEST_F(FormsTest, Hint_TheBoxFitsItsText)
{
    QuickHints quick;
    TForm *form = ShownForm(600, 300);
    TButton *button = HintedButton(form);
    auto shownFor = [&](const AnsiString &Hint) {
        button->SetHint(Hint);
        MouseMove(form, 300, 250);
        Pump();
        MouseMove(button, 5, 5);
        PumpUntil([] { return !ShownHint().IsEmpty(); });
        THintWindow *window = Application->HintWindow();
        return window && window->Shown() ? window->Width() : -1;
    };
    const AnsiString shortHint = "Печать архива"_a;
    const int width = shownFor(shortHint);
    ASSERT_GT(width, 0);
    TBitmap measure;
    measure.Canvas()->Font()->Assign(Application->HintWindow()->Font());
    const int text = measure.Canvas()->TextWidth(shortHint);
    EXPECT_GE(width, text);
    EXPECT_LE(width, text + 12) << "the box runs on past its text";

    AnsiString longHint;
    for (int i = 0; i < 12; ++i)
        longHint += "Записывает ключ в устройство "_a;
    const int wide = shownFor(longHint.Trim());
    EXPECT_GT(wide, 250);
    EXPECT_LE(wide, 300 + 12);
    EXPECT_GT(Application->HintWindow()->Height(), 3 * measure.Canvas()->TextHeight("Wg"));
}

// A hint asked for near the desktop's right or bottom edge moves in, whole on the screen.
TEST_F(FormsTest, Hint_StaysOnTheDesktopNearItsEdges)
{
    QuickHints quick;
    TForm *form = ShownForm(200, 100);
    const int right = GetSystemMetrics(SM_XVIRTUALSCREEN) + GetSystemMetrics(SM_CXVIRTUALSCREEN);
    const int bottom = GetSystemMetrics(SM_YVIRTUALSCREEN) + GetSystemMetrics(SM_CYVIRTUALSCREEN);
    form->SetBounds(right - form->Width(), bottom - form->Height(), form->Width(), form->Height());
    TButton *button = HintedButton(form);
    button->SetBounds(form->ClientWidth() - 30, form->ClientHeight() - 20, 30, 20);
    AnsiString longHint;
    for (int i = 0; i < 6; ++i)
        longHint += "Записывает ключ в устройство "_a;
    button->SetHint(longHint.Trim());
    Pump();
    MouseMove(button, 25, 15);
    ASSERT_TRUE(PumpUntil([&] { return ShownHint() == longHint.Trim(); }));
    const THintWindow *window = Application->HintWindow();
    EXPECT_LE(window->Left() + window->Width(), right);
    EXPECT_LE(window->Top() + window->Height(), bottom);
    EXPECT_GE(window->Left(), GetSystemMetrics(SM_XVIRTUALSCREEN));
}

// Answers a control's hint requests through its WindowProc while it lives, and
// keeps what the last request came with before the answer changed it.
class HintAnswer
{
public:
    using TAnswer = std::function<LRESULT(THintInfo &Info)>;
    HintAnswer(TControl *Control, TAnswer Answer)
        : FControl(Control), FPrevious(Control->WindowProc)
    {
        Control->WindowProc = [this, Answer = std::move(Answer)](TMessage &Message) {
            if (Message.Msg != CM_HINTSHOW) {
                FPrevious(Message);
                return;
            }
            auto &info = *reinterpret_cast<THintInfo *>(Message.LParam);
            ++Asked;
            Request = info;
            Message.Result = Answer(info);
        };
    }
    ~HintAnswer() { FControl->WindowProc = FPrevious; }
    HintAnswer(const HintAnswer &) = delete;
    HintAnswer &operator=(const HintAnswer &) = delete;

    int Asked = 0;
    THintInfo Request;

private:
    TControl *FControl;
    TWndMethod FPrevious;
};

TEST_F(FormsTest, Hint_AskedWithItsDefaultsAndShownAsTheControlAnswers)
{
    QuickHints quick;
    TForm *form = ShownForm();
    TButton *button = HintedButton(form);
    button->SetBounds(10, 10, 90, 30);
    HintAnswer answer(button, [](THintInfo &Info) -> LRESULT {
        Info.HintStr = "Другой текст"_a;
        Info.HintPos = TPoint(320, 260);
        Info.HintColor = clYellow;
        return 0;
    });
    MouseMove(button, 7, 5);
    ASSERT_TRUE(PumpUntil([] { return ShownHint() == "Другой текст"_a; }));
    EXPECT_EQ(answer.Asked, 1);
    const THintInfo &asked = answer.Request;
    const TPoint cursor = button->ClientToScreen(TPoint(7, 5));
    EXPECT_EQ(asked.HintControl, button);
    EXPECT_EQ(asked.HintStr, "Записать ключ"_a);
    EXPECT_EQ(asked.CursorRect, button->ClientRect());
    EXPECT_EQ(asked.CursorPos, TPoint(7, 5));
    EXPECT_EQ(asked.HintPos.X, cursor.X);
    EXPECT_GT(asked.HintPos.Y, cursor.Y);
    EXPECT_EQ(asked.HideTimeout, Application->HintHidePause());
    EXPECT_EQ(asked.ReshowTimeout, 0);
    EXPECT_GT(asked.HintMaxWidth, 0);
    EXPECT_EQ(asked.HintColor, clInfoBk);
    THintWindow *window = Application->HintWindow();
    EXPECT_EQ(window->BoundsRect().TopLeft(), TPoint(320, 260));
    EXPECT_EQ(window->Color(), clYellow);
}

TEST_F(FormsTest, Hint_ANonZeroAnswerShowsNoHintButTheTextStays)
{
    QuickHints quick;
    TForm *form = ShownForm();
    TButton *button = HintedButton(form);
    HintAnswer answer(button, [](THintInfo &) -> LRESULT { return 1; });
    MouseMove(button, 5, 5);
    ASSERT_TRUE(PumpUntil([&] { return answer.Asked == 1; }));
    PumpFor(100);
    EXPECT_EQ(ShownHint(), "");
    EXPECT_EQ(answer.Asked, 1);
    EXPECT_EQ(Application->Hint(), "Записывает ключ в устройство"_a);
}

// One control with two hint areas, as a bar of buttons has: leaving the area of the
// hint shown asks again, moving inside it does not.
TEST_F(FormsTest, Hint_LeavingTheCursorRectAsksAgainInTheSameControl)
{
    QuickHints quick;
    TForm *form = ShownForm();
    auto *panel = new TPanel(form);
    panel->SetParent(form);
    panel->SetBounds(10, 10, 200, 100);
    panel->SetShowHint(true);
    HintAnswer answer(panel, [](THintInfo &Info) -> LRESULT {
        const bool left = Info.CursorPos.X < 100;
        Info.CursorRect = left ? TRect(0, 0, 100, 100) : TRect(100, 0, 200, 100);
        Info.HintStr = left ? "Левая"_a : "Правая"_a;
        return 0;
    });
    MouseMove(panel, 20, 20);
    ASSERT_TRUE(PumpUntil([] { return ShownHint() == "Левая"_a; }));
    MouseMove(panel, 40, 30);
    PumpFor(100);
    EXPECT_EQ(answer.Asked, 1);
    EXPECT_EQ(answer.Request.CursorRect, panel->ClientRect());
    MouseMove(panel, 150, 20);
    ASSERT_TRUE(PumpUntil([] { return ShownHint() == "Правая"_a; }));
    EXPECT_EQ(answer.Asked, 2);
    // A press hides it; it comes back only once the mouse moves on.
    Click(panel, 150, 20);
    PumpFor(100);
    EXPECT_EQ(ShownHint(), "");
    MouseMove(panel, 160, 30);
    ASSERT_TRUE(PumpUntil([] { return ShownHint() == "Правая"_a; }));
    EXPECT_EQ(answer.Asked, 3);
}

TEST_F(FormsTest, Hint_AReshowTimeoutAsksAgainWhileTheMouseRests)
{
    QuickHints quick;
    TForm *form = ShownForm();
    auto *panel = new TPanel(form);
    panel->SetParent(form);
    panel->SetShowHint(true);
    int calls = 0;
    HintAnswer answer(panel, [&](THintInfo &Info) -> LRESULT {
        Info.HintStr = AnsiString("Шаг "_a) + AnsiString(std::to_string(++calls).c_str());
        Info.ReshowTimeout = 20;
        return 0;
    });
    MouseMove(panel, 5, 5);
    EXPECT_TRUE(PumpUntil([] { return ShownHint() == "Шаг 3"_a; }));
}

// A control that sets the application's hint text for a part of itself keeps it:
// the text follows the control under the mouse only when that control changes.
TEST_F(FormsTest, Hint_TextSetByTheHoveredControlOutlivesTheIdle)
{
    TForm *form = ShownForm();
    auto *panel = new TPanel(form);
    panel->SetParent(form);
    panel->SetBounds(10, 10, 150, 60);
    panel->SetHint("Панель|Про панель"_a);
    panel->OnMouseMove = [](TObject *, TShiftState, int X, int) {
        Application->SetHint(X < 75 ? "Левая часть"_a : "Правая часть"_a);
    };
    auto *button = new TButton(form);
    button->SetParent(form);
    button->SetBounds(200, 10, 75, 25);
    button->SetHint("Записать ключ|Записывает ключ в устройство"_a);
    MouseMove(form, 300, 200);
    Pump();
    MouseMove(panel, 100, 20);
    Pump();
    EXPECT_EQ(Application->Hint(), "Правая часть"_a);
    // The program's own loop goes idle between messages, a thread timer waking it.
    const UINT_PTR timer = SetTimer({}, 0, 10, nullptr);
    for (int i = 0; i < 30; ++i)
        Application->HandleMessage();
    KillTimer({}, timer);
    EXPECT_EQ(Application->Hint(), "Правая часть"_a);
    MouseMove(button, 5, 5);
    Pump();
    EXPECT_EQ(Application->Hint(), "Записывает ключ в устройство"_a);
}

// Idle passes look again at what lies under a pointer that has not moved, so a
// control laid under it is noticed without any input.
TEST_F(FormsTest, Hint_FollowsAControlPlacedUnderTheRestingPointer)
{
    TForm *form = ShownForm();
    auto *button = new TButton(form);
    button->SetParent(form);
    button->SetBounds(200, 150, 75, 25);
    button->SetHint("Записать ключ|Записывает ключ в устройство"_a);
    MouseMove(form, 20, 20);
    Pump();
    ASSERT_TRUE(Application->Hint().IsEmpty());
    button->SetBounds(10, 10, 75, 25);
    // The program's own loop, a thread timer keeping it from sleeping long.
    const UINT_PTR timer = SetTimer({}, 0, 10, nullptr);
    for (int i = 0; i < 200 && Application->Hint().IsEmpty(); ++i)
        Application->HandleMessage();
    KillTimer({}, timer);
    EXPECT_EQ(Application->Hint(), "Записывает ключ в устройство"_a);
}

} // namespace

namespace
{

TEST_F(FormsTest, InputQuery_WritesBackOnlyWhenConfirmed)
{
    Dialogs.ReplyInput(false, "ignored");
    Dialogs.ReplyInput(true, "42");
    AnsiString value = "7";
    EXPECT_FALSE(InputQuery("Копии"_a, "Число:"_a, value));
    EXPECT_EQ(value, "7");
    EXPECT_EQ(InputBox("Копии"_a, "Число:"_a, "1"), "42");
    EXPECT_EQ(Dialogs.Prompts().size(), 2u);
    EXPECT_TRUE(Dialogs.Exhausted());
}

TEST_F(FormsTest, InputQuery_StandardFormTakesTheTypedText)
{
    vcl::SetDialogService(nullptr);
    TTimer timer(nullptr);
    timer.SetInterval(10);
    timer.OnTimer = [&](TObject *) {
        timer.SetEnabled(false);
        Key(VK_END);
        Key('5', '5');
        Key(VK_RETURN, '\r');
    };
    AnsiString value = "1";
    EXPECT_TRUE(InputQuery("Копии"_a, "Число:"_a, value));
    EXPECT_EQ(value, "15");
}

} // namespace

namespace
{

// A form class of the program's kind: its constructor sets up its handlers.
class TOwnForm : public TForm
{
public:
    explicit TOwnForm(TComponent *AOwner) : TForm(AOwner)
    {
        OnCreate = [this](TObject *) { Created = true; };
    }
    bool Created = false;
};

TEST_F(FormsTest, Application_CreateFormRaisesOnCreateAndDestroyFormsOnDestroy)
{
    TApplication app(nullptr);
    std::vector<std::string> log;
    TOwnForm *main = nullptr;
    TOwnForm *second = nullptr;
    app.CreateForm(main);
    app.CreateForm(second);
    EXPECT_EQ(app.MainForm(), main);
    EXPECT_TRUE(main->Created);
    EXPECT_TRUE(second->Created);
    main->OnDestroy = [&](TObject *) { log.push_back("main"); };
    second->OnDestroy = [&](TObject *) { log.push_back("second"); };
    app.DestroyForms();
    EXPECT_EQ(log, (std::vector<std::string>{"second", "main"}));
    EXPECT_EQ(app.ComponentCount(), 0);
    EXPECT_EQ(app.MainForm(), nullptr);
}

TEST_F(FormsTest, HelpGoesToOnHelpWhoseAnswerIsTheResult)
{
    // No help viewer exists: without a handler nothing is shown.
    EXPECT_FALSE(Application->HelpContext(42));
    std::vector<std::pair<WORD, NativeInt>> Requests;
    Application->OnHelp = [&Requests](WORD Command, NativeInt Data, bool &) {
        Requests.emplace_back(Command, Data);
        return Data == 42;
    };
    EXPECT_TRUE(Application->HelpContext(42));
    EXPECT_FALSE(Application->HelpCommand(HELP_CONTEXTPOPUP, 7));
    Application->OnHelp = nullptr;
    EXPECT_EQ(Requests, (std::vector<std::pair<WORD, NativeInt>>{{HELP_CONTEXT, 42},
                                                                 {HELP_CONTEXTPOPUP, 7}}));
}

} // namespace

// The box's kind shows as the system's icon at its left, the text beside it: an error
// box carries a red sign, a box of no kind none.
TEST_F(FormsTest, MessageBox_ButtonsSpeakTheSystemsLanguageAndMessageDlgKeepsItsOwn)
{
    vcl::SetDialogService(nullptr); // the real message box
    auto captionsOf = [](const std::function<void()> &Ask) {
        std::vector<AnsiString> captions;
        const TNotifyEvent before = Screen->OnActiveFormChange;
        Screen->OnActiveFormChange = [&captions](TObject *) {
            TCustomForm *box = Screen->ActiveForm();
            if (!box || !captions.empty()) return;
            for (int i = 0; i < box->ControlCount(); ++i)
                if (auto *button = dynamic_cast<TButton *>(box->Controls(i)))
                    captions.push_back(button->Caption());
            box->SetModalResult(mrCancel);
        };
        Ask();
        Screen->OnActiveFormChange = before;
        return captions;
    };
    EXPECT_EQ(captionsOf([] {
                  Application->MessageBox("Записать?"_a, "Сообщение"_a, MB_YESNO | MB_ICONQUESTION);
              }),
              (std::vector<AnsiString>{"&Да"_a, "&Нет"_a}));
    EXPECT_EQ(captionsOf([] { Application->MessageBox("Готово"_a, "Сообщение"_a, MB_OKCANCEL); }),
              (std::vector<AnsiString>{"ОК"_a, "Отмена"_a}));
    EXPECT_EQ(captionsOf([] {
                  MessageDlg("Save?", mtConfirmation, {mbYes, mbNo}, 0);
              }),
              (std::vector<AnsiString>{"&Yes", "&No"}));
}

// A button's underlined letter presses it: with Alt from anywhere on the box, alone while
// the focus is on a button. A box the keys left open is closed as cancelled.
TEST_F(FormsTest, MessageBox_TheUnderlinedLetterOfAButtonPressesIt)
{
    vcl::SetDialogService(nullptr); // the real message box
    auto answerTo = [](const std::function<void()> &Press) {
        const TNotifyEvent before = Screen->OnActiveFormChange;
        bool pressed = false;
        Screen->OnActiveFormChange = [&](TObject *) {
            TCustomForm *box = Screen->ActiveForm();
            if (!box || pressed) return;
            pressed = true;
            Press();
            Application->ProcessMessages();
            if (box->ModalResult() == mrNone) box->SetModalResult(mrCancel);
        };
        const int answer =
            Application->MessageBox("Записать?"_a, "Сообщение"_a, MB_YESNO | MB_ICONQUESTION);
        Screen->OnActiveFormChange = before;
        return answer;
    };
    // "Н" shares its key with the Latin Y.
    EXPECT_EQ(answerTo([] {
                  KeyDown(VK_MENU);
                  Key('Y', "н"_a[1]);
                  KeyUp(VK_MENU);
              }),
              IDNO);
    EXPECT_EQ(answerTo([] { Key('Y', "Н"_a[1]); }), IDNO);
    EXPECT_EQ(answerTo([] { Key('Q', 'q'); }), IDCANCEL);
}

namespace
{

ShownBox ShowMessageBox(const AnsiString &Text)
{
    return AnswerBox([&] { Application->MessageBox(Text, "QRV-4", MB_OK | MB_ICONWARNING); });
}

std::string WithoutBreaks(const AnsiString &Text)
{
    std::string text = Text.ToStd();
    std::erase(text, '\n');
    return text;
}

// A path far longer than any line of the screen, as a folder's can be.
AnsiString LongPath(int Folders)
{
    AnsiString path;
    for (int i = 0; i < Folders; ++i)
        path += "/длинная_папка_"_a + IntToStr(i);
    return path;
}

} // namespace

// A box never grows past the screen's work area, whatever its text: a long path wraps between
// its characters and is all there, and a text taller than the screen gives up its middle lines
// for "…". Its button is always within reach.
TEST_F(FormsTest, MessageBox_FitsTheScreenWithItsButtonWhateverTheText)
{
    vcl::SetDialogService(nullptr); // the real message box
    {
        const Monitors screen({win::Monitor{RECT{0, 0, 1024, 768}, RECT{0, 0, 1024, 738}}});
        const AnsiString text =
            "Нет права записи, изменения не будут сохранены:\n"_a + LongPath(240);
        ASSERT_GT(text.Length(), 4096);
        const ShownBox shown = ShowMessageBox(text);
        EXPECT_TRUE(Within(shown.Window, TRect(0, 0, 1024, 738)))
            << shown.Window.Left << "," << shown.Window.Top << " " << shown.Window.Right << ","
            << shown.Window.Bottom;
        EXPECT_TRUE(Within(shown.Button, shown.Window));
        EXPECT_EQ(WithoutBreaks(shown.Text), WithoutBreaks(text)) << "the path is not all there";
    }
    {
        const Monitors screen({win::Monitor{RECT{0, 0, 640, 480}, RECT{0, 30, 640, 480}}});
        const AnsiString text = LongPath(2000);
        const ShownBox shown = ShowMessageBox(text);
        EXPECT_TRUE(Within(shown.Window, TRect(0, 30, 640, 480)))
            << shown.Window.Left << "," << shown.Window.Top << " " << shown.Window.Right << ","
            << shown.Window.Bottom;
        EXPECT_TRUE(Within(shown.Button, shown.Window));
        EXPECT_GT(shown.Text.Pos("…"_a), 0);
        const std::string kept = WithoutBreaks(shown.Text), whole = text.ToStd();
        EXPECT_TRUE(kept.starts_with(whole.substr(0, 40))) << "its start is lost";
        EXPECT_TRUE(kept.ends_with(whole.substr(whole.size() - 40))) << "its end is lost";
    }
}

TEST_F(FormsTest, MessageBox_ShowsTheIconOfItsKind)
{
    vcl::SetDialogService(nullptr); // the real message box
    auto redPixelsOfIconPlace = [](UINT Flags) {
        int red = -1;
        const TNotifyEvent before = Screen->OnActiveFormChange;
        Screen->OnActiveFormChange = [&red](TObject *) {
            TCustomForm *box = Screen->ActiveForm();
            if (!box || red >= 0) return;
            TBitmap picture;
            picture.SetPixelFormat(pf24bit);
            picture.SetSize(box->ClientWidth(), box->ClientHeight());
            box->PaintTo(picture.Canvas()->Handle(), 0, 0);
            red = 0;
            for (int y = 16; y < 48; ++y)
                for (int x = 16; x < 48; ++x) {
                    const COLORREF c = ColorToRGB(picture.Canvas()->Pixels(x, y));
                    red += GetRValue(c) > 160 && GetGValue(c) < 100 && GetBValue(c) < 100;
                }
            Key(VK_RETURN, '\r');
        };
        Application->MessageBox("Не подходящий размер файла!"_a, "Ошибка!"_a, MB_OK | Flags);
        Screen->OnActiveFormChange = before;
        return red;
    };
    EXPECT_GT(redPixelsOfIconPlace(MB_ICONERROR), 50);
    EXPECT_EQ(redPixelsOfIconPlace(0), 0);
}

namespace
{

class FormRecreateTest : public VclTest
{
protected:
    // The shown test form with an edit that has the keyboard.
    TEdit *FocusedEdit()
    {
        ShownForm();
        auto *edit = new TEdit(Form.get());
        edit->SetParent(Form.get());
        edit->SetBounds(10, 10, 120, 22);
        edit->SetFocus();
        Pump();
        return edit;
    }
    static void Type(const char *Text)
    {
        for (const char *c = Text; *c; ++c)
            Key(std::toupper(static_cast<unsigned char>(*c)), *c);
        Pump();
    }
};

TEST_F(FormRecreateTest, NewBorderIconsKeepTheFormActiveAndTheKeysInItsEdit)
{
    TEdit *edit = FocusedEdit();
    Type("ab");
    ASSERT_EQ(edit->Text(), "ab");
    const HWND old = Form->Handle();

    Form->SetBorderIcons({biSystemMenu});
    Pump();
    ASSERT_NE(Form->Handle(), old);
    EXPECT_TRUE(IsWindowVisible(Form->Handle()));
    EXPECT_EQ(GetActiveWindow(), Form->Handle());
    EXPECT_EQ(Screen->ActiveForm(), Form.get());
    Type("cd");
    EXPECT_EQ(edit->Text(), "abcd");
}

TEST_F(FormRecreateTest, TheProgramSeesNoActivationOrFocusChange)
{
    TEdit *edit = FocusedEdit();
    int activations = 0, deactivations = 0, exits = 0;
    Form->OnActivate = [&](TObject *) { ++activations; };
    Form->OnDeactivate = [&](TObject *) { ++deactivations; };
    edit->OnExit = [&](TObject *) { ++exits; };
    Form->SetBorderIcons({biSystemMenu});
    Pump();
    EXPECT_EQ(activations, 0);
    EXPECT_EQ(deactivations, 0);
    EXPECT_EQ(exits, 0);
    EXPECT_TRUE(Form->Active());
}

TEST_F(FormRecreateTest, AnInactiveFormLeavesTheActivationWhereItIs)
{
    TEdit *edit = FocusedEdit();
    TForm other(nullptr);
    other.SetBounds(500, 50, 200, 150);
    other.Show();
    Pump();
    ASSERT_EQ(GetActiveWindow(), other.Handle());

    Form->SetBorderIcons({biSystemMenu});
    Pump();
    EXPECT_TRUE(IsWindowVisible(Form->Handle()));
    EXPECT_EQ(GetActiveWindow(), other.Handle());
    EXPECT_EQ(Screen->ActiveForm(), &other);
    // Brought back, the form gives the keys to its edit as before.
    Form->BringToFront();
    Pump();
    Type("z");
    EXPECT_EQ(edit->Text(), "z");
}

TEST_F(FormRecreateTest, ANewBorderStyleKeepsTheKeysInTheEdit)
{
    TEdit *edit = FocusedEdit();
    Form->SetBorderStyle(bsDialog);
    Pump();
    EXPECT_EQ(GetActiveWindow(), Form->Handle());
    Type("x");
    EXPECT_EQ(edit->Text(), "x");
}

TEST_F(FormRecreateTest, AHiddenFormStaysHiddenAndInactive)
{
    FocusedEdit();
    Form->Hide();
    Pump();
    Form->SetBorderIcons({biSystemMenu});
    Pump();
    EXPECT_FALSE(IsWindowVisible(Form->Handle()));
    EXPECT_NE(GetActiveWindow(), Form->Handle());
}

} // namespace

TEST_F(FormsTest, WindowState_AMaximisedFormFillsTheWorkAreaAndComesBackToItsBounds)
{
    TForm Form(nullptr);
    Form.SetBounds(30, 40, 300, 200);
    Form.SetWindowState(wsMaximized);
    Form.Show();
    Pump();
    const TRect Work = WorkAreaOf(Form.WindowHandle());
    EXPECT_TRUE(IsZoomed(Form.WindowHandle()));
    EXPECT_EQ(WindowRectOf(Form.WindowHandle()), Work) << "the form does not fill the screen";
    EXPECT_EQ(Form.BoundsRect(), Work);

    Form.SetWindowState(wsNormal);
    EXPECT_FALSE(IsZoomed(Form.WindowHandle()));
    EXPECT_EQ(WindowRectOf(Form.WindowHandle()), TRect(30, 40, 330, 240));
    EXPECT_EQ(Form.BoundsRect(), TRect(30, 40, 330, 240));
}

TEST_F(FormsTest, WindowState_FollowsTheWindowsOwnMaximiseAndRestore)
{
    TForm Form(nullptr);
    Form.SetBounds(30, 40, 300, 200);
    Form.Show();
    Form.Perform(WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    EXPECT_EQ(Form.WindowState(), wsMaximized);
    EXPECT_EQ(WindowRectOf(Form.WindowHandle()), WorkAreaOf(Form.WindowHandle()));
    Form.Perform(WM_SYSCOMMAND, SC_RESTORE, 0);
    EXPECT_EQ(Form.WindowState(), wsNormal);
    EXPECT_EQ(WindowRectOf(Form.WindowHandle()), TRect(30, 40, 330, 240));
}

TEST_F(FormsTest, WindowState_AMaximisedFormMadeAnewWithAnotherBorderStaysMaximised)
{
    TForm Form(nullptr);
    Form.SetBounds(30, 40, 300, 200);
    Form.SetWindowState(wsMaximized);
    Form.Show();
    Form.SetBorderStyle(bsNone);
    Pump();
    EXPECT_TRUE(IsZoomed(Form.WindowHandle()));
    const TRect Work = WorkAreaOf(Form.WindowHandle());
    EXPECT_EQ(WindowRectOf(Form.WindowHandle()), Work);
    // Borderless, the window on the screen is the whole window.
    const win::Window *W = win::FindWindow(Form.WindowHandle());
    ASSERT_TRUE(W && W->Widget);
    EXPECT_EQ(W->Widget->geometry(), QRect(Work.Left, Work.Top, Work.Width(), Work.Height()));
}

// The arrow keys walk the buttons beside the focused one; a panel among them takes no focus,
// which it could not show.
TEST_F(FormsTest, ArrowKeys_PassAPanelBetweenTheButtons)
{
    TForm *form = ShownForm();
    auto button = [form](int Top) {
        auto *b = new TButton(form);
        b->SetParent(form);
        b->SetBounds(10, Top, 75, 25);
        return b;
    };
    TButton *first = button(10);
    auto *panel = new TPanel(form);
    panel->SetParent(form);
    panel->SetBounds(100, 10, 100, 100);
    TButton *second = button(50);
    Pump();
    second->SetFocus();
    Pump();
    Key(VK_UP);
    Pump();
    EXPECT_TRUE(first->Focused());
    EXPECT_FALSE(panel->Focused());
    Key(VK_RIGHT);
    Pump();
    EXPECT_TRUE(second->Focused());
}

// A button disabled while its work runs gets the focus back when enabled again, unless the
// user went on to another control in the meantime.
TEST_F(FormsTest, Focus_ComesBackToAControlEnabledAgain)
{
    TForm *form = ShownForm();
    auto *first = new TButton(form);
    first->SetParent(form);
    first->SetBounds(10, 10, 75, 25);
    auto *second = new TButton(form);
    second->SetParent(form);
    second->SetBounds(10, 50, 75, 25);
    Pump();
    first->SetFocus();
    Pump();
    first->SetEnabled(false);
    Pump();
    EXPECT_FALSE(first->Focused());
    first->SetEnabled(true);
    Pump();
    EXPECT_TRUE(first->Focused());
    first->SetEnabled(false);
    Pump();
    second->SetFocus();
    Pump();
    first->SetEnabled(true);
    Pump();
    EXPECT_TRUE(second->Focused());
}
