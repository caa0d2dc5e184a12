#pragma once
// Which device file a COM number opens. A link "comN" in the port folder (rtl::PortFolder)
// claims number N; the machine's own serial devices keep a fixed numbering:
//   /dev/ttyS<k>   -> COM<k + 1>     (built-in UARTs that exist)
//   /dev/ttyUSB<k> -> COM<101 + k>   (USB serial adapters)
//   /dev/ttyACM<k> -> COM<201 + k>   (USB modems and CDC devices)
// A link wins over the fixed number it shadows.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace win
{

struct TSerialDevice {
    int ComNumber = 0;
    std::filesystem::path Path;
    bool Usb = false; // a USB adapter rather than a built-in port
};

// The fixed COM number of a device name ("ttyUSB0" -> 101), 0 for names outside the table.
int FixedComNumber(std::string_view DeviceName);
bool IsUsbSerialName(std::string_view DeviceName);

// The machine's serial devices as sysfs lists them; a built-in port counts only when a
// UART answers there (its type is not "unknown").
std::vector<TSerialDevice>
MachineSerialDevices(const std::filesystem::path &SysClassTty = "/sys/class/tty");

// Every port with a number, links included, ordered by COM number.
std::vector<TSerialDevice> SerialDevices();

// The device file COM number n opens, if there is one.
std::optional<std::filesystem::path> ComPortPath(int ComNumber);

// The values of the registry key HARDWARE\DEVICEMAP\SERIALCOMM: "\Device\Serial<k>" or
// "\Device\VCP<k>" as the name (k counting the ports of each kind), "COM<n>" as the data.
struct TSerialCommValue {
    std::string Name;
    std::string Data;
};
std::vector<TSerialCommValue> SerialCommValues();
// Puts SerialCommValues under that key; done once at start-up.
void RegisterSerialCommKey();

} // namespace win
