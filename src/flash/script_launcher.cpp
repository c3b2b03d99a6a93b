#include "script_launcher.h"

#include <QFileInfo>
#include <QProcess>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

LaunchCommand windowsLaunchCommand(const QString &scriptPath, const QString &systemRoot)
{
    // cmd.exe from the system folder, never one found beside the program. With /s, cmd strips
    // the outer quotes and runs the quoted path as one command; /d skips AutoRun commands.
    // Backslashes by hand: QDir::toNativeSeparators() changes nothing where Windows is not.
    const QString native = QString(scriptPath).replace(QLatin1Char('/'), QLatin1Char('\\'));
    const QString quoted = QLatin1Char('"') + native + QLatin1Char('"');
    return {systemRoot + QStringLiteral("\\System32\\cmd.exe"),
            {},
            QStringLiteral("/d /s /c \"") + quoted + QLatin1Char('"')};
}

LaunchCommand launchCommandFor(const QString &scriptPath)
{
#ifdef Q_OS_WIN
    return windowsLaunchCommand(scriptPath,
                                qEnvironmentVariable("SystemRoot", QStringLiteral("C:\\Windows")));
#else
    // The scripts are POSIX sh scripts that keep the Windows names the program launches.
    return {QStringLiteral("/bin/sh"), {scriptPath}, {}};
#endif
}

ScriptLauncher::ScriptLauncher(QObject *parent)
    : QObject(parent)
{ }

namespace {

// Destroying a QProcess kills its process. Scripts that still run when their launcher goes are
// kept here instead, never destroyed, so that they run on after the program is gone.
QList<QProcess *> &letGoProcesses()
{
    static auto *processes = new QList<QProcess *>;
    return *processes;
}

} // namespace

ScriptLauncher::~ScriptLauncher()
{
    for (const Run &run : qAsConst(running)) {
        QProcess *process = run.process;
        process->disconnect(this);
        process->setParent(nullptr);
        letGoProcesses().append(process);
    }
}

void ScriptLauncher::launch(const QString &scriptPath, const QString &logPath)
{
    // A shell handed a folder ends with status 0 without running anything, so only a file is
    // started; anything else is a launch that failed.
    if (!QFileInfo(scriptPath).isFile()) {
        latest = nullptr;
        endLatest(Outcome::Failed, QString(), logPath);
        return;
    }
    start(launchCommandFor(scriptPath), logPath);
}

void ScriptLauncher::launchAfter(const QString &scriptPath, const QString &logPath,
                                 ScriptLauncher *earlier, const std::function<void()> &prepare)
{
    pendingScript = scriptPath;
    pendingLog = logPath;
    pendingPreparation = prepare;
    if (waitingFor && waitingFor != earlier)
        waitingFor->disconnect(this);
    waitingFor = earlier;
    if (mayStartPending()) {
        startPendingWhenFree();
        return;
    }
    latest = nullptr; // an earlier run ending now no longer speaks for the latest launch
    latestOutcome = Outcome::Waiting;
    if (waitingFor) {
        connect(waitingFor, &ScriptLauncher::allEnded, this, &ScriptLauncher::startPendingWhenFree,
                Qt::UniqueConnection);
    }
    connect(this, &ScriptLauncher::allEnded, this, &ScriptLauncher::startPendingWhenFree,
            Qt::UniqueConnection);
}

bool ScriptLauncher::mayStartPending() const
{
    return !pendingScript.isEmpty() && !isBusy() && !(waitingFor && waitingFor->isBusy());
}

void ScriptLauncher::startPendingWhenFree()
{
    if (!mayStartPending())
        return;
    if (waitingFor)
        waitingFor->disconnect(this);
    waitingFor = nullptr;
    disconnect(this, &ScriptLauncher::allEnded, this, &ScriptLauncher::startPendingWhenFree);
    const QString script = pendingScript;
    const QString log = pendingLog;
    const std::function<void()> prepare = pendingPreparation;
    pendingScript.clear();
    pendingLog.clear();
    pendingPreparation = nullptr;
    if (prepare)
        prepare();
    launch(script, log);
}

void ScriptLauncher::start(const LaunchCommand &command, const QString &logPath)
{
    auto *process = new QProcess(this);
    process->setProgram(command.program);
    process->setArguments(command.arguments);
#ifdef Q_OS_WIN
    process->setNativeArguments(command.nativeArguments);
    process->setCreateProcessArgumentsModifier(
            [](QProcess::CreateProcessArguments *args) { args->flags |= CREATE_NO_WINDOW; });
#endif
    // The scripts write their own logs. Nothing is read from them, so nothing may go into a pipe
    // that could fill up, nor into the program's own output.
    process->setStandardInputFile(QProcess::nullDevice());
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());

    connect(process, &QProcess::errorOccurred, this, [this, process](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            onEnded(process, Outcome::Failed);
    });
    connect(process, QOverload<int, QProcess::ExitStatus>::of(&QProcess::finished), this,
            [this, process](int exitCode, QProcess::ExitStatus status) {
                const bool ok = status == QProcess::NormalExit && exitCode == 0;
                onEnded(process, ok ? Outcome::Succeeded : Outcome::Failed);
            });

    running.append({process, logPath, ScriptResult::LogStamp::of(logPath),
                    QDateTime::currentDateTimeUtc()});
    latest = process;
    latestOutcome = Outcome::Running;
    latestResult.clear();
    latestLog.clear();
    process->start();
}

void ScriptLauncher::onEnded(QProcess *process, Outcome outcome)
{
    int index = 0;
    while (index < running.size() && running.at(index).process != process)
        ++index;
    if (index == running.size())
        return;
    const Run ended = running.takeAt(index);
    process->deleteLater();
    if (process == latest) {
        latest = nullptr;
        // Only a log that this run wrote speaks for it.
        const bool written = !ended.log.isEmpty()
                && ScriptResult::isWrittenSince(
                        ended.logBefore, ScriptResult::LogStamp::of(ended.log), ended.started);
        endLatest(outcome,
                  written ? ScriptResult::reason(ScriptResult::logTail(ended.log)) : QString(),
                  ended.log);
    }
    if (running.isEmpty())
        emit allEnded();
}

void ScriptLauncher::endLatest(Outcome outcome, const QString &result, const QString &log)
{
    latestOutcome = outcome;
    latestResult = result;
    latestLog = log;
    emit latestEnded();
}
