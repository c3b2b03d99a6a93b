// Checks the written pictures: names, counts, sizes, JPEG encoding, the resource index,
// and that each preview is made of its style's own digit pictures.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

class QTextStream;

namespace pg {

struct JpegHeader
{
    QString error;       // empty when the header was read
    int frameMarker = 0; // 0xC0 for baseline
    int precision = 0;
    int width = 0;
    int height = 0;
    int components = 0;
};

// Reads the frame header of JPEG data without decoding it.
JpegHeader readJpegHeader(const QByteArray &data);

// Verifies everything below the repository root. Returns the problems found (empty when
// all is well) and writes a short summary to `report`.
QStringList verifyAll(const QString &root, QTextStream &report);

} // namespace pg
