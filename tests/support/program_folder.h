#ifndef TESTS_PROGRAM_FOLDER_H
#define TESTS_PROGRAM_FOLDER_H

#include <QByteArray>
#include <QImage>
#include <QString>

// The program folder of the running test: the folder of its executable, where the program looks
// for esptool/ and img/.
namespace ProgramFolder {

QString path();
QString esptool();
QString data();
QString dataPicture(int digit);
QString customPicture(int digit);

// Lays the folder out afresh, as the build does: esptool/ with the platform's scripts and an
// empty data/, and img/ with the sample custom set.
void reset();

// Removes a file or a whole folder below the program folder.
void remove(const QString &path);

// Writes a file, creating its folder. `executable` sets the execute bits.
void writeFile(const QString &path, const QByteArray &content, bool executable = false);
QByteArray readFile(const QString &path);

// Replaces a script with a POSIX one that runs `body` in the script's folder, after a port line.
void writeScript(const QString &name, const QByteArray &body);

// Fills the data folder with ten pictures of one colour, to see later which ones were replaced.
void fillData(const QColor &colour);

// Whether two pictures are the same size and alike within JPEG re-encoding tolerance.
bool alike(const QImage &a, const QImage &b, int tolerance = 24);

// The mean colour of a picture.
QColor meanColour(const QImage &image);

} // namespace ProgramFolder

#endif // TESTS_PROGRAM_FOLDER_H
