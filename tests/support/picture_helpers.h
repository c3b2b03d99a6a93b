#ifndef TESTS_PICTURE_HELPERS_H
#define TESTS_PICTURE_HELPERS_H

#include <QByteArray>
#include <QImage>
#include <QPixmap>

class QLabel;

// Making and comparing pictures in tests.
namespace TestPictures {

// A picture as a file of this format would hold it; `quality` as QImage::save() takes it.
QByteArray encoded(const QImage &image, const char *format, int quality = -1);

// Pictures converted to RGB32, so that == compares their pixels alone, whatever format each was
// decoded or drawn in: a file or resource, a pixmap, and what a label shows.
QImage fromFile(const QString &path);
QImage fromPixmap(const QPixmap &pixmap);
QImage shownBy(const QLabel *label);

// The mean absolute difference per channel of two pictures of the same size, in grey levels.
double meanDifference(const QImage &a, const QImage &b);

// Whether two pictures are the same size and alike within JPEG re-encoding tolerance: the mean
// difference, in whole tenths of a grey level, at most `tolerance`.
bool alike(const QImage &a, const QImage &b, int tolerance = 24);

} // namespace TestPictures

#endif // TESTS_PICTURE_HELPERS_H
