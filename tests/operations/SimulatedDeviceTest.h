#pragma once
// A main window whose configured COM port is a simulated device, with scripted
// answers for its dialogs and message boxes.

#include "link/main_form.h"
#include "platform/rtl/Registry.h"
#include "platform/win/CommPorts.h"
#include "tests/link/MainFormTestSupport.h"
#include "tools/devsim/Simulator.h"

#include <cstdlib>
#include <fstream>
#include <random>

namespace optest
{

constexpr int SimulatedCom = 251;
// Long enough for any exchange to end on a loaded machine, time-outs included.
constexpr int ExchangeWait = 30000;

class SimulatedDeviceTest : public maintest::MainFormTest
{
protected:
    void SetUp() override
    {
        MainFormTest::SetUp();
        setenv("QRV4_PORTS", (Folder / "ports").c_str(), 1);
        // The system's own list, which the port folder's links join.
        rtl::RegisterMachineKey("HARDWARE\\DEVICEMAP\\SERIALCOMM", [] {
            std::vector<rtl::RegistryValue> values;
            for (const auto &value : win::SerialCommValues())
                values.push_back(
                    rtl::RegistryValue::String(value.Name.c_str(), value.Data.c_str()));
            return values;
        });
        Sim = std::make_unique<devsim::TSimulator>();
        Sim->Expose(SimulatedCom);
        WriteConfigText("[COM]\r\nCOM_port=251\r\nCOM_speed=9600\r\n");
        FPreviousDialogs = vcl::SetDialogService(&Dialogs);
        Build();
    }

    void TearDown() override
    {
        Form.reset();
        Sim.reset();
        vcl::SetDialogService(FPreviousDialogs);
        MainFormTest::TearDown();
    }

    // Pumps until no exchange runs; whether that happened in time.
    bool WaitForIdle(int Milliseconds = ExchangeWait)
    {
        return maintest::PumpUntil([&] { return Form->RunningStep() == TExchangeStep::None; },
                                   Milliseconds);
    }

    AnsiString Status() const { return Form->StatusBarMain->SimpleText(); }
    TColor StatusColour() const { return Form->StatusBarMain->Color(); }

    std::vector<std::uint8_t> WriteBytesFile(const std::string &Name, std::size_t Size,
                                             unsigned Seed = 1) const
    {
        std::vector<std::uint8_t> bytes(Size);
        std::mt19937 random(Seed);
        for (auto &b : bytes)
            b = static_cast<std::uint8_t>(random());
        std::ofstream(Folder / Name, std::ios::binary)
            .write(reinterpret_cast<const char *>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        return bytes;
    }

    // The next file dialog picks Name in the test's folder.
    void ChooseInDialog(const std::string &Name)
    {
        const AnsiString path = AnsiString((Folder / Name).string());
        Dialogs.ReplyDialog([path](TCommonDialog &Dialog) {
            static_cast<TOpenDialog &>(Dialog).SetFileName(path);
            return true;
        });
    }

    std::vector<devsim::Bytes> FrameBytes() const
    {
        std::vector<devsim::Bytes> frames;
        for (const devsim::TFrame &f : Sim->Frames())
            frames.push_back(f.Data);
        return frames;
    }

    vcl::ScriptedDialogs Dialogs;
    std::unique_ptr<devsim::TSimulator> Sim;

private:
    vcl::DialogProvider *FPreviousDialogs = nullptr;
};

} // namespace optest
