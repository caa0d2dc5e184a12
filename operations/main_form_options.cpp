// The device settings tab: 38 setting bytes read one at a time into the controls,
// 19 of them written back one at a time, and the LCD colour previews.

#include "controls/PngFunctions.h"
#include "controls/PngImageList.h"
#include "link/constants.h"
#include "link/hex_text.h"
#include "link/main_form.h"
#include "platform/rtl/SysUtils.h"

namespace
{

constexpr int SwitchedOff = 245;
constexpr int OldFirmware = 0xFF;
const AnsiString Accepted = "0F";
constexpr int LastCodeIndex = 10; // the answer to address 28 in the read list
constexpr int LcdPictureWidth = 34;
constexpr int LcdPictureHeight = 26;

const char *const ContactBlankTypes[] = {"TM2004", "TM-08", "KEY-99", "TM-01", "TM-07", "UK-2007"};
// Firmware older than version 34 does not know this blank.
constexpr int NewFirmwareBlank = 3;

// How a setting byte maps to its control.
enum class TOptionKind {
    Index,        // the item at the byte's index
    Seconds,      // the item at the byte's index; written as the number it shows
    SwitchOff,    // the item showing the byte's number, or "Откл." for 245
    ColourBright, // with the next address: the LCD level "7-a/7-b" on a track bar
    ColourDark,
    Contrast, // the item showing 2 x byte - 100
};

struct TOptionControl {
    int Address;
    TOptionKind Kind;
    TComboBox *Box;
    TTrackBar *Bar;
};

AnsiString SettingFrame(const AnsiString &Operation, const AnsiString &Address,
                        const AnsiString &Value)
{
    const AnsiString body = "96" + Operation + Address + Value;
    return "A5" + body + HexChecksum(body, false);
}

AnsiString SelectedText(TComboBox *Box)
{
    return Box->ItemIndex() < 0 ? AnsiString() : Box->Items()->Strings(Box->ItemIndex());
}

// The two LEDs of the backlight, each 0..7: the first glows red, the second green.
TColor LcdColour(const AnsiString &Level)
{
    const int red = Level[1] - '0';
    const int green = Level[3] - '0';
    return RGB(red * 255 / 7, green * 255 / 7, 0);
}

// The level's colour framed in grey, written straight into the picture's rows: the window
// makes 29 of them before it first shows.
std::unique_ptr<TPNGObject> LcdColourPicture(TColor Colour)
{
    auto picture = std::make_unique<TPNGObject>(COLOR_RGB, 8, LcdPictureWidth, LcdPictureHeight);
    const auto fill = static_cast<COLORREF>(Colour), frame = static_cast<COLORREF>(clGray);
    for (int y = 0; y < LcdPictureHeight; ++y) {
        std::uint8_t *row = picture->GetScanline(y);
        for (int x = 0; x < LcdPictureWidth; ++x) {
            const bool edge =
                x == 0 || y == 0 || x == LcdPictureWidth - 1 || y == LcdPictureHeight - 1;
            const COLORREF colour = edge ? frame : fill;
            std::uint8_t *pixel = row + 3 * x;
            pixel[0] = GetBValue(colour);
            pixel[1] = GetGValue(colour);
            pixel[2] = GetRValue(colour);
        }
    }
    return picture;
}

// The settings controls, in the order the write sends them.
std::vector<TOptionControl> WritableOptions(const TMainForm &F)
{
    using K = TOptionKind;
    return {
        {0x60, K::Index, F.CB_OptionsSoundKeys, nullptr},
        {0x61, K::Index, F.CB_OptionsSoundSaveRead, nullptr},
        {0x62, K::Seconds, F.CB_OptionsLightBattTime, nullptr},
        {0x63, K::SwitchOff, F.CB_OptionsLightBattTimeOff, nullptr},
        {0x64, K::ColourBright, nullptr, F.TB_OptionsLightBattColors},
        {0x65, K::ColourDark, nullptr, F.TB_OptionsLightBattColors},
        {0x66, K::Index, F.CB_OptionsSettTypeTM, nullptr},
        {0x67, K::Index, F.CB_OptionsSettTypeRFID, nullptr},
        {0x68, K::Index, F.CB_OptionsSettSaveModeDallas, nullptr},
        {0x69, K::Index, F.CB_OptionsSettSaveModeCyfral, nullptr},
        {0x6A, K::Index, F.CB_OptionsSettSaveModeMetacom, nullptr},
        {0x6B, K::Index, F.CB_OptionsSettSaveModeProxy, nullptr},
        {0x6C, K::Index, F.CB_OptionsSettReadMode, nullptr},
        {0x6D, K::Index, F.CB_OptionsArchiveSave, nullptr},
        {0x72, K::Seconds, F.CB_OptionsLightBPTime, nullptr},
        {0x73, K::SwitchOff, F.CB_OptionsLightBPTimeOff, nullptr},
        {0x74, K::ColourBright, nullptr, F.TB_OptionsLightBPColors},
        {0x75, K::ColourDark, nullptr, F.TB_OptionsLightBPColors},
        {0xD7, K::Contrast, F.CB_OptionsContrast, nullptr},
    };
}

void DecodeOption(const TOptionControl &C, const std::array<std::uint8_t, 256> &Bytes)
{
    const int value = Bytes[C.Address];
    switch (C.Kind) {
    case TOptionKind::Index:
    case TOptionKind::Seconds:
        C.Box->SetItemIndex(value);
        break;
    case TOptionKind::SwitchOff:
        C.Box->SetItemIndex(value == SwitchedOff ? C.Box->Items()->Count() - 1
                                                 : C.Box->Items()->IndexOf(IntToStr(value)));
        break;
    case TOptionKind::ColourBright: {
        const AnsiString level = IntToStr(7 - value) + "/" + IntToStr(7 - Bytes[C.Address + 1]);
        for (int i = 0; i < LcdLevelCount; ++i)
            if (LcdColorLevels[i] == level) {
                C.Bar->SetPosition(i);
                break;
            }
        break;
    }
    case TOptionKind::ColourDark:
        break;
    case TOptionKind::Contrast: {
        const int shown = C.Box->Items()->IndexOf(IntToStr(2 * value - 100));
        C.Box->SetItemIndex(shown < 0 ? 0 : shown);
        break;
    }
    }
}

int EncodeOption(const TOptionControl &C, const std::array<std::uint8_t, 256> &Bytes)
{
    const int raw = Bytes[C.Address];
    switch (C.Kind) {
    case TOptionKind::ColourBright:
        return 7 - (LcdColorLevels[C.Bar->Position()][1] - '0');
    case TOptionKind::ColourDark:
        return 7 - (LcdColorLevels[C.Bar->Position()][3] - '0');
    default:
        break;
    }
    // A box that shows no item holds a value the lists do not know: the user changed nothing
    // there, so the device keeps its own byte rather than a stand-in, and an index of -1 never
    // turns into a frame.
    if (C.Box->ItemIndex() < 0) return raw;
    switch (C.Kind) {
    case TOptionKind::Seconds:
        return StrToIntDef(SelectedText(C.Box), 0);
    case TOptionKind::SwitchOff:
        return StrToIntDef(SelectedText(C.Box), SwitchedOff);
    case TOptionKind::Contrast:
        return StrToIntDef(SelectedText(C.Box), 75) / 2 + 50;
    default:
        return C.Box->ItemIndex();
    }
}

} // namespace

// ---- read ----

void TMainForm::BTN_OptionsReadClick(TObject *Sender)
{
    if (!BTN_OpenCOMPortClick(Sender)) {
        // The update waits for this read to learn the device's version: it ends with it.
        UpdateRunning = false;
        return;
    }
    ReadNextOption();
}

void TMainForm::ReadNextOption()
{
    SetBusy(false);
    OptionsReadStep = 0;
    ExpectedLength = 1;
    OptionsHex = "";
    LB_OptionsStatus->SetCaption("Чтение настроек..."_a);
    ShowStatusMessage("Чтение настроек..."_a, "", smNeutral);
    StartProgress(PB_OptionsStatus, OptionsReadCount);
    CHG_OptionsStatus->SetgColorHTMLEnd(ReadingPanelColour);
    SendHexCommand(SettingFrame("00", OptionsReadAddresses[0], "00"));
}

void TMainForm::OptionByteReceived(const AnsiString &Answer)
{
    ++OptionsReadStep;
    PB_OptionsStatus->StepIt();
    LB_OptionsStatus->SetCaption("Чтение настроек... "_a + IntToStr(OptionsReadStep));
    OptionsHex += Answer;
    if (OptionsReadStep < OptionsReadCount)
        SendHexCommand(SettingFrame("00", OptionsReadAddresses[OptionsReadStep], "00"));
    else
        FinishOptionsRead();
}

void TMainForm::FinishOptionsRead()
{
    OptionsReadStep = -1;
    OptionsRead = true;
    PB_OptionsStatus->StepIt();
    ResetExchange();
    SetBusy(true);
    DecodeOptions();
    ShowStatusMessage("Чтение настроек... успешно!"_a, "", smNeutral);
    if (UpdateRunning) StartInternetUpdate();
}

void TMainForm::DecodeOptions()
{
    for (int i = 0; i < OptionsReadCount; ++i)
        FOptionBytes[HexToIntDef(OptionsReadAddresses[i], 0)] =
            static_cast<std::uint8_t>(HexToIntDef(OptionsHex.SubString(2 * i + 1, 2), 0));
    const auto &bytes = FOptionBytes;

    LB_OptionsCounterRead->SetCaption(IntToStr(bytes[0x12] * 256 + bytes[0x13]));
    TShadowLabel *const counters[] = {SL_OptionsCounterSavedDallas, SL_OptionsCounterSavedMetacom,
                                      SL_OptionsCounterSavedCyfral, SL_OptionsCounterSavedProxy,
                                      SL_OptionsLimitDallas,        SL_OptionsLimitMetacom,
                                      SL_OptionsLimitCyfral,        SL_OptionsLimitProxy};
    for (int i = 0; i < 8; ++i)
        counters[i]->SetCaption(IntToStr(bytes[0x14 + i]));
    SL_OptionsLastCode->SetCaption(
        InsertSeparatorEvery(OptionsHex.SubString(2 * LastCodeIndex + 1, 16), 2, " "));

    // The blank list is made whole again first, so the blank byte picks from the
    // list this device's firmware knows, however many reads went before.
    const bool oldFirmware = bytes[0xD9] == OldFirmware;
    FillContactBlankTypes(oldFirmware);
    for (const TOptionControl &control : WritableOptions(*this))
        DecodeOption(control, bytes);
    SL_BiosVersion->SetCaption(oldFirmware ? AnsiString("< 34") : IntToStr(bytes[0xD9]));
}

void TMainForm::FillContactBlankTypes(bool OldFirmware)
{
    TStrings *items = CB_OptionsSettTypeTM->Items();
    items->Clear();
    for (const char *name : ContactBlankTypes)
        items->Add(name);
    if (OldFirmware) items->Delete(NewFirmwareBlank);
    CB_OptionsSettTypeTM->SetItemIndex(0);
}

// ---- write ----

void TMainForm::BTN_OptionsSaveClick(TObject *Sender)
{
    if (!BTN_OpenCOMPortClick(Sender)) return;
    WriteNextOption();
}

void TMainForm::WriteNextOption()
{
    SetBusy(false);
    OptionsWriteStep = 0;
    ExpectedLength = 1;
    OptionsHex = "";
    for (const TOptionControl &control : WritableOptions(*this))
        OptionsHex += IntToHex(EncodeOption(control, FOptionBytes) & 0xFF, 2);
    LB_OptionsStatus->SetCaption("Запись настроек..."_a);
    ShowStatusMessage("Запись настроек..."_a, "", smNeutral);
    StartProgress(PB_OptionsStatus, OptionsWriteCount);
    CHG_OptionsStatus->SetgColorHTMLEnd(WritingPanelColour);
    SendHexCommand(SettingFrame("01", OptionsWriteAddresses[0], OptionsHex.SubString(1, 2)));
}

void TMainForm::OptionWriteReceived(const AnsiString &Answer)
{
    ++OptionsWriteStep;
    PB_OptionsStatus->StepIt();
    LB_OptionsStatus->SetCaption("Запись настроек... "_a + IntToStr(OptionsWriteStep));
    const bool accepted = Answer == Accepted;
    if (accepted && OptionsWriteStep < OptionsWriteCount)
        SendHexCommand(SettingFrame("01", OptionsWriteAddresses[OptionsWriteStep],
                                    OptionsHex.SubString(2 * OptionsWriteStep + 1, 2)));
    else
        FinishOptionsWrite(accepted);
}

void TMainForm::FinishOptionsWrite(bool Accepted)
{
    const AnsiString failedAddress = OptionsWriteAddresses[OptionsWriteStep - 1];
    OptionsWriteStep = -1;
    PB_OptionsStatus->StepIt();
    ResetExchange();
    SetBusy(true);
    // A refused setting must not look written: the rest were never sent either.
    if (Accepted)
        ShowStatusMessage("Запись настроек... успешно!"_a, "", smNeutral);
    else
        ShowStatusMessage("Ошибка при записи настроек!"_a, "Адрес "_a + failedAddress, smError);
}

// ---- colour previews ----

void TMainForm::CreateLcdColourPictures()
{
    PIL_OptionsLightBPColors->SetWidth(LcdPictureWidth);
    PIL_OptionsLightBPColors->SetHeight(LcdPictureHeight);
    PIL_OptionsLightBPColors->SetMasked(false);
    // Added as one change: the list is rebuilt once, not once for every picture added.
    TPngImageCollectionItems *pictures = PIL_OptionsLightBPColors->PngImages();
    pictures->BeginUpdate();
    for (const AnsiString &level : LcdColorLevels)
        pictures->Add()->SetPngImage(LcdColourPicture(LcdColour(level)).get());
    pictures->EndUpdate();
}

void TMainForm::DrawLcdColour(TImage *Image, int Level)
{
    TPNGObject picture;
    CopyImageFromImageList(&picture, PIL_OptionsLightBPColors, Level);
    TCanvas *canvas = Image->Canvas();
    const TRect whole(0, 0, Image->Width(), Image->Height());
    canvas->FillRect(whole);
    DrawPNG(&picture, canvas, whole, {});
    Image->Invalidate();
}

void TMainForm::TB_OptionsLightBattColorsChange(TObject *)
{
    DrawLcdColour(IMG_OptionsLightBattColors, TB_OptionsLightBattColors->Position());
}

void TMainForm::TB_OptionsLightBPColorsChange(TObject *)
{
    DrawLcdColour(IMG_OptionsLightBPColors, TB_OptionsLightBPColors->Position());
}
