#include "picture_file.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QSaveFile>

#include "panel_fit.h"

namespace PictureFile {

bool isAcceptableSize(const QSize &size)
{
    return size.isValid() && qint64(size.width()) * size.height() <= maxPixels;
}

bool isCompleteJpeg(const QByteArray &data)
{
    // Inside a scan every 0xFF data byte is stuffed as FF 00, so an end-of-image marker found
    // after the last start-of-scan marker really ends the picture. Bytes after it are allowed.
    // Searched from the ends of the data: a photo's scan fills megabytes in between.
    const QByteArray startOfScan("\xFF\xDA");
    const int lastEnd = data.lastIndexOf("\xFF\xD9");
    return lastEnd >= 0 && data.indexOf(startOfScan, lastEnd + 2) < 0
            && data.indexOf(startOfScan) >= 0;
}

namespace {

// A picture file read whole, with a reader on it that has looked at its header. The picture may
// be decoded only when it is complete and not absurdly large.
class CheckedPicture
{
public:
    explicit CheckedPicture(const QString &path)
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly) || file.size() > maxFileBytes)
            return;
        data = file.readAll();
        buffer.setData(data);
        buffer.open(QIODevice::ReadOnly);
        imageReader.setDevice(&buffer);
        acceptable = isAcceptableSize(imageReader.size())
                && (imageReader.format() != "jpeg" || isCompleteJpeg(data));
    }

    bool isAcceptable() const { return acceptable; }
    QImageReader &reader() { return imageReader; }

private:
    // In this order: the reader goes before the buffer it reads.
    QByteArray data;
    QBuffer buffer;
    QImageReader imageReader;
    bool acceptable = false;
};

} // namespace

bool loadFitted(QImage &image, const QString &path)
{
    image = QImage();
    CheckedPicture picture(path);
    if (!picture.isAcceptable())
        return false;
    QImageReader &reader = picture.reader();
    reader.setAutoTransform(true);
    // A JPEG decodes straight to a fraction of its size. The scaled size is that of the stored
    // picture: the reader turns it upright afterwards.
    if (reader.format() == "jpeg") {
        const bool quarterTurned
                = reader.transformation().testFlag(QImageIOHandler::TransformationRotate90);
        const QSize decodeSize = PanelFit::jpegDecodeSize(reader.size(), quarterTurned);
        if (decodeSize.isValid())
            reader.setScaledSize(decodeSize);
    }
    if (!reader.read(&image))
        return false;
    image = PanelFit::fitOntoPanel(image);
    return !image.isNull();
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
