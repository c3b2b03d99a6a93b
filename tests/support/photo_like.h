#ifndef TESTS_PHOTO_LIKE_H
#define TESTS_PHOTO_LIKE_H

#include <QImage>
#include <QSize>

#include <cmath>

namespace TestPictures {

// A picture of gradients, a soft wave and sensor-like noise: JPEG work close to a camera photo's,
// unlike a flat fill that compresses to almost nothing. The same size and seed give the same
// pixels. Written here in full, not in the support library, because the benchmarks draw their
// photos with it too and are built without that library.
inline QImage photoLike(const QSize &size, int seed)
{
    QImage image(size, QImage::Format_RGB32);
    quint32 noise = 2463534242u + quint32(seed) * 7919u;
    for (int y = 0; y < size.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < size.width(); ++x) {
            noise ^= noise << 13;
            noise ^= noise >> 17;
            noise ^= noise << 5;
            const int grain = int(noise % 17) - 8;
            const double wave = std::sin((x + 2 * y + 97 * seed) * 0.004);
            const int r = 255 * x / size.width() + grain;
            const int g = 255 * y / size.height() + grain;
            const int b = 128 + int(90 * wave) + grain;
            line[x] = qRgb(qBound(0, r, 255), qBound(0, g, 255), qBound(0, b, 255));
        }
    }
    return image;
}

} // namespace TestPictures

#endif // TESTS_PHOTO_LIKE_H
