// Starting the flashing scripts hidden, without waiting, and learning how they ended.

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include "fake_tools.h"
#include "program_folder.h"
#include "script_launcher.h"

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif
#ifdef Q_OS_WIN
#include <windows.h>
#endif

using FakeTools::forThisSystem;

#ifdef Q_OS_WIN
// cmd.exe reads a batch file, and writes what it echoes, in the OEM code page.
QByteArray inOemCodePage(const QString &text)
{
    const auto wide = reinterpret_cast<const wchar_t *>(text.utf16());
    const int size
            = WideCharToMultiByte(GetOEMCP(), 0, wide, text.size(), nullptr, 0, nullptr, nullptr);
    QByteArray bytes(size, '\0');
    WideCharToMultiByte(GetOEMCP(), 0, wide, text.size(), bytes.data(), size, nullptr, nullptr);
    return bytes;
}
#endif
using Outcome = ScriptLauncher::Outcome;

class TestScriptLauncher : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir folder;

    // A script in a folder whose name has a blank, brackets and letters outside any 8-bit code
    // page; `body` as from FakeTools::forThisSystem().
    QString script(const QString &name, const QByteArray &body)
    {
        const QString path = folder.filePath(
                QString::fromUtf8("Prog dir (x86) [1] \xC3\xA9\xE6\x97\xB6/") + name);
        ProgramFolder::writeFile(path, body + FakeTools::forThisSystem("\n", "\n"));
        return path;
    }

    // `line` appended to the file `path`.
    static QByteArray appendTo(const QString &path, const char *line)
    {
        return forThisSystem(QByteArray("echo ") + line + " >> '" + path.toUtf8() + "'",
                             ">>\"" + QDir::toNativeSeparators(path).toUtf8() + "\" echo " + line);
    }

    static bool waitFor(ScriptLauncher &launcher, int ms = 10000)
    {
        QElapsedTimer clock;
        clock.start();
        while (launcher.isBusy() && clock.elapsed() < ms)
            QTest::qWait(10);
        return !launcher.isBusy();
    }

private slots:
    void commandPassesThePathWhole()
    {
        const QString path = QString::fromUtf8("/opt/My Clock \xC3\xA9/esptool/esptool.bat");
        const LaunchCommand command = launchCommandFor(path);
#ifdef Q_OS_WIN
        QVERIFY(command.program.endsWith("\\System32\\cmd.exe"));
        QCOMPARE(command.nativeArguments,
                 "/d /s /c \"\"" + QDir::toNativeSeparators(path) + "\"\"");
#else
        QCOMPARE(command.program, QString("/bin/sh"));
        QCOMPARE(command.arguments, QStringList {path});
#endif
    }

    // What Windows is given, checked everywhere; the Wine tests run scripts with it.
    void windowsCommandRunsTheScriptThroughTheSystemCmd()
    {
        const QString path = QString::fromUtf8("C:/Program Files/Clock \xC3\xA9 (1)/esptool/x.bat");
        const LaunchCommand command = windowsLaunchCommand(path, "D:\\Win");
        QCOMPARE(command.program, QString("D:\\Win\\System32\\cmd.exe"));
        QVERIFY(command.arguments.isEmpty());
        QCOMPARE(command.nativeArguments,
                 QString::fromUtf8(
                         "/d /s /c \"\"C:\\Program Files\\Clock \xC3\xA9 (1)\\esptool\\x.bat\"\""));
    }

    void outcomeFollowsTheExitStatus_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("outcome");
        QTest::newRow("status 0") << QByteArray("exit 0") << int(Outcome::Succeeded);
        QTest::newRow("status 3") << QByteArray("exit 3") << int(Outcome::Failed);
        QTest::newRow("crash") << forThisSystem("kill -9 $$",
                                                "exit -1073741819") // access violation
                               << int(Outcome::Failed);
        QTest::newRow("missing script") << QByteArray() << int(Outcome::Failed);
    }

    void outcomeFollowsTheExitStatus()
    {
        QFETCH(QByteArray, body);
        QFETCH(int, outcome);
        ScriptLauncher launcher;
        QSignalSpy ended(&launcher, &ScriptLauncher::latestEnded);
        QCOMPARE(launcher.outcome(), Outcome::NotLaunched);
        launcher.launch(body.isEmpty() ? folder.filePath("no-such.bat") : script("s.bat", body));
        QVERIFY(waitFor(launcher));
        QCOMPARE(int(launcher.outcome()), outcome);
        QCOMPARE(ended.count(), 1);
    }

    void programThatCannotStartIsAFailure()
    {
        ScriptLauncher launcher;
        QSignalSpy ended(&launcher, &ScriptLauncher::latestEnded);
        launcher.start({folder.filePath("no-such-program"), {}, {}});
        QVERIFY(waitFor(launcher));
        QCOMPARE(launcher.outcome(), Outcome::Failed);
        QCOMPARE(ended.count(), 1);
    }

    void launchReturnsAtOnceAndRunsInTheBackground()
    {
        ScriptLauncher launcher;
        const QString marker = folder.filePath("background-done");
        QElapsedTimer clock;
        clock.start();
        launcher.launch(script("slow.bat",
                               forThisSystem("sleep 1; ", "sleep 1\n") + appendTo(marker, "done")));
        QVERIFY(clock.elapsed() < 500);
        QCOMPARE(launcher.outcome(), Outcome::Running);
        QVERIFY(launcher.isBusy());
        QVERIFY(waitFor(launcher));
        QVERIFY(QFileInfo::exists(marker));
        QCOMPARE(launcher.outcome(), Outcome::Succeeded);
    }

    void outputGoesNowhereAndCannotBlockTheScript()
    {
        // Far more output than a pipe holds: a script writing into an unread pipe would hang. The
        // test's own output goes into a file meanwhile, which must not get any of it.
        const QString captured = folder.filePath("our-output");
        fflush(stdout);
        fflush(stderr);
#ifdef Q_OS_WIN
        // A child that inherited them would write into the standard handles of Windows.
        const HANDLE savedOut = GetStdHandle(STD_OUTPUT_HANDLE);
        const HANDLE savedErr = GetStdHandle(STD_ERROR_HANDLE);
        SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
        const HANDLE capture = CreateFileW(reinterpret_cast<const wchar_t *>(captured.utf16()),
                                           GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                                           FILE_ATTRIBUTE_NORMAL, nullptr);
        QVERIFY(capture != INVALID_HANDLE_VALUE);
        SetStdHandle(STD_OUTPUT_HANDLE, capture);
        SetStdHandle(STD_ERROR_HANDLE, capture);
#else
        const int savedOut = dup(1), savedErr = dup(2);
        FILE *capture = fopen(captured.toLocal8Bit(), "w");
        dup2(fileno(capture), 1);
        dup2(fileno(capture), 2);
#endif
        ScriptLauncher launcher;
        launcher.launch(script(
                "noisy.bat",
                forThisSystem("i=0; while [ $i -lt 4000 ]; do echo "
                              "'MARKER line of output that nobody reads'; echo MARKER >&2; "
                              "i=$((i+1)); done; read answer; exit 0",
                              "@echo off\nfor /l %%i in (1,1,4000) do echo MARKER line of output "
                              "that nobody reads\nfor /l %%i in (1,1,4000) do echo MARKER 1>&2\n"
                              "set /p answer=\nexit 0")));
        const bool ended = waitFor(launcher, 20000);
#ifdef Q_OS_WIN
        SetStdHandle(STD_OUTPUT_HANDLE, savedOut);
        SetStdHandle(STD_ERROR_HANDLE, savedErr);
        CloseHandle(capture);
#else
        dup2(savedOut, 1);
        dup2(savedErr, 2);
        close(savedOut);
        close(savedErr);
        fclose(capture);
#endif
        QVERIFY(ended);
        QCOMPARE(launcher.outcome(), Outcome::Succeeded); // the reading met the end of its input
        QVERIFY(!ProgramFolder::readFile(captured).contains("MARKER"));
    }

    void onlyTheLatestLaunchDecidesTheOutcome()
    {
        ScriptLauncher launcher;
        QSignalSpy ended(&launcher, &ScriptLauncher::latestEnded);
        launcher.launch(
                script("fails-late.bat", forThisSystem("sleep 1; exit 1", "sleep 1\nexit 1")));
        launcher.launch(script("succeeds.bat", "exit 0"));
        QVERIFY(waitFor(launcher));
        QCOMPARE(launcher.outcome(), Outcome::Succeeded);
        QCOMPARE(ended.count(), 1);
    }

    void launchAfterWaitsForTheEarlierLauncher()
    {
        const QString log = folder.filePath("order.log");
        ScriptLauncher builder, uploader;
        builder.launch(script("build.bat",
                              forThisSystem("sleep 1; ", "sleep 1\n") + appendTo(log, "built")));
        const QString upload = script("upload.bat", appendTo(log, "uploaded"));
        uploader.launchAfter(upload, QString(), &builder);
        uploader.launchAfter(upload, QString(), &builder); // clicks while waiting give one run
        QCOMPARE(uploader.outcome(), Outcome::Waiting);
        QVERIFY(!uploader.isBusy());
        QVERIFY(waitFor(builder));
        QCOMPARE(uploader.outcome(), Outcome::Running);
        QVERIFY(waitFor(uploader));
        QCOMPARE(uploader.outcome(), Outcome::Succeeded);
        QCOMPARE(ProgramFolder::readFile(log).replace("\r", "").replace(" \n", "\n"),
                 QByteArray("built\nuploaded\n"));

        // With nothing to wait for, it starts at once.
        uploader.launchAfter(upload, QString(), &builder);
        QCOMPARE(uploader.outcome(), Outcome::Running);
        QVERIFY(waitFor(uploader));
    }

    void anEarlierRunEndingDoesNotSpeakForAWaitingOne()
    {
        ScriptLauncher builder, uploader;
        uploader.launch(script("first-upload.bat", "exit 0"));
        builder.launch(script("long-build.bat", "sleep 1"));
        uploader.launchAfter(script("second-upload.bat", "exit 4"), QString(), &builder);
        QTest::qWait(300); // the first upload has ended by now
        QCOMPARE(uploader.outcome(), Outcome::Waiting);
        QVERIFY(waitFor(builder));
        QVERIFY(waitFor(uploader));
        QCOMPARE(uploader.outcome(), Outcome::Failed);
    }

    void resultComesFromTheLogThatTheRunWrote()
    {
        const QString log = folder.filePath("run.log");
        ProgramFolder::writeFile(log, "Result: a reason from an earlier run\n");
        ScriptLauncher launcher;
        launcher.launch(script("silent.bat", "exit 1"), log);
        QVERIFY(waitFor(launcher));
        QCOMPARE(launcher.outcome(), Outcome::Failed);
        QVERIFY(launcher.result().isEmpty()); // the old log does not speak for this run
        QCOMPARE(launcher.logPath(), log);

        // A script's own words, in the encoding that a script writes here.
        const QString says = QString::fromUtf8("Result: the clock \xC3\xA9 does not answer");
#ifdef Q_OS_WIN
        const QByteArray nativeLog = QDir::toNativeSeparators(log).toUtf8();
        const QByteArray body = ">\"" + nativeLog + "\" echo esptool output\r\n>>\"" + nativeLog
                + "\" echo " + inOemCodePage(says) + "\r\nexit 2";
#else
        const QByteArray body = "printf 'esptool output\\n" + says.toUtf8() + "\\r\\n' > '"
                + log.toUtf8() + "'; exit 2";
#endif
        launcher.launch(script("says.bat", body), log);
        QVERIFY(waitFor(launcher));
        QCOMPARE(launcher.result(), QString::fromUtf8("the clock \xC3\xA9 does not answer"));

        // A new launch forgets the result of the last one until it has ended itself.
        launcher.launch(
                script("slow-silent.bat", forThisSystem("sleep 0.2; exit 0", "sleep 0.2\nexit 0")),
                log);
        QVERIFY(launcher.result().isEmpty());
        QVERIFY(waitFor(launcher));
        QVERIFY(launcher.result().isEmpty());
    }

    void resultLineIsTheLastMarkedLine()
    {
        using ScriptResult::resultLine;
        QCOMPARE(resultLine("a\nResult: first\nb\nResult: second\r\n"), QString("second"));
        QCOMPARE(resultLine("Result: only line"), QString("only line"));
        QCOMPARE(resultLine("no result\nat all\n"), QString());
        QCOMPARE(resultLine("Results: not the marker\nxResult: nor this\n"), QString());
        QCOMPARE(resultLine(""), QString());
        // Not UTF-8: read in the local 8-bit encoding rather than lost.
        QVERIFY(!resultLine("Result: caf\xE9\n").isEmpty());
    }

    void onlyALogWrittenSinceTheStartSpeaks()
    {
        using ScriptResult::LogStamp;
        const QDateTime start = QDateTime::currentDateTimeUtc();
        const LogStamp none;
        const LogStamp old {true, 10, start.addSecs(-60)};
        const LogStamp fresh {true, 12, start.addMSecs(300)};
        const LogStamp justBefore {true, 12, start.addMSecs(-5)}; // a coarse file clock
        QVERIFY(ScriptResult::isWrittenSince(none, fresh, start));
        QVERIFY(ScriptResult::isWrittenSince(old, fresh, start));
        QVERIFY(ScriptResult::isWrittenSince(old, justBefore, start));
        QVERIFY(!ScriptResult::isWrittenSince(old, old, start));     // untouched
        QVERIFY(!ScriptResult::isWrittenSince(fresh, fresh, start)); // as it was at the start
        QVERIFY(!ScriptResult::isWrittenSince(old, none, start));    // gone
        QVERIFY(!ScriptResult::isWrittenSince(none, old, start));    // older than the run
    }

    void scriptsOutliveTheirLauncher()
    {
        const QString marker = folder.filePath("outlived");
        auto *launcher = new ScriptLauncher;
        launcher->launch(
                script("outlive.bat",
                       forThisSystem("sleep 0.5; ", "sleep 0.5\n") + appendTo(marker, "done")));
        QTest::qWait(100);
        delete launcher;
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(marker), 5000);
    }
};

QTEST_GUILESS_MAIN(TestScriptLauncher)
#include "test_script_launcher.moc"
