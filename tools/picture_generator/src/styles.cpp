#include "styles.h"

namespace pg {

const QVector<Style> &allStyles()
{
    static const QVector<Style> styles = {
            {1, QStringLiteral("Red LED segments"), drawLedSegments},
            {2, QStringLiteral("Glow tube"), drawGlowTube},
            {3, QStringLiteral("Fluorescent segments"), drawFluorescentSegments},
            {4, QStringLiteral("Green dot matrix"), drawDotMatrix},
            {5, QStringLiteral("Split-flap card"), drawSplitFlap},
            {6, QStringLiteral("Neon sign"), drawNeonSign},
            {7, QStringLiteral("Reflective LCD"), drawReflectiveLcd},
            {8, QStringLiteral("Blue sixteen segments"), drawSixteenSegments},
            {9, QStringLiteral("Pixel blocks"), drawPixelBlocks},
            {10, QStringLiteral("Scoreboard bulbs"), drawBulbBoard},
            {11, QStringLiteral("Enamel plate"), drawEnamelPlate},
            {12, QStringLiteral("Condensed white"), drawCondensed},
            {13, QStringLiteral("Rounded candy"), drawRounded},
            {14, QStringLiteral("Amber terminal"), drawAmberTerminal},
            {15, QStringLiteral("3D block"), drawBlock3d},
            {16, QStringLiteral("Chalkboard"), drawChalkboard},
            {17, QStringLiteral("Instrument dial"), drawInstrumentDial},
            {18, QStringLiteral("Polished steel"), drawPolishedSteel},
            {19, QStringLiteral("Walnut and brass"), drawWoodInlay},
            {20, QStringLiteral("Stencil plate"), drawStencil},
            {21, QStringLiteral("Circuit board"), drawCircuitBoard},
            {22, QStringLiteral("Seventies stripes"), drawRetroStripes},
            {23, QStringLiteral("Comic pop"), drawComicPop},
    };
    return styles;
}

} // namespace pg
