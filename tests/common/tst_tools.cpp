#include "common/Tools.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TstTools : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void byteToHex_data();
    void byteToHex();
    void hexToByte_data();
    void hexToByte();
    void highLowByte_data();
    void highLowByte();
    void stringToHex_data();
    void stringToHex();
    void hexToString_data();
    void hexToString();
    void cp1252RoundTrip_data();
    void cp1252RoundTrip();
    void cp1252AllBytesSurvive();
    void valOf_data();
    void valOf();
    void fileExists_data();
    void fileExists();
    void waitUntilEndsAtDeadline();
};

void TstTools::byteToHex_data()
{
    QTest::addColumn<int>("value");
    QTest::addColumn<QByteArray>("hex");
    QTest::newRow("10") << 10 << QByteArray("0A");
    QTest::newRow("255") << 255 << QByteArray("FF");
    QTest::newRow("0") << 0 << QByteArray("00");
    QTest::newRow("256 keeps last two digits") << 256 << QByteArray("00");
    QTest::newRow("signed char byte") << int(char(0xE4)) << QByteArray("E4");
}

void TstTools::byteToHex()
{
    QFETCH(int, value);
    QFETCH(QByteArray, hex);
    QCOMPARE(Tools::ByteToHex(value), hex);
}

void TstTools::hexToByte_data()
{
    QTest::addColumn<QByteArray>("hex");
    QTest::addColumn<int>("value");
    QTest::newRow("0A") << QByteArray("0A") << 10;
    QTest::newRow("FF") << QByteArray("FF") << 255;
    QTest::newRow("empty") << QByteArray() << 0;
    QTest::newRow("single 0") << QByteArray("0") << 0;
    QTest::newRow("single digit padded left") << QByteArray("7") << 7;
    QTest::newRow("lower case not a digit") << QByteArray("0a") << 0;
    QTest::newRow("1Z") << QByteArray("1Z") << 15;
    QTest::newRow("Z1 below zero") << QByteArray("Z1") << 0;
    QTest::newRow("only first two count") << QByteArray("123") << 0x12;
}

void TstTools::hexToByte()
{
    QFETCH(QByteArray, hex);
    QFETCH(int, value);
    QCOMPARE(Tools::HexToByte(hex), value);
}

void TstTools::highLowByte_data()
{
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("high");
    QTest::addColumn<int>("low");
    QTest::addColumn<QByteArray>("word");
    QTest::newRow("-1") << -1 << 255 << 255 << QByteArray("FFFF");
    QTest::newRow("258") << 258 << 1 << 2 << QByteArray("0102");
    QTest::newRow("0") << 0 << 0 << 0 << QByteArray("0000");
    QTest::newRow("32767") << 32767 << 127 << 255 << QByteArray("7FFF");
    QTest::newRow("-32768") << -32768 << 128 << 0 << QByteArray("8000");
}

void TstTools::highLowByte()
{
    QFETCH(int, value);
    QFETCH(int, high);
    QFETCH(int, low);
    QFETCH(QByteArray, word);
    QCOMPARE(Tools::HighByte(qint16(value)), high);
    QCOMPARE(Tools::LowByte(qint16(value)), low);
    QCOMPARE(Tools::WordToHex(qint16(value)), word);
}

void TstTools::stringToHex_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("hex");
    QTest::newRow("empty") << QString() << QByteArray();
    QTest::newRow("blanks") << QStringLiteral("    ") << QByteArray();
    QTest::newRow("blanks inside kept") << QStringLiteral("12  ") << QByteArray("31322020");
    QTest::newRow("umlaut") << QStringLiteral("ä") << QByteArray("E4");
    QTest::newRow("euro") << QStringLiteral("€") << QByteArray("80");
    QTest::newRow("outside code page") << QStringLiteral("Ω") << QByteArray("3F");
}

void TstTools::stringToHex()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, hex);
    QCOMPARE(Tools::StringToHex(text), hex);
}

void TstTools::hexToString_data()
{
    QTest::addColumn<QByteArray>("hex");
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << QByteArray() << QString();
    QTest::newRow("blanks") << QByteArray("  ") << QString();
    QTest::newRow("even") << QByteArray("3130") << QStringLiteral("10");
    QTest::newRow("odd length, last digit padded") << QByteArray("31309") << QStringLiteral("10\t");
    QTest::newRow("umlaut and euro") << QByteArray("E480") << QStringLiteral("ä€");
}

void TstTools::hexToString()
{
    QFETCH(QByteArray, hex);
    QFETCH(QString, text);
    QCOMPARE(Tools::HexToString(hex), text);
}

void TstTools::cp1252RoundTrip_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("ascii") << QStringLiteral("ZT 2.14") << QByteArray("ZT 2.14");
    QTest::newRow("umlauts") << QStringLiteral("äöüß") << QByteArray("\xE4\xF6\xFC\xDF");
    QTest::newRow("euro and quotes") << QStringLiteral("€„“") << QByteArray("\x80\x84\x93");
}

void TstTools::cp1252RoundTrip()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QCOMPARE(Tools::toCp1252(text), bytes);
    QCOMPARE(Tools::fromCp1252(bytes), text);
}

// Payload bytes from the device must come back unchanged when sent again.
void TstTools::cp1252AllBytesSurvive()
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all += char(b);
    QCOMPARE(Tools::toCp1252(Tools::fromCp1252(all)), all);
    QCOMPARE(Tools::StringToHex(Tools::HexToString(Tools::StringToHex(Tools::fromCp1252(all)))),
             Tools::StringToHex(Tools::fromCp1252(all)));
}

void TstTools::valOf_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint64>("lenient");
    QTest::addColumn<bool>("isNumber");
    QTest::addColumn<qint64>("strict");
    QTest::addColumn<bool>("isSigned"); // NumberOf: the text alone, sign allowed
    QTest::addColumn<qint64>("signedValue");
    QTest::newRow("empty") << QString() << qint64(0) << true << qint64(0) << false << qint64(0);
    QTest::newRow("12abc") << QStringLiteral("12abc") << qint64(12) << false << qint64(0) << false
                           << qint64(0);
    QTest::newRow("blanks around")
        << QStringLiteral(" 7 ") << qint64(7) << true << qint64(7) << true << qint64(7);
    QTest::newRow("fraction") << QStringLiteral("1.9") << qint64(1) << true << qint64(1) << true
                              << qint64(1);
    QTest::newRow("abc") << QStringLiteral("abc") << qint64(0) << false << qint64(0) << false
                         << qint64(0);
    // "0" is put in front, so a minus sign ends the number.
    QTest::newRow("-5") << QStringLiteral("-5") << qint64(0) << false << qint64(0) << true
                        << qint64(-5);
    QTest::newRow("-1.5 rounds down")
        << QStringLiteral("-1.5") << qint64(0) << false << qint64(0) << true << qint64(-2);
    QTest::newRow("sign alone") << QStringLiteral("-") << qint64(0) << false << qint64(0) << false
                                << qint64(0);
    QTest::newRow("exponent") << QStringLiteral("2e3") << qint64(2000) << true << qint64(2000)
                              << true << qint64(2000);
}

void TstTools::valOf()
{
    QFETCH(QString, text);
    QFETCH(qint64, lenient);
    QFETCH(bool, isNumber);
    QFETCH(qint64, strict);
    QFETCH(bool, isSigned);
    QFETCH(qint64, signedValue);
    QCOMPARE(Tools::ValOf(text), lenient);
    qint64 out = -99;
    QCOMPARE(Tools::ValOfChecked(text, out), isNumber);
    if (isNumber)
        QCOMPARE(out, strict);
    QCOMPARE(Tools::NumberOf(text, out), isSigned);
    if (isSigned)
        QCOMPARE(out, signedValue);
}

void TstTools::fileExists_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("exists");
    QTest::newRow("file") << QStringLiteral("%1/data.Dat") << true;
    QTest::newRow("file with blanks around") << QStringLiteral(" %1/data.Dat ") << true;
    QTest::newRow("folder") << QStringLiteral("%1/folder") << false;
    QTest::newRow("hidden") << QStringLiteral("%1/.hidden") << false;
    QTest::newRow("missing") << QStringLiteral("%1/missing.Dat") << false;
    QTest::newRow("wildcard match") << QStringLiteral("%1/*.Dat") << true;
    QTest::newRow("wildcard no match") << QStringLiteral("%1/*.Log") << false;
    QTest::newRow("wildcard only folder") << QStringLiteral("%1/fold?r") << false;
    QTest::newRow("empty") << QString() << false;
}

void TstTools::fileExists()
{
    QFETCH(QString, name);
    QFETCH(bool, exists);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    for (const char *f : {"data.Dat", ".hidden"}) {
        QFile file(dir.filePath(QString::fromLatin1(f)));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("folder")));
    QCOMPARE(Tools::FileExists(name.isEmpty() ? name : name.arg(dir.path())), exists);
}

// The wait must come back by itself once its deadline has passed, with no other events.
void TstTools::waitUntilEndsAtDeadline()
{
    int calls = 0;
    QVERIFY(!Tools::WaitUntil(
        [&] {
            ++calls;
            return false;
        },
        QDeadlineTimer(50)));
    QVERIFY(calls >= 1);
    QVERIFY(Tools::WaitUntil([] { return true; }, QDeadlineTimer(QDeadlineTimer::Forever)));
}

QTEST_GUILESS_MAIN(TstTools)
#include "tst_tools.moc"
