// The typefaces used by the typographic styles. Each one is loaded from an exact file
// installed by a named Debian package; a missing file stops the generator instead of
// letting Qt quietly substitute another font.
#pragma once

#include <QPainterPath>
#include <QRectF>
#include <QString>
#include <QVector>

namespace pg {

enum class Face {
    Sans,           // DejaVu Sans
    SansBold,       // DejaVu Sans Bold
    MonoBold,       // DejaVu Sans Mono Bold
    SerifBold,      // DejaVu Serif Bold
    SchoolbookBold, // C059 Bold
    GroteskBold,    // Nimbus Sans Bold
    NarrowBold,     // Nimbus Sans Narrow Bold
    GeometricDemi,  // URW Gothic Demi
    BookmanDemi,    // URW Bookman Demi
    OldStyleBold,   // P052 Bold
};

// Debian packages that provide every face above.
QStringList fontPackages();

// Registers every face with Qt and checks that each one has all glyphs we draw.
// Throws std::runtime_error naming the missing file and its package.
void loadFonts();

// Outlines of the digits 0..9 (index = digit) fitted into a box: all digits share one
// scale, the tallest fills the box height, the widest fits the box width (narrowing
// the face horizontally when needed) and each digit is centred horizontally.
QVector<QPainterPath> fittedDigits(Face face, const QRectF &box);

// Outline of a line of text with its baseline at y = 0, starting at x = 0.
QPainterPath textOutline(Face face, const QString &text, qreal pixelSize);

} // namespace pg
