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
#include "toolchain_folder.h"
#include "window_probe.h"

namespace {

// A path below the program folder, relative to it: how the rows and the snapshots name files.
QString relative(const QString &path)
{
    return QDir(ProgramFolder::path()).relativeFilePath(path);
}

// Files that the scripts and the fake tools write on purpose; anything else new is a leftover.
QStringList scriptOutputs()
{
    const QStringList written
            = {relative(ProgramFolder::esptool() + "/spiffs.bin"),
               relative(ProgramFolder::builderLog()), relative(ProgramFolder::uploadLog())};
    return written + FakeTools::records();
}

bool isDataPicture(const QString &file)
{
    for (int digit = 0; digit <= 9; ++digit)
        if (file == relative(ProgramFolder::dataPicture(digit)))
            return true;
    return false;
}

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
        files.insert(relative(file), ProgramFolder::readFile(file));
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
        // Each row names its target as it lies below the program folder, e.g. "esptool/data".
        auto row = [](const QString &path, const char *damage) -> QTestData & {
            const QString target = relative(path);
            return QTest::addRow("%s %s", qPrintable(target), damage) << target << QString(damage);
        };
        const QString data = ProgramFolder::data(), dataPicture = ProgramFolder::dataPicture(3);
        const QString custom = ProgramFolder::custom(), esptool = ProgramFolder::esptool();
        const QString builderScript = ProgramFolder::builderScript();
        const QString uploadScript = ProgramFolder::uploadScript();
        // The data pictures stay as they were when their folder is not there or not writable;
        // the builder still runs and says why it cannot pack them.
        const QString noData = notBuilt + ": the picture folder "
                + QDir::toNativeSeparators(relative(data)) + " is missing";
        row(data, "missing") << false << false << noData << sent;
        row(data, "file") << false << false << noData << sent;
        row(data, "read-only") << false << false << built << sent;
        row(dataPicture, "folder") << true << true << built << sent;
        row(dataPicture, "read-only") << true << true << built << sent;
        // Without the custom set the data keeps its pictures.
        row(custom, "missing") << false << true << built << sent;
        row(custom, "file") << false << true << built << sent;
        row(custom, "read-only") << true << true << built << sent;
        // Without a toolchain folder nothing is written and no script can run.
        row(esptool, "missing") << false << false << notBuilt << notSent;
        row(esptool, "file") << false << false << notBuilt << notSent;
        // Nor can the upload keep a copy of the clock's pictures there, so it writes nothing.
        row(esptool, "read-only") << true << true << notBuilt << notSent;
        row(builderScript, "missing") << true << true << notBuilt << sent;
        row(builderScript, "folder") << true << true << notBuilt << sent;
        row(builderScript, "read-only") << true << true << built << sent;
        // A missing upload script is made anew from the port line alone, which runs and ends.
        row(uploadScript, "missing") << true << true << built << sent;
        row(uploadScript, "folder") << true << true << built << notSent;
        row(uploadScript, "read-only") << true << true << built << sent;
#ifdef Q_OS_WIN
        // Without the script that both Windows scripts call, neither runs a tool, and each says
        // why in its log.
        const QString missingShared
                = QString(": the script %1 is missing").arg(ToolchainFolder::sharedScriptName);
        row(esptool + "/" + ToolchainFolder::sharedScriptName, "missing")
                << true << true << notBuilt + missingShared << notSent + missingShared;
#endif
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
                QSKIP(ProgramFolder::readOnlyDoesNotBind);
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
        const QString uploadScript = relative(ProgramFolder::uploadScript());
        const QByteArray portLine = "set com=" + QByteArray(FakeTools::usbPort) + "\r\n";
        const QStringList outputs = scriptOutputs();
        const QMap<QString, QByteArray> after = snapshot();
        for (auto file = after.cbegin(); file != after.cend(); ++file) {
            if (before.value(file.key()) == file.value() || outputs.contains(file.key()))
                continue;
            if (file.key() == uploadScript) {
                QVERIFY(file.value().startsWith(portLine));
                continue;
            }
            const bool dataPicture = isDataPicture(file.key()) && before.contains(file.key());
            QVERIFY2(dataPicture, qPrintable("left behind: " + file.key()));
            QVERIFY(PictureFile::isCompleteJpeg(file.value()));
        }
        if (damage == "missing")
            QVERIFY(!QFileInfo::exists(path) || target == uploadScript);
        if (target == uploadScript && damage == "missing")
            QCOMPARE(ProgramFolder::readFile(path), portLine);
    }
};

QTEST_MAIN(TestBadFolders)
#include "test_bad_folders.moc"
