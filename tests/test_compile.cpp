// "Compile Custom Picture": the custom set, the previews, the builder and custom mode.

#include <QBuffer>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

#include "program_folder.h"
#include "style_catalogue.h"
#include "window_probe.h"

namespace {

QImage labelImage(QLabel *label)
{
    return label->pixmap(Qt::ReturnByValue).toImage().convertToFormat(QImage::Format_RGB32);
}

QImage resource(const QString &path)
{
    return QImage(path).convertToFormat(QImage::Format_RGB32);
}

QList<QByteArray> dataFiles()
{
    QList<QByteArray> files;
    for (int digit = 0; digit <= 9; ++digit)
        files << ProgramFolder::readFile(ProgramFolder::dataPicture(digit));
    return files;
}

} // namespace

class TestCompile : public QObject
{
    Q_OBJECT

private:
    QString builderRuns() const { return ProgramFolder::esptool() + "/builder-runs"; }

    void compile(Electronic_Clock &window)
    {
        QTest::ignoreMessage(QtDebugMsg, "编译按钮已经按下");
        WindowProbe(window).ui()->pushButtonCompile->click();
        QVERIFY(WindowProbe(window).waitForScripts());
    }

    bool dataMatchesCustomSet(int digit) const
    {
        return ProgramFolder::alike(QImage(ProgramFolder::dataPicture(digit)),
                                    QImage(ProgramFolder::customPicture(digit)));
    }

private slots:
    void init()
    {
        ProgramFolder::reset();
        ProgramFolder::writeScript("mkspiffs.bat",
                                   "echo run >> builder-runs; ls data > data-at-build");
    }

    void firstCompileCopiesTheCustomSetAndRunsTheBuilder()
    {
        Electronic_Clock window;
        WindowProbe probe(window);
        compile(window);
        for (int digit = 0; digit <= 9; ++digit)
            QVERIFY2(dataMatchesCustomSet(digit), qPrintable(QString::number(digit)));
        const QImage custom = resource(StyleCatalogue::customPreviewPath());
        QCOMPARE(labelImage(probe.ui()->labelPicture), custom);
        QCOMPARE(labelImage(probe.ui()->labelPicture_2), custom);
        QCOMPARE(ProgramFolder::readFile(builderRuns()), QByteArray("run\n"));
        // The builder saw all ten pictures, already written when it started.
        QCOMPARE(ProgramFolder::readFile(ProgramFolder::esptool() + "/data-at-build").count('\n'),
                 10);
        QVERIFY(probe.compileTimer()->isActive());
        QCOMPARE(probe.compileTimer()->interval(), 1000);
        QCOMPARE(probe.customFlag(), QString("1"));
    }

    void styleThenCompileKeepsTheStyleThenCustomReplacesIt()
    {
        Electronic_Clock window;
        WindowProbe probe(window);
        probe.ui()->pushButtonJPG20->click();
        const QList<QByteArray> styleData = dataFiles();
        compile(window);
        QCOMPARE(dataFiles(), styleData);
        QCOMPARE(labelImage(probe.ui()->labelPicture),
                 resource(StyleCatalogue::customPreviewPath()));
        QCOMPARE(labelImage(probe.ui()->labelPicture_2), resource(StyleCatalogue::previewPath(20)));
        QCOMPARE(probe.customFlag(), QString("1"));

        compile(window);
        for (int digit = 0; digit <= 9; ++digit)
            QVERIFY(dataMatchesCustomSet(digit));
        QCOMPARE(labelImage(probe.ui()->labelPicture_2),
                 resource(StyleCatalogue::customPreviewPath()));
        QCOMPARE(ProgramFolder::readFile(builderRuns()), QByteArray("run\nrun\n"));
    }

    void missingCustomPicturesKeepTheirDataFiles()
    {
        ProgramFolder::fillData(Qt::magenta);
        const QList<QByteArray> before = dataFiles();
        for (int digit = 5; digit <= 9; ++digit)
            ProgramFolder::remove(ProgramFolder::customPicture(digit));
        Electronic_Clock window;
        compile(window);
        for (int digit = 0; digit <= 4; ++digit)
            QVERIFY(dataMatchesCustomSet(digit));
        for (int digit = 5; digit <= 9; ++digit)
            QCOMPARE(ProgramFolder::readFile(ProgramFolder::dataPicture(digit)), before[digit]);
        QCOMPARE(ProgramFolder::readFile(builderRuns()), QByteArray("run\n"));
    }

    void customPictureIsEncodedAgainAtFullQualityAndItsOwnSize()
    {
        QImage photo(300, 500, QImage::Format_RGB32);
        photo.fill(QColor(30, 90, 160));
        for (int y = 0; y < 500; y += 9)
            for (int x = 0; x < 300; ++x)
                photo.setPixel(x, y, qRgb(x % 200, 255 - y % 200, 40));
        QVERIFY(photo.save(ProgramFolder::customPicture(6), "JPG", 50));
        Electronic_Clock window;
        compile(window);
        const QImage decoded(ProgramFolder::customPicture(6));
        QBuffer expected;
        expected.open(QIODevice::WriteOnly);
        decoded.save(&expected, "JPG", 100);
        QCOMPARE(ProgramFolder::readFile(ProgramFolder::dataPicture(6)), expected.data());
        QCOMPARE(QImage(ProgramFolder::dataPicture(6)).size(), QSize(300, 500));
    }

    void noImgFolderLeavesTheDataAndStillBuilds()
    {
        ProgramFolder::fillData(Qt::magenta);
        const QList<QByteArray> before = dataFiles();
        ProgramFolder::remove(ProgramFolder::path() + "/img");
        Electronic_Clock window;
        compile(window);
        QCOMPARE(dataFiles(), before);
        QCOMPARE(ProgramFolder::readFile(builderRuns()), QByteArray("run\n"));
        QCOMPARE(WindowProbe(window).customFlag(), QString("1"));
    }

    void brokenCustomPicturesKeepTheirDataFiles_data()
    {
        QTest::addColumn<QByteArray>("content");
        ProgramFolder::reset(); // an earlier test may have taken the custom set away
        const QByteArray jpeg = ProgramFolder::readFile(ProgramFolder::customPicture(3));
        QTest::newRow("cut off") << jpeg.left(jpeg.size() * 2 / 3);
        QTest::newRow("random bytes") << QByteArray::fromHex("9a0b77e1ff3c").repeated(300);
        QTest::newRow("zero bytes") << QByteArray();
        // A whole picture whose header claims 60000 x 60000 pixels: refused before decoding.
        QByteArray huge = jpeg;
        const int frame = huge.indexOf("\xFF\xC0");
        QVERIFY(frame > 0);
        huge.replace(frame + 5, 4, QByteArray::fromHex("ea60ea60"));
        QTest::newRow("60000 x 60000 header") << huge;
        QTest::newRow("folder named 3.jpg") << QByteArray("folder");
    }

    void brokenCustomPicturesKeepTheirDataFiles()
    {
        QFETCH(QByteArray, content);
        ProgramFolder::fillData(Qt::magenta);
        const QList<QByteArray> before = dataFiles();
        if (content == "folder") {
            ProgramFolder::remove(ProgramFolder::customPicture(3));
            QVERIFY(QDir().mkdir(ProgramFolder::customPicture(3)));
        } else {
            ProgramFolder::writeFile(ProgramFolder::customPicture(3), content);
        }
        Electronic_Clock window;
        QElapsedTimer clock;
        clock.start();
        QTest::ignoreMessage(QtDebugMsg, "编译按钮已经按下");
        WindowProbe(window).ui()->pushButtonCompile->click();
        QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(WindowProbe(window).waitForScripts());
        QCOMPARE(ProgramFolder::readFile(ProgramFolder::dataPicture(3)), before[3]);
        for (int digit : {0, 2, 4, 9})
            QVERIFY(dataMatchesCustomSet(digit));
    }

    void pictureOfAnotherFormatNamedJpgBecomesAJpeg()
    {
        // The format comes from the data, not the name, and the clock reads only JPEG.
        QImage picture(135, 240, QImage::Format_RGB32);
        picture.fill(QColor(200, 120, 0));
        QVERIFY(picture.save(ProgramFolder::customPicture(3), "PNG"));
        Electronic_Clock window;
        compile(window);
        const QByteArray data = ProgramFolder::readFile(ProgramFolder::dataPicture(3));
        QVERIFY(data.startsWith("\xFF\xD8"));
        QVERIFY(ProgramFolder::alike(QImage::fromData(data), picture));
    }
};

QTEST_MAIN(TestCompile)
#include "test_compile.moc"
