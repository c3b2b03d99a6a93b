#ifndef BENCHMARKS_BENCH_FOLDER_H
#define BENCHMARKS_BENCH_FOLDER_H

#include <QSize>
#include <QString>

// The benchmarks' own program folder: the folder of the benchmark executable, where the window
// under measurement finds esptool/ and img/. It is never the build's bin/ nor a test's folder.
namespace BenchFolder {

QString path();

// Lays out esptool/ with a builder script that does nothing but succeed, and an empty data/.
// Returns false when the folder cannot be written.
bool layOut();

// Writes ten photo-like JPEG pictures of this size into photos/<w>x<h>/, unless an earlier run
// left them there. Returns that folder, or an empty string on failure.
QString photoSet(const QSize &size);

// Copies the ten pictures of a photo set into img/, the custom set that a compile reads.
bool installCustomSet(const QString &photoFolder);

} // namespace BenchFolder

#endif // BENCHMARKS_BENCH_FOLDER_H
