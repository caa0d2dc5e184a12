// The program entry: the application with its title, the three forms in their
// order, and the message loop.

#include "link/main_form.h"
#include "operations/print_list_dialog.h"
#include "operations/print_tovcheck_dialog.h"

int main()
{
    try {
        Application->Initialize();
        Application->SetTitle("QRV-4");
        Application->CreateForm(MainForm);
        Application->CreateForm(PrintListDlg);
        Application->CreateForm(PrintTovcheckDlg);
        Application->Run();
    } catch (Exception &E) {
        Application->ShowException(E);
    } catch (...) {
        // Whatever else was thrown is shown like an exception without a message.
        Exception unknown("");
        Application->ShowException(unknown);
    }
    DoneApplication();
    return 0;
}
