#ifndef PICTURES_PANEL_FIT_H
#define PICTURES_PANEL_FIT_H

#include <QImage>
#include <QRect>
#include <QSize>

// Fitting a picture of any size onto one of the clock's digit panels: 135 x 240 pixels, upright,
// and black wherever the picture does not reach, as an unlit panel is.
namespace PanelFit {

constexpr int panelWidth = 135;
constexpr int panelHeight = 240;

// Where a picture of this size goes on the panel: the largest size that fits with its aspect
// ratio kept, centred. Never less than one pixel each way; empty only for an invalid size.
QRect fittedRect(const QSize &size);

// The size at which to decode a JPEG picture of this stored size: 1/8, 1/4 or 1/2 of it, the
// smallest of them that still covers the fitted size, since the decoder skips most of its work
// at these scales. `quarterTurned` says that the picture is shown turned by 90 degrees, so the
// fitted size is that of the transposed picture. Invalid when the full size is needed.
QSize jpegDecodeSize(const QSize &stored, bool quarterTurned);

// The picture smoothly scaled into its fitted place on a black panel, with its transparent
// parts composited over the black. An opaque picture of the panel's size is returned as it is.
QImage fitOntoPanel(const QImage &image);

} // namespace PanelFit

#endif // PICTURES_PANEL_FIT_H
