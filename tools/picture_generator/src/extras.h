// Pictures around the styles: previews, the custom set, the contact sheet and the icon.
#pragma once

#include <QImage>
#include <QString>
#include <QVector>

namespace pg {

// Places ten digit pictures (slots 1..10, i.e. digits 1..9 then 0) side by side.
QImage composePreview(const QVector<QImage> &pictures);

// The preview shown for the user's own picture set.
QImage drawCustomPreview();

// One picture of the sample custom set (digit 0..9).
QImage drawCustomSample(int digit);

// All previews in a labelled grid, scaled down, for choosing a style by eye.
// `labels` pairs with `previews` one to one.
QImage drawContactSheet(const QVector<QImage> &previews, const QStringList &labels);

// The 256 x 256 application icon (with transparency).
QImage drawIcon();

} // namespace pg
