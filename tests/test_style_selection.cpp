// A click on a style button: the preview, the ten data pictures and custom mode.

#include <QDir>
#include <QFileInfo>
#include <QPushButton>
#include <QtTest>

#include "message_count.h"
#include "picture_helpers.h"
#include "program_folder.h"
#include "style_catalogue.h"
#include "window_probe.h"

namespace {

using TestPictures::fromFile;
using TestPictures::shownBy;

} // namespace

class TestStyleSelection : public QObject
{
    Q_OBJECT

private slots:
    void init() { ProgramFolder::reset(); }

    void clickWritesTheStyleDigitsAndShowsItsPreview_data()
    {
        QTest::addColumn<int>("style");
        for (int style : {1, 7, 9, 15, 20, 21, 22, 23})
            QTest::addRow("style %d", style) << style;
    }

    void clickWritesTheStyleDigitsAndShowsItsPreview()
    {
        QFETCH(int, style);
        Electronic_Clock window;
        WindowProbe probe(window);
        MessageCount messages;
        probe.styleButton(style)->click();
        const int messagesLogged = messages.stop();

        for (int digit = 0; digit <= 9; ++digit) {
            const QImage written(ProgramFolder::dataPicture(digit));
            QCOMPARE(written.size(), QSize(135, 240));
            QVERIFY2(
                    TestPictures::alike(written, fromFile(StyleCatalogue::digitPath(style, digit))),
                    qPrintable(QString("digit %1").arg(digit)));
            // Not a byte copy: the picture is encoded again at the highest quality.
            QVERIFY(ProgramFolder::readFile(ProgramFolder::dataPicture(digit))
                    != ProgramFolder::readFile(StyleCatalogue::digitPath(style, digit)));
        }
        const QImage preview = fromFile(StyleCatalogue::previewPath(style));
        QCOMPARE(shownBy(probe.ui()->labelPicture), preview);
        QCOMPARE(shownBy(probe.ui()->labelPicture_2), preview);
        QCOMPARE(probe.customFlag(), QString("0"));
        QCOMPARE(messagesLogged, 0);
        QCOMPARE(probe.ui()->progressBar->text(), QString("Idle"));
        QVERIFY(!probe.compileTimer()->isActive());
        // The data folder holds the ten pictures and nothing else, no temporary file left over.
        QCOMPARE(QDir(ProgramFolder::data()).entryList(QDir::Files | QDir::Hidden).size(), 10);
    }

    void latestClickDecides()
    {
        Electronic_Clock window;
        WindowProbe probe(window);
        probe.styleButton(3)->click();
        probe.styleButton(12)->click();
        const QByteArray first = ProgramFolder::readFile(ProgramFolder::dataPicture(4));
        probe.styleButton(12)->click();
        QCOMPARE(ProgramFolder::readFile(ProgramFolder::dataPicture(4)), first);
        QVERIFY(TestPictures::alike(QImage(ProgramFolder::dataPicture(4)),
                                    fromFile(StyleCatalogue::digitPath(12, 4))));
    }

    void missingDataFolderCreatesNothing()
    {
        ProgramFolder::remove(ProgramFolder::data());
        const QStringList before
                = QDir(ProgramFolder::esptool()).entryList(QDir::AllEntries | QDir::Hidden);
        Electronic_Clock window;
        WindowProbe probe(window);
        probe.styleButton(5)->click();
        QVERIFY(!QFileInfo::exists(ProgramFolder::data()));
        QCOMPARE(QDir(ProgramFolder::esptool()).entryList(QDir::AllEntries | QDir::Hidden), before);
        QCOMPARE(shownBy(probe.ui()->labelPicture_2), fromFile(StyleCatalogue::previewPath(5)));
        QCOMPARE(probe.customFlag(), QString("0"));
    }

    void aFolderInPlaceOfOnePictureOnlyStopsThatDigit()
    {
        ProgramFolder::fillData(Qt::magenta);
        ProgramFolder::remove(ProgramFolder::dataPicture(3));
        QVERIFY(QDir().mkdir(ProgramFolder::dataPicture(3)));
        Electronic_Clock window;
        WindowProbe(window).styleButton(2)->click();
        QVERIFY(QFileInfo(ProgramFolder::dataPicture(3)).isDir());
        for (int digit : {0, 1, 2, 4, 9})
            QVERIFY(TestPictures::alike(QImage(ProgramFolder::dataPicture(digit)),
                                        fromFile(StyleCatalogue::digitPath(2, digit))));
        QCOMPARE(WindowProbe(window).customFlag(), QString("0"));
    }

    void readOnlyPictureIsLeftAsItWas()
    {
        ProgramFolder::fillData(Qt::magenta);
        QFile protectedPicture(ProgramFolder::dataPicture(3));
        QVERIFY(protectedPicture.setPermissions(QFile::ReadOwner | QFile::ReadGroup
                                                | QFile::ReadOther));
        if (QFileInfo(ProgramFolder::dataPicture(3)).isWritable())
            QSKIP(ProgramFolder::readOnlyDoesNotBind);
        const QByteArray before = ProgramFolder::readFile(ProgramFolder::dataPicture(3));
        Electronic_Clock window;
        WindowProbe(window).styleButton(11)->click();
        QCOMPARE(ProgramFolder::readFile(ProgramFolder::dataPicture(3)), before);
        for (int digit : {0, 2, 4, 9})
            QVERIFY(TestPictures::alike(QImage(ProgramFolder::dataPicture(digit)),
                                        fromFile(StyleCatalogue::digitPath(11, digit))));
        protectedPicture.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    }

    void readOnlyDataFolderIsLeftAsItWas()
    {
        ProgramFolder::fillData(Qt::magenta);
        QList<QByteArray> before;
        for (int digit = 0; digit <= 9; ++digit)
            before << ProgramFolder::readFile(ProgramFolder::dataPicture(digit));
        QFile::setPermissions(ProgramFolder::data(), QFile::ReadOwner | QFile::ExeOwner);
        if (QFileInfo(ProgramFolder::data()).isWritable()) {
            QFile::setPermissions(ProgramFolder::data(),
                                  QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            QSKIP(ProgramFolder::readOnlyDoesNotBind);
        }
        Electronic_Clock window;
        WindowProbe(window).styleButton(4)->click();
        QFile::setPermissions(ProgramFolder::data(),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        for (int digit = 0; digit <= 9; ++digit)
            QCOMPARE(ProgramFolder::readFile(ProgramFolder::dataPicture(digit)), before[digit]);
        QCOMPARE(QDir(ProgramFolder::data()).entryList(QDir::Files | QDir::Hidden).size(), 10);
        QCOMPARE(WindowProbe(window).customFlag(), QString("0"));
    }

    void everyButtonSelectsItsOwnStyle()
    {
        Electronic_Clock window;
        for (int style = StyleCatalogue::firstStyle; style <= StyleCatalogue::lastStyle; ++style) {
            WindowProbe(window).styleButton(style)->click();
            QVERIFY2(TestPictures::alike(QImage(ProgramFolder::dataPicture(7)),
                                         fromFile(StyleCatalogue::digitPath(style, 7))),
                     qPrintable(QString("style %1").arg(style)));
            QCOMPARE(shownBy(WindowProbe(window).ui()->labelPicture),
                     fromFile(StyleCatalogue::previewPath(style)));
        }
    }
};

QTEST_MAIN(TestStyleSelection)
#include "test_style_selection.moc"
