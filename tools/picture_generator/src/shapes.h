// Digit shapes built from geometry rather than fonts: segment displays, centre-line
// skeletons for drawn-stroke styles, angular circuit traces and small dot bitmaps.
#pragma once

#include <QPainterPath>
#include <QRectF>
#include <QString>
#include <QVector>

namespace pg {

// ---- Segment displays -------------------------------------------------------------------

enum class SegmentCut {
    Pointed,  // hexagonal segments meeting at 45 degree tips (LED)
    Bar,      // separate rounded bars with clear gaps (vacuum fluorescent)
    Bevelled, // outer segments as trapezoids, flush with the outline (LCD)
};

struct SegmentLayout
{
    QRectF box;      // outer bounds of the upright digit
    qreal thickness; // stroke thickness of a segment
    qreal gap;       // gap between neighbouring segments
    qreal slant = 0; // horizontal shift per pixel of height (italic lean)
    SegmentCut cut = SegmentCut::Pointed;
};

// The seven segments a..g (index 0..6), already slanted.
QVector<QPainterPath> sevenSegments(const SegmentLayout &layout);
// Which of the seven segments are lit for a digit.
QVector<bool> sevenLit(int digit);

// Sixteen segments: a1 a2 b c d1 d2 e f g1 g2 h i j k l m (index 0..15).
QVector<QPainterPath> sixteenSegments(const SegmentLayout &layout);
QVector<bool> sixteenLit(int digit);

// ---- Stroke skeletons ---------------------------------------------------------------------

// Centre line of a handwritten-style digit, drawn into a box.
QPainterPath skeletonDigit(int digit, const QRectF &box);

// Centre lines of a digit made of straight runs with 45 degree corners, as polylines.
QVector<QPolygonF> traceDigit(int digit, const QRectF &box);
// True when a trace polyline is a closed loop (no free ends).
bool traceIsClosed(const QPolygonF &trace);

// ---- Dot bitmaps --------------------------------------------------------------------------

// A classic 5 x 7 dot font: 7 rows of 5 characters, '#' for a lit dot.
QVector<QString> bitmap5x7(int digit);
// A chunky 6 x 10 block font with double-width vertical strokes.
QVector<QString> bitmap6x10(int digit);

// Samples a filled outline into a grid laid over `frame`: a cell is lit when the
// outline covers at least `threshold` of it.
QVector<QString> sampleToGrid(const QPainterPath &outline, const QRectF &frame, int columns,
                              int rows, qreal threshold);

} // namespace pg
