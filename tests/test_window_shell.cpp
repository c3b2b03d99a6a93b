// The window as it opens: its class, its widgets, and how it ends.

#include <QComboBox>
#include <QLabel>
#include <QMetaMethod>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>
#include <QtTest>

#include "message_count.h"
#include "picture_helpers.h"
#include "program_folder.h"
#include "start_up.h"
#include "style_catalogue.h"
#include "window_probe.h"

namespace {

using TestPictures::fromPixmap;
using TestPictures::shownBy;

const QStringList slotSignatures = {
        "Qtimer1()",
        "Qtimer2()",
        "on_pushButtonJPG1_clicked()",
        "on_pushButtonJPG2_clicked()",
        "on_pushButtonJPG3_clicked()",
        "on_pushButtonJPG4_clicked()",
        "on_pushButtonJPG5_clicked()",
        "on_pushButtonJPG9_clicked()",
        "on_pushButtonJPG6_clicked()",
        "on_pushButtonJPG7_clicked()",
        "on_pushButtonJPG8_clicked()",
        "on_pushButtonJPG10_clicked()",
        "on_pushButtonJPG11_clicked()",
        "on_pushButtonJPG12_clicked()",
        "on_pushButtonJPG13_clicked()",
        "on_pushButtonJPG14_clicked()",
        "on_pushButtonJPG15_clicked()",
        "on_pushButtonJPG16_clicked()",
        "on_pushButtonJPG17_clicked()",
        "on_pushButtonJPG18_clicked()",
        "on_pushButtonJPG19_clicked()",
        "on_pushButtonJPG20_clicked()",
        "on_pushButtonJPG21_clicked()",
        "on_pushButtonJPG22_clicked()",
        "on_pushButtonJPG23_clicked()",
        "on_pushButtonCompile_clicked()",
        "on_pushButtonUpload_clicked()",
        "on_pushButtonUpdateCom_clicked()",
        "on_comboBox_currentIndexChanged(QString)",
};

// The style buttons from the top of the column down.
const QList<int> columnOrder
        = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 22, 23, 21, 20};

const QString calligraphy = QString::fromUtf8("\xE9\x9A\xB6\xE4\xB9\xA6");

struct Expected
{
    const char *name;
    const char *className;
    const char *parent;
    QRect geometry;
};

// Qt's own icon for a preview picture, as a file icon would hold it: the measure of the previews.
QIcon qtsOwnIcon(const QString &path)
{
    QIcon icon;
    const QPixmap picture = QPixmap::fromImage(QImage(path));
    icon.addPixmap(picture, QIcon::Normal, QIcon::Off);
    icon.addPixmap(picture, QIcon::Normal, QIcon::On);
    return icon;
}

} // namespace

class TestWindowShell : public QObject
{
    Q_OBJECT

public:
    // Before the application object, as main() does: every window here is the program's.
    static void initMain() { StartUp::enableHighDpiScaling(); }

private slots:
    void initTestCase() { ProgramFolder::reset(); }

    void metaObjectHasExactlyTheSlotTable()
    {
        const QMetaObject &meta = Electronic_Clock::staticMetaObject;
        QCOMPARE(meta.className(), "Electronic_Clock");
        QCOMPARE(meta.superClass(), &QMainWindow::staticMetaObject);
        QCOMPARE(meta.methodCount() - meta.methodOffset(), slotSignatures.size());
        for (int i = 0; i < slotSignatures.size(); ++i) {
            const QMetaMethod method = meta.method(meta.methodOffset() + i);
            QCOMPARE(QString(method.methodSignature()), slotSignatures[i]);
            QCOMPARE(method.methodType(), QMetaMethod::Slot);
            QCOMPARE(method.access(), QMetaMethod::Private);
            QCOMPARE(method.returnType(), int(QMetaType::Void));
        }
        QCOMPARE(meta.method(meta.methodCount() - 1).parameterNames().value(0), QByteArray("arg1"));
        QCOMPARE(meta.propertyCount(), meta.propertyOffset());
        QCOMPARE(meta.enumeratorCount(), meta.enumeratorOffset());
        QCOMPARE(meta.classInfoCount(), meta.classInfoOffset());
        QCOMPARE(meta.constructorCount(), 0);
    }

    void widgetTreeHasEveryObjectInPlace()
    {
        Electronic_Clock window;
        const QList<Expected> expected = {
                {"centralwidget", "QWidget", "Electronic_Clock", {}},
                {"comboBox", "QComboBox", "centralwidget", {0, 0, 260, 30}},
                {"pushButtonUpdateCom", "QPushButton", "centralwidget", {260, 0, 100, 30}},
                {"progressBar", "QProgressBar", "centralwidget", {0, 120, 850, 30}},
                {"pushButtonUpload", "QPushButton", "centralwidget", {0, 30, 181, 60}},
                {"pushButtonCompile", "QPushButton", "centralwidget", {180, 30, 181, 60}},
                {"labelPicture", "QLabel", "centralwidget", {390, 20, 440, 80}},
                {"scrollArea", "QScrollArea", "centralwidget", {0, 250, 850, 600}},
                {"scrollAreaWidgetContents",
                 "QWidget",
                 "qt_scrollarea_viewport",
                 {0, 0, 850, 3850}},
                {"layoutWidget", "QWidget", "scrollAreaWidgetContents", {5, 0, 815, 3737}},
                {"verticalLayout", "QVBoxLayout", "layoutWidget", {}},
                {"comboBox_2", "QComboBox", "centralwidget", {0, 90, 360, 30}},
                {"label", "QLabel", "centralwidget", {20, 160, 331, 80}},
                {"labelPicture_2", "QLabel", "centralwidget", {370, 160, 440, 80}},
        };
        int objects = 0;
        for (const Expected &e : expected) {
            QObject *object = window.findChild<QObject *>(e.name);
            QVERIFY2(object, e.name);
            QCOMPARE(object->metaObject()->className(), e.className);
            QCOMPARE(object->parent()->objectName(), QString(e.parent));
            if (!e.geometry.isNull())
                QCOMPARE(qobject_cast<QWidget *>(object)->geometry(), e.geometry);
            ++objects;
        }
        auto *layout = window.findChild<QVBoxLayout *>("verticalLayout");
        QCOMPARE(layout->count(), columnOrder.size());
        QCOMPARE(layout->contentsMargins(), QMargins(0, 0, 0, 0));
        for (int i = 0; i < columnOrder.size(); ++i) {
            auto *button = qobject_cast<QPushButton *>(layout->itemAt(i)->widget());
            QVERIFY(button);
            QCOMPARE(button->objectName(), QString("pushButtonJPG%1").arg(columnOrder[i]));
            QCOMPARE(button->parent()->objectName(), QString("layoutWidget"));
            QVERIFY(button->text().isEmpty());
            QVERIFY(!button->icon().isNull());
            QCOMPARE(button->icon().availableSizes(QIcon::Normal, QIcon::On).value(0),
                     QSize(1350, 240));
            QCOMPARE(button->iconSize(), QSize(800, 140));
            ++objects;
        }
        QCOMPARE(objects, 37);
        QCOMPARE(window.centralWidget()->objectName(), QString("centralwidget"));
        QCOMPARE(window.findChild<QScrollArea *>("scrollArea")->widget()->objectName(),
                 QString("scrollAreaWidgetContents"));
    }

    void styleButtonsShowTheirPreviewsScaledDown()
    {
        // The previews decode only when drawn; what is drawn is the preview, smoothly scaled.
        Electronic_Clock window;
        for (int style : {1, 12, 23}) {
            auto *button = WindowProbe(window).styleButton(style);
            const QImage expected
                    = QImage(StyleCatalogue::previewPath(style))
                              .scaled(800, 140, Qt::KeepAspectRatio, Qt::SmoothTransformation)
                              .convertToFormat(QImage::Format_RGB32);
            QCOMPARE(button->icon().actualSize(QSize(800, 140)), QSize(787, 140));
            for (QIcon::State state : {QIcon::Off, QIcon::On}) {
                const QPixmap drawn = button->icon().pixmap(QSize(800, 140), QIcon::Normal, state);
                QCOMPARE(fromPixmap(drawn), expected);
            }
        }
        QVERIFY(QIcon(ProgramFolder::path() + "/no such picture.jpg").isNull());
    }

    void textsFontsAndProperties()
    {
        Electronic_Clock window;
        auto *ui = WindowProbe(window).ui();
        QCOMPARE(window.objectName(), QString("Electronic_Clock"));
        QCOMPARE(window.windowTitle(), QString("Vantaro IPS"));
        QCOMPARE(ui->pushButtonUpdateCom->text(), QString("Refresh"));
        QCOMPARE(ui->pushButtonUpload->text(), QString("Upload Image"));
        QCOMPARE(ui->pushButtonCompile->text(), QString("Compile Custom Picture"));
        QCOMPARE(ui->label->text(), QString("Current style:"));
        for (QPushButton *button :
             {ui->pushButtonUpdateCom, ui->pushButtonUpload, ui->pushButtonCompile}) {
            QCOMPARE(button->font().family(), calligraphy);
            QCOMPARE(button->font().pointSize(), 8);
        }
        QCOMPARE(ui->comboBox_2->font().family(), calligraphy);
        QCOMPARE(ui->comboBox_2->font().pointSize(), QFont().pointSize());
        QCOMPARE(ui->label->font().family(), calligraphy);
        QCOMPARE(ui->label->font().pointSize(), 28);
        QCOMPARE(ui->comboBox->font().family(), QFont().family());

        QCOMPARE(ui->comboBox_2->count(), 1);
        QCOMPARE(ui->comboBox_2->currentText(), QString("NorikIPS_v6"));
        QVERIFY(!ui->comboBox_2->isEditable());
        ui->retranslateUi(&window);
        QCOMPARE(ui->comboBox_2->count(), 1);
        QCOMPARE(ui->comboBox->count(), 0);
        QCOMPARE(ui->comboBox->currentIndex(), -1);

        QCOMPARE(ui->scrollArea->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
        QCOMPARE(ui->scrollArea->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
        QCOMPARE(ui->scrollArea->sizeAdjustPolicy(), QAbstractScrollArea::AdjustToContents);
        QCOMPARE(ui->progressBar->alignment(), Qt::AlignCenter);
        QCOMPARE(ui->progressBar->orientation(), Qt::Horizontal);
        QCOMPARE(ui->progressBar->minimum(), 0);
        QCOMPARE(ui->progressBar->maximum(), 100);
        QCOMPARE(window.sizePolicy().horizontalPolicy(), QSizePolicy::Expanding);
        QCOMPARE(window.sizePolicy().verticalPolicy(), QSizePolicy::Expanding);
        QCOMPARE(window.windowOpacity(), 1.0);
        QCOMPARE(window.toolTipDuration(), 0);
        QCOMPARE(window.iconSize(), QSize(0, 0));
    }

    void constructorLeavesTheWindowReady()
    {
        MessageCount messages;
        Electronic_Clock window;
        QCOMPARE(messages.stop(), 0); // no slot ran while the window was built

        WindowProbe probe(window);
        auto *ui = probe.ui();
        QVERIFY(!ui->scrollArea->widgetResizable());
        QCOMPARE(ui->scrollAreaWidgetContents->geometry(), QRect(0, 0, 850, 3850));
        QVERIFY(ui->labelPicture->hasScaledContents());
        QVERIFY(ui->labelPicture_2->hasScaledContents());
        const QImage custom(":/img/NorikIPS_PIC_Picture/NorikIPS_PIC_custom.jpg");
        QVERIFY(!custom.isNull());
        for (QLabel *label : {ui->labelPicture, ui->labelPicture_2}) {
            QCOMPARE(shownBy(label), custom.convertToFormat(QImage::Format_RGB32));
            QVERIFY(label->text().isEmpty());
        }
        QCOMPARE(ui->progressBar->value(), 0);
        QCOMPARE(ui->progressBar->text(), QString("Idle"));
        QVERIFY(!probe.compileTimer()->isActive());
        QVERIFY(!probe.uploadTimer()->isActive());
        QVERIFY(!probe.compileTimer()->isSingleShot());
        QCOMPARE(probe.compileStep(), 0);
        QCOMPARE(probe.uploadStep(), 0);
        QVERIFY(probe.currentPort().isEmpty());
        QCOMPARE(probe.customFlag(), QString("1"));
        QCOMPARE(probe.scratchImage().size(), QSize(1350, 240));
    }

    void windowSizeIsFixedInWidth()
    {
        Electronic_Clock window;
        QCOMPARE(window.size(), QSize(850, 740));
        QCOMPARE(window.minimumSize(), QSize(850, 640));
        QCOMPARE(window.maximumSize(), QSize(850, 740));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.resize(1000, 500);
        QCOMPARE(window.size(), QSize(850, 640));
    }

    void closingTheWindowEndsTheLoopWithZero()
    {
        auto *window = new Electronic_Clock;
        window->setAttribute(Qt::WA_DeleteOnClose);
        window->show();
        // An animation that is still running at close must not keep the program alive.
        WindowProbe(*window).compileTimer()->start(1000);
        QTimer::singleShot(50, window, &QWidget::close);
        QCOMPARE(QApplication::exec(), 0);
    }

    // High-DPI scaling

    void highDpiScalingIsAskedForBeforeTheApplication()
    {
        QVERIFY(QCoreApplication::testAttribute(Qt::AA_EnableHighDpiScaling));
        QVERIFY(QCoreApplication::testAttribute(Qt::AA_UseHighDpiPixmaps));
#ifdef Q_OS_WIN
        // The Wine runs pin the rounding in the environment, which overrides the program's own
        // choice; one run of this case goes without (test_window_shell_rounding).
        if (qEnvironmentVariableIsSet("QT_SCALE_FACTOR_ROUNDING_POLICY"))
            QSKIP("QT_SCALE_FACTOR_ROUNDING_POLICY chooses the rounding here; the run without it "
                  "checks the program's own");
        QCOMPARE(QGuiApplication::highDpiScaleFactorRoundingPolicy(),
                 Qt::HighDpiScaleFactorRoundingPolicy::PassThrough);
#else
        // Rounded as Qt rounds: the test screen's 100 DPI, as many X11 servers report, is 100%.
        QVERIFY(QGuiApplication::highDpiScaleFactorRoundingPolicy()
                != Qt::HighDpiScaleFactorRoundingPolicy::PassThrough);
        QCOMPARE(qApp->devicePixelRatio(), 1.0);
#endif
    }

    void previewIconsDrawAsQtsOwnIconsInEveryModeAndSize()
    {
        Electronic_Clock window;
        for (int style : {1, 23}) {
            auto *button = WindowProbe(window).styleButton(style);
            const QIcon reference = qtsOwnIcon(StyleCatalogue::previewPath(style));
            for (const QSize size :
                 {QSize(800, 140), QSize(1200, 210), QSize(1600, 280), QSize(100, 100)}) {
                for (QIcon::Mode mode :
                     {QIcon::Normal, QIcon::Active, QIcon::Disabled, QIcon::Selected}) {
                    for (QIcon::State state : {QIcon::Off, QIcon::On}) {
                        const QPixmap drawn = button->icon().pixmap(size, mode, state);
                        const QPixmap expected = reference.pixmap(size, mode, state);
                        QCOMPARE(drawn.size(), expected.size());
                        QCOMPARE(button->icon().actualSize(size, mode, state),
                                 reference.actualSize(size, mode, state));
                        QVERIFY2(fromPixmap(drawn) == fromPixmap(expected),
                                 qPrintable(QString("style %1, %2 x %3, mode %4, state %5")
                                                    .arg(style)
                                                    .arg(size.width())
                                                    .arg(size.height())
                                                    .arg(mode)
                                                    .arg(state)));
                    }
                }
            }
        }
    }

    // Run in this process at ratio 1, and by the test below in processes at 1.5 and 2.
    void previewIconsOnScreenMatchQtsOwnIcons()
    {
        Electronic_Clock window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const qreal ratio = window.windowHandle()->devicePixelRatio();
        if (qEnvironmentVariableIsSet("QT_SCALE_FACTOR"))
            QCOMPARE(ratio, qEnvironmentVariable("QT_SCALE_FACTOR").toDouble());
        for (int style : {1, 12}) {
            auto *button = WindowProbe(window).styleButton(style);
            const QIcon reference = qtsOwnIcon(StyleCatalogue::previewPath(style));
            // As the button asks for it when it paints.
            const QPixmap drawn = button->icon().pixmap(window.windowHandle(), QSize(800, 140));
            const QPixmap expected = reference.pixmap(window.windowHandle(), QSize(800, 140));
            // Sharp: as many of the picture's pixels as the screen shows, up to all of them.
            const QSize onScreen = QSize(800, 140) * ratio;
            QCOMPARE(drawn.size(),
                     QSize(1350, 240).scaled(onScreen.boundedTo(QSize(1350, 240)),
                                             Qt::KeepAspectRatio));
            QCOMPARE(drawn.size(), expected.size());
            QCOMPARE(drawn.devicePixelRatio(), expected.devicePixelRatio());
            QVERIFY(fromPixmap(drawn) == fromPixmap(expected));

            // QIcon::paint, which draws through the engine's own paint().
            for (qreal paintRatio : {1.0, 2.0}) {
                QImage ours(QSize(800, 140) * paintRatio, QImage::Format_RGB32);
                ours.setDevicePixelRatio(paintRatio);
                ours.fill(Qt::white);
                QImage theirs = ours;
                {
                    QPainter painter(&ours);
                    button->icon().paint(&painter, QRect(0, 0, 800, 140));
                }
                {
                    QPainter painter(&theirs);
                    reference.paint(&painter, QRect(0, 0, 800, 140));
                }
                QVERIFY(ours == theirs);
            }
        }
    }

    void previewIconsFollowTheScreensPixelRatio()
    {
        for (const char *scale : {"1.5", "2"}) {
            QProcess child;
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert("QT_SCALE_FACTOR", scale);
            child.setProcessEnvironment(environment);
            child.setProcessChannelMode(QProcess::MergedChannels);
            child.start(QCoreApplication::applicationFilePath(),
                        {"previewIconsOnScreenMatchQtsOwnIcons"});
            QVERIFY(child.waitForFinished(60000));
            const QByteArray output = child.readAll();
            QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0,
                     output.constData());
            // CTest never sees the child's output: the kinds of message that fail a test there
            // (FAIL_REGULAR_EXPRESSION in tests/CMakeLists.txt) fail this one.
            QVERIFY2(!QString::fromLocal8Bit(output).contains(
                             QRegularExpression("QWARN|QCRITICAL|QFATAL|QSYSTEM")),
                     output.constData());
        }
    }

    // Start-up

    void programWindowBuildsTheSameWindow()
    {
        const auto program = StartUp::makeProgramWindow();
        WindowProbe probe(*program);
        const QImage custom(StyleCatalogue::customPreviewPath());
        QCOMPARE(probe.scratchImage(), custom);
        for (QLabel *label : {probe.ui()->labelPicture, probe.ui()->labelPicture_2}) {
            QCOMPARE(shownBy(label), custom.convertToFormat(QImage::Format_RGB32));
        }
        QCOMPARE(program->size(), QSize(850, 740));
        QCOMPARE(QGuiApplication::desktopFileName(), QString("electronic_clock"));
    }

    // Read by Qt's X11 support only; set or not, the offscreen windows here are the same.
    void openGlIsLeftOutUnlessTheEnvironmentChoosesIt()
    {
        const char *const name = "QT_XCB_GL_INTEGRATION";
        const bool wasSet = qEnvironmentVariableIsSet(name);
        const QByteArray before = qgetenv(name);
        qunsetenv(name);
        StartUp::drawWithoutOpenGl();
        QCOMPARE(qgetenv(name), QByteArray("none"));
        // A user's choice stays, even an empty one, which asks for Qt's default. Windows knows no
        // empty variable: setting one to nothing unsets it.
        QList<QByteArray> choices {"xcb_egl"};
#ifndef Q_OS_WIN
        choices << QByteArray();
#endif
        for (const QByteArray &chosen : qAsConst(choices)) {
            qputenv(name, chosen);
            StartUp::drawWithoutOpenGl();
            QVERIFY(qEnvironmentVariableIsSet(name));
            QCOMPARE(qgetenv(name), chosen);
        }
        if (wasSet)
            qputenv(name, before);
        else
            qunsetenv(name);
    }
};

QTEST_MAIN(TestWindowShell)
#include "test_window_shell.moc"
