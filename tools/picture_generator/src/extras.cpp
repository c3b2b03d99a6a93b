#include "extras.h"

#include <cmath>
#include <stdexcept>

#include "canvas.h"
#include "fonts.h"
#include "layout.h"
#include "styles.h"

namespace pg {

namespace {

// Fills a line of text centred horizontally on `centreX` with its baseline at `baseline`.
void centredText(QPainter &p, Face face, const QString &text, qreal size, qreal centreX,
                 qreal baseline, const QColor &colour)
{
    QPainterPath line = textOutline(face, text, size);
    line.translate(centreX - line.boundingRect().center().x(), baseline);
    p.fillPath(line, colour);
}

} // namespace

QImage composePreview(const QVector<QImage> &pictures)
{
    if (pictures.size() != kSlotsPerStyle)
        throw std::invalid_argument("a preview needs ten pictures");
    QImage preview(kPreviewWidth, kPreviewHeight, QImage::Format_RGB32);
    preview.fill(Qt::black);
    QPainter p(&preview);
    for (int i = 0; i < kSlotsPerStyle; ++i) {
        if (pictures[i].size() != QSize(kPanelWidth, kPanelHeight))
            throw std::invalid_argument("digit picture has the wrong size");
        p.drawImage(i * kPanelWidth, 0, pictures[i]);
    }
    return preview;
}

QImage drawCustomPreview()
{
    QImage img(kPreviewWidth, kPreviewHeight, QImage::Format_RGB32);
    QPainter p(&img);
    smooth(p);
    QLinearGradient back(0, 0, 0, kPreviewHeight);
    back.setColorAt(0, QColor(30, 33, 44));
    back.setColorAt(1, QColor(14, 15, 22));
    p.fillRect(img.rect(), back);
    // Ten empty picture frames in the background hint at the ten files.
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(255, 255, 255, 22), 3, Qt::DashLine));
    for (int i = 0; i < kSlotsPerStyle; ++i)
        p.drawRoundedRect(QRectF(i * kPanelWidth + 12, 14, kPanelWidth - 24, kPanelHeight - 28), 10,
                          10);
    const qreal centre = kPreviewWidth / 2.0;
    centredText(p, Face::SansBold, QStringLiteral("Custom pictures"), 92, centre, 124,
                QColor(250, 250, 246));
    p.fillRect(QRectF(centre - 170, 150, 340, 4), QColor(255, 176, 56));
    centredText(
            p, Face::Sans,
            QString::fromUtf8("your own 0.jpg \u2013 9.jpg from the img folder beside the program"),
            34, centre, 205, QColor(206, 210, 222));
    return img;
}

QImage drawCustomSample(int digit)
{
    QImage img = newPanel(Qt::black);
    QPainter p(&img);
    smooth(p);
    const QColor top = QColor::fromHsvF(digit / 10.0, 0.70, 0.62);
    const QColor bottom = QColor::fromHsvF(std::fmod(digit / 10.0 + 0.08, 1.0), 0.85, 0.28);
    QLinearGradient back(0, 0, kPanelWidth * 0.6, kPanelHeight);
    back.setColorAt(0, top);
    back.setColorAt(1, bottom);
    p.setPen(Qt::NoPen);
    p.setBrush(back);
    p.drawRoundedRect(QRectF(4, 4, kPanelWidth - 8, kPanelHeight - 8), 16, 16);

    const QPainterPath glyph = fittedDigits(Face::GeometricDemi, QRectF(24, 24, 87, 160))[digit];
    QImage shade = newLayer();
    {
        QPainter s(&shade);
        smooth(s);
        s.fillPath(glyph, QColor(0, 0, 0, 170));
    }
    drawBlurred(p, shade, 6, 1.0, QPointF(0, 5));
    p.fillPath(glyph, QColor(255, 255, 255));
    centredText(p, Face::SansBold, QStringLiteral("%1.jpg").arg(digit), 20, kPanelWidth / 2.0, 222,
                QColor(255, 255, 255, 200));
    return img;
}

QImage drawContactSheet(const QVector<QImage> &previews, const QStringList &labels)
{
    if (previews.size() != labels.size())
        throw std::invalid_argument("labels do not match");
    const int cellW = kPreviewWidth / 2, cellH = kPreviewHeight / 2;
    const int margin = 18, labelH = 34, header = 66;
    const int rows = (previews.size() + 1) / 2;
    QImage sheet(margin * 3 + cellW * 2, header + rows * (labelH + cellH + margin),
                 QImage::Format_RGB32);
    QPainter p(&sheet);
    smooth(p);
    p.fillRect(sheet.rect(), QColor(24, 25, 29));
    QPainterPath title = textOutline(Face::SansBold, QStringLiteral("Digit picture styles"), 30);
    title.translate(margin, 44);
    p.fillPath(title, QColor(240, 240, 236));
    for (int i = 0; i < previews.size(); ++i) {
        const int x = margin + (i % 2) * (cellW + margin);
        const int y = header + (i / 2) * (labelH + cellH + margin);
        QPainterPath label = textOutline(Face::SansBold, labels[i], 21);
        label.translate(x, y + 24);
        p.fillPath(label, QColor(236, 236, 232));
        p.drawImage(QRect(x, y + labelH, cellW, cellH), previews[i]);
    }
    return sheet;
}

QImage drawIcon()
{
    QImage icon(kIconSize, kIconSize, QImage::Format_ARGB32_Premultiplied);
    icon.fill(Qt::transparent);
    QPainter p(&icon);
    smooth(p);
    // A small desk clock body with two digit panels showing "12".
    const QRectF body(14, 46, 228, 168);
    QLinearGradient shell(0, body.top(), 0, body.bottom());
    shell.setColorAt(0, QColor(74, 78, 88));
    shell.setColorAt(1, QColor(30, 32, 38));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(20, 21, 25));
    p.drawRoundedRect(QRectF(40, 206, 44, 18), 6, 6);
    p.drawRoundedRect(QRectF(172, 206, 44, 18), 6, 6);
    p.setBrush(shell);
    p.drawRoundedRect(body, 30, 30);
    p.setBrush(QColor(8, 8, 10));
    p.drawRoundedRect(body.adjusted(12, 12, -12, -12), 20, 20);
    const QImage one = drawLedSegments(1);
    const QImage two = drawLedSegments(2);
    const qreal panelH = 128, panelW = panelH * kPanelWidth / kPanelHeight;
    const qreal gap = 26, y = body.center().y() - panelH / 2;
    const qreal x = body.center().x() - panelW - gap / 2;
    p.drawImage(QRectF(x, y, panelW, panelH), one);
    p.drawImage(QRectF(x + panelW + gap, y, panelW, panelH), two);
    p.setBrush(QColor(255, 50, 30));
    p.drawEllipse(QPointF(body.center().x(), y + panelH * 0.35), 5, 5);
    p.drawEllipse(QPointF(body.center().x(), y + panelH * 0.65), 5, 5);
    return icon;
}

} // namespace pg
