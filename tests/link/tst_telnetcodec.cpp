// The Telnet/COM-PORT-OPTION codec against byte sequences written from RFC 854 and
// RFC 2217, split across reads where it matters.
#include <QTest>

#include "link/TelnetCodec.h"

namespace {

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(text);
}

} // namespace

class TestTelnetCodec : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void feed_data();
    void feed();
    void commands_data();
    void commands();
};

void TestTelnetCodec::feed_data()
{
    QTest::addColumn<bool>("started"); // our offers went out first
    QTest::addColumn<QList<QByteArray>>("chunks");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QByteArray>("replies");
    QTest::addColumn<bool>("agreed");
    QTest::addColumn<int>("baud");
    QTest::addColumn<int>("modemState");

    using L = QList<QByteArray>;
    QTest::newRow("plain data") << true << L{hex("414280")} << hex("414280") << QByteArray()
                                << false << 0 << 0;
    QTest::newRow("doubled IAC") << true << L{hex("41ffff42")} << hex("41ff42") << QByteArray()
                                 << false << 0 << 0;
    QTest::newRow("doubled IAC split")
        << true << L{hex("41ff"), hex("ff42")} << hex("41ff42") << QByteArray() << false << 0 << 0;
    QTest::newRow("ser2net greeting")
        << true << L{hex("fffb03fffd03fffb01fffe01fffd00fffb00fffd2c")} << QByteArray()
        << hex("fffe01") << true << 0 << 0;
    QTest::newRow("greeting split in commands")
        << true << L{hex("fffb"), hex("03ff"), hex("fd2cff"), hex("fb0141")} << hex("41")
        << hex("fffe01") << true << 0 << 0;
    QTest::newRow("DO COM-PORT unasked")
        << false << L{hex("fffd2c")} << QByteArray() << hex("fffb2c") << true << 0 << 0;
    QTest::newRow("DONT COM-PORT")
        << true << L{hex("fffe2c")} << QByteArray() << QByteArray() << false << 0 << 0;
    QTest::newRow("unknown option refused once")
        << true << L{hex("fffd18fffd18fffb1ffffb1f")} << QByteArray() << hex("fffc18fffe1f")
        << false << 0 << 0;
    QTest::newRow("WONT after WILL answered")
        << true << L{hex("fffb00fffc00")} << QByteArray() << hex("fffe00") << false << 0 << 0;
    QTest::newRow("NOP and GA carry no data")
        << true << L{hex("41fff1fff942")} << hex("4142") << QByteArray() << false << 0 << 0;
    QTest::newRow("baud answer split") << true << L{hex("fffd2cfffa2c6500"), hex("002580fff041")}
                                       << hex("41") << QByteArray() << true << 9600 << 0;
    QTest::newRow("baud answer with doubled IAC")
        << true << L{hex("fffa2c650000ffffff"), hex("fffff0")} << QByteArray() << QByteArray()
        << false << 0xffff << 0;
    QTest::newRow("modem state notified")
        << true << L{hex("fffa2c6bb0fff00d")} << hex("0d") << QByteArray() << false << 0 << 0xb0;
    QTest::newRow("endless subnegotiation dropped")
        << true << L{hex("fffa2c6b"), QByteArray(100000, 'A'), hex("fff042")} << hex("42")
        << QByteArray() << false << 0 << 0;
    QByteArray flapping;
    QByteArray answers;
    for (int i = 0; i < 5000; ++i) {
        flapping += hex("fffb00fffc00");
        answers += hex("fffe00fffd00");
    }
    answers.truncate(3 * TelnetCodec::MaxAnswers); // the first WILL answers our DO
    QTest::newRow("endless renegotiation bounded")
        << true << L{flapping} << QByteArray() << answers << false << 0 << 0;
}

void TestTelnetCodec::feed()
{
    QFETCH(bool, started);
    QFETCH(QList<QByteArray>, chunks);
    QFETCH(QByteArray, data);
    QFETCH(QByteArray, replies);
    QFETCH(bool, agreed);
    QFETCH(int, baud);
    QFETCH(int, modemState);
    TelnetCodec codec;
    if (started)
        QCOMPARE(codec.start().toHex(), QByteArray("fffb2cfffb00fffb03fffd00fffd03"));
    QByteArray gotData;
    QByteArray gotReplies;
    for (const QByteArray &chunk : chunks) {
        codec.feed(chunk);
        gotData += codec.takeData();
        gotReplies += codec.takeReplies();
    }
    QCOMPARE(gotData.toHex(), data.toHex());
    QCOMPARE(gotReplies.toHex(), replies.toHex());
    QCOMPARE(codec.comPortAgreed(), agreed);
    QCOMPARE(int(codec.baudAnswered()), baud);
    QCOMPARE(int(codec.modemState()), modemState);
}

void TestTelnetCodec::commands_data()
{
    QTest::addColumn<QByteArray>("built");
    QTest::addColumn<QByteArray>("wire");
    QTest::newRow("data with IAC") << TelnetCodec::encode(hex("0dff80ff")) << hex("0dffff80ffff");
    QTest::newRow("baud 9600") << TelnetCodec::setBaudRate(9600) << hex("fffa2c0100002580fff0");
    QTest::newRow("baud 115200") << TelnetCodec::setBaudRate(115200) << hex("fffa2c010001c200fff0");
    QTest::newRow("baud with IAC byte")
        << TelnetCodec::setBaudRate(255) << hex("fffa2c01000000fffffff0");
    QTest::newRow("data size 7") << TelnetCodec::setByte(TelnetCodec::SetDataSize, 7)
                                 << hex("fffa2c0207fff0");
}

void TestTelnetCodec::commands()
{
    QFETCH(QByteArray, built);
    QFETCH(QByteArray, wire);
    QCOMPARE(built.toHex(), wire.toHex());
}

QTEST_GUILESS_MAIN(TestTelnetCodec)
#include "tst_telnetcodec.moc"
