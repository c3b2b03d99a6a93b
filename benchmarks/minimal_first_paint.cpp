// The floor of start-up: an empty main window of the clock window's size, painted once. With
// --no-opengl, Qt leaves OpenGL out on X11, as the program does.

#include <QApplication>
#include <QMainWindow>

#include <cstring>

#include "first_paint.h"

int main(int argc, char *argv[])
{
    if (argc > 1 && std::strcmp(argv[1], "--no-opengl") == 0)
        qputenv("QT_XCB_GL_INTEGRATION", "none");
    QApplication application(argc, argv);
    QMainWindow window;
    // The same size as the clock's window, so that both paint and keep as many pixels.
    window.resize(850, 740);
    return runToFirstPaint(window);
}
