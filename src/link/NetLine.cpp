#include "link/NetLine.h"

#include <QDeadlineTimer>
#include <QScopeGuard>
#include <QUrl>

#include "common/Tools.h"
#include "common/ZtError.h"
#include "link/SerialPort.h"

namespace {

const QString SchemeRaw = QStringLiteral("tcp");
const QString SchemeTelnet = QStringLiteral("rfc2217");
// A raw server that turns us away says so right after accepting.
constexpr int RawGraceMs = 300;
// What a server may send before the line is open (its "in use" text, say).
constexpr int MaxOpeningBytes = 4096;

quint8 parityCode(QSerialPort::Parity p)
{
    switch (p) {
    case QSerialPort::OddParity:
        return 2;
    case QSerialPort::EvenParity:
        return 3;
    case QSerialPort::MarkParity:
        return 4;
    case QSerialPort::SpaceParity:
        return 5;
    default:
        return 1;
    }
}

quint8 stopCode(QSerialPort::StopBits s)
{
    return s == QSerialPort::TwoStop ? 2 : s == QSerialPort::OneAndHalfStop ? 3 : 1;
}

quint8 flowCode(int handshaking)
{
    return handshaking == 1   ? TelnetCodec::FlowXonXoff
           : handshaking >= 2 ? TelnetCodec::FlowHardware
                              : TelnetCodec::FlowNone;
}

} // namespace

NetLine::NetLine(QObject *parent) : QObject(parent)
{
    connect(&m_socket, &QTcpSocket::readyRead, this, &NetLine::onReadyRead);
    connect(&m_socket, &QTcpSocket::disconnected, this, &NetLine::onDropped);
    connect(&m_socket, &QTcpSocket::errorOccurred, this, &NetLine::onDropped);
}

// The socket outlives the other members and reports its own end on destruction: nothing of
// this object may run then.
NetLine::~NetLine()
{
    m_socket.disconnect(this);
}

bool NetLine::isAddress(const QString &device)
{
    return device.startsWith(SchemeRaw + QStringLiteral("://"), Qt::CaseInsensitive) ||
           device.startsWith(SchemeTelnet + QStringLiteral("://"), Qt::CaseInsensitive);
}

void NetLine::fail(int number, const QString &text)
{
    m_socket.abort();
    m_in.clear();
    throw ZtError(number, QStringLiteral("%1: %2").arg(m_address, text));
}

bool NetLine::waitFor(const std::function<bool()> &done, const QDeadlineTimer &deadline)
{
    return Tools::WaitUntil(
        [&] { return done() || m_socket.state() == QAbstractSocket::UnconnectedState; }, deadline);
}

void NetLine::open(const QString &address, const Line &line, int handshaking, bool dtr, bool rts,
                   int timeOutSeconds)
{
    if (m_open)
        return;
    // The wait below lets events run; a second open meanwhile (a reconnect tick) waits its turn.
    if (m_opening)
        throw ZtError(SerialPort::ErrPortInUse,
                      QStringLiteral("%1: the connection is being opened").arg(address));
    m_address = address;
    const QUrl url(address.trimmed());
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty() || url.port() <= 0)
        throw ZtError(SerialPort::ErrNoSuchPort,
                      QStringLiteral("%1: not a network address (tcp://HOST:PORT or "
                                     "rfc2217://HOST:PORT)")
                          .arg(address));
    m_telnet = scheme == SchemeTelnet;
    m_codec = TelnetCodec();
    m_in.clear();
    m_said.clear();
    m_grace = QDeadlineTimer();
    m_opening = true;
    const auto done = qScopeGuard([this] { m_opening = false; });
    const int seconds = timeOutSeconds > 0 ? timeOutSeconds : 10;
    const QDeadlineTimer deadline(qint64(seconds) * 1000);
    const auto noAnswer = [&](const QString &what) {
        return QStringLiteral("%1 within %2 s").arg(what).arg(seconds);
    };
    const auto serverClosed = [&] {
        const auto [number, text] = refusal();
        fail(number, text);
    };

    m_socket.connectToHost(url.host(), quint16(url.port()));
    waitFor([&] { return m_socket.state() == QAbstractSocket::ConnectedState; }, deadline);
    // Frames are a few bytes each: sent at once, not gathered for a fuller segment.
    m_socket.setSocketOption(QAbstractSocket::LowDelayOption, 1);
    if (m_socket.state() != QAbstractSocket::ConnectedState) {
        // Still trying at the deadline: the host does not answer.
        const bool refused = m_socket.state() == QAbstractSocket::UnconnectedState;
        fail(SerialPort::ErrNoSuchPort,
             refused ? m_socket.errorString() : noAnswer(QStringLiteral("no connection")));
    }

    if (!m_telnet) {
        const QDeadlineTimer grace(std::min<qint64>(RawGraceMs, deadline.remainingTime()));
        if (m_quickOpen) {
            m_grace = grace; // a drop until then is reported by onDropped as a refusal
        } else {
            waitFor([] { return false; }, grace);
            if (m_socket.state() != QAbstractSocket::ConnectedState)
                serverClosed();
        }
    } else {
        send(m_codec.start());
        waitFor([&] { return m_codec.comPortAgreed() || m_codec.comPortRefused(); }, deadline);
        if (m_socket.state() != QAbstractSocket::ConnectedState)
            serverClosed();
        if (m_codec.comPortRefused())
            fail(SerialPort::ErrNoSuchPort,
                 QStringLiteral("the server does not set serial lines (no RFC 2217)"));
        if (!m_codec.comPortAgreed())
            fail(SerialPort::ErrNoSuchPort, noAnswer(QStringLiteral("no RFC 2217 answer")));
        const int before = m_codec.settingsAnswered();
        setLine(line);
        setHandshaking(handshaking);
        setModemLines(dtr, rts);
        // The line is set before the first byte of data goes out.
        waitFor([&] { return m_codec.settingsAnswered() > before; }, deadline);
        if (m_socket.state() != QAbstractSocket::ConnectedState)
            serverClosed();
        if (m_codec.settingsAnswered() == before)
            fail(SerialPort::ErrNoSuchPort,
                 noAnswer(QStringLiteral("the line settings were not confirmed")));
    }
    m_open = true;
    if (!m_in.isEmpty())
        QMetaObject::invokeMethod(this, &NetLine::readyRead, Qt::QueuedConnection);
}

// Why a server closed the connection while it was being opened, from what it said.
std::pair<int, QString> NetLine::refusal() const
{
    const QString said = Tools::Trim(QString::fromLatin1(m_said).simplified().left(200));
    if (said.contains(QLatin1String("in use"), Qt::CaseInsensitive))
        return {SerialPort::ErrPortInUse, said};
    return {SerialPort::ErrNoSuchPort,
            said.isEmpty() ? QStringLiteral("the server closed the connection")
                           : QStringLiteral("the server closed the connection (%1)").arg(said)};
}

void NetLine::close()
{
    m_open = false;
    m_socket.abort();
    m_in.clear();
}

void NetLine::send(const QByteArray &bytes)
{
    if (!bytes.isEmpty())
        m_socket.write(bytes);
}

void NetLine::setLine(const Line &line)
{
    if (!m_telnet)
        return;
    send(TelnetCodec::setBaudRate(quint32(line.baud)) +
         TelnetCodec::setByte(TelnetCodec::SetDataSize, quint8(line.dataBits)) +
         TelnetCodec::setByte(TelnetCodec::SetParity, parityCode(line.parity)) +
         TelnetCodec::setByte(TelnetCodec::SetStopSize, stopCode(line.stopBits)));
}

void NetLine::setHandshaking(int mode)
{
    if (m_telnet)
        send(TelnetCodec::setByte(TelnetCodec::SetControl, flowCode(mode)));
}

void NetLine::setModemLines(bool dtr, bool rts)
{
    if (m_telnet)
        send(TelnetCodec::setByte(TelnetCodec::SetControl,
                                  dtr ? TelnetCodec::DtrOn : TelnetCodec::DtrOff) +
             TelnetCodec::setByte(TelnetCodec::SetControl,
                                  rts ? TelnetCodec::RtsOn : TelnetCodec::RtsOff));
}

void NetLine::write(const QByteArray &bytes)
{
    const QByteArray wire = m_telnet ? TelnetCodec::encode(bytes) : bytes;
    if (m_socket.write(wire) != wire.size())
        throw ZtError(SerialPort::ErrNoSuchPort,
                      QStringLiteral("%1: %2").arg(m_address, m_socket.errorString()));
}

// Runs inside the socket's notification: moves bytes, answers negotiation, nothing more.
void NetLine::onReadyRead()
{
    QByteArray bytes = m_socket.readAll();
    if (m_telnet) {
        m_codec.feed(bytes);
        send(m_codec.takeReplies());
        bytes = m_codec.takeData();
    }
    const bool opening = !m_open || !m_grace.hasExpired();
    if (opening)
        m_said += bytes.first(std::min(bytes.size(), MaxOpeningBytes - m_said.size()));
    if (!m_open)
        bytes.truncate(std::max<qsizetype>(0, MaxOpeningBytes - m_in.size()));
    if (bytes.isEmpty())
        return;
    m_in += bytes;
    if (m_open)
        Q_EMIT readyRead();
}

void NetLine::onDropped()
{
    if (!m_open)
        return;
    m_open = false;
    const QString text = !m_grace.hasExpired()
                             ? QStringLiteral("%1: %2").arg(m_address, refusal().second)
                             : QStringLiteral("%1: the connection was lost (%2)")
                                   .arg(m_address, m_socket.errorString());
    m_socket.abort();
    Q_EMIT lost(text);
}
