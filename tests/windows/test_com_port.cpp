// The system's own serial port list under Wine, with a COM port that Wine makes of a pty (see
// test_com_port.sh): the port list shows it, and an upload writes it into the upload script's
// first line and hands it to esptool.

#include <QComboBox>
#include <QProgressBar>
#include <QPushButton>
#include <QtTest>

#include "fake_tools.h"
#include "program_folder.h"
#include "serial_ports.h"
#include "window_probe.h"

class TestComPort : public QObject
{
    Q_OBJECT

    // The port that test_com_port.sh made, as COMn.
    const QString port = qEnvironmentVariable("CLOCK_TEST_COM_PORT");

private slots:
    void init()
    {
        if (port.isEmpty())
            QSKIP("CLOCK_TEST_COM_PORT names no port: test_com_port.sh sets one up");
        ProgramFolder::reset();
    }

    void refreshListsThePort()
    {
        QStringList names;
        for (const SerialPorts::Port &found : SerialPorts::available())
            names << found.name;
        QVERIFY2(names.contains(port), qPrintable(names.join(", ")));

        Electronic_Clock window;
        WindowProbe probe(window);
        probe.ui()->pushButtonUpdateCom->click();
        QComboBox *list = probe.ui()->comboBox;
        QVERIFY(list->count() >= 1);
        QVERIFY(list->findText(port + "  ", Qt::MatchStartsWith) >= 0);
    }

    void uploadRunsEsptoolWithThePort()
    {
        FakeTools::installBuilder();
        FakeTools::installEsptool();
        ProgramFolder::writeFile(ProgramFolder::esptool() + "/spiffs.bin", "image");
        const QByteArray shipped = ProgramFolder::readFile(ProgramFolder::uploadScript());
        Electronic_Clock window;
        WindowProbe probe(window);
        probe.ui()->pushButtonUpdateCom->click();
        QComboBox *list = probe.ui()->comboBox;
        list->setCurrentIndex(list->findText(port + "  ", Qt::MatchStartsWith));
        QCOMPARE(probe.currentPort(), port);

        probe.clickUpload();
        QVERIFY(probe.waitForScripts(30000));
        probe.playUploadToEnd();
        QCOMPARE(probe.ui()->progressBar->text(), QString("Upload Completed"));
        const QByteArray portLine = "set com=" + port.toLatin1() + "\r\n";
        const QByteArray script = ProgramFolder::readFile(ProgramFolder::uploadScript());
        QVERIFY(script.startsWith(portLine));
        QCOMPARE(script.mid(portLine.size()), shipped.mid(shipped.indexOf('\n') + 1));
        // The clock's copy first, then the write, each on that port.
        const QList<QByteArray> calls
                = ProgramFolder::readFile(ProgramFolder::esptool() + "/esptool.calls").split('\n');
        QCOMPARE(calls.size(), 4);
        QVERIFY2(calls.at(0).contains("--port " + port.toLatin1())
                         && calls.at(0).endsWith("read_mac"),
                 calls.at(0).constData());
        QVERIFY2(calls.at(1).contains(" read_flash "), calls.at(1).constData());
        QVERIFY2(calls.at(2).contains("--port " + port.toLatin1() + " ")
                         && calls.at(2).contains(" write_flash "),
                 calls.at(2).constData());
        QVERIFY(QFileInfo::exists(ProgramFolder::esptool() + "/backup/" + FakeTools::clockName
                                  + ".bin"));
    }
};

QTEST_MAIN(TestComPort)
#include "test_com_port.moc"
