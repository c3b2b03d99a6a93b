// "Compile Custom Picture": the custom set, the previews, the builder and custom mode.

#include <QProcess>
#include <QPushButton>
#include <QtTest>

#include "fake_tools.h"
#include "photo_like.h"
#include "picture_helpers.h"
#include "program_folder.h"
#include "style_catalogue.h"
#include "toolchain_folder.h"
#include "window_probe.h"

namespace {

using TestPictures::encoded;
using TestPictures::fromFile;
using TestPictures::shownBy;

// A part of the panel and the colour that it must show.
struct Region
{
    QRect rect;
    QColor colour;
};
using Regions = QVector<Region>;

QList<QByteArray> dataFiles()
{
    QList<QByteArray> files;
    for (int digit = 0; digit <= 9; ++digit)
        files << ProgramFolder::readFile(ProgramFolder::dataPicture(digit));
    return files;
}

// A picture in one colour with its top-left quarter in another, so that both where it ends up and
// which way up it is can be seen.
QImage quartered(const QSize &size, QColor base, QColor mark,
                 QImage::Format format = QImage::Format_RGB32)
{
    QImage image(size, format);
    image.fill(base);
    for (int y = 0; y < size.height() / 2; ++y)
        for (int x = 0; x < size.width() / 2; ++x)
            image.setPixelColor(x, y, mark);
    return image;
}

// A JPEG with an EXIF segment that holds nothing but the orientation: a big-endian TIFF header,
// and one directory with the one Orientation tag (0x0112, a SHORT).
QByteArray withOrientation(QByteArray jpeg, int orientation)
{
    QByteArray exif("Exif\0\0MM\0\x2A\0\0\0\x08", 14);
    exif += QByteArray("\0\x01\x01\x12\0\x03\0\0\0\x01\0", 11);
    exif += char(orientation);
    exif += QByteArray(6, '\0'); // the value's padding, and no next directory
    const int length = exif.size() + 2;
    jpeg.insert(2, QByteArray("\xFF\xE1") + char(length >> 8) + char(length & 0xFF) + exif);
    return jpeg;
}

// Whether every quantisation table of a JPEG is all 1s, as at quality 100.
bool quantisedAtQuality100(const QByteArray &jpeg)
{
    int tables = 0;
    for (int at = 2; at + 4 <= jpeg.size();) {
        const uchar marker = uchar(jpeg[at + 1]);
        const int length = (uchar(jpeg[at + 2]) << 8) | uchar(jpeg[at + 3]);
        if (uchar(jpeg[at]) != 0xFF || marker == 0xDA)
            break;
        if (marker == 0xDB) {
            for (int table = at + 4; table < at + 2 + length; table += 65) {
                if (jpeg[table] >> 4 != 0) // 16-bit values: never written at any quality
                    return false;
                for (int i = 1; i <= 64; ++i)
                    if (jpeg[table + i] != 1)
                        return false;
                ++tables;
            }
        }
        at += 2 + length;
    }
    return tables > 0;
}

// Whether every pixel of each region, three pixels in from its edges, shows its colour. The
// margin leaves out the smooth scaling's and the JPEG encoding's soft edges.
QString regionsDiffer(const QImage &picture, const Regions &regions)
{
    for (const Region &region : regions) {
        const QRect inner = region.rect.adjusted(3, 3, -3, -3);
        for (int y = inner.top(); y <= inner.bottom(); ++y) {
            for (int x = inner.left(); x <= inner.right(); ++x) {
                const QColor seen = picture.pixelColor(x, y);
                if (qAbs(seen.red() - region.colour.red()) > 16
                    || qAbs(seen.green() - region.colour.green()) > 16
                    || qAbs(seen.blue() - region.colour.blue()) > 16)
                    return QString("(%1, %2) is %3, not %4")
                            .arg(x)
                            .arg(y)
                            .arg(seen.name(), region.colour.name());
            }
        }
    }
    return QString();
}

} // namespace

Q_DECLARE_METATYPE(Regions)

class TestCompile : public QObject
{
    Q_OBJECT

private:
    // The runs of the stand-in builder, one "run" line each (without cmd.exe's CRs).
    QByteArray builderRuns() const
    {
        return ProgramFolder::readFile(ProgramFolder::esptool() + "/builder-runs")
                .replace("\r", "");
    }

    bool dataMatchesCustomSet(int digit) const
    {
        return TestPictures::alike(QImage(ProgramFolder::dataPicture(digit)),
                                   QImage(ProgramFolder::customPicture(digit)));
    }

private slots:
    void init()
    {
        ProgramFolder::reset();
        FakeTools::replaceScript(
                ToolchainFolder::builderScriptName,
                FakeTools::forThisSystem("echo run >> builder-runs; ls data > data-at-build",
                                         ">>builder-runs echo run\ndir /b data >data-at-build"));
    }

    void firstCompileCopiesTheCustomSetAndRunsTheBuilder()
    {
        Electronic_Clock window;
        WindowProbe probe(window);
        QVERIFY(WindowProbe(window).compileAndWait());
        for (int digit = 0; digit <= 9; ++digit)
            QVERIFY2(dataMatchesCustomSet(digit), qPrintable(QString::number(digit)));
        const QImage custom = fromFile(StyleCatalogue::customPreviewPath());
        QCOMPARE(shownBy(probe.ui()->labelPicture), custom);
        QCOMPARE(shownBy(probe.ui()->labelPicture_2), custom);
        QCOMPARE(builderRuns(), QByteArray("run\n"));
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
        QVERIFY(WindowProbe(window).compileAndWait());
        QCOMPARE(dataFiles(), styleData);
        QCOMPARE(shownBy(probe.ui()->labelPicture), fromFile(StyleCatalogue::customPreviewPath()));
        QCOMPARE(shownBy(probe.ui()->labelPicture_2), fromFile(StyleCatalogue::previewPath(20)));
        QCOMPARE(probe.customFlag(), QString("1"));

        QVERIFY(WindowProbe(window).compileAndWait());
        for (int digit = 0; digit <= 9; ++digit)
            QVERIFY(dataMatchesCustomSet(digit));
        QCOMPARE(shownBy(probe.ui()->labelPicture_2),
                 fromFile(StyleCatalogue::customPreviewPath()));
        QCOMPARE(builderRuns(), QByteArray("run\nrun\n"));
    }

    void missingCustomPicturesKeepTheirDataFiles()
    {
        ProgramFolder::fillData(Qt::magenta);
        const QList<QByteArray> before = dataFiles();
        for (int digit = 5; digit <= 9; ++digit)
            ProgramFolder::remove(ProgramFolder::customPicture(digit));
        Electronic_Clock window;
        QVERIFY(WindowProbe(window).compileAndWait());
        for (int digit = 0; digit <= 4; ++digit)
            QVERIFY(dataMatchesCustomSet(digit));
        for (int digit = 5; digit <= 9; ++digit)
            QCOMPARE(ProgramFolder::readFile(ProgramFolder::dataPicture(digit)), before[digit]);
        QCOMPARE(builderRuns(), QByteArray("run\n"));
    }

    void customPictureOfThePanelSizeIsOnlyEncodedAgainAtFullQuality()
    {
        QImage photo(135, 240, QImage::Format_RGB32);
        photo.fill(QColor(30, 90, 160));
        for (int y = 0; y < 240; y += 9)
            for (int x = 0; x < 135; ++x)
                photo.setPixel(x, y, qRgb(x % 200, 255 - y % 200, 40));
        QVERIFY(photo.save(ProgramFolder::customPicture(6), "JPG", 50));
        Electronic_Clock window;
        QVERIFY(WindowProbe(window).compileAndWait());
        const QImage decoded(ProgramFolder::customPicture(6));
        QCOMPARE(ProgramFolder::readFile(ProgramFolder::dataPicture(6)),
                 encoded(decoded, "JPG", 100));
    }

    void customPicturesAreFittedUprightOntoTheBlackPanel_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<Regions>("regions");
        const QColor black(0, 0, 0), blue(30, 60, 200), red(220, 30, 30), green(40, 180, 60);

        // 1200 * 135 / 1600 = 101.25 rows at row 69; the red quarter is 67.5 x 50.5 of them.
        const Regions landscape {{{0, 0, 135, 69}, black},
                                 {{0, 170, 135, 70}, black},
                                 {{0, 69, 67, 50}, red},
                                 {{68, 69, 67, 101}, blue},
                                 {{0, 120, 67, 50}, blue}};
        QTest::newRow("landscape photo")
                << encoded(quartered({1600, 1200}, blue, red), "JPG", 90) << landscape;
        QTest::newRow("BMP named .jpg")
                << encoded(quartered({400, 300}, blue, red), "BMP") << landscape;
        // 1600 * 135 / 1200 = 180 rows at row 30.
        QTest::newRow("portrait photo") << encoded(quartered({1200, 1600}, blue, red), "JPG", 90)
                                        << Regions {{{0, 0, 135, 30}, black},
                                                    {{0, 210, 135, 30}, black},
                                                    {{0, 30, 67, 90}, red},
                                                    {{68, 30, 67, 180}, blue},
                                                    {{0, 120, 67, 90}, blue}};
        // 500 * 135 / 300 = 225 rows at row 7.
        QTest::newRow("300 x 500") << encoded(quartered({300, 500}, blue, red), "JPG", 90)
                                   << Regions {{{0, 0, 135, 7}, black},
                                               {{0, 232, 135, 8}, black},
                                               {{0, 7, 67, 112}, red},
                                               {{68, 7, 67, 225}, blue},
                                               {{0, 120, 67, 112}, blue}};
        const Regions whole {
                {{0, 0, 67, 120}, red}, {{68, 0, 67, 240}, blue}, {{0, 120, 67, 120}, blue}};
        QTest::newRow("twice the panel")
                << encoded(quartered({270, 480}, blue, red), "JPG", 90) << whole;
        QTest::newRow("tiny, scaled up") << encoded(quartered({9, 16}, green, green), "PNG")
                                         << Regions {{{0, 0, 135, 240}, green}};
        // One-pixel stripes, ten to each pixel of the panel: smooth scaling averages them to grey,
        // where picking pixels would give black or white.
        QImage stripes(1350, 2400, QImage::Format_RGB32);
        for (int x = 0; x < stripes.width(); ++x)
            for (int y = 0; y < stripes.height(); ++y)
                stripes.setPixel(x, y, x % 2 ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
        QTest::newRow("fine stripes")
                << encoded(stripes, "PNG") << Regions {{{0, 0, 135, 240}, QColor(128, 128, 128)}};
        // 60 * 135 / 1200 = 6.75 rows at row 116.
        QTest::newRow("panorama") << encoded(quartered({1200, 60}, green, green), "JPG", 90)
                                  << Regions {{{0, 0, 135, 116}, black},
                                              {{0, 116, 135, 7}, green},
                                              {{0, 123, 135, 117}, black}};

        // Orientation 6: the camera was turned a quarter clockwise, so the picture is shown turned
        // a quarter clockwise and the stored top-left quarter ends up top right. Upright it is a
        // 1200 x 1600 portrait: 180 rows at row 30.
        QTest::newRow("EXIF orientation 6")
                << withOrientation(encoded(quartered({1600, 1200}, blue, red), "JPG", 90), 6)
                << Regions {{{0, 0, 135, 30}, black},
                            {{0, 210, 135, 30}, black},
                            {{68, 30, 67, 90}, red},
                            {{0, 30, 67, 180}, blue},
                            {{68, 120, 67, 90}, blue}};
        // Orientation 3: upside down, so the top-left quarter ends up bottom right.
        QTest::newRow("EXIF orientation 3")
                << withOrientation(encoded(quartered({270, 480}, blue, red), "JPG", 90), 3)
                << Regions {{{68, 120, 67, 120}, red},
                            {{0, 0, 135, 120}, blue},
                            {{0, 120, 67, 120}, blue}};

        // Transparent pixels hide a bright yellow, which must not show.
        QImage halfClear = quartered({270, 480}, green, green, QImage::Format_ARGB32);
        QImage panelClear = quartered({135, 240}, green, green, QImage::Format_ARGB32);
        for (QImage *picture : {&halfClear, &panelClear})
            for (int y = 0; y < picture->height(); ++y)
                for (int x = 0; x < picture->width() / 2; ++x)
                    picture->setPixel(x, y, qRgba(255, 255, 0, 0));
        const Regions leftBlack {{{0, 0, 67, 240}, black}, {{68, 0, 67, 240}, green}};
        QTest::newRow("PNG, half transparent") << encoded(halfClear, "PNG") << leftBlack;
        QTest::newRow("PNG of the panel size, half transparent")
                << encoded(panelClear, "PNG") << leftBlack;
        QTest::newRow("PNG, 16 bits a channel")
                << encoded(quartered({270, 480}, blue, red, QImage::Format_RGBA64), "PNG") << whole;
    }

    void customPicturesAreFittedUprightOntoTheBlackPanel()
    {
        QFETCH(QByteArray, content);
        QFETCH(Regions, regions);
        if (QByteArray(QTest::currentDataTag()).contains("16 bits"))
            QCOMPARE(QImage::fromData(content).format(), QImage::Format_RGBA64);
        ProgramFolder::writeFile(ProgramFolder::customPicture(3), content);
        Electronic_Clock window;
        QVERIFY(WindowProbe(window).compileAndWait());
        const QByteArray data = ProgramFolder::readFile(ProgramFolder::dataPicture(3));
        QVERIFY(data.startsWith("\xFF\xD8"));
        QVERIFY(quantisedAtQuality100(data));
        const QImage picture = QImage::fromData(data);
        QCOMPARE(picture.size(), QSize(135, 240));
        const QString difference = regionsDiffer(picture, regions);
        QVERIFY2(difference.isEmpty(), qPrintable(difference));
    }

    void tenPhotosFitTheClocksFileSystemTogether()
    {
        // Photo-like pictures, of a different shape for each digit.
        const QList<QSize> shapes {{1600, 1200}, {1200, 1600}, {2000, 900}, {900, 2000}};
        for (int digit = 0; digit <= 9; ++digit) {
            const QImage photo = TestPictures::photoLike(shapes.at(digit % shapes.size()), digit);
            QVERIFY(photo.save(ProgramFolder::customPicture(digit), "JPG", 90));
        }
        Electronic_Clock window;
        QVERIFY(WindowProbe(window).compileAndWait());
        qint64 total = 0;
        for (int digit = 0; digit <= 9; ++digit) {
            const QByteArray data = ProgramFolder::readFile(ProgramFolder::dataPicture(digit));
            QCOMPARE(QImage::fromData(data).size(), QSize(135, 240));
            QVERIFY(quantisedAtQuality100(data));
            total += data.size();
        }
        // The clock's file system holds 957,314 bytes of files, less its own bookkeeping.
        QVERIFY2(total < 800000, qPrintable(QString::number(total)));
        // The window keeps no photo at full size once it is done.
        const QImage scratch = WindowProbe(window).scratchImage();
        QVERIFY(qint64(scratch.width()) * scratch.height() <= 1350 * 240);
    }

    // The shipped builder script with the program's own builder, as a user's compile runs them.
    void shippedScriptBuildsAnImageOfTheDataFolder()
    {
        ProgramFolder::reset();
        const QString builder
                = ProgramFolder::esptool() + "/" + QFileInfo(SPIFFS_BUILDER).fileName();
        QVERIFY(QFile::copy(SPIFFS_BUILDER, builder));
        Electronic_Clock window;
        WindowProbe probe(window);
        QVERIFY(probe.compileAndWait());
        probe.playCompileToEnd();
        QCOMPARE(probe.ui()->progressBar->text(), QString("Compilation is complete"));

        // The image unpacks to exactly the ten pictures of the data folder.
        QTemporaryDir unpacked;
        QProcess unpack;
        unpack.start(builder, {"-u", unpacked.path(), ProgramFolder::esptool() + "/spiffs.bin"});
        QVERIFY(unpack.waitForFinished(30000));
        QCOMPARE(unpack.exitCode(), 0);
        const QStringList files = QDir(unpacked.path()).entryList(QDir::Files);
        QCOMPARE(files, QDir(ProgramFolder::data()).entryList(QDir::Files));
        QCOMPARE(files.size(), 10);
        for (const QString &file : files)
            QCOMPARE(ProgramFolder::readFile(unpacked.filePath(file)),
                     ProgramFolder::readFile(ProgramFolder::data() + "/" + file));
    }

    void noImgFolderLeavesTheDataAndStillBuilds()
    {
        ProgramFolder::fillData(Qt::magenta);
        const QList<QByteArray> before = dataFiles();
        ProgramFolder::remove(ProgramFolder::custom());
        Electronic_Clock window;
        QVERIFY(WindowProbe(window).compileAndWait());
        QCOMPARE(dataFiles(), before);
        QCOMPARE(builderRuns(), QByteArray("run\n"));
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
        WindowProbe(window).clickCompile();
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
        QVERIFY(WindowProbe(window).compileAndWait());
        const QByteArray data = ProgramFolder::readFile(ProgramFolder::dataPicture(3));
        QVERIFY(data.startsWith("\xFF\xD8"));
        QVERIFY(TestPictures::alike(QImage::fromData(data), picture));
    }
};

QTEST_MAIN(TestCompile)
#include "test_compile.moc"
