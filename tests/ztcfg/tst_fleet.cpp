// ztcfg fleet against simulated devices: many at once, bad ones among them, a stop.
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <csignal>

#include "DevSim.h"
#include "TestFiles.h"
#include "link/Frame.h"

namespace {

struct Result {
    int exit = -1;
    QJsonObject report; // with --json
    QString out, err;
};

Result finish(QProcess &p)
{
    Result r;
    if (p.state() != QProcess::NotRunning && !p.waitForFinished(60000))
        return r;
    r.exit = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
    r.out = QString::fromLocal8Bit(p.readAllStandardOutput());
    r.err = QString::fromLocal8Bit(p.readAllStandardError());
    r.report = QJsonDocument::fromJson(r.out.toUtf8()).object();
    return r;
}

void start(QProcess &p, const QStringList &args)
{
    p.start(DevSim::binDir() + QStringLiteral("/ztcfg"), QStringList{"fleet"} + args);
}

Result fleet(const QStringList &args)
{
    QProcess p;
    start(p, args);
    return finish(p);
}

// name -> "result: reason" of a --json report, for messages and comparisons.
QMap<QString, QString> results(const Result &r)
{
    QMap<QString, QString> m;
    for (const QJsonValue &d : r.report.value("devices").toArray())
        m[d["name"].toString()] = d["result"].toString() + ": " + d["reason"].toString();
    return m;
}

QString why(const Result &r)
{
    return QStringLiteral("exit %1\n%2\n%3").arg(r.exit).arg(r.out, r.err);
}

QString inventory(const DevSim &sim)
{
    return sim.dir() + QStringLiteral("/inventory");
}

} // namespace

class TstFleet : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void refused_data();
    void refused();
    void backupCheckRestore();
    void stop_data();
    void stop();
    void versionRefused();
};

void TstFleet::refused_data()
{
    QTest::addColumn<QByteArray>("inventory");
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exit");
    QTest::addColumn<QString>("err");

    const QByteArray good = "# hall\nhall-1 /dev/null rows=15 cols=3  # first\n";
    const QStringList backup{"backup", "%I", "%D"};
    QTest::newRow("bad line") << good + "hall-2\n" << backup << 2 << "line 3: hall-2 has no port";
    QTest::newRow("duplicate") << good + "HALL-1 /dev/null\n"
                               << backup << 2 << "line 3: the name HALL-1 is given twice";
    QTest::newRow("unsafe name") << QByteArray("../x /dev/null\n") << backup << 2
                                 << "line 1: the name \"../x\" is not safe";
    QTest::newRow("bad rows") << good + "b /dev/null rows=26\n"
                              << backup << 2 << "line 3: \"rows=26\"";
    QTest::newRow("unknown key") << good + "b /dev/null speed=9600\n"
                                 << backup << 2 << "line 3: \"speed=9600\" is not";
    QTest::newRow("no device") << QByteArray("# nothing\n") << backup << 2 << "no device";
    QTest::newRow("restore without --yes")
        << good << QStringList{"restore", "%I", "%D"} << 2 << "--yes";
    QTest::newRow("jobs") << good << backup + QStringList{"--jobs", "33"} << 2 << "--jobs";
    QTest::newRow("no inventory") << QByteArray() << QStringList{"check", "%D/none", "%D"} << 3
                                  << "none is missing";
}

// Refused before anything is sent: nothing is written, the reason names the line.
void TstFleet::refused()
{
    QFETCH(QByteArray, inventory);
    QFETCH(QStringList, args);
    QFETCH(int, exit);
    QFETCH(QString, err);
    QTemporaryDir dir;
    writeRaw(dir.filePath("inv"), inventory);
    for (QString &a : args)
        a.replace("%I", dir.filePath("inv")).replace("%D", dir.filePath("backup"));
    const Result r = fleet(args);
    QVERIFY2(r.exit == exit && r.err.contains(err), qPrintable(why(r)));
    QVERIFY(!QFileInfo::exists(dir.filePath("backup")));
}

// A fleet of three good devices and three bad ones: one that does not answer, one of
// another shape, a port that does not open.
void TstFleet::backupCheckRestore()
{
    QTemporaryDir dir;
    QByteArray codes = QByteArray("1.0").leftJustified(10, ' ') + QByteArray(200, '\0');
    qToLittleEndian<qint16>(1204, codes.data() + 10 + 2 * 1); // A2
    writeRaw(dir.filePath("device.DAT"), codes);
    DevSim good, mute, wide;
    QVERIFY(good.start(
        {"--count", "3", "--inventory", inventory(good), "--data", dir.filePath("device.DAT")}));
    QVERIFY(mute.start({"--no-answer", "84"}));
    QVERIFY(wide.start({"--rows", "25", "--cols", "4"}));
    // And one behind a device server at a real line's pace.
    QProcess tcp;
    tcp.setStandardOutputFile(QProcess::nullDevice());
    tcp.start(DevSim::binDir() + "/ztdevsim",
              {"--tcp", "0", "--baud", "19200", "--inventory", dir.filePath("tcp"), "--data",
               dir.filePath("device.DAT")});
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(dir.filePath("tcp")).size() > 0, 10000);
    const QByteArray goodOnes = readAll(inventory(good)) + readAll(dir.filePath("tcp"));
    const QString tcpName = QString::fromUtf8(goodOnes).section('\n', -2).section(' ', 0, 0);
    writeRaw(dir.filePath("all"), goodOnes + "mute " + mute.link().toUtf8() + "\nwide " +
                                      wide.link().toUtf8() + "\nnone " +
                                      dir.filePath("nothing").toUtf8() + "\n");
    writeRaw(dir.filePath("good"), goodOnes);
    const QString backup = dir.filePath("backup");
    const QStringList json{"--json", "--timeout", "2"};

    Result r = fleet(QStringList{"backup", dir.filePath("all"), backup} + json);
    QVERIFY2(r.exit == 1, qPrintable(why(r)));
    const auto m = results(r);
    QCOMPARE(m.size(), 7);
    const QStringList done{"ztdev-1", "ztdev-2", "ztdev-3", tcpName};
    for (const QString &name : done) {
        QCOMPARE(m[name], QStringLiteral("done: "));
        QCOMPARE(readAll(backup + "/" + name + ".DAT"), codes);
    }
    QVERIFY2(m["mute"].startsWith("failed: ") && m["mute"].contains("85"), qPrintable(m["mute"]));
    QVERIFY2(m["wide"].contains("sent 100 codes, not 15 x 3"), qPrintable(m["wide"]));
    QVERIFY2(m["none"].contains("nothing"), qPrintable(m["none"]));
    QCOMPARE(QDir(backup).entryList(QDir::Files | QDir::Hidden | QDir::Dirs | QDir::NoDotAndDotDot),
             QStringList({tcpName + ".DAT", "ztdev-1.DAT", "ztdev-2.DAT", "ztdev-3.DAT"}));

    r = fleet(QStringList{"check", dir.filePath("good"), backup} + json);
    QVERIFY2(r.exit == 0, qPrintable(why(r)));
    // A key the device does not exchange (D25) does not count; one it does (B3) does.
    QVERIFY(QProcess::execute(DevSim::binDir() + "/ztcfg",
                              {"-q", "set", backup + "/ztdev-2.DAT", "D", "25", "9"}) == 0);
    QVERIFY(QProcess::execute(DevSim::binDir() + "/ztcfg",
                              {"-q", "set", backup + "/ztdev-2.DAT", "B", "3", "77"}) == 0);
    r = fleet(QStringList{"check", dir.filePath("good"), backup} + json);
    QVERIFY2(r.exit == 1, qPrintable(why(r)));
    QCOMPARE(results(r)["ztdev-2"], QStringLiteral("differs: 1 code(s) differ (file -> device)"));
    const QJsonArray expected{QJsonObject{{"key", "B3"}, {"file", 77}, {"device", 0}}};
    QCOMPARE(r.report["devices"][1]["differences"].toArray(), expected);

    r = fleet({"restore", dir.filePath("good"), backup, "--yes"});
    QVERIFY2(r.exit == 0 && r.out.contains("4 of 4 device(s) done"), qPrintable(why(r)));
    r = fleet({"check", dir.filePath("good"), backup});
    QVERIFY2(r.exit == 0, qPrintable(why(r)));

    // A file problem takes precedence over a failed device, and names its file.
    QFile::remove(backup + "/ztdev-3.DAT");
    r = fleet(QStringList{"check", dir.filePath("all"), backup} + json);
    QVERIFY2(r.exit == 3 && results(r)["ztdev-3"].startsWith("file: "), qPrintable(why(r)));
    tcp.terminate();
    tcp.waitForFinished();
}

void TstFleet::stop_data()
{
    QTest::addColumn<int>("signals");
    QTest::addColumn<QStringList>("files"); // in the backup folder afterwards
    QTest::addColumn<QStringList>("results");
    QTest::newRow("once: the running one ends")
        << 1 << QStringList{"ztdev-1.DAT"} << QStringList{"done", "skipped", "skipped"};
    QTest::newRow("twice: ended at once")
        << 2 << QStringList{} << QStringList{"stopped", "skipped", "skipped"};
}

// Ctrl+C while the first of three devices answers slowly: no half file, no work folder.
void TstFleet::stop()
{
    QFETCH(int, signals);
    QFETCH(QStringList, files);
    QFETCH(QStringList, results);
    QTemporaryDir dir;
    DevSim slow;
    QVERIFY(slow.start({"--count", "3", "--inventory", inventory(slow), "--delay", "1500"}));
    QProcess p;
    start(p, {"backup", inventory(slow), dir.filePath("backup"), "--jobs", "1", "--json"});
    QVERIFY(slow.waitFor("ztdev-1 in  84"));
    // Apart: two signals pending at once are one.
    for (int i = 0; i < signals; ++i, QTest::qWait(300))
        ::kill(pid_t(p.processId()), SIGINT);
    const Result r = finish(p);
    QVERIFY2(r.exit == 1 && r.err.contains("Stopping"), qPrintable(why(r)));
    QStringList got;
    for (const QJsonValue &d : r.report["devices"].toArray())
        got << d["result"].toString();
    QCOMPARE(got, results);
    QCOMPARE(QDir(dir.filePath("backup"))
                 .entryList(QDir::Files | QDir::Hidden | QDir::Dirs | QDir::NoDotAndDotDot),
             files);
}

// A device the version check refuses fails alone; the others are backed up all the same.
void TstFleet::versionRefused()
{
    QTemporaryDir dir;
    QByteArray ini = readAll(DevSim::binDir() + "/zteditor.Ini");
    QVERIFY(ini.contains("ProductVersion=*ZT"));
    writeRaw(dir.filePath("zt.Ini"), ini.replace("ProductVersion=*ZT", "ProductVersion=ZT9"));
    DevSim good, old;
    QVERIFY(good.start({"--count", "2", "--inventory", inventory(good)}));
    QVERIFY(old.start({"--no-answer", "84"}));
    writeRaw(dir.filePath("all"), readAll(inventory(good)) + "old " + old.link().toUtf8() + "\n");
    QProcess p;
    start(p, {"backup", dir.filePath("all"), dir.filePath("backup"), "--json", "--timeout", "2",
              "--ini", dir.filePath("zt.Ini")});
    QVERIFY(old.waitFor("in  84"));
    old.command("raw " +
                makeFrame(FrameCode::VersionInfo, versionInfoPayload({"OLD", "", ""})).toHex(' '));
    QVERIFY(old.waitFor("out 83"));
    const Result r = finish(p);
    const auto m = results(r);
    QVERIFY2(r.exit == 1 && m["ztdev-1"] == "done: " && m["ztdev-2"] == "done: " &&
                 m["old"].contains("'ZT9'"),
             qPrintable(why(r)));
}

QTEST_GUILESS_MAIN(TstFleet)
#include "tst_fleet.moc"
