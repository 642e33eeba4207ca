#pragma once
#include <QByteArray>
#include <QList>
#include <functional>

#include "link/SerialPort.h"

// A serial port for tests: records what is written, injects what the device sends, and
// fails where a script says so.
class FakeComm : public SerialPort {
    Q_OBJECT
public:
    using SerialPort::SerialPort;

    // --- script ---
    int openError = 0;        // 0, or 8002 / 8005: opening fails with that number
    bool outputFails = false; // Output throws even when open
    // Polls of OutBufferCount until written bytes count as sent; -1: never.
    int drainAfterPolls = 0;
    // Called with every chunk written (after it is recorded); a test may answer from here.
    std::function<void(const QByteArray &chunk)> onOutput;
    QString device = QStringLiteral("/dev/ttyFAKE"); // what every port number maps to
    bool available = true;                           // the device is there to be opened
    mutable int availabilityChecks = 0;

    // --- record ---
    QByteArray written;
    QList<QByteArray> chunks;
    int opens = 0, closes = 0;

    // Makes bytes arrive as the device sends them: queued, then the receive event.
    void inject(const QByteArray &bytes);
    // Delivers bytes once control returns to the event loop.
    void injectLater(const QByteArray &bytes, int ms = 0);
    // The device vanishes: the port closes and the loss is reported.
    void hangUp(const QString &description);

    void setCommPort(int port) override;
    int commPort() const override { return m_port; }
    void setSettings(const QString &settings) override;
    QString settings() const override { return m_settings; }
    void setInBufferSize(int size) override { m_inSize = size; }
    int inBufferSize() const override { return m_inSize; }
    void setOutBufferSize(int size) override { m_outSize = size; }
    int outBufferSize() const override { return m_outSize; }
    void setDTREnable(bool on) override { m_dtr = on; }
    bool dtrEnable() const override { return m_dtr; }
    void setRTSEnable(bool on) override { m_rts = on; }
    bool rtsEnable() const override { return m_rts; }
    void setHandshaking(int mode) override { m_handshaking = mode; }
    int handshaking() const override { return m_handshaking; }
    void setPortOpen(bool open) override;
    bool portOpen() const override { return m_open; }
    void output(const QByteArray &bytes) override;
    QByteArray input() override;
    int outBufferCount() const override;
    int commEvent() const override { return m_event; }
    QString portDevice() const override { return device; }
    bool deviceAvailable() const override;

private:
    int m_port = 1;
    QString m_settings = QStringLiteral("9600,N,8,1");
    int m_inSize = 1024, m_outSize = 512;
    bool m_dtr = false, m_rts = false;
    int m_handshaking = 0;
    bool m_open = false;
    QByteArray m_in;
    int m_event = 0;
    mutable int m_queued = 0;
    mutable int m_polls = 0;
};
