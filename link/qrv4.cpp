// The program entry: the application with its title, the three forms in their
// order, and the message loop.

#include "link/config.h"
#include "link/constants.h"
#include "link/helpers.h"
#include "link/main_form.h"
#include "operations/print_list_dialog.h"
#include "operations/print_tovcheck_dialog.h"
#include "platform/rtl/FileAccess.h"

#include <csignal>

namespace
{

// Said on the terminal too: the program may have been started from one, as `make run` does.
void RefuseSecondProgram()
{
    const AnsiString text = "Программа QRV4 уже запущена в папке "_a + Config.BaseDir +
                            ".\nЗакройте её или запустите программу из другой папки."_a;
    SayOnTerminal(text);
    Application->MessageBox(text, "QRV-4", MB_OK | MB_ICONSTOP);
}

} // namespace

int main()
{
    // A file-size limit fails the write that passes it, and the save says so, instead of
    // ending the program with the user's changes.
    std::signal(SIGXFSZ, SIG_IGN);
    // The lock is taken before there is a window to tell of a link left alone; the window
    // tells of the files after it.
    rtl::FileLeftAlone = [](const std::string &Path, int Error) {
        SayOnTerminal(LeftAloneText(Error) + " " + rtl::FromSystemPath(Path));
    };
    // Every file of the program is made in the folder it started in, even when a user renames
    // the folder and puts a link in its place while it runs. A folder that cannot be held is
    // looked up by its name each time, by the same rule for links.
    rtl::HoldBaseFolder(rtl::SystemPath(Config.BaseDir));
    // Held until the forms are gone: they write the settings and the help pages when closed.
    const TBaseDirLock baseDirLock(Config);
    int status = 0;
    try {
        Application->Initialize();
        Application->SetTitle("QRV-4");
        // A logout, a closed terminal, Ctrl+C in it and the display's loss end the program
        // as Выход does, and lose nothing that a close keeps.
        Application->EndWithSession();
        if (baseDirLock.Busy()) {
            RefuseSecondProgram();
            status = 1;
        } else {
            Application->CreateForm(MainForm);
            Application->CreateForm(PrintListDlg);
            Application->CreateForm(PrintTovcheckDlg);
            Application->OnDisplayLost = [](TObject *) { MainForm->DisplayLost(); };
            Application->Run();
        }
    } catch (Exception &E) {
        Application->ShowException(E);
    } catch (...) {
        // Whatever else was thrown is shown like an exception without a message.
        Exception unknown("");
        Application->ShowException(unknown);
    }
    DoneApplication();
    return status;
}
