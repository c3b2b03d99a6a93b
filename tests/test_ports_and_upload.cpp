// The serial port list, the port line of the upload script, and the upload itself.

#include <QComboBox>
#include <QProgressBar>
#include <QPushButton>
#include <QRandomGenerator>
#include <QtTest>

#include "fake_tools.h"
#include "port_line.h"
#include "program_folder.h"
#include "serial_ports.h"
#include "toolchain_folder.h"
#include "window_probe.h"

namespace {

QList<SerialPorts::Port> fakePorts;
QList<SerialPorts::Port> listFakePorts()
{
    return fakePorts;
}

// An upload script whose port line was emptied, and the shipped script's next line after it.
#ifdef Q_OS_WIN
const QByteArray emptyPortThenScript = "set com=\r\n@echo off";
#else
const QByteArray emptyPortThenScript = "set com=\r\n#";
#endif

using FakeTools::usbDevice;
using FakeTools::usbPort;

QStringList debugMessages;
void recordMessages(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtDebugMsg)
        debugMessages << message;
}

// order.log, which the stand-in scripts and tools write, without the CRs of cmd.exe's echo.
QByteArray orderLog()
{
    return ProgramFolder::readFile(ProgramFolder::esptool() + "/order.log").replace("\r", "");
}

// Records the debug messages of one action.
template<typename Action>
QStringList messagesOf(Action action)
{
    debugMessages.clear();
    const QtMessageHandler previous = qInstallMessageHandler(recordMessages);
    action();
    qInstallMessageHandler(previous);
    return debugMessages;
}

} // namespace

class TestPortsAndUpload : public QObject
{
    Q_OBJECT

private:
private slots:
    void initTestCase() { SerialPorts::setEnumerator(listFakePorts); }

    void init()
    {
        ProgramFolder::reset();
        fakePorts = {{usbPort, "USB serial"}, {"COM100", "Bluetooth link"}};
    }

    void itemTextsAndPortNames()
    {
        QCOMPARE(SerialPorts::itemText({"COM3", "USB-SERIAL CH340"}),
                 QString("COM3  USB-SERIAL CH340"));
        QCOMPARE(SerialPorts::itemText({"COM3", ""}), QString("COM3  "));
        QCOMPARE(SerialPorts::portName("COM3  USB-SERIAL CH340"), QString("COM3"));
        QCOMPARE(SerialPorts::portName("COM100  x"), QString("COM100"));
        QCOMPARE(SerialPorts::portName("ttyUSB0  "), QString("ttyUSB0"));
        QCOMPARE(SerialPorts::portName("ab  c  d"), QString("ab"));
        QCOMPARE(SerialPorts::portName(""), QString());
    }

    void refreshListsThePortsAndTakesTheFirst()
    {
        Electronic_Clock window;
        WindowProbe probe(window);
        QComboBox *list = probe.ui()->comboBox;
        const QStringList first = messagesOf([&] { probe.ui()->pushButtonUpdateCom->click(); });
        QCOMPARE(list->count(), 2);
        QCOMPARE(list->itemText(0), QString(usbPort) + "  USB serial");
        QCOMPARE(list->itemText(1), QString("COM100  Bluetooth link"));
        QCOMPARE(list->currentIndex(), 0);
        QCOMPARE(probe.currentPort(), QString(usbPort));
        QCOMPARE(first, QStringList {usbPort});

        // Picking another item takes its whole name; picking it again changes nothing.
        QCOMPARE(messagesOf([&] { list->setCurrentIndex(1); }), QStringList {"COM100"});
        QCOMPARE(probe.currentPort(), QString("COM100"));
        QCOMPARE(messagesOf([&] { list->setCurrentIndex(1); }), QStringList());

        // A refresh while the second item is current starts again from the first.
        const QStringList again = messagesOf([&] { probe.ui()->pushButtonUpdateCom->click(); });
        QCOMPARE(again, QStringList({"", usbPort}));
        QCOMPARE(list->currentIndex(), 0);

        fakePorts.clear();
        const QStringList none = messagesOf([&] { probe.ui()->pushButtonUpdateCom->click(); });
        QCOMPARE(list->count(), 0);
        QVERIFY(probe.currentPort().isEmpty());
        QCOMPARE(none, QStringList {""});
    }

    void rewriteReplacesExactlyTheFirstLine()
    {
        QRandomGenerator random(20261207);
        const QStringList ports = {"", "COM3", "COM10", "COM100", "ttyUSB0", "/dev/ttyACM0"};
        for (int length = 0; length <= 40; ++length) {
            for (const char *ending : {"\n", "\r\n", ""}) {
                QByteArray firstLine(length, 'x');
                for (char &c : firstLine)
                    c = char('!' + random.bounded(90));
                QByteArray rest;
                const int restLength = random.bounded(3) == 0 ? 70000 : random.bounded(200);
                for (int i = 0; i < restLength; ++i)
                    rest += char(random.bounded(256));
                const bool hasLf = *ending != 0;
                const QByteArray script = firstLine + ending + (hasLf ? rest : QByteArray());
                const QString port = ports[random.bounded(ports.size())];
                const QByteArray result = PortLine::rewritten(script, port);
                const QByteArray expectedLine = "set com=" + port.toLatin1() + "\r\n";
                QVERIFY(result.startsWith(expectedLine));
                // Everything after the old first line's LF stays byte for byte.
                QCOMPARE(result.mid(expectedLine.size()),
                         hasLf ? script.mid(script.indexOf('\n') + 1) : QByteArray());
            }
        }
        QCOMPARE(PortLine::rewritten("", "COM3"), QByteArray("set com=COM3\r\n"));
        QCOMPARE(PortLine::rewritten("set com=COM3 \r\n\nrest", "COM12"),
                 QByteArray("set com=COM12\r\n\nrest"));
        QCOMPARE(PortLine::rewritten("\n", QString()), QByteArray("set com=\r\n"));
    }

    void rewriteOnRealFiles()
    {
        const QByteArray shipped = ProgramFolder::readFile(ProgramFolder::uploadScript());
        QFile::setPermissions(ProgramFolder::uploadScript(),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                      | QFile::ReadGroup);
        QVERIFY(PortLine::rewriteFile(ProgramFolder::uploadScript(), "ttyUSB0"));
        const QByteArray result = ProgramFolder::readFile(ProgramFolder::uploadScript());
        QVERIFY(result.startsWith("set com=ttyUSB0\r\n"));
        QCOMPARE(result.mid(17), shipped.mid(shipped.indexOf('\n') + 1));
#ifdef Q_OS_WIN
        // Windows keeps no permission bits: a file is read-only or not.
        QVERIFY(QFileInfo(ProgramFolder::uploadScript()).isWritable());
#else
        QCOMPARE(QFile::permissions(ProgramFolder::uploadScript()),
                 QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup
                         | QFile::ReadUser | QFile::WriteUser | QFile::ExeUser);
#endif

        ProgramFolder::remove(ProgramFolder::uploadScript());
        QVERIFY(PortLine::rewriteFile(ProgramFolder::uploadScript(), "COM4"));
        QCOMPARE(ProgramFolder::readFile(ProgramFolder::uploadScript()),
                 QByteArray("set com=COM4\r\n"));

        ProgramFolder::remove(ProgramFolder::esptool());
        QVERIFY(!PortLine::rewriteFile(ProgramFolder::uploadScript(), "COM4"));
        QVERIFY(!QFileInfo::exists(ProgramFolder::esptool()));
    }

    void readOnlyScriptIsLeftUntouchedAndStillRuns()
    {
        FakeTools::installEsptool();
        ProgramFolder::writeFile(ProgramFolder::esptool() + "/spiffs.bin", "image");
        const QByteArray before = ProgramFolder::readFile(ProgramFolder::uploadScript());
        QFile::setPermissions(ProgramFolder::uploadScript(),
                              QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
        if (QFileInfo(ProgramFolder::uploadScript()).isWritable())
            QSKIP(ProgramFolder::readOnlyDoesNotBind);
        Electronic_Clock window;
        WindowProbe probe(window);
        probe.ui()->pushButtonUpdateCom->click();
        probe.clickUpload();
        QVERIFY(probe.waitForScripts());
        const QByteArray after = ProgramFolder::readFile(ProgramFolder::uploadScript());
        // Windows deletes no read-only file: the next case lays the folder out afresh.
        QFile::setPermissions(ProgramFolder::uploadScript(), QFile::ReadOwner | QFile::WriteOwner);
        QCOMPARE(after, before);
        // The script runs with the port it already had.
#ifdef Q_OS_WIN
        const QByteArray shippedPort = "COM3";
#else
        const QByteArray shippedPort = "/dev/ttyS0";
#endif
        QVERIFY(ProgramFolder::readFile(ProgramFolder::esptool() + "/esptool.args")
                        .contains(shippedPort));
    }

    void wholeRoadFromStyleToClock()
    {
        FakeTools::installBuilder();
        FakeTools::installEsptool();
        const QByteArray shipped = ProgramFolder::readFile(ProgramFolder::uploadScript());
        Electronic_Clock window;
        WindowProbe probe(window);
        probe.ui()->pushButtonJPG7->click();
        probe.ui()->pushButtonUpdateCom->click();
        probe.clickCompile();
        QVERIFY(probe.waitForScripts());
        probe.playCompileToEnd();
        QCOMPARE(probe.ui()->progressBar->text(), QString("Compilation is complete"));
        QVERIFY(QFileInfo::exists(ProgramFolder::esptool() + "/spiffs.bin"));

        probe.clickUpload();
        QVERIFY(probe.waitForScripts());
        const QByteArray script = ProgramFolder::readFile(ProgramFolder::uploadScript());
        const QByteArray portLine = "set com=" + QByteArray(usbPort) + "\r\n";
        QVERIFY(script.startsWith(portLine));
        QCOMPARE(script.mid(portLine.size()), shipped.mid(shipped.indexOf('\n') + 1));
        const QList<QByteArray> arguments
                = ProgramFolder::readFile(ProgramFolder::esptool() + "/esptool.args").split('\n');
        QCOMPARE(arguments.value(arguments.indexOf("--port") + 1), QByteArray(usbDevice));
        probe.playUploadToEnd();
        QCOMPARE(probe.ui()->progressBar->text(), QString("Upload Completed"));

        // The same road with a clock that does not answer ends in the truth.
        ProgramFolder::writeFile(ProgramFolder::esptool() + "/esptool.exit", "2");
        probe.clickUpload();
        QVERIFY(probe.waitForScripts());
        probe.playUploadToEnd();
        QVERIFY2(probe.ui()->progressBar->text().startsWith(
                         "Upload failed: esptool could not write the image (esptool's exit status "
                         "2)"),
                 qPrintable(probe.ui()->progressBar->text()));
        QVERIFY(ProgramFolder::readFile(ProgramFolder::uploadLog()).contains("status 2"));
    }

    void uploadWaitsForEveryRunningBuild()
    {
        // Two quick compiles: the first build ends soon, the second only once released. The clock
        // must get the second's image, so the upload starts after the last build, not the first.
        FakeTools::replaceScript(
                ToolchainFolder::builderScriptName,
                FakeTools::forThisSystem(
                        "n=$(($(cat runs 2>/dev/null || echo 0) + 1)); echo $n > runs; "
                        "if [ $n -eq 2 ]; then while [ ! -e release ]; do sleep 0.02; "
                        "done; fi; echo \"built $n\" >> order.log",
                        // The first to make the folder is build 1: two cmd.exe may start at once.
                        "set n=1\nmkdir first 2>nul\nif errorlevel 1 set n=2\n"
                        "if %n%==1 goto built\n"
                        ":wait\nif exist release goto built\nsleep 0.02\ngoto wait\n"
                        ":built\n>>order.log echo built %n%"));
        FakeTools::installEsptool();
        ProgramFolder::writeFile(ProgramFolder::esptool() + "/spiffs.bin", "image");
        Electronic_Clock window;
        WindowProbe probe(window);
        probe.ui()->pushButtonUpdateCom->click();
        probe.clickCompile();
        probe.clickCompile();
        probe.clickUpload();
        QVERIFY(probe.uploadTimer()->isActive()); // the animation starts at the click
        QTest::qWait(300);
        QCOMPARE(orderLog(), QByteArray("built 1\n"));
        ProgramFolder::writeFile(ProgramFolder::esptool() + "/release", "");
        QVERIFY(probe.waitForScripts());
        QCOMPARE(orderLog(), QByteArray("built 1\nbuilt 2\nuploaded\n"));
    }

    void uploadBeforeAnyRefreshWritesAnEmptyPort()
    {
        Electronic_Clock window;
        WindowProbe(window).clickUpload();
        QVERIFY(WindowProbe(window).waitForScripts());
        QVERIFY(ProgramFolder::readFile(ProgramFolder::uploadScript())
                        .startsWith(emptyPortThenScript));
        QCOMPARE(WindowProbe(window).uploader()->outcome(), ScriptLauncher::Outcome::Failed);
    }

    void onlyAPortNameReachesTheShell_data()
    {
        QTest::addColumn<QString>("port");
        QTest::newRow("semicolon") << "x;touch pwned";
        QTest::newRow("ampersand") << "COM3&touch pwned";
        QTest::newRow("command substitution") << "a$(touch pwned)b";
        QTest::newRow("backquotes") << "a`touch pwned`b";
        QTest::newRow("pipe") << "x|touch pwned";
        QTest::newRow("quotes and blank") << "\"x\" touch pwned";
        QTest::newRow("line break") << "x\ntouch pwned";
    }

    void onlyAPortNameReachesTheShell()
    {
        QFETCH(QString, port);
        QVERIFY(!PortLine::isUsablePortName(port));
        FakeTools::installEsptool();
        ProgramFolder::writeFile(ProgramFolder::esptool() + "/spiffs.bin", "image");
        fakePorts = {{port, "odd"}};
        Electronic_Clock window;
        WindowProbe probe(window);
        probe.ui()->pushButtonUpdateCom->click();
        probe.clickUpload();
        QVERIFY(probe.waitForScripts());
        QVERIFY(ProgramFolder::readFile(ProgramFolder::uploadScript())
                        .startsWith(emptyPortThenScript));
        // Nothing ran but the script, which stopped for want of a port.
        QCOMPARE(probe.uploader()->outcome(), ScriptLauncher::Outcome::Failed);
        QVERIFY(!QFileInfo::exists(ProgramFolder::esptool() + "/esptool.args"));
        for (const QString &folder :
             {ProgramFolder::path(), ProgramFolder::esptool(), QDir::currentPath()})
            QVERIFY2(!QFileInfo::exists(folder + "/pwned"), qPrintable(folder));
    }

    void portNamesThatAreUsable()
    {
        for (const char *port :
             {"COM3", "COM100", "ttyUSB0", "/dev/ttyACM0", "cu.usbserial-1410", "tty_S1", ""})
            QVERIFY2(PortLine::isUsablePortName(port), port);
        for (const char *port : {"COM3 ", "a\\b", "x:y", "é", "COM3\r"})
            QVERIFY2(!PortLine::isUsablePortName(port), port);
        QCOMPARE(PortLine::rewritten("set com=COM3 \r\nrest", "x;y"),
                 QByteArray("set com=\r\nrest"));
    }

    void uploadsRunOneAfterTheOther()
    {
        // Each run notes its start and end, with its port, and takes a while in between.
        FakeTools::replaceScript(
                ToolchainFolder::uploadScriptName,
                FakeTools::forThisSystem("echo \"start $1\" | tr -d '\\r' >> order.log; sleep 0.3; "
                                         "echo end >> order.log",
                                         ">>order.log echo start com=%com%\nsleep 0.3\n"
                                         ">>order.log echo end"));
        Electronic_Clock window;
        WindowProbe probe(window);
        probe.ui()->pushButtonUpdateCom->click();
        probe.clickUpload();
        QTest::qWait(100);
        probe.ui()->comboBox->setCurrentIndex(1);
        WindowProbe(window)
                .clickUpload(); // while the first runs: it waits, and its port line with it
        QCOMPARE(probe.uploader()->outcome(), ScriptLauncher::Outcome::Waiting);
        QVERIFY(ProgramFolder::readFile(ProgramFolder::uploadScript())
                        .startsWith("set com=" + QByteArray(usbPort) + "\r\n"));
        QVERIFY(probe.waitForScripts());
        QCOMPARE(orderLog(), "start com=" + QByteArray(usbPort) + "\nend\nstart com=COM100\nend\n");
        QCOMPARE(probe.uploader()->outcome(), ScriptLauncher::Outcome::Succeeded);
    }
};

QTEST_MAIN(TestPortsAndUpload)
#include "test_ports_and_upload.moc"
