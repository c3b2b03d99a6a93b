// The timed progress animations, and how they end according to their scripts.

#include <QProgressBar>
#include <QPushButton>
#include <QtTest>

#include "fake_tools.h"
#include "program_folder.h"
#include "toolchain_folder.h"
#include "window_probe.h"

namespace {

// Waits until the file `name` appears.
QByteArray waitFor(const QByteArray &name)
{
    return FakeTools::forThisSystem("while [ ! -e " + name + " ]; do sleep 0.02; done; ",
                                    ":wait\nif exist " + name
                                            + " goto go\nsleep 0.02\ngoto wait\n"
                                              ":go\n");
}

const QByteArray waitForRelease = waitFor("release")
        + FakeTools::forThisSystem("exit \"$(cat release)\"",
                                   "for /f %%s in (release) do set status=%%s\nexit %status%");

// A stand-in for a shipped script: it writes its log, ending with a result line, and exits.
QByteArray endsWith(const char *log, const QByteArray &result, int status)
{
    return FakeTools::forThisSystem("echo 'Result: " + result + "' > " + log + "; ",
                                    ">" + QByteArray(log) + " echo Result: "
                                            + QByteArray(result).replace("%", "%%") + "\n")
            + "exit " + QByteArray::number(status);
}

// The same, once the file `release` appears.
QByteArray endsOnRelease(const char *log, const QByteArray &result, int status)
{
    return waitFor(QByteArray(log) + ".release") + endsWith(log, result, status);
}

const QByteArray noPermission
        = "no permission for /dev/ttyUSB0: add your user to the dialout group";
const QByteArray doNotFit = "the files do not fit: 10 files take 1,200,000 bytes";

} // namespace

class TestProgress : public QObject
{
    Q_OBJECT

private:
    Electronic_Clock *window = nullptr;
    WindowProbe *probe = nullptr;

    QProgressBar *bar() const { return probe->ui()->progressBar; }
    void expectBar(int value, const QString &text)
    {
        QCOMPARE(bar()->value(), value);
        QCOMPARE(bar()->text(), text);
    }
    void release(int status)
    {
        ProgramFolder::writeFile(ProgramFolder::esptool() + "/release", QByteArray::number(status));
    } // Lets the script that writes `log` end, and waits until it has.
    void releaseScriptOf(const char *log)
    {
        ProgramFolder::writeFile(ProgramFolder::esptool() + "/" + log + ".release", "");
        const ScriptLauncher *launcher = QByteArray(log) == ToolchainFolder::builderLogName
                ? probe->builder()
                : probe->uploader();
        QTRY_VERIFY(!launcher->isBusy());
        QTest::qWait(0);
    }
    QString logPath(const char *log) const
    {
        return QDir::toNativeSeparators(ProgramFolder::esptool() + "/" + log);
    }
    void expectHeldBackFor(bool compiling)
    {
        QVERIFY(compiling ? probe->compileHeldBack() : probe->uploadHeldBack());
        QVERIFY(!(compiling ? probe->compileTimer() : probe->uploadTimer())->isActive());
        QCOMPARE(compiling ? probe->compileStep() : probe->uploadStep(), 0);
    }

    // With the compile held back behind an upload whose next tick is `tick` or later (its timer
    // may have ticked on while a slow script ran), plays the upload to its successful end, then
    // lets the compile's outcome show.
    void uploadSucceedsThenCompileShows(int tick, const QString &compileEnd)
    {
        expectHeldBackFor(true);
        QVERIFY(probe->uploadStep() + 1 >= tick);
        probe->playUploadToEnd();
        expectBar(100, "Upload Completed");
        probe->heldBackDelayElapses();
        expectBar(100, compileEnd);
    }

private slots:
    void init()
    {
        ProgramFolder::reset();
        FakeTools::replaceScript(ToolchainFolder::builderScriptName, "exit 0");
        FakeTools::replaceScript(ToolchainFolder::uploadScriptName, "exit 0");
        window = new Electronic_Clock;
        probe = new WindowProbe(*window);
    }

    void cleanup()
    {
        if (QFileInfo::exists(ProgramFolder::esptool())) { // no script may be left waiting
            release(0);
            for (const char *log :
                 {ToolchainFolder::builderLogName, ToolchainFolder::uploadLogName})
                ProgramFolder::writeFile(ProgramFolder::esptool() + "/" + log + ".release", "");
        }
        QVERIFY(probe->waitForScripts());
        delete probe;
        delete window;
    }

    void oneCompile()
    {
        probe->clickCompile();
        QVERIFY(probe->compileTimer()->isActive());
        QCOMPARE(probe->compileTimer()->interval(), 1000);
        QVERIFY(probe->waitForScripts());
        expectBar(0, "Idle"); // the click itself leaves the bar alone
        for (int tick = 1; tick <= 3; ++tick) {
            probe->compileTick();
            expectBar(25 * tick, "Compiling");
            QVERIFY(probe->compileTimer()->isActive());
        }
        probe->compileTick();
        expectBar(100, "Compilation is complete");
        QVERIFY(!probe->compileTimer()->isActive());
        QCOMPARE(probe->compileStep(), 0);
    }

    void oneUpload()
    {
        probe->clickUpload();
        QVERIFY(probe->uploadTimer()->isActive());
        QCOMPARE(probe->uploadTimer()->interval(), 600);
        QVERIFY(probe->waitForScripts());
        for (int tick = 1; tick <= 49; ++tick) {
            probe->uploadTick();
            expectBar(2 * tick, "Uploading");
        }
        QVERIFY(probe->uploadTimer()->isActive());
        probe->uploadTick();
        expectBar(100, "Upload Completed");
        QVERIFY(!probe->uploadTimer()->isActive());
        QCOMPARE(probe->uploadStep(), 0);
    }

    void secondCompileClickGoesOnFromTheCurrentStep()
    {
        probe->clickCompile();
        probe->compileTick();
        probe->compileTick();
        expectBar(50, "Compiling");
        probe->clickCompile(); // 2.5 s after the first: the timer starts over, the animation does
                               // not
        QVERIFY(probe->compileTimer()->isActive());
        QCOMPARE(probe->compileTimer()->remainingTime() > 900, true);
        QCOMPARE(probe->compileStep(), 2);
        expectBar(50, "Compiling");
        QVERIFY(probe->waitForScripts());
        probe->compileTick();
        expectBar(75, "Compiling");
        probe->compileTick();
        expectBar(100, "Compilation is complete");
    }

    void uploadSoonAfterCompileTakesTheBar()
    {
        probe->clickCompile();
        probe->clickUpload(); // within 0.4 s: the upload's first tick comes first
        QVERIFY(probe->waitForScripts());
        probe->uploadTick();
        expectBar(2, "Uploading");
        probe->compileTick();
        QVERIFY(!probe->compileTimer()->isActive());
        QCOMPARE(probe->compileStep(), 0);
        expectBar(2, "Uploading");
        for (int tick = 2; tick <= 50; ++tick)
            probe->uploadTick();
        expectBar(100, "Upload Completed");
    }

    void uploadDuringCompileIsNotShown()
    {
        probe->clickCompile();
        probe->compileTick();
        probe->clickUpload();
        probe->uploadTick();
        QVERIFY(!probe->uploadTimer()->isActive());
        QCOMPARE(probe->uploadStep(), 0);
        expectBar(25, "Compiling");
        QVERIFY(probe->waitForScripts());
        for (int tick = 2; tick <= 4; ++tick)
            probe->compileTick();
        expectBar(100, "Compilation is complete");
        QCOMPARE(probe->uploadStep(), 0);
    }

    void compileDuringUploadIsNotShown()
    {
        probe->clickUpload();
        for (int tick = 1; tick <= 10; ++tick)
            probe->uploadTick();
        probe->clickCompile();
        probe->compileTick();
        QVERIFY(!probe->compileTimer()->isActive());
        QCOMPARE(probe->compileStep(), 0);
        expectBar(20, "Uploading");
        QVERIFY(probe->waitForScripts());
        for (int tick = 11; tick <= 50; ++tick)
            probe->uploadTick();
        expectBar(100, "Upload Completed");
    }

    void uploadJustBeforeTheCompileEndsFollowsIt()
    {
        probe->clickCompile();
        QVERIFY(probe->waitForScripts());
        for (int tick = 1; tick <= 3; ++tick)
            probe->compileTick();
        probe->clickUpload();
        QVERIFY(probe->waitForScripts());
        probe->compileTick();
        expectBar(100, "Compilation is complete");
        probe->uploadTick();
        expectBar(2, "Uploading");
    }

    void clickAfterTheEndStartsAfresh()
    {
        probe->clickCompile();
        QVERIFY(probe->waitForScripts());
        for (int tick = 1; tick <= 4; ++tick)
            probe->compileTick();
        expectBar(100, "Compilation is complete");
        probe->clickCompile();
        QVERIFY(probe->waitForScripts());
        probe->compileTick();
        expectBar(25, "Compiling");
    }

    void failedScriptsEndInFailure_data()
    {
        QTest::addColumn<bool>("compiling");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("text");
        QTest::newRow("builder exits 2") << true << QByteArray("exit 2") << "Compilation failed";
        QTest::newRow("builder crashes")
                << true
                << FakeTools::forThisSystem("kill -9 $$", "exit -1073741819") // access violation
                << "Compilation failed";
        QTest::newRow("builder missing") << true << QByteArray() << "Compilation failed";
        QTest::newRow("uploader exits 1") << false << QByteArray("exit 1") << "Upload failed";
        QTest::newRow("esptool folder missing") << false << QByteArray() << "Upload failed";
    }

    void failedScriptsEndInFailure()
    {
        QFETCH(bool, compiling);
        QFETCH(QByteArray, body);
        QFETCH(QString, text);
        const QString script = compiling ? ToolchainFolder::builderScriptName
                                         : ToolchainFolder::uploadScriptName;
        if (body.isEmpty()) {
            ProgramFolder::remove(compiling ? ProgramFolder::esptool() + "/" + script
                                            : ProgramFolder::esptool());
        } else {
            FakeTools::replaceScript(script, body);
        }
        compiling ? probe->clickCompile() : probe->clickUpload();
        QVERIFY(probe->waitForScripts());
        const int ticks = compiling ? 4 : 50;
        for (int tick = 1; tick <= ticks; ++tick)
            compiling ? probe->compileTick() : probe->uploadTick();
        QCOMPARE(bar()->value(), 100);
        QCOMPARE(bar()->text(), text);
        QCOMPARE(compiling ? probe->compileStep() : probe->uploadStep(), 0);
        QVERIFY(!(compiling ? probe->compileTimer() : probe->uploadTimer())->isActive());
    }

    void stillRunningAtTheEndHoldsTheBar_data()
    {
        QTest::addColumn<bool>("compiling");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("text");
        QTest::newRow("builder succeeds late") << true << 0 << "Compilation is complete";
        QTest::newRow("builder fails late") << true << 1 << "Compilation failed";
        QTest::newRow("uploader succeeds late") << false << 0 << "Upload Completed";
        QTest::newRow("uploader fails late") << false << 2 << "Upload failed";
    }

    void stillRunningAtTheEndHoldsTheBar()
    {
        QFETCH(bool, compiling);
        QFETCH(int, status);
        QFETCH(QString, text);
        FakeTools::replaceScript(compiling ? ToolchainFolder::builderScriptName
                                           : ToolchainFolder::uploadScriptName,
                                 waitForRelease);
        compiling ? probe->clickCompile() : probe->clickUpload();
        const int ticks = compiling ? 4 : 50;
        for (int tick = 1; tick <= ticks; ++tick)
            compiling ? probe->compileTick() : probe->uploadTick();
        QTimer *timer = compiling ? probe->compileTimer() : probe->uploadTimer();
        // Held at the last running step, the bar still belongs to this animation.
        QCOMPARE(bar()->value(), compiling ? 75 : 98);
        QCOMPARE(bar()->text(), QString(compiling ? "Compiling" : "Uploading"));
        QCOMPARE(compiling ? probe->compileStep() : probe->uploadStep(), compiling ? 3 : 49);
        QVERIFY(!timer->isActive());
        // The other animation still cannot take the bar.
        compiling ? probe->uploadTick() : probe->compileTick();
        QCOMPARE(bar()->text(), QString(compiling ? "Compiling" : "Uploading"));

        release(status);
        QTRY_COMPARE_WITH_TIMEOUT(bar()->text(), text, 10000);
        QCOMPARE(bar()->value(), 100);
        QCOMPARE(compiling ? probe->compileStep() : probe->uploadStep(), 0);
        QVERIFY(!timer->isActive());
    }

    void scriptEndingBeforeTheLastTickWaitsForIt()
    {
        FakeTools::replaceScript(ToolchainFolder::builderScriptName, waitForRelease);
        probe->clickCompile();
        probe->compileTick();
        release(0);
        QVERIFY(probe->waitForScripts());
        expectBar(25, "Compiling"); // the timing of the animation is kept
        probe->compileTick();
        probe->compileTick();
        probe->compileTick();
        expectBar(100, "Compilation is complete");
    }

    void timersDriveTheAnimationInRealTime()
    {
        probe->clickCompile();
        QTRY_COMPARE_WITH_TIMEOUT(bar()->text(), QString("Compilation is complete"), 8000);
        QCOMPARE(probe->compileStep(), 0);
    }
    void failureShowsAtTheNextTickWithItsReason_data()
    {
        QTest::addColumn<bool>("compiling");
        QTest::addColumn<QByteArray>("result");
        QTest::newRow("compile") << true << doNotFit;
        QTest::newRow("upload") << false << noPermission;
    }

    void failureShowsAtTheNextTickWithItsReason()
    {
        QFETCH(bool, compiling);
        QFETCH(QByteArray, result);
        const char *log
                = compiling ? ToolchainFolder::builderLogName : ToolchainFolder::uploadLogName;
        FakeTools::replaceScript(compiling ? ToolchainFolder::builderScriptName
                                           : ToolchainFolder::uploadScriptName,
                                 endsWith(log, result, 2));
        compiling ? probe->clickCompile() : probe->clickUpload();
        QVERIFY(probe->waitForScripts()); // the script fails before the first tick
        compiling ? probe->compileTick() : probe->uploadTick();
        const QString failed = compiling ? "Compilation failed" : "Upload failed";
        expectBar(100, failed + ": " + result);
        QCOMPARE(compiling ? probe->compileStep() : probe->uploadStep(), 0);
        QVERIFY(!(compiling ? probe->compileTimer() : probe->uploadTimer())->isActive());
        QCOMPARE(bar()->toolTip(), failed + ": " + result + "\n" + logPath(log));

        // A new click starts afresh.
        compiling ? probe->clickCompile() : probe->clickUpload();
        QVERIFY(bar()->toolTip().isEmpty());
    }

    void failureDuringTheAnimationEndsItAtTheNextTick()
    {
        FakeTools::replaceScript(ToolchainFolder::uploadScriptName,
                                 endsOnRelease(ToolchainFolder::uploadLogName, noPermission, 2));
        probe->clickUpload();
        for (int tick = 1; tick <= 5; ++tick)
            probe->uploadTick();
        expectBar(10, "Uploading");
        releaseScriptOf(ToolchainFolder::uploadLogName);
        probe->uploadTick();
        expectBar(100, "Upload failed: " + noPermission);
        QCOMPARE(probe->uploadStep(), 0);
    }

    void longReasonsAreCutToTheBarAndHoldNoPercentSign()
    {
        const QByteArray result = "esptool stopped at 50% of the write: "
                + QByteArray("and a very long explanation that goes on ").repeated(6);
        FakeTools::replaceScript(ToolchainFolder::uploadScriptName,
                                 endsWith(ToolchainFolder::uploadLogName, result, 2));
        probe->clickUpload();
        QVERIFY(probe->waitForScripts());
        probe->uploadTick();
        const QString shown = bar()->text();
        QVERIFY2(shown.startsWith("Upload failed: esptool stopped at 50 percent of the write: "),
                 qPrintable(shown));
        QVERIFY(shown.endsWith(QChar(0x2026)));
        QVERIFY(!bar()->format().contains('%'));
        QVERIFY(bar()->fontMetrics().horizontalAdvance(shown) < bar()->width());
        QVERIFY(bar()->toolTip().contains(QString::fromLatin1(result.trimmed())));
    }

    void aLogThatTheRunDidNotWriteSaysNothing()
    {
        // A log from an earlier run, and a run that fails without writing one.
        ProgramFolder::writeFile(ProgramFolder::uploadLog(), "Result: an old reason\n");
        FakeTools::replaceScript(ToolchainFolder::uploadScriptName, "exit 2");
        probe->clickUpload();
        QVERIFY(probe->waitForScripts());
        probe->uploadTick();
        expectBar(100, "Upload failed");
        QVERIFY(bar()->toolTip().isEmpty());

        // A log of this run without a result line says nothing either.
        FakeTools::replaceScript(ToolchainFolder::uploadScriptName,
                                 FakeTools::forThisSystem("echo 'Traceback' > ", "echo Traceback> ")
                                         + ToolchainFolder::uploadLogName
                                         + FakeTools::forThisSystem("; exit 2", "\nexit 2"));
        probe->clickUpload();
        QVERIFY(probe->waitForScripts());
        probe->uploadTick();
        expectBar(100, "Upload failed");
    }

    // Compile, then upload 1.5 s later, the usual order of work: the compile holds the bar, the
    // upload's outcome follows 2 s after the compile's.
    void compileThenUploadShowsBothOutcomes()
    {
        FakeTools::replaceScript(ToolchainFolder::uploadScriptName,
                                 endsWith(ToolchainFolder::uploadLogName, noPermission, 2));
        probe->clickCompile();
        probe->compileTick();
        probe->clickUpload();
        QVERIFY(probe->waitForScripts());
        probe->uploadTick();
        expectHeldBackFor(false);
        expectBar(25, "Compiling");
        for (int tick = 2; tick <= 4; ++tick)
            probe->compileTick();
        expectBar(100, "Compilation is complete");
        QVERIFY(probe->heldBackDelay()->isActive());
        QCOMPARE(probe->heldBackDelay()->interval(), 2000);
        probe->heldBackDelayElapses();
        expectBar(100, "Upload failed: " + noPermission);
        QVERIFY(!probe->uploadHeldBack());
    }

    void uploadThenCompileShowsBothOutcomes()
    {
        probe->clickUpload();
        for (int tick = 1; tick <= 3; ++tick)
            probe->uploadTick();
        probe->clickCompile(); // 2 s later
        QVERIFY(probe->waitForScripts());
        probe->compileTick();
        uploadSucceedsThenCompileShows(4, "Compilation is complete");
    }

    void uploadRightAfterCompileTakesTheBarThenTheCompileIsShown()
    {
        probe->clickCompile();
        probe->clickUpload(); // 0.3 s later: the upload's first tick comes first
        QVERIFY(probe->waitForScripts());
        probe->uploadTick();
        probe->compileTick();
        uploadSucceedsThenCompileShows(2, "Compilation is complete");
    }

    void failingCompileHeldBackBehindASuccessfulUploadShowsAndStays()
    {
        FakeTools::replaceScript(ToolchainFolder::builderScriptName,
                                 endsWith(ToolchainFolder::builderLogName, doNotFit, 1));
        probe->clickUpload();
        probe->uploadTick();
        probe->clickCompile();
        QVERIFY(probe->waitForScripts());
        probe->compileTick();
        uploadSucceedsThenCompileShows(2, "Compilation failed: " + doNotFit);
        probe->heldBackDelayElapses();
        probe->compileTick();
        probe->uploadTick();
        expectBar(100, "Compilation failed: " + doNotFit);
    }

    void successHeldBackBehindAFailureGoesToTheTooltip_data()
    {
        QTest::addColumn<bool>("builderStillRuns");
        QTest::newRow("build ended before") << false;
        QTest::newRow("build ends after") << true; // reported when it ends
    }

    void successHeldBackBehindAFailureGoesToTheTooltip()
    {
        QFETCH(bool, builderStillRuns);
        FakeTools::replaceScript(ToolchainFolder::uploadScriptName,
                                 endsOnRelease(ToolchainFolder::uploadLogName, noPermission, 2));
        if (builderStillRuns) {
            FakeTools::replaceScript(ToolchainFolder::builderScriptName,
                                     endsOnRelease(ToolchainFolder::builderLogName, "built", 0));
        }
        probe->clickUpload();
        for (int tick = 1; tick <= 5; ++tick)
            probe->uploadTick();
        probe->clickCompile();
        probe->compileTick();
        expectHeldBackFor(true);
        releaseScriptOf(ToolchainFolder::uploadLogName);
        probe->uploadTick();
        const QString failure = "Upload failed: " + noPermission;
        expectBar(100, failure);
        if (!builderStillRuns)
            QTRY_VERIFY(probe->builder()->outcome() == ScriptLauncher::Outcome::Succeeded);
        probe->heldBackDelayElapses();
        if (builderStillRuns) {
            expectHeldBackFor(true); // the failure stays while the build goes on
            expectBar(100, failure);
            releaseScriptOf(ToolchainFolder::builderLogName);
        }
        expectBar(100, failure);
        QVERIFY(!probe->compileHeldBack());
        QCOMPARE(bar()->toolTip(),
                 failure + "\n" + logPath(ToolchainFolder::uploadLogName)
                         + "\nalso: Compilation is complete");
    }

    // An upload clicked just after a compile that fails at once: the compile's failure shows at
    // its first tick, before the upload's first tick, which must not cover it.
    void animationClickedBeforeAFailureDoesNotCoverIt()
    {
        FakeTools::replaceScript(ToolchainFolder::builderScriptName,
                                 endsWith(ToolchainFolder::builderLogName, doNotFit, 1));
        probe->clickCompile();
        QVERIFY(probe->waitForScripts());
        probe->clickUpload();
        probe->compileTick();
        expectBar(100, "Compilation failed: " + doNotFit);
        QVERIFY(probe->waitForScripts());
        probe->uploadTick();
        expectHeldBackFor(false);
        expectBar(100, "Compilation failed: " + doNotFit);
        probe->heldBackDelayElapses();
        expectBar(100, "Compilation failed: " + doNotFit);
        QVERIFY(bar()->toolTip().endsWith("\nalso: Upload Completed"));
    }

    void heldBackScriptStillRunningPlaysItsAnimation()
    {
        FakeTools::replaceScript(ToolchainFolder::uploadScriptName,
                                 endsOnRelease(ToolchainFolder::uploadLogName, noPermission, 2));
        probe->clickCompile();
        probe->compileTick();
        probe->clickUpload();
        probe->uploadTick();
        expectHeldBackFor(false);
        QTRY_VERIFY(probe->builder()->outcome() == ScriptLauncher::Outcome::Succeeded);
        for (int tick = 2; tick <= 4; ++tick)
            probe->compileTick();
        expectBar(100, "Compilation is complete");
        probe->heldBackDelayElapses();
        QVERIFY(probe->uploadTimer()->isActive()); // from its first step
        QCOMPARE(probe->uploadStep(), 0);
        probe->uploadTick();
        expectBar(2, "Uploading");
        releaseScriptOf(ToolchainFolder::uploadLogName);
        probe->uploadTick();
        expectBar(100, "Upload failed: " + noPermission);
    }

    void bothOutcomesInRealTime()
    {
        FakeTools::replaceScript(ToolchainFolder::uploadScriptName,
                                 endsWith(ToolchainFolder::uploadLogName, noPermission, 2));
        probe->clickCompile();
        QTest::qWait(1500);
        probe->clickUpload();
        QTRY_COMPARE_WITH_TIMEOUT(bar()->text(), QString("Compilation is complete"), 5000);
        QElapsedTimer shown;
        shown.start();
        QTRY_COMPARE_WITH_TIMEOUT(bar()->text(), "Upload failed: " + noPermission, 5000);
        QVERIFY2(shown.elapsed() >= 1500 && shown.elapsed() < 3500,
                 qPrintable(QString::number(shown.elapsed())));
    }
};

QTEST_MAIN(TestProgress)
#include "test_progress.moc"
