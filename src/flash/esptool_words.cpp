#include "esptool_words.h"

#include <QRegularExpression>
#include <QStringList>
#include <QVector>

#include "toolchain_folder.h"

namespace EsptoolWords {

namespace {

enum class Cause { Permission, InUse, Missing, NoAnswer, Stopped, Lost, Refused };

// Where a meaning holds, and whether it holds only when esptool also says that it could not open
// the port.
enum class On { Both, Posix, Windows };
constexpr bool notOpened = true;
constexpr bool anyway = false;

// One meaning of esptool's words: the output holds any of `words` (any output at all when there
// are none). The first meaning that fits is the one; words are matched without regard to case,
// as cmd.exe and users read them.
struct Meaning
{
    Cause cause;
    On on;
    bool needsNotOpened;
    QStringList words;
};

// esptool 4 and 5, through pyserial, on Linux and Windows. On Linux "Could not open <port>, the
// port is busy or doesn't exist." comes first and the system's reason follows it; on Windows the
// reason stands on one line: "could not open port 'COM7': PermissionError(13, ...)". Windows
// names the call that failed when the cable is pulled.
const QVector<Meaning> &meanings()
{
    static const QVector<Meaning> table = {
            {Cause::Permission, On::Posix, notOpened, {"Errno 13", "Permission denied"}},
            {Cause::InUse,
             On::Posix,
             notOpened,
             {"Errno 11", "Errno 16", "exclusively lock", "Device or resource busy"}},
            {Cause::InUse, On::Windows, notOpened, {"PermissionError", "Access is denied"}},
            {Cause::Missing, On::Posix, notOpened, {}},
            {Cause::Missing, On::Windows, notOpened, {"FileNotFoundError"}},
            {Cause::Missing, On::Windows, anyway, {"doesn't exist"}},
            {Cause::NoAnswer, On::Both, anyway, {"No serial data received", "Failed to connect"}},
            {Cause::Stopped, On::Both, anyway, {"stopped responding"}},
            {Cause::Lost,
             On::Both,
             anyway,
             {"Input/output error", "Could not configure port", "Cannot configure port",
              "WriteFile failed", "ReadFile failed", "ClearCommError failed",
              "GetOverlappedResult failed"}},
            {Cause::Refused,
             On::Both,
             anyway,
             {"Failed to enter compressed flash mode", "Failed SPI operation"}},
    };
    return table;
}

// How esptool says that it could not open the port at all.
QStringList portNotOpenedWords(System system)
{
    if (system == System::Windows)
        return {QStringLiteral("could not open port")};
    return {QStringLiteral("could not open")};
}

QString reasonFor(Cause cause, const QString &device)
{
    switch (cause) {
    case Cause::Permission:
        return QStringLiteral("no permission for %1: add your user to the dialout group ('sudo "
                              "usermod -aG dialout $USER'), then log out and in again.")
                .arg(device);
    case Cause::InUse:
        return QStringLiteral("the port %1 is in use by another program: close it (a serial "
                              "monitor, another flashing tool) and upload again.")
                .arg(device);
    case Cause::Missing:
        return QStringLiteral("the port %1 does not exist: plug the clock in, click Refresh, "
                              "choose its port and upload again.")
                .arg(device);
    case Cause::NoAnswer:
        return QStringLiteral("the clock does not answer on %1: check that the cable carries "
                              "data and that this is the clock's port, then upload again.")
                .arg(device);
    case Cause::Stopped:
        return QStringLiteral(
                "the clock stopped answering during the upload: check the cable and upload again.");
    case Cause::Lost:
        return QStringLiteral("the connection to the clock was lost during the upload (was the "
                              "cable pulled?): plug it in again and upload again.");
    case Cause::Refused:
        return QStringLiteral("the clock refused the write to its flash: unplug it, plug it in "
                              "again and upload again.");
    }
    return QString();
}

bool holdsAny(const QString &output, const QStringList &words)
{
    for (const QString &word : words)
        if (output.contains(word, Qt::CaseInsensitive))
            return true;
    return false;
}

// The words of esptool's last "A fatal error occurred:" that has any, without a percent sign,
// which the bar would read as a place holder.
QString lastFatalError(const QString &output)
{
    const QString marker = QStringLiteral("A fatal error occurred:");
    QString fatal;
    for (const QString &line : output.split(QLatin1Char('\n'))) {
        const int at = line.indexOf(marker, 0, Qt::CaseInsensitive);
        if (at < 0)
            continue;
        QString words = line.mid(at + marker.size());
        words.replace(QLatin1Char('%'), QStringLiteral(" percent"));
        words = words.trimmed();
        if (!words.isEmpty())
            fatal = words;
    }
    return fatal;
}

// What each step of the upload script does, in the words of the result line.
QString whatFailed(const QString &command)
{
    if (command == QLatin1String("read_mac"))
        return QStringLiteral("esptool could not read the clock's MAC address");
    if (command == QLatin1String("read_flash"))
        return QStringLiteral("esptool could not read the clock's file system");
    if (command == QLatin1String("write_flash"))
        return QStringLiteral("esptool could not write the image");
    return QStringLiteral("esptool could not run ") + command;
}

// The steps before the write are those that keep a copy of the clock's pictures.
bool isCopying(const QString &command)
{
    return command == QLatin1String("read_mac") || command == QLatin1String("read_flash");
}

} // namespace

FailedStep failedStep(const QString &resultLine)
{
    static const QRegularExpression pattern(
            QStringLiteral("^esptool's (\\S+) failed on (\\S+) with exit status (-?\\d+)"));
    const QRegularExpressionMatch match = pattern.match(resultLine);
    if (!match.hasMatch())
        return {};
    return {match.captured(1), match.captured(2), match.captured(3).toInt()};
}

QString knownReason(const QString &output, const QString &device, System system)
{
    const bool portNotOpened = holdsAny(output, portNotOpenedWords(system));
    const On here = system == System::Windows ? On::Windows : On::Posix;
    for (const Meaning &meaning : meanings()) {
        if (meaning.on != On::Both && meaning.on != here)
            continue;
        if (meaning.needsNotOpened && !portNotOpened)
            continue;
        if (meaning.words.isEmpty() || holdsAny(output, meaning.words))
            return reasonFor(meaning.cause, device);
    }
    return lastFatalError(output);
}

QString reason(const FailedStep &step, const QString &output, System system)
{
    const QString known = knownReason(output, step.device, system);
    if (!known.isEmpty())
        return known;
    const QString what = whatFailed(step.command);
    if (isCopying(step.command)) {
        return QStringLiteral("no copy of the clock's pictures could be kept (%1): to upload "
                              "without one, put an empty file named no-backup into the esptool "
                              "folder.")
                .arg(what);
    }
    return QStringLiteral("%1 (esptool's exit status %2): see %3.")
            .arg(what, QString::number(step.exitStatus),
                 QLatin1String(ToolchainFolder::uploadLogName));
}

} // namespace EsptoolWords
