#include <QApplication>

#include "electronic_clock.h"
#include "start_up.h"

int main(int argc, char *argv[])
{
    StartUp::prepareApplication();
    QApplication application(argc, argv);
    const auto window = StartUp::makeProgramWindow();
    window->show();
    return application.exec();
}
