#include "FakeComm.h"

#include <QRegularExpression>
#include <QTimer>

#include "common/ZtError.h"

void FakeComm::inject(const QByteArray &bytes)
{
    m_in += bytes;
    m_event = EvReceive;
    Q_EMIT onComm();
}

void FakeComm::injectLater(const QByteArray &bytes, int ms)
{
    QTimer::singleShot(ms, this, [this, bytes] { inject(bytes); });
}

void FakeComm::hangUp(const QString &description)
{
    m_open = false;
    m_queued = 0;
    Q_EMIT portLost(description);
}

bool FakeComm::deviceAvailable() const
{
    ++availabilityChecks;
    return available;
}

void FakeComm::setCommPort(int port)
{
    if (port < 1 || port > 16)
        throw ZtError(ErrNoSuchPort, QStringLiteral("Invalid port number"));
    m_port = port;
}

void FakeComm::setSettings(const QString &settings)
{
    static const QRegularExpression form(QStringLiteral("^\\d+,[NEOMS],[4-8],(1|1\\.5|2)$"));
    if (!form.match(settings).hasMatch())
        throw ZtError(380, QStringLiteral("Invalid property value"));
    m_settings = settings;
}

void FakeComm::setPortOpen(bool open)
{
    if (open && !m_open) {
        if (openError == ErrNoSuchPort || !available)
            throw ZtError(openError, QStringLiteral("No such file or directory"));
        if (openError == ErrPortInUse)
            throw ZtError(openError, QStringLiteral("Device or resource busy"));
        ++opens;
    } else if (!open && m_open) {
        ++closes;
        m_queued = 0;
        m_in.clear();
    }
    m_open = open;
}

void FakeComm::output(const QByteArray &bytes)
{
    if (!m_open)
        throw ZtError(8018, QStringLiteral("Operation valid only when the port is open"));
    if (outputFails)
        throw ZtError(5, QStringLiteral("Input/output error"));
    written += bytes;
    chunks << bytes;
    m_queued += int(bytes.size());
    m_polls = 0;
    Q_EMIT bytesSent(bytes);
    if (onOutput)
        onOutput(bytes);
}

QByteArray FakeComm::input()
{
    QByteArray bytes = m_in;
    m_in.clear();
    bytes.removeIf([](char c) { return c == 0; });
    Q_EMIT bytesReceived(bytes);
    return bytes;
}

int FakeComm::outBufferCount() const
{
    if (!m_open)
        throw ZtError(8018, QStringLiteral("Operation valid only when the port is open"));
    // Like a driver's queue, it drains without an event: only polling sees it.
    if (m_queued > 0 && drainAfterPolls >= 0 && ++m_polls > drainAfterPolls)
        m_queued = 0;
    return m_queued;
}
