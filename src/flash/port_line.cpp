#include "port_line.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace PortLine {

namespace {

QByteArray line(const QString &port)
{
    const QString usable = isUsablePortName(port) ? port : QString();
    return QByteArrayLiteral("set com=") + usable.toLocal8Bit() + QByteArrayLiteral("\r\n");
}

} // namespace

bool isUsablePortName(const QString &port)
{
    for (const QChar c : port) {
        const bool usable = (c >= QLatin1Char('a') && c <= QLatin1Char('z'))
                || (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
                || (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('.')
                || c == QLatin1Char('_') || c == QLatin1Char('-') || c == QLatin1Char('/');
        if (!usable)
            return false;
    }
    return true;
}

QByteArray rewritten(const QByteArray &script, const QString &port)
{
    const int endOfFirstLine = script.indexOf('\n');
    const QByteArray rest = endOfFirstLine < 0 ? QByteArray() : script.mid(endOfFirstLine + 1);
    return line(port) + rest;
}

bool rewriteFile(const QString &scriptPath, const QString &port)
{
    QByteArray script;
    const QFileInfo info(scriptPath);
    if (info.exists()) {
        // A rename would replace a read-only script too; respect the user's protection instead.
        if (!info.isFile() || !info.isWritable())
            return false;
        QFile current(scriptPath);
        if (!current.open(QIODevice::ReadOnly))
            return false;
        script = current.readAll();
        if (current.error() != QFileDevice::NoError)
            return false;
    }

    QSaveFile file(scriptPath);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QByteArray updated = rewritten(script, port);
    if (file.write(updated) != updated.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

} // namespace PortLine
