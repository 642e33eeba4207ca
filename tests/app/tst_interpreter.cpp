#include <QTest>
#include <QTimer>

#include "LinkRig.h"

namespace {

// The hex text of a version entry: length byte and the characters.
QByteArray entry(const QByteArray &text)
{
    return Tools::ByteToHex(int(text.size())) + text.toHex().toUpper();
}

} // namespace

class TestInterpreter : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void codes_data();
    void codes();
    void versionInfo_data();
    void versionInfo();
    void versionCheck_data();
    void versionCheck();
    void hexData_data();
    void hexData();
    void dataNotAcknowledgedIsDropped();
    void versionInfoFrame();
    void bursts_data();
    void bursts();
};

void TestInterpreter::codes_data()
{
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<bool>("showMsgBox");
    QTest::addColumn<QByteArray>("written");
    QTest::addColumn<QString>("status"); // last status text, trimmed
    QTest::addColumn<QStringList>("boxes");
    QTest::addColumn<QString>("logged"); // empty: not checked

    const QByteArray none;
    QTest::newRow("80 answered") << frameOf(0x80) << true << frameOf(0x81)
                                 << "Comm_OnlineTest_Request_Info" << QStringList() << QString();
    QTest::newRow("81 with box") << frameOf(0x81) << true << none << "Comm_OnlineTest_Info"
                                 << QStringList{"Comm_OnlineTest_Info"} << QString();
    QTest::newRow("81 quiet") << frameOf(0x81) << false << none << "Comm_OnlineTest_Info"
                              << QStringList() << QString();
    QTest::newRow("82 answered with version info")
        << frameOf(0x82) << true
        << frameOf(0x83,
                   "20" + QByteArray("ZT-ACU 1.0").leftJustified(32, ' ').toHex().toUpper() + "20" +
                       QByteArray("TextStatus(2)").leftJustified(32, ' ').toHex().toUpper() + "20" +
                       QByteArray("TextStatus(3)").leftJustified(32, ' ').toHex().toUpper())
        << "Comm_VersionInfo_Sent" << QStringList() << QString();
    QTest::newRow("83 received, quiet")
        << frameOf(0x83, entry("ACU")) << false << none << "Comm_VersionInfo_Received"
        << QStringList() << QString();
    QTest::newRow("83 received, box") << frameOf(0x83, entry("ACU")) << true << none << ""
                                      << QStringList{"Comm_VersionInfo_Received"} << QString();
    QTest::newRow("85 acknowledged with its checksum")
        << frameOf(0x85, "01020304") << false << frameOf(0x86, "3130") << "Comm_Data_Received"
        << QStringList() << "  Comm_Data_Received";
    QTest::newRow("85 empty block acknowledged with 0")
        << frameOf(0x85) << true << frameOf(0x86, "30") << "Comm_Data_Received"
        << QStringList{"Comm_Data_Received"} << QString();
    QTest::newRow("86 matching") << frameOf(0x86, "3130") << false << none << "Comm_Data_Sent"
                                 << QStringList() << "  Comm_Data_Sent";
    QTest::newRow("86 mismatch boxes regardless")
        << frameOf(0x86, "3131") << false << none << "Comm_Checksum_Err"
        << QStringList{"Comm_Checksum_Err"} << "  Comm_Checksum_Err";
    QTest::newRow("86 not a number") << frameOf(0x86, "4142") << true << none << "" << QStringList()
                                     << "  Interpreter: Acknowledged checksum is not a number";
    QTest::newRow("86 empty") << frameOf(0x86) << true << none << "" << QStringList()
                              << "  Interpreter: Acknowledged checksum is not a number";
    QTest::newRow("86 negative is a mismatch")
        << frameOf(0x86, "2D3130") << false << none << "Comm_Checksum_Err"
        << QStringList{"Comm_Checksum_Err"} << "  Comm_Checksum_Err";
    QTest::newRow("87 resets and answers") << frameOf(0x87) << false << frameOf(0x88)
                                           << "Comm_Reset_ByRequest" << QStringList() << QString();
    QTest::newRow("88 with box") << frameOf(0x88) << true << none << "Comm_Reset_Done"
                                 << QStringList{"Comm_Reset_Done"} << QString();
    QTest::newRow("89 with box") << frameOf(0x89, "31322020") << true << none << ""
                                 << QStringList{"ACU Versionsnummer empfangen"} << QString();
    QTest::newRow("89 quiet") << frameOf(0x89, "31322020") << false << none
                              << "ACU Versionsnummer empfangen" << QStringList() << QString();
    QTest::newRow("90 unknown") << frameOf(0x90, "0005") << true << none << "" << QStringList()
                                << "  Interpreter:   Unknown command90";
    QTest::newRow("8A unknown") << frameOf(0x8A) << true << none << "" << QStringList()
                                << "  Interpreter:   Unknown command8A";
}

void TestInterpreter::codes()
{
    QFETCH(QByteArray, frame);
    QFETCH(bool, showMsgBox);
    QFETCH(QByteArray, written);
    QFETCH(QString, status);
    QFETCH(QStringList, boxes);
    QFETCH(QString, logged);
    LinkRig rig;
    rig.zt.setupFlags().ShowMsgBox = showMsgBox;
    rig.zt.setupFlags().CountKeyCols = 1;
    rig.zt.setupFlags().CountKeyRows = 2;
    // As the pages hand them over: the device's text and two empty lines.
    rig.zt.data().TextStatus[0].set(QStringLiteral("ZT-ACU 1.0"));
    rig.zt.data().TextStatus[1].set(QString());
    rig.zt.data().TextStatus[2].set(QString());
    rig.zt.data().DataSetDefault.button(1, 1) = 7;
    rig.zt.MarkDataClean(); // the data file holds no codes
    rig.zt.data().DataRecord.button(1, 1) = 99;
    rig.ct.expectAcknowledgement(10);
    rig.op.status = QStringLiteral("old");
    const qint16 canBus = rig.zt.data().CanBusAddr = 12;
    rig.zt.unsavedEdits().setDeviceCanBusAddr(canBus);

    rig.interpreter.Comm_InterpretCommand(Tools::ByteToHex(quint8(frame.at(0))), frame);
    // Only a data file holds the codes (a send or a received block leaves the file behind
    // the pages), and the device the ACU version it sent.
    if (frame != frameOf(0x85)) // the empty block clears the codes, as the file has them
        QVERIFY(rig.zt.Unsaved().testFlag(UnsavedEdits::Codes));
    if (frame.at(0) == char(0x89))
        QVERIFY(!rig.zt.Unsaved().testFlag(UnsavedEdits::System));

    QCOMPARE(rig.comm.written, written);
    if (!status.isEmpty())
        QCOMPARE(rig.op.status.trimmed(), status);
    QCOMPARE(rig.boxTexts(), boxes);
    for (const auto &b : rig.op.boxes)
        QCOMPARE(b.title, QStringLiteral("zteditor"));
    if (!logged.isEmpty())
        QVERIFY2(rig.logged(logged), qPrintable(rig.sink.text()));
    QVERIFY(!rig.op.hourglass);
    QCOMPARE(rig.zt.data().CanBusAddr, canBus);

    const quint8 code = quint8(frame.at(0));
    if (code == 0x85)
        QCOMPARE(rig.zt.data().DataRecord.button(1, 1), qint16(frame.size() > 2 ? 258 : 0));
    if (code == 0x87)
        QCOMPARE(rig.zt.data().DataRecord.button(1, 1), qint16(7));
    if (code == 0x89)
        QCOMPARE(rig.zt.data().ACUVersion.text(), QStringLiteral("12  "));
    if (code == 0x83)
        QCOMPARE(rig.zt.data().TextStatus[0].text().trimmed(), QStringLiteral("ACU"));
}

void TestInterpreter::versionInfo_data()
{
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<bool>("failure");
    QTest::newRow("empty clears all") << QByteArray() << QStringList{"", "", ""} << false;
    QTest::newRow("one entry") << entry("ABC") << QStringList{"ABC", "", ""} << false;
    QTest::newRow("three entries, trailing blanks removed")
        << entry("A  ") + entry("B") + entry("C C") << QStringList{"A", "B", "C C"} << false;
    QTest::newRow("truncated second entry dropped")
        << entry("ABC") + "05414243" << QStringList{"ABC", "", ""} << false;
    QTest::newRow("fourth entry fails, three stay")
        << entry("A") + entry("B") + entry("C") + entry("D") << QStringList{"A", "B", "C"} << true;
    QTest::newRow("windows-1252 umlaut")
        << QByteArray("03") + "C46F6B" << QStringList{"\u00C4ok", "", ""} << false;
}

void TestInterpreter::versionInfo()
{
    QFETCH(QByteArray, payload);
    QFETCH(QStringList, texts);
    QFETCH(bool, failure);
    LinkRig rig;
    for (auto &t : rig.zt.data().TextStatus)
        t.set(QStringLiteral("old"));
    rig.interpreter.Comm_InterpretCommand("83", frameOf(0x83, payload));
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(rig.zt.data().TextStatus[i].text().size(), 32);
        QCOMPARE(Tools::RTrim(rig.zt.data().TextStatus[i].text()), texts[i]);
    }
    QCOMPARE(rig.logged(QStringLiteral("Interpreter: Version info holds more than three entries")),
             failure);
    QCOMPARE(rig.pages.calls.contains(QStringLiteral("to")), true);
}

void TestInterpreter::versionCheck_data()
{
    QTest::addColumn<QString>("product");
    QTest::addColumn<QByteArray>("device");
    QTest::addColumn<bool>("ends");
    QTest::newRow("default accepts anything") << "*ZT" << QByteArray("whatever") << false;
    QTest::newRow("device text upper-cased") << "ABC" << QByteArray("xyz abc") << false;
    QTest::newRow("lower-case product never passes") << "abc" << QByteArray("xyz abc") << true;
    QTest::newRow("other product") << "ZT2" << QByteArray("ZT1 V3") << true;
    QTest::newRow("no version info") << "ZT" << QByteArray() << true;
}

void TestInterpreter::versionCheck()
{
    QFETCH(QString, product);
    QFETCH(QByteArray, device);
    QFETCH(bool, ends);
    LinkRig rig;
    rig.zt.setupFlags().ProductVersion = product;
    rig.interpreter.Comm_InterpretCommand(
        "83", frameOf(0x83, device.isEmpty() ? QByteArray() : entry(device)));
    QCOMPARE(rig.op.ended, ends);
    if (ends) {
        QCOMPARE(rig.op.boxes.size(), 1);
        QCOMPARE(
            rig.op.boxes[0].text,
            QStringLiteral("Bitte benutzen Sie die PC-Software-Version '%1'...\r\nDanke!\r\n\r\n"
                           "Please use the pc software version '%1'...\r\nThank you!")
                .arg(product));
        QCOMPARE(rig.op.boxes[0].icon, BoxIcon::Stop);
        QCOMPARE(rig.op.boxes[0].title, rig.op.caption);
        QVERIFY(rig.logged(QStringLiteral("QueryEndProg_NoQuery")));
    } else {
        QCOMPARE(rig.boxTexts(), QStringList{QStringLiteral("Comm_VersionInfo_Received")});
        QCOMPARE(rig.op.boxes[0].icon, BoxIcon::Information);
    }
}

void TestInterpreter::hexData_data()
{
    QTest::addColumn<int>("cols");
    QTest::addColumn<int>("rows");
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<QList<int>>("codes"); // group by group
    QTest::addColumn<bool>("failure");
    QTest::newRow("two groups") << 2 << 2 << QByteArray("0001000203E87FFF")
                                << QList<int>{1, 2, 1000, 32767} << false;
    QTest::newRow("short block fills zeros")
        << 1 << 3 << QByteArray("0102") << QList<int>{258, 0, 0} << false;
    QTest::newRow("payload 21 reads as high byte")
        << 1 << 2 << QByteArray("21") << QList<int>{8448, 0} << false;
    QTest::newRow("surplus ignored") << 1 << 1 << QByteArray("00050006") << QList<int>{5} << false;
    QTest::newRow("negative code refused, earlier codes stay")
        << 1 << 3 << QByteArray("00010203FFFF") << QList<int>{1, 515, 7} << true;
    QTest::newRow("high byte 80 refused") << 1 << 1 << QByteArray("8000") << QList<int>{7} << true;
    QTest::newRow("lower-case digits read as 0")
        << 1 << 1 << QByteArray("00ff") << QList<int>{0} << false;
}

void TestInterpreter::hexData()
{
    QFETCH(int, cols);
    QFETCH(int, rows);
    QFETCH(QByteArray, payload);
    QFETCH(QList<int>, codes);
    QFETCH(bool, failure);
    LinkRig rig;
    rig.zt.setupFlags().ShowMsgBox = false;
    rig.zt.setupFlags().CountKeyCols = qint16(cols);
    rig.zt.setupFlags().CountKeyRows = qint16(rows);
    for (int g = 1; g <= 4; ++g)
        for (int e = 1; e <= 25; ++e)
            rig.zt.data().DataSetDefault.button(g, e) = 7;
    rig.interpreter.Comm_InterpretCommand("85", frameOf(0x85, payload));
    QList<int> got;
    for (int g = 1; g <= cols; ++g)
        for (int e = 1; e <= rows; ++e)
            got << rig.zt.data().DataRecord.button(g, e);
    QCOMPARE(got, codes);
    // Codes beyond the used groups and rows come from the reset image.
    QCOMPARE(rig.zt.data().DataRecord.button(4, 25), qint16(7));
    QCOMPARE(rig.logged(QStringLiteral("  Hex data: ")), failure);
    // The failure stays inside the decoding: the reception itself is reported.
    QVERIFY(rig.statusSeen(QStringLiteral("Comm_Data_Received")));
    QVERIFY(!rig.logged(QStringLiteral("Interpreter:")));
    QVERIFY(!rig.op.hourglass);
}

void TestInterpreter::dataNotAcknowledgedIsDropped()
{
    LinkRig rig;
    rig.zt.setupFlags().CountKeyCols = 1;
    rig.zt.setupFlags().CountKeyRows = 1;
    rig.zt.data().DataRecord.button(1, 1) = 42;
    rig.comm.setPortOpen(false);
    rig.interpreter.Comm_InterpretCommand("85", frameOf(0x85, "0102"));
    QCOMPARE(rig.zt.data().DataRecord.button(1, 1), qint16(42));
    QVERIFY(!rig.logged(QStringLiteral("Comm_Data_Received")));
    QCOMPARE(rig.op.boxes.size(), 1); // the send failure
}

void TestInterpreter::versionInfoFrame()
{
    LinkRig rig;
    rig.zt.data().TextStatus[0].set(QStringLiteral("   "));
    rig.zt.data().TextStatus[1].set(QStringLiteral("Gerät"));
    rig.zt.data().TextStatus[2].set(QStringLiteral("Z"));
    rig.pages.calls.clear();
    QByteArray frame;
    rig.interpreter.BuildVersionInfo(frame);
    QCOMPARE(frame.size(), 1 + 3 * 66 + 1);
    QCOMPARE(frame.mid(1, 66),
             "20" + QByteArray("TextStatus(1)").leftJustified(32, ' ').toHex().toUpper());
    QCOMPARE(frame.mid(67, 12), QByteArray("20476572E474")); // Windows-1252: ä is E4
    QVERIFY(rig.pages.calls.startsWith(QStringLiteral("from")));
}

// Frames as a line delivers them: several in one burst, behind noise, split across bursts.
void TestInterpreter::bursts_data()
{
    QTest::addColumn<QList<QByteArray>>("arrivals");
    QTest::addColumn<QByteArray>("written");
    const QByteArray online = frameOf(0x80);
    QTest::newRow("online test and reset in one burst")
        << QList<QByteArray>{online + frameOf(0x87)} << frameOf(0x81) + frameOf(0x88);
    QTest::newRow("noise in front") << QList<QByteArray>{"\x7F\x91zz\r" + online} << frameOf(0x81);
    QTest::newRow("data block, then online test")
        << QList<QByteArray>{frameOf(0x85, "01020304") + online}
        << frameOf(0x86, "3130") + frameOf(0x81);
    QTest::newRow("split before the terminator, then another")
        << QList<QByteArray>{QByteArray(1, char(0x80)), "\r" + online}
        << frameOf(0x81) + frameOf(0x81);
}

void TestInterpreter::bursts()
{
    QFETCH(QList<QByteArray>, arrivals);
    QFETCH(QByteArray, written);
    LinkRig rig;
    rig.zt.setupFlags().ShowMsgBox = false;
    rig.ct.setTimerInterval(20);
    // Each burst 5 ms after the one before, delivered by the event loop as a line does, so
    // a burst also reaches a collector already waiting for the rest of a frame.
    int delivered = 0;
    for (int i = 0; i < arrivals.size(); ++i)
        QTimer::singleShot(5 * i, &rig.comm, [&rig, &delivered, bytes = arrivals.at(i)] {
            rig.comm.inject(bytes);
            ++delivered;
        });
    Tools::WaitUntil([&] { return delivered == arrivals.size(); }, QDeadlineTimer(5000));
    rig.settle();
    QCOMPARE(rig.comm.written, written);
}

QTEST_GUILESS_MAIN(TestInterpreter)
#include "tst_interpreter.moc"
