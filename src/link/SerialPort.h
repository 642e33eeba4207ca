#pragma once
#include <QByteArray>
#include <QObject>
#include <QString>

// The serial-port control surface the link relies on. Every failing access throws
// ZtError with the number (8002 no such port, 8005 in use) and the description.
class SerialPort : public QObject {
    Q_OBJECT
public:
    static constexpr int ErrNoSuchPort = 8002;
    static constexpr int ErrPortInUse = 8005;
    static constexpr int EvReceive = 2;

    using QObject::QObject;
    ~SerialPort() override = default;

    virtual void setCommPort(int port) = 0; // 1..16
    virtual int commPort() const = 0;
    virtual void setSettings(const QString &settings) = 0; // "19200,N,8,1"
    virtual QString settings() const = 0;
    virtual void setInBufferSize(int size) = 0;
    virtual int inBufferSize() const = 0;
    virtual void setOutBufferSize(int size) = 0;
    virtual int outBufferSize() const = 0;
    virtual void setDTREnable(bool on) = 0;
    virtual bool dtrEnable() const = 0;
    virtual void setRTSEnable(bool on) = 0;
    virtual bool rtsEnable() const = 0;
    virtual void setHandshaking(int mode) = 0; // 0 none
    virtual int handshaking() const = 0;
    virtual void setPortOpen(bool open) = 0;
    virtual bool portOpen() const = 0;
    virtual void output(const QByteArray &bytes) = 0; // queues and returns at once
    virtual QByteArray input() = 0;                   // all waiting bytes, zero bytes dropped
    // Bytes written and not yet sent, the system's queue included; it falls without a
    // notification, so whoever waits for 0 polls it.
    virtual int outBufferCount() const = 0;
    virtual int commEvent() const = 0;
    // The device the current CommPort maps to (a path, or an address of a device server).
    virtual QString portDevice() const { return QStringLiteral("COM%1").arg(commPort()); }
    // A cheap look whether that device is there to be opened, for watching a lost port
    // come back; whoever cannot tell says yes and lets the open attempt decide.
    virtual bool deviceAvailable() const { return true; }

Q_SIGNALS:
    void onComm(); // received data (commEvent() == EvReceive) or another event
    // The device went away while open (adapter pulled, far end hung up); the port is
    // closed already. Raised once per loss.
    void portLost(const QString &description);
    // Raw traffic for the debug window.
    void bytesSent(const QByteArray &bytes);
    void bytesReceived(const QByteArray &bytes);
};
