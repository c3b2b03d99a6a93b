#include "start_up.h"

#include <QApplication>
#include <QIcon>

#include "electronic_clock.h"

namespace StartUp {

void enableHighDpiScaling()
{
    QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling);
    QCoreApplication::setAttribute(Qt::AA_UseHighDpiPixmaps);
#if defined(Q_OS_WIN) && QT_VERSION >= QT_VERSION_CHECK(5, 14, 0)
    // 150% stays 150%. Qt 5 would round it to 200%, and the 740-pixel window would no longer fit
    // on the 1080-pixel screens where 150% is the usual setting; 125% would stay at 100% with
    // its text at 125%. Windows' settings come in steps of 25%, which scale cleanly. Elsewhere
    // Qt's rounding stays: X11 servers often report DPIs such as 100, which would scale by 1.04.
    QGuiApplication::setHighDpiScaleFactorRoundingPolicy(
            Qt::HighDpiScaleFactorRoundingPolicy::PassThrough);
#endif
}

void drawWithoutOpenGl()
{
    // Read by Qt's X11 support as it makes the first window; windows made later keep its choice.
    if (!qEnvironmentVariableIsSet("QT_XCB_GL_INTEGRATION"))
        qputenv("QT_XCB_GL_INTEGRATION", "none");
}

void prepareApplication()
{
    enableHighDpiScaling();
    drawWithoutOpenGl();
}

std::unique_ptr<Electronic_Clock> makeProgramWindow()
{
    // Lets the desktop match the window to the entry that desktop/install-desktop-entry.sh writes.
    QGuiApplication::setDesktopFileName(QStringLiteral("electronic_clock"));
    // Before the window shows, so that it has the icon from the start.
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icon/electronic_clock.png")));
    return std::make_unique<Electronic_Clock>();
}

} // namespace StartUp
