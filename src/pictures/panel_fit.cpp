#include "panel_fit.h"

#include <QPainter>

namespace PanelFit {

QRect fittedRect(const QSize &size)
{
    if (size.isEmpty())
        return QRect();
    const qint64 width = size.width();
    const qint64 height = size.height();
    // Integer arithmetic, rounded to the nearest pixel: the same result on every compiler.
    QSize fitted;
    if (width * panelHeight >= height * panelWidth) {
        const qint64 scaledHeight = (2 * height * panelWidth + width) / (2 * width);
        fitted = QSize(panelWidth, int(qMax<qint64>(1, scaledHeight)));
    } else {
        const qint64 scaledWidth = (2 * width * panelHeight + height) / (2 * height);
        fitted = QSize(int(qMax<qint64>(1, scaledWidth)), panelHeight);
    }
    return QRect(QPoint((panelWidth - fitted.width()) / 2, (panelHeight - fitted.height()) / 2),
                 fitted);
}

QSize jpegDecodeSize(const QSize &stored, bool quarterTurned)
{
    const QSize upright = quarterTurned ? stored.transposed() : stored;
    const QSize fitted = fittedRect(upright).size();
    const QSize needed = quarterTurned ? fitted.transposed() : fitted;
    // Rounded down: Qt then decodes at exactly 1/divisor (it takes the smallest eighth that
    // covers the size asked for), and trims a stray last pixel when the size is not a multiple.
    for (int divisor : {8, 4, 2}) {
        const QSize scaled(stored.width() / divisor, stored.height() / divisor);
        if (scaled.width() >= needed.width() && scaled.height() >= needed.height())
            return scaled;
    }
    return QSize();
}

QImage fitOntoPanel(const QImage &image)
{
    const QRect place = fittedRect(image.size());
    if (place.isEmpty())
        return QImage();
    // A picture made for the panel goes to the clock exactly as it was decoded.
    if (image.size() == QSize(panelWidth, panelHeight) && !image.hasAlphaChannel())
        return image;

    // Smooth scaling averages every source pixel when it shrinks a picture, unlike the painter's
    // bilinear filter, which would skip most pixels of a photo.
    const QImage scaled = image.size() == place.size()
            ? image
            : image.scaled(place.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    QImage panel(panelWidth, panelHeight, QImage::Format_RGB32);
    panel.fill(Qt::black);
    QPainter painter(&panel);
    painter.drawImage(place.topLeft(), scaled);
    painter.end();
    return panel;
}

} // namespace PanelFit
