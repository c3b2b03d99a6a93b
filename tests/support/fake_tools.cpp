#include "fake_tools.h"

#include "program_folder.h"
#include "toolchain_folder.h"

#include <QFile>
#include <QtTest>

namespace FakeTools {

namespace {

#ifdef Q_OS_WIN
// The stand-in tool of the Windows tests, built with them (tests/windows/fake_tool.c).
void installFakeTool(const QString &name)
{
    const QString target = ProgramFolder::esptool() + "/" + name + ".exe";
    ProgramFolder::remove(target);
    QVERIFY(QFile::copy(QString::fromUtf8(FAKE_TOOL), target));
}
#else
const QByteArray builder = R"sh(#!/bin/sh
printf '%s\n' "$@" > mkspiffs.args
ls data > mkspiffs.data
[ ! -e order.log ] || echo built >> order.log
for last; do :; done
echo image > "$last"
exit "$(cat mkspiffs.exit 2>/dev/null || echo 0)"
)sh";

const QByteArray esptool = R"sh(#!/bin/sh
case " $* " in
*" read_mac "*)
    echo "MAC: 5c:cf:7f:51:4d:01"
    exit 0 ;;
*" read_flash "*)
    while [ "$1" != read_flash ]; do shift; done
    head -c $(($3)) /dev/zero | tr '\000' '\377' > "$4"
    exit 0 ;;
esac
printf '%s\n' "$@" > esptool.args
[ ! -e order.log ] || echo uploaded >> order.log
exit "$(cat esptool.exit 2>/dev/null || echo 0)"
)sh";
#endif

} // namespace

void installBuilder()
{
#ifdef Q_OS_WIN
    installFakeTool("mkspiffs");
#else
    ProgramFolder::writeFile(ProgramFolder::esptool() + "/mkspiffs", builder, true);
#endif
}

void installEsptool()
{
#ifdef Q_OS_WIN
    installFakeTool("esptool");
#else
    ProgramFolder::writeFile(ProgramFolder::esptool() + "/esptool", esptool, true);
#endif
}

QByteArray forThisSystem(const QByteArray &posix, const QByteArray &windows)
{
#ifdef Q_OS_WIN
    Q_UNUSED(posix)
    return QByteArray(windows).replace("\r\n", "\n").replace("\n", "\r\n");
#else
    Q_UNUSED(windows)
    return posix;
#endif
}

void replaceScript(const QString &name, const QByteArray &body)
{
    // The port line first, as the upload rewrites it; then the folder change every script makes.
    // (Wine's cmd.exe runs the right side of "cd ... || exit" even when cd succeeded.)
    const QByteArray start
            = forThisSystem("set com=ttyS0\r\ncd \"$(dirname \"$0\")\" || exit 90\n",
                            "set com=COM1\ncd /d \"%~dp0\"\nif not exist \"%~nx0\" exit 90\n");
    ProgramFolder::writeFile(ProgramFolder::esptool() + "/" + name,
                             start + forThisSystem(body, body) + forThisSystem("\n", "\n"));
}

QList<SerialPorts::Port> onePort()
{
    return {{usbPort, "USB serial"}};
}

QStringList records()
{
    const QString esptool = QString(ToolchainFolder::esptoolFolderName) + "/";
    QStringList files;
    for (const char *name : {"mkspiffs.args", "mkspiffs.data", "esptool.args", "order.log"})
        files << esptool + name;
#ifdef Q_OS_WIN
    // What the Windows fake notes besides (see fake_tool.c).
    for (const char *name : {"mkspiffs", "esptool"})
        for (const char *record : {".cwd", ".calls", ".last", ".written"})
            files << esptool + name + record;
#endif
    files << esptool + QString("backup/%1.bin").arg(clockName);
    return files;
}

} // namespace FakeTools
