#include "link/Frame.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <csignal>
#include <memory>

namespace {
constexpr int WaitMs = 10000;

// One running simulator on a pseudo-terminal in a temporary folder, and the program's
// end of the line opened as the editor opens it.
class Sim {
public:
    explicit Sim(const QStringList &args = {})
    {
        m_link = m_dir.filePath(QStringLiteral("ztdev"));
        // CTest names the folder; run by hand, the simulator lies next to this test.
        const QString bin =
            qEnvironmentVariable("ZT_BIN_DIR", QCoreApplication::applicationDirPath());
        m_process.setProgram(bin + QStringLiteral("/ztdevsim"));
        m_process.setArguments(QStringList{QStringLiteral("--pty"), m_link} + args);
    }
    ~Sim()
    {
        m_port.close();
        if (m_process.state() != QProcess::NotRunning) {
            m_process.terminate();
            if (!m_process.waitForFinished(WaitMs))
                m_process.kill();
        }
    }

    // Starts the simulator and opens the line; false with a reason in failure.
    bool start()
    {
        m_process.start();
        if (!m_process.waitForStarted(WaitMs)) {
            failure = m_process.errorString();
            return false;
        }
        QDeadlineTimer deadline(WaitMs);
        while (!output.contains("ready")) {
            if (!m_process.waitForReadyRead(int(deadline.remainingTime()))) {
                m_process.waitForFinished(WaitMs);
                failure = QStringLiteral("no ready line: ") +
                          QString::fromLocal8Bit(output + m_process.readAllStandardError());
                return false;
            }
            output += m_process.readAllStandardOutput();
        }
        m_port.setPortName(m_link);
        if (!m_port.open(QIODevice::ReadWrite)) {
            failure = m_port.errorString();
            return false;
        }
        m_port.setBaudRate(19200);
        m_port.setDataBits(QSerialPort::Data8);
        m_port.setParity(QSerialPort::NoParity);
        m_port.setStopBits(QSerialPort::OneStop);
        m_port.setFlowControl(QSerialPort::NoFlowControl);
        m_port.clear();
        return true;
    }

    // Sends bytes and returns what arrives up to and including a terminator.
    QByteArray exchange(const QByteArray &bytes)
    {
        send(bytes);
        return readFrame();
    }

    void send(const QByteArray &bytes)
    {
        m_port.write(bytes);
        m_port.waitForBytesWritten(WaitMs);
    }

    // The editor ends and starts again: the line must still work.
    bool reopen()
    {
        m_port.close();
        if (!m_port.open(QIODevice::ReadWrite))
            return false;
        m_port.clear();
        return true;
    }

    // Standard output up to a line that contains text.
    bool waitForOutput(const QByteArray &text)
    {
        QDeadlineTimer deadline(WaitMs);
        while (!output.contains(text)) {
            if (!m_process.waitForReadyRead(int(deadline.remainingTime())))
                return false;
            output += m_process.readAllStandardOutput();
        }
        return true;
    }

    QByteArray readFrame()
    {
        QByteArray in;
        QDeadlineTimer deadline(WaitMs);
        while (!in.endsWith('\r') && !deadline.hasExpired()) {
            if (m_port.bytesAvailable() == 0)
                m_port.waitForReadyRead(int(deadline.remainingTime()));
            in += m_port.readAll();
        }
        return in;
    }

    void command(const QByteArray &line)
    {
        m_process.write(line + '\n');
        m_process.waitForBytesWritten(WaitMs);
    }

    QProcess &process() { return m_process; }
    QString link() const { return m_link; }
    QString dir() const { return m_dir.path(); }

    QByteArray output;
    QString failure;

private:
    QTemporaryDir m_dir;
    QString m_link;
    QProcess m_process;
    QSerialPort m_port;
};

QByteArray zeros(int digits)
{
    return QByteArray(digits, '0');
}
} // namespace

class TstDevsim : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void answers_data();
    void answers();
    void keepsReceivedCodesUntilReset();
    void dataFileIsTheResetImage();
    void commands_data();
    void commands();
    void skipsAnswerButNotTheNext();
    void printsFrames_data();
    void printsFrames();
    void outlivesEndOfInputAndReconnects();
    void runsScript();
    void quitRemovesLink();
    void replacesStaleLinkOnly();
};

void TstDevsim::answers_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<int>("garbage");
    QTest::addColumn<QByteArray>("answer");
    const QStringList none;
    QTest::newRow("online test") << none << QByteArray("\x80\r") << 0 << QByteArray("\x81\r");
    QTest::newRow("bytes before a frame dropped")
        << none << QByteArray("xyz\r\x80\r") << 0 << QByteArray("\x81\r");
    QTest::newRow("cut-off frame dropped") << none
                                           << QByteArray("\x85"
                                                         "01\x80\r")
                                           << 0 << QByteArray("\x81\r");
    QTest::newRow("data request, default grid") << none
                                                << QByteArray("\x84"
                                                              "20\r")
                                                << 0 << "\x85" + zeros(180) + "\r";
    QTest::newRow("data request, 1 x 2 grid") << QStringList{"--cols", "1", "--rows", "2"}
                                              << QByteArray("\x84"
                                                            "20\r")
                                              << 0
                                              << QByteArray("\x85"
                                                            "00000000\r");
    QTest::newRow("data block acknowledged") << none
                                             << QByteArray("\x85"
                                                           "01020304\r")
                                             << 0
                                             << QByteArray("\x86"
                                                           "3130\r");
    QTest::newRow("empty data block acknowledged") << none << QByteArray("\x85\r") << 0
                                                   << QByteArray("\x86"
                                                                 "30\r");
    QTest::newRow("wrong checksum on purpose") << QStringList{"--bad-checksum"}
                                               << QByteArray("\x85"
                                                             "01020304\r")
                                               << 0
                                               << QByteArray("\x86"
                                                             "3131\r");
    QTest::newRow("reset") << none << QByteArray("\x87\r") << 0 << QByteArray("\x88\r");
    QTest::newRow("answer in single bytes") << QStringList{"--split", "1", "--gap", "20"}
                                            << QByteArray("\x84"
                                                          "20\r")
                                            << 0 << "\x85" + zeros(180) + "\r";
    QTest::newRow("delayed answer")
        << QStringList{"--delay", "300"} << QByteArray("\x80\r") << 0 << QByteArray("\x81\r");
    QTest::newRow("garbage before answer")
        << QStringList{"--garbage", "5"} << QByteArray("\x80\r") << 5 << QByteArray("\x81\r");
    QTest::newRow("version info") << QStringList{"--status1", "ABC", "--status3", " "}
                                  << QByteArray("\x82\r") << 0
                                  << makeFrame(FrameCode::VersionInfo,
                                               versionInfoPayload({"ABC", "Firmware 2.14", ""}));
}

void TstDevsim::answers()
{
    QFETCH(QStringList, args);
    QFETCH(QByteArray, sent);
    QFETCH(int, garbage);
    QFETCH(QByteArray, answer);
    Sim sim(args);
    QVERIFY2(sim.start(), qPrintable(sim.failure));
    const QByteArray in = sim.exchange(sent);
    QCOMPARE(in.size(), garbage + answer.size());
    QCOMPARE(in.right(answer.size()), answer);
    for (const char c : in.left(garbage))
        QVERIFY2(!isCommandByte(c) && c != '\r', "garbage must not look like a frame");
}

void TstDevsim::keepsReceivedCodesUntilReset()
{
    Sim sim({"--cols", "2", "--rows", "2"});
    QVERIFY2(sim.start(), qPrintable(sim.failure));
    QCOMPARE(sim.exchange("\x85"
                          "0102FFFF00050006\r"),
             QByteArray("\x86"
                        "353234\r"));
    QCOMPARE(sim.exchange("\x84"
                          "20\r"),
             QByteArray("\x85"
                        "0102FFFF00050006\r"));
    // A short block fills the rest with 0.
    QCOMPARE(sim.exchange("\x85"
                          "0007\r"),
             QByteArray("\x86"
                        "37\r"));
    QCOMPARE(sim.exchange("\x84"
                          "20\r"),
             QByteArray("\x85"
                        "0007000000000000\r"));
    QCOMPARE(sim.exchange("\x87\r"), QByteArray("\x88\r"));
    QCOMPARE(sim.exchange("\x84"
                          "20\r"),
             "\x85" + zeros(16) + "\r");
}

void TstDevsim::dataFileIsTheResetImage()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("ZT.Dat"));
    QByteArray file = QByteArray("1.0       ") + QByteArray(200, '\0');
    qToLittleEndian<qint16>(258, file.data() + 10);     // A1
    qToLittleEndian<qint16>(-2, file.data() + 10 + 50); // B1
    QFile out(path);
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write(file);
    out.close();

    Sim sim({"--data", path, "--cols", "2", "--rows", "1"});
    QVERIFY2(sim.start(), qPrintable(sim.failure));
    QCOMPARE(sim.exchange("\x84"
                          "20\r"),
             QByteArray("\x85"
                        "0102FFFE\r"));
    QCOMPARE(sim.exchange("\x85"
                          "11112222\r"),
             QByteArray("\x86"
                        "313032\r"));
    QCOMPARE(sim.exchange("\x87\r"), QByteArray("\x88\r"));
    QCOMPARE(sim.exchange("\x84"
                          "20\r"),
             QByteArray("\x85"
                        "0102FFFE\r"));

    // A file of another size is refused with a reason, not read half.
    out.open(QIODevice::WriteOnly | QIODevice::Append);
    out.write("x");
    out.close();
    Sim bad({"--data", path});
    QVERIFY(!bad.start());
    QCOMPARE(bad.process().exitCode(), 2);
    QVERIFY(bad.failure.contains(QStringLiteral("211 bytes")));
}

void TstDevsim::commands_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QByteArray>("frame");
    QTest::newRow("request-data") << QByteArray("request-data")
                                  << QByteArray("\x84"
                                                "20\r");
    QTest::newRow("request-data other kind") << QByteArray("request-data 21")
                                             << QByteArray("\x84"
                                                           "21\r");
    QTest::newRow("online-test") << QByteArray("online-test") << QByteArray("\x80\r");
    QTest::newRow("version") << QByteArray("version") << QByteArray("\x82\r");
    QTest::newRow("reset") << QByteArray("reset") << QByteArray("\x87\r");
    QTest::newRow("send-data") << QByteArray("send-data")
                               << QByteArray("\x85"
                                             "0000\r");
    QTest::newRow("acu padded") << QByteArray("acu 12")
                                << QByteArray("\x89"
                                              "31322020\r");
    QTest::newRow("acu cut") << QByteArray("acu 123456")
                             << QByteArray("\x89"
                                           "31323334\r");
    QTest::newRow("raw") << QByteArray("raw 80 0d") << QByteArray("\x80\r");
    QTest::newRow("comment and sleep first")
        << QByteArray("# note\nsleep 50\nonline-test") << QByteArray("\x80\r");
    QTest::newRow("bad command then good")
        << QByteArray("frobnicate\nraw 8\nstatus 9 x\nonline-test") << QByteArray("\x80\r");
}

void TstDevsim::commands()
{
    QFETCH(QByteArray, line);
    QFETCH(QByteArray, frame);
    Sim sim({"--cols", "1", "--rows", "1"});
    QVERIFY2(sim.start(), qPrintable(sim.failure));
    sim.command(line);
    QCOMPARE(sim.readFrame(), frame);
}

// The answer to 80 is left out; the next request is still answered, and its answer is
// the first thing on the line.
void TstDevsim::skipsAnswerButNotTheNext()
{
    Sim sim({"--no-answer", "80", "--no-answer", "0x87", "--cols", "1", "--rows", "1"});
    QVERIFY2(sim.start(), qPrintable(sim.failure));
    QCOMPARE(sim.exchange("\x80\r\x87\r\x84"
                          "20\r"),
             QByteArray("\x85"
                        "0000\r"));
}

void TstDevsim::printsFrames_data()
{
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<QByteArrayList>("lines");
    QTest::newRow("data block")
        << QByteArray("\x85"
                      "01020304\r")
        << QByteArrayList{"in  85 \"01020304\" 0D | data block, 2 code(s), checksum 10; "
                          "A1=258 A2=772 [this device expects 45 codes]",
                          "out 86 \"3130\" 0D | checksum acknowledgement 10"};
    QTest::newRow("version info from the program")
        << QByteArray("\x83"
                      "03414243"
                      "0131\r")
        << QByteArrayList{"| version info: \"ABC\", \"1\""};
    QTest::newRow("ACU version and CAN address")
        << QByteArray("\x89"
                      "31322020\r\x90"
                      "0102\r")
        << QByteArrayList{"in  89 \"31322020\" 0D | ACU version \"12  \"",
                          "in  90 \"0102\" 0D | CAN bus address 258"};
    QTest::newRow("dropped bytes shown in hex")
        << QByteArray("ab\r\x80\r")
        << QByteArrayList{"!!  dropped 3 byte(s) outside a frame: 61 62 0D",
                          "out 81 0D | online test answer"};
    QTest::newRow("lower-case payload flagged")
        << QByteArray("\x85"
                      "0a\r")
        << QByteArrayList{"[payload is not upper-case hex text]"};
}

// Scripts read the printout: every frame, with its time, direction and meaning.
void TstDevsim::printsFrames()
{
    QFETCH(QByteArray, sent);
    QFETCH(QByteArrayList, lines);
    Sim sim;
    QVERIFY2(sim.start(), qPrintable(sim.failure));
    sim.send(sent);
    for (const QByteArray &line : lines)
        QVERIFY2(sim.waitForOutput(line), sim.output.constData());
    static const QRegularExpression stamped(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d\\.\\d{3} "));
    for (const QByteArray &line : sim.output.trimmed().split('\n'))
        QVERIFY2(stamped.match(QString::fromUtf8(line)).hasMatch(), line.constData());
}

void TstDevsim::outlivesEndOfInputAndReconnects()
{
    Sim sim;
    QVERIFY2(sim.start(), qPrintable(sim.failure));
    sim.process().closeWriteChannel();
    QCOMPARE(sim.exchange("\x80\r"), QByteArray("\x81\r"));
    QVERIFY(sim.reopen());
    QCOMPARE(sim.exchange("\x80\r"), QByteArray("\x81\r"));
    QCOMPARE(sim.process().state(), QProcess::Running);
}

void TstDevsim::runsScript()
{
    QTemporaryDir dir;
    QFile script(dir.filePath(QStringLiteral("script.txt")));
    QVERIFY(script.open(QIODevice::WriteOnly));
    script.write("# wait for the editor\nsleep 100\nrequest-data\n");
    script.close();
    Sim sim({"--script", script.fileName()});
    QVERIFY2(sim.start(), qPrintable(sim.failure));
    QCOMPARE(sim.readFrame(), QByteArray("\x84"
                                         "20\r"));
    QVERIFY(sim.waitForOutput("out 84 \"20\" 0D | data request, kind \"20\" (button codes)"));
}

void TstDevsim::quitRemovesLink()
{
    for (const bool bySignal : {false, true}) {
        Sim sim;
        QVERIFY2(sim.start(), qPrintable(sim.failure));
        QVERIFY(QFileInfo(sim.link()).isSymLink());
        if (bySignal)
            ::kill(pid_t(sim.process().processId()), SIGTERM);
        else
            sim.command("online-test\nquit");
        QVERIFY(sim.process().waitForFinished(WaitMs));
        QCOMPARE(sim.process().exitStatus(), QProcess::NormalExit);
        QCOMPARE(sim.process().exitCode(), 0);
        QVERIFY(!QFileInfo(sim.link()).isSymLink());
        if (!bySignal)
            QVERIFY(sim.process().readAllStandardOutput().contains("out 80 0D | online test"));
    }
}

void TstDevsim::replacesStaleLinkOnly()
{
    Sim stale;
    QVERIFY(QFile::link(QStringLiteral("/nonexistent/pts/99"), stale.link()));
    QVERIFY2(stale.start(), qPrintable(stale.failure));
    QCOMPARE(stale.exchange("\x80\r"), QByteArray("\x81\r"));

    // A real file in the way is kept, and the simulator says why it does not start.
    Sim blocked;
    QFile file(blocked.link());
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("keep me");
    file.close();
    QVERIFY(!blocked.start());
    QCOMPARE(blocked.process().exitCode(), 1);
    QVERIFY(blocked.failure.contains(QStringLiteral("not a symbolic link")));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("keep me"));
}

QTEST_GUILESS_MAIN(TstDevsim)
#include "tst_devsim.moc"
