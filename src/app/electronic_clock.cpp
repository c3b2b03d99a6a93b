#include "electronic_clock.h"

#include <QPixmap>
#include <QTimer>

#include "progress_animation.h"
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
    , heldBackDelay(new QTimer(this))
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

    // An animation that waits for its script goes on when the script ends.
    connect(builderLauncher, &ScriptLauncher::latestEnded, this, &Electronic_Clock::onScriptEnded);
    connect(uploaderLauncher, &ScriptLauncher::latestEnded, this, &Electronic_Clock::onScriptEnded);
    heldBackDelay->setSingleShot(true);
    heldBackDelay->setInterval(heldBackDelayMs);
    connect(heldBackDelay, &QTimer::timeout, this, &Electronic_Clock::resumeHeldBack);
}

Electronic_Clock::~Electronic_Clock()
{
    delete ui;
    // The timers have no parent; deleting them also stops them, so no tick outlives the window.
    delete uploadTimer;
    delete compileTimer;
}
