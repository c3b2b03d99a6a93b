// How the program starts.

#include "start_up.h"

#include <QGuiApplication>

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

} // namespace StartUp
