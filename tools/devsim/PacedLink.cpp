#include "PacedLink.h"

#include <cmath>

namespace {
constexpr int BitsPerByte = 10; // start, 8 data bits, stop
constexpr int TickMs = 5;       // 9 to 10 bytes a tick at 19200 baud
} // namespace

LinePacer::LinePacer(int baud, QObject *parent)
    : QObject(parent), m_bytesPerMs(double(baud) / BitsPerByte / 1000)
{
    m_timer.setTimerType(Qt::PreciseTimer);
    m_timer.setInterval(TickMs);
    connect(&m_timer, &QTimer::timeout, this, &LinePacer::release);
}

void LinePacer::feed(const QByteArray &bytes)
{
    if (m_queue.isEmpty() && !m_timer.isActive()) {
        m_clock.start();
        m_sent = 0;
        m_timer.start();
    }
    m_queue += bytes;
}

void LinePacer::release()
{
    // What the line has carried since it became busy, less what was let through already.
    const auto due = qint64(std::floor(double(m_clock.nsecsElapsed()) / 1e6 * m_bytesPerMs));
    const qsizetype n = qMin<qsizetype>(m_queue.size(), due - m_sent);
    if (n > 0) {
        const QByteArray piece = m_queue.first(n);
        m_queue.remove(0, n);
        m_sent += n;
        Q_EMIT released(piece);
    }
    // A byte is let through once its time on the line is over: drained, the line is idle
    // and the next write starts afresh.
    if (m_queue.isEmpty())
        m_timer.stop();
}

PacedLink::PacedLink(DeviceLink *inner, int baud, QObject *parent)
    : DeviceLink(parent), m_inner(inner), m_baud(baud), m_out(baud, this), m_in(baud, this)
{
    inner->setParent(this);
    connect(&m_out, &LinePacer::released, inner, &DeviceLink::write);
    connect(inner, &DeviceLink::received, &m_in, &LinePacer::feed);
    connect(&m_in, &LinePacer::released, this, &DeviceLink::received);
    connect(inner, &DeviceLink::failed, this, &DeviceLink::failed);
}

QString PacedLink::description() const
{
    return QStringLiteral("%1 at %2 baud").arg(m_inner->description()).arg(m_baud);
}
