// Every button of the window, run inside an installed program folder: test_install.sh copies this
// program there, so the window uses the installed scripts and pictures, with fake tools beside
// the scripts, and at the end with the shipped image builder. The cases run in order and build on
// each other, as a user's session would.

#include <QComboBox>
#include <QDir>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QtTest>

#include "fake_tools.h"
#include "picture_helpers.h"
#include "program_folder.h"
#include "serial_ports.h"
#include "style_catalogue.h"
#include "toolchain_folder.h"
#include "window_probe.h"

namespace {

QList<SerialPorts::Port> listFakePorts()
{
    return {{"ttyUSB0", "USB serial"}, {"ttyACM3", "USB modem"}};
}

QString inEsptool(const QString &name)
{
    return ProgramFolder::esptool() + "/" + name;
}

QStringList dataFiles()
{
    return QDir(ProgramFolder::data()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

QStringList tenPictures()
{
    QStringList names;
    for (int digit = 0; digit <= 9; ++digit)
        names << QString("%1.jpg").arg(digit);
    return names;
}

} // namespace

class TestInstalledFolder : public QObject
{
    Q_OBJECT

private:
    // Clicks compile and plays the animation to its end, which must report success.
    void compileSucceeds(Electronic_Clock &window)
    {
        WindowProbe probe(window);
        // What an earlier compile left must not pass for the result of this one.
        for (const char *left : {"spiffs.bin", "mkspiffs.args", "mkspiffs.data"})
            ProgramFolder::remove(inEsptool(left));
        QVERIFY(probe.compileAndWait());
        probe.playCompileToEnd();
        QVERIFY2(probe.ui()->progressBar->text() == "Compilation is complete",
                 ProgramFolder::readFile(ProgramFolder::builderLog()).constData());
    }

    // A compile with the fake builder, which records what it was given.
    void compile(Electronic_Clock &window)
    {
        compileSucceeds(window);
        if (QTest::currentTestFailed())
            return;
        QCOMPARE(ProgramFolder::readFile(inEsptool("spiffs.bin")), QByteArray("image\n"));
        QCOMPARE(ProgramFolder::readFile(inEsptool("mkspiffs.data")),
                 tenPictures().join('\n').toLatin1() + '\n');
        // The image goes into a temporary name of the run's own, in the esptool folder.
        const QByteArray arguments = ProgramFolder::readFile(inEsptool("mkspiffs.args"));
        QVERIFY2(QRegularExpression("^-c\ndata\n-p\n256\n-b\n8192\n-s\n1024000\n"
                                    "spiffs\\.bin\\.[0-9]+\\.tmp\n$")
                         .match(QString::fromLatin1(arguments))
                         .hasMatch(),
                 arguments.constData());
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(QFileInfo::exists(ProgramFolder::uploadScript()),
                 "Run this test from an installed program folder (see test_install.sh).");
        SerialPorts::setEnumerator(listFakePorts);
        FakeTools::installBuilder();
        FakeTools::installEsptool();
    }

    void folderIsAsShipped()
    {
        QCOMPARE(dataFiles(), QStringList());
        for (int digit = 0; digit <= 9; ++digit)
            QVERIFY2(!QImage(ProgramFolder::customPicture(digit)).isNull(),
                     qPrintable(ProgramFolder::customPicture(digit)));
        QVERIFY(ProgramFolder::readFile(ProgramFolder::uploadScript()).startsWith("set com="));
        QVERIFY(ProgramFolder::readFile(ProgramFolder::builderScript()).startsWith("#!/bin/sh\n"));
    }

    void everyStyleButtonWritesItsDigits()
    {
        Electronic_Clock window;
        for (int style = StyleCatalogue::firstStyle; style <= StyleCatalogue::lastStyle; ++style) {
            auto *button = WindowProbe(window).styleButton(style);
            QVERIFY(button);
            button->click();
            QCOMPARE(dataFiles(), tenPictures());
            for (int digit : {0, 7})
                QVERIFY2(TestPictures::alike(
                                 QImage(ProgramFolder::dataPicture(digit)),
                                 TestPictures::fromFile(StyleCatalogue::digitPath(style, digit))),
                         qPrintable(QString("style %1, digit %2").arg(style).arg(digit)));
        }
    }

    void compileCustomSet()
    {
        Electronic_Clock window;
        compile(window);
        for (int digit = 0; digit <= 9; ++digit)
            QVERIFY(TestPictures::alike(QImage(ProgramFolder::dataPicture(digit)),
                                        QImage(ProgramFolder::customPicture(digit))));
    }

    void styleCompileRefreshAndUpload()
    {
        const QByteArray shipped = ProgramFolder::readFile(ProgramFolder::uploadScript());
        Electronic_Clock window;
        WindowProbe probe(window);
        probe.ui()->pushButtonJPG11->click();
        compile(window);
        // In style mode the compile packs the style's digits, not the custom set.
        QVERIFY(TestPictures::alike(QImage(ProgramFolder::dataPicture(3)),
                                    TestPictures::fromFile(StyleCatalogue::digitPath(11, 3))));

        probe.ui()->pushButtonUpdateCom->click();
        QCOMPARE(probe.ui()->comboBox->count(), 2);
        probe.ui()->comboBox->setCurrentIndex(1);
        probe.clickUpload();
        QVERIFY(probe.waitForScripts());
        probe.playUploadToEnd();
        QVERIFY2(probe.ui()->progressBar->text() == "Upload Completed",
                 ProgramFolder::readFile(ProgramFolder::uploadLog()).constData());

        const QByteArray script = ProgramFolder::readFile(ProgramFolder::uploadScript());
        QVERIFY(script.startsWith("set com=ttyACM3\r\n"));
        QCOMPARE(script.mid(17), shipped.mid(shipped.indexOf('\n') + 1));
        // The image goes over as the upload's own copy of spiffs.bin, taken at its start.
        const QByteArray arguments = ProgramFolder::readFile(inEsptool("esptool.args"));
        const QByteArray connection = "--chip\nesp8266\n--port\n/dev/ttyACM3\n--baud\n460800\n"
                                      "--before\ndefault_reset\n--after\nhard_reset\nwrite_flash\n"
                                      "0x300000\n";
        QVERIFY2(arguments.startsWith(connection), arguments.constData());
        QVERIFY2(QRegularExpression("^spiffs\\.bin\\.\\d+\\.upload\n$")
                         .match(QString::fromUtf8(arguments.mid(connection.size())))
                         .hasMatch(),
                 arguments.constData());
    }

    // Without a mkspiffs beside the scripts, the program's own builder makes the image, which
    // then holds exactly the data folder.
    void compileWithTheShippedBuilder()
    {
        ProgramFolder::remove(inEsptool("mkspiffs"));
        Electronic_Clock window;
        WindowProbe(window).ui()->pushButtonJPG5->click();
        compileSucceeds(window);
        if (QTest::currentTestFailed())
            return;
        const QByteArray log = ProgramFolder::readFile(ProgramFolder::builderLog());
        QVERIFY2(log.contains("Builder: spiffs_builder"), log.constData());
        QCOMPARE(QFileInfo(inEsptool("spiffs.bin")).size(), 1024000);

        QByteArray expectedListing;
        for (const QString &name : tenPictures())
            expectedListing
                    += QByteArray::number(QFileInfo(ProgramFolder::data() + "/" + name).size())
                    + "\t/" + name.toLatin1() + '\n';
        QProcess list;
        list.start(inEsptool("spiffs_builder"), {"-l", inEsptool("spiffs.bin")});
        QVERIFY(list.waitForFinished());
        QCOMPARE(list.exitCode(), 0);
        QCOMPARE(list.readAllStandardOutput(), expectedListing);

        QTemporaryDir unpacked;
        QVERIFY(unpacked.isValid());
        const QString folder = unpacked.path() + "/data";
        QCOMPARE(QProcess::execute(inEsptool("spiffs_builder"),
                                   {"-u", folder, inEsptool("spiffs.bin")}),
                 0);
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name), tenPictures());
        for (const QString &name : tenPictures())
            QCOMPARE(ProgramFolder::readFile(folder + "/" + name),
                     ProgramFolder::readFile(ProgramFolder::data() + "/" + name));
    }
};

QTEST_MAIN(TestInstalledFolder)
#include "test_installed_folder.moc"
