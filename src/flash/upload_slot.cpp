// "Upload Image": hands the chosen port to the upload script and runs it.

#include <QDebug>
#include <QTimer>

#include "electronic_clock.h"
#include "port_line.h"
#include "progress_animation.h"
#include "script_launcher.h"
#include "toolchain_folder.h"

void Electronic_Clock::on_pushButtonUpload_clicked()
{
    const QString script
            = ToolchainFolder::uploadScriptPath(ToolchainFolder::applicationDirectory());
    // A script that cannot be rewritten still runs, with the port it already names.
    PortLine::rewriteFile(script, currentPort);
    // An image still being built must not go to the clock half-written: the upload starts once
    // the image builder has ended. The animation starts at the click all the same.
    uploaderLauncher->launchAfter(script, builderLauncher);
    qDebug() << "上传按钮已经按下";
    uploadTimer->start(uploadAnimation.intervalMs);
}
