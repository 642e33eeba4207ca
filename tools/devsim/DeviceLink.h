#pragma once
#include <QByteArray>
#include <QObject>
#include <QString>

class QSerialPort;
class QSocketNotifier;

// The simulated device's end of the serial line.
class DeviceLink : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    virtual void write(const QByteArray &bytes) = 0;
    // What the program opens, for the start-up line.
    virtual QString description() const = 0;

Q_SIGNALS:
    void received(const QByteArray &bytes);
    void failed(const QString &reason); // the line is gone; reported once
};

// A pseudo-terminal whose slave side is reached through a symbolic link. The simulator
// keeps the slave open itself, so the master never sees a hang-up while the program is
// between two sessions; old bytes in the slave are the program's to clear after opening.
class PtyLink : public DeviceLink {
    Q_OBJECT
public:
    using DeviceLink::DeviceLink;
    ~PtyLink() override;
    bool open(const QString &linkPath, QString &error);
    void write(const QByteArray &bytes) override;
    QString description() const override;

private:
    void readMaster();
    void writePending();
    void fail(const QString &reason);

    int m_master = -1;
    int m_slave = -1;
    QString m_slaveName;
    QString m_linkPath;
    QByteArray m_pending;
    QSocketNotifier *m_readNotifier = nullptr;
    QSocketNotifier *m_writeNotifier = nullptr;
};

// A real serial port.
class PortLink : public DeviceLink {
    Q_OBJECT
public:
    explicit PortLink(QObject *parent = nullptr);
    // settings as "19200,N,8,1"
    bool open(const QString &device, const QString &settings, QString &error);
    void write(const QByteArray &bytes) override;
    QString description() const override;

private:
    QSerialPort *m_port;
    QString m_settings;
    bool m_failed = false;
};

class QTcpServer;
class QTcpSocket;

// A TCP port, as a device server's raw mode offers the line: one client at a time, its
// bytes are the line's; a second client is turned away while one is served.
class TcpLink : public DeviceLink {
    Q_OBJECT
public:
    explicit TcpLink(QObject *parent = nullptr);
    bool open(quint16 port, QString &error);
    quint16 port() const;
    void write(const QByteArray &bytes) override;
    QString description() const override;

private:
    void accept();

    QTcpServer *m_server;
    QTcpSocket *m_client = nullptr;
};
