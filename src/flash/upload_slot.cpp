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
    clearBarNotes();
    const QString appDir = ToolchainFolder::applicationDirectory();
    const QString script = ToolchainFolder::uploadScriptPath(appDir);
    // An image still being built must not go to the clock half-written, and two uploads must not
    // fight for the port: the upload starts once the image builder and any earlier upload have
    // ended. The port line is written right before the start, as cmd.exe reads a batch file as it
    // runs it, so the script of a run still going must not change under it. A script that cannot
    // be rewritten still runs, with the port it already names. The animation starts at the click.
    const QString port = currentPort;
    uploaderLauncher->launchAfter(script, ToolchainFolder::uploadLogPath(appDir), builderLauncher,
                                  [script, port] { PortLine::rewriteFile(script, port); });
    qDebug() << "上传按钮已经按下";
    uploadTimer->start(uploadAnimation.intervalMs);
}
