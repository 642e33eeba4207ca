#include "DeviceLink.h"

#include <QFile>
#include <QHash>
#include <QSerialPort>
#include <QSocketNotifier>
#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace {
QString errnoText()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

// The target of path when it is a symbolic link, else an empty text.
QString linkTarget(const QString &path)
{
    struct stat st {};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISLNK(st.st_mode))
        return {};
    return QFile::symLinkTarget(path).isEmpty() ? QStringLiteral("?") : QFile::symLinkTarget(path);
}
} // namespace

PtyLink::~PtyLink()
{
    // Only our own link is removed; another simulator may have taken the name meanwhile.
    if (!m_linkPath.isEmpty() && linkTarget(m_linkPath) == m_slaveName)
        QFile::remove(m_linkPath);
    if (m_slave >= 0)
        ::close(m_slave);
    if (m_master >= 0)
        ::close(m_master);
}

bool PtyLink::open(const QString &linkPath, QString &error)
{
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (m_master < 0 || ::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0) {
        error = QStringLiteral("cannot create a pseudo-terminal: ") + errnoText();
        return false;
    }
    char name[128] = {};
    if (::ptsname_r(m_master, name, sizeof name) != 0) {
        error = QStringLiteral("cannot name the pseudo-terminal: ") + errnoText();
        return false;
    }
    m_slaveName = QString::fromLocal8Bit(name);
    m_slave = ::open(name, O_RDWR | O_NOCTTY);
    if (m_slave < 0) {
        error = QStringLiteral("cannot open %1: %2").arg(m_slaveName, errnoText());
        return false;
    }
    // Raw in both directions until the program sets its own line settings: no echo,
    // no CR/LF translation, no signals from 0x03 and the like.
    termios tio{};
    if (::tcgetattr(m_slave, &tio) == 0) {
        ::cfmakeraw(&tio);
        ::cfsetspeed(&tio, B19200);
        ::tcsetattr(m_slave, TCSANOW, &tio);
    }

    const QByteArray link = QFile::encodeName(linkPath);
    struct stat st {};
    if (::lstat(link.constData(), &st) == 0) {
        if (!S_ISLNK(st.st_mode)) {
            error =
                QStringLiteral("%1 exists and is not a symbolic link; not replaced").arg(linkPath);
            return false;
        }
        ::unlink(link.constData()); // a link left by a simulator that was killed
    }
    if (::symlink(name, link.constData()) != 0) {
        error = QStringLiteral("cannot create the link %1: %2").arg(linkPath, errnoText());
        return false;
    }
    m_linkPath = linkPath;

    m_readNotifier = new QSocketNotifier(m_master, QSocketNotifier::Read, this);
    connect(m_readNotifier, &QSocketNotifier::activated, this, &PtyLink::readMaster);
    m_writeNotifier = new QSocketNotifier(m_master, QSocketNotifier::Write, this);
    m_writeNotifier->setEnabled(false);
    connect(m_writeNotifier, &QSocketNotifier::activated, this, &PtyLink::writePending);
    return true;
}

QString PtyLink::description() const
{
    return QStringLiteral("pseudo-terminal %1, link %2").arg(m_slaveName, m_linkPath);
}

void PtyLink::readMaster()
{
    QByteArray bytes;
    char buf[4096];
    for (;;) {
        const ssize_t n = ::read(m_master, buf, sizeof buf);
        if (n > 0) {
            bytes.append(buf, n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK)
            fail(QStringLiteral("reading the pseudo-terminal failed: ") + errnoText());
        break;
    }
    if (!bytes.isEmpty())
        Q_EMIT received(bytes);
}

void PtyLink::write(const QByteArray &bytes)
{
    m_pending += bytes;
    writePending();
}

void PtyLink::writePending()
{
    while (!m_pending.isEmpty() && m_master >= 0) {
        const ssize_t n = ::write(m_master, m_pending.constData(), m_pending.size());
        if (n > 0) {
            m_pending.remove(0, n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            break; // the program does not read; the rest goes when there is room
        fail(QStringLiteral("writing to the pseudo-terminal failed: ") + errnoText());
        return;
    }
    if (m_writeNotifier)
        m_writeNotifier->setEnabled(!m_pending.isEmpty());
}

void PtyLink::fail(const QString &reason)
{
    if (m_readNotifier)
        m_readNotifier->setEnabled(false);
    if (m_writeNotifier)
        m_writeNotifier->setEnabled(false);
    m_pending.clear();
    Q_EMIT failed(reason);
}

PortLink::PortLink(QObject *parent) : DeviceLink(parent), m_port(new QSerialPort(this))
{
    connect(m_port, &QSerialPort::readyRead, this, [this] { Q_EMIT received(m_port->readAll()); });
    // A pulled adapter raises errors in a flood: close at the first and report it once.
    connect(m_port, &QSerialPort::errorOccurred, this, [this](QSerialPort::SerialPortError e) {
        // Lines without modem signals refuse DTR/RTS; that is no failure of the line.
        if (e == QSerialPort::NoError || e == QSerialPort::UnsupportedOperationError || m_failed ||
            !m_port->isOpen())
            return;
        m_failed = true;
        const QString reason = QStringLiteral("the serial line failed: ") + m_port->errorString();
        m_port->close();
        Q_EMIT failed(reason);
    });
}

bool PortLink::open(const QString &device, const QString &settings, QString &error)
{
    const QStringList parts = settings.toUpper().split(QLatin1Char(','));
    bool baudOk = false;
    const int baud = parts.value(0).trimmed().toInt(&baudOk);
    static const QHash<QString, QSerialPort::Parity> parities{
        {QStringLiteral("N"), QSerialPort::NoParity},
        {QStringLiteral("E"), QSerialPort::EvenParity},
        {QStringLiteral("O"), QSerialPort::OddParity},
        {QStringLiteral("M"), QSerialPort::MarkParity},
        {QStringLiteral("S"), QSerialPort::SpaceParity}};
    static const QHash<QString, QSerialPort::StopBits> stops{
        {QStringLiteral("1"), QSerialPort::OneStop},
        {QStringLiteral("1.5"), QSerialPort::OneAndHalfStop},
        {QStringLiteral("2"), QSerialPort::TwoStop}};
    const int bits = parts.value(2).trimmed().toInt();
    if (parts.size() != 4 || !baudOk || baud <= 0 || !parities.contains(parts[1].trimmed()) ||
        bits < 5 || bits > 8 || !stops.contains(parts[3].trimmed())) {
        error = QStringLiteral("line settings \"%1\" not understood; write them as 19200,N,8,1")
                    .arg(settings);
        return false;
    }
    m_settings = settings.toUpper();
    m_port->setPortName(device);
    if (!m_port->open(QIODevice::ReadWrite)) {
        error = QStringLiteral("cannot open %1: %2").arg(device, m_port->errorString());
        return false;
    }
    const bool set = m_port->setBaudRate(baud) && m_port->setParity(parities[parts[1].trimmed()]) &&
                     m_port->setDataBits(QSerialPort::DataBits(bits)) &&
                     m_port->setStopBits(stops[parts[3].trimmed()]) &&
                     m_port->setFlowControl(QSerialPort::NoFlowControl);
    if (!set) {
        error = QStringLiteral("cannot apply %1 to %2: %3")
                    .arg(m_settings, device, m_port->errorString());
        m_port->close();
        return false;
    }
    // Modem lines on where the device has them; a line without them is no failure.
    m_port->setDataTerminalReady(true);
    m_port->setRequestToSend(true);
    m_port->clearError();
    m_port->clear();
    return true;
}

void PortLink::write(const QByteArray &bytes)
{
    if (m_port->isOpen())
        m_port->write(bytes);
}

QString PortLink::description() const
{
    return QStringLiteral("serial port %1 at %2").arg(m_port->portName(), m_settings);
}

TcpLink::TcpLink(QObject *parent) : DeviceLink(parent), m_server(new QTcpServer(this))
{
    connect(m_server, &QTcpServer::newConnection, this, &TcpLink::accept);
}

bool TcpLink::open(quint16 port, QString &error)
{
    if (m_server->listen(QHostAddress::LocalHost, port))
        return true;
    error = QStringLiteral("cannot listen on port %1: %2").arg(port).arg(m_server->errorString());
    return false;
}

void TcpLink::accept()
{
    while (QTcpSocket *socket = m_server->nextPendingConnection()) {
        if (m_client) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        m_client = socket;
        connect(socket, &QTcpSocket::readyRead, this,
                [this, socket] { Q_EMIT received(socket->readAll()); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            m_client = nullptr;
            socket->deleteLater();
        });
    }
}

void TcpLink::write(const QByteArray &bytes)
{
    if (m_client)
        m_client->write(bytes);
}

quint16 TcpLink::port() const
{
    return m_server->serverPort();
}

QString TcpLink::description() const
{
    return QStringLiteral("TCP port %1").arg(m_server->serverPort());
}
