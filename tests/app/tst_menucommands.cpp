#include <QDir>
#include <QSaveFile>
#include <QTest>

#include "LinkRig.h"
#include "common/ZtError.h"
#include "settings/INITools.h"

class TestMenuCommands : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void exchanges_data();
    void exchanges();
    void declinedConfirmation_data();
    void declinedConfirmation();
    void windows_data();
    void windows();
    void unknown_data();
    void unknown();
    void systemPage_data();
    void systemPage();
    void requestedByDevice_data();
    void requestedByDevice();
    void hexLog();
    void resetAndEnd();
    void saveAndLoad();
    void answerDuringTransmit();
    void failingSeamReportedOnce_data();
    void failingSeamReportedOnce();
};

namespace {

// One group of three codes: 258, -1 (sent as its two's complement) and 0.
void fillButtons(LinkRig &rig)
{
    rig.zt.setupFlags().CountKeyCols = 1;
    rig.zt.setupFlags().CountKeyRows = 3;
    rig.zt.data().DataRecord.button(1, 1) = 258;
    rig.zt.data().DataRecord.button(1, 2) = -1;
    rig.zt.data().DataRecord.button(2, 1) = 5; // group 2 is not in use
    rig.zt.MarkDataClean();                    // as loaded from a file
}

const QByteArray DataPayload = "0102FFFF0000"; // checksum 1+2+255+255 = 513

} // namespace

void TestMenuCommands::exchanges_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<int>("questions");
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QByteArray>("writtenAfter"); // what the program sends in reaction
    QTest::addColumn<QString>("status");

    QTest::newRow("5 send data") << 5 << 1 << frameOf(0x85, DataPayload) << frameOf(0x86, "353133")
                                 << "Sending data" << QByteArray() << "Comm_Data_Sent";
    QTest::newRow("5 send data, wrong acknowledgement")
        << 5 << 1 << frameOf(0x85, DataPayload) << frameOf(0x86, "353134") << "Sending data"
        << QByteArray() << "Comm_Checksum_Err";
    QTest::newRow("6 request data")
        << 6 << 1 << frameOf(0x84, "20") << frameOf(0x85, "000700080009") << "Requesting data"
        << frameOf(0x86, "3234") << "Comm_Data_Received";
    QTest::newRow("106 request data unasked")
        << 106 << 0 << frameOf(0x84, "20") << frameOf(0x85, "000700080009") << "Requesting data"
        << frameOf(0x86, "3234") << "Comm_Data_Received";
    QTest::newRow("107 send data unasked")
        << 107 << 0 << frameOf(0x85, DataPayload) << frameOf(0x86, "353133") << "Sending data"
        << QByteArray() << "Comm_Data_Sent";
    QTest::newRow("7 send reset") << 7 << 1 << frameOf(0x87) << frameOf(0x88) << "Sending reset"
                                  << QByteArray() << "Comm_Reset_Done";
    QTest::newRow("8 version info")
        << 8 << 0 << frameOf(0x82) << frameOf(0x83, "03414243") << "Asking version" << QByteArray()
        << "Comm_VersionInfo_Received";
    QTest::newRow("9 online test") << 9 << 0 << frameOf(0x80) << frameOf(0x81) << "Online test"
                                   << QByteArray() << "Comm_OnlineTest_Info";
}

void TestMenuCommands::exchanges()
{
    QFETCH(int, number);
    QFETCH(int, questions);
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, reply);
    QFETCH(QString, caption);
    QFETCH(QByteArray, writtenAfter);
    QFETCH(QString, status);
    LinkRig rig;
    rig.zt.setupFlags().ShowMsgBox = false;
    fillButtons(rig);
    rig.answer(request, reply);
    rig.menu.Interpret_MenuCommand(MenuCommand(number));
    rig.settle();

    QCOMPARE(rig.comm.written, request + writtenAfter);
    QCOMPARE(rig.op.statusHistory.last().trimmed(), status);
    int asked = 0;
    for (const auto &b : rig.op.boxes) {
        if (b.question) {
            ++asked;
            QCOMPARE(b.icon, BoxIcon::Stop);
            QCOMPARE(b.title, rig.op.caption);
        }
    }
    QCOMPARE(asked, questions);
    // The transfer window carries the command's caption, then the waiting text with it.
    QCOMPARE(rig.op.events.value(0), QStringLiteral("transfer show ") + caption);
    QVERIFY(rig.op.events.contains(QStringLiteral("transfer show Waiting for ") + caption));
    QVERIFY(!rig.op.transferVisible);
    QVERIFY(!rig.op.hourglass);
    QVERIFY(rig.ct.RequestedCommand().isEmpty());
    if (number == 6 || number == 106) {
        QCOMPARE(rig.zt.data().DataRecord.button(1, 1), qint16(7));
        QCOMPARE(rig.zt.data().DataRecord.button(1, 3), qint16(9));
    }
    if (number == 5 || number == 107)
        QCOMPARE(rig.ct.SentChecksum(), 513);
}

void TestMenuCommands::declinedConfirmation_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("question");
    QTest::newRow("5") << 5 << "QuerySendData";
    QTest::newRow("6") << 6 << "QueryRequestData";
    QTest::newRow("7") << 7 << "QuerySendDataReset";
}

void TestMenuCommands::declinedConfirmation()
{
    QFETCH(int, number);
    QFETCH(QString, question);
    LinkRig rig;
    rig.op.defaultAnswer = false;
    rig.ct.noteDataRequest("30");
    rig.menu.Interpret_MenuCommand(MenuCommand(number));
    QVERIFY(rig.comm.written.isEmpty());
    QCOMPARE(rig.ct.RequestedCommand(), QByteArray("30"));
    QCOMPARE(rig.boxTexts(), QStringList{question});
    QCOMPARE(rig.op.boxes[0].icon, BoxIcon::Stop);
    QCOMPARE(rig.op.boxes[0].title, rig.op.caption);
}

void TestMenuCommands::windows_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("event");
    QTest::newRow("10 serial settings") << 10 << "serial settings";
    QTest::newRow("12 protocol") << 12 << "protocol";
    QTest::newRow("13 about") << 13 << "about";
}

void TestMenuCommands::windows()
{
    QFETCH(int, number);
    QFETCH(QString, event);
    LinkRig rig;
    rig.menu.Interpret_MenuCommand(MenuCommand(number));
    QCOMPARE(rig.op.events, QStringList{event});
    QVERIFY(rig.comm.written.isEmpty());
}

void TestMenuCommands::unknown_data()
{
    QTest::addColumn<int>("number");
    QTest::newRow("4") << 4;
    QTest::newRow("11") << 11;
    QTest::newRow("14") << 14;
    QTest::newRow("0") << 0;
    QTest::newRow("110") << 110;
    QTest::newRow("-5") << -5;
}

void TestMenuCommands::unknown()
{
    QFETCH(int, number);
    LinkRig rig;
    const DataSet before = rig.zt.data();
    rig.menu.Interpret_MenuCommand(MenuCommand(number));
    QVERIFY(rig.logged(QStringLiteral("  Menu:   Unknown command %1").arg(number)));
    QVERIFY(rig.op.boxes.isEmpty());
    QVERIFY(rig.op.events.isEmpty());
    QVERIFY(rig.comm.written.isEmpty());
    QVERIFY(rig.zt.data().DataRecord == before.DataRecord);
}

void TestMenuCommands::systemPage_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("acu");
    QTest::addColumn<int>("canBus");
    QTest::addColumn<QByteArray>("written");
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("status");
    QTest::newRow("ACU 12 keeps its blanks") << 108 << "12" << 0 << frameOf(0x89, "31322020")
                                             << QString() << "ACU Versionsnummer übertragen";
    QTest::newRow("ACU blank not sent")
        << 108 << "  " << 0 << QByteArray() << "Keine ACU Versionsnummer angegeben..." << QString();
    QTest::newRow("CAN bus 258") << 109 << "" << 258 << frameOf(0x90, "0102") << QString()
                                 << "CanBus Adresse übertragen";
    QTest::newRow("CAN bus -1") << 109 << "" << -1 << frameOf(0x90, "FFFF") << QString()
                                << "CanBus Adresse übertragen";
    QTest::newRow("CAN bus 0 never sent")
        << 109 << "" << 0 << QByteArray() << "Keine CanBus Adresse angegeben..." << QString();
}

void TestMenuCommands::systemPage()
{
    QFETCH(int, number);
    QFETCH(QString, acu);
    QFETCH(int, canBus);
    QFETCH(QByteArray, written);
    QFETCH(QString, box);
    QFETCH(QString, status);
    LinkRig rig;
    rig.zt.setupFlags().ShowMsgBox = false;
    rig.pages.onFromPages = [&] {
        rig.zt.data().ACUVersion.set(acu);
        rig.zt.data().CanBusAddr = qint16(canBus);
    };
    // Typed and not yet given to the device: unsaved until sent.
    QCOMPARE(rig.zt.Unsaved().testFlag(UnsavedEdits::System), !written.isEmpty());
    rig.menu.Interpret_MenuCommand(MenuCommand(number));
    rig.settle();
    QCOMPARE(rig.comm.written, written);
    QVERIFY(!rig.zt.Unsaved().testFlag(UnsavedEdits::System));
    if (box.isEmpty()) {
        QVERIFY(rig.op.boxes.isEmpty());
        QCOMPARE(rig.op.status.trimmed(), status);
    } else {
        QCOMPARE(rig.boxTexts(), QStringList{box});
        QCOMPARE(rig.op.boxes[0].icon, BoxIcon::Stop);
        QCOMPARE(rig.op.boxes[0].title, rig.op.caption);
    }
    // No answer is awaited.
    QVERIFY(!rig.logged(QStringLiteral("Waiting for")));
}

void TestMenuCommands::requestedByDevice_data()
{
    QTest::addColumn<QByteArray>("kind");
    QTest::addColumn<QByteArray>("before"); // in the request's burst, in front of it
    QTest::addColumn<QByteArray>("reply");  // the device's answer to the data
    QTest::addColumn<QByteArray>("written");
    const QByteArray ack = frameOf(0x86, "353133");
    const QByteArray data = frameOf(0x85, DataPayload);
    QTest::newRow("kind 20 sends the data") << QByteArray("20") << QByteArray() << ack << data;
    QTest::newRow("other kind sends nothing")
        << QByteArray("21") << QByteArray() << ack << QByteArray();
    QTest::newRow("empty kind sends the data") << QByteArray() << QByteArray() << ack << data;
    QTest::newRow("request behind an online test")
        << QByteArray("20") << frameOf(0x80) << ack << frameOf(0x81) + data;
    QTest::newRow("acknowledgement behind an online test")
        << QByteArray("20") << QByteArray() << frameOf(0x80) + ack << data + frameOf(0x81);
}

void TestMenuCommands::requestedByDevice()
{
    QFETCH(QByteArray, kind);
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, reply);
    QFETCH(QByteArray, written);
    LinkRig rig;
    fillButtons(rig);
    rig.comm.inject(before + frameOf(0x84, kind));
    rig.settle();
    QCOMPARE(rig.ct.RequestedCommand(), kind);
    QCOMPARE(rig.op.sendDataTimer, 100);
    QVERIFY(!rig.comm.written.contains(char(0x85)));

    rig.answer(frameOf(0x85, DataPayload), reply);
    rig.menu.timSendData_Timer();
    rig.settle();
    QCOMPARE(rig.op.sendDataTimer, 0);
    QCOMPARE(rig.comm.written, written);
    QVERIFY(rig.ct.RequestedCommand().isEmpty());
    // The acknowledgement was taken and compared.
    QCOMPARE(rig.statusSeen(QStringLiteral("Comm_Data_Sent")), written.contains(char(0x85)));
    for (const auto &b : rig.op.boxes)
        QVERIFY(!b.question);
}

void TestMenuCommands::hexLog()
{
    LinkRig rig;
    fillButtons(rig);
    rig.zt.setupFlags().LogHexData = true;
    {
        QFile old(rig.zt.hexFileName());
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write(QByteArray(1000, 'z'));
    }
    QByteArray frame;
    rig.menu.Prepare_DataExchange(frame, "20");
    QCOMPARE(frame, frameOf(0x85, DataPayload));
    QFile hex(rig.zt.hexFileName());
    QVERIFY(hex.open(QIODevice::ReadOnly));
    QCOMPARE(hex.readAll(), DataPayload + "\r\n\r\n\r\n");
    QVERIFY(rig.logged(QStringLiteral("  Preparing_DataExchange")));
    QVERIFY(!rig.op.hourglass);

    rig.menu.Prepare_DataExchange(frame, "21");
    QCOMPARE(frame, frameOf(0x85));
}

void TestMenuCommands::resetAndEnd()
{
    LinkRig rig;
    rig.zt.data().DataRecord.button(1, 1) = 5;
    rig.zt.data().TextStatus[0].set(QStringLiteral("keep"));
    rig.op.answers = {false, true, false, true};
    rig.menu.Interpret_MenuCommand(MenuCommand::EditorReset); // No
    QCOMPARE(rig.zt.data().DataRecord.button(1, 1), qint16(5));
    rig.menu.Interpret_MenuCommand(MenuCommand::EditorReset); // Yes
    QCOMPARE(rig.zt.data().DataRecord.button(1, 1), qint16(0));
    QCOMPARE(Tools::Trim(rig.zt.data().TextStatus[0].text()), QString());
    rig.menu.Interpret_MenuCommand(MenuCommand::End); // No
    QVERIFY(!rig.op.ended);
    QVERIFY(rig.comm.portOpen());
    rig.menu.Interpret_MenuCommand(MenuCommand::End); // Yes
    QVERIFY(rig.op.ended);
    QVERIFY(!rig.comm.portOpen());
}

void TestMenuCommands::saveAndLoad()
{
    LinkRig rig;
    const QString file = rig.dir.filePath(QStringLiteral("saved.dat"));
    rig.zt.data().DataRecord.button(3, 4) = 1234;
    rig.op.dialogNames = {file};
    rig.menu.Interpret_MenuCommand(MenuCommand::SaveData);
    QFile f(file);
    QCOMPARE(f.size(), 210);
    rig.zt.data().DataRecord.button(3, 4) = 0;
    rig.op.dialogNames = {file};
    rig.op.answers = {true};
    rig.menu.Interpret_MenuCommand(MenuCommand::LoadData);
    QCOMPARE(rig.zt.data().DataRecord.button(3, 4), qint16(1234));
    QCOMPARE(rig.op.status.trimmed(), QStringLiteral("ReadingData_Ok"));
    QCOMPARE(rig.zt.dataFileName(), file);
}

// A fast device answers while the request is still draining from the output buffer: the
// answer must be left for the wait that follows, not taken by the collector meanwhile
// (the wait would then time out and drop what else arrived).
void TestMenuCommands::answerDuringTransmit()
{
    LinkRig rig;
    rig.zt.setupFlags().ShowMsgBox = false;
    rig.comm.drainAfterPolls = 20; // some 200 ms of polls, many collector ticks
    rig.comm.onOutput = [&rig](const QByteArray &) { rig.comm.inject(frameOf(0x81)); };
    rig.menu.Interpret_MenuCommand(MenuCommand::OnlineTest);
    rig.settle();
    QVERIFY(!rig.logged(QStringLiteral("Comm_Timeout_Short")));
    QVERIFY(rig.boxTexts().isEmpty());
    QCOMPARE(rig.loggedCount(QStringLiteral("Comm_Receiving_Data")), 1);
    QVERIFY(rig.statusSeen(QStringLiteral("Comm_OnlineTest_Info")));
}

// A data file write that fails as a full disk does.
class FullDisk : public DataFileIo {
protected:
    void writeBytes(QSaveFile &, QByteArrayView) override
    {
        throw ZtError(28, QStringLiteral("No space left on device"));
    }
};

// Every command with the seam it leans on made to fail: the command ends, its failure is
// reported once (one box at most, one log line), and the program goes on.
void TestMenuCommands::failingSeamReportedOnce_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("seam"); // port, disk or hex (the hex dump)
    QTest::addColumn<QString>("cause");
    const QString port = QStringLiteral("Input/output error");
    for (int number : {5, 6, 7, 8, 9, 106, 107, 108, 109})
        QTest::addRow("%d port", number) << number << "port" << port;
    QTest::newRow("2 disk") << 2 << "disk"
                            << "No space left on device";
    for (int number : {5, 107})
        QTest::addRow("%d hex", number) << number << "hex"
                                        << "hex";
}

void TestMenuCommands::failingSeamReportedOnce()
{
    QFETCH(int, number);
    QFETCH(QString, seam);
    QFETCH(QString, cause);
    LinkRig rig;
    FullDisk disk;
    rig.zt.setupFlags().ShowMsgBox = false;
    rig.op.answers = {true};
    rig.op.dialogNames = {rig.dir.filePath(QStringLiteral("out.dat"))};
    rig.pages.onFromPages = [&] {
        rig.zt.data().ACUVersion.set(QStringLiteral("12"));
        rig.zt.data().CanBusAddr = 3;
    };
    if (seam == QLatin1String("port"))
        rig.comm.outputFails = true;
    if (seam == QLatin1String("disk")) {
        rig.zt.setDataFileIo(disk);
        INI_WriteValue(rig.ini, QStringLiteral("Messages_ENG"), QStringLiteral("WriteToDisk_Err"),
                       QStringLiteral("Write failed: & (&)"));
    }
    if (seam == QLatin1String("hex")) {
        // A folder where the dump should go: it can be neither removed nor written.
        rig.zt.setupFlags().LogHexData = true;
        QVERIFY(QDir().mkpath(rig.zt.hexFileName() + QStringLiteral("/x")));
        cause = QStringLiteral("Menu: ");
    }
    rig.menu.Interpret_MenuCommand(MenuCommand(number));
    rig.settle();
    int boxes = 0;
    for (const auto &b : rig.op.boxes)
        boxes += b.text.contains(cause) ? 1 : 0;
    QVERIFY(boxes <= 1);
    QCOMPARE(rig.loggedCount(cause), 1);
    QVERIFY(!rig.op.ended);
    QVERIFY(!rig.op.hourglass);
    // Alive: the next command runs.
    rig.comm.outputFails = false;
    rig.menu.Interpret_MenuCommand(MenuCommand::OnlineTest);
    QVERIFY(rig.comm.written.endsWith(frameOf(0x80)));
}

QTEST_GUILESS_MAIN(TestMenuCommands)
#include "tst_menucommands.moc"
