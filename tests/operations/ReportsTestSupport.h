#pragma once
// The print tests: a main window on a simulated device with both print dialogs in place, and
// the dialogs answered when they show.

#include "operations/print_list_dialog.h"
#include "operations/print_tovcheck_dialog.h"
#include "tests/operations/SimulatedDeviceTest.h"
#include "tests/vcl/VclTestSupport.h"

#include <functional>
#include <memory>
#include <ostream>

inline void PrintTo(const AnsiString &Text, std::ostream *Out)
{
    *Out << '"' << Text.ToUtf8() << '"';
}

namespace reporttest
{

class ReportsTest : public optest::SimulatedDeviceTest
{
protected:
    void SetUp() override
    {
        SimulatedDeviceTest::SetUp();
        FListDialog = std::make_unique<TPrintListDlg>(nullptr);
        FTovcheckDialog = std::make_unique<TPrintTovcheckDlg>(nullptr);
        PrintListDlg = FListDialog.get();
        PrintTovcheckDlg = FTovcheckDialog.get();
    }
    void TearDown() override
    {
        PrintListDlg = nullptr;
        PrintTovcheckDlg = nullptr;
        FListDialog.reset();
        FTovcheckDialog.reset();
        SimulatedDeviceTest::TearDown();
    }

    // Answers the next showing of Dialog with OK after Setup, or with Esc.
    static void AnswerWithOk(TForm *Dialog, std::function<void()> Setup = {})
    {
        Dialog->OnShow = [Dialog, Setup](TObject *) {
            if (Setup) Setup();
            vcltest::Click(static_cast<TControl *>(Dialog->FindComponent("BTN_Ok")), 10, 10);
        };
    }
    static void AnswerWithEsc(TForm *Dialog)
    {
        Dialog->OnShow = [](TObject *) { vcltest::Key(VK_ESCAPE, 27); };
    }

private:
    std::unique_ptr<TPrintListDlg> FListDialog;
    std::unique_ptr<TPrintTovcheckDlg> FTovcheckDialog;
};

} // namespace reporttest
