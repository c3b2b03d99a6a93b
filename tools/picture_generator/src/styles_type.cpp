// Typographic styles: split-flap card, enamel plate, condensed, 3D block, polished
// steel and stencil. Every face comes from fonts.h, loaded from an exact file.
#include "canvas.h"
#include "fonts.h"
#include "styles.h"

namespace pg {

namespace {

QImage filledLayer(const QPainterPath &path, const QBrush &brush)
{
    QImage layer = newLayer();
    QPainter p(&layer);
    smooth(p);
    p.fillPath(path, brush);
    return layer;
}

struct Bridge
{
    qreal x;   // centre of the cut, as a fraction of the glyph width
    qreal top; // vertical extent, as fractions of the glyph height
    qreal bottom;
};

QVector<Bridge> stencilBridges(int digit)
{
    switch (digit) {
    case 0:
        return {{0.5, -0.1, 0.22}, {0.5, 0.78, 1.1}};
    case 2:
        return {{0.5, -0.1, 0.2}};
    case 3:
        return {{0.5, -0.1, 0.2}, {0.5, 0.8, 1.1}};
    case 4:
        return {{0.4, 0.55, 0.8}};
    case 5:
        return {{0.45, 0.8, 1.1}};
    case 6:
        return {{0.5, -0.1, 0.2}, {0.5, 0.8, 1.1}};
    case 8:
        return {{0.5, -0.1, 0.2}, {0.5, 0.4, 0.58}, {0.5, 0.8, 1.1}};
    case 9:
        return {{0.5, -0.1, 0.2}, {0.5, 0.8, 1.1}};
    default:
        return {};
    }
}

} // namespace

QImage drawSplitFlap(int digit)
{
    QImage img = newPanel(QColor(7, 7, 8));
    QPainter p(&img);
    smooth(p);
    const QRectF card(8, 8, 119, 224);
    const qreal hinge = card.center().y();
    QPainterPath cardPath;
    cardPath.addRoundedRect(card, 9, 9);
    const QRectF upper(card.left(), card.top(), card.width(), hinge - card.top());
    const QRectF lower(card.left(), hinge, card.width(), card.bottom() - hinge);

    QLinearGradient upperShade(0, upper.top(), 0, upper.bottom());
    upperShade.setColorAt(0, QColor(54, 55, 59));
    upperShade.setColorAt(1, QColor(38, 39, 43));
    QLinearGradient lowerShade(0, lower.top(), 0, lower.bottom());
    lowerShade.setColorAt(0, QColor(44, 45, 49));
    lowerShade.setColorAt(1, QColor(30, 31, 34));
    const QPainterPath glyph = fittedDigits(Face::SansBold, QRectF(17, 30, 101, 180))[digit];
    for (int half = 0; half < 2; ++half) {
        p.save();
        p.setClipRect(half == 0 ? upper : lower);
        p.fillPath(cardPath, half == 0 ? upperShade : lowerShade);
        p.fillPath(glyph, half == 0 ? QColor(238, 234, 222) : QColor(246, 243, 233));
        p.restore();
    }
    // The lower card sits in the shadow of the upper flap.
    QLinearGradient shadow(0, hinge, 0, hinge + 14);
    shadow.setColorAt(0, QColor(0, 0, 0, 140));
    shadow.setColorAt(1, QColor(0, 0, 0, 0));
    p.save();
    p.setClipPath(cardPath);
    p.fillRect(QRectF(card.left(), hinge, card.width(), 14), shadow);
    p.fillRect(QRectF(card.left(), upper.top(), card.width(), 2), QColor(255, 255, 255, 30));
    p.restore();
    p.fillRect(QRectF(card.left(), hinge - 1.8, card.width(), 3.6), QColor(3, 3, 3));
    // Hinge pins at both sides.
    for (qreal x : {3.0, card.right() - 4}) {
        QLinearGradient pin(0, hinge - 9, 0, hinge + 9);
        pin.setColorAt(0, QColor(120, 120, 124));
        pin.setColorAt(1, QColor(40, 40, 44));
        p.setPen(Qt::NoPen);
        p.setBrush(pin);
        p.drawRoundedRect(QRectF(x, hinge - 9, 9, 18), 2, 2);
    }
    return img;
}

QImage drawEnamelPlate(int digit)
{
    // A vitreous enamel number plate: deep blue glaze, white border, white serif figure.
    QImage img = newPanel(QColor(6, 8, 14));
    QPainter p(&img);
    smooth(p);
    const QRectF plate(4, 4, kPanelWidth - 8, kPanelHeight - 8);
    QRadialGradient glaze(QPointF(50, 70), 190);
    glaze.setColorAt(0, QColor(28, 58, 140));
    glaze.setColorAt(1, QColor(8, 22, 70));
    p.setPen(Qt::NoPen);
    p.setBrush(glaze);
    p.drawRoundedRect(plate, 14, 14);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(236, 238, 242), 4));
    p.drawRoundedRect(plate.adjusted(7, 7, -7, -7), 9, 9);
    // Mounting screws.
    for (QPointF c : {QPointF(67.5, 22), QPointF(67.5, 218)}) {
        QRadialGradient screw(c - QPointF(1, 1), 4.5);
        screw.setColorAt(0, QColor(200, 204, 210));
        screw.setColorAt(1, QColor(70, 74, 82));
        p.setPen(Qt::NoPen);
        p.setBrush(screw);
        p.drawEllipse(c, 4, 4);
        p.setPen(QPen(QColor(40, 42, 48), 1.4));
        p.drawLine(c - QPointF(2.6, 0), c + QPointF(2.6, 0));
    }
    const QPainterPath glyph = fittedDigits(Face::SchoolbookBold, QRectF(22, 32, 91, 176))[digit];
    drawBlurred(p, filledLayer(glyph, QColor(0, 0, 20, 200)), 3, 1.0, QPointF(1.5, 3));
    p.fillPath(glyph, QColor(244, 245, 248));
    // Glossy glaze catches the light across the top.
    QLinearGradient gloss(0, plate.top(), 0, plate.top() + 100);
    gloss.setColorAt(0, QColor(255, 255, 255, 46));
    gloss.setColorAt(1, QColor(255, 255, 255, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(gloss);
    p.drawRoundedRect(plate, 14, 14);
    return img;
}

QImage drawCondensed(int digit)
{
    QImage img = newPanel(Qt::black);
    QPainter p(&img);
    smooth(p);
    const QPainterPath glyph = fittedDigits(Face::NarrowBold, QRectF(14, 14, 107, 212))[digit];
    p.fillPath(glyph, QColor(248, 248, 244));
    return img;
}

QImage drawBlock3d(int digit)
{
    QImage img = newPanel(QColor(14, 16, 44));
    QPainter p(&img);
    smooth(p);
    QRadialGradient spot(QPointF(50, 80), 180);
    spot.setColorAt(0, QColor(40, 36, 96));
    spot.setColorAt(1, QColor(10, 8, 30));
    p.fillRect(img.rect(), spot);

    const QPainterPath glyph = fittedDigits(Face::BookmanDemi, QRectF(8, 14, 100, 186))[digit];
    const int depth = 20;
    for (int i = depth; i >= 1; --i) {
        QColor side = mix(QColor(40, 8, 2), QColor(150, 46, 8), 1.0 - qreal(i) / depth);
        p.fillPath(glyph.translated(i * 0.85, i * 1.0), side);
    }
    QLinearGradient face(0, 18, 0, 208);
    face.setColorAt(0, QColor(255, 238, 110));
    face.setColorAt(1, QColor(255, 146, 30));
    p.fillPath(glyph, face);
    p.strokePath(glyph, QPen(QColor(70, 22, 0), 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    return img;
}

QImage drawPolishedSteel(int digit)
{
    QImage img = newPanel(QColor(24, 26, 29));
    Random random(seedFor(18, digit));
    {
        QPainter p(&img);
        smooth(p);
        // Brushed dark backing plate.
        for (int y = 0; y < kPanelHeight; ++y) {
            int v = 24 + random.range(-3, 3);
            p.fillRect(QRectF(0, y, kPanelWidth, 1), QColor(v, v + 2, v + 5));
        }
        vignette(p, img.rect(), 0.6);

        const QPainterPath glyph = fittedDigits(Face::SerifBold, QRectF(16, 24, 103, 192))[digit];
        drawBlurred(p, filledLayer(glyph, QColor(0, 0, 0, 230)), 5, 1.0, QPointF(3, 5));
        p.fillPath(glyph.translated(1.6, 1.8), QColor(18, 20, 24));
        p.fillPath(glyph.translated(-1.2, -1.2), QColor(255, 255, 255, 210));
        QLinearGradient steel(0, 24, 0, 216);
        steel.setColorAt(0.0, QColor(236, 240, 245));
        steel.setColorAt(0.32, QColor(150, 158, 168));
        steel.setColorAt(0.49, QColor(226, 231, 236));
        steel.setColorAt(0.51, QColor(112, 120, 130));
        steel.setColorAt(0.8, QColor(200, 206, 213));
        steel.setColorAt(1.0, QColor(128, 136, 146));
        p.fillPath(glyph, steel);
        // Fine brushing and a diagonal highlight, only on the metal.
        p.save();
        p.setClipPath(glyph);
        for (int y = 0; y < kPanelHeight; y += 2) {
            int a = random.range(0, 28);
            p.fillRect(QRectF(0, y, kPanelWidth, 1),
                       random.range(0, 1) ? QColor(255, 255, 255, a) : QColor(0, 0, 0, a));
        }
        QLinearGradient sweep(0, 40, kPanelWidth, 150);
        sweep.setColorAt(0.35, QColor(255, 255, 255, 0));
        sweep.setColorAt(0.5, QColor(255, 255, 255, 90));
        sweep.setColorAt(0.65, QColor(255, 255, 255, 0));
        p.fillRect(img.rect(), sweep);
        p.restore();
    }
    return img;
}

QImage drawStencil(int digit)
{
    QImage img = newPanel(QColor(50, 58, 34));
    Random random(seedFor(20, digit));
    {
        QPainter p(&img);
        smooth(p);
        QLinearGradient plate(0, 0, kPanelWidth, kPanelHeight);
        plate.setColorAt(0, QColor(62, 72, 42));
        plate.setColorAt(1, QColor(38, 45, 26));
        p.fillRect(img.rect(), plate);
        // Scuffs and a riveted edge.
        for (int i = 0; i < 26; ++i) {
            QPointF a(random.uniform(0, kPanelWidth), random.uniform(0, kPanelHeight));
            QPointF b = a + QPointF(random.uniform(-18, 18), random.uniform(-6, 6));
            p.setPen(QPen(QColor(20, 24, 12, random.range(40, 90)), random.uniform(1, 2)));
            p.drawLine(a, b);
        }
        for (QPointF c : {QPointF(9, 9), QPointF(126, 9), QPointF(9, 231), QPointF(126, 231)}) {
            QRadialGradient rivet(c - QPointF(1, 1), 5);
            rivet.setColorAt(0, QColor(140, 146, 120));
            rivet.setColorAt(1, QColor(30, 34, 20));
            p.setPen(Qt::NoPen);
            p.setBrush(rivet);
            p.drawEllipse(c, 4.5, 4.5);
        }

        QPainterPath glyph = fittedDigits(Face::SansBold, QRectF(18, 28, 99, 184))[digit];
        const QRectF bounds = glyph.boundingRect();
        for (const Bridge &bridge : stencilBridges(digit)) {
            QPainterPath cut;
            cut.addRect(QRectF(bounds.left() + bridge.x * bounds.width() - 3.5,
                               bounds.top() + bridge.top * bounds.height(), 7,
                               (bridge.bottom - bridge.top) * bounds.height()));
            glyph = glyph.subtracted(cut);
        }
        const QColor paint(238, 222, 160);
        drawBlurred(p, filledLayer(glyph, paint), 3, 0.45); // overspray
        p.fillPath(glyph, paint);
        // Worn paint: specks of the plate showing through.
        p.save();
        p.setClipPath(glyph);
        p.setPen(Qt::NoPen);
        for (int i = 0; i < 160; ++i) {
            p.setBrush(QColor(60, 66, 40, random.range(90, 200)));
            p.drawEllipse(QPointF(random.uniform(0, kPanelWidth), random.uniform(0, kPanelHeight)),
                          random.uniform(0.5, 1.6), random.uniform(0.5, 1.4));
        }
        p.restore();
    }
    addGrain(img, random, 4);
    return img;
}

} // namespace pg
