#ifndef FLASH_ESPTOOL_WORDS_H
#define FLASH_ESPTOOL_WORDS_H

#include <QString>

// What esptool's messages mean for a person at the clock. The upload script only says which of
// its esptool steps failed; the reason and its remedy are read here from what esptool printed in
// that step, in one table for both systems.
namespace EsptoolWords {

// The same message means different things on the two systems: on Linux a port that cannot be
// opened for want of permission means a missing group, on Windows it means that another program
// holds the port.
enum class System { Posix, Windows };

#ifdef Q_OS_WIN
constexpr System thisSystem = System::Windows;
#else
constexpr System thisSystem = System::Posix;
#endif

// An esptool step that failed, as the upload script's result line names it: "esptool's
// <command> failed on <device> with exit status <status>: see the lines above."
struct FailedStep
{
    QString command; // read_mac, read_flash or write_flash
    QString device;  // /dev/ttyUSB0, COM3
    int exitStatus = 0;

    bool isValid() const { return !command.isEmpty(); }
};

// The step that a result line names, or an invalid one when the line says something else.
FailedStep failedStep(const QString &resultLine);

// The reason and remedy that esptool's output of one step shows, or nothing when it shows no
// message that is known here.
QString knownReason(const QString &output, const QString &device, System system = thisSystem);

// What the bar says of a failed step: the known reason, or else which step failed and where to
// read more. A step that was copying the clock's pictures says how to upload without a copy.
QString reason(const FailedStep &step, const QString &output, System system = thisSystem);

} // namespace EsptoolWords

#endif // FLASH_ESPTOOL_WORDS_H
