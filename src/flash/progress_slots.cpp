// The two tick slots of the progress animations.

#include <QProgressBar>
#include <QTimer>

#include "electronic_clock.h"
#include "progress_animation.h"
#include "ui_electronic_clock.h"

namespace {

void applyTick(const ProgressTick &tick, int &step, QTimer *timer, QProgressBar *bar)
{
    step = tick.step;
    if (tick.action == ProgressTick::Advance || tick.action == ProgressTick::Finish) {
        bar->setValue(tick.value);
        bar->setFormat(tick.text);
    }
    if (tick.action != ProgressTick::Advance)
        timer->stop();
}

} // namespace

void Electronic_Clock::Qtimer1()
{
    applyTick(
            nextProgressTick(compileAnimation, compileStep, uploadStep, builderLauncher->outcome()),
            compileStep, compileTimer, ui->progressBar);
}

void Electronic_Clock::Qtimer2()
{
    applyTick(
            nextProgressTick(uploadAnimation, uploadStep, compileStep, uploaderLauncher->outcome()),
            uploadStep, uploadTimer, ui->progressBar);
}

// Called when a script ends: an animation that waits for it takes its final tick now.
void Electronic_Clock::finishHeldCompile()
{
    if (isHeldForScript(compileAnimation, compileStep, compileTimer->isActive()))
        Qtimer1();
}

void Electronic_Clock::finishHeldUpload()
{
    if (isHeldForScript(uploadAnimation, uploadStep, uploadTimer->isActive()))
        Qtimer2();
}
