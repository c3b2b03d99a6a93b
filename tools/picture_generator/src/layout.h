// Where every output lives and how the pictures are named, shared by the writer and
// the verification.
#pragma once

#include <QString>
#include <QStringList>

namespace pg {

constexpr int kStyleCount = 23;
constexpr int kSlotsPerStyle = 10;
constexpr int kPreviewWidth = 1350;
constexpr int kPreviewHeight = 240;
constexpr int kIconSize = 256;
constexpr int kJpegQuality = 92;

// Slots 1..9 hold the digits 1..9 and slot 10 holds the digit 0.
inline int digitForSlot(int slot)
{
    return slot % 10;
}

// Paths relative to the resources/ folder, as listed in the resource index.
inline QString previewEntry(int style)
{
    return QStringLiteral("img/NorikIPS_PIC_Picture/NorikIPS_PIC_%1.jpg").arg(style);
}
inline QString customPreviewEntry()
{
    return QStringLiteral("img/NorikIPS_PIC_Picture/NorikIPS_PIC_custom.jpg");
}
inline QString digitEntry(int style, int slot)
{
    return QStringLiteral("img/ipsimage/NorikIPS_PIC_%1_%2.jpg")
            .arg(style)
            .arg(slot, 2, 10, QLatin1Char('0'));
}

// Every picture of the resource index, in index order.
inline QStringList resourceEntries()
{
    QStringList entries;
    for (int style = 1; style <= kStyleCount; ++style)
        entries << previewEntry(style);
    entries << customPreviewEntry();
    for (int style = 1; style <= kStyleCount; ++style)
        for (int slot = 1; slot <= kSlotsPerStyle; ++slot)
            entries << digitEntry(style, slot);
    return entries;
}

// Paths relative to the repository root.
inline QString resourcesDir()
{
    return QStringLiteral("resources");
}
inline QString qrcFile()
{
    return QStringLiteral("resources/pictures.qrc");
}
inline QString customSampleFile(int digit)
{
    return QStringLiteral("resources/custom_sample/%1.jpg").arg(digit);
}
inline QString contactSheetPng()
{
    return QStringLiteral("docs/styles.png");
}
inline QString contactSheetJpg()
{
    return QStringLiteral("docs/styles.jpg");
}
inline QString iconFile()
{
    return QStringLiteral("resources/icon/electronic_clock.png");
}

} // namespace pg
