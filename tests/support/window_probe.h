#ifndef TESTS_WINDOW_PROBE_H
#define TESTS_WINDOW_PROBE_H

#include <QMetaObject>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "electronic_clock.h"
#include "progress_animation.h"
#include "script_launcher.h"
#include "ui_electronic_clock.h"

// Clicks the window's buttons as a user would, reads the window's private state, and drives the
// timer slots directly so that tests take no wall-clock time.
class WindowProbe
{
public:
    explicit WindowProbe(Electronic_Clock &window)
        : window(window)
    { }

    Ui_Electronic_Clock *ui() const { return window.ui; }

    // The compile and upload buttons, each expecting the one debug message of its slot.
    void clickCompile() const
    {
        QTest::ignoreMessage(QtDebugMsg, "编译按钮已经按下");
        window.ui->pushButtonCompile->click();
    }
    void clickUpload() const
    {
        QTest::ignoreMessage(QtDebugMsg, "上传按钮已经按下");
        window.ui->pushButtonUpload->click();
    }
    // The button of a style, by the style's number.
    QPushButton *styleButton(int style) const
    {
        return window.findChild<QPushButton *>(QString("pushButtonJPG%1").arg(style));
    }
    // A compile click, and the builder let run to its end.
    bool compileAndWait() const
    {
        clickCompile();
        return waitForScripts();
    }

    const QImage &scratchImage() const { return window.scratchImage; }
    QString currentPort() const { return window.currentPort; }
    QString customFlag() const { return window.customFlag; }
    QTimer *compileTimer() const { return window.compileTimer; }
    QTimer *uploadTimer() const { return window.uploadTimer; }
    int compileStep() const { return window.compileStep; }
    int uploadStep() const { return window.uploadStep; }
    ScriptLauncher *builder() const { return window.builderLauncher; }
    ScriptLauncher *uploader() const { return window.uploaderLauncher; }

    QTimer *heldBackDelay() const { return window.heldBackDelay; }
    bool compileHeldBack() const { return window.compileHeldBack; }
    bool uploadHeldBack() const { return window.uploadHeldBack; }

    // The while for which a final text stands before a held-back animation goes on, over now.
    void heldBackDelayElapses()
    {
        window.heldBackDelay->stop();
        window.resumeHeldBack();
    }

    void compileTick() { QMetaObject::invokeMethod(&window, "Qtimer1", Qt::DirectConnection); }
    void uploadTick() { QMetaObject::invokeMethod(&window, "Qtimer2", Qt::DirectConnection); }

    // Plays every tick of an animation, up to its final one, once its script has ended; from
    // the step that its timer reached while the script ran (a slow one, as under Wine).
    void playCompileToEnd()
    {
        for (int tick = compileStep(); tick <= compileAnimation.runningTicks; ++tick)
            compileTick();
    }
    void playUploadToEnd()
    {
        for (int tick = uploadStep(); tick <= uploadAnimation.runningTicks; ++tick)
            uploadTick();
    }

    // Lets the event loop run until no script launched by the window runs or waits any more.
    bool waitForScripts(int ms = 10000) const
    {
        auto idle = [this] {
            return !builder()->isBusy() && !uploader()->isBusy()
                    && uploader()->outcome() != ScriptLauncher::Outcome::Waiting;
        };
        for (int waited = 0; !idle() && waited < ms; waited += 10)
            QTest::qWait(10);
        QTest::qWait(0);
        return idle();
    }

private:
    Electronic_Clock &window;
};

#endif // TESTS_WINDOW_PROBE_H
