#include "bench_folder.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageReader>

#include <cmath>

#include "toolchain_folder.h"

namespace BenchFolder {

QString path()
{
    return ToolchainFolder::applicationDirectory();
}

bool layOut()
{
    if (!QDir().mkpath(ToolchainFolder::dataFolder(path()))
        || !QDir().mkpath(ToolchainFolder::customFolder(path())))
        return false;
    // The compile launches this instead of the real builder: only the program's own work counts.
    QFile script(ToolchainFolder::builderScriptPath(path()));
    return script.open(QIODevice::WriteOnly | QIODevice::Truncate) && script.write("exit 0\n") == 7;
}

namespace {

// Gradients, a soft wave and sensor-like noise: JPEG work close to a camera photo's, unlike a
// flat fill that compresses to almost nothing.
QImage photo(const QSize &size, int seed)
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

QString setPicture(const QString &folder, int digit)
{
    return QStringLiteral("%1/%2.jpg").arg(folder).arg(digit);
}

} // namespace

QString photoSet(const QSize &size)
{
    const QString folder
            = QStringLiteral("%1/photos/%2x%3").arg(path()).arg(size.width()).arg(size.height());
    if (!QDir().mkpath(folder))
        return QString();
    for (int digit = 0; digit <= 9; ++digit) {
        const QString file = setPicture(folder, digit);
        if (QImageReader(file).size() == size)
            continue;
        // Camera quality, not 100: the compile re-encodes at 100, as it does with real photos.
        if (!photo(size, digit).save(file, "JPG", 90))
            return QString();
    }
    return folder;
}

bool installCustomSet(const QString &photoFolder)
{
    for (int digit = 0; digit <= 9; ++digit) {
        const QString target = ToolchainFolder::customPicturePath(path(), digit);
        QFile::remove(target);
        if (!QFile::copy(setPicture(photoFolder, digit), target))
            return false;
    }
    return true;
}

} // namespace BenchFolder
