// Illustrated styles: pixel blocks, rounded candy, chalkboard, watch-style dial, walnut
// with brass inlay, circuit board traces, seventies stripes and comic pop art.
#include <QPainterPathStroker>
#include <cmath>

#include "canvas.h"
#include "fonts.h"
#include "shapes.h"
#include "styles.h"

namespace pg {

namespace {

QPen roundPen(const QColor &colour, qreal width)
{
    return QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

QImage filledLayer(const QPainterPath &path, const QBrush &brush)
{
    QImage layer = newLayer();
    QPainter p(&layer);
    smooth(p);
    p.fillPath(path, brush);
    return layer;
}

// Point where a ray from the centre of `box` at `angle` (radians, 0 = up, clockwise)
// leaves the box.
QPointF rayToEdge(const QRectF &box, qreal angle)
{
    const QPointF c = box.center();
    const qreal dx = std::sin(angle), dy = -std::cos(angle);
    qreal t = 1e9;
    if (std::abs(dx) > 1e-9)
        t = std::min(t, (box.width() / 2) / std::abs(dx));
    if (std::abs(dy) > 1e-9)
        t = std::min(t, (box.height() / 2) / std::abs(dy));
    return c + QPointF(dx * t, dy * t);
}

} // namespace

QImage drawPixelBlocks(int digit)
{
    QImage img = newPanel(QColor(24, 12, 42));
    QPainter p(&img);
    smooth(p);
    const qreal block = 19;
    const auto grid = bitmap6x10(digit);
    const QPointF origin((kPanelWidth - 6 * block) / 2, (kPanelHeight - 10 * block) / 2);
    // Faint checkerboard on the same grid, like an old game's backdrop.
    for (int r = -2; r < 14; ++r)
        for (int c = -1; c < 8; ++c)
            if ((r + c) % 2 == 0)
                p.fillRect(QRectF(origin.x() + c * block, origin.y() + r * block, block, block),
                           QColor(30, 16, 52));
    auto cell = [&](int r, int c) {
        return QRectF(origin.x() + c * block + 0.5, origin.y() + r * block + 0.5, block - 1,
                      block - 1);
    };
    for (int r = 0; r < 10; ++r)
        for (int c = 0; c < 6; ++c)
            if (grid[r][c] == QLatin1Char('#'))
                p.fillRect(cell(r, c).translated(5, 5), QColor(8, 3, 16));
    for (int r = 0; r < 10; ++r) {
        const QColor colour = mix(QColor(255, 228, 64), QColor(255, 72, 84), r / 9.0);
        for (int c = 0; c < 6; ++c) {
            if (grid[r][c] != QLatin1Char('#'))
                continue;
            const QRectF b = cell(r, c);
            p.fillRect(b, colour);
            p.fillRect(QRectF(b.left(), b.top(), b.width(), 3.5), mix(colour, Qt::white, 0.5));
            p.fillRect(QRectF(b.left(), b.top(), 3.5, b.height()), mix(colour, Qt::white, 0.25));
            p.fillRect(QRectF(b.left(), b.bottom() - 3.5, b.width(), 3.5),
                       mix(colour, Qt::black, 0.35));
            p.fillRect(QRectF(b.right() - 3.5, b.top() + 3.5, 3.5, b.height() - 7),
                       mix(colour, Qt::black, 0.2));
        }
    }
    return img;
}

QImage drawRounded(int digit)
{
    QImage img = newPanel(QColor(10, 30, 34));
    QPainter p(&img);
    smooth(p);
    QRadialGradient back(QPointF(67, 110), 150);
    back.setColorAt(0, QColor(22, 66, 72));
    back.setColorAt(1, QColor(6, 24, 28));
    p.fillRect(img.rect(), back);

    const QPainterPath glyph = fittedDigits(Face::GroteskBold, QRectF(25, 30, 85, 178))[digit];
    QPainterPathStroker stroker;
    stroker.setWidth(13);
    stroker.setJoinStyle(Qt::RoundJoin);
    stroker.setCapStyle(Qt::RoundCap);
    const QPainterPath body = stroker.createStroke(glyph).united(glyph).simplified();
    drawBlurred(p, filledLayer(body, QColor(0, 0, 0, 200)), 7, 1.0, QPointF(0, 7));
    QLinearGradient candy(0, 24, 0, 216);
    candy.setColorAt(0, QColor(255, 178, 132));
    candy.setColorAt(1, QColor(255, 88, 104));
    p.fillPath(body, candy);
    p.save();
    p.setClipPath(body);
    p.strokePath(body.translated(3, 4), roundPen(QColor(150, 20, 50, 120), 7));
    p.strokePath(body.translated(-2, -3), roundPen(QColor(255, 255, 255, 130), 4));
    p.restore();
    return img;
}

QImage drawChalkboard(int digit)
{
    QImage img = newPanel(QColor(32, 44, 38));
    Random random(seedFor(16, digit));
    {
        QPainter p(&img);
        smooth(p);
        // Old chalk dust wiped across the board.
        QImage dust = newLayer();
        {
            QPainter d(&dust);
            smooth(d);
            d.setPen(Qt::NoPen);
            for (int i = 0; i < 10; ++i) {
                d.setBrush(QColor(255, 255, 255, random.range(6, 14)));
                d.drawEllipse(
                        QPointF(random.uniform(0, kPanelWidth), random.uniform(0, kPanelHeight)),
                        random.uniform(20, 50), random.uniform(8, 20));
            }
        }
        drawBlurred(p, dust, 10);

        const QPainterPath stroke = skeletonDigit(digit, QRectF(27, 34, 81, 164));
        QImage chalk = newLayer();
        {
            QPainter c(&chalk);
            smooth(c);
            c.strokePath(stroke, roundPen(QColor(242, 242, 232, 240), 16));
            for (int pass = 0; pass < 3; ++pass)
                c.strokePath(stroke.translated(random.uniform(-2, 2), random.uniform(-2, 2)),
                             roundPen(QColor(242, 242, 232, 110), 13));
        }
        // Chalk grain: uneven coverage with bare specks where the board shows through.
        for (int y = 0; y < chalk.height(); ++y) {
            QRgb *line = reinterpret_cast<QRgb *>(chalk.scanLine(y));
            for (int x = 0; x < chalk.width(); ++x) {
                if (qAlpha(line[x]) == 0)
                    continue;
                qreal keep = random.uniform(0, 1) < 0.12 ? random.uniform(0.1, 0.4)
                                                         : random.uniform(0.7, 1.0);
                line[x] = qRgba(int(qRed(line[x]) * keep), int(qGreen(line[x]) * keep),
                                int(qBlue(line[x]) * keep), int(qAlpha(line[x]) * keep));
            }
        }
        p.drawImage(0, 0, chalk);
        // Wooden frame.
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(QColor(98, 62, 34), 8));
        p.drawRect(QRectF(4, 4, kPanelWidth - 8, kPanelHeight - 8));
        p.setPen(QPen(QColor(50, 30, 14), 2));
        p.drawRect(QRectF(8.5, 8.5, kPanelWidth - 17, kPanelHeight - 17));
    }
    addGrain(img, random, 3);
    return img;
}

QImage drawInstrumentDial(int digit)
{
    QImage img = newPanel(QColor(6, 6, 7));
    QPainter p(&img);
    smooth(p);
    const QRectF rim(5, 5, kPanelWidth - 10, kPanelHeight - 10);
    QRadialGradient face(QPointF(67, 110), 150);
    face.setColorAt(0, QColor(48, 50, 56));
    face.setColorAt(1, QColor(14, 15, 18));
    p.setPen(Qt::NoPen);
    p.setBrush(face);
    p.drawRoundedRect(rim, 22, 22);
    QLinearGradient bezel(0, 0, kPanelWidth, kPanelHeight);
    bezel.setColorAt(0, QColor(214, 218, 224));
    bezel.setColorAt(0.5, QColor(96, 100, 108));
    bezel.setColorAt(1, QColor(190, 194, 200));
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QBrush(bezel), 5));
    p.drawRoundedRect(rim, 22, 22);

    // Fifty ticks around the rim; the ten long ones stand for the digits, 0 at the top,
    // and the one for this digit is picked out in red.
    const QRectF track = rim.adjusted(7, 7, -7, -7);
    const QPointF centre = track.center();
    for (int k = 0; k < 50; ++k) {
        const qreal angle = k * 2 * M_PI / 50;
        const QPointF outer = rayToEdge(track, angle);
        const QPointF dir
                = (centre - outer) / std::hypot(centre.x() - outer.x(), centre.y() - outer.y());
        const bool major = k % 5 == 0;
        const bool current = major && k / 5 == digit;
        const qreal length = current ? 14 : (major ? 11 : 6);
        const QColor colour = current ? QColor(255, 58, 40)
                                      : (major ? QColor(236, 236, 230) : QColor(150, 154, 160));
        p.setPen(QPen(colour, current ? 7.5 : (major ? 4.5 : 2.4), Qt::SolidLine, Qt::FlatCap));
        p.drawLine(outer, outer + dir * length);
    }
    const QPainterPath glyph = fittedDigits(Face::GroteskBold, QRectF(29, 38, 77, 164))[digit];
    drawBlurred(p, filledLayer(glyph, QColor(0, 0, 0, 230)), 4, 1.0, QPointF(2, 4));
    p.fillPath(glyph, QColor(244, 244, 236));
    // Domed crystal reflection.
    QLinearGradient crystal(0, rim.top(), 0, rim.top() + 110);
    crystal.setColorAt(0, QColor(255, 255, 255, 30));
    crystal.setColorAt(1, QColor(255, 255, 255, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(crystal);
    p.drawRoundedRect(rim.adjusted(3, 3, -3, -3), 20, 20);
    return img;
}

QImage drawWoodInlay(int digit)
{
    QImage img = newPanel(QColor(60, 37, 21));
    Random random(seedFor(19, digit));
    {
        QPainter p(&img);
        smooth(p);
        QLinearGradient base(0, 0, kPanelWidth, 0);
        base.setColorAt(0, QColor(66, 40, 22));
        base.setColorAt(0.5, QColor(78, 48, 27));
        base.setColorAt(1, QColor(56, 34, 18));
        p.fillRect(img.rect(), base);
        // Walnut grain: long wavy fibres running top to bottom.
        for (int i = 0; i < 46; ++i) {
            const qreal x0 = random.uniform(-10, kPanelWidth + 10);
            const qreal phase = random.uniform(0, 6.28), phase2 = random.uniform(0, 6.28);
            const qreal amp = random.uniform(2, 7);
            QPainterPath fibre;
            for (int y = -4; y <= kPanelHeight + 4; y += 6) {
                QPointF pt(x0 + amp * std::sin(y * 0.025 + phase) + 2 * std::sin(y * 0.1 + phase2),
                           y);
                if (y == -4)
                    fibre.moveTo(pt);
                else
                    fibre.lineTo(pt);
            }
            const bool dark = random.range(0, 2) > 0;
            p.setPen(QPen(dark ? QColor(30, 17, 8, random.range(60, 130))
                               : QColor(120, 80, 46, random.range(30, 70)),
                          random.uniform(0.8, 3.2)));
            p.setBrush(Qt::NoBrush);
            p.drawPath(fibre);
        }
        vignette(p, img.rect(), 0.6);

        const QPainterPath glyph = fittedDigits(Face::OldStyleBold, QRectF(20, 28, 95, 184))[digit];
        p.strokePath(glyph, roundPen(QColor(22, 11, 4), 6)); // the routed groove
        QLinearGradient brass(0, 28, kPanelWidth, 212);
        brass.setColorAt(0, QColor(255, 232, 150));
        brass.setColorAt(0.5, QColor(214, 166, 70));
        brass.setColorAt(1, QColor(170, 120, 44));
        p.fillPath(glyph, brass);
        p.save();
        p.setClipPath(glyph);
        p.strokePath(glyph.translated(2, 2.5), roundPen(QColor(255, 248, 210, 140), 3));
        p.strokePath(glyph.translated(-2, -2.5), roundPen(QColor(90, 56, 14, 150), 3));
        p.restore();
    }
    addGrain(img, random, 3);
    return img;
}

QImage drawCircuitBoard(int digit)
{
    QImage img = newPanel(QColor(8, 52, 30));
    Random random(seedFor(21, digit));
    QPainter p(&img);
    smooth(p);
    QLinearGradient board(0, 0, kPanelWidth, kPanelHeight);
    board.setColorAt(0, QColor(12, 70, 40));
    board.setColorAt(1, QColor(5, 38, 22));
    p.fillRect(img.rect(), board);
    // Other traces under the solder mask.
    for (int i = 0; i < 9; ++i) {
        QPolygonF line;
        QPointF pt(random.uniform(0, kPanelWidth), random.uniform(0, kPanelHeight));
        line << pt;
        for (int s = 0; s < 3; ++s) {
            const int dir = random.range(0, 3);
            const qreal len = random.uniform(20, 60);
            const QPointF step[4] = {{len, 0}, {0, len}, {-len, 0}, {0, -len}};
            pt += step[dir];
            line << pt;
        }
        p.setPen(QPen(QColor(22, 96, 54), 3.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPolyline(line);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(150, 140, 80));
        p.drawEllipse(line.last(), 3.5, 3.5);
        p.setBrush(QColor(6, 30, 18));
        p.drawEllipse(line.last(), 1.6, 1.6);
    }
    p.fillRect(img.rect(), QColor(0, 20, 10, 60));

    const auto traces = traceDigit(digit, QRectF(27, 32, 81, 176));
    for (const QPolygonF &trace : traces) {
        QPainterPath path;
        path.addPolygon(trace);
        if (traceIsClosed(trace))
            path.closeSubpath();
        p.strokePath(path, roundPen(QColor(3, 26, 14), 19));
        p.strokePath(path, roundPen(QColor(206, 140, 56), 14));
        p.strokePath(path.translated(-1.5, -1.5), roundPen(QColor(255, 214, 140, 170), 4));
    }
    for (const QPolygonF &trace : traces) {
        if (traceIsClosed(trace))
            continue;
        for (const QPointF &end : {trace.first(), trace.last()}) {
            QRadialGradient pad(end - QPointF(2, 2), 12);
            pad.setColorAt(0, QColor(255, 224, 150));
            pad.setColorAt(1, QColor(196, 132, 50));
            p.setPen(QPen(QColor(3, 26, 14), 2.5));
            p.setBrush(pad);
            p.drawEllipse(end, 11, 11);
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(6, 22, 12));
            p.drawEllipse(end, 4, 4);
        }
    }
    return img;
}

QImage drawRetroStripes(int digit)
{
    QImage img = newPanel(QColor(26, 15, 10));
    QPainter p(&img);
    smooth(p);
    // Sunburst behind the digit.
    const QPointF sun(67.5, 270);
    for (int k = 0; k < 36; k += 2) {
        QPainterPath ray;
        ray.moveTo(sun);
        ray.arcTo(QRectF(sun.x() - 400, sun.y() - 400, 800, 800), k * 10.0, 10.0);
        ray.closeSubpath();
        p.fillPath(ray, QColor(40, 23, 14));
    }
    // Three parallel bands separated by the background colour.
    const QPainterPath stroke = skeletonDigit(digit, QRectF(31, 37, 73, 166));
    const QColor gap(26, 15, 10);
    p.strokePath(stroke.translated(3, 4), roundPen(QColor(6, 3, 1), 40));
    p.strokePath(stroke, roundPen(QColor(214, 70, 34), 40));
    p.strokePath(stroke, roundPen(gap, 30));
    p.strokePath(stroke, roundPen(QColor(246, 142, 36), 24));
    p.strokePath(stroke, roundPen(gap, 15));
    p.strokePath(stroke, roundPen(QColor(255, 214, 70), 10));
    return img;
}

QImage drawComicPop(int digit)
{
    QImage img = newPanel(QColor(44, 6, 24));
    QPainter p(&img);
    smooth(p);
    // Halftone dots growing towards the lower right.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(190, 28, 74));
    const qreal spacing = 9;
    for (int row = 0; row * spacing * 0.87 < kPanelHeight + spacing; ++row) {
        for (int col = -1; col * spacing < kPanelWidth + spacing; ++col) {
            QPointF c(col * spacing + ((row % 2) ? spacing / 2 : 0), row * spacing * 0.87);
            qreal t = (c.x() / kPanelWidth + c.y() / kPanelHeight) / 2;
            qreal r = 0.4 + 3.4 * t;
            p.drawEllipse(c, r, r);
        }
    }
    QPainterPath glyph = fittedDigits(Face::SansBold, QRectF(24, 26, 84, 180))[digit];
    QTransform lean(1, 0, -0.16, 1, 0.16 * 116, 0); // lean the digit forward about y = 116
    glyph = lean.map(glyph);
    p.fillPath(glyph.translated(7, 8), Qt::black);
    p.strokePath(glyph.translated(7, 8), roundPen(Qt::black, 11));
    p.strokePath(glyph, roundPen(QColor(12, 2, 6), 11));
    QLinearGradient yellow(0, 26, 0, 206);
    yellow.setColorAt(0, QColor(255, 246, 120));
    yellow.setColorAt(1, QColor(255, 196, 20));
    p.fillPath(glyph, yellow);
    p.save();
    p.setClipPath(glyph);
    p.strokePath(glyph.translated(3, 3.5), roundPen(QColor(255, 255, 255, 170), 3.5));
    p.restore();
    return img;
}

} // namespace pg
