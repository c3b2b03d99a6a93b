#include "bench_folder.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageReader>

#include "photo_like.h"
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
        if (!TestPictures::photoLike(size, digit).save(file, "JPG", 90))
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
