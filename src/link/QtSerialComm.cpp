#include "link/QtSerialComm.h"

#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>

#include "common/Tools.h"
#include "common/ZtError.h"
#include "link/OutQueue.h"
#include "settings/INITools.h"

namespace {

constexpr int ErrInvalidValue = 380;
constexpr int ErrPortNotOpen = 8018;

ZtError invalidSettings(const QString &settings)
{
    return ZtError(
        ErrInvalidValue,
        QStringLiteral("Invalid port settings \"%1\" (expected baud rate, parity N/E/O/M/S, "
                       "data bits 5 to 8, stop bits 1, 1.5 or 2, such as 19200,N,8,1)")
            .arg(settings));
}

// Handshaking 0 none, 1 XON/XOFF, 2 RTS, 3 both; "both" has no combined mode here, so
// the hardware lines rule.
QSerialPort::FlowControl flowOf(int mode)
{
    switch (mode) {
    case 1:
        return QSerialPort::SoftwareControl;
    case 2:
    case 3:
        return QSerialPort::HardwareControl;
    default:
        return QSerialPort::NoFlowControl;
    }
}

} // namespace

QtSerialComm::QtSerialComm(const QString &iniFile, QObject *parent)
    : SerialPort(parent), m_iniFile(iniFile)
{
    connect(&m_port, &QSerialPort::readyRead, this, [this] {
        m_event = EvReceive;
        Q_EMIT onComm();
    });
    connect(&m_port, &QSerialPort::errorOccurred, this, &QtSerialComm::onError);
    connect(&m_net, &NetLine::readyRead, this, [this] {
        m_event = EvReceive;
        Q_EMIT onComm();
    });
    connect(&m_net, &NetLine::lost, this, &SerialPort::portLost);
}

QString QtSerialComm::deviceName(const QString &iniFile, int port)
{
    const QString mapped = Tools::Trim(INI_ReadValue(iniFile, QStringLiteral("Ports"),
                                                     QStringLiteral("COM%1").arg(port), QString()));
    if (!mapped.isEmpty())
        return mapped;
#ifdef Q_OS_WIN
    return QStringLiteral("COM%1").arg(port);
#else
    return QStringLiteral("/dev/ttyS%1").arg(port - 1);
#endif
}

QtSerialComm::Line QtSerialComm::parse(const QString &settings)
{
    const QStringList parts = settings.split(QLatin1Char(','));
    if (parts.size() != 4)
        throw invalidSettings(settings);
    bool ok = false;
    Line line{};
    line.baud = parts[0].trimmed().toInt(&ok);
    if (!ok || line.baud <= 0)
        throw invalidSettings(settings);
    const QString parity = parts[1].trimmed().toUpper();
    if (parity == QLatin1String("N"))
        line.parity = QSerialPort::NoParity;
    else if (parity == QLatin1String("E"))
        line.parity = QSerialPort::EvenParity;
    else if (parity == QLatin1String("O"))
        line.parity = QSerialPort::OddParity;
    else if (parity == QLatin1String("M"))
        line.parity = QSerialPort::MarkParity;
    else if (parity == QLatin1String("S"))
        line.parity = QSerialPort::SpaceParity;
    else
        throw invalidSettings(settings);
    const int bits = parts[2].trimmed().toInt(&ok);
    if (!ok || bits < 5 || bits > 8)
        throw invalidSettings(settings);
    line.dataBits = QSerialPort::DataBits(bits);
    const QString stop = parts[3].trimmed();
    if (stop == QLatin1String("1"))
        line.stopBits = QSerialPort::OneStop;
    else if (stop == QLatin1String("1.5"))
        line.stopBits = QSerialPort::OneAndHalfStop;
    else if (stop == QLatin1String("2"))
        line.stopBits = QSerialPort::TwoStop;
    else
        throw invalidSettings(settings);
    return line;
}

void QtSerialComm::setCommPort(int port)
{
    if (port < 1 || port > 16)
        throw ZtError(ErrNoSuchPort, QStringLiteral("Invalid port number %1 (1 to 16)").arg(port));
    if (portOpen())
        throw ZtError(ErrPortInUse, QStringLiteral("Port already open"));
    m_commPort = port;
}

void QtSerialComm::setSettings(const QString &settings)
{
    parse(settings);
    m_settings = settings;
    if (portOpen())
        applyLine();
}

// A pseudo-terminal refuses some line changes after open; that is no failure of ours.
void QtSerialComm::applyLine()
{
    const Line line = parse(m_settings);
    if (m_net.isOpen())
        return m_net.setLine(line);
    const bool ok = m_port.setBaudRate(line.baud) && m_port.setParity(line.parity) &&
                    m_port.setDataBits(line.dataBits) && m_port.setStopBits(line.stopBits);
    if (!ok && m_port.isOpen() && m_port.error() != QSerialPort::UnsupportedOperationError)
        throw ZtError(int(m_port.error()), m_port.errorString());
    m_port.clearError();
}

void QtSerialComm::setInBufferSize(int size)
{
    m_inBufferSize = size;
    // Input is read as soon as it arrives, so the buffer only bounds a burst.
    m_port.setReadBufferSize(size > 0 ? size : 0);
}

void QtSerialComm::applyModemLines()
{
    // Modem lines a device does not have (a pseudo-terminal) or that flow control owns
    // are refused; the line stays as the device has it.
    if (m_net.isOpen())
        return m_net.setModemLines(m_dtr, m_rts);
    if (!m_port.setDataTerminalReady(m_dtr) || !m_port.setRequestToSend(m_rts)) {
        if (m_port.error() != QSerialPort::UnsupportedOperationError)
            throw ZtError(int(m_port.error()), m_port.errorString());
    }
    m_port.clearError();
}

void QtSerialComm::setDTREnable(bool on)
{
    m_dtr = on;
    if (portOpen())
        applyModemLines();
}

void QtSerialComm::setRTSEnable(bool on)
{
    m_rts = on;
    if (portOpen())
        applyModemLines();
}

void QtSerialComm::setHandshaking(int mode)
{
    if (mode < 0 || mode > 3)
        throw ZtError(ErrInvalidValue, QStringLiteral("Invalid handshaking %1 (0 to 3)").arg(mode));
    m_handshaking = mode;
    if (m_net.isOpen())
        return m_net.setHandshaking(mode);
    if (!m_port.setFlowControl(flowOf(mode)) && m_port.isOpen() &&
        m_port.error() != QSerialPort::UnsupportedOperationError)
        throw ZtError(int(m_port.error()), m_port.errorString());
    m_port.clearError();
}

void QtSerialComm::setPortOpen(bool open)
{
    if (!open) {
        if (m_port.isOpen())
            m_port.close();
        m_net.close();
        return;
    }
    if (portOpen())
        return;
    const QString device = portDevice();
    if (NetLine::isAddress(device)) {
        m_net.open(device, parse(m_settings), m_handshaking, m_dtr, m_rts, connectTimeOut());
        m_event = 0;
        return;
    }
    m_port.setPortName(device);
    applyLine();
    m_port.setFlowControl(flowOf(m_handshaking));
    if (!m_port.open(QIODevice::ReadWrite)) {
        const ZtError failure = openFailure(device, m_port.error(), m_port.errorString());
        m_port.clearError();
        throw failure;
    }
    // Bytes that waited in the driver belong to an earlier session.
    m_port.clear();
    m_event = 0;
    applyModemLines();
}

// A device server that does not answer gives up after [Comm] TimeOut seconds, unless the
// caller has set its own deadline.
int QtSerialComm::connectTimeOut() const
{
    if (m_connectTimeOut)
        return *m_connectTimeOut;
    const double seconds = INI_ReadValue(m_iniFile, QStringLiteral("Comm"),
                                         QStringLiteral("TimeOut"), QStringLiteral("10"))
                               .trimmed()
                               .toDouble();
    // Within the link's own range of TimeOut; "none", "nan" and the like read as none.
    return seconds > 0 ? int(std::min(seconds, 32767.0)) : 0;
}

ZtError QtSerialComm::openFailure(const QString &device, QSerialPort::SerialPortError error,
                                  const QString &text)
{
    // Qt passes the system's text for errno on; its own words only for the lock file.
    const auto isErrno = [&](int e) { return text == QString::fromLocal8Bit(std::strerror(e)); };
    static const char Locked[] = "Permission error while locking the device";
    if (error == QSerialPort::DeviceNotFoundError || isErrno(ENOENT) || isErrno(ENODEV) ||
        isErrno(ENXIO))
        return ZtError(ErrNoSuchPort, QStringLiteral("%1 not found (%2)").arg(device, text));
    if (isErrno(EBUSY) || text == QLatin1String(Locked) || text == QSerialPort::tr(Locked))
        return ZtError(ErrPortInUse,
                       QStringLiteral("%1 is in use by another program (%2)").arg(device, text));
    if (error == QSerialPort::PermissionError || isErrno(EACCES) || isErrno(EPERM)) {
        QString group = QFileInfo(device).group();
        if (group.isEmpty() || group == QLatin1String("root"))
            group = QStringLiteral("dialout");
        return ZtError(EACCES, QStringLiteral("%1: %2. Join the group \"%3\" that owns the device "
                                              "(sudo usermod -aG %3 $USER) and log in again.")
                                   .arg(device, text, group));
    }
    return ZtError(int(error), QStringLiteral("%1: %2").arg(device, text));
}

bool QtSerialComm::deviceAvailable() const
{
#ifdef Q_OS_WIN
    return true; // a port name, not a file: the open attempt tells
#else
    // A device server is only known to be back by connecting; a link to a vanished
    // device counts as gone.
    return NetLine::isAddress(portDevice()) || QFileInfo::exists(portDevice());
#endif
}

void QtSerialComm::requireOpen() const
{
    if (!portOpen())
        throw ZtError(ErrPortNotOpen, QStringLiteral("Port COM%1 is not open").arg(m_commPort));
}

void QtSerialComm::output(const QByteArray &bytes)
{
    requireOpen();
    if (m_net.isOpen())
        m_net.write(bytes);
    else if (m_port.write(bytes) != bytes.size())
        throw ZtError(int(m_port.error()), m_port.errorString());
    Q_EMIT bytesSent(bytes);
}

QByteArray QtSerialComm::input()
{
    QByteArray bytes = m_net.isOpen() ? m_net.readAll() : m_port.readAll();
    if (!bytes.isEmpty())
        Q_EMIT bytesReceived(bytes);
    bytes.removeIf([](char c) { return c == 0; });
    return bytes;
}

int QtSerialComm::outBufferCount() const
{
    requireOpen();
    // Qt's buffer empties as soon as the system takes the bytes; they have left only when
    // the driver's queue is empty as well.
    const qint64 queued =
        m_net.isOpen() ? m_net.bytesToWrite() : m_port.bytesToWrite() + OutQueue::serial(m_port);
    return int(std::min<qint64>(queued, std::numeric_limits<int>::max()));
}

// A vanished device floods errors; close on the first and report the loss once.
void QtSerialComm::onError(QSerialPort::SerialPortError error)
{
    const bool loss = error == QSerialPort::ResourceError || error == QSerialPort::ReadError ||
                      error == QSerialPort::WriteError;
    if (!loss || !m_port.isOpen() || m_closingOnError)
        return;
    m_closingOnError = true;
    // Qt's text for a hang-up is often stale ("Inappropriate ioctl for device"), so say
    // plainly what happened and keep the system's words behind it.
    const QString text = QStringLiteral("the device was disconnected or stopped responding (%1)")
                             .arg(m_port.errorString());
    m_port.close();
    m_port.clearError();
    m_closingOnError = false;
    Q_EMIT portLost(text);
}
