// The serial port list, the port picture, opening and closing the port.

#include "link/config.h"
#include "link/constants.h"
#include "link/main_form.h"
#include "platform/rtl/Classes.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace
{

// USB adapters show up in the system's list under this device name.
const AnsiString UsbDevicePrefix = "\\Device\\VCP";

// The pictures of the port list: a serial port, a USB adapter, a port chosen that is not there.
constexpr int SerialPortImage = 0;
constexpr int UsbPortImage = 1;
constexpr int MissingPortImage = 2;

bool Listed(const std::vector<TComPortEntry> &Ports, int Number)
{
    return std::any_of(Ports.begin(), Ports.end(),
                       [Number](const TComPortEntry &E) { return E.PortNumber == Number; });
}

// Why a port did not open, in words the user can act on; the port number alone when the
// system named no reason we know.
AnsiString OpenFailureDetail(int Number, DWORD Error)
{
    AnsiString cause;
    switch (Error) {
    case ERROR_FILE_NOT_FOUND:
        cause = "нет такого порта"_a;
        break;
    case ERROR_SHARING_VIOLATION:
        cause = "порт занят другой программой"_a;
        break;
    case ERROR_ACCESS_DENIED:
        cause = "нет прав на доступ к порту"_a;
        break;
    case ERROR_NOT_SUPPORTED:
        cause = "это не последовательный порт"_a;
        break;
    default:
        break;
    }
    return cause.IsEmpty() ? IntToStr(Number) : IntToStr(Number) + " (" + cause + ")";
}

} // namespace

int TMainForm::ShownComPort(int Default) const
{
    return StrToIntDef(CB_ComPorts->Text(), Default);
}

int TMainForm::ShownComSpeed() const
{
    return StrToIntDef(CB_ComSpeeds->Text(), 9600);
}

void TMainForm::FillComPortCombo(int Chosen)
{
    CB_ComPorts->Items()->Clear();
    ComPortImages.clear();
    for (const TComPortEntry &entry : ComPortList) {
        ComPortImages.push_back(entry.DevicePrefix == UsbDevicePrefix ? UsbPortImage
                                                                      : SerialPortImage);
        CB_ComPorts->Items()->Add(IntToStr(entry.PortNumber));
    }
    // A port pulled out stays the choice: the first port of the list in its place would get
    // the frames meant for the device. It is opened, and refused by name, until it is back.
    const bool listed = Listed(ComPortList, Chosen);
    if (!listed) {
        ComPortImages.push_back(MissingPortImage);
        CB_ComPorts->Items()->Add(IntToStr(Chosen));
    }
    ShowPortKinds();
    CB_ComPorts->SetItemIndex(CB_ComPorts->Items()->IndexOf(IntToStr(Chosen)));
    if (listed && Chosen == Config.COM_port) ShowOnlineIcon(1);
    int speed = CB_ComSpeeds->Items()->IndexOf(IntToStr(Config.COM_speed));
    CB_ComSpeeds->SetItemIndex(std::max(speed, 0));
}

void TMainForm::ShowOnlineIcon(int Online)
{
    // Grey for a port that is not known to work, green once it does.
    TCanvas *canvas = IMG_OnLineCom->Canvas();
    canvas->Brush()->SetColor(clBtnFace);
    canvas->FillRect(TRect(0, 0, IMG_OnLineCom->Width(), IMG_OnLineCom->Height()));
    PIL_OnLineCom->Draw(canvas, (IMG_OnLineCom->Width() - PIL_OnLineCom->Width()) / 2,
                        (IMG_OnLineCom->Height() - PIL_OnLineCom->Height()) / 2, Online ? 1 : 0);
    IMG_OnLineCom->Invalidate();
    IsOnline = Online != 0;
}

bool TMainForm::OpenComPort(int Number, int Speed)
{
    DWORD openError = ERROR_SUCCESS;
    if (!CommPort1->Open()) {
        CommPort1->SetComNumber(Number);
        CommPort1->SetBaud(Speed);
        CommPort1->SetControl(ccNone);
        CommPort1->SetParity(paNone);
        CommPort1->SetDataBits(8);
        CommPort1->SetStopBits(sb1_0);
        CommPort1->SetDTR(true);
        CommPort1->SetRTS(true);
        CommPort1->SetOpen(true);
        openError = GetLastError();
    }
    if (!CommPort1->Open()) {
        // The picture said usable since the start or since the last answer; this port is not.
        ShowOnlineIcon(0);
        ShowStatusMessage("Не удалось открыть COM-порт ... "_a,
                          OpenFailureDetail(Number, openError), smError);
        return false;
    }
    ShowStatusMessage("COM-порт успешно открыт ... "_a, IntToStr(Number), smNeutral);
    // Whatever an earlier exchange left in either direction is dropped here; the
    // flushes purge the driver's queues along with the rings.
    CommPort1->FlushOutBuffer();
    CommPort1->FlushInBuffer();
    return true;
}

void TMainForm::CloseComPort()
{
    if (!CommPort1->Open()) return;
    CommPort1->SetOpen(false);
    ShowStatusMessage("COM-порт закрыт ... "_a, IntToStr(CommPort1->ComNumber()), smNeutral);
    ShowOnlineIcon(0);
    // Gives the driver time to let go of the device before it is opened again.
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
}

bool TMainForm::BTN_OpenCOMPortClick(TObject *)
{
    ResetExchange();
    CloseComPort();
    // A port or speed chosen since the start is not known to work yet: the picture shows so
    // until the device answers, and that answer keeps the choice for the next start.
    if (ShownComPort(1) != Config.COM_port || ShownComSpeed() != Config.COM_speed)
        ShowOnlineIcon(0);
    return OpenComPort(ShownComPort(1), ShownComSpeed());
}

void TMainForm::TMR_OnlineComPortTimer(TObject *)
{
    int shown = ShownComPort(-1);
    EnumComPorts(FPolledPorts);
    const bool present = shown != -1 && Listed(FPolledPorts, shown);
    // A chosen port shown as missing is taken again as soon as it is back, whatever else
    // came or went meanwhile.
    const bool back = present && !Listed(ComPortList, shown);
    if (FPolledPorts.size() != ComPortList.size() || back) {
        EnumComPorts(ComPortList);
        FillComPortCombo(shown == -1 ? Config.COM_port : shown);
    }
    if (shown == -1) return;
    if (!present) {
        ShowOnlineIcon(0);
        CloseComPort();
    }
}
