#include "program_folder.h"

#include "toolchain_folder.h"

#include <QColor>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtTest>

namespace ProgramFolder {

QString path()
{
    return ToolchainFolder::applicationDirectory();
}
QString esptool()
{
    return ToolchainFolder::esptoolFolder(path());
}
QString data()
{
    return ToolchainFolder::dataFolder(path());
}
QString custom()
{
    return ToolchainFolder::customFolder(path());
}
QString dataPicture(int digit)
{
    return ToolchainFolder::dataPicturePath(path(), digit);
}
QString customPicture(int digit)
{
    return ToolchainFolder::customPicturePath(path(), digit);
}
QString builderScript()
{
    return ToolchainFolder::builderScriptPath(path());
}
QString uploadScript()
{
    return ToolchainFolder::uploadScriptPath(path());
}
QString builderLog()
{
    return ToolchainFolder::builderLogPath(path());
}
QString uploadLog()
{
    return ToolchainFolder::uploadLogPath(path());
}

void remove(const QString &target)
{
    QFileInfo info(target);
    if (info.isDir() && !info.isSymLink())
        QDir(target).removeRecursively();
    else if ((info.exists() || info.isSymLink()) && !QFile::remove(target))
        // Windows deletes no read-only file, which a case may have left behind.
        QFile::setPermissions(target, info.permissions() | QFile::WriteOwner)
                && QFile::remove(target);
}

// Where the shipped scripts and the sample set are; an unprivileged run brings its own copies.
static QString sourceFolder(const char *variable, const char *builtIn)
{
    return qEnvironmentVariable(variable, QString::fromUtf8(builtIn));
}

void reset()
{
    const QString scripts = sourceFolder("CLOCK_TEST_SCRIPTS", TOOLCHAIN_SCRIPTS);
    const QString samples = sourceFolder("CLOCK_TEST_SAMPLES", SAMPLE_PICTURES);
    remove(esptool());
    remove(custom());
    QVERIFY(QDir().mkpath(data()));
    QVERIFY(QDir().mkpath(custom()));
    QStringList names = {ToolchainFolder::builderScriptName, ToolchainFolder::uploadScriptName};
#ifdef Q_OS_WIN
    names << ToolchainFolder::sharedScriptName;
#endif
    for (const QString &script : qAsConst(names))
        QVERIFY(QFile::copy(scripts + "/" + script, esptool() + "/" + script));
    for (int digit = 0; digit <= 9; ++digit)
        QVERIFY(QFile::copy(QString("%1/%2.jpg").arg(samples).arg(digit), customPicture(digit)));
}

void writeFile(const QString &target, const QByteArray &content, bool executable)
{
    QVERIFY(QDir().mkpath(QFileInfo(target).absolutePath()));
    QFile file(target);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(content), qint64(content.size()));
    file.close();
    if (executable)
        file.setPermissions(file.permissions() | QFile::ExeOwner | QFile::ExeGroup
                            | QFile::ExeOther);
}

QByteArray readFile(const QString &target)
{
    QFile file(target);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void fillData(const QColor &colour)
{
    QImage picture(135, 240, QImage::Format_RGB32);
    picture.fill(colour);
    for (int digit = 0; digit <= 9; ++digit)
        QVERIFY(picture.save(dataPicture(digit), "JPG", 100));
}

} // namespace ProgramFolder
