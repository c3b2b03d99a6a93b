#include "fake_tools.h"

#include "program_folder.h"
#include "toolchain_folder.h"

namespace FakeTools {

namespace {

const QByteArray builder = R"sh(#!/bin/sh
printf '%s\n' "$@" > mkspiffs.args
ls data > mkspiffs.data
echo built >> order.log
for last; do :; done
echo image > "$last"
exit "$(cat mkspiffs.status 2>/dev/null || echo 0)"
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
echo uploaded >> order.log
exit "$(cat esptool.status 2>/dev/null || echo 0)"
)sh";

} // namespace

void installBuilder()
{
    ProgramFolder::writeFile(ProgramFolder::esptool() + "/mkspiffs", builder, true);
}

void installEsptool()
{
    ProgramFolder::writeFile(ProgramFolder::esptool() + "/esptool", esptool, true);
}

void replaceScript(const QString &name, const QByteArray &body)
{
    // The port line first, as the upload rewrites it; then the folder change every script makes.
    ProgramFolder::writeFile(ProgramFolder::esptool() + "/" + name,
                             "set com=ttyS0\r\ncd \"$(dirname \"$0\")\" || exit 90\n" + body
                                     + "\n");
}

QList<SerialPorts::Port> onePort()
{
    return {{"ttyUSB0", "USB serial"}};
}

QStringList records()
{
    const QString esptool = QString(ToolchainFolder::esptoolFolderName) + "/";
    QStringList files;
    for (const char *name : {"mkspiffs.args", "mkspiffs.data", "esptool.args", "order.log"})
        files << esptool + name;
    files << esptool + QString("backup/%1.bin").arg(clockName);
    return files;
}

} // namespace FakeTools
