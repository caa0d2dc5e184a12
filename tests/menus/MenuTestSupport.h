#pragma once
// Driving open menus in tests: steps that run inside the menu's own loop once
// the input before them has been handled, and menus built for the tests.

#include "menus/TB2Dock.h"
#include "menus/TTBImageList.h"
#include "menus/TTBPopupMenu.h"
#include "platform/vcl/ImgList.h"
#include "tests/vcl/InputFeed.h"
#include "tests/vcl/VclTestSupport.h"

#include <functional>
#include <memory>
#include <vector>

namespace menutest
{

// A script of steps run from the thread's queue while a modal loop waits: each
// step runs when no input or posted message is left, and an until step holds the
// script while its condition fails, for five seconds at most. A menu's loop still running
// ten seconds after the last step, which nothing would end, fails the test and is ended.
class MenuScript
{
public:
    MenuScript() = default;

    MenuScript &Do(std::function<void()> Step);
    MenuScript &Until(std::function<bool()> Condition);
    bool Done() const { return FNext >= FSteps.size(); }

private:
    struct Step {
        std::function<void()> Action;
        std::function<bool()> Condition;
    };
    void Idle();
    void EndALoopLeftRunning();
    std::vector<Step> FSteps;
    std::size_t FNext = 0;
    bool FBusy = false;
    long long FGiveUpAt = -1;
    long long FEndLoopAt = -1;
    vcltest::IdleTicker FTicker{[this] { Idle(); }};
};

// Handles messages until the script has run to its end and no menu loop is left; false
// when that did not come within two seconds.
bool RunOut(const MenuScript &Script);

// Input at a screen point, and keys with the character they type (cp1251).
void MoveTo(int X, int Y);
void LeftClick(int X, int Y);
void RightClick(int X, int Y);
void Press(int VirtualKey, char Char = 0);

// The popup window whose frame covers the screen point, or null.
TTBPopupWindow *PopupAt(int X, int Y);
// Every popup window now open, outermost first.
std::vector<TTBPopupWindow *> OpenPopups();
bool OnePopupOpen();
// A pixel of a window's whole rectangle.
COLORREF PixelOf(TWinControl *Window, int X, int Y);
// Every pixel of a window's whole rectangle, row by row.
std::vector<COLORREF> PixelsOf(TWinControl *Window);

// A dock along one side of the form, named.
TTBDock *MakeDock(TForm *Form, const char *Name, TTBDockPosition Position);

// The program's skin as its form stream sets it up, property by property.
std::unique_ptr<TTBSkin> ProgramSkin();

// An Office XP skin whose picture column and selection are StandOutRed, to tell
// what it draws from what the default skin draws.
constexpr TColor StandOutRed = static_cast<TColor>(RGB(200, 30, 60));
std::unique_ptr<TTBSkin> StandOutSkin();
// A pixel of a popup's picture column at its foot, clear of a selection at its top.
COLORREF PictureColumnPixel(TTBPopupWindow *Popup);

// Colours that tell the pictures of an image list and its companions apart.
constexpr TColor PictureRed = static_cast<TColor>(RGB(220, 0, 0));
constexpr TColor PictureGreen = static_cast<TColor>(RGB(0, 200, 0));
constexpr TColor PictureBlue = static_cast<TColor>(RGB(0, 0, 210));
constexpr TColor PictureYellow = static_cast<TColor>(RGB(230, 230, 0));
// Adds one 16 x 16 picture of a colour to a list.
void AddPicture(TCustomImageList *List, TColor Color);

// A toolbar image list of one red picture, with companions of one picture each:
// green for hot, blue for disabled, yellow for checked.
struct CompanionPictures {
    void FillPictures();
    // Makes the three the list's companions.
    void WithCompanions();
    TTBImageList Pictures{nullptr};
    TImageList Hot{nullptr};
    TImageList Disabled{nullptr};
    TImageList Checked{nullptr};
};

// A test with the application, a plain 1024 x 768 work area without animation.
class MenuTest : public vcltest::VclTest
{
protected:
    void SetUp() override;
    void TearDown() override;
    TTBItem *AddItem(TTBCustomItem *Parent, const char *Caption);
    TTBSubmenuItem *AddSubmenu(TTBCustomItem *Parent, const char *Caption);
    TTBSeparatorItem *AddSeparator(TTBCustomItem *Parent);
    std::unique_ptr<TTBPopupMenu> Menu;
    std::vector<AnsiString> Clicks;
};

} // namespace menutest
