// "Compile Custom Picture": packs the data folder into a flash image.

#include <QDebug>
#include <QPixmap>
#include <QTimer>

#include "electronic_clock.h"
#include "picture_file.h"
#include "progress_animation.h"
#include "script_launcher.h"
#include "style_catalogue.h"
#include "toolchain_folder.h"
#include "ui_electronic_clock.h"

void Electronic_Clock::on_pushButtonCompile_clicked()
{
    const QString appDir = ToolchainFolder::applicationDirectory();
    scratchImage.load(StyleCatalogue::customPreviewPath());
    const QPixmap customPreview = QPixmap::fromImage(scratchImage);

    // In custom mode the user's own pictures go into the data folder first, fitted to the
    // clock's panel. A picture that cannot be read leaves that digit's data file as it was.
    if (customFlag == QLatin1String("1")) {
        for (int digit = 0; digit <= 9; ++digit) {
            PictureFile::loadFitted(scratchImage,
                                    ToolchainFolder::customPicturePath(appDir, digit));
            PictureFile::saveAtomically(scratchImage,
                                        ToolchainFolder::dataPicturePath(appDir, digit));
        }
        ui->labelPicture_2->setPixmap(customPreview);
    }
    ui->labelPicture->setPixmap(customPreview);

    clearBarNotes();
    builderLauncher->launch(ToolchainFolder::builderScriptPath(appDir),
                            ToolchainFolder::builderLogPath(appDir));
    compileTimer->start(compileAnimation.intervalMs);
    qDebug() << "编译按钮已经按下";
    customFlag = QStringLiteral("1");
}
