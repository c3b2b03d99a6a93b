#include "toolchain_folder.h"

#include <QCoreApplication>

namespace ToolchainFolder {

QString applicationDirectory()
{
    return QCoreApplication::applicationDirPath();
}

QString dataPicturePath(const QString &appDir, int digit)
{
    return appDir + QStringLiteral("/esptool/data/%1.jpg").arg(digit);
}

QString customPicturePath(const QString &appDir, int digit)
{
    return appDir + QStringLiteral("/img/%1.jpg").arg(digit);
}

QString builderScriptPath(const QString &appDir)
{
    return appDir + QStringLiteral("/esptool/mkspiffs.bat");
}

QString uploadScriptPath(const QString &appDir)
{
    return appDir + QStringLiteral("/esptool/esptool.bat");
}

QString builderLogPath(const QString &appDir)
{
    return appDir + QStringLiteral("/esptool/mkspiffs.log");
}

QString uploadLogPath(const QString &appDir)
{
    return appDir + QStringLiteral("/esptool/esptool.log");
}

} // namespace ToolchainFolder
