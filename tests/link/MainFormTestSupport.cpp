#include "tests/link/MainFormTestSupport.h"

#include "link/config.h"
#include "link/constants.h"
#include "platform/rtl/FileAccess.h"
#include "tests/support/TestFolder.h"
#include "tests/vcl/VclTestSupport.h"
#include "tools/devsim/Archive.h"
#include "tools/devsim/Simulator.h"

#include <chrono>
#include <fstream>
#include <iterator>
#include <unistd.h>

namespace maintest
{

void PumpFor(int Milliseconds)
{
    vcltest::PumpFor(Milliseconds);
}

bool PumpUntil(const std::function<bool()> &Done, int Milliseconds)
{
    return vcltest::PumpUntil(Done, Milliseconds);
}

void ServeSampleArchive(devsim::TSimulator &Sim, unsigned Count)
{
    const auto records = devsim::SampleArchive(Count, devsim::SampleNewest());
    Sim.Edit([&](devsim::Memory &m) { devsim::WriteArchive(m, records, Count); });
}

bool ReadArchive(TMainForm &Form, int Milliseconds)
{
    Form.PC_Tabs->SetActivePage(Form.Sheet_Archive);
    Form.BTN_ReadFromArchiveClick(nullptr);
    return PumpUntil([&] { return Form.ArchivePointerStep == -1 && Form.ArchiveBlockStep == -1; },
                     Milliseconds);
}

void MainFormTest::SetUp()
{
    vcltest::StartApplication();
    Folder = testsupport::FreshTestFolder("qrv4_main_");
    FPrevious = std::filesystem::current_path();
    std::filesystem::current_path(Folder);
    TakeCurrentFolderAsBase();
}

void MainFormTest::TakeCurrentFolderAsBase()
{
    // What start-up does once, done again for this test's folder.
    Config = TConfig(ConfigFileName);
    GridArchiveFile = Config.GetBaseDir() + GridArchiveFileName;
    GridWriterFile = Config.GetBaseDir() + GridWriterFileName;
    rtl::HoldBaseFolder(rtl::SystemPath(Config.BaseDir));
}

void MainFormTest::TearDown()
{
    Form.reset();
    vcltest::Pump();
    rtl::HoldBaseFolder("");
    std::filesystem::current_path(FPrevious);
    testsupport::RemoveTestFolder(Folder);
}

TMainForm *MainFormTest::Build()
{
    Form = std::make_unique<TMainForm>(nullptr);
    return Form.get();
}

std::string MainFormTest::FileText(const std::string &Name) const
{
    std::ifstream in(Folder / Name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void MainFormTest::WriteFile(const std::string &Name, const std::string &Text) const
{
    std::ofstream(Folder / Name, std::ios::binary) << Text;
}

} // namespace maintest
