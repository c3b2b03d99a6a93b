#ifndef TESTS_MESSAGE_COUNT_H
#define TESTS_MESSAGE_COUNT_H

#include <QtGlobal>

// Counts every message logged while it counts, debug lines too, and passes none of them on to the
// test's own handler. One counts at a time.
class MessageCount
{
public:
    MessageCount();
    ~MessageCount();
    MessageCount(const MessageCount &) = delete;
    MessageCount &operator=(const MessageCount &) = delete;

    // Stops counting, and gives back how many messages were logged.
    int stop();

private:
    QtMessageHandler previous;
    bool counting = true;
};

#endif // TESTS_MESSAGE_COUNT_H
