// Prints the command line that the program's launcher hands to Windows for a script, so that the
// Wine tests can start the scripts exactly as the program does.
//
// Usage: windows_command_line SCRIPT SYSTEMROOT   (both as Windows paths)

#include <QCoreApplication>
#include <QTextStream>

#include "script_launcher.h"

namespace {

// QProcess on Windows joins the program, quoted when it holds a blank, and the native arguments,
// and passes the result to CreateProcess with no application name.
QString processCommandLine(const LaunchCommand &command)
{
    QString program = command.program;
    if (program.contains(QLatin1Char(' ')))
        program = QLatin1Char('"') + program + QLatin1Char('"');
    return program.replace(QLatin1Char('/'), QLatin1Char('\\')) + QLatin1String("  ")
            + command.nativeArguments;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3) {
        QTextStream(stderr) << "usage: windows_command_line SCRIPT SYSTEMROOT\n";
        return 2;
    }
    const LaunchCommand command = windowsLaunchCommand(args.at(1), args.at(2));
    QTextStream out(stdout);
    out.setCodec("UTF-8");
    out << processCommandLine(command);
    return 0;
}
