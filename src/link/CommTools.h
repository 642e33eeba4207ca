#pragma once
#include <QByteArray>
#include <QDeadlineTimer>
#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>

#include "common/Operator.h"

class SerialPort;
class ZtTools;

// The device link's program-wide state and its port, transmit and receive procedures.
class CommTools : public QObject {
    Q_OBJECT
public:
    // The receive buffer never grows beyond this; older bytes give way to newer ones.
    static constexpr int InBufferCap = 64 * 1024;

    CommTools(ZtTools &zt, SerialPort &comm, QObject *parent = nullptr);

    // --- state ---
    QByteArray CommInBuffer;
    bool CommCancel = false;
    bool CommWaitingForResponse = false;
    QString CommTransferCaption;
    bool CommPortOpen = false;
    int CommDebug = 0;
    // Link values of section "Comm".
    qint16 TimeOut = 10; // seconds; 0 or less: no time-out
    bool ShowCancelDialog = true;
    qint16 TimerInterval = 500; // ms
    // Set by the data commands, compared by the acknowledgement.
    qint32 SentChecksum = 0;
    QByteArray RequestedCommand;

    SerialPort &Comm() { return m_comm; }
    QTimer &TimerComm() { return m_timerComm; }

    // Receives every complete frame the collector hands on: code as two hex digits and
    // the whole frame.
    using Interpreter = std::function<void(const QByteArray &code, const QByteArray &frame)>;
    void setInterpreter(Interpreter interpreter) { m_interpreter = std::move(interpreter); }

    // --- port settings and lifecycle: 0 or the failed step ---
    int Comm_LoadSettings(SerialPort &comm);
    int Comm_SaveSettings(SerialPort &comm);
    int Comm_Init();
    bool Comm_OpenPort();
    bool Comm_ClosePort();
    // The link as the status bar shows it: port, device, line settings and state, such as
    // "COM3  /dev/ttyUSB0  19200 8N1  open".
    QString Comm_LinkText();
    // "19200,N,8,1" as "19200 8N1"; text that is not four fields stays as it is.
    static QString lineText(const QString &settings);

    // --- transmitting and receiving ---
    bool Comm_TransmitData(const QByteArray &frame, const QString &caption = {});
    bool Comm_WaitForResponse(const QByteArray &expectedCode, const QString &caption = {});
    void Comm_WaitForData();
    void Comm_OnComm();
    void Comm_ShowTransferForm();
    void Comm_HideTransferForm();
    void Comm_SetTransferCaption(const QString &caption) { CommTransferCaption = caption; }

    // Reporting words of the link: status line, log, and a box (executable name as title,
    // trimmed text) shown when ShowMsgBox is set or always is true. Catalogue texts are
    // used with two blanks in front (pre).
    static QString pre(const QString &text) { return QStringLiteral("  ") + text; }
    void status(const QString &text);
    void log(const QString &text);
    void box(const QString &text, BoxIcon icon, bool always = false);

Q_SIGNALS:
    // The port's state, number, device or line settings may have changed (Comm_LinkText).
    void linkChanged();

private:
    QDeadlineTimer deadline(qint64 extraMs = 0) const;
    void onPortLost(const QString &description);
    // The device went away and the port has not been opened again since.
    bool portGone() const;
    // "Connection lost" or "restored", naming the device and the port.
    QString connectionText(const QString &key);
    // Once a second after a loss: when the device is back, open it with the settings it had.
    void reconnectTick();
    // The loss is over: the port was opened again, closed or set up anew.
    void endWatch();
    void cancelPressed();
    qint64 wireTimeMs(qint64 bytes) const;

    ZtTools &m_zt;
    SerialPort &m_comm;
    QTimer m_timerComm;
    QTimer m_reconnect;
    Interpreter m_interpreter;
    bool m_collecting = false; // busy flag of Comm_WaitForData
    bool m_portLost = false;   // the device went away while the port was open
    QString m_portLostText;
    bool m_capLogged = false;     // the buffer cap is logged once per burst
    qint64 m_lastFrameWireMs = 0; // transmit time of the last frame at the line's baud rate
};
