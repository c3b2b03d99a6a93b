#include "electronic_clock.h"

#include <QPixmap>
#include <QTimer>

#include "script_launcher.h"
#include "style_catalogue.h"
#include "ui_electronic_clock.h"

Electronic_Clock::Electronic_Clock(QWidget *parent)
    : QMainWindow(parent)
    , compileTimer(new QTimer)
    , uploadTimer(new QTimer)
    , ui(new Ui_Electronic_Clock)
    , builderLauncher(new ScriptLauncher(this))
    , uploaderLauncher(new ScriptLauncher(this))
{
    ui->setupUi(this);

    // The contents keep a fixed size and scroll, rather than shrinking the style buttons.
    ui->scrollArea->setWidgetResizable(false);
    ui->scrollAreaWidgetContents->setGeometry(QRect(0, 0, 850, 3850));

    ui->labelPicture->setScaledContents(true);
    ui->labelPicture_2->setScaledContents(true);
    scratchImage.load(StyleCatalogue::customPreviewPath());
    const QPixmap customPreview = QPixmap::fromImage(scratchImage);
    ui->labelPicture->setPixmap(customPreview);
    ui->labelPicture_2->setPixmap(customPreview);

    ui->progressBar->setFormat(QStringLiteral("Idle"));

    connect(compileTimer, SIGNAL(timeout()), this, SLOT(Qtimer1()));
    connect(uploadTimer, SIGNAL(timeout()), this, SLOT(Qtimer2()));

    // An animation that reached its end before its script did finishes when the script ends.
    connect(builderLauncher, &ScriptLauncher::latestEnded, this,
            &Electronic_Clock::finishHeldCompile);
    connect(uploaderLauncher, &ScriptLauncher::latestEnded, this,
            &Electronic_Clock::finishHeldUpload);
}

Electronic_Clock::~Electronic_Clock()
{
    delete ui;
    // The timers have no parent; deleting them also stops them, so no tick outlives the window.
    delete uploadTimer;
    delete compileTimer;
}
