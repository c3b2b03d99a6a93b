// Many fast clicks in a random but reproducible order: style clicks interleaved with compile and
// upload clicks, timer ticks and short waits in which scripts end.
//
// Set CLOCK_TEST_SEED to replay another order.

#include <QRandomGenerator>
#include <QtTest>

#include "fake_tools.h"
#include "picture_file.h"
#include "program_folder.h"
#include "progress_animation.h"
#include "serial_ports.h"
#include "toolchain_folder.h"
#include "window_probe.h"

namespace {

bool isRunningOrWaiting(const ScriptLauncher *launcher)
{
    const ScriptLauncher::Outcome outcome = launcher->outcome();
    return outcome == ScriptLauncher::Outcome::Running
            || outcome == ScriptLauncher::Outcome::Waiting;
}

// An empty text when the bar's animations are in a state they may be in.
QString animationFault(const WindowProbe &probe)
{
    if (probe.compileStep() != 0 && probe.uploadStep() != 0)
        return "both counters are non-zero";
    if (probe.compileStep() != 0 && !probe.compileTimer()->isActive()
        && !(isHeldForScript(compileAnimation, probe.compileStep(), false)
             && isRunningOrWaiting(probe.builder())))
        return "the compile animation stands still";
    if (probe.uploadStep() != 0 && !probe.uploadTimer()->isActive()
        && !(isHeldForScript(uploadAnimation, probe.uploadStep(), false)
             && isRunningOrWaiting(probe.uploader())))
        return "the upload animation stands still";
    return QString();
}

// An empty text when the data folder holds ten whole pictures.
QString dataFault()
{
    for (int digit = 0; digit <= 9; ++digit) {
        const QByteArray data = ProgramFolder::readFile(ProgramFolder::dataPicture(digit));
        if (!PictureFile::isCompleteJpeg(data) || QImage::fromData(data, "JPG").isNull())
            return QString("%1.jpg is not a whole picture").arg(digit);
    }
    return QString();
}

} // namespace

class TestFastClicks : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { SerialPorts::setEnumerator(FakeTools::onePort); }

    void invariantsHoldAfterEveryEvent()
    {
        const quint32 seed = quint32(qEnvironmentVariableIntValue("CLOCK_TEST_SEED"));
        QRandomGenerator random(seed != 0 ? seed : 20261207u);
        qInfo("seed %u", seed != 0 ? seed : 20261207u);

        ProgramFolder::reset();
        // Scripts that take a while; under Wine cmd.exe alone takes longer than that to start.
        FakeTools::replaceScript(ToolchainFolder::builderScriptName,
                                 FakeTools::forThisSystem("sleep 0.05", ""));
        FakeTools::replaceScript(ToolchainFolder::uploadScriptName,
                                 FakeTools::forThisSystem("sleep 0.03", ""));
        Electronic_Clock window;
        WindowProbe probe(window);
        probe.ui()->pushButtonUpdateCom->click();
        // The first compile fills the data folder from the custom set.
        probe.clickCompile();

        const QList<QPushButton *> styleButtons
                = probe.ui()->scrollAreaWidgetContents->findChildren<QPushButton *>();
        QCOMPARE(styleButtons.size(), 23);
        QStringList events;
        for (int styleClicks = 0; styleClicks < 100;) {
            QString event;
            switch (random.bounded(8)) {
            case 0:
            case 1:
            case 2: {
                QPushButton *button = styleButtons.at(random.bounded(styleButtons.size()));
                event = button->objectName();
                button->click();
                ++styleClicks;
                break;
            }
            case 3:
                event = "compile";
                probe.clickCompile();
                break;
            case 4:
                event = "upload";
                probe.clickUpload();
                break;
            // A tick is a timeout of a running timer, brought forward.
            case 5:
                event = "compile tick";
                if (probe.compileTimer()->isActive())
                    probe.compileTick();
                break;
            case 6:
                event = "upload tick";
                if (probe.uploadTimer()->isActive())
                    probe.uploadTick();
                break;
            default:
                event = "wait";
                QTest::qWait(random.bounded(40));
                break;
            }
            events << event;
            const QString fault = animationFault(probe) + dataFault();
            QVERIFY2(fault.isEmpty(),
                     qPrintable(QString("after event %1 (%2): %3")
                                        .arg(events.size())
                                        .arg(events.mid(qMax(0, events.size() - 5)).join(", "))
                                        .arg(fault)));
        }

        // Once every script has ended, the animation that holds the bar runs to its end.
        QVERIFY(probe.waitForScripts());
        for (int tick = 1; tick <= 50 && (probe.compileStep() || probe.uploadStep()); ++tick)
            probe.compileStep() ? probe.compileTick() : probe.uploadTick();
        QCOMPARE(probe.compileStep() + probe.uploadStep(), 0);
        QVERIFY(probe.ui()->progressBar->text().endsWith("complete")
                || probe.ui()->progressBar->text() == "Upload Completed"
                || probe.ui()->progressBar->text() == "Idle");
    }
};

QTEST_MAIN(TestFastClicks)
#include "test_fast_clicks.moc"
