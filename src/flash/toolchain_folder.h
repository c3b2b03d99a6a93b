#ifndef FLASH_TOOLCHAIN_FOLDER_H
#define FLASH_TOOLCHAIN_FOLDER_H

#include <QString>

// Where the program finds the flashing toolchain and the user's own pictures. Every path is the
// program's own folder followed by a fixed suffix, so the program folder can be moved as a whole.
// The names are spelled here only: the program, its tests and its benchmarks all use them.
namespace ToolchainFolder {

// The names in the program folder.
constexpr char esptoolFolderName[] = "esptool"; // the flashing toolchain, beside the program
constexpr char dataFolderName[] = "data";       // in esptool/: what the image is built from
constexpr char customFolderName[] = "img";      // beside the program: the user's own digits
constexpr char builderScriptName[] = "mkspiffs.bat";
constexpr char uploadScriptName[] = "esptool.bat";
// Windows only: what both scripts call for their run's folder, log and result line, since cmd.exe
// has no include. The sh scripts need none.
constexpr char sharedScriptName[] = "common.bat";
constexpr char builderLogName[] = "mkspiffs.log";
constexpr char uploadLogName[] = "esptool.log";

// The folder of the executable, with forward slashes and no trailing separator.
QString applicationDirectory();

// "<appDir>/esptool", "<appDir>/esptool/data" and "<appDir>/img".
QString esptoolFolder(const QString &appDir);
QString dataFolder(const QString &appDir);
QString customFolder(const QString &appDir);

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
