#pragma once
// The print tests: a main window on a simulated device with both print dialogs in place, the
// dialogs answered when they show, and a recorder in place of the printer.

#include "operations/print_list_dialog.h"
#include "operations/print_tovcheck_dialog.h"
#include "report/frxClass.h"
#include "report_output/frxPreviewPagesPrint.h"
#include "tests/operations/SimulatedDeviceTest.h"
#include "tests/vcl/VclTestSupport.h"

#include <algorithm>
#include <functional>
#include <memory>
#include <ostream>
#include <vector>

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

// The texts of the memos of each prepared page, as they were handed to the printer.
struct PrintedJob {
    std::vector<std::vector<AnsiString>> Pages;
    int Copies = 0;
    AnsiString Printer;

    bool OnPage(int Page, const AnsiString &Text) const
    {
        const auto &texts = Pages.at(Page);
        return std::find(texts.begin(), texts.end(), Text) != texts.end();
    }
};

// Stands in for the printer: records what each print would have put on paper.
class RecordingPrinter
{
public:
    RecordingPrinter()
    {
        frxSetPrintPagesHandler([this](TfrxPreviewPages *Pages) {
            PrintedJob job;
            job.Copies = Pages->Report()->PrintOptions()->Copies();
            job.Printer = Pages->Report()->PrintOptions()->Printer();
            for (int p = 0; p < Pages->Count(); ++p) {
                job.Pages.emplace_back();
                TList *all = Pages->GetPage(p)->GetAllObjects();
                for (int i = 0; i < all->Count(); ++i)
                    if (auto *memo = dynamic_cast<TfrxCustomMemoView *>(
                            static_cast<TObject *>(all->Items(i))))
                        job.Pages.back().push_back(AnsiString(memo->Text()).TrimRight());
            }
            Jobs.push_back(job);
            return true;
        });
    }
    ~RecordingPrinter() { frxInstallPrinting(); }
    RecordingPrinter(const RecordingPrinter &) = delete;
    RecordingPrinter &operator=(const RecordingPrinter &) = delete;

    std::vector<PrintedJob> Jobs;
};

} // namespace reporttest
