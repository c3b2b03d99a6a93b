#include "canvas.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace pg {

QImage newPanel(const QColor &background)
{
    QImage panel(kPanelWidth, kPanelHeight, QImage::Format_RGB32);
    panel.fill(background);
    return panel;
}

QImage newLayer(int width, int height)
{
    QImage layer(width, height, QImage::Format_ARGB32_Premultiplied);
    layer.fill(Qt::transparent);
    return layer;
}

void smooth(QPainter &painter)
{
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
}

namespace {

// One box-blur pass along rows (horizontal) or columns, treating outside pixels as transparent.
void boxPass(QImage &image, int radius, bool horizontal)
{
    const int width = image.width();
    const int height = image.height();
    const int lines = horizontal ? height : width;
    const int length = horizontal ? width : height;
    const int window = 2 * radius + 1;
    std::vector<QRgb> source(length);
    for (int line = 0; line < lines; ++line) {
        auto pixel = [&](int i) -> QRgb & {
            int x = horizontal ? i : line;
            int y = horizontal ? line : i;
            return reinterpret_cast<QRgb *>(image.scanLine(y))[x];
        };
        for (int i = 0; i < length; ++i)
            source[i] = pixel(i);
        long sum[4] = {0, 0, 0, 0};
        auto add = [&](int i, int sign) {
            if (i < 0 || i >= length)
                return;
            QRgb v = source[i];
            sum[0] += sign * qAlpha(v);
            sum[1] += sign * qRed(v);
            sum[2] += sign * qGreen(v);
            sum[3] += sign * qBlue(v);
        };
        for (int i = -radius; i <= radius; ++i)
            add(i, 1);
        for (int i = 0; i < length; ++i) {
            int a = int(sum[0] / window);
            int r = std::min(a, int(sum[1] / window));
            int g = std::min(a, int(sum[2] / window));
            int b = std::min(a, int(sum[3] / window));
            pixel(i) = qRgba(r, g, b, a);
            add(i - radius, -1);
            add(i + radius + 1, 1);
        }
    }
}

} // namespace

void blur(QImage &layer, int radius)
{
    if (radius <= 0)
        return;
    if (layer.format() != QImage::Format_ARGB32_Premultiplied)
        layer = layer.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    // Three box passes approximate a Gaussian with sigma close to the radius / 1.7.
    int passRadius = std::max(1, int(std::lround(radius / 1.7)));
    for (int pass = 0; pass < 3; ++pass) {
        boxPass(layer, passRadius, true);
        boxPass(layer, passRadius, false);
    }
}

void addGlow(QPainter &painter, const QImage &layer, int radius, qreal strength)
{
    QImage halo = layer;
    blur(halo, radius);
    painter.save();
    painter.setCompositionMode(QPainter::CompositionMode_Plus);
    while (strength > 0.001) {
        painter.setOpacity(std::min<qreal>(1.0, strength));
        painter.drawImage(0, 0, halo);
        strength -= 1.0;
    }
    painter.restore();
}

void drawBlurred(QPainter &painter, const QImage &layer, int radius, qreal opacity, QPointF offset)
{
    QImage soft = layer;
    blur(soft, radius);
    painter.save();
    painter.setOpacity(opacity);
    painter.drawImage(offset, soft);
    painter.restore();
}

QColor withAlpha(QColor colour, int alpha)
{
    colour.setAlpha(alpha);
    return colour;
}

QColor mix(const QColor &a, const QColor &b, qreal t)
{
    auto lerp = [t](int x, int y) { return int(std::lround(x + (y - x) * t)); };
    return QColor(lerp(a.red(), b.red()), lerp(a.green(), b.green()), lerp(a.blue(), b.blue()),
                  lerp(a.alpha(), b.alpha()));
}

void vignette(QPainter &painter, const QRectF &area, qreal strength)
{
    QRadialGradient shade(area.center(), std::hypot(area.width(), area.height()) * 0.62);
    shade.setColorAt(0.0, QColor(0, 0, 0, 0));
    shade.setColorAt(0.55, QColor(0, 0, 0, 0));
    shade.setColorAt(1.0, QColor(0, 0, 0, int(255 * strength)));
    painter.fillRect(area, shade);
}

unsigned seedFor(int style, int digit)
{
    return unsigned(style * 7919 + digit * 104729 + 17);
}

void addGrain(QImage &picture, Random &random, int strength)
{
    for (int y = 0; y < picture.height(); ++y) {
        QRgb *line = reinterpret_cast<QRgb *>(picture.scanLine(y));
        for (int x = 0; x < picture.width(); ++x) {
            int d = random.range(-strength, strength);
            QRgb v = line[x];
            line[x] = qRgb(std::clamp(qRed(v) + d, 0, 255), std::clamp(qGreen(v) + d, 0, 255),
                           std::clamp(qBlue(v) + d, 0, 255));
        }
    }
}

QPainterPath fitInto(const QPainterPath &shape, const QRectF &box)
{
    QRectF bounds = shape.boundingRect();
    qreal scale = std::min(box.width() / bounds.width(), box.height() / bounds.height());
    QTransform t;
    t.translate(box.center().x(), box.center().y());
    t.scale(scale, scale);
    t.translate(-bounds.center().x(), -bounds.center().y());
    return t.map(shape);
}

} // namespace pg
