#pragma once
// A main window whose configured COM port is a simulated device, with scripted
// answers for its dialogs and message boxes.

#include "link/main_form.h"
#include "tests/link/MainFormTestSupport.h"
#include "tools/devsim/Simulator.h"
#include "tools/devsim/program/ProgramPort.h"

#include <fstream>
#include <random>
#include <string>

namespace optest
{

constexpr int SimulatedCom = 251;
// Long enough for any exchange to end on a loaded machine, time-outs included.
constexpr int ExchangeWait = 30000;

// The status line when the device on COM Com gave no answer.
inline AnsiString NoAnswerStatus(int Com)
{
    return "  Нет ответа от прибора! Установите в приборе Связь с ПК!  COM-порт "_a + IntToStr(Com);
}

// An archive record from its 32 hex digits.
inline devsim::Bytes Record(const char *HexDigits)
{
    devsim::Bytes bytes;
    for (const char *p = HexDigits; p[0] && p[1]; p += 2)
        bytes.push_back(static_cast<std::uint8_t>(std::stoi(std::string(p, 2), nullptr, 16)));
    return bytes;
}

// The archive of a newest record at 6220 and two older below it, the ring's end after them:
// a Dallas key written twice (merged into one row) and a Metakom key, newest first.
inline void ServeMergeAndWrap(devsim::TSimulator &Sim)
{
    Sim.Edit([](devsim::Memory &m) {
        m.SetArchivePointer(3);
        auto put = [&m](unsigned Address, const char *Digits) {
            devsim::Bytes record = Record(Digits);
            m.Write(Address, record.data(), record.size());
        };
        put(0x6220, "00010123456789ABCDEF235959311208");
        put(0x6210, "00010123456789ABCDEF235958311208");
        put(0x6200, "01000000000305060F01100000010109");
        put(0xFE30, "FF000000000000000000000000000000");
    });
}

class SimulatedDeviceTest : public maintest::MainFormTest
{
protected:
    // The port number and line speed the window's configuration names.
    explicit SimulatedDeviceTest(int Com = SimulatedCom, int Speed = 9600)
        : FCom(Com), FSpeed(Speed)
    {
    }

    void SetUp() override
    {
        MainFormTest::SetUp();
        Sim = std::make_unique<devsim::TSimulator>();
        devsim::ExposeToProgram(*Sim, FCom, Folder / "ports");
        WriteConfigText("[COM]\r\nCOM_port=" + std::to_string(FCom) +
                        "\r\nCOM_speed=" + std::to_string(FSpeed) + "\r\n");
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

    // The device plugged in again on the same port after it vanished, holding what it held.
    void PlugInAgain()
    {
        devsim::Memory held = Sim->Snapshot();
        Sim = std::make_unique<devsim::TSimulator>(std::move(held));
        devsim::ExposeToProgram(*Sim, FCom, Folder / "ports");
    }

    // Pumps until no exchange runs; whether that happened in time.
    bool WaitForIdle(int Milliseconds = ExchangeWait)
    {
        return maintest::PumpUntil([&] { return Form->RunningStep() == TExchangeStep::None; },
                                   Milliseconds);
    }

    AnsiString Status() const { return Form->StatusBarMain->SimpleText(); }
    AnsiString NoAnswer() const { return NoAnswerStatus(FCom); }
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
    int FCom;
    int FSpeed;
    vcl::DialogProvider *FPreviousDialogs = nullptr;
};

} // namespace optest
