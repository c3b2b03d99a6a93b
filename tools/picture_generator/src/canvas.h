// Shared drawing helpers for the digit pictures: panel creation, blur and glow,
// deterministic noise and small geometry utilities.
#pragma once

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPointF>
#include <QRectF>
#include <random>

namespace pg {

constexpr int kPanelWidth = 135;
constexpr int kPanelHeight = 240;

// A new opaque 135 x 240 picture filled with one colour.
QImage newPanel(const QColor &background);

// A new fully transparent layer (premultiplied ARGB) to draw glowing parts into.
QImage newLayer(int width = kPanelWidth, int height = kPanelHeight);

// Turns on antialiasing and smooth image scaling for a painter.
void smooth(QPainter &painter);

// Approximate Gaussian blur (three box passes) of a premultiplied ARGB image.
void blur(QImage &layer, int radius);

// Adds a blurred copy of a layer to the painter's device using additive light.
void addGlow(QPainter &painter, const QImage &layer, int radius, qreal strength);

// Draws a blurred copy of a layer normally (for soft shadows).
void drawBlurred(QPainter &painter, const QImage &layer, int radius, qreal opacity = 1.0,
                 QPointF offset = QPointF());

// Colour helpers.
QColor withAlpha(QColor colour, int alpha);
QColor mix(const QColor &a, const QColor &b, qreal t);

// Sinks the corners of a picture into darkness.
void vignette(QPainter &painter, const QRectF &area, qreal strength);

// Deterministic random numbers: a picture must come out the same on every run.
class Random
{
public:
    explicit Random(unsigned seed)
        : engine_(seed)
    { }
    double uniform(double low, double high)
    {
        return std::uniform_real_distribution<double>(low, high)(engine_);
    }
    int range(int low, int high)
    { // inclusive
        return std::uniform_int_distribution<int>(low, high)(engine_);
    }

private:
    std::mt19937 engine_;
};

// Seed for one picture of one style so that every picture gets its own texture.
unsigned seedFor(int style, int digit);

// Adds film-grain style noise of the given strength (0..255) to an opaque picture.
void addGrain(QImage &picture, Random &random, int strength);

// Fits a shape into a rectangle, keeping its proportions, centred.
QPainterPath fitInto(const QPainterPath &shape, const QRectF &box);

} // namespace pg
