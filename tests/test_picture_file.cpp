// Reading the user's pictures safely, and writing data pictures that are never half-written.

#include <QDir>
#include <QElapsedTimer>
#include <QImageReader>
#include <QTemporaryDir>
#include <QtTest>

#include "picture_file.h"
#include "picture_helpers.h"
#include "program_folder.h"

#ifdef Q_OS_LINUX
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

using TestPictures::encoded;

QImage pattern(int width, int height, QColor colour)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    for (int y = 0; y < height; y += 7)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb(x % 256, y % 256, (x * y) % 256));
    return image;
}

// A complete JPEG whose frame header claims another size.
QByteArray withClaimedSize(QByteArray jpeg, int width, int height)
{
    const int frame = jpeg.indexOf("\xFF\xC0");
    jpeg[frame + 5] = char(height >> 8);
    jpeg[frame + 6] = char(height & 0xFF);
    jpeg[frame + 7] = char(width >> 8);
    jpeg[frame + 8] = char(width & 0xFF);
    return jpeg;
}

QStringList entries(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

} // namespace

class TestPictureFile : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir folder;
    QString at(const QString &name) const { return folder.filePath(name); }

private slots:
    void loadReadsAnyPictureByItsData()
    {
        const QImage original = pattern(135, 240, Qt::darkCyan);
        ProgramFolder::writeFile(at("real.jpg"), encoded(original, "JPG", 90));
        ProgramFolder::writeFile(at("picture-named.jpg"), encoded(original, "PNG"));
        QImage image;
        QVERIFY(PictureFile::loadFitted(image, at("real.jpg")));
        QCOMPARE(image.convertToFormat(QImage::Format_RGB32),
                 TestPictures::fromFile(at("real.jpg")));
        QVERIFY(PictureFile::loadFitted(image, at("picture-named.jpg")));
        QCOMPARE(image.convertToFormat(QImage::Format_RGB32), original);
    }

    void loadRefusesBrokenPicturesAndLeavesTheImageNull_data()
    {
        QTest::addColumn<QByteArray>("content");
        const QByteArray jpeg = encoded(pattern(135, 240, Qt::red), "JPG", 100);
        QTest::newRow("cut off") << jpeg.left(jpeg.size() / 2);
        QTest::newRow("cut before its end marker") << jpeg.left(jpeg.size() - 2);
        QTest::newRow("random bytes") << QByteArray::fromHex("00ff13a7c2e9").repeated(500);
        QTest::newRow("zero bytes") << QByteArray();
        QTest::newRow("60000 x 60000 claimed") << withClaimedSize(jpeg, 60000, 60000);
        QTest::newRow("65535 x 2000 claimed") << withClaimedSize(jpeg, 65535, 2000);
    }

    void loadRefusesBrokenPicturesAndLeavesTheImageNull()
    {
        QFETCH(QByteArray, content);
        ProgramFolder::writeFile(at("broken.jpg"), content);
        if (QByteArray(QTest::currentDataTag()).startsWith("65535"))
            QTest::ignoreMessage(QtWarningMsg, "Maximum supported image dimension is 65500 pixels");
        QImage image = pattern(10, 10, Qt::white);
        QElapsedTimer clock;
        clock.start();
        QVERIFY(!PictureFile::loadFitted(image, at("broken.jpg")));
        QVERIFY(image.isNull());
        QVERIFY(clock.elapsed() < 1000);
    }

    void loadRefusesWhatIsNoFile()
    {
        QImage image = pattern(10, 10, Qt::white);
        QVERIFY(!PictureFile::loadFitted(image, at("nothing-here.jpg")));
        QVERIFY(image.isNull());
        QVERIFY(QDir(folder.path()).mkdir("folder.jpg"));
        QVERIFY(!PictureFile::loadFitted(image, at("folder.jpg")));
    }

    void loadRefusesAHugeFileWithoutReadingIt()
    {
        // A sparse file: a picture's header followed by 300 MB that take no disk space.
        QFile file(at("huge.jpg"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(encoded(pattern(16, 16, Qt::red), "JPG", 80));
        QVERIFY(file.resize(300 * 1024 * 1024));
        file.close();
        QImage image;
        QElapsedTimer clock;
        clock.start();
        QVERIFY(!PictureFile::loadFitted(image, file.fileName()));
        QVERIFY(clock.elapsed() < 1000);
        QFile::remove(file.fileName());
    }

    void sizeLimitKeepsPhotosAndRefusesAbsurdHeaders()
    {
        QVERIFY(PictureFile::isAcceptableSize(QSize(4000, 3000)));
        QVERIFY(PictureFile::isAcceptableSize(QSize(8192, 8192)));
        QVERIFY(!PictureFile::isAcceptableSize(QSize(60000, 60000)));
        QVERIFY(!PictureFile::isAcceptableSize(QSize()));
    }

    void completeJpegNeedsItsEndMarkerAfterTheLastScan()
    {
        const QByteArray jpeg = encoded(pattern(64, 64, Qt::blue), "JPG", 80);
        QVERIFY(PictureFile::isCompleteJpeg(jpeg));
        QVERIFY(PictureFile::isCompleteJpeg(jpeg + "trailing bytes some cameras add"));
        QVERIFY(!PictureFile::isCompleteJpeg(jpeg.left(jpeg.size() - 2)));
        QVERIFY(!PictureFile::isCompleteJpeg(QByteArray("\xFF\xD8\xFF\xD9", 4))); // no scan at all
        // An end marker earlier in the file (an embedded thumbnail) does not count.
        const int scan = jpeg.lastIndexOf("\xFF\xDA");
        QVERIFY(!PictureFile::isCompleteJpeg(jpeg.left(scan) + "\xFF\xD9" + jpeg.mid(scan, 100)));
    }

    void saveReplacesTheFileWithAFreshEncoding()
    {
        const QImage picture = pattern(135, 240, Qt::darkGreen);
        ProgramFolder::writeFile(at("digit.jpg"), "old content");
        QVERIFY(PictureFile::saveAtomically(picture, at("digit.jpg")));
        const QByteArray written = ProgramFolder::readFile(at("digit.jpg"));
        QCOMPARE(written, encoded(picture, "JPG", 100));
        QVERIFY(!entries(folder.path()).join(' ').contains(".jpg.")); // no temporary file left
    }

    void saveWritesNothingWhereItMayNot()
    {
        const QImage picture = pattern(135, 240, Qt::darkGreen);
        ProgramFolder::writeFile(at("keep.jpg"), "old content");
        QVERIFY(!PictureFile::saveAtomically(QImage(), at("keep.jpg")));
        QCOMPARE(ProgramFolder::readFile(at("keep.jpg")), QByteArray("old content"));

        QVERIFY(!PictureFile::saveAtomically(picture, at("no-such-folder/0.jpg")));
        QVERIFY(!QFileInfo::exists(at("no-such-folder")));

        QVERIFY(QDir(folder.path()).mkdir("3.jpg"));
        QVERIFY(!PictureFile::saveAtomically(picture, at("3.jpg")));
        QVERIFY(QFileInfo(at("3.jpg")).isDir());

        QFile::setPermissions(at("keep.jpg"), QFile::ReadOwner);
        if (!QFileInfo(at("keep.jpg")).isWritable()) {
            QVERIFY(!PictureFile::saveAtomically(picture, at("keep.jpg")));
            QCOMPARE(ProgramFolder::readFile(at("keep.jpg")), QByteArray("old content"));
        }
        QFile::setPermissions(at("keep.jpg"), QFile::ReadOwner | QFile::WriteOwner);
    }

#ifdef Q_OS_LINUX
    void saveThatFailsHalfWayKeepsTheOldFile()
    {
        // A file size limit makes the write fail part-way, as a full disk would.
        const QImage big = pattern(1200, 900, Qt::darkYellow);
        ProgramFolder::writeFile(at("full.jpg"), "old complete picture");
        struct rlimit saved;
        getrlimit(RLIMIT_FSIZE, &saved);
        struct rlimit limit = saved;
        limit.rlim_cur = 4096;
        signal(SIGXFSZ, SIG_IGN);
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &limit), 0);
        QTest::ignoreMessage(QtWarningMsg, "Bogus message code 0"); // the encoder's report
        const bool saved_ok = PictureFile::saveAtomically(big, at("full.jpg"));
        setrlimit(RLIMIT_FSIZE, &saved);
        QVERIFY(!saved_ok);
        QCOMPARE(ProgramFolder::readFile(at("full.jpg")), QByteArray("old complete picture"));
        QCOMPARE(entries(folder.path()).filter("full.jpg").size(), 1);
    }

    void killedWhileSavingLeavesAWholePicture()
    {
        const QImage first = pattern(400, 700, Qt::red);
        const QImage second = pattern(400, 700, Qt::blue);
        QVERIFY(PictureFile::saveAtomically(first, at("killed.jpg")));
        for (int round = 0; round < 12; ++round) {
            const pid_t child = fork();
            if (child == 0) {
                for (;;) {
                    PictureFile::saveAtomically(second, at("killed.jpg"));
                    PictureFile::saveAtomically(first, at("killed.jpg"));
                }
            }
            QTest::qSleep(15 + round * 7);
            kill(child, SIGKILL);
            waitpid(child, nullptr, 0);
            QImage image;
            QVERIFY2(PictureFile::loadFitted(image, at("killed.jpg")),
                     qPrintable(QString("round %1").arg(round)));
            QCOMPARE(QImageReader(at("killed.jpg")).size(), first.size());
        }
    }
#endif

    void cleanupTestCase()
    {
        // The interrupted saves may leave their temporary files behind, never a broken picture.
        QVERIFY(folder.remove());
    }
};

QTEST_GUILESS_MAIN(TestPictureFile)
#include "test_picture_file.moc"
