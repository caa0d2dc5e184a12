// What the program's start is measured against: a bare Qt window of the main window's size with
// one label.

#include <QApplication>
#include <QLabel>

int main(int argc, char **argv)
{
    QApplication application(argc, argv);
    QWidget window;
    window.resize(939, 713);
    QLabel label("QRV-4", &window);
    window.show();
    return application.exec();
}
