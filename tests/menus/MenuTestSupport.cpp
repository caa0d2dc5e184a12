#include "tests/menus/MenuTestSupport.h"

#include "platform/vcl/Forms.h"
#include "platform/win/Paint.h"
#include "platform/win/SysParams.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <chrono>

namespace menutest
{

namespace
{

constexpr long long UntilLimitMs = 5000;
constexpr long long LoopLeftRunningLimitMs = 10000;

long long Now()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void Mouse(int X, int Y, win::MouseAction Action, win::MouseButton Button)
{
    win::InjectMouseInput(win::MouseInput{Action, Button, POINT{X, Y}});
}

} // namespace

MenuScript &MenuScript::Do(std::function<void()> Step)
{
    FSteps.push_back({std::move(Step), nullptr});
    return *this;
}

MenuScript &MenuScript::Until(std::function<bool()> Condition)
{
    // A condition that never holds lets the script go on, for the test to fail on it.
    FSteps.push_back({nullptr, std::move(Condition)});
    return *this;
}

void MenuScript::Idle()
{
    if (!TBCaptureWnd()) FEndLoopAt = -1;
    // Steps run only inside a menu's loop, once what came before them is handled.
    if (FBusy || !TBCaptureWnd()) return;
    if (Done()) {
        EndALoopLeftRunning();
        return;
    }
    if (HIWORD(GetQueueStatus(QS_INPUT | QS_POSTMESSAGE | QS_SENDMESSAGE | QS_PAINT)) != 0) return;
    FBusy = true;
    Step &Current = FSteps[FNext];
    if (Current.Action) {
        ++FNext;
        Current.Action();
    } else if (FGiveUpAt < 0) {
        FGiveUpAt = Now() + UntilLimitMs;
    } else if (Now() >= FGiveUpAt || Current.Condition()) {
        FGiveUpAt = -1;
        ++FNext;
    }
    FBusy = false;
}

// With no step left, nothing would end the loop, and the test would wait for ever: the loop
// is ended as losing the mouse ends it, and the test fails.
void MenuScript::EndALoopLeftRunning()
{
    if (FEndLoopAt < 0) {
        FEndLoopAt = Now() + LoopLeftRunningLimitMs;
    } else if (Now() >= FEndLoopAt) {
        FEndLoopAt = -1;
        ADD_FAILURE() << "a menu's loop was still running long after the script's last step";
        ReleaseCapture();
    }
}

bool RunOut(const MenuScript &Script)
{
    return vcltest::PumpUntil([&] { return Script.Done() && !TBCaptureWnd(); });
}

void MoveTo(int X, int Y)
{
    Mouse(X, Y, win::MouseAction::Move, win::MouseButton::None);
}

void LeftClick(int X, int Y)
{
    Mouse(X, Y, win::MouseAction::Down, win::MouseButton::Left);
    Mouse(X, Y, win::MouseAction::Up, win::MouseButton::Left);
}

void RightClick(int X, int Y)
{
    Mouse(X, Y, win::MouseAction::Down, win::MouseButton::Right);
    Mouse(X, Y, win::MouseAction::Up, win::MouseButton::Right);
}

void Press(int VirtualKey, char Char)
{
    vcltest::Key(VirtualKey, Char);
}

TTBPopupWindow *PopupAt(int X, int Y)
{
    return dynamic_cast<TTBPopupWindow *>(FindControl(WindowFromPoint(POINT{X, Y})));
}

std::vector<TTBPopupWindow *> OpenPopups()
{
    std::vector<TTBPopupWindow *> Result;
    for (const auto &[Wnd, Control] : vcl::WindowControlMap())
        if (auto *Popup = dynamic_cast<TTBPopupWindow *>(Control); Popup && IsWindowVisible(Wnd))
            Result.push_back(Popup);
    auto Depth = [](TTBPopupWindow *Popup) {
        int Levels = 0;
        for (TTBView *View = Popup->View(); View; View = View->ParentView())
            ++Levels;
        return Levels;
    };
    std::sort(Result.begin(), Result.end(),
              [&](TTBPopupWindow *A, TTBPopupWindow *B) { return Depth(A) < Depth(B); });
    return Result;
}

bool OnePopupOpen()
{
    return OpenPopups().size() == 1;
}

COLORREF PixelOf(TWinControl *Window, int X, int Y)
{
    return win::SurfacePixel(Window->Handle(), X, Y);
}

std::vector<COLORREF> PixelsOf(TWinControl *Window)
{
    std::vector<COLORREF> Result;
    for (int Y = 0; Y < Window->Height(); ++Y)
        for (int X = 0; X < Window->Width(); ++X)
            Result.push_back(PixelOf(Window, X, Y));
    return Result;
}

TTBDock *MakeDock(TForm *Form, const char *Name, TTBDockPosition Position)
{
    auto *Dock = new TTBDock(Form);
    Dock->SetName(Name);
    Dock->SetPosition(Position);
    Dock->SetParent(Form);
    return Dock;
}

std::unique_ptr<TTBSkin> ProgramSkin()
{
    auto Skin = std::make_unique<TTBSkin>(nullptr);
    Skin->SetColorSet(tbcWindowsXP);
    Skin->SetDefault(false);
    Skin->SetOptions({tboPopupOverlap, tboShadow, tboGradSelItem, tboNoHoverIconShadow});
    Skin->SetShadowStyle(sWindowsXP);
    Skin->SetSkinType(tbsWindowsXP);
    return Skin;
}

std::unique_ptr<TTBSkin> StandOutSkin()
{
    auto Skin = std::make_unique<TTBSkin>(nullptr);
    Skin->SetColorSet(tbcCustom);
    for (const int Index : {tcImageList, tcSelItem, tcSelBar})
        Skin->Colors()->SetSkinColor(Index, StandOutRed);
    return Skin;
}

COLORREF PictureColumnPixel(TTBPopupWindow *Popup)
{
    return PixelOf(Popup, 5, Popup->Height() - 5);
}

void MenuTest::SetUp()
{
    VclTest::SetUp();
    ShownForm(600, 400);
    win::OverrideMonitors({win::Monitor{RECT{0, 0, 1024, 768}, RECT{0, 0, 1024, 768}}});
    win::OverrideParameter(SPI_GETMENUANIMATION, 0);
    // Every test starts with the pointer on its form's far corner, where no menu opens: a menu
    // opening under the pointer the test before left there ignores the test's first move. The
    // form takes the move, so it is also the position of the last message a menu starts from.
    const TPoint Corner =
        Form->ClientToScreen(TPoint(Form->ClientWidth() - 5, Form->ClientHeight() - 5));
    MoveTo(Corner.X, Corner.Y);
    ASSERT_TRUE(vcltest::PumpUntil([Corner] {
        const DWORD Pos = GetMessagePos();
        return static_cast<short>(LOWORD(Pos)) == Corner.X &&
               static_cast<short>(HIWORD(Pos)) == Corner.Y;
    }));
    Menu = std::make_unique<TTBPopupMenu>(nullptr);
}

void MenuTest::TearDown()
{
    Menu.reset();
    win::ResetSettings();
    VclTest::TearDown();
}

TTBItem *MenuTest::AddItem(TTBCustomItem *Parent, const char *Caption)
{
    auto *Item = new TTBItem(Menu.get());
    Item->SetCaption(AnsiString::FromUtf8(Caption));
    Item->OnClick = [this](TObject *Sender) {
        Clicks.push_back(static_cast<TTBItem *>(Sender)->Caption());
    };
    Parent->Add(Item);
    return Item;
}

void AddPicture(TCustomImageList *List, TColor Color)
{
    TBitmap Bitmap;
    Bitmap.SetSize(16, 16);
    Bitmap.Canvas()->Brush()->SetColor(Color);
    Bitmap.Canvas()->FillRect(TRect(0, 0, 16, 16));
    List->Add(&Bitmap, nullptr);
}

void CompanionPictures::FillPictures()
{
    AddPicture(&Pictures, PictureRed);
    AddPicture(&Hot, PictureGreen);
    AddPicture(&Disabled, PictureBlue);
    AddPicture(&Checked, PictureYellow);
}

void CompanionPictures::WithCompanions()
{
    Pictures.SetHotImages(&Hot);
    Pictures.SetDisabledImages(&Disabled);
    Pictures.SetCheckedImages(&Checked);
}

TTBSubmenuItem *MenuTest::AddSubmenu(TTBCustomItem *Parent, const char *Caption)
{
    auto *Item = new TTBSubmenuItem(Menu.get());
    Item->SetCaption(AnsiString::FromUtf8(Caption));
    Parent->Add(Item);
    return Item;
}

TTBSeparatorItem *MenuTest::AddSeparator(TTBCustomItem *Parent)
{
    auto *Item = new TTBSeparatorItem(Menu.get());
    Parent->Add(Item);
    return Item;
}

} // namespace menutest
