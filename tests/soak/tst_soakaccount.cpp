// The soak run's counting: the simulator's printout, the log's entries and memory growth.
#include <QtTest>

#include "SoakAccount.h"

Q_DECLARE_METATYPE(SimEvent::Kind)

class TestSoakAccount : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void simLine_data();
    void simLine();
    void tally_data();
    void tally();
    void logCount_data();
    void logCount();
    void vmRss_data();
    void vmRss();
    void growth_data();
    void growth();
};

void TestSoakAccount::simLine_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<SimEvent::Kind>("kind");
    QTest::addColumn<int>("code");
    QTest::newRow("request out") << "15:18:44.194 out 80 0D | online test request" << SimEvent::Out
                                 << 0x80;
    QTest::newRow("answer in, two blanks")
        << "15:18:44.215 in  81 0D | online test answer" << SimEvent::In << 0x81;
    QTest::newRow("answer with payload")
        << "15:18:31.212 in  83 \"0D5A5420\" 0D | version info: \"ZT\"" << SimEvent::In << 0x83;
    QTest::newRow("noise starts with its first byte")
        << "15:18:30.791 out 41 7E 80 0D | raw" << SimEvent::Out << 0x41;
    QTest::newRow("dropped input")
        << "15:18:30.791 !!  dropped 2 byte(s) outside a frame: 41 42" << SimEvent::Problem << -1;
    QTest::newRow("note") << "15:18:37.835 --  checksum matches the block sent" << SimEvent::Other
                          << -1;
    QTest::newRow("no time in front") << "out 80 0D | online test request" << SimEvent::Other << -1;
    QTest::newRow("word after the direction")
        << "15:18:37.835 in  ACU version" << SimEvent::Other << -1;
    QTest::newRow("lower-case hex is not the printout's")
        << "15:18:37.835 out 8f 0D | raw" << SimEvent::Other << -1;
}

void TestSoakAccount::simLine()
{
    QFETCH(QString, line);
    QFETCH(SimEvent::Kind, kind);
    QFETCH(int, code);
    const SimEvent e = parseSimLine(line);
    QCOMPARE(e.kind, kind);
    QCOMPARE(e.code, code);
}

void TestSoakAccount::tally_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<int>("answer");
    QTest::addColumn<int>("sent");
    QTest::addColumn<int>("answers");
    QTest::addColumn<int>("unexpected");
    QTest::addColumn<int>("problems");
    const QString t = QStringLiteral("10:00:00.000 ");
    QTest::newRow("answered once")
        << QStringList{t + "out 80 0D | x", t + "in  81 0D | y"} << 0x81 << 1 << 1 << 0 << 0;
    QTest::newRow("answered twice")
        << QStringList{t + "out 80 0D | x", t + "in  81 0D | y", t + "in  81 0D | y"} << 0x81 << 1
        << 2 << 0 << 0;
    QTest::newRow("unanswered") << QStringList{t + "out 82 0D | x", t + "--  note"} << 0x83 << 1
                                << 0 << 0 << 0;
    // The program's data block is acknowledged by the simulator: that ack is no request.
    QTest::newRow("data block and the simulator's ack")
        << QStringList{t + "out 84 \"20\" 0D | x", t + "in  85 \"0001\" 0D | y",
                       t + "out 86 \"31\" 0D | z", t + "--  in pieces of 24 byte(s), 3 ms apart"}
        << 0x85 << 1 << 1 << 0 << 0;
    QTest::newRow("split request is one exchange, two pieces")
        << QStringList{t + "out 80 | raw", t + "out 0D | raw", t + "in  81 0D | y"} << 0x81 << 2
        << 1 << 0 << 0;
    QTest::newRow("wrong answer code")
        << QStringList{t + "out 87 0D | x", t + "in  81 0D | y"} << 0x88 << 1 << 0 << 1 << 0;
    QTest::newRow("answer where none is due")
        << QStringList{t + "out 89 \"31322020\" 0D | x", t + "in  81 0D | y"} << -1 << 1 << 0 << 1
        << 0;
    QTest::newRow("broken frame from the program")
        << QStringList{t + "out 80 0D | x", t + "!!  dropped an unterminated frame: 81"} << 0x81
        << 1 << 0 << 0 << 1;
    QTest::newRow("nothing printed") << QStringList{} << 0x81 << 0 << 0 << 0 << 0;
}

void TestSoakAccount::tally()
{
    QFETCH(QStringList, lines);
    QFETCH(int, answer);
    const ExchangeTally t = tallyExchange(lines, answer);
    QTEST(t.sent, "sent");
    QTEST(t.answers, "answers");
    QTEST(t.unexpected, "unexpected");
    QTEST(t.problems, "problems");
}

void TestSoakAccount::logCount_data()
{
    QTest::addColumn<QString>("catalogueText");
    QTest::addColumn<int>("count");
    QTest::newRow("without prefix") << "Daten werden empfangen ..." << 2;
    QTest::newRow("with two blanks in the log") << "Daten gesendet" << 1;
    QTest::newRow("a text that starts a longer one counts alone") << "Zeitüberschreitung" << 1;
    QTest::newRow("placeholder") << "Warte auf Antwort (&) ..." << 1;
    QTest::newRow("placeholder first") << "& Dateien" << 0;
    QTest::newRow("placeholder at the start") << "& gesendet" << 1;
    QTest::newRow("text after the placeholder must match") << "Warte auf Antwort (&) !" << 0;
    QTest::newRow("not there") << "Daten vom Gerät empfangen" << 0;
    QTest::newRow("markers are no entries") << "***** Start *****" << 0;
}

void TestSoakAccount::logCount()
{
    QFETCH(QString, catalogueText);
    const QString log = QStringLiteral(
        "Di  08.12.2026  15:18:20 ***** Start *****\r\n"
        "Di  08.12.2026  15:18:20 >  Init\r\n"
        "Di  08.12.2026  15:18:21 >  Daten werden empfangen ...\r\n"
        "Di  08.12.2026  15:18:21 >    Daten werden gesendet ...\r\n"
        "Di  08.12.2026  15:18:21 >    Daten gesendet\r\n"
        "Di  08.12.2026  15:18:22 >    Warte auf Antwort (86) ...\r\n"
        "Di  08.12.2026  15:18:22 >  Daten werden empfangen ...\r\n"
        "Di  08.12.2026  15:18:23 >    Zeitüberschreitung beim Senden: Das Gerät nimmt keine "
        "Daten an.\r\n"
        "Di  08.12.2026  15:18:24 >    Zeitüberschreitung\r\n"
        "Di  08.12.2026  15:18:25 ***** End   *****\r\n\r\n\r\n");
    const QStringList entries = logEntries(log);
    QCOMPARE(entries.size(), 8);
    QCOMPARE(entries.first(), QStringLiteral("Init"));
    QTEST(countEntries(entries, catalogueText), "count");
}

void TestSoakAccount::vmRss_data()
{
    QTest::addColumn<QString>("status");
    QTest::addColumn<qint64>("kb");
    QTest::newRow("usual") << "Name:\tzteditor\nVmPeak:\t  90000 kB\nVmRSS:\t   45312 kB\n"
                              "RssAnon:\t   20000 kB\n"
                           << qint64(45312);
    QTest::newRow("last line") << "VmHWM:\t 50000 kB\nVmRSS:\t 512 kB" << qint64(512);
    QTest::newRow("ended process") << "Name:\tzteditor\nState:\tZ (zombie)\n" << qint64(-1);
}

void TestSoakAccount::vmRss()
{
    QFETCH(QString, status);
    QTEST(vmRssKb(status), "kb");
}

void TestSoakAccount::growth_data()
{
    QTest::addColumn<QList<MemorySample>>("samples");
    QTest::addColumn<double>("baselineAt");
    QTest::addColumn<qint64>("baselineKb");
    QTest::addColumn<qint64>("peakAfterKb");
    QTest::addColumn<qint64>("lastKb");
    const QList<MemorySample> run = {
        {1, 30000}, {59.5, 40000}, {60.4, 41000}, {61.4, 46000}, {62.4, 42000}};
    QTest::newRow("first sample at or after the minute")
        << run << 60.4 << qint64(41000) << qint64(46000) << qint64(42000);
    QTest::newRow("start-up growth before the minute does not count")
        << QList<MemorySample>{{1, 10000}, {60, 40000}, {61, 40100}} << 60.0 << qint64(40000)
        << qint64(40100) << qint64(40100);
    QTest::newRow("nothing after the baseline")
        << QList<MemorySample>{{1, 10000}, {60, 40000}} << 60.0 << qint64(40000) << qint64(40000)
        << qint64(40000);
    QTest::newRow("run too short") << QList<MemorySample>{{1, 10000}, {30, 12000}} << -1.0
                                   << qint64(-1) << qint64(-1) << qint64(12000);
    QTest::newRow("no samples") << QList<MemorySample>{} << -1.0 << qint64(-1) << qint64(-1)
                                << qint64(-1);
}

void TestSoakAccount::growth()
{
    QFETCH(QList<MemorySample>, samples);
    const MemoryGrowth g = memoryGrowth(samples, 60);
    QTEST(g.baselineAt, "baselineAt");
    QTEST(g.baselineKb, "baselineKb");
    QTEST(g.peakAfterKb, "peakAfterKb");
    QTEST(g.lastKb, "lastKb");
}

QTEST_GUILESS_MAIN(TestSoakAccount)
#include "tst_soakaccount.moc"
