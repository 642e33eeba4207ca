#pragma once
#include <QSerialPort>
#include <optional>

#include "common/ZtError.h"
#include "link/NetLine.h"
#include "link/SerialPort.h"

// The serial port over QSerialPort. Port numbers 1..16 map to devices through section
// "Ports" of the settings file ("COM3=/dev/ttyUSB0"); without an entry COMn is
// /dev/ttyS(n-1) on Linux and COMn on Windows. A network address there ("tcp://host:4001",
// "rfc2217://host:4002") puts the line on a device server instead.
class QtSerialComm : public SerialPort {
    Q_OBJECT
public:
    explicit QtSerialComm(const QString &iniFile, QObject *parent = nullptr);

    static QString deviceName(const QString &iniFile, int port);
    // What an open of device that QSerialPort refused with error and its text comes to:
    // 8002 for a missing device, 8005 for one held by another program (busy, exclusive,
    // locked), a permission failure naming the group to join, else the error as it is.
    static ZtError openFailure(const QString &device, QSerialPort::SerialPortError error,
                               const QString &text);
    // A device named directly (a path) is opened instead of the one the number maps to.
    void setDevice(const QString &device) { m_device = device; }
    // Seconds a device server is given to accept the connection, instead of [Comm] TimeOut.
    void setConnectTimeOut(int seconds) { m_connectTimeOut = seconds; }
    // A raw device server's refusal is watched for while the first request goes out
    // (NetLine::setQuickOpen), for callers that open, exchange once and close.
    void setQuickOpen(bool on) { m_net.setQuickOpen(on); }

    void setCommPort(int port) override;
    int commPort() const override { return m_commPort; }
    void setSettings(const QString &settings) override;
    QString settings() const override { return m_settings; }
    void setInBufferSize(int size) override;
    int inBufferSize() const override { return m_inBufferSize; }
    void setOutBufferSize(int size) override { m_outBufferSize = size; }
    int outBufferSize() const override { return m_outBufferSize; }
    void setDTREnable(bool on) override;
    bool dtrEnable() const override { return m_dtr; }
    void setRTSEnable(bool on) override;
    bool rtsEnable() const override { return m_rts; }
    void setHandshaking(int mode) override;
    int handshaking() const override { return m_handshaking; }
    void setPortOpen(bool open) override;
    bool portOpen() const override { return m_port.isOpen() || m_net.isOpen(); }
    void output(const QByteArray &bytes) override;
    QByteArray input() override;
    int outBufferCount() const override;
    int commEvent() const override { return m_event; }
    QString portDevice() const override
    {
        return m_device.isEmpty() ? deviceName(m_iniFile, m_commPort) : m_device;
    }
    bool deviceAvailable() const override;

private:
    using Line = NetLine::Line;
    static Line parse(const QString &settings);
    void applyLine();
    void applyModemLines();
    void requireOpen() const;
    void onError(QSerialPort::SerialPortError error);
    int connectTimeOut() const;

    QString m_iniFile;
    QString m_device;
    QSerialPort m_port;
    NetLine m_net;
    int m_commPort = 1;
    QString m_settings = QStringLiteral("9600,N,8,1");
    int m_inBufferSize = 1024;
    int m_outBufferSize = 512;
    bool m_dtr = false;
    bool m_rts = false;
    int m_handshaking = 0;
    int m_event = 0;
    bool m_closingOnError = false;
    std::optional<int> m_connectTimeOut;
};
