#include "fonts.h"

#include <QFile>
#include <QFontDatabase>
#include <QMap>
#include <QRawFont>
#include <algorithm>
#include <stdexcept>

namespace pg {

namespace {

struct FontFile
{
    Face face;
    const char *package;
    const char *path;
};

const FontFile kFiles[] = {
        {Face::Sans, "fonts-dejavu-core", "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"},
        {Face::SansBold, "fonts-dejavu-core",
         "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"},
        {Face::MonoBold, "fonts-dejavu-core",
         "/usr/share/fonts/truetype/dejavu/DejaVuSansMono-Bold.ttf"},
        {Face::SerifBold, "fonts-dejavu-core",
         "/usr/share/fonts/truetype/dejavu/DejaVuSerif-Bold.ttf"},
        {Face::SchoolbookBold, "fonts-urw-base35",
         "/usr/share/fonts/opentype/urw-base35/C059-Bold.otf"},
        {Face::GroteskBold, "fonts-urw-base35",
         "/usr/share/fonts/opentype/urw-base35/NimbusSans-Bold.otf"},
        {Face::NarrowBold, "fonts-urw-base35",
         "/usr/share/fonts/opentype/urw-base35/NimbusSansNarrow-Bold.otf"},
        {Face::GeometricDemi, "fonts-urw-base35",
         "/usr/share/fonts/opentype/urw-base35/URWGothic-Demi.otf"},
        {Face::BookmanDemi, "fonts-urw-base35",
         "/usr/share/fonts/opentype/urw-base35/URWBookman-Demi.otf"},
        {Face::OldStyleBold, "fonts-urw-base35",
         "/usr/share/fonts/opentype/urw-base35/P052-Bold.otf"},
};

// Glyph outlines are taken at this size and scaled afterwards.
constexpr qreal kOutlineSize = 400.0;

QMap<Face, QRawFont> &rawFonts()
{
    static QMap<Face, QRawFont> fonts;
    return fonts;
}

const QRawFont &rawFont(Face face)
{
    auto it = rawFonts().constFind(face);
    if (it == rawFonts().constEnd())
        throw std::runtime_error("fonts were not loaded");
    return it.value();
}

QVector<quint32> glyphsFor(Face face, const QString &text)
{
    QVector<quint32> glyphs = rawFont(face).glyphIndexesForString(text);
    for (int i = 0; i < glyphs.size(); ++i) {
        if (glyphs[i] == 0) {
            throw std::runtime_error(QStringLiteral("font %1 has no glyph for '%2'")
                                             .arg(rawFont(face).familyName(), text.mid(i, 1))
                                             .toStdString());
        }
    }
    return glyphs;
}

} // namespace

QStringList fontPackages()
{
    QStringList packages;
    for (const FontFile &file : kFiles)
        if (!packages.contains(file.package))
            packages << file.package;
    return packages;
}

void loadFonts()
{
    for (const FontFile &file : kFiles) {
        const QString path = QString::fromUtf8(file.path);
        const QString hint = QStringLiteral("%1 (install the Debian package %2)")
                                     .arg(path, QString::fromUtf8(file.package));
        if (!QFile::exists(path))
            throw std::runtime_error(("missing font file " + hint).toStdString());
        if (QFontDatabase::addApplicationFont(path) < 0)
            throw std::runtime_error(("Qt could not load the font file " + hint).toStdString());
        QRawFont raw(path, kOutlineSize);
        if (!raw.isValid())
            throw std::runtime_error(("Qt could not read outlines from " + hint).toStdString());
        rawFonts().insert(file.face, raw);
        glyphsFor(file.face, QStringLiteral("0123456789"));
    }
}

QVector<QPainterPath> fittedDigits(Face face, const QRectF &box)
{
    const QRawFont &font = rawFont(face);
    const QVector<quint32> glyphs = glyphsFor(face, QStringLiteral("0123456789"));
    QVector<QPainterPath> outlines;
    qreal top = 1e9, bottom = -1e9, widest = 0;
    for (quint32 glyph : glyphs) {
        QPainterPath outline = font.pathForGlyph(glyph);
        QRectF r = outline.boundingRect();
        top = std::min(top, r.top());
        bottom = std::max(bottom, r.bottom());
        widest = std::max(widest, r.width());
        outlines << outline;
    }
    const qreal scaleY = box.height() / (bottom - top);
    const qreal scaleX = std::min(scaleY, box.width() / widest);
    for (QPainterPath &outline : outlines) {
        QRectF r = outline.boundingRect();
        QTransform t;
        t.translate(box.center().x(), box.top());
        t.scale(scaleX, scaleY);
        t.translate(-r.center().x(), -top);
        outline = t.map(outline);
    }
    return outlines;
}

QPainterPath textOutline(Face face, const QString &text, qreal pixelSize)
{
    const QRawFont &font = rawFont(face);
    QString visible = text;
    visible.remove(QLatin1Char(' '));
    glyphsFor(face, visible); // every visible character must exist in the face
    const QVector<quint32> glyphs = font.glyphIndexesForString(text);
    const QVector<QPointF> advances = font.advancesForGlyphIndexes(glyphs);
    QPainterPath line;
    QPointF pen(0, 0);
    for (int i = 0; i < glyphs.size(); ++i) {
        QPainterPath glyph = font.pathForGlyph(glyphs[i]);
        glyph.translate(pen);
        line.addPath(glyph);
        pen += advances[i];
    }
    QTransform scale;
    scale.scale(pixelSize / kOutlineSize, pixelSize / kOutlineSize);
    return scale.map(line);
}

} // namespace pg
