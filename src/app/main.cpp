#include <QApplication>
#include <QIcon>

#include "electronic_clock.h"
#include "start_up.h"

int main(int argc, char *argv[])
{
    StartUp::enableHighDpiScaling();
    QApplication application(argc, argv);
    application.setWindowIcon(QIcon(QStringLiteral(":/icon/electronic_clock.png")));
    // Lets the desktop match the window to the entry that desktop/install-desktop-entry.sh writes.
    QGuiApplication::setDesktopFileName(QStringLiteral("electronic_clock"));
    Electronic_Clock window;
    window.show();
    return application.exec();
}
