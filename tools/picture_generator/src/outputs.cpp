#include "outputs.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageWriter>
#include <QSaveFile>
#include <QTextStream>
#include <stdexcept>

#include "canvas.h"
#include "extras.h"
#include "layout.h"
#include "styles.h"

namespace pg {

namespace {

// Above this size the contact sheet is stored as JPEG instead of PNG.
constexpr qint64 kSheetPngLimit = 1536 * 1024;

struct PendingFile
{
    QString path; // relative to the repository root
    QByteArray data;
};

QByteArray encode(const QImage &image, const char *format, int quality)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    const bool jpeg = qstrcmp(format, "jpg") == 0;
    if (jpeg) {
        writer.setQuality(quality);
        writer.setProgressiveScanWrite(false); // baseline only
        writer.setOptimizedWrite(false);
    }
    // JPEG pictures are always written from 32-bit RGB so they get three colour components.
    const QImage source = jpeg ? image.convertToFormat(QImage::Format_RGB32) : image;
    if (!writer.write(source))
        throw std::runtime_error(
                ("could not encode picture: " + writer.errorString()).toStdString());
    return bytes;
}

QByteArray jpeg(const QImage &image)
{
    return encode(image, "jpg", kJpegQuality);
}

QByteArray resourceIndex()
{
    QString xml;
    QTextStream out(&xml);
    out << "<!DOCTYPE RCC>\n"
        << "<!-- Written by tools/picture_generator; regenerate rather than edit. -->\n"
        << "<RCC version=\"1.0\">\n"
        << "    <qresource prefix=\"/\">\n";
    for (const QString &entry : resourceEntries())
        out << "        <file>" << entry << "</file>\n";
    out << "    </qresource>\n"
        << "</RCC>\n";
    out.flush();
    return xml.toUtf8();
}

void writeFile(const QDir &root, const PendingFile &file)
{
    const QString path = root.filePath(file.path);
    QFile existing(path);
    if (existing.open(QIODevice::ReadOnly) && existing.readAll() == file.data)
        return;
    existing.close();
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        throw std::runtime_error(("cannot create folder for " + path).toStdString());
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly) || out.write(file.data) != file.data.size()
        || !out.commit())
        throw std::runtime_error(("cannot write " + path + ": " + out.errorString()).toStdString());
}

} // namespace

void generateAll(const QString &rootPath)
{
    const QDir root(rootPath);
    if (!root.exists())
        throw std::runtime_error(("repository root does not exist: " + rootPath).toStdString());
    if (!QImageWriter::supportedImageFormats().contains("jpg"))
        throw std::runtime_error("Qt has no JPEG writer (the imageformats plugin is missing)");

    QVector<PendingFile> files;
    QVector<QImage> previews;
    QStringList labels;
    const QString res = resourcesDir() + QLatin1Char('/');
    for (const Style &style : allStyles()) {
        QVector<QImage> pictures;
        for (int slot = 1; slot <= kSlotsPerStyle; ++slot) {
            QImage picture = style.draw(digitForSlot(slot));
            if (picture.size() != QSize(kPanelWidth, kPanelHeight))
                throw std::runtime_error("style " + std::to_string(style.number)
                                         + " drew a picture of the wrong size");
            files.append({res + digitEntry(style.number, slot), jpeg(picture)});
            pictures << picture;
        }
        QImage preview = composePreview(pictures);
        files.append({res + previewEntry(style.number), jpeg(preview)});
        previews << preview;
        labels << QStringLiteral("Style %1 \u2013 %2").arg(style.number).arg(style.name);
    }
    const QImage custom = drawCustomPreview();
    files.append({res + customPreviewEntry(), jpeg(custom)});
    previews << custom;
    labels << QStringLiteral("Custom \u2013 your own 0.jpg \u2013 9.jpg");
    for (int digit = 0; digit <= 9; ++digit)
        files.append({customSampleFile(digit), jpeg(drawCustomSample(digit))});
    files.append({qrcFile(), resourceIndex()});
    files.append({iconFile(), encode(drawIcon(), "png", -1)});

    const QImage sheet = drawContactSheet(previews, labels);
    QByteArray sheetBytes = encode(sheet, "png", -1);
    QString sheetPath = contactSheetPng(), stalePath = contactSheetJpg();
    if (sheetBytes.size() > kSheetPngLimit) {
        sheetBytes = encode(sheet, "jpg", 90);
        std::swap(sheetPath, stalePath);
    }
    files.append({sheetPath, sheetBytes});

    for (const PendingFile &file : files)
        writeFile(root, file);
    // Drop the contact sheet of the other format if an earlier run left one.
    if (QFile::exists(root.filePath(stalePath)) && !QFile::remove(root.filePath(stalePath)))
        throw std::runtime_error(("cannot remove stale " + stalePath).toStdString());
}

} // namespace pg
