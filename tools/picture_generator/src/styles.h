// The catalogue of digit styles. Each style draws one 135 x 240 picture per digit.
#pragma once

#include <QImage>
#include <QString>
#include <QVector>

namespace pg {

using DrawDigit = QImage (*)(int digit);

struct Style
{
    int number;   // 1-based, as shown to the user
    QString name; // short caption, e.g. "Red LED segments"
    DrawDigit draw;
};

// All styles in their user-facing order (number 1 first).
const QVector<Style> &allStyles();

// Styles by family; each returns a 135 x 240 RGB32 picture of one digit (0..9).
QImage drawLedSegments(int digit);
QImage drawFluorescentSegments(int digit);
QImage drawReflectiveLcd(int digit);
QImage drawSixteenSegments(int digit);

QImage drawGlowTube(int digit);
QImage drawNeonSign(int digit);
QImage drawDotMatrix(int digit);
QImage drawBulbBoard(int digit);
QImage drawAmberTerminal(int digit);

QImage drawSplitFlap(int digit);
QImage drawEnamelPlate(int digit);
QImage drawCondensed(int digit);
QImage drawBlock3d(int digit);
QImage drawPolishedSteel(int digit);
QImage drawStencil(int digit);

QImage drawPixelBlocks(int digit);
QImage drawRounded(int digit);
QImage drawChalkboard(int digit);
QImage drawInstrumentDial(int digit);
QImage drawWoodInlay(int digit);
QImage drawCircuitBoard(int digit);
QImage drawRetroStripes(int digit);
QImage drawComicPop(int digit);

} // namespace pg
