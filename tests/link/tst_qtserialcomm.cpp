// The QSerialPort adapter against a pseudo-terminal whose far end the test holds.
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include "Unprivileged.h"
#include "common/Tools.h"
#include "common/ZtError.h"
#include "link/QtSerialComm.h"

namespace {

// The device end of a pseudo-terminal; the program end is slave().
class PtyPair {
public:
    PtyPair()
    {
        m_master = posix_openpt(O_RDWR | O_NOCTTY);
        if (m_master >= 0 && grantpt(m_master) == 0 && unlockpt(m_master) == 0)
            m_slave = QString::fromLocal8Bit(ptsname(m_master));
    }
    ~PtyPair() { hangUp(); }
    bool ok() const { return m_master >= 0 && !m_slave.isEmpty(); }
    QString slave() const { return m_slave; }
    void send(const QByteArray &bytes)
    {
        QCOMPARE(::write(m_master, bytes.constData(), bytes.size()), bytes.size());
    }
    QByteArray receive(int expected)
    {
        QByteArray got;
        while (got.size() < expected) {
            pollfd p{m_master, POLLIN, 0};
            if (poll(&p, 1, 5000) <= 0)
                break;
            char buf[256];
            const auto n = ::read(m_master, buf, sizeof buf);
            if (n <= 0)
                break;
            got.append(buf, n);
        }
        return got;
    }
    // Whatever the line discipline echoed before the port went raw.
    void drain()
    {
        pollfd p{m_master, POLLIN, 0};
        char buf[256];
        while (poll(&p, 1, 50) > 0 && ::read(m_master, buf, sizeof buf) > 0) {
        }
    }
    void hangUp()
    {
        if (m_master >= 0)
            ::close(m_master);
        m_master = -1;
    }

private:
    int m_master = -1;
    QString m_slave;
};

void writeIni(const QString &ini, const QString &device)
{
    QFile f(ini);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("[Ports]\nCOM3=" + device.toLocal8Bit() + "\n");
}

} // namespace

class TestQtSerialComm : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void deviceName_data();
    void deviceName();
    void settings_data();
    void settings();
    void openFailures_data();
    void openFailures();
    void openFailureMapping_data();
    void openFailureMapping();
    void deviceAvailable_data();
    void deviceAvailable();
    void exchange();
    void secondOpenIsInUse();
    void hangUpReportedOnce();
    void serverNotReadingKeepsBytesQueued();
};

void TestQtSerialComm::deviceName_data()
{
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("device");
    QTest::newRow("mapped") << 3 << "/dev/pts/99";
    QTest::newRow("unmapped COM1") << 1 << "/dev/ttyS0";
    QTest::newRow("unmapped COM16") << 16 << "/dev/ttyS15";
}

void TestQtSerialComm::deviceName()
{
    QFETCH(int, port);
    QFETCH(QString, device);
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("zteditor.Ini"));
    writeIni(ini, QStringLiteral("/dev/pts/99"));
    QCOMPARE(QtSerialComm::deviceName(ini, port), device);
}

void TestQtSerialComm::settings_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::newRow("default") << "19200,N,8,1" << true;
    QTest::newRow("even 7 2") << "9600,E,7,2" << true;
    QTest::newRow("mark 5 1.5") << "1200,M,5,1.5" << true;
    QTest::newRow("space odd") << "300,S,6,1" << true;
    QTest::newRow("lower-case parity") << "9600,o,8,1" << true;
    QTest::newRow("missing part") << "9600,N,8" << false;
    QTest::newRow("parity X") << "9600,X,8,1" << false;
    QTest::newRow("9 data bits") << "9600,N,9,1" << false;
    QTest::newRow("stop bits 3") << "9600,N,8,3" << false;
    QTest::newRow("baud text") << "fast,N,8,1" << false;
    QTest::newRow("baud 0") << "0,N,8,1" << false;
}

void TestQtSerialComm::settings()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QtSerialComm comm(QStringLiteral("/nonexistent.Ini"));
    bool threw = false;
    try {
        comm.setSettings(text);
    } catch (const ZtError &) {
        threw = true;
    }
    QCOMPARE(threw, !valid);
    QCOMPARE(comm.settings(), valid ? text : QStringLiteral("9600,N,8,1"));
}

void TestQtSerialComm::openFailures_data()
{
    QTest::addColumn<QString>("scenario");
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("says");
    QTest::newRow("no such device") << "missing" << 8002 << "/nonexistent/ttyZT";
    QTest::newRow("permission denied") << "denied" << int(EACCES) << "Join the group";
}

void TestQtSerialComm::openFailures()
{
    QFETCH(QString, scenario);
    QFETCH(int, number);
    QFETCH(QString, says);
    if (scenario == QLatin1String("denied"))
        ZT_AS_ORDINARY_USER(); // root opens any device
    PtyPair pty;
    QVERIFY(pty.ok());
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("zteditor.Ini"));
    const QString device =
        scenario == QLatin1String("missing") ? QStringLiteral("/nonexistent/ttyZT") : pty.slave();
    writeIni(ini, device);
    if (scenario == QLatin1String("denied"))
        QCOMPARE(::chmod(pty.slave().toLocal8Bit().constData(), 0), 0);
    QtSerialComm comm(ini);
    comm.setCommPort(3);
    try {
        comm.setPortOpen(true);
        QFAIL("opened");
    } catch (const ZtError &e) {
        QCOMPARE(e.number(), number);
        QVERIFY2(e.description().contains(says), qPrintable(e.description()));
    }
    QVERIFY(!comm.portOpen());
}

void TestQtSerialComm::openFailureMapping_data()
{
    QTest::addColumn<int>("error"); // QSerialPort::SerialPortError
    QTest::addColumn<int>("err");   // errno behind Qt's text; 0: Qt's lock-file text
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("says");
    const int notFound = QSerialPort::DeviceNotFoundError, denied = QSerialPort::PermissionError,
              unknown = QSerialPort::UnknownError;
    QTest::newRow("missing device") << notFound << ENOENT << 8002 << "/dev/ttyZT9 not found (";
    QTest::newRow("adapter gone, node left") << unknown << ENXIO << 8002 << "/dev/ttyZT9 not found";
    QTest::newRow("no such device") << unknown << ENODEV << 8002 << "/dev/ttyZT9 not found";
    QTest::newRow("held exclusively")
        << denied << EBUSY << 8005 << "/dev/ttyZT9 is in use by another program (";
    QTest::newRow("lock file held")
        << denied << 0 << 8005 << "/dev/ttyZT9 is in use by another program (";
    QTest::newRow("no permission")
        << denied << EACCES << int(EACCES) << "Join the group \"dialout\" that owns the device";
    QTest::newRow("operation not permitted") << unknown << EPERM << int(EACCES) << "dialout";
    QTest::newRow("other failure") << int(QSerialPort::ResourceError) << EIO
                                   << int(QSerialPort::ResourceError) << "/dev/ttyZT9: ";
}

void TestQtSerialComm::openFailureMapping()
{
    QFETCH(int, error);
    QFETCH(int, err);
    QFETCH(int, number);
    QFETCH(QString, says);
    const QString text = err ? QString::fromLocal8Bit(std::strerror(err))
                             : QStringLiteral("Permission error while locking the device");
    const ZtError e = QtSerialComm::openFailure(QStringLiteral("/dev/ttyZT9"),
                                                QSerialPort::SerialPortError(error), text);
    QCOMPARE(e.number(), number);
    QVERIFY2(e.description().contains(says), qPrintable(e.description()));
    QVERIFY2(e.description().contains(text), qPrintable(e.description()));
    // That wording belongs to a device lost while open.
    QVERIFY(!e.description().contains(QLatin1String("disconnected")));
}

void TestQtSerialComm::deviceAvailable_data()
{
    QTest::addColumn<QString>("link"); // what the mapped path is: pty, gone, dangling
    QTest::addColumn<bool>("available");
    QTest::newRow("link to a pseudo-terminal") << "pty" << true;
    QTest::newRow("link removed") << "gone" << false;
    QTest::newRow("link to a vanished device") << "dangling" << false;
}

void TestQtSerialComm::deviceAvailable()
{
    QFETCH(QString, link);
    QFETCH(bool, available);
    PtyPair pty;
    QVERIFY(pty.ok());
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("zteditor.Ini"));
    const QString path = dir.filePath(QStringLiteral("ttyZT"));
    writeIni(ini, path);
    if (link == QLatin1String("pty"))
        QVERIFY(QFile::link(pty.slave(), path));
    if (link == QLatin1String("dangling"))
        QVERIFY(QFile::link(dir.filePath(QStringLiteral("ttyGone")), path));
    QtSerialComm comm(ini);
    comm.setCommPort(3);
    QCOMPARE(comm.portDevice(), path);
    QCOMPARE(comm.deviceAvailable(), available);
}

void TestQtSerialComm::exchange()
{
    PtyPair pty;
    QVERIFY(pty.ok());
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("zteditor.Ini"));
    writeIni(ini, pty.slave());
    QtSerialComm comm(ini);
    comm.setCommPort(3);
    comm.setSettings(QStringLiteral("19200,N,8,1"));
    comm.setDTREnable(true); // refused by a pseudo-terminal, which is no failure
    comm.setRTSEnable(true);
    // Bytes waiting before the open belong to nobody.
    pty.send("stale");
    comm.setPortOpen(true);
    QVERIFY(comm.portOpen());
    pty.drain();

    QSignalSpy sent(&comm, &SerialPort::bytesSent);
    const QByteArray frame = QByteArray(1, char(0x85)) + "0102" + '\r';
    comm.output(frame);
    QVERIFY(Tools::WaitUntil([&] { return comm.outBufferCount() == 0; }, QDeadlineTimer(5000)));
    QCOMPARE(pty.receive(int(frame.size())), frame);
    QCOMPARE(sent.size(), 1);

    QSignalSpy events(&comm, &SerialPort::onComm);
    QSignalSpy received(&comm, &SerialPort::bytesReceived);
    pty.send(QByteArray("\x81\0\r", 3));
    QVERIFY(Tools::WaitUntil([&] { return !events.isEmpty(); }, QDeadlineTimer(5000)));
    QCOMPARE(comm.commEvent(), int(SerialPort::EvReceive));
    QByteArray in;
    Tools::WaitUntil(
        [&] {
            in += comm.input();
            return in.size() >= 2;
        },
        QDeadlineTimer(5000));
    QCOMPARE(in, QByteArray("\x81\r")); // zero bytes dropped, nothing stale
    QVERIFY(!received.isEmpty());

    comm.setPortOpen(false);
    QVERIFY(!comm.portOpen());
    QVERIFY_THROWS_EXCEPTION(ZtError, comm.output("x"));
    QVERIFY_THROWS_EXCEPTION(ZtError, comm.outBufferCount());
}

void TestQtSerialComm::secondOpenIsInUse()
{
    PtyPair pty;
    QVERIFY(pty.ok());
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("zteditor.Ini"));
    writeIni(ini, pty.slave());
    QtSerialComm first(ini), second(ini);
    first.setCommPort(3);
    second.setCommPort(3);
    first.setPortOpen(true);
    try {
        second.setPortOpen(true);
        QFAIL("opened twice");
    } catch (const ZtError &e) {
        QCOMPARE(e.number(), int(SerialPort::ErrPortInUse));
        QVERIFY2(e.description().contains(QLatin1String("in use")), qPrintable(e.description()));
    }
}

void TestQtSerialComm::hangUpReportedOnce()
{
    PtyPair pty;
    QVERIFY(pty.ok());
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("zteditor.Ini"));
    writeIni(ini, pty.slave());
    QtSerialComm comm(ini);
    comm.setCommPort(3);
    comm.setPortOpen(true);
    QSignalSpy lost(&comm, &SerialPort::portLost);
    pty.hangUp();
    QVERIFY(Tools::WaitUntil([&] { return !lost.isEmpty(); }, QDeadlineTimer(5000)));
    Tools::WaitWithEvents(100);
    QCOMPARE(lost.size(), 1);
    QVERIFY(lost.first().first().toString().startsWith(
        QStringLiteral("the device was disconnected or stopped responding (")));
    QVERIFY(!comm.portOpen());
}

// Bytes a device server has not taken are still queued after Qt has handed them to the
// system: the count stays up while the server does not read and falls to 0 once it has.
void TestQtSerialComm::serverNotReadingKeepsBytesQueued()
{
    // A plain listening socket: nothing reads the connection until the test does, and its
    // tiny receive window leaves most bytes in the sender's queue.
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    const int tiny = 1;
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    QVERIFY(::setsockopt(listener, SOL_SOCKET, SO_RCVBUF, &tiny, sizeof tiny) == 0 &&
            ::bind(listener, reinterpret_cast<sockaddr *>(&addr), len) == 0 &&
            ::listen(listener, 1) == 0 &&
            ::getsockname(listener, reinterpret_cast<sockaddr *>(&addr), &len) == 0);
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("zteditor.Ini"));
    writeIni(ini, QStringLiteral("tcp://127.0.0.1:%1").arg(ntohs(addr.sin_port)));
    QtSerialComm comm(ini);
    comm.setCommPort(3);
    comm.setPortOpen(true);
    const int peer = ::accept(listener, nullptr, nullptr);
    ::close(listener);
    QVERIFY(peer >= 0);

    const int size = 8000;
    comm.output(QByteArray(size, '7'));
    Tools::WaitWithEvents(300); // ample time for Qt to hand everything over
    QVERIFY(comm.outBufferCount() > 0);

    int got = 0;
    const bool drained = Tools::WaitUntil(
        [&] {
            char buf[4096];
            for (qint64 n; (n = ::recv(peer, buf, sizeof buf, MSG_DONTWAIT)) > 0;)
                got += int(n);
            return got == size && comm.outBufferCount() == 0;
        },
        QDeadlineTimer(5000), 10);
    ::close(peer);
    QVERIFY(drained);
}

QTEST_GUILESS_MAIN(TestQtSerialComm)
#include "tst_qtserialcomm.moc"
