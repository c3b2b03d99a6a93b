#ifndef FLASH_PORT_LINE_H
#define FLASH_PORT_LINE_H

#include <QByteArray>
#include <QString>

// The upload script learns the serial port from its first line, "set com=<port>" and CR LF.
namespace PortLine {

// Whether a name can be a serial port: letters, digits, ".", "_", "-" and "/" only. The first
// line is run by a shell (sh, or cmd.exe on Windows), where anything else could run as a command.
bool isUsablePortName(const QString &port);

// The script with its first line replaced by "set com=" + port + CR LF, in the local 8-bit
// encoding, whatever the platform. A port that is not usable leaves the port empty. Every byte
// after the old first line's LF stays as it was; a script without any LF is all first line.
QByteArray rewritten(const QByteArray &script, const QString &port);

// Rewrites the first line of the script file in one step, keeping its permissions. A missing
// script is created holding just the port line. A script that cannot be written (read-only, or
// its folder is missing) is left untouched. Returns whether the new line was written.
bool rewriteFile(const QString &scriptPath, const QString &port);

} // namespace PortLine

#endif // FLASH_PORT_LINE_H
