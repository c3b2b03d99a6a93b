#ifndef TESTS_FAKE_TOOLS_H
#define TESTS_FAKE_TOOLS_H

#include <QByteArray>
#include <QString>
#include <QStringList>

#include "serial_ports.h"

// Stand-ins for the tools that the shipped scripts run, put beside the scripts in esptool/, where
// the scripts look first. Each records how it was run in files beside itself. And a stand-in for
// the system's list of serial ports.
namespace FakeTools {

// The clock that the fake esptool answers for, as the upload script names its copy.
constexpr char clockName[] = "5c-cf-7f-51-4d-01";

// The name of a USB serial port here, and the port that the upload script then hands esptool.
#ifdef Q_OS_WIN
constexpr char usbPort[] = "COM3";
constexpr char usbDevice[] = "COM3";
#else
constexpr char usbPort[] = "ttyUSB0";
constexpr char usbDevice[] = "/dev/ttyUSB0";
#endif

// A fake image builder named mkspiffs (mkspiffs.exe on Windows, the fake of fake_tool.c):
// records its arguments, one a line, in mkspiffs.args (on POSIX systems also the data folder's
// files in mkspiffs.data), adds "built" to order.log where that exists, writes a small image (its
// last argument) and exits with the number in mkspiffs.exit, 0 without one.
void installBuilder();

// A fake esptool that answers as esptool does: read_mac prints the MAC of clockName, read_flash
// writes the asked number of 0xFF bytes. Any other command records its arguments in
// esptool.args, adds "uploaded" to order.log where that exists and exits with the number in
// esptool.exit.
void installEsptool();

// Of a stand-in script's text, the one for this system: a POSIX shell's, or cmd.exe's (given
// with LF line ends, handed out with CR LF; `sleep` is a fake on the Wine tests' PATH).
QByteArray forThisSystem(const QByteArray &posix, const QByteArray &windows);

// Replaces a shipped script with one that runs `body` in the script's folder, after a port line:
// a POSIX sh script, or on Windows a batch file (`body` from forThisSystem()).
void replaceScript(const QString &name, const QByteArray &body);

// For SerialPorts::setEnumerator(): one USB serial port, usbPort.
QList<SerialPorts::Port> onePort();

// What the fakes and the upload script's copy of the clock leave below the program folder.
QStringList records();

} // namespace FakeTools

#endif // TESTS_FAKE_TOOLS_H
