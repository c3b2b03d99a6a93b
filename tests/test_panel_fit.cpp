// Fitting pictures onto the clock's 135 x 240 panel: the place, the decode size, the compositing.
// Expected places are worked out by hand here; the compile tests check whole pictures.

#include <QtTest>

#include "panel_fit.h"

class TestPanelFit : public QObject
{
    Q_OBJECT

private slots:
    void fittedRectKeepsTheShapeAndCentres_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QRect>("expected");
        QTest::newRow("panel size") << QSize(135, 240) << QRect(0, 0, 135, 240);
        QTest::newRow("twice the panel") << QSize(270, 480) << QRect(0, 0, 135, 240);
        QTest::newRow("phone video frame") << QSize(1080, 1920) << QRect(0, 0, 135, 240);
        QTest::newRow("tiny, scaled up") << QSize(9, 16) << QRect(0, 0, 135, 240);
        // 3000 * 135 / 4000 = 101.25 rows, (240 - 101) / 2 = 69 rows above.
        QTest::newRow("landscape photo") << QSize(4000, 3000) << QRect(0, 69, 135, 101);
        // 4000 * 135 / 3000 = 180 rows, 30 above and below.
        QTest::newRow("portrait photo") << QSize(3000, 4000) << QRect(0, 30, 135, 180);
        // Taller than the panel: 100 * 240 / 800 = 30 columns, (135 - 30) / 2 = 52 to the left.
        QTest::newRow("tall strip") << QSize(100, 800) << QRect(52, 0, 30, 240);
        // 100 * 135 / 6000 = 2.25 rows.
        QTest::newRow("panorama") << QSize(6000, 100) << QRect(0, 119, 135, 2);
        QTest::newRow("one row") << QSize(100000, 1) << QRect(0, 119, 135, 1);
        QTest::newRow("one column") << QSize(1, 5000) << QRect(67, 0, 1, 240);
        QTest::newRow("no size") << QSize() << QRect();
        QTest::newRow("no rows") << QSize(10, 0) << QRect();
    }

    void fittedRectKeepsTheShapeAndCentres()
    {
        QFETCH(QSize, size);
        QFETCH(QRect, expected);
        QCOMPARE(PanelFit::fittedRect(size), expected);
    }

    void jpegDecodeSizeIsTheSmallestEighthThatCoversTheFit_data()
    {
        QTest::addColumn<QSize>("stored");
        QTest::addColumn<bool>("quarterTurned");
        QTest::addColumn<QSize>("expected");
        QTest::newRow("12 MP photo") << QSize(4000, 3000) << false << QSize(500, 375);
        QTest::newRow("12 MP photo, turned") << QSize(4000, 3000) << true << QSize(500, 375);
        QTest::newRow("not a multiple of 8") << QSize(4001, 3003) << false << QSize(500, 375);
        // Fitted 135 x 90, and 1500 / 8 = 187 columns cover it.
        QTest::newRow("3:2 landscape") << QSize(1500, 1000) << false << QSize(187, 125);
        // Shown upright it is fitted 135 x 203, so the stored picture needs 203 columns.
        QTest::newRow("3:2 landscape, turned") << QSize(1500, 1000) << true << QSize(375, 250);
        QTest::newRow("twice the panel") << QSize(270, 480) << false << QSize(135, 240);
        QTest::newRow("fitted 135 x 225") << QSize(300, 500) << false << QSize(150, 250);
        QTest::newRow("panel size") << QSize(135, 240) << false << QSize();
        QTest::newRow("tiny") << QSize(9, 16) << false << QSize();
        // Fitted 135 x 7 rows: 1/8 leaves 7 rows, enough.
        QTest::newRow("panorama") << QSize(1200, 60) << false << QSize(150, 7);
    }

    void jpegDecodeSizeIsTheSmallestEighthThatCoversTheFit()
    {
        QFETCH(QSize, stored);
        QFETCH(bool, quarterTurned);
        QFETCH(QSize, expected);
        QCOMPARE(PanelFit::jpegDecodeSize(stored, quarterTurned), expected);
    }

    void opaquePanelSizedPictureStaysAsDecoded()
    {
        // A grey JPEG decodes to 8 bits a pixel; turned into colour, it would encode differently.
        QImage grey(135, 240, QImage::Format_Grayscale8);
        grey.fill(77);
        const QImage fitted = PanelFit::fitOntoPanel(grey);
        QCOMPARE(fitted.format(), QImage::Format_Grayscale8);
        QCOMPARE(fitted, grey);
    }

    void transparencyIsCompositedOverBlack()
    {
        // Half transparent, half opaque, and a top row at half alpha, over hidden bright colours.
        QImage picture(135, 240, QImage::Format_ARGB32);
        picture.fill(qRgba(255, 255, 0, 0));
        for (int y = 0; y < 240; ++y)
            for (int x = 100; x < 135; ++x)
                picture.setPixel(x, y, y < 20 ? qRgba(200, 100, 40, 128) : qRgb(20, 200, 60));
        const QImage fitted = PanelFit::fitOntoPanel(picture);
        QCOMPARE(fitted.size(), QSize(135, 240));
        QVERIFY(!fitted.hasAlphaChannel());
        QCOMPARE(fitted.pixel(0, 0), qRgb(0, 0, 0));
        QCOMPARE(fitted.pixel(99, 239), qRgb(0, 0, 0));
        QCOMPARE(fitted.pixel(100, 120), qRgb(20, 200, 60));
        // 128/255 of the colour, within rounding.
        const QColor half = fitted.pixelColor(120, 5);
        QVERIFY2(qAbs(half.red() - 100) <= 1 && qAbs(half.green() - 50) <= 1
                         && qAbs(half.blue() - 20) <= 1,
                 qPrintable(half.name()));
    }

    void nullPictureStaysNull() { QVERIFY(PanelFit::fitOntoPanel(QImage()).isNull()); }
};

QTEST_GUILESS_MAIN(TestPanelFit)
#include "test_panel_fit.moc"
