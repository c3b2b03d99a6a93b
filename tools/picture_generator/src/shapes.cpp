#include "shapes.h"

#include <QImage>
#include <QPainter>
#include <QPainterPathStroker>
#include <QTransform>
#include <cmath>
#include <stdexcept>

namespace pg {

namespace {

QPainterPath polygonPath(const QVector<QPointF> &points)
{
    QPainterPath path;
    path.addPolygon(QPolygonF(points));
    path.closeSubpath();
    return path;
}

// Horizontal segment between two tip positions along a centre line.
QPainterPath horizontalSegment(qreal x1, qreal x2, qreal y, qreal t, SegmentCut cut)
{
    if (cut == SegmentCut::Bar) {
        QPainterPath path;
        path.addRoundedRect(QRectF(x1 + t * 0.3, y - t / 2, x2 - x1 - t * 0.6, t), t * 0.3,
                            t * 0.3);
        return path;
    }
    return polygonPath({{x1, y},
                        {x1 + t / 2, y - t / 2},
                        {x2 - t / 2, y - t / 2},
                        {x2, y},
                        {x2 - t / 2, y + t / 2},
                        {x1 + t / 2, y + t / 2}});
}

QPainterPath verticalSegment(qreal x, qreal y1, qreal y2, qreal t, SegmentCut cut)
{
    QTransform swap(0, 1, 1, 0, 0, 0); // mirror across the diagonal: x <-> y
    return swap.map(horizontalSegment(y1, y2, x, t, cut));
}

QTransform slantAbout(qreal slant, qreal centreY)
{
    return QTransform(1, 0, -slant, 1, slant * centreY, 0);
}

// Outer segments of a reflective display: flush trapezoids with pointed middle ends.
QVector<QPainterPath> bevelledSeven(const SegmentLayout &s)
{
    const qreal x0 = s.box.left(), y0 = s.box.top(), w = s.box.width(), h = s.box.height();
    const qreal t = s.thickness, g = s.gap, ym = y0 + h / 2;
    QVector<QPainterPath> seg(7);
    seg[0] = polygonPath(
            {{x0 + g, y0}, {x0 + w - g, y0}, {x0 + w - t - g, y0 + t}, {x0 + t + g, y0 + t}});
    seg[3] = polygonPath({{x0 + t + g, y0 + h - t},
                          {x0 + w - t - g, y0 + h - t},
                          {x0 + w - g, y0 + h},
                          {x0 + g, y0 + h}});
    auto leftUpper = [&](qreal left, qreal dir) {
        // dir = +1 for the left column, -1 for the right (mirrored)
        return polygonPath({{left, y0 + g},
                            {left + dir * t, y0 + t + g},
                            {left + dir * t, ym - t / 2 - g},
                            {left + dir * t / 2, ym - g},
                            {left, ym - t / 2 - g}});
    };
    auto leftLower = [&](qreal left, qreal dir) {
        return polygonPath({{left, ym + t / 2 + g},
                            {left + dir * t / 2, ym + g},
                            {left + dir * t, ym + t / 2 + g},
                            {left + dir * t, y0 + h - t - g},
                            {left, y0 + h - g}});
    };
    seg[5] = leftUpper(x0, 1);
    seg[4] = leftLower(x0, 1);
    seg[1] = leftUpper(x0 + w, -1);
    seg[2] = leftLower(x0 + w, -1);
    seg[6] = horizontalSegment(x0 + t / 2 + g, x0 + w - t / 2 - g, ym, t, SegmentCut::Pointed);
    return seg;
}

QVector<bool> maskFrom(const char *bits)
{
    QVector<bool> lit;
    for (const char *c = bits; *c; ++c)
        lit << (*c == '1');
    return lit;
}

void checkDigit(int digit)
{
    if (digit < 0 || digit > 9)
        throw std::invalid_argument("digit out of range");
}

} // namespace

QVector<QPainterPath> sevenSegments(const SegmentLayout &s)
{
    QVector<QPainterPath> seg;
    if (s.cut == SegmentCut::Bevelled) {
        seg = bevelledSeven(s);
    } else {
        const qreal t = s.thickness, g = s.gap;
        const qreal xl = s.box.left() + t / 2, xr = s.box.right() - t / 2;
        const qreal ya = s.box.top() + t / 2, yg = s.box.center().y(), yd = s.box.bottom() - t / 2;
        seg << horizontalSegment(xl + g, xr - g, ya, t, s.cut)  // a
            << verticalSegment(xr, ya + g, yg - g, t, s.cut)    // b
            << verticalSegment(xr, yg + g, yd - g, t, s.cut)    // c
            << horizontalSegment(xl + g, xr - g, yd, t, s.cut)  // d
            << verticalSegment(xl, yg + g, yd - g, t, s.cut)    // e
            << verticalSegment(xl, ya + g, yg - g, t, s.cut)    // f
            << horizontalSegment(xl + g, xr - g, yg, t, s.cut); // g
    }
    const QTransform lean = slantAbout(s.slant, s.box.center().y());
    for (QPainterPath &p : seg)
        p = lean.map(p);
    return seg;
}

QVector<bool> sevenLit(int digit)
{
    checkDigit(digit);
    static const char *kMasks[10] = {"1111110", "0110000", "1101101", "1111001", "0110011",
                                     "1011011", "1011111", "1110000", "1111111", "1111011"};
    return maskFrom(kMasks[digit]);
}

QVector<QPainterPath> sixteenSegments(const SegmentLayout &s)
{
    const qreal t = s.thickness, g = s.gap;
    const SegmentCut cut = s.cut == SegmentCut::Bevelled ? SegmentCut::Pointed : s.cut;
    const qreal xl = s.box.left() + t / 2, xr = s.box.right() - t / 2, xm = s.box.center().x();
    const qreal ya = s.box.top() + t / 2, yg = s.box.center().y(), yd = s.box.bottom() - t / 2;
    QVector<QPainterPath> seg;
    seg << horizontalSegment(xl + g, xm - g, ya, t, cut)  // a1
        << horizontalSegment(xm + g, xr - g, ya, t, cut)  // a2
        << verticalSegment(xr, ya + g, yg - g, t, cut)    // b
        << verticalSegment(xr, yg + g, yd - g, t, cut)    // c
        << horizontalSegment(xm + g, xr - g, yd, t, cut)  // d1 (right half)
        << horizontalSegment(xl + g, xm - g, yd, t, cut)  // d2 (left half)
        << verticalSegment(xl, yg + g, yd - g, t, cut)    // e
        << verticalSegment(xl, ya + g, yg - g, t, cut)    // f
        << horizontalSegment(xl + g, xm - g, yg, t, cut)  // g1 (left half)
        << horizontalSegment(xm + g, xr - g, yg, t, cut); // g2 (right half)
    // Diagonals and the centre column live in the four inner quadrants.
    const qreal in = t / 2 + g * 1.4;
    const QRectF upperLeft(QPointF(xl + in, ya + in), QPointF(xm - in, yg - in));
    const QRectF upperRight(QPointF(xm + in, ya + in), QPointF(xr - in, yg - in));
    const QRectF lowerLeft(QPointF(xl + in, yg + in), QPointF(xm - in, yd - in));
    const QRectF lowerRight(QPointF(xm + in, yg + in), QPointF(xr - in, yd - in));
    auto diagonal = [&](const QRectF &cell, QPointF from, QPointF to) {
        QPointF d = to - from;
        QPointF ext = d * (t / std::hypot(d.x(), d.y()));
        QPainterPath line(from - ext);
        line.lineTo(to + ext);
        QPainterPathStroker stroker;
        stroker.setWidth(t * 0.85);
        stroker.setCapStyle(Qt::FlatCap);
        QPainterPath clip;
        clip.addRect(cell);
        return stroker.createStroke(line).intersected(clip).simplified();
    };
    seg << diagonal(upperLeft, upperLeft.topLeft(), upperLeft.bottomRight())     // h
        << verticalSegment(xm, ya + g, yg - g, t, cut)                           // i
        << diagonal(upperRight, upperRight.topRight(), upperRight.bottomLeft())  // j
        << diagonal(lowerLeft, lowerLeft.topRight(), lowerLeft.bottomLeft())     // k
        << verticalSegment(xm, yg + g, yd - g, t, cut)                           // l
        << diagonal(lowerRight, lowerRight.topLeft(), lowerRight.bottomRight()); // m
    const QTransform lean = slantAbout(s.slant, s.box.center().y());
    for (QPainterPath &p : seg)
        p = lean.map(p);
    return seg;
}

QVector<bool> sixteenLit(int digit)
{
    checkDigit(digit);
    //                                 a1a2b c d1d2e f g1g2h i j k l m
    static const char *kMasks[10] = {"1111111100001100",  // 0 with a slash
                                     "1000110000010010",  // 1: flag, stem and foot
                                     "1110110001000100",  // 2: diagonal from the middle
                                     "1111110001000000",  // 3: short middle bar
                                     "0011000111000000",  // 4
                                     "1101110111000000",  // 5
                                     "1101111111000000",  // 6
                                     "1100000000001010",  // 7: diagonal into the stem
                                     "1111111111000000",  // 8
                                     "1111110111000000"}; // 9
    return maskFrom(kMasks[digit]);
}

QPainterPath skeletonDigit(int digit, const QRectF &box)
{
    checkDigit(digit);
    // Drawn in a 100 x 160 design box, then stretched into the requested box.
    QPainterPath p;
    switch (digit) {
    case 0:
        p.addEllipse(QRectF(4, 2, 92, 156));
        break;
    case 1:
        p.moveTo(22, 36);
        p.lineTo(58, 3);
        p.lineTo(58, 158);
        break;
    case 2:
        p.moveTo(8, 44);
        p.cubicTo(8, 18, 27, 3, 51, 3);
        p.cubicTo(76, 3, 93, 20, 93, 44);
        p.cubicTo(93, 80, 50, 108, 6, 157);
        p.lineTo(96, 157);
        break;
    case 3:
        p.moveTo(10, 30);
        p.cubicTo(17, 12, 33, 3, 50, 3);
        p.cubicTo(74, 3, 89, 19, 89, 39);
        p.cubicTo(89, 61, 71, 75, 44, 75);
        p.cubicTo(76, 75, 95, 94, 95, 116);
        p.cubicTo(95, 141, 75, 157, 49, 157);
        p.cubicTo(29, 157, 13, 148, 5, 131);
        break;
    case 4:
        p.moveTo(72, 158);
        p.lineTo(72, 3);
        p.lineTo(4, 110);
        p.lineTo(97, 110);
        break;
    case 5:
        p.moveTo(88, 4);
        p.lineTo(21, 4);
        p.lineTo(13, 74);
        p.cubicTo(24, 64, 37, 59, 51, 59);
        p.cubicTo(77, 59, 94, 79, 94, 106);
        p.cubicTo(94, 136, 74, 157, 48, 157);
        p.cubicTo(28, 157, 13, 148, 5, 132);
        break;
    case 6:
        p.moveTo(84, 16);
        p.cubicTo(74, 7, 63, 3, 52, 3);
        p.cubicTo(22, 3, 6, 42, 6, 112);
        p.addEllipse(QRectF(6, 68, 88, 90));
        break;
    case 7:
        p.moveTo(4, 4);
        p.lineTo(96, 4);
        p.cubicTo(68, 45, 48, 95, 40, 158);
        break;
    case 8:
        p.addEllipse(QRectF(13, 2, 74, 74));
        p.addEllipse(QRectF(5, 76, 90, 82));
        break;
    case 9:
        p.addEllipse(QRectF(6, 2, 88, 90));
        p.moveTo(94, 48);
        p.cubicTo(94, 118, 78, 157, 48, 157);
        p.cubicTo(37, 157, 26, 153, 16, 144);
        break;
    }
    QTransform t;
    t.translate(box.left(), box.top());
    t.scale(box.width() / 100.0, box.height() / 160.0);
    return t.map(p);
}

QVector<QPolygonF> traceDigit(int digit, const QRectF &box)
{
    checkDigit(digit);
    using Line = QVector<QPointF>;
    QVector<Line> lines;
    switch (digit) {
    case 0:
        lines = {{{22, 0},
                  {78, 0},
                  {100, 22},
                  {100, 138},
                  {78, 160},
                  {22, 160},
                  {0, 138},
                  {0, 22},
                  {22, 0}}};
        break;
    case 1:
        lines = {{{18, 34}, {52, 0}, {52, 160}}};
        break;
    case 2:
        lines = {{{0, 30}, {22, 0}, {78, 0}, {100, 22}, {100, 62}, {0, 132}, {0, 160}, {100, 160}}};
        break;
    case 3:
        lines = {{{0, 0},
                  {78, 0},
                  {100, 22},
                  {100, 58},
                  {80, 78},
                  {100, 98},
                  {100, 138},
                  {78, 160},
                  {0, 160}},
                 {{80, 78}, {28, 78}}};
        break;
    case 4:
        lines = {{{72, 160}, {72, 0}, {0, 104}, {100, 104}}};
        break;
    case 5:
        lines = {{{100, 0}, {0, 0}, {0, 70}, {78, 70}, {100, 92}, {100, 138}, {78, 160}, {0, 160}}};
        break;
    case 6:
        lines = {{{92, 0},
                  {22, 0},
                  {0, 22},
                  {0, 138},
                  {22, 160},
                  {78, 160},
                  {100, 138},
                  {100, 92},
                  {78, 70},
                  {0, 70}}};
        break;
    case 7:
        lines = {{{0, 0}, {100, 0}, {100, 36}, {44, 100}, {44, 160}}};
        break;
    case 8:
        lines = {{{22, 0},
                  {78, 0},
                  {100, 22},
                  {100, 56},
                  {78, 78},
                  {22, 78},
                  {0, 56},
                  {0, 22},
                  {22, 0}},
                 {{22, 78},
                  {78, 78},
                  {100, 100},
                  {100, 138},
                  {78, 160},
                  {22, 160},
                  {0, 138},
                  {0, 100},
                  {22, 78}}};
        break;
    case 9:
        lines = {{{8, 160},
                  {78, 160},
                  {100, 138},
                  {100, 22},
                  {78, 0},
                  {22, 0},
                  {0, 22},
                  {0, 68},
                  {22, 90},
                  {100, 90}}};
        break;
    }
    QVector<QPolygonF> traces;
    for (const Line &line : lines) {
        QPolygonF poly;
        for (const QPointF &q : line)
            poly << QPointF(box.left() + q.x() * box.width() / 100.0,
                            box.top() + q.y() * box.height() / 160.0);
        traces << poly;
    }
    return traces;
}

bool traceIsClosed(const QPolygonF &trace)
{
    return trace.size() > 2 && trace.first() == trace.last();
}

QVector<QString> bitmap5x7(int digit)
{
    checkDigit(digit);
    static const char *kFont[10][7] = {
            {".###.", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."},
            {"..#..", ".##..", "#.#..", "..#..", "..#..", "..#..", "#####"},
            {".###.", "#...#", "....#", "...#.", "..#..", ".#...", "#####"},
            {"#####", "...#.", "..#..", "...#.", "....#", "#...#", ".###."},
            {"...#.", "..##.", ".#.#.", "#..#.", "#####", "...#.", "...#."},
            {"#####", "#....", "####.", "....#", "....#", "#...#", ".###."},
            {"..##.", ".#...", "#....", "####.", "#...#", "#...#", ".###."},
            {"#####", "....#", "...#.", "..#..", ".#...", ".#...", ".#..."},
            {".###.", "#...#", "#...#", ".###.", "#...#", "#...#", ".###."},
            {".###.", "#...#", "#...#", ".####", "....#", "...#.", ".##.."},
    };
    QVector<QString> rows;
    for (const char *row : kFont[digit])
        rows << QString::fromLatin1(row);
    return rows;
}

QVector<QString> bitmap6x10(int digit)
{
    checkDigit(digit);
    static const char *kFont[10][10] = {
            {".####.", "##..##", "##..##", "##..##", "##..##", "##..##", "##..##", "##..##",
             "##..##", ".####."},
            {"..##..", ".###..", "####..", "..##..", "..##..", "..##..", "..##..", "..##..",
             "..##..", "######"},
            {".####.", "##..##", "....##", "....##", "...##.", "..##..", ".##...", "##....",
             "##....", "######"},
            {".####.", "##..##", "....##", "....##", "..###.", "....##", "....##", "....##",
             "##..##", ".####."},
            {"...##.", "..###.", ".####.", "##.##.", "##.##.", "######", "...##.", "...##.",
             "...##.", "...##."},
            {"######", "##....", "##....", "#####.", "....##", "....##", "....##", "....##",
             "##..##", ".####."},
            {"..###.", ".##...", "##....", "##....", "#####.", "##..##", "##..##", "##..##",
             "##..##", ".####."},
            {"######", "....##", "....##", "...##.", "...##.", "..##..", "..##..", "..##..",
             "..##..", "..##.."},
            {".####.", "##..##", "##..##", "##..##", ".####.", "##..##", "##..##", "##..##",
             "##..##", ".####."},
            {".####.", "##..##", "##..##", "##..##", "##..##", ".#####", "....##", "....##",
             "...##.", ".###.."},
    };
    QVector<QString> rows;
    for (const char *row : kFont[digit])
        rows << QString::fromLatin1(row);
    return rows;
}

QVector<QString> sampleToGrid(const QPainterPath &outline, const QRectF &frame, int columns,
                              int rows, qreal threshold)
{
    constexpr int kSub = 12; // sub-samples per cell side
    QImage mask(columns * kSub, rows * kSub, QImage::Format_ARGB32_Premultiplied);
    mask.fill(Qt::transparent);
    {
        QPainter p(&mask);
        p.setRenderHint(QPainter::Antialiasing, true);
        QTransform t;
        t.scale(mask.width() / frame.width(), mask.height() / frame.height());
        t.translate(-frame.left(), -frame.top());
        p.fillPath(t.map(outline), Qt::white);
    }
    QVector<QString> grid;
    for (int r = 0; r < rows; ++r) {
        QString line;
        for (int c = 0; c < columns; ++c) {
            long sum = 0;
            for (int y = 0; y < kSub; ++y) {
                const QRgb *px = reinterpret_cast<const QRgb *>(mask.constScanLine(r * kSub + y));
                for (int x = 0; x < kSub; ++x)
                    sum += qAlpha(px[c * kSub + x]);
            }
            line += (sum >= threshold * 255 * kSub * kSub) ? QLatin1Char('#') : QLatin1Char('.');
        }
        grid << line;
    }
    return grid;
}

} // namespace pg
