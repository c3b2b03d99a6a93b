// Missing, read-only and wrong-kind folders and files in the program folder, met by the whole
// road: a compile of the custom set, a style click, and an upload, with the shipped scripts.

#include <QDirIterator>
#include <QtTest>

#include "fake_tools.h"
#include "picture_file.h"
#include "picture_helpers.h"
#include "program_folder.h"
#include "serial_ports.h"
#include "style_catalogue.h"
#include "window_probe.h"

namespace {

// Files that the scripts and the fake tools write on purpose; anything else new is a leftover.
const QStringList scriptOutputs
        = QStringList {"esptool/spiffs.bin", "esptool/mkspiffs.log", "esptool/esptool.log"}
        + FakeTools::records();

// Every file below the program folder but the test program itself, by relative path.
QMap<QString, QByteArray> snapshot()
{
    QMap<QString, QByteArray> files;
    const QDir root(ProgramFolder::path());
    QDirIterator it(root.path(), QDir::Files | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        if (QFileInfo(file).isExecutable() && QFileInfo(file).path() == root.path())
            continue;
        files.insert(root.relativeFilePath(file), ProgramFolder::readFile(file));
    }
    return files;
}

// Whether the bar ends as expected: exactly the text, or, for a text with a reason, the text
// and as much of the reason as the bar shows.
bool endsAs(const QString &shown, const QString &expected)
{
    return expected.contains(": ") ? shown.startsWith(expected) : shown == expected;
}

void makeWritable(const QString &path)
{
    const QFileInfo info(path);
    QFile::setPermissions(path, info.permissions() | QFile::WriteOwner | QFile::ExeOwner);
    if (info.isDir() && !info.isSymLink())
        for (const QFileInfo &entry :
             QDir(path).entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden))
            makeWritable(entry.filePath());
}

} // namespace

class TestBadFolders : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { SerialPorts::setEnumerator(FakeTools::onePort); }
    void cleanup() { makeWritable(ProgramFolder::path()); }

    void wholeRoadWithADamagedFolder_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("damage");
        QTest::addColumn<bool>("customCopied");
        QTest::addColumn<bool>("styleWritten");
        QTest::addColumn<QString>("compileEnd");
        QTest::addColumn<QString>("uploadEnd");

        const QString built = "Compilation is complete", notBuilt = "Compilation failed";
        const QString sent = "Upload Completed", notSent = "Upload failed";
        auto row = [](const char *target, const char *damage) -> QTestData & {
            return QTest::addRow("%s %s", target, damage) << QString(target) << QString(damage);
        };
        // The data pictures stay as they were when their folder is not there or not writable;
        // the builder still runs and says why it cannot pack them.
        const QString noData = notBuilt + ": the picture folder esptool/data is missing";
        row("esptool/data", "missing") << false << false << noData << sent;
        row("esptool/data", "file") << false << false << noData << sent;
        row("esptool/data", "read-only") << false << false << built << sent;
        row("esptool/data/3.jpg", "folder") << true << true << built << sent;
        row("esptool/data/3.jpg", "read-only") << true << true << built << sent;
        // Without the custom set the data keeps its pictures.
        row("img", "missing") << false << true << built << sent;
        row("img", "file") << false << true << built << sent;
        row("img", "read-only") << true << true << built << sent;
        // Without a toolchain folder nothing is written and no script can run.
        row("esptool", "missing") << false << false << notBuilt << notSent;
        row("esptool", "file") << false << false << notBuilt << notSent;
        // Nor can the upload keep a copy of the clock's pictures there, so it writes nothing.
        row("esptool", "read-only") << true << true << notBuilt << notSent;
        row("esptool/mkspiffs.bat", "missing") << true << true << notBuilt << sent;
        row("esptool/mkspiffs.bat", "folder") << true << true << notBuilt << sent;
        row("esptool/mkspiffs.bat", "read-only") << true << true << built << sent;
        // A missing upload script is made anew from the port line alone, which runs and ends.
        row("esptool/esptool.bat", "missing") << true << true << built << sent;
        row("esptool/esptool.bat", "folder") << true << true << built << notSent;
        row("esptool/esptool.bat", "read-only") << true << true << built << sent;
    }

    void wholeRoadWithADamagedFolder()
    {
        QFETCH(QString, target);
        QFETCH(QString, damage);
        QFETCH(bool, customCopied);
        QFETCH(bool, styleWritten);
        QFETCH(QString, compileEnd);
        QFETCH(QString, uploadEnd);

        ProgramFolder::reset();
        ProgramFolder::fillData(Qt::magenta);
        FakeTools::installBuilder();
        FakeTools::installEsptool();
        ProgramFolder::writeFile(ProgramFolder::esptool() + "/spiffs.bin", "old image");
        const QString path = ProgramFolder::path() + "/" + target;
        if (damage == "read-only") {
            const QFileInfo info(path);
            QFile::setPermissions(path,
                                  info.permissions()
                                          & ~(QFile::WriteOwner | QFile::WriteUser
                                              | QFile::WriteGroup | QFile::WriteOther));
            if (QFileInfo(path).isWritable())
                QSKIP("Permission bits do not bind this user (root); the unprivileged run "
                      "checks this.");
        } else {
            ProgramFolder::remove(path);
            if (damage == "file")
                ProgramFolder::writeFile(path, "not a folder");
            else if (damage == "folder")
                QVERIFY(QDir().mkdir(path));
        }
        const QMap<QString, QByteArray> before = snapshot();

        Electronic_Clock window;
        WindowProbe probe(window);
        QVERIFY(probe.compileAndWait());
        probe.playCompileToEnd();
        QVERIFY2(endsAs(probe.ui()->progressBar->text(), compileEnd),
                 qPrintable(probe.ui()->progressBar->text()));
        const QImage customZero(ProgramFolder::customPicture(0));
        QCOMPARE(TestPictures::alike(QImage(ProgramFolder::dataPicture(0)), customZero),
                 customCopied);

        probe.ui()->pushButtonJPG5->click();
        const QImage styleZero(StyleCatalogue::digitPath(5, 0));
        QCOMPARE(TestPictures::alike(QImage(ProgramFolder::dataPicture(0)), styleZero),
                 styleWritten);

        probe.ui()->pushButtonUpdateCom->click();
        probe.clickUpload();
        QVERIFY(probe.waitForScripts());
        probe.playUploadToEnd();
        QVERIFY2(endsAs(probe.ui()->progressBar->text(), uploadEnd),
                 qPrintable(probe.ui()->progressBar->text()));

        // Nothing half-written: every file is as it was, a whole new picture, or a script's own
        // output; no temporary file is left behind and no folder appeared.
        const QMap<QString, QByteArray> after = snapshot();
        for (auto file = after.cbegin(); file != after.cend(); ++file) {
            if (before.value(file.key()) == file.value() || scriptOutputs.contains(file.key()))
                continue;
            if (file.key() == "esptool/esptool.bat") {
                QVERIFY(file.value().startsWith("set com=ttyUSB0\r\n"));
                continue;
            }
            const bool dataPicture
                    = QRegularExpression("^esptool/data/[0-9]\\.jpg$").match(file.key()).hasMatch()
                    && before.contains(file.key());
            QVERIFY2(dataPicture, qPrintable("left behind: " + file.key()));
            QVERIFY(PictureFile::isCompleteJpeg(file.value()));
        }
        if (damage == "missing")
            QVERIFY(!QFileInfo::exists(path) || target == "esptool/esptool.bat");
        if (target == "esptool/esptool.bat" && damage == "missing")
            QCOMPARE(ProgramFolder::readFile(path), QByteArray("set com=ttyUSB0\r\n"));
    }
};

QTEST_MAIN(TestBadFolders)
#include "test_bad_folders.moc"
