// Draws every digit picture of the clock, its previews, the resource index, the
// sample custom set, the contact sheet and the icon, then verifies what was written.
//
//   picture_generator <repository root>            regenerate everything, then verify
//   picture_generator --verify <repository root>   only verify the files already there
#include <QFile>
#include <QGuiApplication>
#include <QStringList>
#include <QTemporaryDir>
#include <QTextStream>
#include <cstdio>
#include <exception>

#include "fonts.h"
#include "outputs.h"
#include "verify.h"

namespace {

void usage(QTextStream &out)
{
    out << "usage: picture_generator [--verify] <repository root>\n"
        << "  without --verify: draw and write all pictures, then verify them\n"
        << "  with --verify:    only check the pictures already written\n";
}

} // namespace

int main(int argc, char **argv)
{
    // Draw without a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir runtimeDir; // Qt wants a private runtime folder even when drawing offscreen
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR") && runtimeDir.isValid())
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtimeDir.path()));
    QGuiApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);

    QStringList args = app.arguments().mid(1);
    if (args.contains(QStringLiteral("--help")) || args.contains(QStringLiteral("-h"))) {
        usage(out);
        return 0;
    }
    const bool verifyOnly = args.removeAll(QStringLiteral("--verify")) > 0;
    if (args.size() != 1 || args.first().startsWith(QLatin1Char('-'))) {
        usage(err);
        return 64;
    }
    const QString root = args.first();
    try {
        if (!verifyOnly) {
            pg::loadFonts();
            pg::generateAll(root);
            out << "pictures written below " << root << "\n";
            out.flush();
        }
        return pg::verifyAll(root, out).isEmpty() ? 0 : 1;
    } catch (const std::exception &e) {
        err << "picture_generator: " << e.what() << "\n";
        return 2;
    }
}
