#include "script_result.h"

#include <QFile>
#include <QFileInfo>
#include <QTextCodec>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace ScriptResult {

namespace {

const QByteArray marker = QByteArrayLiteral("Result: ");
const QByteArray stepMarker = QByteArrayLiteral("Running: ");
const QByteArray failureMarker = QByteArrayLiteral("esptool failed with exit status ");

// What a script wrote in the system's own 8-bit encoding. On Windows that is the console's code
// page, the OEM one, in which cmd.exe writes what it echoes.
QString fromScriptEncoding(const QByteArray &text)
{
#ifdef Q_OS_WIN
    const UINT codePage = GetOEMCP();
    const int length = MultiByteToWideChar(codePage, 0, text.constData(), text.size(), nullptr, 0);
    QString wide(length, Qt::Uninitialized);
    MultiByteToWideChar(codePage, 0, text.constData(), text.size(),
                        reinterpret_cast<wchar_t *>(wide.data()), length);
    return wide;
#else
    return QString::fromLocal8Bit(text);
#endif
}

// UTF-8 when the text is valid UTF-8, else what `fallback` makes of it.
QString decoded(const QByteArray &text, QString (*fallback)(const QByteArray &))
{
    QTextCodec::ConverterState state;
    const QString utf8
            = QTextCodec::codecForName("UTF-8")->toUnicode(text.constData(), text.size(), &state);
    return state.invalidChars == 0 ? utf8 : fallback(text);
}

// esptool, a Python program, writes UTF-8 or else the system's ANSI code page (on Windows; the
// locale's encoding elsewhere), which is what the local 8-bit encoding stands for.
QString fromToolEncoding(const QByteArray &text)
{
    return QString::fromLocal8Bit(text);
}

// The start of the last line that begins with `prefix` and starts before `before`; -1 without.
int lastLineStarting(const QByteArray &log, const QByteArray &prefix, int before)
{
    if (before <= 0)
        return -1;
    const int at = log.lastIndexOf("\n" + prefix, before - 1);
    if (at >= 0)
        return at + 1;
    return log.startsWith(prefix) ? 0 : -1;
}

} // namespace

QString resultLine(const QByteArray &log)
{
    const int start = lastLineStarting(log, marker, log.size());
    if (start < 0)
        return QString();
    const int end = log.indexOf('\n', start);
    const QByteArray line
            = log.mid(start + marker.size(), end < 0 ? -1 : end - start - marker.size());
    return decoded(line, fromScriptEncoding).trimmed();
}

QByteArray failedStepOutput(const QByteArray &log)
{
    const int failure = lastLineStarting(log, failureMarker, log.size());
    if (failure < 0)
        return QByteArray();
    const int step = lastLineStarting(log, stepMarker, failure);
    if (step < 0)
        return QByteArray();
    const int output = log.indexOf('\n', step) + 1;
    return log.mid(output, failure - output);
}

QString reason(const QByteArray &log, EsptoolWords::System system)
{
    const QString result = resultLine(log);
    const EsptoolWords::FailedStep step = EsptoolWords::failedStep(result);
    if (!step.isValid())
        return result;
    return EsptoolWords::reason(step, decoded(failedStepOutput(log), fromToolEncoding), system);
}

QByteArray logTail(const QString &logPath)
{
    // A log is one run's: the tools' output of at most three steps, far less than this. Only a
    // log that something else made that large is read in part.
    constexpr qint64 tailBytes = 1024 * 1024;
    QFile log(logPath);
    if (!log.open(QIODevice::ReadOnly))
        return QByteArray();
    if (log.size() > tailBytes)
        log.seek(log.size() - tailBytes);
    return log.readAll();
}

LogStamp LogStamp::of(const QString &logPath)
{
    const QFileInfo info(logPath);
    if (!info.isFile())
        return {};
    return {true, info.size(), info.lastModified()};
}

bool isWrittenSince(const LogStamp &before, const LogStamp &after, const QDateTime &started)
{
    if (!after.exists)
        return false;
    const bool changed
            = !before.exists || before.size != after.size || before.modified != after.modified;
    return changed && after.modified >= started.addSecs(-2);
}

} // namespace ScriptResult
