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

QString decoded(const QByteArray &text)
{
    QTextCodec::ConverterState state;
    const QString utf8
            = QTextCodec::codecForName("UTF-8")->toUnicode(text.constData(), text.size(), &state);
    return state.invalidChars == 0 ? utf8 : fromScriptEncoding(text);
}

} // namespace

QString resultLine(const QByteArray &log)
{
    const int at = log.lastIndexOf("\n" + marker);
    const int start = at >= 0 ? at + 1 : (log.startsWith(marker) ? 0 : -1);
    if (start < 0)
        return QString();
    const int end = log.indexOf('\n', start);
    const QByteArray line
            = log.mid(start + marker.size(), end < 0 ? -1 : end - start - marker.size());
    return decoded(line).trimmed();
}

QByteArray logTail(const QString &logPath)
{
    // Results are short; what comes before them is the tools' output, which can be long.
    constexpr qint64 tailBytes = 16 * 1024;
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
