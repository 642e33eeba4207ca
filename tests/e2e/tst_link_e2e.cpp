// The device link end to end: the simulated device on a pseudo-terminal, the real
// serial-port adapter, and the program's commands and reactions.
#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include "DevSim.h"
#include "FakeOperator.h"
#include "FakePageBridge.h"
#include "Ser2net.h"
#include "StringSink.h"
#include "app/CoreContext.h"
#include "common/Tools.h"
#include "link/QtSerialComm.h"

namespace {

QString simulatorPath()
{
    return qEnvironmentVariable("ZT_BIN_DIR") + QStringLiteral("/ztdevsim");
}

// The simulator with the device end of a pseudo-terminal; its printout is what the device saw.
class Simulator {
public:
    bool start(const QString &link, const QStringList &extra = {})
    {
        m_output.clear();
        m_process.setProgram(simulatorPath());
        m_process.setArguments(QStringList{QStringLiteral("--pty"), link, QStringLiteral("--cols"),
                                           QStringLiteral("1"), QStringLiteral("--rows"),
                                           QStringLiteral("3")} +
                               extra);
        m_process.start();
        return m_process.waitForStarted(5000) && waitFor(QStringLiteral("--  ready"));
    }
    ~Simulator()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.terminate();
            m_process.waitForFinished(5000);
        }
    }
    void command(const QByteArray &line) { m_process.write(line + '\n'); }
    QString output()
    {
        m_output += QString::fromLocal8Bit(m_process.readAllStandardOutput());
        return m_output;
    }
    bool waitFor(const QString &text)
    {
        return Tools::WaitUntil([&] { return output().contains(text); }, QDeadlineTimer(10000));
    }
    // The device stops reading: what the program sends piles up in the line.
    void pause() { ::kill(pid_t(m_process.processId()), SIGSTOP); }
    // Ends as a device is unplugged: the pseudo-terminal closes and the link to it goes.
    void stop()
    {
        m_process.terminate();
        m_process.waitForFinished(5000);
    }
    void kill()
    {
        m_process.kill();
        m_process.waitForFinished(5000);
    }

private:
    QProcess m_process;
    QString m_output;
};

struct E2eRig {
    QTemporaryDir dir;
    QString ini = dir.filePath(QStringLiteral("zteditor.Ini"));
    QString link = dir.filePath(QStringLiteral("ztdev"));
    FakeOperator op;
    FakePageBridge pages;
    StringSink sink;
    QtSerialComm comm{ini};
    CoreContext core{op, pages, comm, dir.path(), QStringLiteral("zteditor"), ini};
    ZtTools &zt = core.zt;
    CommTools &ct = core.comm;
    MenuCommands &menu = core.menu;
    Simulator sim;
    Ser2net server;

    // line: "direct" to the simulator's pty, or "tcp"/"rfc2217" through ser2net; over
    // RFC 2217 the program asks for 38400 baud where ser2net starts the line at 19200.
    bool start(const QStringList &simOptions = {}, const QString &line = QStringLiteral("direct"))
    {
        const bool direct = line == QLatin1String("direct");
        if (!sim.start(link, simOptions) || (!direct && !server.start(line, link, dir.path())))
            return false;
        // The shipped catalogue, with the port pointed at the simulator.
        if (!DevSim::writeSettings(
                ini, "[Comm]\r\nPort=1\r\nSettings=" +
                         QByteArray(line == QLatin1String("rfc2217") ? "38400" : "19200") +
                         ",N,8,1\r\nTimeOut=2\r\nTimerInterval=50\r\n"
                         "ShowCancelDialog=no\r\n[Ports]\r\nCOM1=" +
                         (direct ? link : server.address()).toLocal8Bit() + "\r\n"))
            return false;
        core.messages.setLanguage(QStringLiteral("ENG"));
        zt.setupFlags().ShowMsgBox = false;
        zt.setupFlags().CountKeyCols = 1;
        zt.setupFlags().CountKeyRows = 3;
        core.log.OpenLog(dir.filePath(QStringLiteral("zteditor.Log")), &sink);
        zt.ClearDataSet();
        for (auto &t : zt.data().TextStatus)
            t.set(QString());
        return ct.Comm_LoadSettings(comm) == 0 && ct.Comm_OpenPort();
    }

    // The speed the device's line runs at, as whoever opened it last set it.
    int lineSpeed() const
    {
        const int fd =
            ::open(QFile::encodeName(link).constData(), O_RDONLY | O_NOCTTY | O_NONBLOCK);
        termios tio{};
        const bool ok = fd >= 0 && ::tcgetattr(fd, &tio) == 0;
        if (fd >= 0)
            ::close(fd);
        const speed_t s = ok ? ::cfgetospeed(&tio) : B0;
        return s == B19200 ? 19200 : s == B38400 ? 38400 : -1;
    }

    // Lets the answer that the program awaits reach the interpreter.
    void settle()
    {
        Tools::WaitUntil([&] { return ct.CommInBuffer().isEmpty(); }, QDeadlineTimer(5000));
        Tools::WaitWithEvents(150);
    }
};

} // namespace

class TestLinkE2e : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void menuCommands_data();
    void menuCommands();
    void deviceStarted_data();
    void deviceStarted();
    void silentDeviceEndsAtTimeOut_data();
    void silentDeviceEndsAtTimeOut();
    void farEndHangsUp_data();
    void farEndHangsUp();
    void farEndHangsUpInTransmit_data();
    void farEndHangsUpInTransmit();
    void unpluggedAndBack_data();
    void unpluggedAndBack();
};

void TestLinkE2e::initTestCase()
{
    if (!QFile::exists(simulatorPath()))
        QSKIP("ztdevsim is not built");
}

// Rows over a device server need ser2net; without it they are skipped.
static void requireLine(const QString &line)
{
    if (line != QLatin1String("direct") && Ser2net::program().isEmpty())
        QSKIP("ser2net is not installed (scripts/setup.sh installs it)");
}

void TestLinkE2e::menuCommands_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("deviceSaw");
    QTest::addColumn<QString>("status");
    QTest::addColumn<QString>("line");
    QTest::newRow("5 send data") << 5 << "in  85 \"0102FFFF0000\" 0D"
                                 << "Data transferred to the device successfully"
                                 << "direct";
    QTest::newRow("107 send data") << 107 << "in  85 \"0102FFFF0000\" 0D"
                                   << "Data transferred to the device successfully"
                                   << "direct";
    QTest::newRow("6 request data") << 6 << "in  84 \"20\" 0D"
                                    << "Data received from the device"
                                    << "direct";
    QTest::newRow("106 request data") << 106 << "in  84 \"20\" 0D"
                                      << "Data received from the device"
                                      << "direct";
    QTest::newRow("7 reset") << 7 << "in  87 0D"
                             << "System reset confirmed by the device"
                             << "direct";
    QTest::newRow("8 version") << 8 << "in  82 0D"
                               << "Version information received"
                               << "direct";
    QTest::newRow("9 online test") << 9 << "in  80 0D"
                                   << "Online test successful: the device answers."
                                   << "direct";
    QTest::newRow("108 ACU") << 108 << "in  89 \"31322020\" 0D"
                             << "ACU Versionsnummer übertragen"
                             << "direct";
    QTest::newRow("109 CAN bus") << 109 << "in  90 \"0102\" 0D"
                                 << "CanBus Adresse übertragen"
                                 << "direct";
    for (const char *line : {"tcp", "rfc2217"}) {
        const QString over = QStringLiteral(" over ") + QLatin1String(line);
        QTest::newRow(qPrintable("5 send data" + over))
            << 5 << "in  85 \"0102FFFF0000\" 0D"
            << "Data transferred to the device successfully" << line;
        QTest::newRow(qPrintable("6 request data" + over))
            << 6 << "in  84 \"20\" 0D"
            << "Data received from the device" << line;
        QTest::newRow(qPrintable("8 version" + over)) << 8 << "in  82 0D"
                                                      << "Version information received" << line;
    }
}

void TestLinkE2e::menuCommands()
{
    QFETCH(int, number);
    QFETCH(QString, deviceSaw);
    QFETCH(QString, status);
    QFETCH(QString, line);
    requireLine(line);
    E2eRig rig;
    QVERIFY(rig.start({}, line));
    rig.zt.data().DataRecord.button(1, 1) = 258;
    rig.zt.data().DataRecord.button(1, 2) = -1;
    rig.zt.data().ACUVersion.set(QStringLiteral("12"));
    rig.zt.data().CanBusAddr = 258;
    rig.menu.Interpret_MenuCommand(MenuCommand(number));
    rig.settle();
    QVERIFY2(rig.sim.waitFor(deviceSaw), qPrintable(rig.sim.output()));
    QCOMPARE(rig.op.status.trimmed(), status);
    QVERIFY2(!rig.sim.output().contains(QStringLiteral("!!")), qPrintable(rig.sim.output()));
    if (line != QLatin1String("direct"))
        QCOMPARE(rig.lineSpeed(), line == QLatin1String("rfc2217") ? 38400 : 19200);

    if (number == 5 || number == 107) {
        // What the device stored comes back unchanged.
        rig.zt.data().DataRecord.button(1, 1) = 0;
        rig.menu.Interpret_MenuCommand(MenuCommand::RequestDataQuiet);
        rig.settle();
        QCOMPARE(rig.zt.data().DataRecord.button(1, 1), qint16(258));
        QCOMPARE(rig.zt.data().DataRecord.button(1, 3), qint16(0));
        // A negative code goes out but is refused on its way back.
        QVERIFY(rig.sink.text().contains(QStringLiteral("Error taking over the received data")));
    }
    if (number == 8)
        QCOMPARE(Tools::RTrim(rig.zt.data().TextStatus[0].text()),
                 QStringLiteral("ZT DerUvav Zentrale"));
}

void TestLinkE2e::deviceStarted_data()
{
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<QString>("deviceSaw");
    QTest::addColumn<QString>("line");
    QTest::newRow("online test") << QByteArray("online-test") << "in  81 0D"
                                 << "direct";
    QTest::newRow("version") << QByteArray("version") << "in  83 \"20"
                             << "direct";
    QTest::newRow("request data") << QByteArray("request-data") << "in  85 \"000700000000\" 0D"
                                  << "direct";
    QTest::newRow("send data") << QByteArray("send-data") << "in  86 \"30\" 0D"
                               << "direct";
    QTest::newRow("reset") << QByteArray("reset") << "in  88 0D"
                           << "direct";
    QTest::newRow("ACU version") << QByteArray("acu AB") << "out 89 \"41422020\" 0D"
                                 << "direct";
    for (const char *line : {"tcp", "rfc2217"}) {
        const QString over = QStringLiteral(" over ") + QLatin1String(line);
        QTest::newRow(qPrintable("online test" + over))
            << QByteArray("online-test") << "in  81 0D" << line;
        QTest::newRow(qPrintable("request data" + over))
            << QByteArray("request-data") << "in  85 \"000700000000\" 0D" << line;
    }
}

void TestLinkE2e::deviceStarted()
{
    QFETCH(QByteArray, command);
    QFETCH(QString, deviceSaw);
    QFETCH(QString, line);
    requireLine(line);
    E2eRig rig;
    QVERIFY(rig.start({}, line));
    rig.zt.data().DataRecord.button(1, 1) = 7;
    rig.sim.command(command);
    if (command == "request-data") {
        QVERIFY(
            Tools::WaitUntil([&] { return rig.op.sendDataTimer == 100; }, QDeadlineTimer(5000)));
        rig.menu.timSendData_Timer();
    }
    QVERIFY2(rig.sim.waitFor(deviceSaw), qPrintable(rig.sim.output()));
    rig.settle();
    if (command == "acu AB") {
        QVERIFY(Tools::WaitUntil(
            [&] { return rig.zt.data().ACUVersion.text() == QStringLiteral("AB  "); },
            QDeadlineTimer(5000)));
    }
    if (command == "send-data" || command == "reset")
        QCOMPARE(rig.zt.data().DataRecord.button(1, 1), qint16(0));
}

void TestLinkE2e::silentDeviceEndsAtTimeOut_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<int>("request"); // the code the device leaves unanswered
    QTest::addColumn<int>("answer");
    QTest::newRow("5 send data") << 5 << 0x85 << 0x86;
    QTest::newRow("6 request data") << 6 << 0x84 << 0x85;
    QTest::newRow("7 reset") << 7 << 0x87 << 0x88;
    QTest::newRow("8 version") << 8 << 0x82 << 0x83;
    QTest::newRow("9 online test") << 9 << 0x80 << 0x81;
}

// The wait for an answer that never comes ends at TimeOut (2 s here) with a message that
// names the answer; the port stays open and the next exchange goes through.
void TestLinkE2e::silentDeviceEndsAtTimeOut()
{
    QFETCH(int, number);
    QFETCH(int, request);
    QFETCH(int, answer);
    E2eRig rig;
    QVERIFY(rig.start({QStringLiteral("--no-answer"), QString::number(request, 16)}));
    rig.zt.setupFlags().ShowMsgBox = true;
    rig.menu.Interpret_MenuCommand(MenuCommand(number));
    QVERIFY2(rig.sim.waitFor(QStringLiteral("in  %1").arg(request, 0, 16)),
             qPrintable(rig.sim.output()));
    // After the confirmation that sending, requesting and reset ask for.
    QCOMPARE(rig.op.boxes.size(), number <= 7 ? 2 : 1);
    QCOMPARE(rig.op.boxes.last().text,
             QStringLiteral("The device did not answer (expected answer %1). Please check the "
                            "connection and the device.")
                 .arg(answer, 0, 16));
    QVERIFY(rig.ct.CommPortOpen());
    QVERIFY(!rig.ct.CommWaitingForResponse());

    rig.zt.setupFlags().ShowMsgBox = false;
    const bool online = number != 9;
    rig.menu.Interpret_MenuCommand(online ? MenuCommand::OnlineTest : MenuCommand::VersionInfo);
    rig.settle();
    QCOMPARE(rig.op.status.trimmed(), online ? QStringLiteral("Online test successful: the "
                                                              "device answers.")
                                             : QStringLiteral("Version information received"));
}

void TestLinkE2e::farEndHangsUp_data()
{
    QTest::addColumn<QString>("line"); // over a device server, the server goes away
    QTest::newRow("direct") << "direct";
    QTest::newRow("tcp") << "tcp";
    QTest::newRow("rfc2217") << "rfc2217";
}

void TestLinkE2e::farEndHangsUp()
{
    QFETCH(QString, line);
    requireLine(line);
    E2eRig rig;
    QVERIFY(rig.start({QStringLiteral("--no-answer"), QStringLiteral("80")}, line));
    rig.ct.setTimeOut(0); // only the loss can end the wait
    QTimer::singleShot(300, [&] {
        if (line == QLatin1String("direct"))
            rig.sim.kill();
        else
            rig.server.kill();
    });
    rig.menu.Interpret_MenuCommand(MenuCommand::OnlineTest);
    QVERIFY(!rig.ct.CommPortOpen());
    QCOMPARE(int(rig.sink.text().count(QStringLiteral("COM1 closed"))), 1);
    QVERIFY(rig.sink.text().contains(QStringLiteral("Error waiting for the answer")));
    rig.op.boxes.clear();
    rig.menu.Interpret_MenuCommand(MenuCommand::OnlineTest);
    QCOMPARE(rig.op.boxes.size(), 1);
    QVERIFY(rig.op.boxes[0].text.startsWith(QStringLiteral("Error sending the data")));
}

void TestLinkE2e::farEndHangsUpInTransmit_data()
{
    QTest::addColumn<int>("outBufferSize");
    QTest::newRow("16-byte pieces") << 16;
    QTest::newRow("all in one piece") << 0;
}

void TestLinkE2e::farEndHangsUpInTransmit()
{
    QFETCH(int, outBufferSize);
    E2eRig rig;
    QVERIFY(rig.start());
    rig.comm.setOutBufferSize(outBufferSize);
    rig.ct.setTimeOut(120); // far beyond the hang-up: only the loss may end the transmit
    rig.sim.pause();
    QTimer::singleShot(300, [&] { rig.sim.kill(); });
    // Far more than the line holds while the device does not read.
    QVERIFY(!rig.ct.Comm_TransmitData(QByteArray(1 << 20, '5')));

    const QString log = rig.sink.text();
    QCOMPARE(int(log.count(QStringLiteral("COM1 closed"))), 1);
    QVERIFY2(log.contains(QStringLiteral("  Error sending the data")), qPrintable(log));
    QVERIFY(!log.contains(QStringLiteral("Timeout while sending")));
    QVERIFY(!log.contains(QStringLiteral("Data sent")));
    QVERIFY(!rig.ct.CommPortOpen());
    QVERIFY(!rig.comm.portOpen());
    QCOMPARE(rig.op.boxes.size(), 1);
    QVERIFY(rig.op.boxes[0].text.startsWith(QStringLiteral("Error sending the data")));
    QVERIFY(!rig.op.hourglass);

    // A later command fails at once, says why, and does not report the loss again.
    rig.op.boxes.clear();
    rig.menu.Interpret_MenuCommand(MenuCommand::OnlineTest);
    QCOMPARE(rig.op.boxes.size(), 1);
    QVERIFY(rig.op.boxes[0].text.startsWith(QStringLiteral("Error sending the data")));
    QCOMPARE(int(rig.sink.text().count(QStringLiteral("COM1 closed"))), 1);
}

void TestLinkE2e::unpluggedAndBack_data()
{
    QTest::addColumn<QString>("line"); // over a device server, the server goes and comes back
    QTest::newRow("direct") << "direct";
    QTest::newRow("tcp") << "tcp";
    QTest::newRow("rfc2217") << "rfc2217";
}

void TestLinkE2e::unpluggedAndBack()
{
    QFETCH(QString, line);
    requireLine(line);
    const bool direct = line == QLatin1String("direct");
    E2eRig rig;
    QVERIFY(rig.start({}, line));
    const QString device = direct ? rig.link : rig.server.address();
    if (direct)
        rig.sim.stop();
    else
        rig.server.kill();
    QVERIFY(Tools::WaitUntil(
        [&] { return rig.sink.text().contains(QStringLiteral("Connection lost: ") + device); },
        QDeadlineTimer(10000)));
    QVERIFY(!rig.comm.portOpen());
    // While it is away a command fails at once and names the device.
    rig.menu.Interpret_MenuCommand(MenuCommand::OnlineTest);
    QCOMPARE(rig.op.boxes.size(), 1);
    QVERIFY2(rig.op.boxes[0].text.contains(device), qPrintable(rig.op.boxes[0].text));

    // A new pseudo-terminal behind the same path, or the server back on its port: reopened
    // with the settings it had.
    QVERIFY(direct ? rig.sim.start(rig.link) : rig.server.run());
    QVERIFY(Tools::WaitUntil([&] { return rig.comm.portOpen(); }, QDeadlineTimer(10000)));
    QVERIFY(rig.sink.text().contains(QStringLiteral("Connection restored: ") + device));
    const bool told = line == QLatin1String("rfc2217");
    QCOMPARE(rig.comm.settings(),
             told ? QStringLiteral("38400,N,8,1") : QStringLiteral("19200,N,8,1"));
    if (!direct)
        QCOMPARE(rig.lineSpeed(), told ? 38400 : 19200);
    rig.menu.Interpret_MenuCommand(MenuCommand::OnlineTest);
    rig.settle();
    QCOMPARE(rig.op.status.trimmed(),
             QStringLiteral("Online test successful: the device answers."));
    QCOMPARE(rig.op.boxes.size(), 1);
}

QTEST_GUILESS_MAIN(TestLinkE2e)
#include "tst_link_e2e.moc"
