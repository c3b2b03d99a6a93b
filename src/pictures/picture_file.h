#ifndef PICTURES_PICTURE_FILE_H
#define PICTURES_PICTURE_FILE_H

#include <QByteArray>
#include <QSize>
#include <QString>

class QImage;

// Reading the user's pictures and writing the digit pictures that go to the clock.
namespace PictureFile {

// Pictures larger than this are refused before they are decoded: Qt 5 has no allocation limit
// of its own, and a broken header that claims 60000 x 60000 pixels would take gigabytes.
constexpr qint64 maxPixels = 64 * 1024 * 1024;

// Files larger than this are not read at all: even a 64-megapixel picture stays far below it,
// and reading a huge file of something else would only fill the memory.
constexpr qint64 maxFileBytes = 256 * 1024 * 1024;

// Whether a picture of this size may be decoded.
bool isAcceptableSize(const QSize &size);

// Whether JPEG data ends with its end-of-image marker after the last scan. The decoder fills a
// cut-off picture with grey and calls it a success; the clock would show half a digit.
bool isCompleteJpeg(const QByteArray &data);

// Loads a picture of any supported format (found from its data) into `image` and makes it the
// clock's digit picture: turned upright as its EXIF orientation says, fitted onto the black
// 135 x 240 panel (see PanelFit). A JPEG is decoded at no more than the fit needs, so a camera
// photo costs a fraction of its full decode. A picture that is unreadable, cut off or absurdly
// large leaves `image` null and returns false.
bool loadFitted(QImage &image, const QString &path);

// Writes `image` as JPEG at quality 100. The file is replaced in one step, so it is always either
// its old complete content or the new complete content. Nothing is written for a null image or a
// destination that is read-only or not a file, and no folder is created.
bool saveAtomically(const QImage &image, const QString &path);

} // namespace PictureFile

#endif // PICTURES_PICTURE_FILE_H
