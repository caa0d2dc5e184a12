// qrv4-helpshots: pictures of the program's own window for the help pages. Run under Xvfb
// (make_pages.sh does); it shows the main window on a simulated device with a sample archive,
// visits each tab, reads the archive and the settings, and saves each tab as a PNG file in
// the folder given.

#include "link/config.h"
#include "link/constants.h"
#include "link/main_form.h"
#include "tools/devsim/Archive.h"
#include "tools/devsim/Simulator.h"

#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <unistd.h>

namespace
{

constexpr int ShotCom = 1;

void Pump(int Milliseconds)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(Milliseconds);
    while (std::chrono::steady_clock::now() < end) {
        Application->ProcessMessages();
        usleep(5000);
    }
}

bool Save(TMainForm &Form, const std::filesystem::path &File)
{
    Pump(400);
    // The client area: without a window manager nobody draws the caption.
    const TPoint origin = Form.ClientToScreen(TPoint(0, 0));
    QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(
        0, origin.X, origin.Y, Form.ClientWidth(), Form.ClientHeight());
    return shot.save(QString::fromStdString(File.string()), "PNG");
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fputs("usage: qrv4-helpshots FOLDER (under an X display)\n", stderr);
        return 2;
    }
    const std::filesystem::path out = std::filesystem::absolute(argv[1]);
    const std::filesystem::path work =
        std::filesystem::temp_directory_path() / ("qrv4_helpshots_" + std::to_string(getpid()));
    std::filesystem::create_directories(work / "ports");
    std::filesystem::create_directories(out);
    std::filesystem::current_path(work);
    setenv("QRV4_PORTS", (work / "ports").c_str(), 1);

    std::tm newest{};
    newest.tm_year = 2026 - 1900;
    newest.tm_mon = 11;
    newest.tm_mday = 7;
    newest.tm_hour = 17;
    devsim::Memory memory = devsim::Memory::Fresh();
    devsim::WriteArchive(memory, devsim::SampleArchive(120, newest), 120);
    devsim::TSimulator sim(std::move(memory));
    sim.Expose(ShotCom);

    Application->Initialize();
    Application->SetTitle("QRV-4");
    Config = TConfig(ConfigFileName);
    GridArchiveFile = Config.GetBaseDir() + GridArchiveFileName;
    GridWriterFile = Config.GetBaseDir() + GridWriterFileName;
    int status = 0;
    {
        TMainForm form(nullptr);
        form.SetLeft(0);
        form.SetTop(0);
        form.Show();
        auto shoot = [&](TTabSheet *Sheet, const char *Name) {
            form.PC_Tabs->SetActivePage(Sheet);
            if (!Save(form, out / Name)) status = 1;
        };
        shoot(form.Sheet_Writer, "tab_writer.png");
        form.PC_Tabs->SetActivePage(form.Sheet_Archive);
        form.BTN_ReadFromArchiveClick(nullptr);
        for (int i = 0; i < 400 && form.ArchiveBlockStep + form.ArchivePointerStep != -2; ++i)
            Pump(25);
        shoot(form.Sheet_Archive, "tab_archive.png");
        shoot(form.Sheet_Configure, "tab_configure.png");
        form.PC_Tabs->SetActivePage(form.Sheet_Options);
        form.BTN_OptionsRead->Click();
        Pump(3000);
        shoot(form.Sheet_Options, "tab_options.png");
    }
    std::filesystem::current_path(out);
    std::filesystem::remove_all(work);
    return status;
}
