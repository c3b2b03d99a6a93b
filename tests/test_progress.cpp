// The timed progress animations, and how they end according to their scripts.

#include <QProgressBar>
#include <QPushButton>
#include <QtTest>

#include "program_folder.h"
#include "window_probe.h"

namespace {

const QByteArray waitForRelease
        = "while [ ! -e release ]; do sleep 0.02; done; exit \"$(cat release)\"";

} // namespace

class TestProgress : public QObject
{
    Q_OBJECT

private:
    Electronic_Clock *window = nullptr;
    WindowProbe *probe = nullptr;

    QProgressBar *bar() const { return probe->ui()->progressBar; }
    void compile()
    {
        QTest::ignoreMessage(QtDebugMsg, "编译按钮已经按下");
        probe->ui()->pushButtonCompile->click();
    }
    void upload()
    {
        QTest::ignoreMessage(QtDebugMsg, "上传按钮已经按下");
        probe->ui()->pushButtonUpload->click();
    }
    void expectBar(int value, const char *text)
    {
        QCOMPARE(bar()->value(), value);
        QCOMPARE(bar()->text(), QString(text));
    }
    void release(int status)
    {
        ProgramFolder::writeFile(ProgramFolder::esptool() + "/release", QByteArray::number(status));
    }

private slots:
    void init()
    {
        ProgramFolder::reset();
        ProgramFolder::writeScript("mkspiffs.bat", "exit 0");
        ProgramFolder::writeScript("esptool.bat", "exit 0");
        window = new Electronic_Clock;
        probe = new WindowProbe(*window);
    }

    void cleanup()
    {
        if (QFileInfo::exists(ProgramFolder::esptool()))
            release(0); // no script may be left waiting
        QVERIFY(probe->waitForScripts());
        delete probe;
        delete window;
    }

    void oneCompile()
    {
        compile();
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
        upload();
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
        compile();
        probe->compileTick();
        probe->compileTick();
        expectBar(50, "Compiling");
        compile(); // 2.5 s after the first: the timer starts over, the animation does not
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
        compile();
        upload(); // within 0.4 s: the upload's first tick comes first
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
        compile();
        probe->compileTick();
        upload();
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
        upload();
        for (int tick = 1; tick <= 10; ++tick)
            probe->uploadTick();
        compile();
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
        compile();
        QVERIFY(probe->waitForScripts());
        for (int tick = 1; tick <= 3; ++tick)
            probe->compileTick();
        upload();
        QVERIFY(probe->waitForScripts());
        probe->compileTick();
        expectBar(100, "Compilation is complete");
        probe->uploadTick();
        expectBar(2, "Uploading");
    }

    void clickAfterTheEndStartsAfresh()
    {
        compile();
        QVERIFY(probe->waitForScripts());
        for (int tick = 1; tick <= 4; ++tick)
            probe->compileTick();
        expectBar(100, "Compilation is complete");
        compile();
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
                << true << QByteArray("kill -9 $$") << "Compilation failed";
        QTest::newRow("builder missing") << true << QByteArray() << "Compilation failed";
        QTest::newRow("uploader exits 1") << false << QByteArray("exit 1") << "Upload failed";
        QTest::newRow("esptool folder missing") << false << QByteArray() << "Upload failed";
    }

    void failedScriptsEndInFailure()
    {
        QFETCH(bool, compiling);
        QFETCH(QByteArray, body);
        QFETCH(QString, text);
        const QString script = compiling ? "mkspiffs.bat" : "esptool.bat";
        if (body.isEmpty()) {
            ProgramFolder::remove(compiling ? ProgramFolder::esptool() + "/" + script
                                            : ProgramFolder::esptool());
        } else {
            ProgramFolder::writeScript(script, body);
        }
        compiling ? compile() : upload();
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
        ProgramFolder::writeScript(compiling ? "mkspiffs.bat" : "esptool.bat", waitForRelease);
        compiling ? compile() : upload();
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
        ProgramFolder::writeScript("mkspiffs.bat", waitForRelease);
        compile();
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
        compile();
        QTRY_COMPARE_WITH_TIMEOUT(bar()->text(), QString("Compilation is complete"), 8000);
        QCOMPARE(probe->compileStep(), 0);
    }
};

QTEST_MAIN(TestProgress)
#include "test_progress.moc"
