#pragma once
#include <QByteArray>
#include <QDeadlineTimer>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>

#include "link/LinkReport.h"

class SerialPort;

// The device link's program-wide state and its port, transmit and receive procedures.
class CommTools : public QObject {
    Q_OBJECT
public:
    // The receive buffer never grows beyond this; older bytes give way to newer ones.
    static constexpr int InBufferCap = 64 * 1024;

    // iniFile: the settings file of section "Comm", read at each load and save.
    CommTools(const LinkReport &report, const QString &iniFile, SerialPort &comm,
              QObject *parent = nullptr);

    // --- state ---
    const QByteArray &CommInBuffer() const { return m_inBuffer; }
    bool CommWaitingForResponse() const { return m_waitingForResponse; }
    bool CommPortOpen() const { return m_portOpen; }
    // Link values of section "Comm".
    qint16 TimeOut() const { return m_timeOut; } // seconds; 0 or less: no time-out
    bool ShowCancelDialog() const { return m_showCancelDialog; }
    qint16 TimerInterval() const { return m_timerInterval; } // ms
    void setTimeOut(qint16 seconds) { m_timeOut = seconds; }
    void setShowCancelDialog(bool show) { m_showCancelDialog = show; }
    void setTimerInterval(qint16 ms) { m_timerInterval = ms; }
    // The checksum of the data block just sent, which the device's acknowledgement must carry.
    qint32 SentChecksum() const { return m_sentChecksum; }
    void expectAcknowledgement(qint32 checksum) { m_sentChecksum = checksum; }
    // The kind of data the device asked for (its data request), empty when none is pending.
    const QByteArray &RequestedCommand() const { return m_requestedCommand; }
    void noteDataRequest(const QByteArray &kind) { m_requestedCommand = kind; }
    void clearDataRequest() { m_requestedCommand.clear(); }
    // Drops the received bytes not yet taken, as the collector's time-out does.
    void discardInput() { m_inBuffer.clear(); }

    const LinkReport &report() const { return m_report; }

    SerialPort &Comm() { return m_comm; }
    QTimer &TimerComm() { return m_timerComm; }

    // Receives every complete frame the collector hands on: code as two hex digits and
    // the whole frame.
    using Interpreter = std::function<void(const QByteArray &code, const QByteArray &frame)>;
    void setInterpreter(Interpreter interpreter) { m_interpreter = std::move(interpreter); }

    // --- port settings and lifecycle: 0 or the failed step ---
    // Loads every usable value; failedSteps, when given, receives each step that failed.
    int Comm_LoadSettings(SerialPort &comm, QList<int> *failedSteps = nullptr);
    // Steps in keepStored leave their stored values as they are.
    int Comm_SaveSettings(SerialPort &comm, const QList<int> &keepStored = {});
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
    // Transmits a request whose answer the caller waits for: the collector stands aside
    // meanwhile, so a fast device's answer stays in the buffer for that wait.
    bool Comm_TransmitRequest(const QByteArray &frame, const QString &caption);
    bool Comm_WaitForResponse(const QByteArray &expectedCode, const QString &caption = {});
    void Comm_WaitForData();
    void Comm_OnComm();
    void Comm_ShowTransferForm();
    void Comm_HideTransferForm();
    void Comm_SetTransferCaption(const QString &caption) { m_transferCaption = caption; }

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

    LinkReport m_report;
    const QString &m_iniFile;
    SerialPort &m_comm;
    QTimer m_timerComm;
    QTimer m_reconnect;
    Interpreter m_interpreter;
    QByteArray m_inBuffer;             // CommInBuffer
    bool m_cancel = false;             // CommCancel
    bool m_waitingForResponse = false; // CommWaitingForResponse
    QString m_transferCaption;         // CommTransferCaption
    bool m_portOpen = false;           // CommPortOpen
    qint16 m_timeOut = 10;
    bool m_showCancelDialog = true;
    qint16 m_timerInterval = 500;
    qint32 m_sentChecksum = 0;
    QByteArray m_requestedCommand;
    bool m_collecting = false; // busy flag of Comm_WaitForData
    bool m_portLost = false;   // the device went away while the port was open
    QString m_portLostText;
    bool m_capLogged = false;     // the buffer cap is logged once per burst
    qint64 m_lastFrameWireMs = 0; // transmit time of the last frame at the line's baud rate
};
