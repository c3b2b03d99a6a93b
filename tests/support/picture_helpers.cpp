#include "picture_helpers.h"

#include <QBuffer>

namespace TestPictures {

QByteArray encoded(const QImage &image, const char *format, int quality)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format, quality);
    return buffer.data();
}

bool alike(const QImage &a, const QImage &b, int tolerance)
{
    if (a.size() != b.size() || a.isNull())
        return false;
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
    // Mean absolute difference per channel, in 1/10 of a grey level.
    const qint64 mean = total * 10 / (qint64(x.width()) * x.height() * 3);
    return mean <= tolerance;
}

QColor meanColour(const QImage &image)
{
    const QImage x = image.convertToFormat(QImage::Format_RGB32);
    qint64 r = 0, g = 0, b = 0;
    for (int row = 0; row < x.height(); ++row) {
        const QRgb *p = reinterpret_cast<const QRgb *>(x.constScanLine(row));
        for (int column = 0; column < x.width(); ++column) {
            r += qRed(p[column]);
            g += qGreen(p[column]);
            b += qBlue(p[column]);
        }
    }
    const qint64 n = qMax<qint64>(1, qint64(x.width()) * x.height());
    return QColor(int(r / n), int(g / n), int(b / n));
}

} // namespace TestPictures
