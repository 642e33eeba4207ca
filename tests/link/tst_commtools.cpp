#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>

#include "LinkRig.h"
#include "settings/INITools.h"

class TestCommTools : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void loadSettings_data();
    void loadSettings();
    void loadFailureClosesPort();
    void saveSettings();
    void commInit_data();
    void commInit();
    void openPortFails_data();
    void openPortFails();
    void chunks_data();
    void chunks();
    void transmitFails_data();
    void transmitFails();
    void collector_data();
    void collector();
    void timerIntervalZero();
    void waitForResponse_data();
    void waitForResponse();
    void bufferCap();
    void floodThenValidFrame_data();
    void floodThenValidFrame();
    void farEndHangsUp_data();
    void farEndHangsUp();
};

void TestCommTools::loadSettings_data()
{
    QTest::addColumn<QByteArray>("section");
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("settings");
    QTest::addColumn<QList<int>>("numbers"); // port, in, out, handshaking, timeout, interval
    QTest::addColumn<QList<bool>>("flags");  // dtr, rts, cancel dialog

    QTest::newRow("empty file gives defaults")
        << QByteArray() << 0 << "19200,N,8,1" << QList<int>{2, 1024, 512, 0, 10, 500}
        << QList<bool>{true, true, true};
    QTest::newRow("lower-case settings applied upper-cased")
        << QByteArray("[Comm]\nPort=3\nSettings=9600,e,7,2\nDTREnable=no\nRTSEnable=Ja\n"
                      "HandShaking=2\nTimeOut=0\nShowCancelDialog=nein\nTimerInterval=50\n")
        << 0 << "9600,E,7,2" << QList<int>{3, 1024, 512, 2, 0, 50}
        << QList<bool>{false, true, false};
    // A step that fails leaves its value as it was; every later value is still loaded.
    QTest::newRow("non-numeric port is step 1")
        << QByteArray("[Comm]\nPort=abc\nSettings=4800,e,7,2\nDTREnable=no\nHandShaking=1\n"
                      "TimeOut=3\nTimerInterval=60\n")
        << 1 << "4800,E,7,2" << QList<int>{1, 1024, 512, 1, 3, 60}
        << QList<bool>{false, true, true};
    QTest::newRow("port 17 is step 1")
        << QByteArray("[Comm]\nPort=17\n") << 1 << "19200,N,8,1"
        << QList<int>{1, 1024, 512, 0, 10, 500} << QList<bool>{true, true, true};
    QTest::newRow("bad line settings are step 2, port kept")
        << QByteArray("[Comm]\nPort=4\nSettings=fast\nInBufferSize=99\n") << 2 << "9600,N,8,1"
        << QList<int>{4, 99, 512, 0, 10, 500} << QList<bool>{true, true, true};
    QTest::newRow("receive buffer not a number is step 3")
        << QByteArray("[Comm]\nInBufferSize=big\n") << 3 << "19200,N,8,1"
        << QList<int>{2, 1024, 512, 0, 10, 500} << QList<bool>{true, true, true};
    QTest::newRow("send buffer beyond 16 bits is step 4")
        << QByteArray("[Comm]\nOutBufferSize=70000\n") << 4 << "19200,N,8,1"
        << QList<int>{2, 1024, 512, 0, 10, 500} << QList<bool>{true, true, true};
    // (the rig runs its link with one-unit times, which a failed step leaves)
    QTest::newRow("time-out not a number is step 9")
        << QByteArray("[Comm]\nTimeOut=soon\n") << 9 << "19200,N,8,1"
        << QList<int>{2, 1024, 512, 0, 1, 500} << QList<bool>{true, true, true};
    QTest::newRow("timer interval not a number is step 11")
        << QByteArray("[Comm]\nTimerInterval=x\n") << 11 << "19200,N,8,1"
        << QList<int>{2, 1024, 512, 0, 10, 1} << QList<bool>{true, true, true};
    QTest::newRow("negative time values are read as numbers")
        << QByteArray("[Comm]\nTimeOut= -5\nTimerInterval=-2.7\n") << 0 << "19200,N,8,1"
        << QList<int>{2, 1024, 512, 0, -5, -2} << QList<bool>{true, true, true};
    QTest::newRow("fractions are cut")
        << QByteArray("[Comm]\nTimeOut=2.9\nOutBufferSize= 64 \n") << 0 << "19200,N,8,1"
        << QList<int>{2, 1024, 64, 0, 2, 500} << QList<bool>{true, true, true};
}

void TestCommTools::loadSettings()
{
    QFETCH(QByteArray, section);
    QFETCH(int, result);
    QFETCH(QString, settings);
    QFETCH(QList<int>, numbers);
    QFETCH(QList<bool>, flags);
    LinkRig rig(section);
    FakeComm port;
    QCOMPARE(rig.ct.Comm_LoadSettings(port), result);
    QCOMPARE(port.commPort(), numbers[0]);
    QCOMPARE(port.settings(), settings);
    QCOMPARE(port.inBufferSize(), numbers[1]);
    QCOMPARE(port.outBufferSize(), numbers[2]);
    QCOMPARE(port.handshaking(), numbers[3]);
    QCOMPARE(port.dtrEnable(), flags[0]);
    QCOMPARE(port.rtsEnable(), flags[1]);
    QCOMPARE(int(rig.ct.TimeOut()), numbers[4]);
    QCOMPARE(rig.ct.ShowCancelDialog(), flags[2]);
    QCOMPARE(int(rig.ct.TimerInterval()), numbers[5]);
}

void TestCommTools::loadFailureClosesPort()
{
    LinkRig rig("[Comm]\nPort=abc\n");
    QVERIFY(rig.comm.portOpen());
    QCOMPARE(rig.ct.Comm_LoadSettings(rig.comm), 1);
    QVERIFY(!rig.comm.portOpen());
}

void TestCommTools::saveSettings()
{
    LinkRig rig;
    FakeComm port;
    port.setCommPort(5);
    port.setSettings(QStringLiteral("4800,O,7,2"));
    port.setInBufferSize(2048);
    port.setOutBufferSize(0);
    port.setDTREnable(false);
    port.setRTSEnable(true);
    port.setHandshaking(1);
    rig.ct.setTimeOut(3);
    rig.ct.setShowCancelDialog(false);
    rig.ct.setTimerInterval(250);
    QCOMPARE(rig.ct.Comm_SaveSettings(port), 0);

    QFile f(rig.ini);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray text = f.readAll();
    for (const char *line : {"Port= 5", "Settings=4800,O,7,2", "InBufferSize= 2048",
                             "OutBufferSize= 0", "DTREnable=no", "RTSEnable=yes", "HandShaking= 1",
                             "TimeOut= 3", "ShowCancelDialog=no", "TimerInterval= 250"})
        QVERIFY2(text.contains(line), line);

    // What was saved loads back unchanged.
    LinkRig again;
    QFile::remove(again.ini);
    QVERIFY(QFile::copy(rig.ini, again.ini));
    FakeComm back;
    QCOMPARE(again.ct.Comm_LoadSettings(back), 0);
    QCOMPARE(back.commPort(), 5);
    QCOMPARE(back.settings(), QStringLiteral("4800,O,7,2"));
    QCOMPARE(back.inBufferSize(), 2048);
    QCOMPARE(back.outBufferSize(), 0);
    QCOMPARE(back.dtrEnable(), false);
    QCOMPARE(back.rtsEnable(), true);
    QCOMPARE(back.handshaking(), 1);
    QCOMPARE(int(again.ct.TimeOut()), 3);
    QCOMPARE(again.ct.ShowCancelDialog(), false);
    QCOMPARE(int(again.ct.TimerInterval()), 250);
}

void TestCommTools::commInit_data()
{
    QTest::addColumn<QByteArray>("section");
    QTest::addColumn<int>("openError");
    QTest::addColumn<int>("result");
    QTest::addColumn<bool>("debugWindow");
    QTest::newRow("debug 1") << QByteArray("[Comm]\nDebug=1\n") << 0 << 0 << true;
    QTest::newRow("debug 0") << QByteArray("[Comm]\nDebug=0\n") << 0 << 0 << false;
    QTest::newRow("debug empty") << QByteArray("[Comm]\nDebug=\n") << 0 << 0 << false;
    QTest::newRow("debug absent") << QByteArray() << 0 << 0 << false;
    QTest::newRow("trial open fails") << QByteArray("[Comm]\nDebug=1\n") << 8002 << 13 << false;
    QTest::newRow("port in use") << QByteArray() << 8005 << 13 << false;
    QTest::newRow("negative time values start")
        << QByteArray("[Comm]\nTimeOut=-1\nTimerInterval=-10\n") << 0 << 0 << false;
    QTest::newRow("load fails first")
        << QByteArray("[Comm]\nSettings=x\nDebug=1\n") << 0 << 2 << false;
}

void TestCommTools::commInit()
{
    QFETCH(QByteArray, section);
    QFETCH(int, openError);
    QFETCH(int, result);
    QFETCH(bool, debugWindow);
    LinkRig rig(section);
    rig.comm.setPortOpen(false);
    rig.comm.openError = openError;
    const int opens = rig.comm.opens;
    QCOMPARE(rig.ct.Comm_Init(), result);
    QCOMPARE(rig.op.events.contains(QStringLiteral("comm debug")), debugWindow);
    QVERIFY(!rig.comm.portOpen());
    if (result == 0)
        QCOMPARE(rig.comm.opens, opens + 1);
}

void TestCommTools::openPortFails_data()
{
    QTest::addColumn<int>("error");
    QTest::addColumn<QString>("text");
    QTest::newRow("no such device")
        << 8002 << "Cannot open port: No such file or directory (COM 1)";
    QTest::newRow("in use") << 8005 << "Cannot open port: Device or resource busy (COM 1)";
}

void TestCommTools::openPortFails()
{
    QFETCH(int, error);
    QFETCH(QString, text);
    LinkRig rig;
    rig.zt.setupFlags().ShowMsgBox = false; // the failure box shows regardless
    rig.comm.setPortOpen(false);
    rig.comm.openError = error;
    QVERIFY(!rig.ct.Comm_OpenPort());
    QVERIFY(!rig.ct.CommPortOpen());
    QCOMPARE(rig.op.boxes.size(), 1);
    QCOMPARE(rig.op.boxes[0].text, text);
    QCOMPARE(rig.op.boxes[0].icon, BoxIcon::Exclamation);
    QCOMPARE(rig.op.boxes[0].title, QStringLiteral("zteditor"));
    QVERIFY(rig.statusSeen(text));
    QVERIFY(rig.logged(QStringLiteral("  ") + text));

    rig.comm.openError = 0;
    QVERIFY(rig.ct.Comm_OpenPort());
    QVERIFY(rig.ct.Comm_ClosePort());
    QVERIFY(!rig.comm.portOpen());
}

void TestCommTools::chunks_data()
{
    QTest::addColumn<int>("frameSize");
    QTest::addColumn<int>("outBufferSize");
    QTest::addColumn<QList<int>>("chunkSizes");
    QTest::newRow("three chunks") << 10 << 4 << QList<int>{4, 4, 2};
    QTest::newRow("exact fit") << 8 << 4 << QList<int>{4, 4};
    QTest::newRow("buffer 0 writes one piece") << 364 << 0 << QList<int>{364};
    QTest::newRow("large buffer") << 364 << 512 << QList<int>{364};
}

void TestCommTools::chunks()
{
    QFETCH(int, frameSize);
    QFETCH(int, outBufferSize);
    QFETCH(QList<int>, chunkSizes);
    LinkRig rig;
    rig.comm.setOutBufferSize(outBufferSize);
    rig.comm.drainAfterPolls = 2;
    QByteArray frame = char(0x85) + QByteArray(frameSize - 2, '7') + '\r';
    QVERIFY(rig.ct.Comm_TransmitData(frame, QStringLiteral("Caption")));
    QCOMPARE(rig.comm.written, frame);
    QList<int> sizes;
    for (const QByteArray &c : rig.comm.chunks)
        sizes << int(c.size());
    QCOMPARE(sizes, chunkSizes);
    QCOMPARE(rig.op.events.first(), QStringLiteral("transfer show Caption"));
    QVERIFY(!rig.op.transferVisible);
    QVERIFY(!rig.op.hourglass);
    QVERIFY(rig.statusSeen(QStringLiteral("Comm_TransferDone")));
    QVERIFY(rig.logged(QStringLiteral("  Comm_TransmitData_Info")));
}

void TestCommTools::transmitFails_data()
{
    QTest::addColumn<QString>("scenario");
    QTest::addColumn<bool>("showMsgBox");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("boxes");
    const QString closed =
        QStringLiteral("Send failed: Operation valid only when the port is open");
    QTest::newRow("closed port boxes without ShowMsgBox") << "closed" << false << closed << 1;
    QTest::newRow("closed port") << "closed" << true << closed << 1;
    QTest::newRow("write error") << "outputFails" << false << "Send failed: Input/output error"
                                 << 1;
    // The port's queue never drains: flow control holds the line.
    QTest::newRow("never drains, quiet")
        << "stuck" << false << "Comm_TransmitData_Timeout_Err" << 0;
    QTest::newRow("never drains, box") << "stuck" << true << "Comm_TransmitData_Timeout_Err" << 1;
    QTest::newRow("cancel without time-out") << "cancel" << true << "Comm_Action_Cancelled" << 1;
}

void TestCommTools::transmitFails()
{
    QFETCH(QString, scenario);
    QFETCH(bool, showMsgBox);
    QFETCH(QString, text);
    QFETCH(int, boxes);
    LinkRig rig;
    rig.zt.setupFlags().ShowMsgBox = showMsgBox;
    if (scenario == QLatin1String("closed"))
        rig.comm.setPortOpen(false);
    if (scenario == QLatin1String("outputFails"))
        rig.comm.outputFails = true;
    if (scenario == QLatin1String("stuck") || scenario == QLatin1String("cancel"))
        rig.comm.drainAfterPolls = -1;
    if (scenario == QLatin1String("cancel")) {
        rig.ct.setTimeOut(0);
        QTimer::singleShot(10, [&] { rig.op.cancel(); });
    }
    QVERIFY(!rig.ct.Comm_TransmitData(frameOf(0x80)));
    // The cancel window is up while the port's queue does not drain.
    QCOMPARE(rig.op.events.first(), QStringLiteral("transfer show "));
    QCOMPARE(rig.op.boxes.size(), boxes);
    if (boxes) {
        QCOMPARE(rig.op.boxes[0].text, text);
        QCOMPARE(rig.op.boxes[0].icon, BoxIcon::Exclamation);
        QCOMPARE(rig.op.boxes[0].title, QStringLiteral("zteditor"));
    }
    QVERIFY(rig.statusSeen(text));
    QVERIFY(rig.logged(QStringLiteral("  ") + text));
    QVERIFY(!rig.op.hourglass);
    QVERIFY(!rig.op.transferVisible);
    QVERIFY(!rig.logged(QStringLiteral("Comm_TransferDone")));
}

void TestCommTools::collector_data()
{
    QTest::addColumn<QList<QByteArray>>("arrivals");
    QTest::addColumn<qint16>("timeOut");
    QTest::addColumn<bool>("cancel");
    QTest::addColumn<QList<QByteArray>>("interpreted"); // code and frame of each, in order
    QTest::addColumn<QString>("logged");

    const QByteArray online = frameOf(0x80);
    QTest::newRow("two frames in one interval are two frames")
        << QList<QByteArray>{frameOf(0x81) + frameOf(0x83, "0141")} << qint16(1) << false
        << QList<QByteArray>{"81", frameOf(0x81), "83", frameOf(0x83, "0141")}
        << "Comm_Receiving_Data";
    QTest::newRow("frame in pieces")
        << QList<QByteArray>{QByteArray(1, char(0x85)), "0102", "0304\r"} << qint16(1) << false
        << QList<QByteArray>{"85", frameOf(0x85, "01020304")} << "Comm_Receiving_Data";
    QTest::newRow("frame split before its terminator, then another")
        << QList<QByteArray>{QByteArray(1, char(0x80)), "\r" + online} << qint16(1) << false
        << QList<QByteArray>{"80", online, "80", online} << "Comm_Receiving_Data";
    QTest::newRow("code 90 reaches the interpreter")
        << QList<QByteArray>{frameOf(0x90, "0001")} << qint16(1) << false
        << QList<QByteArray>{"90", frameOf(0x90, "0001")} << "Comm_Receiving_Data";
    QTest::newRow("junk in front of a frame dropped at once")
        << QList<QByteArray>{"A12\r" + online} << qint16(0) << false
        << QList<QByteArray>{"80", online} << "Dropped 4 bytes";
    QTest::newRow("junk alone dropped at once")
        << QList<QByteArray>{QByteArray("A12\r")} << qint16(0) << false << QList<QByteArray>{}
        << "Dropped 4 bytes";
    QTest::newRow("code 91 is junk") << QList<QByteArray>{frameOf(0x91)} << qint16(0) << false
                                     << QList<QByteArray>{} << "Dropped 2 bytes";
    QTest::newRow("unfinished frame discarded at time-out")
        << QList<QByteArray>{QByteArray(1, char(0x85)) + "01"} << qint16(1) << false
        << QList<QByteArray>{} << "Comm_Timeout_Short";
    QTest::newRow("no time-out ends by cancel")
        << QList<QByteArray>{QByteArray(1, char(0x85))} << qint16(0) << true << QList<QByteArray>{}
        << "Comm_Cancelled";
    QTest::newRow("negative time-out ends by cancel")
        << QList<QByteArray>{QByteArray(1, char(0x85))} << qint16(-3) << true << QList<QByteArray>{}
        << "Comm_Cancelled";
}

void TestCommTools::collector()
{
    QFETCH(QList<QByteArray>, arrivals);
    QFETCH(qint16, timeOut);
    QFETCH(bool, cancel);
    QFETCH(QList<QByteArray>, interpreted);
    QFETCH(QString, logged);
    LinkRig rig;
    rig.zt.setupFlags().ShowMsgBox = false;
    rig.ct.setTimeOut(timeOut);
    rig.ct.setTimerInterval(30000); // the test drives the collector itself
    QList<QByteArray> got;
    rig.ct.setInterpreter([&](const QByteArray &c, const QByteArray &f) { got << c << f; });
    rig.comm.inject(arrivals.first());
    for (int i = 1; i < arrivals.size(); ++i)
        rig.comm.injectLater(arrivals[i], 5 * i);
    if (cancel)
        QTimer::singleShot(20, [&] { rig.op.cancel(); });
    rig.ct.Comm_WaitForData();
    QCOMPARE(got, interpreted);
    QVERIFY(rig.ct.CommInBuffer().isEmpty());
    QVERIFY2(rig.logged(QStringLiteral("  ") + logged), qPrintable(rig.sink.text()));
    QVERIFY(rig.op.boxes.isEmpty());
    QVERIFY(!rig.op.transferVisible);
}

void TestCommTools::timerIntervalZero()
{
    LinkRig rig;
    rig.ct.setTimerInterval(0);
    int calls = 0;
    rig.ct.setInterpreter([&](const QByteArray &, const QByteArray &) { ++calls; });
    rig.comm.inject(frameOf(0x81));
    Tools::WaitWithEvents(50);
    QCOMPARE(calls, 0);
    QCOMPARE(rig.ct.CommInBuffer(), frameOf(0x81));
    QVERIFY(!rig.ct.TimerComm().isActive());
}

void TestCommTools::waitForResponse_data()
{
    QTest::addColumn<QByteArray>("arrival");
    QTest::addColumn<bool>("result");
    QTest::addColumn<QByteArray>("buffer");
    QTest::addColumn<QString>("box");
    QTest::addColumn<int>("interpreted"); // frames handed on after the wait
    const QByteArray ack = frameOf(0x86, "3130");
    QTest::newRow("expected answer stays in the buffer") << ack << true << ack << QString() << 1;
    QTest::newRow("answer with another code is interpreted after the time-out")
        << frameOf(0x81) << false << frameOf(0x81) << "No answer 86 in time" << 1;
    QTest::newRow("answer after noise")
        << QByteArray("x") + ack << true << QByteArray("x") + ack << QString() << 1;
    QTest::newRow("device request in front of the answer")
        << frameOf(0x84, "20") + ack << true << frameOf(0x84, "20") + ack << QString() << 2;
    QTest::newRow("unterminated answer")
        << QByteArray(1, char(0x86)) + "31" << false << QByteArray() << "No answer 86 in time" << 0;
}

void TestCommTools::waitForResponse()
{
    QFETCH(QByteArray, arrival);
    QFETCH(bool, result);
    QFETCH(QByteArray, buffer);
    QFETCH(QString, box);
    QFETCH(int, interpreted);
    LinkRig rig;
    int calls = 0;
    rig.ct.setInterpreter([&](const QByteArray &, const QByteArray &) { ++calls; });
    rig.comm.injectLater(arrival, 5);
    QCOMPARE(rig.ct.Comm_WaitForResponse("86", QStringLiteral("Waiting")), result);
    QCOMPARE(calls, 0); // the collector keeps off while the answer is awaited
    QCOMPARE(rig.ct.CommInBuffer(), buffer);
    QVERIFY(!rig.ct.CommWaitingForResponse());
    QVERIFY(rig.logged(QStringLiteral("  Waiting for 86")));
    QCOMPARE(rig.op.events.first(), QStringLiteral("transfer show Waiting"));
    QCOMPARE(rig.boxTexts(), box.isEmpty() ? QStringList() : QStringList{box});
    QCOMPARE(rig.statusSeen(QStringLiteral("Comm_Timeout_Short")), !result);
    // What is left is interpreted by the next tick.
    rig.settle();
    QCOMPARE(calls, interpreted);
}

void TestCommTools::bufferCap()
{
    LinkRig rig;
    rig.ct.setTimerInterval(30000);
    QByteArray got;
    rig.ct.setInterpreter([&](const QByteArray &c, const QByteArray &) { got = c; });
    const QByteArray noise(20000, 'x');
    for (int i = 0; i < 4; ++i) {
        rig.comm.inject(noise);
        QVERIFY(rig.ct.CommInBuffer().size() <= CommTools::InBufferCap);
    }
    // Written from the event loop later, never inside the port's notification.
    QCOMPARE(rig.loggedCount(QStringLiteral("Receive failed: receive buffer full")), 0);
    // A frame start inside the noise, then the valid frame.
    rig.comm.inject(QByteArray(1, char(0x83)) + QByteArray(30000, '1'));
    rig.comm.inject(frameOf(0x81));
    QVERIFY(rig.ct.CommInBuffer().size() <= CommTools::InBufferCap);
    // The oldest bytes gave way up to the newest frame start; what follows it stays.
    QCOMPARE(rig.ct.CommInBuffer(),
             QByteArray(1, char(0x83)) + QByteArray(30000, '1') + frameOf(0x81));
    rig.ct.Comm_WaitForData();
    // The unfinished 83 ends where the 81 begins.
    QCOMPARE(got, QByteArray("81"));
    QVERIFY(rig.logged(QStringLiteral("Dropped 30001 bytes")));
    QCOMPARE(rig.loggedCount(QStringLiteral("Receive failed: receive buffer full")), 1);

    // Overflow with the frame start pushed out: only the newest frame start survives.
    got.clear();
    rig.comm.inject(QByteArray(70000, 'y'));
    rig.comm.inject(frameOf(0x88));
    QCOMPARE(rig.ct.CommInBuffer(), frameOf(0x88));
    rig.ct.Comm_WaitForData();
    QCOMPARE(got, QByteArray("88"));
    QCOMPARE(rig.loggedCount(QStringLiteral("Receive failed: receive buffer full")), 2);
}

// Whatever a broken or noisy line delivers, memory stays bounded and the next valid online
// test is still answered.
void TestCommTools::floodThenValidFrame_data()
{
    QTest::addColumn<int>("kind");
    QTest::newRow("10 MB of random bytes") << 0;
    QTest::newRow("10 000 frames back to back") << 1;
}

void TestCommTools::floodThenValidFrame()
{
    QFETCH(int, kind);
    LinkRig rig;
    rig.zt.setupFlags().ShowMsgBox = false;
    if (kind == 0) {
        QRandomGenerator random(4711);
        QByteArray chunk(64 * 1024, Qt::Uninitialized);
        for (int i = 0; i < 160; ++i) {
            for (char &c : chunk)
                c = char(random.bounded(256));
            rig.comm.inject(chunk);
            QVERIFY(rig.ct.CommInBuffer().size() <= CommTools::InBufferCap);
        }
    } else {
        for (int i = 0; i < 10000; ++i) {
            rig.comm.inject(frameOf(0x88));
            QVERIFY(rig.ct.CommInBuffer().size() <= CommTools::InBufferCap);
            if (i % 10 == 0)
                Tools::DoEvents();
        }
    }
    rig.settle();
    Tools::WaitUntil(
        [&] { return !rig.ct.CommWaitingForResponse() && rig.ct.CommInBuffer().isEmpty(); },
        QDeadlineTimer(5000));
    rig.comm.written.clear();
    rig.comm.inject(frameOf(0x80));
    rig.settle();
    QCOMPARE(rig.comm.written, frameOf(0x81));
}

void TestCommTools::farEndHangsUp_data()
{
    QTest::addColumn<bool>("settingsMeanwhile"); // the settings dialog loads them while lost
    QTest::newRow("device plugged in again") << false;
    QTest::newRow("settings dialog takes over") << true;
}

void TestCommTools::farEndHangsUp()
{
    QFETCH(bool, settingsMeanwhile);
    LinkRig rig;
    rig.ct.setTimeOut(0); // only the loss can end the wait
    rig.zt.setupFlags().ShowMsgBox = false;
    rig.comm.available = false;
    QSignalSpy changed(&rig.ct, &CommTools::linkChanged);
    QTimer::singleShot(10, [&] { rig.comm.hangUp(QStringLiteral("Input/output error")); });
    QVERIFY(!rig.ct.Comm_WaitForResponse("81"));
    QCOMPARE(rig.loggedCount(QStringLiteral("Receive failed: Input/output error (COM1 closed)")),
             1);
    QVERIFY(rig.logged(QStringLiteral("Answer failed: Input/output error")));
    QVERIFY(rig.logged(QStringLiteral("  Lost /dev/ttyFAKE (COM 1)")));
    QCOMPARE(rig.op.status.trimmed(), QStringLiteral("Lost /dev/ttyFAKE (COM 1)"));
    QCOMPARE(changed.size(), 1);
    QCOMPARE(rig.ct.Comm_LinkText(), QStringLiteral("COM1  /dev/ttyFAKE  9600 8N1  lost"));
    QVERIFY(!rig.ct.CommPortOpen());
    QVERIFY(!rig.ct.CommWaitingForResponse());
    // A later command fails at once and names the device.
    QVERIFY(!rig.ct.Comm_TransmitData(frameOf(0x80)));
    QCOMPARE(rig.boxTexts(), QStringList{QStringLiteral("Send failed: Lost /dev/ttyFAKE (COM 1)")});

    // While the device stays away the watch only looks, at most once a second.
    QElapsedTimer watched;
    watched.start();
    QVERIFY(
        Tools::WaitUntil([&] { return rig.comm.availabilityChecks >= 2; }, QDeadlineTimer(10000)));
    QVERIFY(rig.comm.availabilityChecks <= watched.elapsed() / 1000 + 1);
    QCOMPARE(rig.comm.opens, 1);
    if (settingsMeanwhile)
        QCOMPARE(rig.ct.Comm_LoadSettings(rig.comm), 0);
    rig.comm.available = true;
    rig.ct.setTimerInterval(30000); // the collector stays away from the cut-off bytes
    rig.comm.inject("\x85");        // cut off by the loss
    const bool back = Tools::WaitUntil([&] { return rig.comm.portOpen(); }, QDeadlineTimer(3000));
    QCOMPARE(back, !settingsMeanwhile);
    QCOMPARE(rig.logged(QStringLiteral("  Back /dev/ttyFAKE (COM 1)")), !settingsMeanwhile);
    if (settingsMeanwhile) {
        QCOMPARE(rig.ct.Comm_LinkText(), QStringLiteral("COM2  /dev/ttyFAKE  19200 8N1  closed"));
        return;
    }
    QCOMPARE(rig.op.status.trimmed(), QStringLiteral("Back /dev/ttyFAKE (COM 1)"));
    QCOMPARE(rig.ct.Comm_LinkText(), QStringLiteral("COM1  /dev/ttyFAKE  9600 8N1  open"));
    QCOMPARE(changed.size(), 2);
    QVERIFY(rig.ct.CommPortOpen());
    QVERIFY(rig.ct.CommInBuffer().isEmpty());
    rig.comm.injectLater(frameOf(0x81), 5);
    QVERIFY(rig.ct.Comm_WaitForResponse("81"));
}

QTEST_GUILESS_MAIN(TestCommTools)
#include "tst_commtools.moc"
