#include "first_paint.h"

#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "process_memory.h"

namespace {

// Sees the first paint event of the window or any of its children.
class FirstPaintFilter : public QObject
{
public:
    FirstPaintFilter(QWidget &window, std::function<bool()> afterFirstFrame)
        : window(window)
        , afterFirstFrame(std::move(afterFirstFrame))
    { }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && !seen && watched->isWidgetType()
            && static_cast<QWidget *>(watched)->window() == &window) {
            seen = true;
            // A paint event starts the frame; the frame is complete, flushed to the screen, once
            // control is back in the event loop.
            QTimer::singleShot(0, this, &FirstPaintFilter::finish);
        }
        return false;
    }

private:
    void finish()
    {
        const bool ok = !afterFirstFrame || afterFirstFrame();
        std::printf("peak-kib %lld\ncpu-ms %.3f\n", processStatusKib("VmHWM:"),
                    double(std::clock()) * 1e3 / CLOCKS_PER_SEC);
        std::fflush(stdout);
        std::_Exit(ok ? 0 : 1);
    }

    QWidget &window;
    std::function<bool()> afterFirstFrame;
    bool seen = false;
};

} // namespace

int runToFirstPaint(QWidget &window, const std::function<bool()> &afterFirstFrame)
{
    FirstPaintFilter filter(window, afterFirstFrame);
    qApp->installEventFilter(&filter);
    window.show();
    QApplication::exec();
    return 1; // the filter leaves the process; an event loop that ends means no frame was painted
}
