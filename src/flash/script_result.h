#ifndef FLASH_SCRIPT_RESULT_H
#define FLASH_SCRIPT_RESULT_H

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include "esptool_words.h"

// What a flashing script says of its run: the last line of its log, "Result: " and a sentence
// for a person that names the cause and the remedy. When esptool failed, the upload script names
// only the step; the reason is then read from what esptool printed in that step.
namespace ScriptResult {

// The text after the marker of the last result line of a log, or nothing when it has none. The
// line is read as UTF-8, or else in the encoding in which the system's shell writes (on Windows
// the console's code page).
QString resultLine(const QByteArray &log);

// The output of the esptool step that failed: the lines between that step's "Running: " line
// and the line "esptool failed with exit status N." that follows it. Nothing when the log holds
// no failed step.
QByteArray failedStepOutput(const QByteArray &log);

// What the bar says of a run: the result line, or for an esptool step that failed, the reason
// that the step's output shows (see EsptoolWords).
QString reason(const QByteArray &log, EsptoolWords::System system = EsptoolWords::thisSystem);

// The end of a log file, enough to hold its last lines, or nothing when it cannot be read.
QByteArray logTail(const QString &logPath);

// Enough of a log file's state to tell whether a run wrote it.
struct LogStamp
{
    bool exists = false;
    qint64 size = -1;
    QDateTime modified;

    static LogStamp of(const QString &logPath);
};

// Whether the log was written by a run that started at `started`, when it was `before` just
// then: it changed since, and no earlier than the start, within the coarsest file time stamps
// (two seconds). An old log never speaks for a new run.
bool isWrittenSince(const LogStamp &before, const LogStamp &after, const QDateTime &started);

} // namespace ScriptResult

#endif // FLASH_SCRIPT_RESULT_H
