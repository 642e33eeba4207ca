// The serial port on a device server, against a scripted server in the test: what goes
// on the wire, how a refusing, silent, busy or endlessly negotiating server ends the open.
#include <QFile>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "common/Tools.h"
#include "common/ZtError.h"
#include "link/QtSerialComm.h"

namespace {

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(text);
}

// Bytes of 0xFF a flooding server sends once the line is set up.
constexpr int Flood = 4 << 20;

// What ser2net sends when a Telnet client connects.
const QByteArray Greeting = hex("fffb03fffd03fffb01fffe01fffd00fffb00fffd2c");

// One connection at a time, answered as behaviour says; keeps what it received.
class ScriptedServer : public QObject {
public:
    explicit ScriptedServer(const QString &behaviour) : m_behaviour(behaviour)
    {
        m_server.listen(QHostAddress::LocalHost);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            m_peer = m_server.nextPendingConnection();
            connect(m_peer, &QTcpSocket::readyRead, this, [this] { onData(); });
            connected();
        });
    }
    quint16 port() const { return m_server.serverPort(); }
    QByteArray received;
    QTcpSocket *peer() const { return m_peer; }

private:
    void connected()
    {
        if (m_behaviour == QLatin1String("in-use")) {
            m_peer->write("Port already in use\r\n");
            m_peer->disconnectFromHost();
        } else if (m_behaviour == QLatin1String("telnet-in-use")) {
            m_peer->write(Greeting + "Port already in use\r\n");
            m_peer->disconnectFromHost();
        } else if (m_behaviour == QLatin1String("dont-comport")) {
            m_peer->write(hex("fffe2c"));
        } else if (m_behaviour == QLatin1String("flapping")) {
            flap();
        } else if (m_behaviour != QLatin1String("silent")) {
            m_peer->write(m_behaviour == QLatin1String("raw") ? QByteArray() : Greeting);
        }
    }
    // Offers and withdraws an option without end, never reading what comes back fast.
    void flap()
    {
        if (!m_peer || m_peer->state() != QAbstractSocket::ConnectedState)
            return;
        if (m_peer->bytesToWrite() < 65536)
            m_peer->write(hex("fffb00fffc00").repeated(4096));
        QTimer::singleShot(1, this, [this] { flap(); });
    }
    void onData()
    {
        received += m_peer->readAll();
        if (m_behaviour != QLatin1String("no-ack") && !m_acked &&
            received.contains(hex("fffa2c01"))) {
            m_acked = true;
            m_peer->write(hex("fffa2c6500002580fff0"));
            if (m_behaviour == QLatin1String("flood"))
                m_peer->write(QByteArray(2 * Flood, '\xff'));
        }
    }

    QTcpServer m_server;
    QTcpSocket *m_peer = nullptr;
    QString m_behaviour;
    bool m_acked = false;
};

} // namespace

class TestNetLine : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void open_data();
    void open();
    void quickOpenRefused();
};

void TestNetLine::open_data()
{
    QTest::addColumn<QString>("scheme");
    QTest::addColumn<QString>("behaviour");
    QTest::addColumn<int>("number"); // 0: the line opens
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("setup"); // what the server got at open

    // Our offers, echo refused, then 9600,E,7,2 with RTS handshaking, DTR on, RTS off.
    const QByteArray setup = hex("fffb2cfffb00fffb03fffd00fffd03fffe01"
                                 "fffa2c0100002580fff0fffa2c0207fff0fffa2c0303fff0fffa2c0402fff0"
                                 "fffa2c0503fff0fffa2c0508fff0fffa2c050cfff0");
    QTest::newRow("raw") << "tcp"
                         << "raw" << 0 << "" << QByteArray();
    QTest::newRow("rfc2217") << "rfc2217"
                             << "telnet" << 0 << "" << setup;
    QTest::newRow("rfc2217, flood") << "rfc2217"
                                    << "flood" << 0 << "" << setup;
    QTest::newRow("raw, server never sends") << "tcp"
                                             << "silent" << 0 << "" << QByteArray();
    QTest::newRow("raw, refused") << "tcp"
                                  << "closed" << 8002 << "refused" << QByteArray();
    QTest::newRow("host does not answer") << "tcp"
                                          << "no-host" << 8002 << "" << QByteArray();
    QTest::newRow("unknown host") << "tcp"
                                  << "unknown-host" << 8002 << "no-such-host.invalid"
                                  << QByteArray();
    QTest::newRow("raw, in use") << "tcp"
                                 << "in-use" << 8005 << ": Port already in use" << QByteArray();
    QTest::newRow("rfc2217, in use")
        << "rfc2217"
        << "telnet-in-use" << 8005 << ": Port already in use" << QByteArray();
    QTest::newRow("rfc2217, server never sends")
        << "rfc2217"
        << "silent" << 8002 << ": no RFC 2217 answer within 1 s" << QByteArray();
    QTest::newRow("rfc2217, option refused")
        << "rfc2217"
        << "dont-comport" << 8002 << "(no RFC 2217)" << QByteArray();
    QTest::newRow("rfc2217, settings unconfirmed")
        << "rfc2217"
        << "no-ack" << 8002 << "the line settings were not confirmed within 1 s" << QByteArray();
    QTest::newRow("rfc2217, endless negotiation")
        << "rfc2217"
        << "flapping" << 8002 << ": no RFC 2217 answer within 1 s" << QByteArray();
}

void TestNetLine::open()
{
    QFETCH(QString, scheme);
    QFETCH(QString, behaviour);
    QFETCH(int, number);
    QFETCH(QString, text);
    QFETCH(QByteArray, setup);
    ScriptedServer server(behaviour);
    // A documentation address that no host answers: the deadline or the route ends it.
    const QString host = behaviour == QLatin1String("unknown-host")
                             ? QStringLiteral("no-such-host.invalid")
                         : behaviour == QLatin1String("no-host") ? QStringLiteral("198.51.100.1")
                                                                 : QStringLiteral("127.0.0.1");
    quint16 port = server.port();
    if (behaviour == QLatin1String("closed")) {
        QTcpServer gone;
        gone.listen(QHostAddress::LocalHost);
        port = gone.serverPort();
    }
    const QString address = QStringLiteral("%1://%2:%3").arg(scheme, host).arg(port);
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("zteditor.Ini"));
    QFile f(ini);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("[Comm]\nTimeOut=1\n[Ports]\nCOM2=" + address.toLatin1() + "\n");
    f.close();

    QtSerialComm comm(ini);
    comm.setCommPort(2);
    comm.setSettings(QStringLiteral("9600,E,7,2"));
    comm.setHandshaking(2);
    comm.setDTREnable(true);
    comm.setRTSEnable(false);
    QSignalSpy lost(&comm, &SerialPort::portLost);
    try {
        comm.setPortOpen(true);
        QCOMPARE(number, 0);
    } catch (const ZtError &e) {
        QCOMPARE(e.number(), number);
        QVERIFY2(e.description().startsWith(address), qPrintable(e.description()));
        QVERIFY2(e.description().contains(text), qPrintable(e.description()));
        QVERIFY(!comm.portOpen());
        if (behaviour == QLatin1String("flapping")) // our answers stayed bounded
            QVERIFY(server.received.size() <= 15 + 3 * TelnetCodec::MaxAnswers);
        return;
    }
    QVERIFY(comm.portOpen());
    QByteArray got;
    connect(&comm, &SerialPort::onComm, this, [&] { got += comm.input(); });
    if (behaviour == QLatin1String("flood")) {
        QVERIFY(Tools::WaitUntil([&] { return got.size() >= Flood; }, QDeadlineTimer(60000)));
        QCOMPARE(got.size(), Flood);
        QCOMPARE(int(got.count('\xff')), Flood);
        got.clear();
    }
    QVERIFY(Tools::WaitUntil([&] { return server.received.size() >= setup.size(); },
                             QDeadlineTimer(5000)));
    QCOMPARE(server.received.toHex(), setup.toHex());

    // Data both ways, 0xFF doubled on a Telnet line.
    const bool telnet = scheme == QLatin1String("rfc2217");
    comm.output(hex("80ff0d"));
    const QByteArray wire = telnet ? hex("80ffff0d") : hex("80ff0d");
    QVERIFY(Tools::WaitUntil([&] { return server.received.size() >= setup.size() + wire.size(); },
                             QDeadlineTimer(5000)));
    QCOMPARE(server.received.mid(setup.size()).toHex(), wire.toHex());
    server.peer()->write(telnet ? hex("81ffff0d") : hex("81ff0d"));
    QVERIFY(Tools::WaitUntil([&] { return got.size() >= 3; }, QDeadlineTimer(5000)));
    QCOMPARE(got.toHex(), QByteArray("81ff0d"));

    // The server going away is a loss, reported once.
    server.peer()->close();
    QVERIFY(Tools::WaitUntil([&] { return !lost.isEmpty(); }, QDeadlineTimer(5000)));
    Tools::WaitWithEvents(50);
    QCOMPARE(lost.size(), 1);
    QVERIFY(lost[0][0].toString().startsWith(address));
    QVERIFY(!comm.portOpen());
}

// Opened without waiting for the grace, a raw line still tells a server that turns it away,
// with the words the waiting open would have thrown, before anything is received.
void TestNetLine::quickOpenRefused()
{
    ScriptedServer server(QStringLiteral("in-use"));
    const QString address = QStringLiteral("tcp://127.0.0.1:%1").arg(server.port());
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("zteditor.Ini"));
    QFile f(ini);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("[Ports]\nCOM2=" + address.toLatin1() + "\n");
    f.close();
    QtSerialComm comm(ini);
    comm.setCommPort(2);
    comm.setQuickOpen(true);
    QSignalSpy lost(&comm, &SerialPort::portLost);
    comm.setPortOpen(true);
    QVERIFY(Tools::WaitUntil([&] { return !lost.isEmpty(); }, QDeadlineTimer(5000)));
    QCOMPARE(lost[0][0].toString(), address + QStringLiteral(": Port already in use"));
    QVERIFY(!comm.portOpen());
}

QTEST_GUILESS_MAIN(TestNetLine)
#include "tst_netline.moc"
