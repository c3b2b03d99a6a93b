#ifndef STYLES_STYLE_CATALOGUE_H
#define STYLES_STYLE_CATALOGUE_H

#include <QString>

// The built-in digit styles compiled into the program. Style n (1 to 23) is one preview picture
// of its ten digits side by side (1 2 3 4 5 6 7 8 9 0) and ten digit pictures numbered 01 to 10,
// where picture 10 shows the digit 0.
namespace StyleCatalogue {

constexpr int firstStyle = 1;
constexpr int lastStyle = 23;

// ":/img/NorikIPS_PIC_Picture/NorikIPS_PIC_<n>.jpg"
QString previewPath(int style);

// ":/img/ipsimage/NorikIPS_PIC_<n>_<kk>.jpg" for digit 0 to 9 of style n.
QString digitPath(int style, int digit);

// The picture that stands for the user's own set of digits.
QString customPreviewPath();

// The two-digit picture number of a digit: "10" for 0, "01" to "09" for 1 to 9.
QString pictureNumber(int digit);

} // namespace StyleCatalogue

#endif // STYLES_STYLE_CATALOGUE_H
