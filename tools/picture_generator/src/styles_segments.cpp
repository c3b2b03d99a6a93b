// Segment display styles: red LED, vacuum fluorescent, reflective LCD and sixteen segments.
#include "canvas.h"
#include "shapes.h"
#include "styles.h"

namespace pg {

namespace {

void fillSegments(QPainter &p, const QVector<QPainterPath> &segments, const QVector<bool> &lit,
                  bool wantLit, const QBrush &brush)
{
    for (int i = 0; i < segments.size(); ++i)
        if (lit[i] == wantLit)
            p.fillPath(segments[i], brush);
}

QImage litLayer(const QVector<QPainterPath> &segments, const QVector<bool> &lit,
                const QColor &colour)
{
    QImage layer = newLayer();
    QPainter p(&layer);
    smooth(p);
    fillSegments(p, segments, lit, true, colour);
    return layer;
}

} // namespace

QImage drawLedSegments(int digit)
{
    QImage img = newPanel(Qt::black);
    QPainter p(&img);
    smooth(p);
    QLinearGradient filter(0, 0, 0, kPanelHeight);
    filter.setColorAt(0, QColor(24, 6, 8));
    filter.setColorAt(1, QColor(9, 2, 3));
    p.fillRect(img.rect(), filter);

    const SegmentLayout layout {QRectF(22, 22, 94, 196), 21, 2.6, 0.09, SegmentCut::Pointed};
    const auto segments = sevenSegments(layout);
    const auto lit = sevenLit(digit);
    fillSegments(p, segments, lit, false, QColor(52, 11, 11));
    addGlow(p, litLayer(segments, lit, QColor(255, 40, 20)), 14, 0.9);
    for (int i = 0; i < segments.size(); ++i) {
        if (!lit[i])
            continue;
        QRectF r = segments[i].boundingRect();
        QRadialGradient hot(r.center(), std::max(r.width(), r.height()) * 0.7);
        hot.setColorAt(0, QColor(255, 120, 90));
        hot.setColorAt(0.6, QColor(255, 38, 22));
        hot.setColorAt(1, QColor(225, 18, 12));
        p.fillPath(segments[i], hot);
    }
    addGlow(p, litLayer(segments, lit, QColor(255, 60, 30)), 3, 0.35);
    return img;
}

QImage drawFluorescentSegments(int digit)
{
    QImage img = newPanel(QColor(3, 10, 12));
    QPainter p(&img);
    smooth(p);
    QLinearGradient glass(0, 0, kPanelWidth, kPanelHeight);
    glass.setColorAt(0, QColor(6, 20, 24));
    glass.setColorAt(1, QColor(2, 8, 10));
    p.fillRect(img.rect(), glass);

    const SegmentLayout layout {QRectF(19, 22, 97, 196), 18, 5.5, 0.0, SegmentCut::Bar};
    const auto segments = sevenSegments(layout);
    const auto lit = sevenLit(digit);
    fillSegments(p, segments, lit, false, QColor(14, 44, 42));
    const QColor phosphor(70, 255, 215);
    addGlow(p, litLayer(segments, lit, phosphor), 12, 1.4);
    fillSegments(p, segments, lit, true, QColor(165, 255, 238));

    // The control grid in front of the segments: a fine diagonal mesh.
    p.setPen(QPen(QColor(0, 12, 12, 120), 1.0));
    for (int k = -kPanelHeight; k < kPanelWidth + kPanelHeight; k += 6) {
        p.drawLine(QPointF(k, 0), QPointF(k + kPanelHeight, kPanelHeight));
        p.drawLine(QPointF(k, 0), QPointF(k - kPanelHeight, kPanelHeight));
    }
    // Heater filaments stretched across the tube, glowing faintly.
    p.setPen(QPen(QColor(120, 60, 40, 70), 1.0));
    for (qreal y : {64.0, 120.0, 176.0})
        p.drawLine(QPointF(4, y), QPointF(kPanelWidth - 4, y));
    vignette(p, img.rect(), 0.55);
    return img;
}

QImage drawReflectiveLcd(int digit)
{
    QImage img = newPanel(QColor(20, 21, 19));
    {
        QPainter p(&img);
        smooth(p);
        const QRectF glassRect(7, 7, kPanelWidth - 14, kPanelHeight - 14);
        QLinearGradient glass(0, glassRect.top(), 0, glassRect.bottom());
        glass.setColorAt(0, QColor(128, 142, 112));
        glass.setColorAt(1, QColor(100, 115, 88));
        p.setPen(Qt::NoPen);
        p.setBrush(glass);
        p.drawRoundedRect(glassRect, 5, 5);

        const SegmentLayout layout {QRectF(22, 26, 90, 188), 19, 2.2, 0.07, SegmentCut::Bevelled};
        const auto segments = sevenSegments(layout);
        const auto lit = sevenLit(digit);
        fillSegments(p, segments, lit, false, QColor(40, 52, 30, 34));
        // The reflector behind the liquid crystal shows a soft shadow of each segment.
        QImage shadow = litLayer(segments, lit, QColor(25, 35, 18, 110));
        drawBlurred(p, shadow, 3, 1.0, QPointF(4, 5));
        fillSegments(p, segments, lit, true, QColor(24, 30, 22));

        QLinearGradient sheen(0, glassRect.top(), 0, glassRect.top() + 90);
        sheen.setColorAt(0, QColor(255, 255, 255, 34));
        sheen.setColorAt(1, QColor(255, 255, 255, 0));
        p.setBrush(sheen);
        p.drawRoundedRect(glassRect, 5, 5);
        p.setPen(QPen(QColor(8, 9, 8), 3));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(glassRect, 5, 5);
    }
    Random random(seedFor(7, digit));
    addGrain(img, random, 3);
    return img;
}

QImage drawSixteenSegments(int digit)
{
    QImage img = newPanel(QColor(2, 4, 12));
    QPainter p(&img);
    smooth(p);
    QRadialGradient back(QPointF(67, 120), 150);
    back.setColorAt(0, QColor(8, 14, 34));
    back.setColorAt(1, QColor(1, 2, 8));
    p.fillRect(img.rect(), back);

    const SegmentLayout layout {QRectF(16, 20, 103, 200), 14, 2.2, 0.0, SegmentCut::Pointed};
    const auto segments = sixteenSegments(layout);
    const auto lit = sixteenLit(digit);
    fillSegments(p, segments, lit, false, QColor(17, 26, 58));
    addGlow(p, litLayer(segments, lit, QColor(40, 120, 255)), 12, 1.3);
    fillSegments(p, segments, lit, true, QColor(120, 190, 255));
    addGlow(p, litLayer(segments, lit, QColor(60, 140, 255)), 2, 0.4);
    return img;
}

} // namespace pg
