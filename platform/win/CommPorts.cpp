#include "platform/win/CommPorts.h"

#include "platform/rtl/PortFolder.h"
#include "platform/rtl/Registry.h"

#include <algorithm>
#include <charconv>
#include <fcntl.h>
#include <map>
#include <unistd.h>

namespace win
{

namespace fs = std::filesystem;

namespace
{

struct Family {
    std::string_view Prefix;
    int FirstNumber;
    bool Usb;
};

constexpr Family Families[] = {
    {"ttyUSB", 101, true},
    {"ttyACM", 201, true},
    {"ttyS", 1, false},
};

const Family *FamilyOf(std::string_view Name, int &Index)
{
    for (const Family &f : Families) {
        if (!Name.starts_with(f.Prefix) || Name.size() == f.Prefix.size()) continue;
        const std::string_view digits = Name.substr(f.Prefix.size());
        const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), Index);
        if (ec == std::errc() && end == digits.data() + digits.size() && Index >= 0) return &f;
    }
    return nullptr;
}

// A built-in port slot with no UART behind it reports type 0. Read with one call: a machine
// lists dozens of slots, and the list is made before the window first shows.
bool UartPresent(const fs::path &Entry)
{
    const int file = open((Entry / "type").c_str(), O_RDONLY | O_CLOEXEC);
    if (file < 0) return false;
    char text[16];
    const ssize_t length = read(file, text, sizeof text);
    close(file);
    int value = 0;
    const auto [end, ec] = std::from_chars(text, text + std::max<ssize_t>(length, 0), value);
    return ec == std::errc() && value != 0;
}

std::optional<int> LinkNumber(const std::string &Name)
{
    int n = 0;
    if (!Name.starts_with("com")) return std::nullopt;
    const auto [end, ec] = std::from_chars(Name.data() + 3, Name.data() + Name.size(), n);
    if (ec != std::errc() || end != Name.data() + Name.size() || n <= 0) return std::nullopt;
    return n;
}

const bool SerialCommRegistered = (RegisterSerialCommKey(), true);

std::vector<TSerialDevice> LinkedDevices()
{
    std::vector<TSerialDevice> devices;
    std::error_code ec;
    for (const fs::directory_entry &e : fs::directory_iterator(rtl::PortFolder(), ec)) {
        const std::optional<int> n = LinkNumber(e.path().filename().string());
        std::error_code gone;
        const fs::path target = fs::canonical(e.path(), gone);
        if (!n || gone) continue; // a dangling link names a device that has vanished
        devices.push_back({*n, e.path(), IsUsbSerialName(target.filename().string())});
    }
    return devices;
}

} // namespace

int FixedComNumber(std::string_view DeviceName)
{
    int index = 0;
    const Family *f = FamilyOf(DeviceName, index);
    return f ? f->FirstNumber + index : 0;
}

bool IsUsbSerialName(std::string_view DeviceName)
{
    int index = 0;
    const Family *f = FamilyOf(DeviceName, index);
    return f && f->Usb;
}

std::vector<TSerialDevice> MachineSerialDevices(const fs::path &SysClassTty)
{
    std::vector<TSerialDevice> devices;
    std::error_code ec;
    for (const fs::directory_entry &e : fs::directory_iterator(SysClassTty, ec)) {
        const std::string name = e.path().filename().string();
        int index = 0;
        const Family *f = FamilyOf(name, index);
        if (!f || (!f->Usb && !UartPresent(e.path()))) continue;
        devices.push_back({f->FirstNumber + index, fs::path("/dev") / name, f->Usb});
    }
    return devices;
}

std::vector<TSerialDevice> SerialDevices()
{
    std::map<int, TSerialDevice> byNumber;
    for (TSerialDevice &d : MachineSerialDevices())
        byNumber[d.ComNumber] = std::move(d);
    for (TSerialDevice &d : LinkedDevices())
        byNumber[d.ComNumber] = std::move(d);
    std::vector<TSerialDevice> devices;
    for (auto &[n, d] : byNumber)
        devices.push_back(std::move(d));
    return devices;
}

std::optional<fs::path> ComPortPath(int ComNumber)
{
    const fs::path link = rtl::PortLink(ComNumber);
    std::error_code ec;
    if (fs::is_symlink(link, ec) || fs::exists(link, ec)) return link;
    for (const TSerialDevice &d : MachineSerialDevices())
        if (d.ComNumber == ComNumber) return d.Path;
    return std::nullopt;
}

std::vector<TSerialCommValue> SerialCommValues()
{
    std::vector<TSerialCommValue> values;
    int serial = 0, usb = 0;
    for (const TSerialDevice &d : SerialDevices()) {
        const std::string name = d.Usb ? "\\Device\\VCP" + std::to_string(usb++)
                                       : "\\Device\\Serial" + std::to_string(serial++);
        values.push_back({name, "COM" + std::to_string(d.ComNumber)});
    }
    return values;
}

// The machine's key lists the ports as they are at each reading, so plugging an adapter in
// or pulling it out shows at the next look.
void RegisterSerialCommKey()
{
    rtl::RegisterMachineKey("HARDWARE\\DEVICEMAP\\SERIALCOMM", [] {
        std::vector<rtl::RegistryValue> values;
        for (const TSerialCommValue &v : SerialCommValues())
            values.push_back(rtl::RegistryValue::String(v.Name.c_str(), v.Data.c_str()));
        return values;
    });
}

} // namespace win
