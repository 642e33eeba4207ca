#include "data/DataSet.h"
#include "link/Frame.h"

#include <QTest>

class TstFrame : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void checksum_data();
    void checksum();
    void checksumPositionCounterOverflow();
    void ackFrame_data();
    void ackFrame();
    void completeFrame_data();
    void completeFrame();
    void takeFrames_data();
    void takeFrames();
    void dataBlock_data();
    void dataBlock();
    void versionInfo_data();
    void versionInfo();
};

void TstFrame::checksum_data()
{
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<qint32>("sum");
    QTest::newRow("01020304") << QByteArray("01020304") << 10;
    QTest::newRow("empty") << QByteArray() << 0;
    QTest::newRow("one digit") << QByteArray("5") << 5;
    QTest::newRow("trailing odd digit ignored") << QByteArray("01023") << 3;
    QTest::newRow("three digits") << QByteArray("FF1") << 255;
    QTest::newRow("no modulo") << QByteArray("FFFFFFFF") << 1020;
    QTest::newRow("non-digits count as 0") << QByteArray("zz01") << 1;
    QTest::newRow("longest block") << QByteArray(400, 'F') << 200 * 255;
}

void TstFrame::checksum()
{
    QFETCH(QByteArray, payload);
    QFETCH(qint32, sum);
    QCOMPARE(Comm_Checksum(payload), sum);
}

void TstFrame::checksumPositionCounterOverflow()
{
    // The pair at 32765 is the last one the 16-bit counter can step past.
    QCOMPARE(Comm_Checksum(QByteArray(32764, '0') + "011"), 1);
    QCOMPARE(Comm_Checksum(QByteArray(32768, '0')), -1);
}

void TstFrame::ackFrame_data()
{
    QTest::addColumn<QByteArray>("block");
    QTest::addColumn<QByteArray>("ack");
    QTest::newRow("258 and 772") << QByteArray("01020304")
                                 << QByteArray("\x86"
                                               "3130\r");
    QTest::newRow("empty block") << QByteArray()
                                 << QByteArray("\x86"
                                               "30\r");
    QTest::newRow("three digits") << QByteArray("FFFF")
                                  << QByteArray("\x86"
                                                "353130\r");
}

void TstFrame::ackFrame()
{
    QFETCH(QByteArray, block);
    QFETCH(QByteArray, ack);
    QCOMPARE(makeFrame(FrameCode::ChecksumAck, checksumAckPayload(Comm_Checksum(block))), ack);
}

void TstFrame::completeFrame_data()
{
    QTest::addColumn<QByteArray>("buffer");
    QTest::addColumn<bool>("complete");
    QTest::addColumn<QByteArray>("payload");
    QTest::newRow("online test") << QByteArray("\x80\r") << true << QByteArray();
    QTest::newRow("data request") << QByteArray("\x84"
                                                "20\r")
                                  << true << QByteArray("20");
    QTest::newRow("highest code") << QByteArray("\x90"
                                                "0102\r")
                                  << true << QByteArray("0102");
    QTest::newRow("terminator alone") << QByteArray("\r") << false << QByteArray();
    QTest::newRow("code alone") << QByteArray("\x80") << false << QByteArray();
    QTest::newRow("no terminator yet") << QByteArray("\x85"
                                                     "0102")
                                       << false << QByteArray();
    QTest::newRow("below code range") << QByteArray("\x7F\r") << false << QByteArray();
    QTest::newRow("above code range") << QByteArray("\x91\r") << false << QByteArray();
    QTest::newRow("garbage first") << QByteArray("x\x80\r") << false << QByteArray();
    QTest::newRow("empty") << QByteArray() << false << QByteArray();
}

void TstFrame::completeFrame()
{
    QFETCH(QByteArray, buffer);
    QFETCH(bool, complete);
    QFETCH(QByteArray, payload);
    QCOMPARE(isCompleteFrame(buffer), complete);
    if (complete) {
        QCOMPARE(framePayload(buffer).toByteArray(), payload);
        QCOMPARE(makeFrame(quint8(buffer[0]), payload), buffer);
    }
}

void TstFrame::takeFrames_data()
{
    QTest::addColumn<QByteArray>("buffer");
    QTest::addColumn<QList<QByteArray>>("frames");
    QTest::addColumn<QByteArray>("rest");
    QTest::addColumn<int>("dropped");
    const QByteArray online("\x80\r");
    const QByteArray reset("\x87\r");
    const QByteArray block("\x85"
                           "0102\r");
    QTest::newRow("two frames in one burst")
        << online + reset << QList<QByteArray>{online, reset} << QByteArray() << 0;
    QTest::newRow("junk in front")
        << "xy\r" + online << QList<QByteArray>{online} << QByteArray() << 3;
    QTest::newRow("data block then online test")
        << block + online << QList<QByteArray>{block, online} << QByteArray() << 0;
    QTest::newRow("incomplete tail stays") << online + QByteArray("\x85"
                                                                  "01")
                                           << QList<QByteArray>{online}
                                           << QByteArray("\x85"
                                                         "01")
                                           << 0;
    QTest::newRow("frame cut short by the next command")
        << QByteArray("\x85"
                      "01") +
               online
        << QList<QByteArray>{online} << QByteArray() << 3;
    QTest::newRow("junk only") << QByteArray("\x7F\x91\r12") << QList<QByteArray>{} << QByteArray()
                               << 5;
    QTest::newRow("junk between frames and after")
        << online + "zz" + reset + "\r" << QList<QByteArray>{online, reset} << QByteArray() << 3;
}

void TstFrame::takeFrames()
{
    QFETCH(QByteArray, buffer);
    QFETCH(QList<QByteArray>, frames);
    QFETCH(QByteArray, rest);
    QFETCH(int, dropped);
    QCOMPARE(holdsFrame(buffer), !frames.isEmpty());
    for (const QByteArray &f : frames)
        QVERIFY(holdsFrame(buffer, quint8(f[0])));
    QVERIFY(!holdsFrame(buffer, 0x89));
    qsizetype count = 0;
    QCOMPARE(::takeFrames(buffer, count), frames);
    QCOMPARE(buffer, rest);
    QCOMPARE(int(count), dropped);
}

void TstFrame::dataBlock_data()
{
    QTest::addColumn<int>("cols");
    QTest::addColumn<int>("rows");
    QTest::addColumn<QByteArray>("payload");
    // Codes: A1=258, A2=772, B1=-1, D25=5; everything else 0.
    QTest::newRow("one group, two rows") << 1 << 2 << QByteArray("01020304");
    QTest::newRow("two groups, one row") << 2 << 1 << QByteArray("0102FFFF");
    QTest::newRow("defaults") << 3 << 15
                              << QByteArray("01020304") + QByteArray(13 * 4, '0') + "FFFF" +
                                     QByteArray(14 * 4 + 15 * 4, '0');
    QTest::newRow("full grid ends with D25")
        << 4 << 25
        << QByteArray("01020304") + QByteArray(23 * 4, '0') + "FFFF" +
               QByteArray(24 * 4 + 25 * 4 + 24 * 4, '0') + "0005";
    QTest::newRow("out of range held to full grid")
        << 9 << 99
        << QByteArray("01020304") + QByteArray(23 * 4, '0') + "FFFF" +
               QByteArray(24 * 4 + 25 * 4 + 24 * 4, '0') + "0005";
    QTest::newRow("zero held to one code") << 0 << 0 << QByteArray("0102");
}

void TstFrame::dataBlock()
{
    QFETCH(int, cols);
    QFETCH(int, rows);
    QFETCH(QByteArray, payload);
    ButtonRecord record;
    record.button(1, 1) = 258;
    record.button(1, 2) = 772;
    record.button(2, 1) = -1;
    record.button(4, 25) = 5;
    QCOMPARE(dataBlockPayload(record, cols, rows), payload);
}

void TstFrame::versionInfo_data()
{
    QTest::addColumn<QString>("text1");
    QTest::addColumn<QString>("text2");
    QTest::addColumn<QString>("text3");
    QTest::addColumn<QByteArray>("entry1");
    QTest::addColumn<QByteArray>("entry2");
    const QByteArray blanks30 = QByteArray(30, ' ').toHex().toUpper();
    const QByteArray blanks19 = QByteArray(19, ' ').toHex().toUpper();
    const QByteArray textStatus2 = QByteArray("TextStatus(2)").toHex().toUpper();
    QTest::newRow("short texts padded")
        << QStringLiteral("ZT") << QStringLiteral("  ") << QStringLiteral("x")
        << QByteArray("5A54") + blanks30 << textStatus2 + blanks19;
    QTest::newRow("long text cut, umlaut one byte")
        << QStringLiteral("ä").repeated(40) << QString() << QStringLiteral("x")
        << QByteArray("E4").repeated(32) << textStatus2 + blanks19;
}

void TstFrame::versionInfo()
{
    QFETCH(QString, text1);
    QFETCH(QString, text2);
    QFETCH(QString, text3);
    QFETCH(QByteArray, entry1);
    QFETCH(QByteArray, entry2);
    const QByteArray payload = versionInfoPayload({text1, text2, text3});
    QCOMPARE(payload.size(), 3 * 66);
    QCOMPARE(payload.mid(0, 2), QByteArray("20"));
    QCOMPARE(payload.mid(2, 64), entry1);
    QCOMPARE(payload.mid(66, 2), QByteArray("20"));
    QCOMPARE(payload.mid(68, 64), entry2);
    QCOMPARE(payload.mid(132, 4), QByteArray("2078"));
}

QTEST_GUILESS_MAIN(TstFrame)
#include "tst_frame.moc"
