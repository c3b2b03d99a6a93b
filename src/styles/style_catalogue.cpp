#include "style_catalogue.h"

namespace StyleCatalogue {

QString previewPath(int style)
{
    return QStringLiteral(":/img/NorikIPS_PIC_Picture/NorikIPS_PIC_%1.jpg").arg(style);
}

QString digitPath(int style, int digit)
{
    return QStringLiteral(":/img/ipsimage/NorikIPS_PIC_%1_%2.jpg")
            .arg(style)
            .arg(pictureNumber(digit));
}

QString customPreviewPath()
{
    return QStringLiteral(":/img/NorikIPS_PIC_Picture/NorikIPS_PIC_custom.jpg");
}

QString pictureNumber(int digit)
{
    return QStringLiteral("%1").arg(digit == 0 ? 10 : digit, 2, 10, QLatin1Char('0'));
}

} // namespace StyleCatalogue
