#include <QApplication>

#include "electronic_clock.h"

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    Electronic_Clock window;
    window.show();
    return application.exec();
}
