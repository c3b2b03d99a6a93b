#include "progress_animation.h"

#include <QFontMetrics>

const ProgressAnimation compileAnimation
        = {1000, 3, 25, "Compiling", "Compilation is complete", "Compilation failed"};
const ProgressAnimation uploadAnimation
        = {600, 49, 2, "Uploading", "Upload Completed", "Upload failed"};

namespace {

bool hasEnded(ScriptLauncher::Outcome script)
{
    return script == ScriptLauncher::Outcome::Succeeded
            || script == ScriptLauncher::Outcome::Failed;
}

} // namespace

ProgressTick nextProgressTick(const ProgressAnimation &animation, int ownStep, int otherStep,
                              ScriptLauncher::Outcome script, bool failureShown)
{
    // The other animation holds the bar, or a failure that must stay until the next click does.
    if (otherStep != 0 || (ownStep == 0 && failureShown))
        return {ProgressTick::Yield, ownStep, 0, QString()};

    // A failure shows as soon as it is known, not when the time of the animation is up.
    if (script == ScriptLauncher::Outcome::Failed)
        return {ProgressTick::Finish, 0, 100, QString::fromLatin1(animation.failedText)};

    const int step = ownStep + 1;
    if (step <= animation.runningTicks) {
        return {ProgressTick::Advance, step, step * animation.percentPerTick,
                QString::fromLatin1(animation.runningText)};
    }

    // The final tick tells the truth about the script instead of the time that has passed.
    if (!hasEnded(script) && script != ScriptLauncher::Outcome::NotLaunched)
        return {ProgressTick::Hold, animation.runningTicks, 0, QString()};
    const bool succeeded = script == ScriptLauncher::Outcome::Succeeded;
    return {ProgressTick::Finish, 0, 100,
            QString::fromLatin1(succeeded ? animation.completedText : animation.failedText)};
}

bool isHeldForScript(const ProgressAnimation &animation, int step, bool timerActive)
{
    return step == animation.runningTicks && !timerActive;
}

HeldBackStep heldBackStep(ScriptLauncher::Outcome script, bool failureShown)
{
    if (hasEnded(script) || script == ScriptLauncher::Outcome::NotLaunched)
        return HeldBackStep::ShowFinal;
    return failureShown ? HeldBackStep::Wait : HeldBackStep::Animate;
}

QString failureText(const ProgressAnimation &animation, const QString &reason,
                    const QFontMetrics &metrics, int width)
{
    const QString failed = QString::fromLatin1(animation.failedText);
    if (reason.isEmpty())
        return failed;
    QString text = failed + QStringLiteral(": ") + reason;
    text.replace(QLatin1Char('%'), QStringLiteral(" percent"));
    return metrics.elidedText(text, Qt::ElideRight, width);
}
