#pragma once
#include "DeviceLink.h"

#include <QElapsedTimer>
#include <QTimer>

// Bytes let through no faster than a serial line of a given baud rate carries them
// (10 bits a byte), released by a timer so the event loop stays free meanwhile.
class LinePacer : public QObject {
    Q_OBJECT
public:
    LinePacer(int baud, QObject *parent);
    void feed(const QByteArray &bytes);

Q_SIGNALS:
    void released(const QByteArray &bytes);

private:
    void release();

    double m_bytesPerMs;
    QByteArray m_queue;
    QElapsedTimer m_clock; // since the line became busy
    qint64 m_sent = 0;     // bytes released since then
    QTimer m_timer;
};

// Another link, slowed to a real line's speed in both directions.
class PacedLink : public DeviceLink {
    Q_OBJECT
public:
    PacedLink(DeviceLink *inner, int baud, QObject *parent = nullptr);
    void write(const QByteArray &bytes) override { m_out.feed(bytes); }
    QString description() const override;

private:
    DeviceLink *m_inner;
    int m_baud;
    LinePacer m_out;
    LinePacer m_in;
};
