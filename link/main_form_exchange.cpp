// The exchange core: frames out as hex text, answers of the expected length in,
// each handed to the exchange that runs, and the answer time-out.

#include "link/config.h"
#include "link/constants.h"
#include "link/hex_text.h"
#include "link/main_form.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace
{

// What the send buffer holds; no frame of the program comes near it.
constexpr std::size_t SendBufferSize = 8192;

// The longest pause the device may make between the bytes of one answer, and how many
// byte times of silence beyond it tell that an answer has ended.
constexpr int DeviceAnswerGap = 100;
constexpr int QuietByteTimes = 4;
constexpr int BitsPerByte = 10;

} // namespace

void TMainForm::SendHexCommand(const AnsiString &Hex)
{
    std::vector<std::uint8_t> bytes = HexToBytes(Hex);
    if (bytes.size() > SendBufferSize) bytes.resize(SendBufferSize);
    // Only an answer of the expected length is taken, so the port need not tell of less.
    CommPort1->SetReceiveThreshold(static_cast<DWORD>(std::max(ExpectedLength, 0)));
    if (FLineUnsettled) {
        HoldFrame(std::move(bytes));
        return;
    }
    // A running timer keeps running: the step has its time from its first frame.
    CallbackTimer->SetEnabled(true);
    PutFrame(bytes);
}

void TMainForm::PutFrame(const std::vector<std::uint8_t> &Frame)
{
    FLastFrameSent = GetTickCount();
    CommPort1->PutBlock(Frame.data(), static_cast<DWORD>(Frame.size()));
}

void TMainForm::HoldFrame(std::vector<std::uint8_t> Frame)
{
    // After a time-out or a Stop a late answer, or the rest of one, may still be coming in;
    // frames wait, in the order they were asked for, so none of it passes for their answers.
    FHeldFrames.push_back(std::move(Frame));
    if (LineQuietTimer->Enabled()) return;
    DropLateInput();
    const int byteTimes = (QuietByteTimes * BitsPerByte * 1000 + CommPort1->Baud() - 1) /
                          std::max(CommPort1->Baud(), 1);
    LineQuietTimer->SetInterval(DeviceAnswerGap + byteTimes);
    LineQuietTimer->SetEnabled(true);
}

void TMainForm::LineQuietTimerTimer(TObject *)
{
    // Whatever came in since the last look is dropped, and the line gets another period.
    const bool quiet = DropLateInput() == 0;
    if (AbandonedAnswerDue()) return;
    // Only a quiet line is waited for now, and no longer than an answer would be.
    CallbackTimer->SetEnabled(true);
    if (quiet) SendHeldFrames();
}

void TMainForm::SendHeldFrames()
{
    LineQuietTimer->SetEnabled(false);
    FLineUnsettled = false;
    // Also what the driver holds and has not told of yet.
    CommPort1->FlushInBuffer();
    // The wait was the line's, not the device's: the step's time starts with its frames.
    CallbackTimer->SetEnabled(false);
    CallbackTimer->SetEnabled(true);
    for (const std::vector<std::uint8_t> &frame : std::exchange(FHeldFrames, {}))
        PutFrame(frame);
    // A loader pause is the device's time after the frame before it, which has only now gone.
    if (std::exchange(FLoaderPauseHeld, false)) LoaderPauseTimer->SetEnabled(true);
}

void TMainForm::AbandonAnswer(DWORD From)
{
    FLineUnsettled = true;
    // What already waits in the input ring is counted when it is dropped.
    FOwedBytes = std::max(ExpectedLength, 0);
    FOwedUntil = From + CallbackTimer->Interval();
}

bool TMainForm::AbandonedAnswerDue() const
{
    return FOwedBytes > 0 && static_cast<int>(FOwedUntil - GetTickCount()) > 0;
}

DWORD TMainForm::DropLateInput()
{
    const DWORD waiting = CommPort1->InBuffUsed();
    if (waiting == 0) return 0;
    std::vector<std::uint8_t> bytes(waiting);
    const DWORD dropped = CommPort1->GetBlock(bytes.data(), waiting);
    // A device that is still sending the answer it owed gets a whole answer time for the rest:
    // it may trickle in slower than any pause a quiet line is judged by.
    if (FOwedBytes > 0) {
        FOwedBytes -= dropped;
        FOwedUntil = GetTickCount() + CallbackTimer->Interval();
    }
    return dropped;
}

TExchangeStep TMainForm::RunningStep() const
{
    if (ArchivePointerStep == 0) return TExchangeStep::ArchivePointerFirst;
    if (ArchivePointerStep == 1) return TExchangeStep::ArchivePointer;
    if (ArchiveBlockStep != -1) return TExchangeStep::ArchiveBlock;
    if (OptionsReadStep != -1) return TExchangeStep::OptionsRead;
    if (OptionsWriteStep != -1) return TExchangeStep::OptionsWrite;
    if (WriterReadStep != -1) return TExchangeStep::WriterRead;
    if (WriterWriteStep != -1) return TExchangeStep::WriterWrite;
    if (FirmwareLoaderStep != -1) return TExchangeStep::FirmwareLoader;
    if (FirmwareBlockStep != -1) return TExchangeStep::FirmwareBlock;
    if (FontsBlockStep != -1) return TExchangeStep::FontsBlock;
    return TExchangeStep::None;
}

void TMainForm::CommPort1DataReceived(TObject *, DWORD)
{
    // Only an answer of exactly the expected length is taken; a shorter one waits
    // for the rest, a longer one is never taken and the step ends in its time-out.
    // While the line settles, what arrives is left to be counted and dropped; during a loader
    // pause it waits for the pause's end.
    if (FLineUnsettled || LoaderPauseTimer->Enabled()) return;
    DWORD count = CommPort1->InBuffUsed();
    if (static_cast<long long>(count) != ExpectedLength) return;
    std::vector<std::uint8_t> buffer(count + 1);
    DWORD taken = CommPort1->GetBlock(buffer.data(), count);
    AnswerReceived(BytesToHex(buffer.data(), static_cast<int>(taken)));
}

void TMainForm::AnswerReceived(const AnsiString &Answer)
{
    CallbackTimer->SetEnabled(false);

    if (!IsOnline) {
        // The first answer on this port: it is the one to use next time. Only the object
        // takes it; the file is written where the window saves its settings, not in the
        // middle of an exchange.
        Config.COM_port = ShownComPort(1);
        Config.COM_speed = ShownComSpeed();
        ShowOnlineIcon(1);
    }

    switch (RunningStep()) {
    case TExchangeStep::ArchivePointerFirst:
        ArchivePointerFirstReceived(Answer);
        break;
    case TExchangeStep::ArchivePointer:
        ArchivePointerReceived(Answer);
        break;
    case TExchangeStep::ArchiveBlock:
        ArchiveBlockReceived(Answer);
        break;
    case TExchangeStep::OptionsRead:
        OptionByteReceived(Answer);
        break;
    case TExchangeStep::OptionsWrite:
        OptionWriteReceived(Answer);
        break;
    case TExchangeStep::WriterRead:
        WriterCellReceived(Answer);
        break;
    case TExchangeStep::WriterWrite:
        ++WriterWriteStep;
        WriterCellWriteReceived(Answer);
        break;
    case TExchangeStep::FirmwareLoader:
        FirmwareLoaderReceived(Answer);
        break;
    case TExchangeStep::FirmwareBlock:
        FirmwareBlockReceived(Answer);
        break;
    case TExchangeStep::FontsBlock:
        FontsBlockReceived(Answer);
        break;
    case TExchangeStep::None:
        break;
    }
}

void TMainForm::ResetExchange()
{
    if (WriterReadStep != -1) EndWriterReadRows();
    if (ArchivePointerStep != -1 || ArchiveBlockStep != -1)
        ShowArchivePartial(std::max(ArchiveBlockStep, 0));
    // Bytes that came since the line became unsettled belong to the answer still owed; the
    // port's reopening would drop them uncounted. Otherwise a frame may be out unanswered.
    if (FLineUnsettled)
        DropLateInput();
    else if (CallbackTimer->Enabled())
        AbandonAnswer(FLastFrameSent);
    for (int *step : {&ArchivePointerStep, &ArchiveBlockStep, &OptionsReadStep, &OptionsWriteStep,
                      &WriterReadStep, &WriterWriteStep, &WriterWriteCell, &FirmwareLoaderStep,
                      &FirmwareBlockStep, &FontsBlockStep})
        *step = -1;
    ArchiveAddressHex = "";
    WriterAddressHex = "";
    PB_LoadBios->SetPosition(0);
    LB_LoadBios->SetCaption("");
    CallbackTimer->SetEnabled(false);
    SystemMessTimer->SetEnabled(false);
    LineQuietTimer->SetEnabled(false);
    FHeldFrames.clear();
    LoaderPauseTimer->SetEnabled(false);
    FLoaderPauseHeld = false;
    FAfterLoaderPause = nullptr;
    // What was read before the exchange ended stays, and shows.
    if (PC_Tabs->ActivePage() == Sheet_Archive) {
        FillArchiveGrid();
        UpdateArchiveCounters();
    }
    if (PC_Tabs->ActivePage() == Sheet_Writer) FillWriterGrid();
}

void TMainForm::CallbackTimerTimer(TObject *)
{
    // Unless the time ran out on frames held for a quiet line, a frame is out unanswered.
    const bool frameOut = !FLineUnsettled;
    SetBusy(true);
    ResetExchange();
    UpdateRunning = false;
    // Named, a port other than the one the user meant shows at once.
    ShowStatusMessage("Нет ответа от прибора! Установите в приборе Связь с ПК!"_a,
                      "COM-порт "_a + IntToStr(CommPort1->ComNumber()), smError);
    // A device this slow may still send the answer: it gets a whole answer time more.
    if (frameOut) AbandonAnswer(GetTickCount());
}
