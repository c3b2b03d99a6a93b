#ifndef TESTS_MESSAGE_COUNT_H
#define TESTS_MESSAGE_COUNT_H

#include <QtGlobal>

// Counts every message logged while it counts, debug lines too, and passes none of them on to the
// test's own handler. One counts at a time: a message handler is a plain function, so the count
// is shared.
class MessageCount
{
    Q_DISABLE_COPY(MessageCount)

public:
    MessageCount()
        : previous(qInstallMessageHandler(count))
    {
        logged = 0;
    }
    ~MessageCount() { stop(); }

    // Stops counting, and gives back how many messages were logged.
    int stop()
    {
        if (counting)
            qInstallMessageHandler(previous);
        counting = false;
        return logged;
    }

private:
    static void count(QtMsgType, const QMessageLogContext &, const QString &) { ++logged; }

    inline static int logged = 0;
    QtMessageHandler previous;
    bool counting = true;
};

#endif // TESTS_MESSAGE_COUNT_H
