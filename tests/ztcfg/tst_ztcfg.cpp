// ztcfg as the technician runs it: the real program on data files written byte by byte,
// and against the simulated device on a pseudo-terminal.
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include "DevSim.h"
#include "FakeOperator.h"
#include "FakePageBridge.h"
#include "TestFiles.h"
#include "app/CoreContext.h"
#include "app/ProgramFlags.h"
#include "link/QtSerialComm.h"

namespace {

struct Result {
    int exit = -1;
    QString out, err;
};

// A data file from raw bytes: the version field as given (blank-padded to 10), then the
// 100 codes little-endian, all 0 but the ones listed as {index 0..99, code}.
QByteArray dat(const QByteArray &version, const QList<QPair<int, qint16>> &codes = {})
{
    QByteArray bytes = version.leftJustified(10, ' ', true) + QByteArray(200, '\0');
    for (const auto &[k, code] : codes)
        qToLittleEndian<qint16>(code, bytes.data() + 10 + 2 * k);
    return bytes;
}

const QByteArray Chn = "[DATA_CHAN_ENG]\n12=Mic 1\n13=Mic 2\n[DATA_CHAN_GER]\n12=Mikro 1\n";

class Files {
public:
    QTemporaryDir dir;
    QString path(const char *name) const { return dir.filePath(QLatin1String(name)); }
    // %A %B data files, %J codes JSON, %C channel file, %I %O device data files, %N ini.
    QStringList expand(QStringList args, const QString &port = {}) const
    {
        for (QString &a : args)
            a.replace(QStringLiteral("%A"), path("A.DAT"))
                .replace(QStringLiteral("%B"), path("B.DAT"))
                .replace(QStringLiteral("%J"), path("codes.json"))
                .replace(QStringLiteral("%C"), path("z.Chn"))
                .replace(QStringLiteral("%I"), path("IN.DAT"))
                .replace(QStringLiteral("%O"), path("OUT.DAT"))
                .replace(QStringLiteral("%N"), path("z.Ini"))
                .replace(QStringLiteral("%D"), dir.path())
                .replace(QStringLiteral("%P"), port);
        return args;
    }
};

// ztcfg as installed in a portable folder whose settings (the shipped ones, in English)
// it finds by itself: 15 rows x 3 groups.
QTemporaryDir portable;

QString ztcfg()
{
    return portable.filePath(QStringLiteral("ztcfg"));
}

Result run(const QStringList &args, QProcess &process)
{
    process.setProgram(ztcfg());
    process.setArguments(args);
    process.start();
    Result r;
    if (!process.waitForFinished(60000))
        return r;
    r.exit = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
    r.out = QString::fromLocal8Bit(process.readAllStandardOutput());
    r.err = QString::fromLocal8Bit(process.readAllStandardError());
    return r;
}

Result run(const QStringList &args)
{
    QProcess process;
    return run(args, process);
}

QString jsonCodes(int a1)
{
    QStringList groups;
    for (int g = 0; g < 4; ++g) {
        QStringList codes;
        for (int r = 0; r < 25; ++r)
            codes << QString::number(g == 0 && r == 0 ? a1 : g == 3 && r == 24 ? 7 : 0);
        groups << QLatin1Char('[') + codes.join(QStringLiteral(", ")) + QLatin1Char(']');
    }
    return QLatin1Char('[') + groups.join(QStringLiteral(", ")) + QLatin1Char(']');
}

} // namespace

class TstZtcfg : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void files_data();
    void files();
    void device_data();
    void device();
    void portVanishes();
    void instanceSettings();
    void streamTargets();
};

void TstZtcfg::initTestCase()
{
    const QString bin = DevSim::binDir();
    QVERIFY(QFile::copy(bin + QStringLiteral("/ztcfg"), ztcfg()));
    QVERIFY(QFile::copy(bin + QStringLiteral("/zteditor.Dat"),
                        portable.filePath(QStringLiteral("zteditor.Dat"))));
    QByteArray ini = readAll(bin + QStringLiteral("/zteditor.Ini"));
    ini.replace("Language=GER", "Language=ENG");
    writeRaw(portable.filePath(QStringLiteral("zteditor.Ini")), ini);
}

void TstZtcfg::files_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QByteArray>("a");
    QTest::addColumn<QByteArray>("b");
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<int>("exit");
    QTest::addColumn<QString>("out");      // expected in standard output
    QTest::addColumn<QString>("err");      // expected in standard error
    QTest::addColumn<QByteArray>("after"); // A.DAT afterwards; empty: unchanged

    const QByteArray a = dat("1.0", {{0, 12}, {99, 7}});
    const QByteArray b = dat("1.0", {{0, 13}, {99, 7}});
    const QStringList show{"show", "%A"};
    QTest::newRow("show") << show << a << b << QByteArray() << 0 << "version 1.0\nA 1: 12\nA 2: 0\n"
                          << "" << QByteArray();
    QTest::newRow("show last key") << show << a << b << QByteArray() << 0 << "C 25: 0\nD 1: 0\n"
                                   << "" << QByteArray();
    QTest::newRow("show json") << QStringList{"show", "%A", "--json"} << a << b << QByteArray() << 0
                               << "{\"version\": \"1.0\", \"codes\": " + jsonCodes(12) + "}\n"
                               << "" << QByteArray();
    QTest::newRow("show labels") << QStringList{"show", "%A",         "--channels",
                                                "%C",   "--language", "ENG"}
                                 << a << b << QByteArray() << 0
                                 << "A 1: 12  Mic 1\nA 2: 0  (not assigned)\n"
                                 << "" << QByteArray();
    QTest::newRow("show labels json")
        << QStringList{"show", "%A", "--json", "--channels", "%C", "--language", "GER"} << a << b
        << QByteArray() << 0 << "], \"labels\": [[\"Mikro 1\", \"(nicht belegt)\""
        << "" << QByteArray();
    QTest::newRow("show blanks before version")
        << show << dat("  1.0", {{0, 12}}) << b << QByteArray() << 0 << "version 1.0\nA 1: 12\n"
        << "" << QByteArray();
    QTest::newRow("show missing") << QStringList{"show", "%B"} << a << QByteArray() << QByteArray()
                                  << 3 << ""
                                  << "B.DAT was not found" << QByteArray();
    QTest::newRow("show short") << show << a.left(209) << b << QByteArray() << 3 << ""
                                << "209" << QByteArray();
    QTest::newRow("show version 2.0") << show << dat("2.0") << b << QByteArray() << 3 << ""
                                      << "file = '2.0' <> program = '1.0'" << QByteArray();
    QTest::newRow("diff equal") << QStringList{"diff", "%A", "%A"} << a << b << QByteArray() << 0
                                << ""
                                << "" << QByteArray();
    QTest::newRow("diff") << QStringList{"diff", "%A", "%B"} << a << b << QByteArray() << 1
                          << "A 1: 12 -> 13\n"
                          << "" << QByteArray();
    QTest::newRow("diff labels") << QStringList{"diff", "%A", "%B", "--channels", "%C"} << a << b
                                 << QByteArray() << 1 << "A 1: 12 (Mic 1) -> 13 (Mic 2)\n"
                                 << "" << QByteArray();
    QTest::newRow("diff wrong version")
        << QStringList{"diff", "%A", "%B"} << a << dat("x") << QByteArray() << 3 << ""
        << "file = '0.0'" << QByteArray();
    QTest::newRow("set") << QStringList{"set", "%A", "B", "2", "300"} << a << b << QByteArray() << 0
                         << ""
                         << "" << dat("1.0", {{0, 12}, {26, 300}, {99, 7}});
    QTest::newRow("set group number")
        << QStringList{"set", "%A", "4", "25", "0"} << a << b << QByteArray() << 0 << ""
        << "" << dat("1.0", {{0, 12}});
    // The version is written as the editor writes it.
    QTest::newRow("set rewrites") << QStringList{"set", "%A", "a", "1", "5"} << dat(" 1.0") << b
                                  << QByteArray() << 0 << ""
                                  << "" << dat("1.0", {{0, 5}});
    QTest::newRow("set row 26") << QStringList{"set", "%A", "A", "26", "5"} << a << b
                                << QByteArray() << 2 << ""
                                << "ROW 1-25" << QByteArray();
    QTest::newRow("set negative") << QStringList{"set", "%A", "A", "1", "--", "-1"} << a << b
                                  << QByteArray() << 2 << ""
                                  << "CODE 0-32767" << QByteArray();
    QTest::newRow("set short") << QStringList{"set", "%A", "A", "1", "5"} << a.left(100) << b
                               << QByteArray() << 3 << ""
                               << "A.DAT" << QByteArray();
    QTest::newRow("write json") << QStringList{"write", "%B", "--json", "%J"} << dat("1.0") << b
                                << ("{\"codes\": " + jsonCodes(300).toLatin1() + "}") << 0 << ""
                                << "" << QByteArray();
    QTest::newRow("write json 3 groups") << QStringList{"write", "%A", "--json", "%J"} << a << b
                                         << QByteArray("{\"codes\": [[],[],[]]}") << 3 << ""
                                         << "codes.json does not hold the codes" << QByteArray();
    QTest::newRow("write json not json") << QStringList{"write", "%A", "--json", "%J"} << a << b
                                         << QByteArray("{\"codes\": [") << 3 << ""
                                         << "codes.json" << QByteArray();
    QTest::newRow("no subcommand") << QStringList{} << a << b << QByteArray() << 2 << "Usage:"
                                   << "" << QByteArray();
    QTest::newRow("unknown subcommand") << QStringList{"frob"} << a << b << QByteArray() << 2 << ""
                                        << "no subcommand \"frob\"" << QByteArray();
    QTest::newRow("unknown option")
        << QStringList{"show", "%A", "--frob"} << a << b << QByteArray() << 2 << ""
        << "frob" << QByteArray();
    QTest::newRow("help set") << QStringList{"help", "set"} << a << b << QByteArray() << 0
                              << "ztcfg set FILE.DAT GROUP ROW CODE"
                              << "" << QByteArray();
    // Codes no device gives back are shown and can be repaired; a file must be 210 bytes.
    const QByteArray bad = dat("1.0", {{1, -1}});
    QTest::newRow("show marks bad code")
        << show << bad << b << QByteArray() << 0 << "A 2: -1  ! not a code 0-32767\n"
        << "" << QByteArray();
    QTest::newRow("set on bad file")
        << QStringList{"set", "%A", "A", "1", "5"} << bad << b << QByteArray() << 0 << ""
        << "still holds codes outside 0-32767: A 2" << dat("1.0", {{0, 5}, {1, -1}});
    QTest::newRow("set -1 is a value")
        << QStringList{"set", "%A", "A", "1", "-1"} << a << b << QByteArray() << 2 << ""
        << "CODE 0-32767" << QByteArray();
    QTest::newRow("diff long file")
        << QStringList{"diff", "%A", "%B"} << a << a + "x" << QByteArray() << 3 << ""
        << "B.DAT holds 211 bytes, a data file holds 210" << QByteArray();
    QTest::newRow("show folder") << QStringList{"show", "%D"} << a << b << QByteArray() << 3 << ""
                                 << "is a folder, not a data file" << QByteArray();
    QTest::newRow("german only") << QStringList{"show", "%B", "--language", "GER"} << a
                                 << QByteArray() << QByteArray() << 3 << ""
                                 << "B.DAT wurde nicht gefunden.\n"
                                 << QByteArray();
    // Every option acts or is refused.
    QTest::newRow("json on diff") << QStringList{"diff", "%A", "%B", "--json"} << a << b
                                  << QByteArray() << 2 << ""
                                  << "--json has no meaning for diff" << QByteArray();
    QTest::newRow("port on show") << QStringList{"show", "%A", "--port", "/dev/ttyS0"} << a << b
                                  << QByteArray() << 2 << ""
                                  << "--port has no meaning for show" << QByteArray();
    QTest::newRow("option twice") << QStringList{"show", "%A",         "--channels",
                                                 "%C",   "--channels", "%C"}
                                  << a << b << QByteArray() << 2 << ""
                                  << "--channels is given more than once" << QByteArray();
    QTest::newRow("quiet and verbose")
        << QStringList{"show", "%A", "-q", "-v"} << a << b << QByteArray() << 2 << ""
        << "-q and -v exclude each other" << QByteArray();
    QTest::newRow("version") << QStringList{"--version"} << a << b << QByteArray() << 0
                             << "ztcfg 1."
                             << "" << QByteArray();
    QTest::newRow("ini missing") << QStringList{"show", "%A", "--ini", "%N"} << a << b
                                 << QByteArray() << 3 << ""
                                 << "z.Ini was not found" << QByteArray();
}

void TstZtcfg::files()
{
    QFETCH(QStringList, args);
    QFETCH(QByteArray, a);
    QFETCH(QByteArray, b);
    QFETCH(QByteArray, json);
    QFETCH(int, exit);
    QFETCH(QString, out);
    QFETCH(QString, err);
    QFETCH(QByteArray, after);
    Files f;
    writeRaw(f.path("A.DAT"), a);
    if (!b.isEmpty())
        writeRaw(f.path("B.DAT"), b);
    writeRaw(f.path("codes.json"), json);
    writeRaw(f.path("z.Chn"), Chn);

    const Result r = run(f.expand(args));
    QVERIFY2(r.exit == exit,
             qPrintable(QStringLiteral("exit %1: %2%3").arg(r.exit).arg(r.out, r.err)));
    QVERIFY2(r.out.contains(out), qPrintable(r.out));
    QVERIFY2(r.err.contains(err), qPrintable(r.err));
    QCOMPARE(readAll(f.path("A.DAT")), after.isEmpty() ? a : after);
    if (QTest::currentDataTag() == QLatin1String("write json"))
        QCOMPARE(readAll(f.path("B.DAT")), dat("1.0", {{0, 300}, {99, 7}}));
}

void TstZtcfg::device_data()
{
    QTest::addColumn<QStringList>("sim");
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exit");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("err");
    QTest::addColumn<QByteArray>("seen");     // in the device's printout
    QTest::addColumn<QByteArray>("received"); // OUT.DAT afterwards; empty: none written

    // IN.DAT holds these codes; the simulator starts with them where --data %I is given.
    const QStringList port{"--port", "%P", "--timeout", "2"};
    const QStringList all{"--rows", "25", "--cols", "4"};
    const QByteArray in = dat("1.0", {{0, 12}, {1, 258}, {99, 7}});
    QTest::newRow("ping") << QStringList{} << port + QStringList{"ping"} << 0 << ""
                          << "Online test successful" << QByteArray("in  80 0D") << QByteArray();
    QTest::newRow("ping verbose") << QStringList{} << port + QStringList{"-v", "ping"} << 0 << ""
                                  << "out 80 0D" << QByteArray("out 81 0D") << QByteArray();
    QTest::newRow("ping COMn") << QStringList{}
                               << QStringList{"--port", "COM3", "--ini", "%N", "-q", "ping"} << 0
                               << ""
                               << "" << QByteArray("in  80 0D") << QByteArray();
    QTest::newRow("ping no answer")
        << QStringList{"--no-answer", "80"} << port + QStringList{"ping"} << 1 << ""
        << "did not answer (expected answer 81)" << QByteArray("no answer") << QByteArray();
    QTest::newRow("port missing") << QStringList{}
                                  << QStringList{"--port", "/nonexistent/tty", "ping"} << 1 << ""
                                  << "/nonexistent/tty" << QByteArray() << QByteArray();
    QTest::newRow("version") << QStringList{"--status1", "Zentrale 7"}
                             << port + QStringList{"version"} << 0
                             << "Zentrale 7\nFirmware 2.14\nSeriennr. 004711\n"
                             << "" << QByteArray("in  82 0D") << QByteArray();
    QTest::newRow("version no answer")
        << QStringList{"--no-answer", "82"} << port + QStringList{"version"} << 1 << ""
        << "83" << QByteArray() << QByteArray();
    QTest::newRow("receive") << QStringList{"--data", "%I", "--rows", "25", "--cols", "4"}
                             << port + all + QStringList{"receive", "%O"} << 0 << ""
                             << "Data received" << QByteArray("checksum matches the block sent")
                             << in;
    // A block of fewer rows and groups: the keys it does not hold are 0.
    QTest::newRow("receive 3 x 1")
        << QStringList{"--data", "%I", "--rows", "3", "--cols", "1"}
        << port + QStringList{"--rows", "3", "--cols", "1", "receive", "%O"} << 0 << ""
        << "" << QByteArray("checksum matches") << dat("1.0", {{0, 12}, {1, 258}});
    QTest::newRow("receive no answer")
        << QStringList{"--no-answer", "84"} << port + all + QStringList{"receive", "%O"} << 1 << ""
        << "expected answer 85" << QByteArray() << QByteArray();
    // A code the device cannot hold (-1 on the wire is FFFF) is no backup to write.
    QTest::newRow("receive bad code")
        << QStringList{"--data", "%N.DAT", "--rows", "25", "--cols", "4"}
        << port + all + QStringList{"receive", "%O"} << 1 << ""
        << "Error taking over" << QByteArray("in  86") << QByteArray();
    QTest::newRow("send") << QStringList{"--rows", "25", "--cols", "4"}
                          << port + all + QStringList{"send", "%I"} << 0 << ""
                          << "Data transferred" << QByteArray("A1=12 A2=258 D25=7") << QByteArray();
    QTest::newRow("send rows of ini")
        << QStringList{"--rows", "2", "--cols", "1"}
        << QStringList{"--port", "%P", "--ini", "%N", "send", "%I"} << 0 << ""
        << "" << QByteArray("2 code(s)") << QByteArray();
    QTest::newRow("send bad checksum")
        << QStringList{"--bad-checksum"} << port + QStringList{"send", "%I"} << 1 << ""
        << "Checksum error" << QByteArray("wrong checksum") << QByteArray();
    QTest::newRow("send no answer")
        << QStringList{"--no-answer", "85"} << port + QStringList{"send", "%I"} << 1 << ""
        << "expected answer 86" << QByteArray() << QByteArray();
    QTest::newRow("send missing file")
        << QStringList{} << port + QStringList{"send", "%O"} << 3 << ""
        << "OUT.DAT was not found" << QByteArray() << QByteArray();
    QTest::newRow("reset") << QStringList{} << port + QStringList{"reset"} << 0 << ""
                           << "System reset confirmed" << QByteArray("in  87 0D") << QByteArray();
    QTest::newRow("reset no answer")
        << QStringList{"--no-answer", "87"} << port + QStringList{"reset"} << 1 << ""
        << "expected answer 88" << QByteArray() << QByteArray();
    // The shape of the settings found (15 x 3), or of the options, against the device's.
    QTest::newRow("receive 25 x 4 block as 15 x 3")
        << QStringList{"--data", "%I", "--rows", "25", "--cols", "4"}
        << port + QStringList{"receive", "%O"} << 1 << ""
        << "The device sent 100 codes, not 15 x 3 rows x groups = 45" << QByteArray("in  86")
        << QByteArray();
    QTest::newRow("receive 15 x 3 block as 25 x 4")
        << QStringList{"--data", "%I"} << port + all + QStringList{"receive", "%O"} << 1 << ""
        << "sent 45 codes, not 25 x 4" << QByteArray("in  86") << QByteArray();
    QTest::newRow("send -1 codes")
        << QStringList{} << port + QStringList{"send", "%N.DAT"} << 3 << ""
        << "z.Ini.DAT: key A 2 holds -1, a device takes codes 0-32767" << QByteArray()
        << QByteArray();
    QTest::newRow("receive into folder")
        << QStringList{} << port + QStringList{"receive", "%D"} << 3 << ""
        << "is a folder" << QByteArray() << QByteArray();
    QTest::newRow("receive empty name")
        << QStringList{} << port + QStringList{"receive", ""} << 2 << ""
        << "an argument is empty" << QByteArray() << QByteArray();
    QTest::newRow("port empty") << QStringList{} << QStringList{"--port", "", "ping"} << 2 << ""
                                << "--port needs a value" << QByteArray() << QByteArray();
    QTest::newRow("port malformed")
        << QStringList{} << QStringList{"--port", "tcp://host", "ping"} << 2 << ""
        << "--port tcp://host is not a network address" << QByteArray() << QByteArray();
    QTest::newRow("ping json") << QStringList{} << port + QStringList{"--json", "ping"} << 0
                               << "{\"command\": \"ping\", \"port\": \"%P\", \"ok\": true, \"ms\": "
                               << "" << QByteArray("in  80 0D") << QByteArray();
    QTest::newRow("ping json failure")
        << QStringList{"--no-answer", "80"} << port + QStringList{"--json", "ping"} << 1
        << "\"ok\": false, \"ms\": "
        << "did not answer" << QByteArray() << QByteArray();
    QTest::newRow("receive json")
        << QStringList{"--data", "%I"} << port + QStringList{"--json", "receive", "%O"} << 0
        << "\"rows\": 15, \"cols\": 3, \"version\": \"1.0\", \"codes\": [[12, 258, 0,"
        << "" << QByteArray("checksum matches") << dat("1.0", {{0, 12}, {1, 258}});
    QTest::newRow("no port") << QStringList{} << QStringList{"ping"} << 2 << ""
                             << "--port" << QByteArray() << QByteArray();
}

void TstZtcfg::device()
{
    QFETCH(QStringList, sim);
    QFETCH(QStringList, args);
    QFETCH(int, exit);
    QFETCH(QString, out);
    QFETCH(QString, err);
    QFETCH(QByteArray, seen);
    QFETCH(QByteArray, received);
    Files f;
    DevSim device;
    writeRaw(f.path("IN.DAT"), dat("1.0", {{0, 12}, {1, 258}, {99, 7}}));
    writeRaw(f.path("z.Ini.DAT"), dat("1.0", {{0, 12}, {1, -1}}));
    writeRaw(f.path("z.Ini"), "[Main]\r\nCountKeyRows=2\r\nCountKeyCols=1\r\n[Ports]\r\nCOM3=" +
                                  device.link().toLocal8Bit() + "\r\n");
    QVERIFY(device.start(f.expand(sim)));

    const Result r = run(f.expand(args, device.link()));
    QVERIFY2(r.exit == exit,
             qPrintable(QStringLiteral("exit %1: %2%3").arg(r.exit).arg(r.out, r.err)));
    QVERIFY2(r.out.contains(f.expand({out}, device.link())[0]), qPrintable(r.out));
    QVERIFY2(r.err.contains(err), qPrintable(r.err));
    if (!seen.isEmpty())
        QVERIFY2(device.waitFor(seen), device.output().constData());
    if (exit >= 2) // refused before anything went to the device
        QVERIFY2(!device.output().contains("in  8"), device.output().constData());
    QCOMPARE(readAll(f.path("OUT.DAT")), received.isEmpty() ? QByteArray("<missing>") : received);
    // Every failure names the port it happened on.
    if (exit == 1)
        QVERIFY2(r.err.contains(f.expand({args[args.indexOf(QStringLiteral("--port")) + 1]},
                                         device.link())[0]),
                 qPrintable(r.err));
}

void TstZtcfg::portVanishes()
{
    Files f;
    DevSim device;
    QVERIFY(device.start({"--delay", "5000"}));
    QProcess process;
    process.setProgram(ztcfg());
    process.setArguments(
        {"--port", device.link(), "--timeout", "30", "receive", f.path("OUT.DAT")});
    process.start();
    QVERIFY(device.waitFor("in  84"));
    device.kill();
    QVERIFY(process.waitForFinished(60000));
    QCOMPARE(process.exitCode(), 1);
    const QString err = QString::fromLocal8Bit(process.readAllStandardError());
    QVERIFY2(err.contains(device.link()) && err.contains(QStringLiteral("Connection lost")),
             qPrintable(err));
    QCOMPARE(readAll(f.path("OUT.DAT")), QByteArray("<missing>"));
}

// Without --ini, ztcfg reads the shape from the settings the editor uses (15 x 3 here): its
// backup equals the editor's own save of the same device.
void TstZtcfg::instanceSettings()
{
    Files f;
    DevSim device;
    writeRaw(f.path("IN.DAT"), dat("1.0", {{0, 12}, {14, 300}, {25, 7}, {64, 8}, {99, 5}}));
    QVERIFY(device.start(f.expand({"--data", "%I"})));
    const Result r = run({"--port", device.link(), "--timeout", "2", "receive", f.path("OUT.DAT")});
    QVERIFY2(r.exit == 0, qPrintable(r.err));

    const QString ini = portable.filePath(QStringLiteral("zteditor.Ini"));
    FakeOperator op;
    FakePageBridge pages;
    QtSerialComm port(ini);
    CoreContext core(op, pages, port, portable.path(), QStringLiteral("zteditor"), ini);
    core.log.setToFileDisabled(true);
    QCOMPARE(LoadProgramFlags(ini, portable.path(), core.zt.setupFlags()), StartupError::None);
    port.setDevice(device.link());
    QVERIFY(core.comm.Comm_OpenPort());
    core.menu.Interpret_MenuCommand(MenuCommand::RequestDataQuiet);
    core.comm.Comm_WaitForData();
    QString saved = f.path("EDITOR.DAT");
    op.dialogNames << saved;
    core.zt.WriteToDisk(saved);
    core.comm.Comm_ClosePort();
    const Result d = run({"diff", f.path("OUT.DAT"), saved});
    QVERIFY2(d.exit == 0, qPrintable(d.out + d.err));
}

// A target that is no regular file is never replaced: a named pipe and "-" get the bytes as
// a stream, a device node is refused and stays what it is.
void TstZtcfg::streamTargets()
{
    Files f;
    DevSim device;
    const QByteArray data = dat("1.0", {{0, 12}});
    writeRaw(f.path("IN.DAT"), data);
    QVERIFY(device.start(f.expand({"--data", "%I"})));
    const QStringList receive{"--port", device.link(), "--timeout", "2", "-q", "receive"};

    const QString fifo = f.path("pipe");
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    QProcess process;
    process.start(ztcfg(), receive + QStringList{fifo});
    QFile reader(fifo);
    QVERIFY(reader.open(QIODevice::ReadOnly));
    QCOMPARE(reader.readAll(), data);
    QVERIFY(process.waitForFinished(60000));
    QCOMPARE(process.exitCode(), 0);
    struct stat st {};
    QVERIFY(::stat(QFile::encodeName(fifo).constData(), &st) == 0 && S_ISFIFO(st.st_mode));

    process.start(ztcfg(), receive + QStringList{"-"});
    QVERIFY(process.waitForFinished(60000));
    QCOMPARE(process.exitCode(), 0);
    QCOMPARE(process.readAllStandardOutput(), data);

    if (::geteuid() != 0)
        QSKIP("making a device node needs root");
    const QString node = f.path("node");
    QCOMPARE(::mknod(QFile::encodeName(node).constData(), S_IFCHR | 0600, makedev(1, 3)), 0);
    const Result r = run(receive + QStringList{node});
    QCOMPARE(r.exit, 3);
    QVERIFY2(r.err.contains(QStringLiteral("is a character device")), qPrintable(r.err));
    QVERIFY(::stat(QFile::encodeName(node).constData(), &st) == 0 && S_ISCHR(st.st_mode));
}

QTEST_GUILESS_MAIN(TstZtcfg)
#include "tst_ztcfg.moc"
