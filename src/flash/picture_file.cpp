#include "picture_file.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QSaveFile>

namespace PictureFile {

bool isAcceptableSize(const QSize &size)
{
    return size.isValid() && qint64(size.width()) * size.height() <= maxPixels;
}

bool isCompleteJpeg(const QByteArray &data)
{
    // Inside a scan every 0xFF data byte is stuffed as FF 00, so an end-of-image marker found
    // after the last start-of-scan marker really ends the picture. Bytes after it are allowed.
    const int lastScan = data.lastIndexOf("\xFF\xDA");
    return lastScan >= 0 && data.indexOf("\xFF\xD9", lastScan + 2) >= 0;
}

bool load(QImage &image, const QString &path)
{
    image = QImage();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > maxFileBytes)
        return false;
    const QByteArray data = file.readAll();
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);

    // Look at the header first, and decode only what is complete and not absurdly large.
    QImageReader reader(&buffer);
    if (!isAcceptableSize(reader.size()))
        return false;
    if (reader.format() == "jpeg" && !isCompleteJpeg(data))
        return false;
    return reader.read(&image);
}

bool saveAtomically(const QImage &image, const QString &path)
{
    if (image.isNull())
        return false;
    // A rename would replace a read-only file too; respect the user's protection instead.
    const QFileInfo target(path);
    if (target.exists() && (!target.isFile() || !target.isWritable()))
        return false;

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (!image.save(&file, "JPG", 100)) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

} // namespace PictureFile
