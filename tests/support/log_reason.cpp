// Prints what the program's bar says of a finished script's log, so that the script tests can
// follow an esptool failure from the script's log to the bar on each system.
//
// Usage: log_reason LOG posix|windows

#include <QCoreApplication>
#include <QFile>
#include <QTextStream>

#include "script_result.h"

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    QFile log(args.value(1));
    if (args.size() != 3 || !log.open(QIODevice::ReadOnly)) {
        QTextStream(stderr) << "usage: log_reason LOG posix|windows\n";
        return 2;
    }
    const EsptoolWords::System system = args.at(2) == QLatin1String("windows")
            ? EsptoolWords::System::Windows
            : EsptoolWords::System::Posix;
    QTextStream out(stdout);
    out.setCodec("UTF-8");
    out << ScriptResult::reason(log.readAll(), system) << '\n';
    return 0;
}
