#include "link/CommPort.h"
#include "link/config.h"
#include "link/constants.h"
#include "link/main_form.h"
#include "platform/rtl/Registry.h"
#include "platform/vcl/Clipbrd.h"
#include "platform/win/SysParams.h"
#include "tests/link/MainFormTestSupport.h"
#include "tests/support/FileSizeLimit.h"
#include "tests/support/SparseFile.h"
#include "tests/support/TestFolder.h"
#include "tests/vcl/VclTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using namespace maintest;

// ---- construction ----

TEST_F(MainFormTest, FirstStartWritesTheDefaultConfigurationAndShowsIt)
{
    TMainForm *form = Build();
    EXPECT_EQ(form->Caption(), " QRV-4  версия 1.51"_a);
    EXPECT_EQ(form->ClientWidth(), 939);
    EXPECT_EQ(form->ClientHeight(), 713);
    EXPECT_EQ(ConfigBytes().substr(0, 36), "[FILES]\r\nBios_file=\r\nFonts_file=\r\n[C");
    EXPECT_NE(ConfigBytes().find("[PRODUCT]\r\nProductName=" + ("Домофонный ключ"_a).ToStd()),
              std::string::npos);
    EXPECT_NE(ConfigBytes().find("[COORD]\r\nLeft=100\r\nTop=100\r\n"), std::string::npos);
    EXPECT_EQ(form->ED_Dallas->Text(), "100");
    EXPECT_EQ(form->ED_Metacom->Text(), "200");
    EXPECT_EQ(form->ED_Cyfral->Text(), "300");
    EXPECT_EQ(form->ED_Proxy->Text(), "400");
    EXPECT_EQ(form->ED_SellerName->Text(), "ООО Фирма"_a);
    EXPECT_TRUE(form->CHB_TypeKey->Checked());
    EXPECT_FALSE(form->BTN_OptionsSave->Enabled());
}

TEST_F(MainFormTest, FiveTabsInOrderWithTheAddressBookActive)
{
    TMainForm *form = Build();
    ASSERT_EQ(form->PC_Tabs->PageCount(), 5);
    const TTabSheet *order[] = {form->Sheet_Writer, form->Sheet_Archive, form->Sheet_Configure,
                                form->Sheet_Options, form->Sheet_Info};
    const char *captions[] = {"Записная книжка", "Архив", "Настройки", "Установки", "Информация"};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(form->PC_Tabs->Pages(i), order[i]);
        EXPECT_EQ(form->PC_Tabs->Pages(i)->Caption(), AnsiString::FromUtf8(captions[i]));
    }
    EXPECT_EQ(form->PC_Tabs->ActivePage(), form->Sheet_Writer);
    EXPECT_EQ(form->FindComponent("BTN_WriterRead"), form->BTN_WriterRead);
    EXPECT_EQ(form->FindComponent("CB_OptionsContrast"), form->CB_OptionsContrast);
}

TEST_F(MainFormTest, TheConfigureTabsButtonsNameWhatTheyLoad)
{
    TMainForm *form = Build();
    // The captions stand right of the buttons' pictures, after the blanks that make room.
    EXPECT_EQ(form->BTN_LoadBios->Caption().Trim(), "Загрузить прошивку"_a);
    EXPECT_EQ(form->BTN_LoadFonts->Caption().Trim(), "Загрузить шрифты"_a);
    EXPECT_EQ(form->BTN_InternetUpdate->Caption().Trim(), "Обновить ПО прибора"_a);
    EXPECT_EQ(form->BTN_StopInternet->Hint(), "Остановить загрузку"_a);
}

TEST_F(MainFormTest, ListsFilledAtConstruction)
{
    TMainForm *form = Build();
    for (TComboBox *box : {form->CB_OptionsLightBPTimeOff, form->CB_OptionsLightBattTimeOff}) {
        ASSERT_EQ(box->Items()->Count(), 45);
        EXPECT_EQ(box->Items()->Strings(0), "25");
        EXPECT_EQ(box->Items()->Strings(43), "240");
        EXPECT_EQ(box->Items()->Strings(44), "Откл."_a);
        EXPECT_EQ(box->ItemIndex(), 0);
    }
    ASSERT_EQ(form->CB_OptionsContrast->Items()->Count(), 51);
    EXPECT_EQ(form->CB_OptionsContrast->Items()->Strings(50), "100");
    EXPECT_EQ(form->TB_OptionsLightBPColors->Max(), 28);
    ASSERT_EQ(form->CB_WriterTypeKey->Items()->Count(), 4);
    EXPECT_EQ(form->CB_WriterTypeKey->Items()->Strings(2), "Цифрал"_a);
    EXPECT_FALSE(form->DTP_ArchiveCountFrom->Enabled());
    EXPECT_FALSE(form->SystemMessTimer->Enabled());
    EXPECT_FALSE(form->CallbackTimer->Enabled());
    EXPECT_TRUE(form->TMR_OnlineComPort->Enabled());
    EXPECT_EQ(form->TMR_OnlineComPort->Interval(), 2000u);
    EXPECT_EQ(form->SystemMessTimer->Interval(), 5000u);
    EXPECT_EQ(form->CallbackTimer->Interval(), 3000u);
    EXPECT_EQ(form->ED_WriterName->MaxLength(), 14);
    EXPECT_FALSE(form->BTN_OpenCOMPort->Visible());
}

TEST_F(MainFormTest, MalformedPriceShowsTheFallback)
{
    WriteConfigText("[PRICE]\r\nPriceMetacom=abc\r\n[PRODUCT]\r\nTypeKey=0\r\nKeyHex=x\r\n");
    TMainForm *form = Build();
    EXPECT_EQ(form->ED_Metacom->Text(), "100");
    EXPECT_EQ(form->ED_Dallas->Text(), "100");
    EXPECT_FALSE(form->CHB_TypeKey->Checked());
    EXPECT_TRUE(form->CHB_KeyHex->Checked());
}

TEST_F(MainFormTest, GridsGetTheirTitlesAndWidths)
{
    TMainForm *form = Build();
    ASSERT_EQ(form->SG_Archive->ColCount(), 6);
    EXPECT_EQ(form->SG_Archive->Cells(3, 0), "Режим записи"_a);
    EXPECT_EQ(form->SG_Archive->ColWidths(5), 304);
    EXPECT_EQ(form->SG_Archive->RowHeights(0), 20);
    ASSERT_EQ(form->SG_Writer->ColCount(), 4);
    EXPECT_EQ(form->SG_Writer->Cells(0, 0), "№ ячейки"_a);
    EXPECT_EQ(form->SG_Writer->ColWidths(1), 236);
    EXPECT_EQ(form->ArchiveRowColours[3], RGB(255, 255, 220));
}

// ---- status line ----

TEST_F(MainFormTest, StatusMessageColoursAndClears)
{
    TMainForm *form = Build();
    form->ShowStatusMessage("Ошибка"_a, "COM3", smError);
    EXPECT_EQ(form->StatusBarMain->SimpleText(), "  Ошибка  COM3"_a);
    EXPECT_EQ(form->StatusBarMain->Color(), clRed);
    EXPECT_TRUE(form->SystemMessTimer->Enabled());
    form->ShowStatusMessage("Готово"_a, "", smNotice);
    EXPECT_EQ(form->StatusBarMain->Color(), clLime);
    form->ShowStatusMessage("Чтение"_a, "", smNeutral);
    EXPECT_EQ(form->StatusBarMain->Color(), clBtnFace);
    form->SystemMessTimerTimer(form->SystemMessTimer);
    EXPECT_EQ(form->StatusBarMain->SimpleText(), "");
    EXPECT_FALSE(form->SystemMessTimer->Enabled());
}

TEST_F(MainFormTest, StatusMessageStaysItsFullTimeAfterTheLastOne)
{
    TMainForm *form = Build();
    constexpr auto Interval = std::chrono::milliseconds(1000);
    form->SystemMessTimer->SetInterval(static_cast<int>(Interval.count()));
    form->ShowStatusMessage("первое"_a, "", smNeutral);
    // Half the first message's time goes by (or more, on a loaded machine), so that its end
    // would fall within the second one's.
    PumpUntil([&] { return form->StatusBarMain->SimpleText().IsEmpty(); }, 500);
    const auto Second = std::chrono::steady_clock::now();
    form->ShowStatusMessage("второе"_a, "", smNeutral);
    // A timer never fires early, however loaded the machine: the line clears no sooner than a
    // whole time after the second message.
    ASSERT_TRUE(PumpUntil([&] { return form->StatusBarMain->SimpleText().IsEmpty(); }, 5000));
    EXPECT_GE(std::chrono::steady_clock::now() - Second, Interval);
    EXPECT_EQ(form->StatusBarMain->Color(), clBtnFace);
}

// A message longer than the line, as a failed update's list of addresses, is read whole in the
// line's hint; a short one has none.
TEST_F(MainFormTest, StatusMessageLongerThanTheLineIsReadInItsHint)
{
    vcltest::QuickHints quick;
    TMainForm *form = Build();
    form->Show();
    PumpFor(50);
    AnsiString detail;
    for (int mirror = 1; mirror <= 3; ++mirror)
        detail += (mirror > 1 ? "; http://update" : "http://update") + IntToStr(mirror) +
                  ".example.net/qrv4/123.txt - Узел не найден"_a;
    form->ShowStatusMessage("Ошибка при получении файла!"_a, detail, smError);
    TStatusBar *line = form->StatusBarMain;
    vcltest::MouseMove(line, line->Width() - 20, line->Height() / 2);
    ASSERT_TRUE(PumpUntil([&] { return !vcltest::ShownHint().IsEmpty(); }, 2000));
    EXPECT_EQ(vcltest::ShownHint(), "Ошибка при получении файла!  "_a + detail);

    vcltest::MouseMove(form, 20, 20);
    PumpFor(50);
    EXPECT_EQ(vcltest::ShownHint(), "");
    form->ShowStatusMessage("Чтение данных... успешно!"_a, "", smNeutral);
    vcltest::MouseMove(line, 30, line->Height() / 2);
    PumpFor(200);
    EXPECT_EQ(vcltest::ShownHint(), "");
}

// ---- busy state and tabs ----

TEST_F(MainFormTest, BusyStateOfTheArchiveTab)
{
    TMainForm *form = Build();
    form->PC_Tabs->SetActivePage(form->Sheet_Archive);
    form->SetBusy(false);
    EXPECT_FALSE(form->BTN_ReadFromArchive->Enabled());
    EXPECT_FALSE(form->SG_Archive->Enabled());
    EXPECT_FALSE(form->CB_ComPorts->Enabled());
    EXPECT_TRUE(form->BTN_StopArchive->Enabled());
    EXPECT_TRUE(form->CHG_ArchiveStatus->Visible());
    EXPECT_EQ(Screen->Cursor(), crAppStart);
    form->SetBusy(true);
    EXPECT_TRUE(form->BTN_ReadFromArchive->Enabled());
    EXPECT_FALSE(form->BTN_StopArchive->Enabled());
    EXPECT_FALSE(form->CHG_ArchiveStatus->Visible());
    EXPECT_EQ(Screen->Cursor(), crDefault);
}

TEST_F(MainFormTest, BusyStateOfTheOtherTabs)
{
    TMainForm *form = Build();
    form->SetBusy(false);
    EXPECT_FALSE(form->BTN_StopWriter->Enabled()); // no address-book read runs
    form->WriterReadStep = 3;
    form->SetBusy(false);
    EXPECT_TRUE(form->BTN_StopWriter->Enabled());
    EXPECT_FALSE(form->BTN_WriterSave->Enabled());
    EXPECT_TRUE(form->CHG_WriterStatus->Visible());
    form->WriterReadStep = -1;
    form->SetBusy(true);

    form->PC_Tabs->SetActivePage(form->Sheet_Options);
    form->OptionsRead = true;
    form->SetBusy(false);
    EXPECT_FALSE(form->BTN_OptionsRead->Enabled());
    // A write must not cut the exchange short, whatever was read before it.
    EXPECT_FALSE(form->BTN_OptionsSave->Enabled());
    form->SetBusy(true);
    EXPECT_TRUE(form->BTN_OptionsSave->Enabled());

    form->PC_Tabs->SetActivePage(form->Sheet_Configure);
    form->SetBusy(false);
    EXPECT_FALSE(form->ED_SellerBank->Enabled());
    EXPECT_TRUE(form->CHG_LoadBios->Visible());
    form->SetBusy(true);
    EXPECT_TRUE(form->ED_SellerBank->Enabled());
}

TEST_F(MainFormTest, TabChangeIsRefusedWhileAStepRunsOrAnUpdateDownloads)
{
    TMainForm *form = Build();
    bool allow = false;
    form->PC_TabsChanging(form->PC_Tabs, allow);
    EXPECT_TRUE(allow);
    for (int *step : {&form->ArchivePointerStep, &form->ArchiveBlockStep, &form->OptionsReadStep,
                      &form->OptionsWriteStep, &form->WriterReadStep, &form->WriterWriteStep,
                      &form->FirmwareLoaderStep, &form->FirmwareBlockStep, &form->FontsBlockStep}) {
        *step = 0;
        form->PC_TabsChanging(form->PC_Tabs, allow);
        EXPECT_FALSE(allow);
        *step = -1;
    }
    form->UpdateRunning = true;
    form->PC_TabsChanging(form->PC_Tabs, allow);
    EXPECT_FALSE(allow);
}

TEST_F(MainFormTest, LeavingTheConfigureTabSavesEvenWhenRefused)
{
    TMainForm *form = Build();
    form->PC_Tabs->SetActivePage(form->Sheet_Configure);
    form->ED_Dallas->SetText("123.5");
    form->ED_Proxy->SetText("много");
    form->OptionsReadStep = 2;
    bool allow = true;
    form->PC_TabsChanging(form->PC_Tabs, allow);
    EXPECT_FALSE(allow);
    EXPECT_NE(ConfigBytes().find("PriceDallas=123.5\r\n"), std::string::npos);
    EXPECT_NE(ConfigBytes().find("PriceProxy=100\r\n"), std::string::npos);
}

// Prices typed and pasted as people here write them, with a decimal comma, are kept as meant.
TEST_F(MainFormTest, PriceWithADecimalCommaIsSavedAsMeant)
{
    TMainForm *form = Build();
    form->Show();
    form->PC_Tabs->SetActivePage(form->Sheet_Configure);
    vcltest::Pump();
    form->ED_Dallas->SetFocus();
    form->ED_Dallas->SelectAll();
    for (const char key : std::string("150,5"))
        vcltest::Key(key == ',' ? VK_OEM_COMMA : key, key);
    EXPECT_TRUE(PumpUntil([&] { return form->ED_Dallas->Text() == "150.5"; }, 2000))
        << form->ED_Dallas->Text().c_str();

    Clipboard()->SetAsText("99,9");
    form->ED_Metacom->SetFocus();
    form->ED_Metacom->SelectAll();
    vcltest::KeyDown(VK_CONTROL);
    vcltest::Key('V', 22);
    vcltest::KeyUp(VK_CONTROL);
    EXPECT_TRUE(PumpUntil([&] { return form->ED_Metacom->Text() != "200"; }, 2000));
    EXPECT_EQ(form->ED_Metacom->Text(), "99.90");

    bool allow = true;
    form->PC_TabsChanging(form->PC_Tabs, allow);
    EXPECT_NE(ConfigBytes().find("PriceDallas=150.5\r\n"), std::string::npos);
    EXPECT_NE(ConfigBytes().find("PriceMetacom=99.9\r\n"), std::string::npos);
}

// ---- activation and closing ----

namespace
{

using vcltest::Monitors;

// A screen with room for the window anywhere near its top left.
Monitors LargeScreen()
{
    return Monitors({win::Monitor{RECT{0, 0, 1920, 1200}, RECT{0, 0, 1920, 1200}}});
}

} // namespace

TEST_F(MainFormTest, ClosingWritesLayoutsAndTheWindowPosition)
{
    TMainForm *form = Build();
    form->SetLeft(40);
    form->SetTop(60);
    form->Close();
    EXPECT_EQ(FileText("grid_archive.txt"), "77\n142\n122\n141\n81\n304\n");
    EXPECT_EQ(FileText("grid_writer.txt"), "77\n236\n109\n326\n");
    EXPECT_NE(ConfigBytes().find("[COORD]\r\nLeft=40\r\nTop=60\r\n"), std::string::npos);
}

// Run by root in a user's folder, the program made its layouts root's, and the user's own runs
// could not replace them after: a file it makes there is the folder owner's.
TEST_F(MainFormTest, LayoutsMadeByRootInAUsersFolderAreTheUsers)
{
    if (geteuid() != 0) GTEST_SKIP() << "only root can give a file to another user";
    constexpr uid_t User = 65534;
    constexpr gid_t Group = 65534;
    ASSERT_EQ(chown(Folder.c_str(), User, Group), 0);
    TMainForm *form = Build();
    form->Close();
    for (const char *name : {"grid_archive.txt", "grid_writer.txt"}) {
        struct stat made = {};
        ASSERT_EQ(stat((Folder / name).c_str(), &made), 0) << name;
        EXPECT_EQ(made.st_uid, User) << name;
        EXPECT_EQ(made.st_gid, Group) << name;
    }
}

TEST_F(MainFormTest, FirstActivationAloneRestoresPositionAndWidths)
{
    const Monitors screen = LargeScreen();
    WriteConfigText("[COORD]\r\nLeft=33\r\nTop=44\r\n");
    WriteFile("grid_writer.txt", "50\n60\n70\n80\n");
    TMainForm *form = Build();
    form->FormActivate(form);
    EXPECT_EQ(form->Left(), 33);
    EXPECT_EQ(form->Top(), 44);
    EXPECT_EQ(form->SG_Writer->ColWidths(3), 80);
    form->SG_Writer->SetColWidths(3, 120);
    form->SetLeft(200);
    form->FormActivate(form);
    EXPECT_EQ(form->SG_Writer->ColWidths(3), 120);
    EXPECT_EQ(form->Left(), 200);
}

// A place kept from a taller screen or from a monitor since taken away: the window comes in
// whole on the screen there is, as near the kept place as it fits.
TEST_F(MainFormTest, KeptPositionOffTheScreenComesInWhole)
{
    // A laptop's screen with a panel at the bottom, and a taller monitor at its right.
    const Monitors monitors({win::Monitor{RECT{0, 0, 1366, 768}, RECT{0, 0, 1366, 740}},
                             win::Monitor{RECT{1366, 0, 2646, 1024}, RECT{1366, 0, 2646, 1024}}});
    auto place = [&](const char *Coords) {
        WriteConfigText(Coords);
        TMainForm *form = Build();
        form->FormActivate(form);
        return form->BoundsRect();
    };
    const TRect laptop = place("[COORD]\r\nLeft=100\r\nTop=100\r\n");
    EXPECT_EQ(laptop.Left, 100);
    EXPECT_EQ(laptop.Bottom, 740);
    EXPECT_GE(laptop.Top, 0);
    EXPECT_EQ(place("[COORD]\r\nLeft=1500\r\nTop=100\r\n").TopLeft(), TPoint(1500, 100));
    const TRect gone = place("[COORD]\r\nLeft=5000\r\nTop=2000\r\n");
    EXPECT_EQ(gone.Right, 2646);
    EXPECT_EQ(gone.Bottom, 1024);
}

TEST_F(MainFormTest, ShowingTheWindowActivatesItOnce)
{
    const Monitors screen = LargeScreen();
    WriteConfigText("[COORD]\r\nLeft=70\r\nTop=90\r\n");
    TMainForm *form = Build();
    form->Show();
    ASSERT_TRUE(PumpUntil([&] { return form->Left() == 70; }, 2000));
    EXPECT_EQ(form->Top(), 90);
}

TEST_F(MainFormTest, ButtonsShowTheirHintsUnderThePointer)
{
    vcltest::QuickHints quick;
    TMainForm *form = Build();
    form->Show();
    form->PC_Tabs->SetActivePage(form->Sheet_Archive);
    vcltest::Pump();
    for (TControl *control : std::initializer_list<TControl *>{
             form->BTN_PrintArchive, form->BTN_ClipboardArchive, form->ED_Search}) {
        vcltest::MouseMove(control, control->Width() / 2, control->Height() / 2);
        EXPECT_TRUE(PumpUntil([&] { return vcltest::ShownHint() == control->Hint(); }, 2000))
            << control->Name().c_str() << ": " << vcltest::ShownHint().ToUtf8();
    }
    EXPECT_EQ(vcltest::ShownHint(), "Быстрый поиск по таблице"_a);
}

TEST_F(MainFormTest, MissingLayoutFilesKeepTheDefaultWidths)
{
    TMainForm *form = Build();
    form->FormActivate(form);
    const int archive[] = {77, 142, 122, 141, 81, 304}, writer[] = {77, 236, 109, 326};
    for (int col = 0; col < 6; ++col)
        EXPECT_EQ(form->SG_Archive->ColWidths(col), archive[col]) << col;
    for (int col = 0; col < 4; ++col)
        EXPECT_EQ(form->SG_Writer->ColWidths(col), writer[col]) << col;
}

TEST_F(MainFormTest, EmptyLayoutFileKeepsTheDefaultWidths)
{
    WriteFile("grid_archive.txt", "");
    WriteFile("grid_writer.txt", "90\n");
    TMainForm *form = Build();
    form->FormActivate(form);
    EXPECT_EQ(form->SG_Archive->ColWidths(0), 77);
    EXPECT_EQ(form->SG_Archive->ColWidths(5), 304);
    EXPECT_EQ(form->SG_Writer->ColWidths(0), 90);
    EXPECT_EQ(form->SG_Writer->ColWidths(1), 236);
}

TEST_F(MainFormTest, LayoutWidthsNoUserCouldDragKeepTheDefaults)
{
    std::string huge;
    for (int col = 0; col < 6; ++col)
        huge += "2000000000\n";
    WriteFile("grid_archive.txt", huge);
    WriteFile("grid_writer.txt", "-1\n-1\n150\n99999999999\n");
    TMainForm *form = Build();
    form->FormActivate(form);
    form->SG_Archive->Repaint();
    form->SG_Writer->Repaint();
    EXPECT_EQ(form->SG_Archive->ColWidths(0), 77);
    EXPECT_EQ(form->SG_Archive->ColWidths(5), 304);
    EXPECT_EQ(form->SG_Writer->ColWidths(0), 77);
    EXPECT_EQ(form->SG_Writer->ColWidths(1), 236);
    EXPECT_EQ(form->SG_Writer->ColWidths(2), 150);
    EXPECT_EQ(form->SG_Writer->ColWidths(3), 326);
}

// ---- settings that cannot be kept ----

namespace
{

AnsiString StatusLine(const AnsiString &Text, const std::filesystem::path &File)
{
    return "  " + Text + "  " + rtl::FromSystemPath(File.string());
}

const AnsiString SaveFailed = "Не удалось сохранить, прежний файл оставлен:"_a;
const AnsiString NoWriteRight = "Нет права записи, изменения не будут сохранены:"_a;
const AnsiString NotSaved = "Не удалось сохранить:"_a;
// Why, as the full disk of FileSizeLimit has it: a file larger than the process may write.
const AnsiString TooLarge = " файл больше, чем позволено записать"_a;

// Message boxes answered by the test while the object lives.
class ScriptedMessages
{
public:
    ScriptedMessages() : FPrevious(vcl::SetDialogService(&Dialogs)) {}
    ~ScriptedMessages() { vcl::SetDialogService(FPrevious); }
    ScriptedMessages(const ScriptedMessages &) = delete;
    ScriptedMessages &operator=(const ScriptedMessages &) = delete;

    vcl::ScriptedDialogs Dialogs;

private:
    vcl::DialogProvider *FPrevious;
};

// Removes what Folder holds, folders within folders, each by its name in the one above: no
// path could name what lies deep in a chain longer than the system takes.
void RemoveContents(int Folder)
{
    DIR *listing = ::fdopendir(::dup(Folder));
    if (!listing) return;
    std::vector<std::string> names;
    while (const dirent *entry = ::readdir(listing))
        if (std::string_view(entry->d_name) != "." && std::string_view(entry->d_name) != "..")
            names.emplace_back(entry->d_name);
    ::closedir(listing);
    for (const std::string &name : names) {
        const int inner =
            ::openat(Folder, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (inner < 0) {
            ::unlinkat(Folder, name.c_str(), 0);
            continue;
        }
        ::fchmod(inner, S_IRWXU);
        RemoveContents(inner);
        ::close(inner);
        ::unlinkat(Folder, name.c_str(), AT_REMOVEDIR);
    }
}

// A chain of folders within Top whose path is longer than Length bytes, made and entered one
// step at a time; the process leaves it for Top and removes it when the object goes, also when
// the test fails.
class DeepFolder
{
public:
    DeepFolder(const std::filesystem::path &Top, std::size_t Length)
        : FTop(::open(Top.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC))
    {
        int at = ::dup(FTop);
        for (std::size_t path = Top.native().size(); at >= 0 && path <= Length;
             path += Name.size() + 1) {
            ::mkdirat(at, Name.c_str(), 0700);
            const int inner =
                ::openat(at, Name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            ::close(at);
            at = inner;
        }
        FEntered = at >= 0 && ::fchdir(at) == 0;
        if (at >= 0) ::close(at);
    }
    ~DeepFolder()
    {
        if (FTop < 0) return;
        if (::fchdir(FTop) != 0) ADD_FAILURE() << "the test's folder could not be entered again";
        const int first =
            ::openat(FTop, Name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (first >= 0) {
            ::fchmod(first, S_IRWXU);
            RemoveContents(first);
            ::close(first);
            ::unlinkat(FTop, Name.c_str(), AT_REMOVEDIR);
        }
        ::close(FTop);
    }
    DeepFolder(const DeepFolder &) = delete;
    DeepFolder &operator=(const DeepFolder &) = delete;

    bool Entered() const { return FEntered; }

private:
    inline static const std::string Name = std::string(200, 'd');
    int FTop;
    bool FEntered = false;
};

} // namespace

// A base folder whose path is longer than the system takes in one piece keeps the settings all
// the same: the start tells of nothing, and the close writes a changed price without a box.
TEST_F(MainFormTest, AFolderWhosePathIsLongerThanTheSystemTakesKeepsTheSettings)
{
    const DeepFolder deep(Folder, 4200);
    ASSERT_TRUE(deep.Entered());
    TakeCurrentFolderAsBase();
    ASSERT_GE(rtl::SystemPath(Config.FilePath()).size(), std::size_t{PATH_MAX});
    ScriptedMessages messages;
    TMainForm *form = Build();
    EXPECT_EQ(form->StatusBarMain->SimpleText().ToUtf8(), "");
    form->PC_Tabs->SetActivePage(form->Sheet_Configure);
    form->ED_Dallas->SetText("777");
    form->Close();
    EXPECT_TRUE(messages.Dialogs.Messages().empty())
        << messages.Dialogs.Messages().front().Text.ToUtf8().substr(0, 200);
    // Read where the process stands: in the folder, whose path no call would take.
    std::ifstream settings("qrv4.cfg", std::ios::binary);
    const std::string text(std::istreambuf_iterator<char>(settings), {});
    EXPECT_NE(text.find("PriceDallas=777\r\n"), std::string::npos) << "the price was not kept";
}

// The same folder where this user may not write: the close tells that the changed price is not
// kept in a box that fits the screen with its button, however long the path it names.
TEST_F(MainFormTest, TheCloseTellsOfALongFoldersSettingsInABoxThatFitsTheScreen)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "root writes whatever the modes; the unprivileged pass runs this";
    const DeepFolder deep(Folder, 4200);
    ASSERT_TRUE(deep.Entered());
    TakeCurrentFolderAsBase();
    ASSERT_EQ(::chmod(".", S_IRUSR | S_IXUSR), 0);
    TMainForm *form = Build();
    EXPECT_EQ(form->StatusBarMain->Color(), clRed);

    const Monitors screen({win::Monitor{RECT{0, 0, 1024, 768}, RECT{0, 0, 1024, 738}}});
    form->PC_Tabs->SetActivePage(form->Sheet_Configure);
    form->ED_Dallas->SetText("777");
    const vcltest::ShownBox shown = vcltest::AnswerBox([form] { form->Close(); });
    EXPECT_EQ(shown.Text.SubString(1, NoWriteRight.Length()).ToUtf8(), NoWriteRight.ToUtf8());
    EXPECT_GT(shown.Text.Length(), 4096) << "the path is not all there";
    EXPECT_TRUE(vcltest::Within(shown.Window, TRect(0, 0, 1024, 738)));
    EXPECT_TRUE(vcltest::Within(shown.Button, shown.Window));
}

// A kill between the writing of a new settings file and its rename leaves the new file beside
// the old one; the next start takes them away, and leaves those of a program still running.
TEST_F(MainFormTest, StartRemovesWhatAKilledSaveLeftBehind)
{
    const pid_t gone = fork();
    if (gone == 0) _exit(0);
    ASSERT_GT(gone, 0);
    ASSERT_EQ(waitpid(gone, nullptr, 0), gone);
    const std::string dead = std::to_string(gone), alive = std::to_string(getpid());
    const std::vector<std::string> left = {".qrv4.cfg." + dead + ".0.tmp",
                                           ".grid_archive.txt." + dead + ".3.tmp",
                                           ".grid_writer.txt." + dead + ".12.tmp"};
    const std::vector<std::string> kept = {
        ".qrv4.cfg." + alive + ".0.tmp", ".book.dbf." + dead + ".0.tmp", ".qrv4.cfg." + dead,
        ".qrv4.cfg." + dead + ".x.tmp", "qrv4.cfg." + dead + ".0.tmp"};
    for (const std::string &name : left)
        WriteFile(name, "[COM]\r\n");
    for (const std::string &name : kept)
        WriteFile(name, "mine");
    Build();
    for (const std::string &name : left)
        EXPECT_FALSE(std::filesystem::exists(Folder / name)) << name;
    for (const std::string &name : kept)
        EXPECT_EQ(FileText(name), "mine") << name;
}

TEST_F(MainFormTest, FullDiskKeepsTheOldSettingsAndSaysSoInRed)
{
    TMainForm *form = Build();
    const std::string before = ConfigBytes();
    form->PC_Tabs->SetActivePage(form->Sheet_Configure);
    form->ED_Dallas->SetText("777");
    bool allow = true;
    {
        testsupport::FileSizeLimit full(64);
        form->PC_TabsChanging(form->PC_Tabs, allow);
    }
    EXPECT_EQ(ConfigBytes(), before);
    EXPECT_EQ(form->StatusBarMain->SimpleText(),
              StatusLine(SaveFailed + TooLarge, Folder / "qrv4.cfg"));
    EXPECT_EQ(form->StatusBarMain->Color(), clRed);

    // Room again: the next save goes through.
    form->PC_TabsChanging(form->PC_Tabs, allow);
    EXPECT_NE(ConfigBytes().find("PriceDallas=777\r\n"), std::string::npos);
}

TEST_F(MainFormTest, FirstStartOnAFullDiskSaysTheSettingsAreNotKept)
{
    TMainForm *form = nullptr;
    {
        testsupport::FileSizeLimit full(8);
        form = Build();
    }
    EXPECT_FALSE(std::filesystem::exists(Folder / "qrv4.cfg"));
    EXPECT_EQ(form->StatusBarMain->SimpleText(),
              StatusLine(NotSaved + TooLarge, Folder / "qrv4.cfg"))
        << "no earlier file was there to keep";
    EXPECT_EQ(form->StatusBarMain->Color(), clRed);

    form->PC_Tabs->SetActivePage(form->Sheet_Configure);
    form->ED_Dallas->SetText("777");
    bool allow = true;
    form->PC_TabsChanging(form->PC_Tabs, allow);
    EXPECT_NE(ConfigBytes().find("PriceDallas=777\r\n"), std::string::npos);
}

TEST_F(MainFormTest, FullDiskAtCloseKeepsTheOldLayouts)
{
    WriteFile("grid_archive.txt", "70\n140\n120\n140\n80\n300\n");
    ScriptedMessages messages;
    TMainForm *form = Build();
    form->FormActivate(form);
    form->SG_Archive->SetColWidths(1, 200);
    {
        testsupport::FileSizeLimit full(8);
        form->Close();
    }
    EXPECT_EQ(FileText("grid_archive.txt"), "70\n140\n120\n140\n80\n300\n");
    // The settings file, saved last, failed too.
    EXPECT_EQ(form->StatusBarMain->SimpleText(),
              StatusLine(SaveFailed + TooLarge, Folder / "qrv4.cfg"));
    EXPECT_EQ(form->StatusBarMain->Color(), clRed);
    EXPECT_TRUE(messages.Dialogs.Messages().empty()) << "no setting of the user's was lost";
}

// The status line closes with the window; a price the user typed must not go without a word.
TEST_F(MainFormTest, FullDiskAtCloseSaysTheChangedSettingsAreNotKept)
{
    ScriptedMessages messages;
    TMainForm *form = Build();
    const std::string before = ConfigBytes();
    form->PC_Tabs->SetActivePage(form->Sheet_Configure);
    form->ED_Dallas->SetText("777");
    messages.Dialogs.ReplyMessage(mrOk);
    {
        testsupport::FileSizeLimit full(64);
        form->Close();
    }
    EXPECT_EQ(ConfigBytes(), before);
    ASSERT_EQ(messages.Dialogs.Messages().size(), 1u);
    EXPECT_EQ(messages.Dialogs.Messages()[0].Text,
              SaveFailed + TooLarge + "\n" + rtl::FromSystemPath((Folder / "qrv4.cfg").string()));
}

TEST_F(MainFormTest, ReadOnlySettingsFileIsToldOnceAtStart)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "root writes whatever the modes; the unprivileged pass runs this";
    WriteConfigText("[COM]\r\nCOM_port=3\r\n");
    std::filesystem::permissions(Folder / "qrv4.cfg", std::filesystem::perms::owner_read);
    TMainForm *form = Build();
    EXPECT_EQ(form->StatusBarMain->SimpleText(), StatusLine(NoWriteRight, Folder / "qrv4.cfg"));
    EXPECT_EQ(form->StatusBarMain->Color(), clRed);

    form->SystemMessTimerTimer(nullptr);
    form->PC_Tabs->SetActivePage(form->Sheet_Configure);
    form->ED_Dallas->SetText("555");
    bool allow = true;
    form->PC_TabsChanging(form->PC_Tabs, allow);
    EXPECT_EQ(form->StatusBarMain->SimpleText(), "") << "told once";
    EXPECT_EQ(ConfigBytes(), "[COM]\r\nCOM_port=3\r\n");
}

TEST_F(MainFormTest, SettingsAndLayoutsThatCannotBeReadAreNotReplaced)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "root reads whatever the modes; the unprivileged pass runs this";
    using std::filesystem::perms;
    const std::string settings = "[COM]\r\nCOM_port=3\r\n[MINE]\r\nnote=kept\r\n";
    const std::string layout = "70\n140\n120\n140\n80\n300\n";
    WriteConfigText(settings);
    WriteFile("grid_archive.txt", layout);
    for (const char *name : {"qrv4.cfg", "grid_archive.txt"})
        std::filesystem::permissions(Folder / name, perms::owner_write);
    TMainForm *form = Build();
    form->FormActivate(form);
    form->PC_Tabs->SetActivePage(form->Sheet_Configure);
    form->ED_Dallas->SetText("555");
    bool allow = true;
    form->PC_TabsChanging(form->PC_Tabs, allow);
    EXPECT_EQ(form->StatusBarMain->SimpleText(), StatusLine(SaveFailed, Folder / "qrv4.cfg"));
    form->SG_Archive->SetColWidths(1, 200);
    ScriptedMessages messages;
    messages.Dialogs.ReplyMessage(mrOk);
    form->Close();
    EXPECT_EQ(form->StatusBarMain->Color(), clRed);
    EXPECT_EQ(messages.Dialogs.Messages().size(), 1u) << "the price typed is not kept";
    for (const char *name : {"qrv4.cfg", "grid_archive.txt"})
        std::filesystem::permissions(Folder / name, perms::owner_read | perms::owner_write);
    EXPECT_EQ(ConfigBytes(), settings);
    EXPECT_EQ(FileText("grid_archive.txt"), layout);
    EXPECT_EQ(FileText("grid_writer.txt"), "77\n236\n109\n326\n") << "the other is saved";
}

TEST_F(MainFormTest, ReadOnlyRunFolderIsToldAtStart)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "root writes whatever the modes; the unprivileged pass runs this";
    using std::filesystem::perms;
    std::filesystem::permissions(Folder, perms::owner_read | perms::owner_exec);
    TMainForm *form = Build();
    const AnsiString shown = form->StatusBarMain->SimpleText();
    std::filesystem::permissions(Folder, perms::owner_all);
    EXPECT_EQ(shown, StatusLine(NoWriteRight, Folder / "qrv4.cfg"));
    EXPECT_FALSE(std::filesystem::exists(Folder / "qrv4.cfg"));
}

TEST_F(MainFormTest, SpoiltSettingsFileIsToldAtStart)
{
    WriteConfigText(std::string("[COM]\r\nCOM_port=\0\0\0\r\n", 20));
    TMainForm *form = Build();
    EXPECT_EQ(form->StatusBarMain->SimpleText(),
              StatusLine("Файл настроек повреждён, часть настроек взята по умолчанию:"_a,
                         Folder / "qrv4.cfg"));
    EXPECT_EQ(form->StatusBarMain->Color(), clRed);
}

// Settings and a layout of 8 GiB each were read whole at the start. Neither is read: the
// settings are told as spoilt and kept as such, the layout keeps its default widths and is
// not replaced at the close.
TEST_F(MainFormTest, SettingsAndLayoutsTooLargeToBeRealAreToldAndKeptUnread)
{
    for (const char *name : {"qrv4.cfg", "grid_archive.txt"})
        ASSERT_NO_FATAL_FAILURE(testsupport::MakeSparseFile(Folder / name, 8 * testsupport::GiB));
    TMainForm *form = Build();
    form->FormActivate(form);
    EXPECT_EQ(form->StatusBarMain->SimpleText(),
              StatusLine("Файл настроек повреждён, часть настроек взята по умолчанию:"_a,
                         Folder / "qrv4.cfg"));
    EXPECT_EQ(form->SG_Archive->ColWidths(1), 142);
    ScriptedMessages messages;
    messages.Dialogs.ReplyMessage(mrOk);
    form->Close();
    EXPECT_EQ(std::filesystem::file_size(Folder / "qrv4.cfg.bad"), 8 * testsupport::GiB);
    EXPECT_EQ(std::filesystem::file_size(Folder / "grid_archive.txt"), 8 * testsupport::GiB);
    ASSERT_LT(std::filesystem::file_size(Folder / "qrv4.cfg"), 1u << 16);
    EXPECT_NE(ConfigBytes().find("[COORD]"), std::string::npos);
    EXPECT_EQ(FileText("grid_writer.txt"), "77\n236\n109\n326\n") << "the other is saved";
}

TEST_F(MainFormTest, SettingsTheProgramWroteStartWithAnEmptyStatusLine)
{
    Build()->Close();
    Form.reset();
    TMainForm *form = Build();
    EXPECT_EQ(form->StatusBarMain->SimpleText(), "");
    EXPECT_EQ(form->StatusBarMain->Color(), clBtnFace);
}

// ---- settings of other users and other editors, and links ----

namespace
{

struct Owner {
    uid_t User;
    gid_t Group;
    bool operator==(const Owner &) const = default;
};

Owner OwnerOf(const std::filesystem::path &File)
{
    struct stat info {
    };
    EXPECT_EQ(::stat(File.c_str(), &info), 0) << File;
    return {info.st_uid, info.st_gid};
}

constexpr uid_t Nobody = 65534;

// Root acting as another user for the object's life, as that user's own program would.
class ActingAs
{
public:
    explicit ActingAs(uid_t User) { EXPECT_EQ(::setresuid(-1, User, -1), 0); }
    ~ActingAs() { EXPECT_EQ(::setresuid(-1, 0, -1), 0); }
    ActingAs(const ActingAs &) = delete;
    ActingAs &operator=(const ActingAs &) = delete;
};

} // namespace

// Root saved the settings and layouts as root's own files, and the user's next start could
// not write them any more.
TEST_F(MainFormTest, SavesByRootLeaveTheFilesToTheirOwner)
{
    if (geteuid() != 0) GTEST_SKIP() << "only root may save a file of another user";
    WriteConfigText("[COM]\r\nCOM_port=3\r\n");
    WriteFile("grid_archive.txt", "70\n140\n120\n140\n80\n300\n");
    for (const char *name : {"qrv4.cfg", "grid_archive.txt"})
        ASSERT_EQ(::chown((Folder / name).c_str(), Nobody, Nobody), 0);
    TMainForm *form = Build();
    form->FormActivate(form);
    form->PC_Tabs->SetActivePage(form->Sheet_Configure);
    form->ED_Dallas->SetText("555");
    form->SG_Archive->SetColWidths(1, 200);
    form->Close();
    EXPECT_NE(ConfigBytes().find("PriceDallas=555\r\n"), std::string::npos);
    EXPECT_EQ(FileText("grid_archive.txt"), "70\n200\n120\n140\n80\n300\n");
    for (const char *name : {"qrv4.cfg", "grid_archive.txt"})
        EXPECT_EQ(OwnerOf(Folder / name), (Owner{Nobody, Nobody})) << name;
}

// A file of another user that this user may write is not made this user's by a save: its
// owner could no longer write it.
TEST_F(MainFormTest, SettingsOfAnotherUserAreNotTakenOver)
{
    if (geteuid() != 0) GTEST_SKIP() << "only root may make a file of another user to try";
    const std::string settings = "[COM]\r\nCOM_port=3\r\n";
    WriteConfigText(settings);
    ASSERT_EQ(::chmod((Folder / "qrv4.cfg").c_str(), 0666), 0);
    ASSERT_EQ(::chown(Folder.c_str(), Nobody, Nobody), 0);
    AnsiString shown;
    {
        const ActingAs nobody(Nobody);
        TMainForm *form = Build();
        shown = form->StatusBarMain->SimpleText();
        form->PC_Tabs->SetActivePage(form->Sheet_Configure);
        form->ED_Dallas->SetText("555");
        bool allow = true;
        form->PC_TabsChanging(form->PC_Tabs, allow);
    }
    EXPECT_EQ(shown, StatusLine(NoWriteRight, Folder / "qrv4.cfg"));
    EXPECT_EQ(ConfigBytes(), settings);
    EXPECT_EQ(OwnerOf(Folder / "qrv4.cfg"), (Owner{0, 0}));
}

// Root running the program in a user's folder followed the links the user had put there:
// root's secret went into a copy the user could read, and root's files were written over or
// made outside the folder. The links are left alone, and the window says so.
TEST_F(MainFormTest, LinksAUserPlantedAreNotFollowedByRootsRunToFilesNotTheirs)
{
    if (geteuid() != 0) GTEST_SKIP() << "only root runs the program in another user's folder";
    const struct RootsFolder {
        std::filesystem::path Path = testsupport::FreshTestFolder("qrv4_roots_");
        ~RootsFolder() { testsupport::RemoveTestFolder(Path); }
    } rootsFolder;
    const std::filesystem::path &roots = rootsFolder.Path;
    // Settings spoilt by a NUL, which a read would keep as a copy.
    const std::string secretText = std::string("[COM]\r\nCOM_port=") + '\0' + "secret\r\n";
    std::ofstream(roots / "secret", std::ios::binary) << secretText;
    std::ofstream(roots / "widths") << "root's\n";
    ASSERT_EQ(::chmod((roots / "secret").c_str(), 0600), 0);
    ASSERT_EQ(::chown(Folder.c_str(), Nobody, Nobody), 0);
    const std::pair<const char *, std::filesystem::path> planted[] = {
        {"qrv4.cfg", roots / "secret"},
        {"grid_writer.txt", roots / "widths"},
        {"grid_archive.txt", roots / "made.txt"}};
    for (const auto &[name, target] : planted) {
        std::filesystem::create_symlink(target, Folder / name);
        ASSERT_EQ(::lchown((Folder / name).c_str(), Nobody, Nobody), 0);
    }
    const AnsiString Foreign = "Файл оставлен без изменений: ссылка ведёт к чужому файлу:"_a;
    ScriptedMessages messages;
    TMainForm *form = Build();
    form->FormActivate(form);
    EXPECT_EQ(form->StatusBarMain->SimpleText(),
              StatusLine(Foreign, Folder / "qrv4.cfg") + ", " +
                  rtl::FromSystemPath((Folder / "grid_writer.txt").string()))
        << form->StatusBarMain->SimpleText().ToUtf8();
    EXPECT_EQ(form->StatusBarMain->Color(), clRed);
    messages.Dialogs.ReplyMessage(mrOk);
    form->Close();
    Form.reset();
    ASSERT_EQ(messages.Dialogs.Messages().size(), 1u);
    EXPECT_EQ(messages.Dialogs.Messages()[0].Text,
              Foreign + "\n" + rtl::FromSystemPath((Folder / "qrv4.cfg").string()))
        << "the settings kept from the user at the end are told why";
    std::ifstream secret(roots / "secret", std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(secret), {}), secretText);
    EXPECT_EQ(OwnerOf(roots / "secret"), (Owner{0, 0}));
    std::ifstream widths(roots / "widths");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(widths), {}), "root's\n");
    EXPECT_FALSE(std::filesystem::exists(roots / "made.txt"));
    EXPECT_FALSE(std::filesystem::exists(Folder / "qrv4.cfg.bad"));
    for (const auto &[name, target] : planted)
        EXPECT_EQ(std::filesystem::read_symlink(Folder / name), target) << name;
}

// A user renamed the folder the program ran in and put a link to another folder in its place:
// the close wrote the settings and layouts in that folder and took its debug file away.
TEST_F(MainFormTest, TheCloseKeepsItsFilesInTheFolderTheProgramStartedIn)
{
    namespace fs = std::filesystem;
    const fs::path moved = Folder.string() + "_moved", other = Folder.string() + "_other";
    const struct PutBack {
        const fs::path &Folder, &Moved, &Other;
        ~PutBack()
        {
            std::error_code ignored;
            if (fs::is_symlink(Folder, ignored)) fs::remove(Folder, ignored);
            if (fs::exists(Moved, ignored)) fs::rename(Moved, Folder, ignored);
            testsupport::RemoveTestFolder(Other);
        }
    } putBack{Folder, moved, other};
    fs::create_directory(other);
    const char *others[] = {"grid_writer.txt", "qrv4.cfg", "qrv4_debug_session.txt"};
    for (const char *name : others)
        std::ofstream(other / name) << "other's\n";
    TMainForm *form = Build();
    form->FormActivate(form);
    WriteFile("qrv4_debug_session.txt", "debug\n");
    fs::rename(Folder, moved);
    fs::create_symlink(other, Folder);
    form->Close();
    Form.reset();

    std::vector<std::string> names;
    for (const fs::directory_entry &entry : fs::directory_iterator(other))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, std::vector<std::string>(std::begin(others), std::end(others)));
    for (const char *name : others) {
        std::ifstream in(other / name);
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "other's\n") << name;
    }
    for (const char *name : {"qrv4.cfg", "grid_archive.txt", "grid_writer.txt"})
        EXPECT_TRUE(fs::is_regular_file(moved / name)) << name;
    EXPECT_FALSE(fs::exists(moved / "qrv4_debug_session.txt"));
    std::ifstream settings(moved / "qrv4.cfg");
    EXPECT_NE(std::string(std::istreambuf_iterator<char>(settings), {}).find("[COORD]"),
              std::string::npos);
}

// Every Linux editor saves UTF-8: the seller showed as a jumble and was saved back so.
TEST_F(MainFormTest, SettingsSavedInUtf8ShowAsWrittenAndAreSavedBackInCp1251)
{
    WriteConfigText("[COMPANY]\r\nSellerName=ИП Сидоров\r\n"
                    "[PRODUCT]\r\nProductName=Ключ «Даллас»\r\n");
    TMainForm *form = Build();
    EXPECT_EQ(form->ED_SellerName->Text(), "ИП Сидоров"_a);
    EXPECT_EQ(form->ED_ProductName->Text(), "Ключ «Даллас»"_a);
    EXPECT_EQ(form->StatusBarMain->SimpleText(), "") << "a file in UTF-8 is no spoilt one";
    form->Close();
    EXPECT_NE(ConfigBytes().find("SellerName=" + ("ИП Сидоров"_a).ToStd() + "\r\n"),
              std::string::npos);
    EXPECT_NE(ConfigBytes().find("ProductName=" + ("Ключ «Даллас»"_a).ToStd() + "\r\n"),
              std::string::npos);
    EXPECT_EQ(ConfigBytes().find("Сидоров"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(Folder / "qrv4.cfg.bad"));
}

// The save after a spoilt file put sound settings in its place, and what the user had in it
// was gone; a character the code page lacks goes the same way.
TEST_F(MainFormTest, SpoiltSettingsAreKeptAsACopyBeforeTheSaveReplacesThem)
{
    const std::string spoilt[] = {std::string("[COM]\r\nCOM_port=\0\0\0\r\nnote\r\n", 26),
                                  "[COMPANY]\r\nSellerName=ООО Ли 李\r\n"};
    for (const std::string &bytes : spoilt) {
        WriteConfigText(bytes);
        TMainForm *form = Build();
        EXPECT_EQ(form->StatusBarMain->SimpleText(),
                  StatusLine("Файл настроек повреждён, часть настроек взята по умолчанию:"_a,
                             Folder / "qrv4.cfg"));
        form->Close();
        EXPECT_EQ(FileText("qrv4.cfg.bad"), bytes);
        EXPECT_NE(ConfigBytes(), bytes);
        Form.reset();
        EXPECT_EQ(Build()->StatusBarMain->SimpleText(), "") << "the saved file is sound";
        EXPECT_EQ(FileText("qrv4.cfg.bad"), bytes) << "and the copy stays";
        Form.reset();
        std::filesystem::remove(Folder / "qrv4.cfg.bad");
    }
}

// The copy of spoilt settings only their owner could read was made for every user to read.
TEST_F(MainFormTest, TheCopyOfSpoiltSettingsIsReadByNoMoreUsersThanTheSettings)
{
    WriteConfigText("[COM]\r\nnote\r\n");
    ASSERT_EQ(::chmod((Folder / "qrv4.cfg").c_str(), 0600), 0);
    Build()->Close();
    struct stat copy {
    };
    ASSERT_EQ(::stat((Folder / "qrv4.cfg.bad").c_str(), &copy), 0);
    EXPECT_EQ(copy.st_mode & 0777, 0600u);
    EXPECT_EQ(FileText("qrv4.cfg.bad"), "[COM]\r\nnote\r\n");
}

// The settings file a link to a file not there yet: the save made a file of its own in the
// link's place, and the file the link names never got the settings.
TEST_F(MainFormTest, SettingsAreWrittenThroughALinkToAFileNotThereYet)
{
    std::filesystem::create_directory(Folder / "kept");
    std::filesystem::create_symlink("kept/qrv4.cfg", Folder / "qrv4.cfg");
    TMainForm *form = Build();
    EXPECT_EQ(form->StatusBarMain->SimpleText(), "");
    form->PC_Tabs->SetActivePage(form->Sheet_Configure);
    form->ED_Dallas->SetText("555");
    form->Close();
    EXPECT_TRUE(std::filesystem::is_symlink(Folder / "qrv4.cfg"));
    EXPECT_NE(FileText("kept/qrv4.cfg").find("PriceDallas=555\r\n"), std::string::npos);
}

// A link to a folder that is not there, or round in a circle, names no file a save could
// write: it is refused, and the link stays.
TEST_F(MainFormTest, SettingsLinkedToNoFileAreRefusedAndTheLinkStays)
{
    const std::filesystem::path targets[] = {"gone/qrv4.cfg", "qrv4.cfg"};
    for (const std::filesystem::path &target : targets) {
        std::filesystem::create_symlink(target, Folder / "qrv4.cfg");
        TMainForm *form = Build();
        EXPECT_EQ(form->StatusBarMain->SimpleText(), StatusLine(NoWriteRight, Folder / "qrv4.cfg"))
            << target;
        EXPECT_TRUE(std::filesystem::is_symlink(Folder / "qrv4.cfg"));
        EXPECT_EQ(std::filesystem::read_symlink(Folder / "qrv4.cfg"), target);
        Form.reset();
        std::filesystem::remove(Folder / "qrv4.cfg");
    }
}

// ---- key codes through the window ----

TEST_F(MainFormTest, InvalidMetakomCodeIsReportedInRed)
{
    TMainForm *form = Build();
    AnsiString code = "00 00 00 01 05 06 0F 01";
    EXPECT_FALSE(form->NormalizeKeyCode(1, code));
    EXPECT_EQ(code, "3D 00 00 00 00 00 00 01");
    EXPECT_EQ(form->StatusBarMain->SimpleText(), "  Недопустимый код ключа для Метаком!  "_a);
    EXPECT_EQ(form->StatusBarMain->Color(), clRed);
    AnsiString good = "";
    EXPECT_TRUE(form->NormalizeKeyCode(0, good));
}

TEST_F(MainFormTest, ControlsWearTheProgramsPictures)
{
    TMainForm *form = Build();
    for (TXpButton *button :
         {form->BTN_WriterRead, form->BTN_Quit, form->BTN_OptionsSave, form->BTN_InternetUpdate})
        EXPECT_EQ(button->PngPicture()->Width(), 24) << button->Name().c_str();
    EXPECT_EQ(form->CHB_KeyHex->PngCheck()->Width(), 16);
    EXPECT_EQ(form->PIL_Tabs->Count(), 5);
    EXPECT_EQ(form->Sheet_Info->ImageIndex(), 4);
    EXPECT_EQ(form->PIL_OnLineCom->Count(), 2);
    EXPECT_EQ(form->ED_Dallas->ValidateType(), vtFloatPs);
    EXPECT_EQ(form->ED_WriterName->ValidateType(), vtCustom);
    EXPECT_FALSE(form->CHG_WriterStatus->gCheckable());
    EXPECT_FALSE(form->CHG_WriterStatus->gGradient());
}

// What the window's components hold once it is built, as a form stream or a script finds them.
TEST_F(MainFormTest, ComponentsCarryTheWindowsNamesAndStoredValues)
{
    TMainForm *form = Build();
    EXPECT_EQ(form->FindComponent("PIL_OnLineCom"), form->PIL_OnLineCom);
    TCommPort *port = form->CommPort1;
    EXPECT_EQ(port->ComNumber(), 1);
    EXPECT_TRUE(port->DTR());
    EXPECT_TRUE(port->RTS());
    EXPECT_EQ(port->XoffLim(), 8);
    EXPECT_EQ(port->XonChar(), 17);
    EXPECT_EQ(port->XoffChar(), 19);
    EXPECT_EQ(port->Baud(), 9600);
    EXPECT_EQ(port->DataBits(), 8);
    EXPECT_FALSE(port->Open());
    for (TWinControl *control : std::initializer_list<TWinControl *>{
             form->PC_Tabs, form->Sheet_Archive, form->Sheet_Writer, form->Sheet_Configure,
             form->Sheet_Info, form->SG_Archive, form->SG_Writer})
        EXPECT_TRUE(control->DoubleBuffered()) << control->Name().c_str();
}

TEST_F(MainFormTest, TheKeyCodeEditorKeepsItsCheckByte)
{
    TMainForm *form = Build();
    EXPECT_EQ(form->ME_KeyHex->EditMask(), "XX-HH-HH-HH-HH-HH-HH-HH");
    EXPECT_FALSE(form->ME_KeyHex->Visible());
    form->ME_KeyHex->SetText("00A0000000000000");
    EXPECT_EQ(form->ME_KeyHex->Text(), "AFA0000000000000");
}
