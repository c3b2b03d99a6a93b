#ifndef FLASH_TOOLCHAIN_FOLDER_H
#define FLASH_TOOLCHAIN_FOLDER_H

#include <QString>

// Where the program finds the flashing toolchain and the user's own pictures. Every path is the
// program's own folder followed by a fixed suffix, so the program folder can be moved as a whole.
namespace ToolchainFolder {

// The folder of the executable, with forward slashes and no trailing separator.
QString applicationDirectory();

// "<appDir>/esptool/data/<digit>.jpg": the pictures that the image builder packs.
QString dataPicturePath(const QString &appDir, int digit);

// "<appDir>/img/<digit>.jpg": the user's own set of digits.
QString customPicturePath(const QString &appDir, int digit);

// "<appDir>/esptool/mkspiffs.bat": packs the data folder into a flash image.
QString builderScriptPath(const QString &appDir);

// "<appDir>/esptool/esptool.bat": writes the image to the clock; its first line names the port.
QString uploadScriptPath(const QString &appDir);

// "<appDir>/esptool/mkspiffs.log" and "<appDir>/esptool/esptool.log": what the two scripts say
// of their last run, ending with its result.
QString builderLogPath(const QString &appDir);
QString uploadLogPath(const QString &appDir);

} // namespace ToolchainFolder

#endif // FLASH_TOOLCHAIN_FOLDER_H
