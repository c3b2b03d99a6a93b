#ifndef FLASH_SCRIPT_LAUNCHER_H
#define FLASH_SCRIPT_LAUNCHER_H

#include <functional>

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include "script_result.h"

class QProcess;

// How a script is started on this platform: the program, its arguments, and on Windows the
// command line exactly as cmd.exe must see it.
struct LaunchCommand
{
    QString program;
    QStringList arguments;
    QString nativeArguments;
};

// The script's path goes over whole, as one argument in Unicode, so that a folder name with
// blanks or letters outside the local code page cannot split it or lose it.
LaunchCommand launchCommandFor(const QString &scriptPath);

// How Windows runs a batch script: through the cmd.exe of `systemRoot`. Built on every platform,
// so that the command line can be checked where Windows is not.
LaunchCommand windowsLaunchCommand(const QString &scriptPath, const QString &systemRoot);

// Starts the flashing scripts hidden, without waiting for them, and tells how the one that was
// started last has ended, with the result line of its log. Each launch starts its script again,
// even while an earlier run goes on.
class ScriptLauncher : public QObject
{
    Q_OBJECT

public:
    enum class Outcome {
        NotLaunched, // nothing was launched yet
        Waiting,     // launched after another launcher's scripts, which still run
        Running,
        Succeeded, // exited with status 0
        Failed,    // did not start, crashed, or exited with another status
    };

    explicit ScriptLauncher(QObject *parent = nullptr);
    // Scripts still running are left to run: cutting an upload off half-way would leave the
    // clock with a broken file system.
    ~ScriptLauncher() override;

    // Starts the script now, which writes `logPath`. Returns at once.
    void launch(const QString &scriptPath, const QString &logPath = QString());

    // Starts the script as soon as nothing that this launcher or `earlier` launched runs any
    // more, so that its runs come one after the other. `prepare` runs right before the start.
    // Several calls while waiting give one run, of the latest call's script and preparation.
    void launchAfter(const QString &scriptPath, const QString &logPath, ScriptLauncher *earlier,
                     const std::function<void()> &prepare = {});

    // Starts any program; the flashing scripts go through launch().
    void start(const LaunchCommand &command, const QString &logPath = QString());

    // How the latest launch has ended so far.
    Outcome outcome() const { return latestOutcome; }

    // Once the latest launch has ended: the result line of the log that it wrote, or nothing
    // when it wrote none; and that log's path.
    QString result() const { return latestResult; }
    QString logPath() const { return latestLog; }

    // Whether any script of this launcher is still running.
    bool isBusy() const { return !running.isEmpty(); }

signals:
    // The latest launch has ended: outcome() is Succeeded or Failed.
    void latestEnded();
    // No script of this launcher runs any more.
    void allEnded();

private:
    // One run of a script, and what its log was like when it started.
    struct Run
    {
        QProcess *process;
        QString log;
        ScriptResult::LogStamp logBefore;
        QDateTime started;
    };

    void onEnded(QProcess *process, Outcome outcome);
    void endLatest(Outcome outcome, const QString &result, const QString &log);
    bool mayStartPending() const;
    void startPendingWhenFree();

    QList<Run> running;
    QProcess *latest = nullptr;
    Outcome latestOutcome = Outcome::NotLaunched;
    QString latestResult;
    QString latestLog;
    ScriptLauncher *waitingFor = nullptr;
    QString pendingScript;
    QString pendingLog;
    std::function<void()> pendingPreparation;
};

#endif // FLASH_SCRIPT_LAUNCHER_H
