// The pictures compiled into the program: their names, sizes, format and how previews match digits.

#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QtTest>

#include "picture_helpers.h"
#include "style_catalogue.h"

namespace {

struct JpegFrame
{
    int marker = 0; // 0xC0 for a baseline picture
    int precision = 0;
    int components = 0;
    QSize size;
};

// Reads the frame header of JPEG data, walking the marker segments up to the first frame.
JpegFrame frameOf(const QByteArray &data)
{
    JpegFrame frame;
    auto byte = [&](int i) { return i < data.size() ? int(uchar(data[i])) : -1; };
    if (byte(0) != 0xFF || byte(1) != 0xD8)
        return frame;
    int at = 2;
    while (at + 4 <= data.size()) {
        if (byte(at) != 0xFF)
            return frame;
        const int marker = byte(at + 1);
        const int length = byte(at + 2) << 8 | byte(at + 3);
        const bool isFrame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8
                && marker != 0xCC;
        if (isFrame) {
            frame.marker = marker;
            frame.precision = byte(at + 4);
            frame.size = QSize(byte(at + 7) << 8 | byte(at + 8), byte(at + 5) << 8 | byte(at + 6));
            frame.components = byte(at + 9);
            return frame;
        }
        at += 2 + length;
    }
    return frame;
}

QByteArray bytesOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList filesBelow(const QString &folder)
{
    QStringList files;
    QDirIterator it(folder, QDir::Files);
    while (it.hasNext())
        files << it.next();
    files.sort();
    return files;
}

} // namespace

class TestPictureBundle : public QObject
{
    Q_OBJECT

private slots:
    void catalogueLookups()
    {
        QCOMPARE(StyleCatalogue::previewPath(1),
                 QString(":/img/NorikIPS_PIC_Picture/NorikIPS_PIC_1.jpg"));
        QCOMPARE(StyleCatalogue::previewPath(23),
                 QString(":/img/NorikIPS_PIC_Picture/NorikIPS_PIC_23.jpg"));
        QCOMPARE(StyleCatalogue::digitPath(1, 0), QString(":/img/ipsimage/NorikIPS_PIC_1_10.jpg"));
        QCOMPARE(StyleCatalogue::digitPath(1, 1), QString(":/img/ipsimage/NorikIPS_PIC_1_01.jpg"));
        QCOMPARE(StyleCatalogue::digitPath(15, 3),
                 QString(":/img/ipsimage/NorikIPS_PIC_15_03.jpg"));
        QCOMPARE(StyleCatalogue::digitPath(20, 9),
                 QString(":/img/ipsimage/NorikIPS_PIC_20_09.jpg"));
        QCOMPARE(StyleCatalogue::customPreviewPath(),
                 QString(":/img/NorikIPS_PIC_Picture/NorikIPS_PIC_custom.jpg"));
    }

    void bundleHoldsExactlyTheCataloguePictures()
    {
        QStringList expectedPreviews {StyleCatalogue::customPreviewPath()};
        QStringList expectedDigits;
        for (int style = StyleCatalogue::firstStyle; style <= StyleCatalogue::lastStyle; ++style) {
            expectedPreviews << StyleCatalogue::previewPath(style);
            for (int digit = 0; digit <= 9; ++digit)
                expectedDigits << StyleCatalogue::digitPath(style, digit);
        }
        expectedPreviews.sort();
        expectedDigits.sort();
        QCOMPARE(filesBelow(":/img/NorikIPS_PIC_Picture"), expectedPreviews);
        QCOMPARE(filesBelow(":/img/ipsimage"), expectedDigits);
        QCOMPARE(expectedPreviews.size() + expectedDigits.size(), 24 + 230);
        QStringList folders = QDir(":/img").entryList();
        folders.sort();
        QCOMPARE(folders, QStringList({"NorikIPS_PIC_Picture", "ipsimage"}));
    }

    void everyPictureIsABaselineColourJpegOfItsSize()
    {
        const QStringList previews = filesBelow(":/img/NorikIPS_PIC_Picture");
        const QStringList digits = filesBelow(":/img/ipsimage");
        for (const QString &path : previews + digits) {
            const QByteArray data = bytesOf(path);
            const JpegFrame frame = frameOf(data);
            const QSize size = previews.contains(path) ? QSize(1350, 240) : QSize(135, 240);
            QVERIFY2(frame.marker == 0xC0, qPrintable(path + " is not a baseline JPEG"));
            QVERIFY2(frame.precision == 8 && frame.components == 3, qPrintable(path));
            QVERIFY2(frame.size == size, qPrintable(path));
            QVERIFY2(data.endsWith("\xFF\xD9"), qPrintable(path + " is cut off"));
            QImage image;
            QVERIFY2(image.load(path), qPrintable(path)); // format found from the data
            QCOMPARE(image.size(), size);
        }
    }

    void previewIsTheTenDigitsSideBySideWithZeroLast()
    {
        for (int style = StyleCatalogue::firstStyle; style <= StyleCatalogue::lastStyle; ++style) {
            const QImage preview = QImage(StyleCatalogue::previewPath(style))
                                           .convertToFormat(QImage::Format_RGB32);
            QList<QImage> slices;
            for (int slot = 0; slot < 10; ++slot)
                slices << preview.copy(slot * 135, 0, 135, 240);
            for (int digit = 0; digit <= 9; ++digit) {
                const QImage picture = QImage(StyleCatalogue::digitPath(style, digit))
                                               .convertToFormat(QImage::Format_RGB32);
                const int slot = digit == 0 ? 9 : digit - 1;
                // The slice must match its own digit much better than any other digit.
                const double own = TestPictures::meanDifference(slices[slot], picture);
                QVERIFY2(own < 6.0,
                         qPrintable(
                                 QString("style %1 digit %2: %3").arg(style).arg(digit).arg(own)));
                for (int other = 0; other < 10; ++other) {
                    if (other == slot)
                        continue;
                    QVERIFY2(TestPictures::meanDifference(slices[other], picture) > own,
                             qPrintable(QString("style %1 digit %2 also matches slot %3")
                                                .arg(style)
                                                .arg(digit)
                                                .arg(other)));
                }
            }
        }
    }

    void customPreviewHasThePreviewSize()
    {
        QCOMPARE(QImage(StyleCatalogue::customPreviewPath()).size(), QSize(1350, 240));
    }
};

// The bundle registers itself during static initialisation: every path resolves as main() starts,
// before any application object or window exists.
static bool everyCataloguePathResolves()
{
    for (int style = StyleCatalogue::firstStyle; style <= StyleCatalogue::lastStyle; ++style) {
        if (!QFile::exists(StyleCatalogue::previewPath(style)))
            return false;
        for (int digit = 0; digit <= 9; ++digit)
            if (!QFile::exists(StyleCatalogue::digitPath(style, digit)))
                return false;
    }
    return QFile::exists(StyleCatalogue::customPreviewPath());
}

int main(int argc, char *argv[])
{
    const bool resolvedAtMain = everyCataloguePathResolves();
    if (!resolvedAtMain)
        qCritical("The picture bundle was not registered before main()");
    QGuiApplication app(argc, argv);
    TestPictureBundle test;
    return QTest::qExec(&test, argc, argv) + (resolvedAtMain ? 0 : 1);
}
#include "test_picture_bundle.moc"
