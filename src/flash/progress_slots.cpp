// The two tick slots of the progress animations, and how the bar tells both scripts' outcomes.

#include <QDir>
#include <QProgressBar>
#include <QTimer>

#include "electronic_clock.h"
#include "progress_animation.h"
#include "script_launcher.h"
#include "ui_electronic_clock.h"

struct Electronic_Clock::Animation
{
    const ProgressAnimation &rule;
    int &step;
    int otherStep;
    QTimer *timer;
    bool &heldBack;
    ScriptLauncher *script;
};

Electronic_Clock::Animation Electronic_Clock::animation(Bar which)
{
    if (which == Bar::Compile)
        return {compileAnimation, compileStep,     uploadStep,
                compileTimer,     compileHeldBack, builderLauncher};
    return {uploadAnimation, uploadStep,     compileStep,
            uploadTimer,     uploadHeldBack, uploaderLauncher};
}

void Electronic_Clock::Qtimer1()
{
    tick(Bar::Compile);
}

void Electronic_Clock::Qtimer2()
{
    tick(Bar::Upload);
}

void Electronic_Clock::tick(Bar which)
{
    const Animation current = animation(which);
    const ProgressTick next = nextProgressTick(current.rule, current.step, current.otherStep,
                                               current.script->outcome(), failureShown);
    current.step = next.step;
    switch (next.action) {
    case ProgressTick::Yield:
        current.timer->stop();
        current.heldBack = true;
        resumeHeldBack(); // the text that holds the bar may have stood long enough already
        break;
    case ProgressTick::Advance:
        current.heldBack = false;
        ui->progressBar->setValue(next.value);
        ui->progressBar->setFormat(next.text);
        break;
    case ProgressTick::Hold:
        current.timer->stop();
        break;
    case ProgressTick::Finish:
        current.timer->stop();
        showFinalText(which);
        break;
    }
}

// Shows how a script ended. A success never takes the place of a failure on the bar: it is noted
// in the tooltip instead.
void Electronic_Clock::showFinalText(Bar which)
{
    const Animation ended = animation(which);
    QProgressBar *bar = ui->progressBar;
    if (ended.script->outcome() == ScriptLauncher::Outcome::Succeeded) {
        const QString completed = QString::fromLatin1(ended.rule.completedText);
        if (failureShown) {
            bar->setToolTip(bar->toolTip() + QStringLiteral("\nalso: ") + completed);
            return;
        }
        bar->setValue(100);
        bar->setFormat(completed);
    } else {
        const QString reason = ended.script->result();
        // The text is cut to the bar, inside the frame that the style draws around it.
        const int width = bar->contentsRect().width() - 2 * bar->fontMetrics().averageCharWidth();
        bar->setValue(100);
        bar->setFormat(failureText(ended.rule, reason, bar->fontMetrics(), width));
        // The whole line and where the log is; nothing of an earlier outcome stays beside it.
        QString note;
        if (!reason.isEmpty()) {
            note = QString::fromLatin1(ended.rule.failedText) + QStringLiteral(": ") + reason
                    + QLatin1Char('\n') + QDir::toNativeSeparators(ended.script->logPath());
        }
        bar->setToolTip(note);
        failureShown = true;
    }
    heldBackDelay->start();
}

// Lets an animation that was held back go on, once neither animation holds the bar and the last
// final text has stood for its while.
void Electronic_Clock::resumeHeldBack()
{
    if (compileStep != 0 || uploadStep != 0 || heldBackDelay->isActive())
        return;
    for (const Bar which : {Bar::Compile, Bar::Upload}) {
        const Animation held = animation(which);
        if (!held.heldBack)
            continue;
        switch (heldBackStep(held.script->outcome(), failureShown)) {
        case HeldBackStep::Wait:
            return;
        case HeldBackStep::ShowFinal:
            held.heldBack = false;
            showFinalText(which);
            return;
        case HeldBackStep::Animate:
            held.heldBack = false;
            held.timer->start(held.rule.intervalMs);
            return;
        }
    }
}

// A script has ended: an animation held at its last step for it takes its final tick now, and
// one held back behind the other may go on.
void Electronic_Clock::onScriptEnded()
{
    for (const Bar which : {Bar::Compile, Bar::Upload}) {
        const Animation current = animation(which);
        if (isHeldForScript(current.rule, current.step, current.timer->isActive()))
            tick(which);
    }
    resumeHeldBack();
}

// A click starts afresh: what the bar noted of earlier runs goes.
void Electronic_Clock::clearBarNotes()
{
    failureShown = false;
    ui->progressBar->setToolTip(QString());
}
