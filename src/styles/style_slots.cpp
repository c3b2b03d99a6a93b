// The 23 style buttons. Each one selects its own style, whatever its place in the column.

#include <QPixmap>

#include "electronic_clock.h"
#include "picture_file.h"
#include "style_catalogue.h"
#include "toolchain_folder.h"
#include "ui_electronic_clock.h"

// Shows the style's preview, writes its ten digits into the data folder for the next compile, and
// leaves custom mode so that the compile packs them as they are.
void Electronic_Clock::selectStyle(int style)
{
    scratchImage.load(StyleCatalogue::previewPath(style));
    const QPixmap preview = QPixmap::fromImage(scratchImage);
    ui->labelPicture->setPixmap(preview);
    ui->labelPicture_2->setPixmap(preview);

    const QString appDir = ToolchainFolder::applicationDirectory();
    for (int digit = 0; digit <= 9; ++digit) {
        const QString destination = ToolchainFolder::dataPicturePath(appDir, digit);
        scratchImage.load(StyleCatalogue::digitPath(style, digit));
        PictureFile::saveAtomically(scratchImage, destination);
    }
    customFlag = QStringLiteral("0");
}

void Electronic_Clock::on_pushButtonJPG1_clicked()
{
    selectStyle(1);
}
void Electronic_Clock::on_pushButtonJPG2_clicked()
{
    selectStyle(2);
}
void Electronic_Clock::on_pushButtonJPG3_clicked()
{
    selectStyle(3);
}
void Electronic_Clock::on_pushButtonJPG4_clicked()
{
    selectStyle(4);
}
void Electronic_Clock::on_pushButtonJPG5_clicked()
{
    selectStyle(5);
}
void Electronic_Clock::on_pushButtonJPG6_clicked()
{
    selectStyle(6);
}
void Electronic_Clock::on_pushButtonJPG7_clicked()
{
    selectStyle(7);
}
void Electronic_Clock::on_pushButtonJPG8_clicked()
{
    selectStyle(8);
}
void Electronic_Clock::on_pushButtonJPG9_clicked()
{
    selectStyle(9);
}
void Electronic_Clock::on_pushButtonJPG10_clicked()
{
    selectStyle(10);
}
void Electronic_Clock::on_pushButtonJPG11_clicked()
{
    selectStyle(11);
}
void Electronic_Clock::on_pushButtonJPG12_clicked()
{
    selectStyle(12);
}
void Electronic_Clock::on_pushButtonJPG13_clicked()
{
    selectStyle(13);
}
void Electronic_Clock::on_pushButtonJPG14_clicked()
{
    selectStyle(14);
}
void Electronic_Clock::on_pushButtonJPG15_clicked()
{
    selectStyle(15);
}
void Electronic_Clock::on_pushButtonJPG16_clicked()
{
    selectStyle(16);
}
void Electronic_Clock::on_pushButtonJPG17_clicked()
{
    selectStyle(17);
}
void Electronic_Clock::on_pushButtonJPG18_clicked()
{
    selectStyle(18);
}
void Electronic_Clock::on_pushButtonJPG19_clicked()
{
    selectStyle(19);
}
void Electronic_Clock::on_pushButtonJPG20_clicked()
{
    selectStyle(20);
}
void Electronic_Clock::on_pushButtonJPG21_clicked()
{
    selectStyle(21);
}
void Electronic_Clock::on_pushButtonJPG22_clicked()
{
    selectStyle(22);
}
void Electronic_Clock::on_pushButtonJPG23_clicked()
{
    selectStyle(23);
}
