#pragma once
#include <QDeadlineTimer>
#include <QSerialPort>
#include <QTcpSocket>
#include <functional>

#include "link/OutQueue.h"
#include "link/TelnetCodec.h"

// A serial line on a device server: "tcp://HOST:PORT" is the line's bytes as they are
// (the server keeps its own line settings), "rfc2217://HOST:PORT" is Telnet with the
// COM-PORT-OPTION, through which the line settings, flow control, DTR and RTS are set.
// Failures throw ZtError with the serial numbers (8002 cannot reach, 8005 in use).
class NetLine : public QObject {
    Q_OBJECT
public:
    struct Line {
        qint32 baud;
        QSerialPort::Parity parity;
        QSerialPort::DataBits dataBits;
        QSerialPort::StopBits stopBits;
    };

    explicit NetLine(QObject *parent = nullptr);
    ~NetLine() override;
    static bool isAddress(const QString &device);

    // Connects and, on an RFC 2217 line, sets it up; waits in the event loop for at most
    // timeOutSeconds (10 when not positive).
    void open(const QString &address, const Line &line, int handshaking, bool dtr, bool rts,
              int timeOutSeconds);
    void close();
    bool isOpen() const { return m_open; }
    // For a caller that sends at once: a raw open returns as soon as it is connected, and
    // a server that closes the connection within the grace a raw open waits otherwise is
    // reported through lost() with the words the open would have thrown.
    void setQuickOpen(bool on) { m_quickOpen = on; }

    void setLine(const Line &line);
    void setHandshaking(int mode);
    void setModemLines(bool dtr, bool rts);
    void write(const QByteArray &bytes);
    QByteArray readAll() { return std::exchange(m_in, QByteArray()); }
    // Bytes not yet taken by the far end: Qt's buffer and the socket's send queue.
    qint64 bytesToWrite() const
    {
        return m_socket.bytesToWrite() + OutQueue::socket(m_socket.socketDescriptor());
    }

Q_SIGNALS:
    void readyRead();
    void lost(const QString &description);

private:
    void onReadyRead();
    void onDropped();
    void send(const QByteArray &bytes);
    [[noreturn]] void fail(int number, const QString &text);
    std::pair<int, QString> refusal() const;
    bool waitFor(const std::function<bool()> &done, const QDeadlineTimer &deadline);

    QTcpSocket m_socket;
    TelnetCodec m_codec;
    QString m_address;
    QByteArray m_in;
    QByteArray m_said;      // what the server sent while opening, for its refusal
    QDeadlineTimer m_grace; // after a quick open: until then a drop is a refusal
    bool m_quickOpen = false;
    bool m_telnet = false;
    bool m_open = false;
    bool m_opening = false;
};
