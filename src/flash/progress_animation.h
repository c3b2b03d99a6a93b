#ifndef FLASH_PROGRESS_ANIMATION_H
#define FLASH_PROGRESS_ANIMATION_H

#include <QString>

#include "script_launcher.h"

class QFontMetrics;

// The timed animations on the progress bar. Each one counts ticks of its own timer; a counter of
// 0 means that the animation does not hold the bar, and only one animation holds it at a time.
struct ProgressAnimation
{
    int intervalMs;
    int runningTicks; // ticks that show progress before the final one
    int percentPerTick;
    const char *runningText;
    const char *completedText;
    const char *failedText;
};

extern const ProgressAnimation compileAnimation;
extern const ProgressAnimation uploadAnimation;

// How long a final text stands before an animation held back behind it goes on.
constexpr int heldBackDelayMs = 2000;

// What one tick does to the bar, the counter and the animation's timer.
struct ProgressTick
{
    enum Action {
        Yield,   // the bar is held: stop this timer, change nothing else, go on later
        Advance, // show `value` and `text`, keep ticking
        Hold,    // the script still runs: keep the bar as it is, stop ticking until it ends
        Finish,  // stop the timer and show the script's outcome; the bar is free again
    };
    Action action;
    int step; // the animation's counter after the tick
    int value = 0;
    QString text;
};

// The step rule of one tick, given this animation's counter, the other animation's counter, how
// the script that this animation stands for has ended so far, and whether the bar shows a failure
// that came after the click that started this animation. A script that has failed ends its
// animation at once; one that succeeded lets it run to its end.
ProgressTick nextProgressTick(const ProgressAnimation &animation, int ownStep, int otherStep,
                              ScriptLauncher::Outcome script, bool failureShown);

// Whether an animation is held at its last running step, waiting for its script to end.
bool isHeldForScript(const ProgressAnimation &animation, int step, bool timerActive);

// What an animation held back behind the other does once the bar is free again.
enum class HeldBackStep {
    Wait,      // its script still runs, and a failure on the bar must stay: go on when it ends
    ShowFinal, // its script has ended: show its outcome at once
    Animate,   // its script still runs: play its animation from the first step
};
HeldBackStep heldBackStep(ScriptLauncher::Outcome script, bool failureShown);

// The failure text of an animation: its failed text and the script's reason, cut at the end to
// fit `width` pixels, or the bare failed text without a reason. The bar reads %p, %v and %m in
// its text as numbers and has no escape, so a percent sign becomes a word.
QString failureText(const ProgressAnimation &animation, const QString &reason,
                    const QFontMetrics &metrics, int width);

#endif // FLASH_PROGRESS_ANIMATION_H
