#include "message_count.h"

namespace {

// A message handler is a plain function, so the count lives outside the object.
int messagesLogged = 0;

void countMessage(QtMsgType, const QMessageLogContext &, const QString &)
{
    ++messagesLogged;
}

} // namespace

MessageCount::MessageCount()
{
    messagesLogged = 0;
    previous = qInstallMessageHandler(countMessage);
}

MessageCount::~MessageCount()
{
    stop();
}

int MessageCount::stop()
{
    if (counting) {
        qInstallMessageHandler(previous);
        counting = false;
    }
    return messagesLogged;
}
