// Starts the program's window as main() does, and leaves after its first frame. With --scroll it
// first scrolls the style column from top to bottom, so that every style button is painted.

#include <QApplication>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollArea>
#include <QScrollBar>
#include <QSet>

#include <cstdio>

#include "electronic_clock.h"
#include "first_paint.h"
#include "start_up.h"

namespace {

// Notes which style buttons were painted.
class PaintedButtons : public QObject
{
public:
    QSet<QObject *> painted;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            painted.insert(watched);
        return false;
    }
};

// Pages down the style column as a user would, letting the event loop paint after each page.
void scrollThroughStyles(QWidget &window)
{
    QScrollBar *bar
            = window.findChild<QScrollArea *>(QStringLiteral("scrollArea"))->verticalScrollBar();
    for (int value = bar->minimum();; value += bar->pageStep()) {
        bar->setValue(qMin(value, bar->maximum()));
        QCoreApplication::processEvents();
        if (value >= bar->maximum())
            break;
    }
}

} // namespace

int main(int argc, char *argv[])
{
    // As main() does, so that start-up here costs what it costs there.
    StartUp::prepareApplication();
    QApplication application(argc, argv);
    const auto program = StartUp::makeProgramWindow();
    Electronic_Clock &window = *program;
    if (!application.arguments().contains(QStringLiteral("--scroll")))
        return runToFirstPaint(window);

    // Watched from the start: the first frame already paints the top of the column.
    const QList<QPushButton *> buttons = window.findChildren<QPushButton *>(
            QRegularExpression(QStringLiteral("^pushButtonJPG")));
    PaintedButtons watcher;
    for (QPushButton *button : buttons)
        button->installEventFilter(&watcher);
    return runToFirstPaint(window, [&] {
        scrollThroughStyles(window);
        std::printf("buttons-painted %d of %d\n", int(watcher.painted.size()), int(buttons.size()));
        return buttons.size() == 23 && watcher.painted.size() == buttons.size();
    });
}
