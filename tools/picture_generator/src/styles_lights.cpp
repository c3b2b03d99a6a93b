// Styles made of light sources: glow tube, neon sign, dot matrix, bulb board and terminal.
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

QImage strokedLayer(const QPainterPath &path, const QPen &pen)
{
    QImage layer = newLayer();
    QPainter p(&layer);
    smooth(p);
    p.strokePath(path, pen);
    return layer;
}

// Draws dots laid out on a grid; `draw` paints one dot at a centre.
template<typename DrawDot>
void forEachCell(const QVector<QString> &grid, QPointF firstCentre, QPointF pitch, DrawDot draw)
{
    for (int r = 0; r < grid.size(); ++r)
        for (int c = 0; c < grid[r].size(); ++c)
            draw(QPointF(firstCentre.x() + c * pitch.x(), firstCentre.y() + r * pitch.y()),
                 grid[r][c] == QLatin1Char('#'));
}

} // namespace

QImage drawGlowTube(int digit)
{
    QImage img = newPanel(QColor(5, 3, 2));
    QPainter p(&img);
    smooth(p);

    QPainterPath tube;
    tube.addRoundedRect(QRectF(7, 4, 121, 224), 44, 36);
    QLinearGradient glass(7, 0, 128, 0);
    glass.setColorAt(0, QColor(46, 32, 24));
    glass.setColorAt(0.25, QColor(14, 9, 6));
    glass.setColorAt(0.75, QColor(10, 6, 4));
    glass.setColorAt(1, QColor(38, 27, 20));
    p.fillPath(tube, glass);

    const QRectF box(26, 30, 83, 176);
    // The other nine cathodes stand behind the lit one, dark.
    for (int other = 0; other < 10; ++other)
        if (other != digit)
            p.strokePath(skeletonDigit(other, box), roundPen(QColor(74, 56, 44, 110), 2.6));

    const QPainterPath lit = skeletonDigit(digit, box);
    addGlow(p, strokedLayer(lit, roundPen(QColor(255, 96, 10), 12)), 16, 1.6);
    p.strokePath(lit, roundPen(QColor(255, 130, 40), 9));
    p.strokePath(lit, roundPen(QColor(255, 200, 130), 5));
    p.strokePath(lit, roundPen(QColor(255, 240, 210), 2));

    // Hexagonal anode mesh in front of the cathodes.
    p.save();
    p.setClipPath(tube);
    p.setPen(QPen(QColor(28, 18, 12, 115), 1.0));
    const qreal r = 7.5, h = std::sqrt(3.0) * r;
    for (int col = 0; col * 1.5 * r < kPanelWidth + r; ++col) {
        for (int row = -1; row * h < kPanelHeight + h; ++row) {
            QPointF c(col * 1.5 * r, row * h + ((col % 2) ? h / 2 : 0));
            QPolygonF hex;
            for (int k = 0; k <= 6; ++k)
                hex << c + QPointF(r * std::cos(k * M_PI / 3), r * std::sin(k * M_PI / 3));
            p.drawPolyline(hex);
        }
    }
    // Reflections on the curved glass.
    QLinearGradient shine(14, 0, 34, 0);
    shine.setColorAt(0, QColor(255, 240, 220, 0));
    shine.setColorAt(0.5, QColor(255, 240, 220, 40));
    shine.setColorAt(1, QColor(255, 240, 220, 0));
    p.fillRect(QRectF(14, 20, 20, 190), shine);
    p.restore();
    p.setPen(QPen(QColor(110, 86, 66, 150), 2));
    p.setBrush(Qt::NoBrush);
    p.drawPath(tube);
    // Socket.
    QLinearGradient socket(0, 222, 0, 240);
    socket.setColorAt(0, QColor(40, 34, 30));
    socket.setColorAt(1, QColor(12, 10, 9));
    p.setPen(Qt::NoPen);
    p.setBrush(socket);
    p.drawRoundedRect(QRectF(12, 222, 111, 22), 4, 4);
    return img;
}

QImage drawNeonSign(int digit)
{
    QImage img = newPanel(QColor(12, 8, 8));
    QPainter p(&img);
    smooth(p);
    // Dark brick wall.
    Random random(seedFor(6, digit));
    const qreal brickW = 38, brickH = 17, mortar = 2.5;
    for (int row = 0; row * brickH < kPanelHeight; ++row) {
        qreal shift = (row % 2) ? -brickW / 2 : 0;
        for (qreal x = shift; x < kPanelWidth; x += brickW) {
            int shade = random.range(-7, 7);
            p.fillRect(QRectF(x + mortar / 2, row * brickH + mortar / 2, brickW - mortar,
                              brickH - mortar),
                       QColor(50 + shade, 27 + shade / 2, 23 + shade / 2));
        }
    }
    vignette(p, img.rect(), 0.8);
    p.fillRect(img.rect(), QColor(0, 0, 0, 70));

    const QPainterPath glyph = fittedDigits(Face::GeometricDemi, QRectF(22, 30, 91, 180))[digit];
    const QColor pink(255, 40, 150);
    addGlow(p, strokedLayer(glyph, roundPen(pink, 16)), 30, 1.0); // light on the wall
    addGlow(p, strokedLayer(glyph, roundPen(pink, 10)), 9, 1.6);
    p.strokePath(glyph, roundPen(QColor(255, 80, 175), 7));
    p.strokePath(glyph, roundPen(QColor(255, 225, 242), 3));
    return img;
}

QImage drawDotMatrix(int digit)
{
    QImage img = newPanel(QColor(2, 5, 3));
    QPainter p(&img);
    smooth(p);
    const int columns = 8, rows = 14;
    const QRectF frame(0, 0, 80, 140);
    const QPainterPath glyph = fittedDigits(Face::SansBold, frame.adjusted(2, 3, -2, -3))[digit];
    const auto grid = sampleToGrid(glyph, frame, columns, rows, 0.42);

    const QPointF pitch(14.6, 15.4);
    const QPointF first((kPanelWidth - (columns - 1) * pitch.x()) / 2,
                        (kPanelHeight - (rows - 1) * pitch.y()) / 2);
    const qreal radius = 5.8;
    QImage glow = newLayer();
    {
        QPainter g(&glow);
        smooth(g);
        g.setPen(Qt::NoPen);
        g.setBrush(QColor(40, 255, 90));
        forEachCell(grid, first, pitch, [&](QPointF c, bool on) {
            if (on)
                g.drawEllipse(c, radius, radius);
        });
    }
    p.setPen(Qt::NoPen);
    forEachCell(grid, first, pitch, [&](QPointF c, bool on) {
        if (!on) {
            p.setBrush(QColor(14, 36, 20));
            p.drawEllipse(c, radius, radius);
        }
    });
    addGlow(p, glow, 8, 1.0);
    forEachCell(grid, first, pitch, [&](QPointF c, bool on) {
        if (!on)
            return;
        QRadialGradient led(c - QPointF(1.2, 1.2), radius * 1.2);
        led.setColorAt(0, QColor(225, 255, 225));
        led.setColorAt(0.45, QColor(90, 255, 120));
        led.setColorAt(1, QColor(20, 190, 70));
        p.setBrush(led);
        p.drawEllipse(c, radius, radius);
    });
    return img;
}

QImage drawBulbBoard(int digit)
{
    QImage img = newPanel(QColor(10, 10, 11));
    QPainter p(&img);
    smooth(p);
    QLinearGradient metal(0, 0, 0, kPanelHeight);
    metal.setColorAt(0, QColor(28, 29, 32));
    metal.setColorAt(1, QColor(12, 12, 14));
    p.fillRect(img.rect(), metal);

    const auto grid = bitmap5x7(digit);
    const QPointF pitch(24.5, 31.5);
    const QPointF first((kPanelWidth - 4 * pitch.x()) / 2, (kPanelHeight - 6 * pitch.y()) / 2);
    const qreal radius = 9.8;
    p.setPen(Qt::NoPen);
    // Every bulb sits in a dark reflector cup.
    forEachCell(grid, first, pitch, [&](QPointF c, bool) {
        QRadialGradient cup(c, radius + 2.5);
        cup.setColorAt(0.7, QColor(4, 4, 4));
        cup.setColorAt(1, QColor(40, 40, 42));
        p.setBrush(cup);
        p.drawEllipse(c, radius + 2.5, radius + 2.5);
    });
    forEachCell(grid, first, pitch, [&](QPointF c, bool on) {
        if (on)
            return;
        QRadialGradient bulb(c - QPointF(2, 2.5), radius);
        bulb.setColorAt(0, QColor(54, 50, 44));
        bulb.setColorAt(1, QColor(18, 17, 16));
        p.setBrush(bulb);
        p.drawEllipse(c, radius * 0.8, radius * 0.8);
    });
    QImage glow = newLayer();
    {
        QPainter g(&glow);
        smooth(g);
        g.setPen(Qt::NoPen);
        g.setBrush(QColor(255, 150, 30));
        forEachCell(grid, first, pitch, [&](QPointF c, bool on) {
            if (on)
                g.drawEllipse(c, radius + 3, radius + 3);
        });
    }
    addGlow(p, glow, 12, 0.9);
    forEachCell(grid, first, pitch, [&](QPointF c, bool on) {
        if (!on)
            return;
        QRadialGradient bulb(c - QPointF(2, 2.5), radius * 1.15);
        bulb.setColorAt(0, QColor(255, 255, 240));
        bulb.setColorAt(0.35, QColor(255, 238, 165));
        bulb.setColorAt(0.8, QColor(255, 184, 64));
        bulb.setColorAt(1, QColor(216, 124, 22));
        p.setBrush(bulb);
        p.drawEllipse(c, radius, radius);
    });
    return img;
}

QImage drawAmberTerminal(int digit)
{
    QImage img = newPanel(QColor(26, 24, 22));
    QPainter p(&img);
    smooth(p);
    QPainterPath screen;
    screen.addRoundedRect(QRectF(6, 6, kPanelWidth - 12, kPanelHeight - 12), 18, 18);
    QRadialGradient tube(QPointF(67, 120), 140);
    tube.setColorAt(0, QColor(44, 24, 4));
    tube.setColorAt(1, QColor(12, 7, 2));
    p.fillPath(screen, tube);

    const QPainterPath glyph = fittedDigits(Face::MonoBold, QRectF(22, 32, 91, 176))[digit];
    QImage layer = newLayer();
    {
        QPainter g(&layer);
        smooth(g);
        g.fillPath(glyph, QColor(255, 150, 0));
    }
    p.save();
    p.setClipPath(screen);
    addGlow(p, layer, 10, 0.8);
    p.fillPath(glyph, QColor(255, 186, 40));
    // Scan lines of the picture tube.
    for (int y = 0; y < kPanelHeight; y += 3)
        p.fillRect(QRectF(0, y, kPanelWidth, 1.2), QColor(0, 0, 0, 95));
    // Curved glass reflection.
    QRadialGradient reflection(QPointF(40, 40), 70);
    reflection.setColorAt(0, QColor(255, 230, 200, 26));
    reflection.setColorAt(1, QColor(255, 230, 200, 0));
    p.fillRect(img.rect(), reflection);
    vignette(p, screen.boundingRect(), 0.7);
    p.restore();
    p.setPen(QPen(QColor(6, 5, 4), 3));
    p.drawPath(screen);
    return img;
}

} // namespace pg
