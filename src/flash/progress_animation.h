#ifndef FLASH_PROGRESS_ANIMATION_H
#define FLASH_PROGRESS_ANIMATION_H

#include <QString>

#include "script_launcher.h"

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

// What one tick does to the bar, the counter and the animation's timer.
struct ProgressTick
{
    enum Action {
        Yield,   // the other animation holds the bar: stop this timer, change nothing else
        Advance, // show `value` and `text`, keep ticking
        Hold,    // the script still runs: keep the bar as it is, stop ticking until it ends
        Finish,  // show `value` and `text`, stop the timer; the bar is free again
    };
    Action action;
    int step; // the animation's counter after the tick
    int value = 0;
    QString text;
};

// The step rule of one tick, given this animation's counter, the other animation's counter and
// how the script that this animation stands for has ended so far.
ProgressTick nextProgressTick(const ProgressAnimation &animation, int ownStep, int otherStep,
                              ScriptLauncher::Outcome script);

// Whether an animation is held at its last running step, waiting for its script to end.
bool isHeldForScript(const ProgressAnimation &animation, int step, bool timerActive);

#endif // FLASH_PROGRESS_ANIMATION_H
