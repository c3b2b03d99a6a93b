#include "toolchain_folder.h"

#include <QCoreApplication>

namespace ToolchainFolder {

namespace {

QString inFolder(const QString &folder, const char *name)
{
    return folder + QLatin1Char('/') + QLatin1String(name);
}

QString digitPicture(const QString &folder, int digit)
{
    return folder + QStringLiteral("/%1.jpg").arg(digit);
}

} // namespace

QString applicationDirectory()
{
    return QCoreApplication::applicationDirPath();
}

QString esptoolFolder(const QString &appDir)
{
    return inFolder(appDir, esptoolFolderName);
}

QString dataFolder(const QString &appDir)
{
    return inFolder(esptoolFolder(appDir), dataFolderName);
}

QString customFolder(const QString &appDir)
{
    return inFolder(appDir, customFolderName);
}

QString dataPicturePath(const QString &appDir, int digit)
{
    return digitPicture(dataFolder(appDir), digit);
}

QString customPicturePath(const QString &appDir, int digit)
{
    return digitPicture(customFolder(appDir), digit);
}

QString builderScriptPath(const QString &appDir)
{
    return inFolder(esptoolFolder(appDir), builderScriptName);
}

QString uploadScriptPath(const QString &appDir)
{
    return inFolder(esptoolFolder(appDir), uploadScriptName);
}

QString builderLogPath(const QString &appDir)
{
    return inFolder(esptoolFolder(appDir), builderLogName);
}

QString uploadLogPath(const QString &appDir)
{
    return inFolder(esptoolFolder(appDir), uploadLogName);
}

} // namespace ToolchainFolder
