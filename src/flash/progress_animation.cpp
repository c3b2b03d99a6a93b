#include "progress_animation.h"

const ProgressAnimation compileAnimation
        = {1000, 3, 25, "Compiling", "Compilation is complete", "Compilation failed"};
const ProgressAnimation uploadAnimation
        = {600, 49, 2, "Uploading", "Upload Completed", "Upload failed"};

ProgressTick nextProgressTick(const ProgressAnimation &animation, int ownStep, int otherStep,
                              ScriptLauncher::Outcome script)
{
    if (otherStep != 0)
        return {ProgressTick::Yield, ownStep, 0, QString()};

    const int step = ownStep + 1;
    if (step <= animation.runningTicks) {
        return {ProgressTick::Advance, step, step * animation.percentPerTick,
                QString::fromLatin1(animation.runningText)};
    }

    // The final tick tells the truth about the script instead of the time that has passed.
    switch (script) {
    case ScriptLauncher::Outcome::Waiting:
    case ScriptLauncher::Outcome::Running:
        return {ProgressTick::Hold, animation.runningTicks, 0, QString()};
    case ScriptLauncher::Outcome::Succeeded:
        return {ProgressTick::Finish, 0, 100, QString::fromLatin1(animation.completedText)};
    case ScriptLauncher::Outcome::NotLaunched:
    case ScriptLauncher::Outcome::Failed:
        break;
    }
    return {ProgressTick::Finish, 0, 100, QString::fromLatin1(animation.failedText)};
}

bool isHeldForScript(const ProgressAnimation &animation, int step, bool timerActive)
{
    return step == animation.runningTicks && !timerActive;
}
