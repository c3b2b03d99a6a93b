// Drawing every picture and writing the files.
#pragma once

#include <QString>

namespace pg {

// Draws all pictures, the resource index, the contact sheet and the icon, then writes
// them below the repository root. Everything is drawn and encoded before the first
// file is touched, and each file is replaced atomically, so a failure never leaves a
// half-written set. Files whose content would not change are left alone.
// Throws std::runtime_error on any failure.
void generateAll(const QString &root);

} // namespace pg
