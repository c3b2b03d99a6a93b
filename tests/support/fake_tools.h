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

// A fake image builder named mkspiffs: records its arguments in mkspiffs.args and the data
// folder's files in mkspiffs.data, adds "built" to order.log, writes "image\n" as the image (its
// last argument) and exits with the number in mkspiffs.status, 0 without one.
void installBuilder();

// A fake esptool that answers as esptool does: read_mac prints the MAC of clockName, read_flash
// writes the asked number of 0xFF bytes. Any other command records its arguments in
// esptool.args, adds "uploaded" to order.log and exits with the number in esptool.status.
void installEsptool();

// Replaces a shipped script with a POSIX one that runs `body` in the script's folder, after a
// port line.
void replaceScript(const QString &name, const QByteArray &body);

// For SerialPorts::setEnumerator(): one USB serial port, ttyUSB0.
QList<SerialPorts::Port> onePort();

// What the fakes and the upload script's copy of the clock leave below the program folder.
QStringList records();

} // namespace FakeTools

#endif // TESTS_FAKE_TOOLS_H
