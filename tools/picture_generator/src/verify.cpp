#include "verify.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QSet>
#include <QTextStream>
#include <QXmlStreamReader>
#include <cmath>

#include "layout.h"

namespace pg {

namespace {

constexpr int kDigitWidth = 135;
constexpr int kDigitHeight = 240;
// A preview slice may differ from its digit picture by JPEG noise only.
constexpr double kSliceTolerance = 4.0;
// Two different pictures that should not look the same must differ by at least this.
constexpr double kDistinctMinimum = 3.0;

int u8(const QByteArray &d, int i)
{
    return static_cast<unsigned char>(d[i]);
}

// Mean absolute difference per colour channel between two same-sized areas.
double meanDifference(const QImage &a, QPoint aOrigin, const QImage &b, QPoint bOrigin, QSize size)
{
    double total = 0;
    for (int y = 0; y < size.height(); ++y) {
        const QRgb *la = reinterpret_cast<const QRgb *>(a.constScanLine(aOrigin.y() + y));
        const QRgb *lb = reinterpret_cast<const QRgb *>(b.constScanLine(bOrigin.y() + y));
        for (int x = 0; x < size.width(); ++x) {
            QRgb pa = la[aOrigin.x() + x], pb = lb[bOrigin.x() + x];
            total += std::abs(qRed(pa) - qRed(pb)) + std::abs(qGreen(pa) - qGreen(pb))
                    + std::abs(qBlue(pa) - qBlue(pb));
        }
    }
    return total / (3.0 * size.width() * size.height());
}

class Checker
{
public:
    explicit Checker(const QDir &root)
        : root_(root)
    { }

    QStringList problems;

    // Checks one JPEG file and returns its decoded picture (null on failure).
    QImage jpeg(const QString &relative, QSize expected)
    {
        QFile file(root_.filePath(relative));
        if (!file.open(QIODevice::ReadOnly)) {
            problems << relative + ": missing";
            return {};
        }
        const QByteArray data = file.readAll();
        const JpegHeader header = readJpegHeader(data);
        if (!header.error.isEmpty()) {
            problems << relative + ": " + header.error;
            return {};
        }
        if (header.frameMarker != 0xC0)
            problems << relative
                            + QStringLiteral(": not a baseline JPEG (frame marker 0x%1)")
                                      .arg(header.frameMarker, 2, 16);
        if (header.precision != 8)
            problems << relative + QStringLiteral(": %1 bits per sample").arg(header.precision);
        if (header.components != 3)
            problems << relative + QStringLiteral(": %1 colour components").arg(header.components);
        if (QSize(header.width, header.height) != expected)
            problems << relative
                            + QStringLiteral(": %1 x %2, expected %3 x %4")
                                      .arg(header.width)
                                      .arg(header.height)
                                      .arg(expected.width())
                                      .arg(expected.height());
        if (data.size() < 2 || u8(data, data.size() - 2) != 0xFF
            || u8(data, data.size() - 1) != 0xD9)
            problems << relative + ": truncated (no end-of-image marker)";
        QImage image;
        if (!image.loadFromData(data, "JPG")) {
            problems << relative + ": cannot be decoded";
            return {};
        }
        bytes_ += data.size();
        return image.convertToFormat(QImage::Format_RGB32);
    }

    qint64 bytesChecked() const { return bytes_; }

private:
    QDir root_;
    qint64 bytes_ = 0;
};

void checkNoStrays(const QDir &root, Checker &check)
{
    QSet<QString> expected;
    for (const QString &entry : resourceEntries())
        expected.insert(entry);
    for (const QString &folder :
         {QStringLiteral("img/ipsimage"), QStringLiteral("img/NorikIPS_PIC_Picture")}) {
        QDir dir(root.filePath(resourcesDir() + QLatin1Char('/') + folder));
        for (const QString &name : dir.entryList(QDir::Files))
            if (!expected.contains(folder + QLatin1Char('/') + name))
                check.problems << resourcesDir() + QLatin1Char('/') + folder + QLatin1Char('/')
                                + name + ": unexpected file";
    }
}

void checkResourceIndex(const QDir &root, Checker &check)
{
    QFile file(root.filePath(qrcFile()));
    if (!file.open(QIODevice::ReadOnly)) {
        check.problems << qrcFile() + ": missing";
        return;
    }
    QXmlStreamReader xml(&file);
    QStringList listed;
    QString prefix;
    int resourceBlocks = 0;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement())
            continue;
        if (xml.name() == QLatin1String("qresource")) {
            ++resourceBlocks;
            prefix = xml.attributes().value(QLatin1String("prefix")).toString();
        } else if (xml.name() == QLatin1String("file")) {
            listed << xml.readElementText();
        }
    }
    if (xml.hasError()) {
        check.problems << qrcFile() + ": not valid XML: " + xml.errorString();
        return;
    }
    if (resourceBlocks != 1 || prefix != QLatin1String("/"))
        check.problems << qrcFile() + ": expected one <qresource prefix=\"/\"> block";
    const QStringList expected = resourceEntries();
    if (listed != expected) {
        const QSet<QString> have(listed.begin(), listed.end());
        const QSet<QString> want(expected.begin(), expected.end());
        for (const QString &missing : want - have)
            check.problems << qrcFile() + ": does not list " + missing;
        for (const QString &extra : have - want)
            check.problems << qrcFile() + ": lists unknown " + extra;
        if (have == want)
            check.problems << qrcFile() + ": entries are duplicated or out of order";
    }
}

} // namespace

JpegHeader readJpegHeader(const QByteArray &d)
{
    JpegHeader header;
    if (d.size() < 4 || u8(d, 0) != 0xFF || u8(d, 1) != 0xD8) {
        header.error = QStringLiteral("not a JPEG file");
        return header;
    }
    int i = 2;
    while (i + 4 <= d.size()) {
        if (u8(d, i) != 0xFF)
            break;
        const int marker = u8(d, i + 1);
        if (marker == 0xFF) { // fill byte
            ++i;
            continue;
        }
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) { // markers without length
            i += 2;
            continue;
        }
        const int length = (u8(d, i + 2) << 8) | u8(d, i + 3);
        const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8
                && marker != 0xCC;
        if (frame) {
            if (length < 8 || i + 2 + length > d.size())
                break;
            header.frameMarker = marker;
            header.precision = u8(d, i + 4);
            header.height = (u8(d, i + 5) << 8) | u8(d, i + 6);
            header.width = (u8(d, i + 7) << 8) | u8(d, i + 8);
            header.components = u8(d, i + 9);
            return header;
        }
        if (marker == 0xDA || marker == 0xD9)
            break; // scan data before any frame header
        i += 2 + length;
    }
    header.error = QStringLiteral("no JPEG frame header found");
    return header;
}

QStringList verifyAll(const QString &rootPath, QTextStream &report)
{
    const QDir root(rootPath);
    Checker check(root);
    const QString res = resourcesDir() + QLatin1Char('/');
    const QSize digitSize(kDigitWidth, kDigitHeight);
    const QSize previewSize(kPreviewWidth, kPreviewHeight);

    QVector<QImage> previews;
    for (int style = 1; style <= kStyleCount; ++style) {
        const QImage preview = check.jpeg(res + previewEntry(style), previewSize);
        QVector<QImage> digits;
        for (int slot = 1; slot <= kSlotsPerStyle; ++slot)
            digits << check.jpeg(res + digitEntry(style, slot), digitSize);
        if (!preview.isNull() && preview.size() == previewSize) {
            previews << preview;
            for (int slot = 1; slot <= kSlotsPerStyle; ++slot) {
                const QImage &digit = digits[slot - 1];
                if (digit.isNull() || digit.size() != digitSize)
                    continue;
                const double d = meanDifference(preview, QPoint((slot - 1) * kDigitWidth, 0), digit,
                                                QPoint(0, 0), digitSize);
                if (d > kSliceTolerance)
                    check.problems << res + previewEntry(style)
                                    + QStringLiteral(": slice %1 does not match %2 (difference %3)")
                                              .arg(slot)
                                              .arg(digitEntry(style, slot))
                                              .arg(d, 0, 'f', 1);
            }
        }
        // Ten pictures of one style must show ten different things.
        for (int a = 0; a < digits.size(); ++a)
            for (int b = a + 1; b < digits.size(); ++b)
                if (!digits[a].isNull() && !digits[b].isNull() && digits[a].size() == digitSize
                    && digits[b].size() == digitSize
                    && meanDifference(digits[a], {}, digits[b], {}, digitSize) < kDistinctMinimum)
                    check.problems << QStringLiteral("style %1: slots %2 and %3 look the same")
                                              .arg(style)
                                              .arg(a + 1)
                                              .arg(b + 1);
    }
    for (int a = 0; a < previews.size(); ++a)
        for (int b = a + 1; b < previews.size(); ++b)
            if (meanDifference(previews[a], {}, previews[b], {}, previewSize)
                < kDistinctMinimum * 3)
                check.problems << QStringLiteral(
                                          "two style previews look nearly the same (%1 and %2)")
                                          .arg(a + 1)
                                          .arg(b + 1);
    check.jpeg(res + customPreviewEntry(), previewSize);
    const qint64 imgBytes = check.bytesChecked();
    checkNoStrays(root, check);
    checkResourceIndex(root, check);

    for (int digit = 0; digit <= 9; ++digit)
        check.jpeg(customSampleFile(digit), digitSize);

    const bool png = QFile::exists(root.filePath(contactSheetPng()));
    const bool jpg = QFile::exists(root.filePath(contactSheetJpg()));
    if (png == jpg) {
        check.problems << QStringLiteral("expected exactly one of %1 and %2")
                                  .arg(contactSheetPng(), contactSheetJpg());
    } else if (QImage(root.filePath(png ? contactSheetPng() : contactSheetJpg())).isNull()) {
        check.problems << (png ? contactSheetPng() : contactSheetJpg()) + ": cannot be decoded";
    }

    QImage icon;
    if (!icon.load(root.filePath(iconFile()), "PNG"))
        check.problems << iconFile() + ": missing or not a PNG";
    else if (icon.size() != QSize(kIconSize, kIconSize) || !icon.hasAlphaChannel())
        check.problems << iconFile() + ": expected a 256 x 256 PNG with transparency";

    report << "checked " << resourceEntries().size() << " resource pictures ("
           << QString::number(imgBytes / 1048576.0, 'f', 2) << " MB), 10 custom samples, "
           << "resource index, contact sheet and icon\n";
    for (const QString &problem : check.problems)
        report << "PROBLEM: " << problem << "\n";
    report << (check.problems.isEmpty()
                       ? "all outputs are in order\n"
                       : QStringLiteral("%1 problem(s)\n").arg(check.problems.size()));
    report.flush();
    return check.problems;
}

} // namespace pg
