// The exchange core: frames out as hex text, answers of the expected length in,
// each handed to the exchange that runs, and the answer time-out.

#include "link/config.h"
#include "link/constants.h"
#include "link/hex_text.h"
#include "link/main_form.h"

#include <vector>

namespace
{

// What the send buffer holds; no frame of the program comes near it.
constexpr std::size_t SendBufferSize = 8192;

} // namespace

void TMainForm::SendHexCommand(const AnsiString &Hex)
{
    std::vector<std::uint8_t> bytes = HexToBytes(Hex);
    if (bytes.size() > SendBufferSize) bytes.resize(SendBufferSize);
    CommPort1->PutBlock(bytes.data(), static_cast<DWORD>(bytes.size()));
    // A running timer keeps running: the step has its time from its first frame.
    CallbackTimer->SetEnabled(true);
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
    // What was read before the exchange ended stays, and shows.
    if (PC_Tabs->ActivePage() == Sheet_Archive) {
        FillArchiveGrid();
        UpdateArchiveCounters();
    }
    if (PC_Tabs->ActivePage() == Sheet_Writer) FillWriterGrid();
}

void TMainForm::CallbackTimerTimer(TObject *)
{
    SetBusy(true);
    ResetExchange();
    UpdateRunning = false;
    ShowStatusMessage("Нет ответа от прибора! Установите в приборе Связь с ПК!"_a, "", smError);
}
