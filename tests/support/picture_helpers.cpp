#include "picture_helpers.h"

#include <QBuffer>
#include <QLabel>
#include <QtMath>

namespace TestPictures {

QByteArray encoded(const QImage &image, const char *format, int quality)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format, quality);
    return buffer.data();
}

QImage fromFile(const QString &path)
{
    return QImage(path).convertToFormat(QImage::Format_RGB32);
}

QImage fromPixmap(const QPixmap &pixmap)
{
    return pixmap.toImage().convertToFormat(QImage::Format_RGB32);
}

QImage shownBy(const QLabel *label)
{
    return fromPixmap(label->pixmap(Qt::ReturnByValue));
}

double meanDifference(const QImage &a, const QImage &b)
{
    const QImage x = a.convertToFormat(QImage::Format_RGB32);
    const QImage y = b.convertToFormat(QImage::Format_RGB32);
    qint64 total = 0;
    for (int row = 0; row < x.height(); ++row) {
        const QRgb *p = reinterpret_cast<const QRgb *>(x.constScanLine(row));
        const QRgb *q = reinterpret_cast<const QRgb *>(y.constScanLine(row));
        for (int column = 0; column < x.width(); ++column) {
            total += qAbs(qRed(p[column]) - qRed(q[column]))
                    + qAbs(qGreen(p[column]) - qGreen(q[column]))
                    + qAbs(qBlue(p[column]) - qBlue(q[column]));
        }
    }
    return double(total) / (qint64(x.width()) * x.height() * 3);
}

bool alike(const QImage &a, const QImage &b, int tolerance)
{
    if (a.size() != b.size() || a.isNull())
        return false;
    // In whole tenths, rounded down, as the tolerance counts them.
    return qFloor(meanDifference(a, b) * 10) <= tolerance;
}

} // namespace TestPictures
