#include <QApplication>

#include "electronic_clock.h"
#include "start_up.h"

int main(int argc, char *argv[])
{
    StartUp::prepareApplication();
    const StartUp::FontConfigWarmUp fontConfig;
    QApplication application(argc, argv);
    StartUp::ProgramWindow program(fontConfig);
    program.window().show();
    return application.exec();
}
