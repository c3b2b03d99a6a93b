// What the bar says when esptool fails: esptool's own words, as esptool 4 and 5 print them on
// Linux and on Windows, read from the failed step of an upload log.

#include <QtTest>

#include "esptool_words.h"
#include "script_result.h"

using EsptoolWords::System;

Q_DECLARE_METATYPE(EsptoolWords::System)

namespace {

// An upload log as the upload script writes it: a copy step that went well, then the step that
// failed with `output`, and the script's own lines after the failure.
QByteArray uploadLog(const QByteArray &command, const QByteArray &device, int status,
                     const QByteArray &output)
{
    const QByteArray connect = "esptool --chip esp8266 --port " + device + " --baud 460800 ";
    const QByteArray number = QByteArray::number(status);
    return "2026-01-02 03:04:05  esptool.bat in /clock/esptool\n"
           "Running: "
            + connect + "--after hard_reset write_flash 0x300000 spiffs.bin\n"
            + "Running: " + connect + "--after no_reset read_mac\nMAC: 5c:cf:7f:51:4d:01\n"
            + "Running: " + connect + "--after no_reset " + command + " 0x300000 x\n" + output
            + "\nesptool failed with exit status " + number + ".\n"
            + "No copy of the clock's file system could be kept.\n" + "Result: esptool's " + command
            + " failed on " + device + " with exit status " + number + ": see the lines above.\n";
}

const QByteArray cannotOpenLinux
        = "A fatal error occurred: Could not open /dev/ttyUSB0, the port is busy or doesn't exist.";
const QByteArray cannotOpenWindows
        = "A fatal error occurred: Could not open COM7, the port is busy or doesn't exist.";

const QString missingLinux = "the port /dev/ttyUSB0 does not exist: plug the clock in, click "
                             "Refresh, choose its port and upload again.";
const QString missingWindows = "the port COM7 does not exist: plug the clock in, click Refresh, "
                               "choose its port and upload again.";
const QString stopped
        = "the clock stopped answering during the upload: check the cable and upload again.";
const QString lost = "the connection to the clock was lost during the upload (was the cable "
                     "pulled?): plug it in again and upload again.";
const QString refused
        = "the clock refused the write to its flash: unplug it, plug it in again and upload again.";
const QString notWritten = "esptool could not write the image (esptool's exit status %1): see "
                           "esptool.log.";
const QString notCopied = "no copy of the clock's pictures could be kept (esptool could not read "
                          "the clock's file system): to upload without one, put an empty file "
                          "named no-backup into the esptool folder.";

// The port as the upload script names it on each system.
QString deviceOf(System system)
{
    return system == System::Windows ? QStringLiteral("COM7") : QStringLiteral("/dev/ttyUSB0");
}

} // namespace

class TestEsptoolWords : public QObject
{
    Q_OBJECT

private slots:
    void barSaysWhatEsptoolMeant_data()
    {
        QTest::addColumn<System>("system");
        QTest::addColumn<QByteArray>("command");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("output");
        QTest::addColumn<QString>("reason");

        auto onLinux = [](const char *name, const QByteArray &command, int status,
                          const QByteArray &output) -> QTestData & {
            return QTest::addRow("Linux: %s", name) << System::Posix << command << status << output;
        };
        auto onWindows = [](const char *name, const QByteArray &command, int status,
                            const QByteArray &output) -> QTestData & {
            return QTest::addRow("Windows: %s", name)
                    << System::Windows << command << status << output;
        };
        // Words that mean the same on both systems; "%1" in the reason is the system's device.
        auto onBoth = [](const char *name, const QByteArray &command, int status,
                         const QByteArray &output, const QString &reason) {
            for (const System system : {System::Posix, System::Windows}) {
                QTest::addRow("%s: %s", system == System::Windows ? "Windows" : "Linux", name)
                        << system << command << status << output
                        << QString(reason).replace("%1", deviceOf(system));
            }
        };

        onLinux("port missing", "read_mac", 2,
                cannotOpenLinux
                        + "\n([Errno 2] could not open port /dev/ttyUSB0: [Errno 2] No such "
                          "file or directory: '/dev/ttyUSB0')")
                << missingLinux;
        onLinux("port missing, esptool 5", "read_mac", 2, cannotOpenLinux) << missingLinux;
        onLinux("no permission", "read_mac", 2,
                cannotOpenLinux
                        + "\n([Errno 13] could not open port /dev/ttyUSB0: [Errno 13] "
                          "Permission denied: '/dev/ttyUSB0')\nHint: Try to add user into "
                          "dialout or uucp group.")
                << "no permission for /dev/ttyUSB0: add your user to the dialout group ('sudo "
                   "usermod -aG dialout $USER'), then log out and in again.";
        onLinux("port busy", "read_mac", 2,
                cannotOpenLinux
                        + "\n([Errno 11] Could not exclusively lock port /dev/ttyUSB0: "
                          "[Errno 11] Resource temporarily unavailable)")
                << "the port /dev/ttyUSB0 is in use by another program: close it (a serial "
                   "monitor, another flashing tool) and upload again.";
        onLinux("port busy, errno 16", "read_mac", 2,
                cannotOpenLinux + "\n[Errno 16] Device or resource busy: '/dev/ttyUSB0'")
                << "the port /dev/ttyUSB0 is in use by another program: close it (a serial "
                   "monitor, another flashing tool) and upload again.";
        onLinux("connection lost", "write_flash", 1,
                "Writing at 0x00310000... (12 %)\nCould not configure port: (5, 'Input/output "
                "error')")
                << lost;
        onLinux("a missing file is not a missing port", "write_flash", 2,
                "[Errno 2] No such file or directory: 'spiffs.bin'")
                << notWritten.arg(2);

        onWindows("port missing", "read_mac", 2,
                  cannotOpenWindows
                          + "\n(could not open port 'COM7': FileNotFoundError(2, 'The "
                            "system cannot find the file specified.', None, 2))")
                << missingWindows;
        onWindows("port missing, esptool 5", "read_mac", 2, cannotOpenWindows) << missingWindows;
        onWindows("port in use", "read_mac", 2,
                  cannotOpenWindows
                          + "\n(could not open port 'COM7': PermissionError(13, 'Access "
                            "is denied.', None, 5))")
                << "the port COM7 is in use by another program: close it (a serial monitor, "
                   "another flashing tool) and upload again.";
        onWindows("connection lost, not a port in use", "write_flash", 1,
                  "Writing at 0x00310000... (12 %)\r\nA fatal error occurred: WriteFile failed "
                  "(PermissionError(13, 'The device does not recognize the command.', None, 22))")
                << lost;
        onWindows("cmd's special characters are only text", "write_flash", 2,
                  "A fatal error occurred:  %odd & \"quoted\" <x> | y ^ z ! (a) 100%")
                << "percentodd & \"quoted\" <x> | y ^ z ! (a) 100 percent";

        onBoth("no answer", "read_mac", 2,
               "Connecting......................................\nA fatal error occurred: Failed "
               "to connect to ESP8266: No serial data received.",
               "the clock does not answer on %1: check that the cable carries data and that this "
               "is the clock's port, then upload again.");
        onBoth("stopped answering", "write_flash", 2,
               "Traceback (most recent call last):\n  File \"esptool.py\", line 1, in <module>\nA "
               "fatal error occurred: The chip stopped responding.",
               stopped);
        onBoth("write refused", "write_flash", 2,
               "A fatal error occurred: Failed to enter compressed flash mode (result was C400: "
               "Failed SPI operation)",
               refused);
        onBoth("another fatal error, with a percent sign", "write_flash", 2,
               "A fatal error occurred: Something odd at 50% of the write",
               "Something odd at 50 percent of the write");
        onBoth("the last fatal error with words", "write_flash", 2,
               "A fatal error occurred: the first\nA fatal error occurred: the second\r\nA fatal "
               "error occurred:  \n",
               "the second");
        onBoth("a fatal error without words", "write_flash", 2,
               "A fatal error occurred:", notWritten.arg(2));
        onBoth("nothing known", "write_flash", 3, "KeyError: 'x'", notWritten.arg(3));
        onBoth("nothing at all", "write_flash", 1, "", notWritten.arg(1));
        onBoth("nothing known while copying", "read_flash", 2, "KeyError: 'x'", notCopied);
        onBoth("nothing known while asking for the MAC", "read_mac", 2, "KeyError: 'x'",
               "no copy of the clock's pictures could be kept (esptool could not read the "
               "clock's MAC address): to upload without one, put an empty file named no-backup "
               "into the esptool folder.");
    }

    void barSaysWhatEsptoolMeant()
    {
        QFETCH(System, system);
        QFETCH(QByteArray, command);
        QFETCH(int, status);
        QFETCH(QByteArray, output);
        QFETCH(QString, reason);
        const QByteArray log = uploadLog(command, deviceOf(system).toUtf8(), status, output);
        QCOMPARE(ScriptResult::reason(log, system), reason);
        QCOMPARE(ScriptResult::failedStepOutput(log), output + "\n");
    }

    void onlyTheFailedStepSpeaks()
    {
        // Words before the failed step's "Running: " line, or after the failure line, are not
        // that step's: a step that went well and the script's own closing lines.
        QByteArray log = uploadLog("write_flash", "/dev/ttyUSB0", 3, "KeyError: 'x'");
        log.replace("MAC: 5c:cf:7f:51:4d:01\n",
                    "Failed to connect, retrying\nMAC: 5c:cf:7f:51:4d:01\n");
        log.replace("No copy of the clock's file system could be kept.\n", "Input/output error\n");
        QCOMPARE(ScriptResult::reason(log, System::Posix), notWritten.arg(3));
        QCOMPARE(ScriptResult::failedStepOutput(log), QByteArray("KeyError: 'x'\n"));

        // A failure line without a step before it holds no output.
        QCOMPARE(ScriptResult::failedStepOutput("esptool failed with exit status 2.\n"),
                 QByteArray());
        QCOMPARE(ScriptResult::failedStepOutput("Running: esptool\nno failure\n"), QByteArray());
        QCOMPARE(ScriptResult::failedStepOutput("Running: esptool\n"
                                                "esptool failed with exit status 2.\n"),
                 QByteArray());
    }

    void otherResultsAreShownAsTheyStand()
    {
        // The scripts' own causes, even after a failed step's lines, and results of another form.
        const QByteArray failedEarlier = uploadLog("read_mac", "COM7", 2, "Failed to connect");
        QCOMPARE(ScriptResult::reason(failedEarlier + "Result: there is no image to upload.\n"),
                 QString("there is no image to upload."));
        QCOMPARE(ScriptResult::reason("Result: esptool's read_mac failed badly\n"),
                 QString("esptool's read_mac failed badly"));
        QCOMPARE(ScriptResult::reason("no result at all\n"), QString());

        const EsptoolWords::FailedStep step = EsptoolWords::failedStep(
                "esptool's read_flash failed on /dev/ttyACM0 with exit status 7: see the lines "
                "above.");
        QVERIFY(step.isValid());
        QCOMPARE(step.command, QString("read_flash"));
        QCOMPARE(step.device, QString("/dev/ttyACM0"));
        QCOMPARE(step.exitStatus, 7);
        // A step that the shipped script does not have, added by a user.
        QCOMPARE(EsptoolWords::reason({"erase_flash", "COM7", 2}, "KeyError"),
                 QString("esptool could not run erase_flash (esptool's exit status 2): see "
                         "esptool.log."));
    }

    void outputThatIsNotUtf8IsStillShown()
    {
        // esptool writes in the ANSI code page where it cannot write UTF-8.
        const QByteArray log
                = uploadLog("write_flash", "COM7", 2, "A fatal error occurred: caf\xE9 closed");
        const QString shown = ScriptResult::reason(log, System::Windows);
        QVERIFY2(shown.startsWith("caf") && shown.endsWith(" closed"), qPrintable(shown));
    }
};

QTEST_MAIN(TestEsptoolWords)
#include "test_esptool_words.moc"
