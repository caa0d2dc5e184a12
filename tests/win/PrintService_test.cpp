// A print service that takes the connection and never answers: the printer questions come
// back, with no printer, and the window that asked keeps painting and answering the other
// threads meanwhile. A service that is simply not there changes nothing, and one that comes
// back after hanging is heard again.
//
// A question that hangs for good fails by the test's time limit (CTest's TIMEOUT).

#include "tests/support/PrintTestSupport.h"
#include "tests/win/WinTestSupport.h"

#include "platform/win/PrintService.h"
#include "platform/win/WinSpool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

using namespace printtest;
using namespace wintest;

namespace
{

// The printer names the service lists now.
std::vector<std::string> PrinterNames()
{
    DWORD Needed = 0, Count = 0;
    EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 4, nullptr, 0, &Needed, &Count);
    std::vector<BYTE> Buffer(Needed);
    std::vector<std::string> Names;
    if (Needed == 0 ||
        !EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 4, Buffer.data(), Needed, &Needed, &Count))
        return Names;
    const auto *Info = reinterpret_cast<const PRINTER_INFO_4A *>(Buffer.data());
    for (DWORD I = 0; I < Count; ++I)
        Names.emplace_back(Info[I].pPrinterName);
    return Names;
}

bool DefaultPrinterKnown()
{
    char Name[256];
    DWORD Size = sizeof Name;
    return GetDefaultPrinterA(Name, &Size);
}

using SilentService = WindowTest;

} // namespace

TEST_F(SilentService, EveryPrinterQuestionComesBackWithNoPrinter)
{
    SilentPrintService Silent;
    ASSERT_TRUE(Silent.Listening());

    EXPECT_TRUE(PrinterNames().empty());
    EXPECT_FALSE(DefaultPrinterKnown());
    HANDLE Printer{};
    char Queue[] = "Desk";
    EXPECT_FALSE(OpenPrinterA(Queue, &Printer, nullptr));
    EXPECT_EQ(Printer, nullptr);
    EXPECT_EQ(DeviceCapabilitiesA(Queue, "", DC_PAPERS, nullptr, nullptr), -1);
    EXPECT_FALSE(CreateICA(nullptr, Queue, nullptr, nullptr));
    EXPECT_FALSE(CreateDCA(nullptr, Queue, nullptr, nullptr));
    // A document to a file needs no queue and no service.
    DEVMODEA Mode{};
    Mode.dmSize = sizeof Mode;
    const HDC File = CreateDCA(nullptr, "", nullptr, &Mode);
    EXPECT_TRUE(File);
    DeleteDC(File);
}

TEST_F(SilentService, TheWindowPaintsAndAnswersOtherThreadsWhileTheServiceIsAsked)
{
    const HWND W = Keep(MakeWindow(WS_POPUP | WS_VISIBLE, 0, 0, 0, 60, 40));
    SetFocus(W);
    Pump();
    SilentPrintService Silent;
    ASSERT_TRUE(Silent.Listening());
    std::atomic<bool> Asking{false};
    std::atomic<bool> AnsweredWhileAsking{false};
    std::thread Other([&] {
        while (!Asking)
            std::this_thread::yield();
        SendMessageW(W, WM_USER + 7, 0, 0);
        AnsweredWhileAsking = Asking.load();
    });
    InvalidateRect(W, nullptr, FALSE);
    win::InjectKeyInput(win::KeyInput{true, 'A', 0x1E});
    PostMessageW(W, WM_USER + 3, 0, 0);
    PostQuitMessage(5);
    ClearLog();

    Asking = true;
    const std::vector<std::string> Names = PrinterNames();
    Asking = false;
    Other.join();

    EXPECT_TRUE(Names.empty());
    EXPECT_TRUE(AnsweredWhileAsking) << "a message sent from another thread waited for the answer";
    EXPECT_FALSE(Find(WM_PAINT).empty()) << "the window was not painted while waiting";
    // Input, posted messages and the quit wait for the program's own loop: none of its
    // handlers runs in the middle of the question.
    EXPECT_TRUE(Find(WM_KEYDOWN).empty());
    EXPECT_TRUE(Find(WM_USER + 3).empty());
    MSG M;
    EXPECT_TRUE(PeekMessageW(&M, {}, WM_KEYDOWN, WM_KEYDOWN, PM_REMOVE));
    EXPECT_TRUE(PeekMessageW(&M, {}, WM_USER + 3, WM_USER + 3, PM_REMOVE));
    EXPECT_FALSE(GetMessageW(&M, {}, 0, 0)) << "the quit was lost";
    EXPECT_EQ(M.wParam, 5u);
}

// Qt's page set-up asks the service about the queue itself, on the caller's thread: a printer
// opened while the service answered gets no dialog once it stopped answering.
TEST_F(SilentService, APrinterOpenedBeforeTheServiceFellSilentGetsNoSetUpDialog)
{
    PrivateCups Cups;
    QRV4_REQUIRE_CUPS(Cups);
    ASSERT_TRUE(Cups.AddPdfQueue("Desk")) << Cups.Log();
    HANDLE Printer{};
    char Queue[] = "Desk";
    ASSERT_TRUE(OpenPrinterA(Queue, &Printer, nullptr));
    DEVMODEA Mode{};
    {
        SilentPrintService Silent;
        ASSERT_TRUE(Silent.Listening());
        EXPECT_EQ(DocumentPropertiesA(nullptr, Printer, Queue, &Mode, nullptr,
                                      DM_IN_PROMPT | DM_OUT_BUFFER),
                  -1);
    }
    EXPECT_EQ(Mode.dmSize, 0) << "the device mode was written without a dialog";
    ClosePrinter(Printer);
}

// A job sent to the service talks to it on the caller's thread: one that stopped answering
// since the printer was chosen gets no job, and the caller hears that it failed.
TEST_F(SilentService, NoJobGoesToAServiceThatStoppedAnswering)
{
    PrivateCups Cups;
    QRV4_REQUIRE_CUPS(Cups);
    ASSERT_TRUE(Cups.AddPdfQueue("Desk")) << Cups.Log();
    ASSERT_TRUE(Cups.AddRawQueue("Hall")) << Cups.Log();
    HANDLE Raw{};
    char Hall[] = "Hall";
    ASSERT_TRUE(OpenPrinterA(Hall, &Raw, nullptr));
    const HDC Dc = CreateDCA(nullptr, "Desk", nullptr, nullptr);
    ASSERT_TRUE(Dc);
    const DOCINFOA Info{sizeof(DOCINFOA), "Чек", nullptr, nullptr, 0};
    ASSERT_GT(StartDocA(Dc, &Info), 0);
    ASSERT_GT(StartPage(Dc), 0);
    EndPage(Dc);
    {
        SilentPrintService Silent;
        ASSERT_TRUE(Silent.Listening());
        EXPECT_EQ(EndDoc(Dc), SP_ERROR);
        char Title[] = "Чек";
        DOC_INFO_1A RawInfo{Title, nullptr, nullptr};
        EXPECT_EQ(StartDocPrinterA(Raw, 1, reinterpret_cast<LPBYTE>(&RawInfo)), 0u);
    }
    DeleteDC(Dc);
    ClosePrinter(Raw);
}

TEST_F(SilentService, AServiceBackAfterHangingIsHeardAgain)
{
    {
        SilentPrintService Silent;
        ASSERT_TRUE(Silent.Listening());
        EXPECT_TRUE(PrinterNames().empty());
    }
    PrivateCups Cups;
    QRV4_REQUIRE_CUPS(Cups);
    ASSERT_TRUE(Cups.AddPdfQueue("Desk")) << Cups.Log();
    // The question left hanging ends with the connection it waited on; until then the
    // service counts as silent and nothing is asked of it.
    std::vector<std::string> Names;
    while ((Names = PrinterNames()).empty())
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(Names, std::vector<std::string>{"Desk"});
}

// A long job whose document keeps going out, as to a slow printer far away, is waited for past
// the patience for one answer; it is the silence that counts, not the length.
TEST(SlowPrintService, AQuestionTheServiceKeepsAnsweringIsWaitedForToItsEnd)
{
    // Five pieces, each a quarter of the patience apart: longer than it all in all.
    constexpr int Pieces = 5;
    const auto Gap =
        std::chrono::duration_cast<std::chrono::milliseconds>(win::PrintServicePatience) / 4;
    std::atomic<int> Sent{0};
    const bool Answered = win::AskInTime([&Sent, Gap](win::PrintErrand &Errand) {
        for (int Piece = 0; Piece < Pieces; ++Piece) {
            std::this_thread::sleep_for(Gap);
            ++Sent;
            Errand.StillAnswering();
        }
    });
    EXPECT_TRUE(Answered);
    EXPECT_EQ(Sent, Pieces);
}

TEST(NoPrintService, NoPrinterAndTheNextServiceIsAskedAtOnce)
{
    {
        const NoPrinters None;
        EXPECT_TRUE(PrinterNames().empty());
        EXPECT_FALSE(DefaultPrinterKnown());
    }
    PrivateCups Cups;
    QRV4_REQUIRE_CUPS(Cups);
    ASSERT_TRUE(Cups.AddPdfQueue("Desk")) << Cups.Log();
    ASSERT_TRUE(Cups.SetDefault("Desk")) << Cups.Log();
    EXPECT_EQ(PrinterNames(), std::vector<std::string>{"Desk"});
    EXPECT_TRUE(DefaultPrinterKnown());
}

// Where the service stands when it lists no printer: one not there is to be started, one that
// takes the connection and says nothing to be restarted, one that answers has no printer yet.
TEST(PrintServiceState, EachWayOfListingNoPrinterIsToldApart)
{
    {
        const NoPrinters None;
        EXPECT_EQ(win::PrintServiceNow(), win::PrintServiceState::NotRunning);
    }
    {
        const SilentPrintService Silent;
        ASSERT_TRUE(Silent.Listening());
        EXPECT_EQ(win::PrintServiceNow(), win::PrintServiceState::NotAnswering);
    }
    PrivateCups Cups;
    QRV4_REQUIRE_CUPS(Cups);
    EXPECT_EQ(win::PrintServiceNow(), win::PrintServiceState::Answering);
}
