#ifndef FLASH_SCRIPT_LAUNCHER_H
#define FLASH_SCRIPT_LAUNCHER_H

#include <functional>

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

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
// started last has ended. Each launch starts its script again, even while an earlier run goes on.
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

    // Starts the script now. Returns at once.
    void launch(const QString &scriptPath);

    // Starts the script as soon as nothing that this launcher or `earlier` launched runs any
    // more, so that its runs come one after the other. `prepare` runs right before the start.
    // Several calls while waiting give one run, of the latest call's script and preparation.
    void launchAfter(const QString &scriptPath, ScriptLauncher *earlier,
                     const std::function<void()> &prepare = {});

    // Starts any program; the flashing scripts go through launch().
    void start(const LaunchCommand &command);

    // How the latest launch has ended so far.
    Outcome outcome() const { return latestOutcome; }

    // Whether any script of this launcher is still running.
    bool isBusy() const { return !running.isEmpty(); }

signals:
    // The latest launch has ended: outcome() is Succeeded or Failed.
    void latestEnded();
    // No script of this launcher runs any more.
    void allEnded();

private:
    void onEnded(QProcess *process, Outcome outcome);
    bool mayStartPending() const;
    void startPendingWhenFree();

    QList<QProcess *> running;
    QProcess *latest = nullptr;
    Outcome latestOutcome = Outcome::NotLaunched;
    ScriptLauncher *waitingFor = nullptr;
    QString pendingScript;
    std::function<void()> pendingPreparation;
};

#endif // FLASH_SCRIPT_LAUNCHER_H
