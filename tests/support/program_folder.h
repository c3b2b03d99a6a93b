#ifndef TESTS_PROGRAM_FOLDER_H
#define TESTS_PROGRAM_FOLDER_H

#include <QByteArray>
#include <QImage>
#include <QString>

// The program folder of the running test: the folder of its executable, where the program looks
// for esptool/ and img/.
namespace ProgramFolder {

QString path();

// Why a test of a read-only file or folder skips itself where that binds nothing.
#ifdef Q_OS_WIN
constexpr char readOnlyDoesNotBind[] = "Read-only does not bind here: Wine runs as root and "
                                       "has no ACLs, and Windows' read-only flag means nothing "
                                       "on a folder.";
#else
constexpr char readOnlyDoesNotBind[] = "Permission bits do not bind this user (root); the "
                                       "unprivileged run checks this.";
#endif

QString esptool();
QString data();
QString custom();
QString dataPicture(int digit);
QString customPicture(int digit);
QString builderScript();
QString uploadScript();
QString builderLog();
QString uploadLog();

// Lays the folder out afresh, as the build does: esptool/ with the platform's scripts (on Windows
// with the one that both call) and an empty data/, and img/ with the sample custom set.
void reset();

// Removes a file or a whole folder below the program folder.
void remove(const QString &path);

// Writes a file, creating its folder. `executable` sets the execute bits.
void writeFile(const QString &path, const QByteArray &content, bool executable = false);
QByteArray readFile(const QString &path);

// Fills the data folder with ten pictures of one colour, to see later which ones were replaced.
void fillData(const QColor &colour);

} // namespace ProgramFolder

#endif // TESTS_PROGRAM_FOLDER_H
