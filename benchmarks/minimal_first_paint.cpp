// The floor of start-up: an empty main window of the clock window's size, painted once.

#include <QApplication>
#include <QMainWindow>

#include "first_paint.h"

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    QMainWindow window;
    // The same size as the clock's window, so that both paint and keep as many pixels.
    window.resize(850, 740);
    return runToFirstPaint(window);
}
