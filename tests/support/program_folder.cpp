#include "program_folder.h"

#include <QColor>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtTest>

namespace ProgramFolder {

QString path()
{
    return QCoreApplication::applicationDirPath();
}
QString esptool()
{
    return path() + "/esptool";
}
QString data()
{
    return esptool() + "/data";
}
QString dataPicture(int digit)
{
    return QString("%1/%2.jpg").arg(data()).arg(digit);
}
QString customPicture(int digit)
{
    return QString("%1/img/%2.jpg").arg(path()).arg(digit);
}

void remove(const QString &target)
{
    QFileInfo info(target);
    if (info.isDir() && !info.isSymLink())
        QDir(target).removeRecursively();
    else if (info.exists() || info.isSymLink())
        QFile::remove(target);
}

// Where the shipped scripts and the sample set are; an unprivileged run brings its own copies.
static QString sourceFolder(const char *variable, const char *builtIn)
{
    return qEnvironmentVariable(variable, QString::fromUtf8(builtIn));
}

void reset()
{
    const QString scripts = sourceFolder("CLOCK_TEST_SCRIPTS", TOOLCHAIN_SCRIPTS);
    const QString samples = sourceFolder("CLOCK_TEST_SAMPLES", SAMPLE_PICTURES);
    remove(esptool());
    remove(path() + "/img");
    QVERIFY(QDir().mkpath(data()));
    QVERIFY(QDir().mkpath(path() + "/img"));
    for (const char *script : {"mkspiffs.bat", "esptool.bat"})
        QVERIFY(QFile::copy(scripts + "/" + script, esptool() + "/" + script));
    for (int digit = 0; digit <= 9; ++digit)
        QVERIFY(QFile::copy(QString("%1/%2.jpg").arg(samples).arg(digit), customPicture(digit)));
}

void writeFile(const QString &target, const QByteArray &content, bool executable)
{
    QVERIFY(QDir().mkpath(QFileInfo(target).absolutePath()));
    QFile file(target);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(content), qint64(content.size()));
    file.close();
    if (executable)
        file.setPermissions(file.permissions() | QFile::ExeOwner | QFile::ExeGroup
                            | QFile::ExeOther);
}

QByteArray readFile(const QString &target)
{
    QFile file(target);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeScript(const QString &name, const QByteArray &body)
{
    // The port line first, as the upload rewrites it; then the folder change every script makes.
    writeFile(esptool() + "/" + name,
              "set com=ttyS0\r\ncd \"$(dirname \"$0\")\" || exit 90\n" + body + "\n");
}

void fillData(const QColor &colour)
{
    QImage picture(135, 240, QImage::Format_RGB32);
    picture.fill(colour);
    for (int digit = 0; digit <= 9; ++digit)
        QVERIFY(picture.save(dataPicture(digit), "JPG", 100));
}

bool alike(const QImage &a, const QImage &b, int tolerance)
{
    if (a.size() != b.size() || a.isNull())
        return false;
    const QImage x = a.convertToFormat(QImage::Format_RGB32);
    const QImage y = b.convertToFormat(QImage::Format_RGB32);
    qint64 total = 0;
    for (int row = 0; row < x.height(); ++row) {
        const QRgb *p = reinterpret_cast<const QRgb *>(x.constScanLine(row));
        const QRgb *q = reinterpret_cast<const QRgb *>(y.constScanLine(row));
        for (int column = 0; column < x.width(); ++column) {
            total += qAbs(qRed(p[column]) - qRed(q[column]))
                    + qAbs(qGreen(p[column]) - qGreen(q[column]))
                    + qAbs(qBlue(p[column]) - qBlue(q[column]));
        }
    }
    // Mean absolute difference per channel, in 1/10 of a grey level.
    const qint64 mean = total * 10 / (qint64(x.width()) * x.height() * 3);
    return mean <= tolerance;
}

QColor meanColour(const QImage &image)
{
    const QImage x = image.convertToFormat(QImage::Format_RGB32);
    qint64 r = 0, g = 0, b = 0;
    for (int row = 0; row < x.height(); ++row) {
        const QRgb *p = reinterpret_cast<const QRgb *>(x.constScanLine(row));
        for (int column = 0; column < x.width(); ++column) {
            r += qRed(p[column]);
            g += qGreen(p[column]);
            b += qBlue(p[column]);
        }
    }
    const qint64 n = qMax<qint64>(1, qint64(x.width()) * x.height());
    return QColor(int(r / n), int(g / n), int(b / n));
}

} // namespace ProgramFolder
