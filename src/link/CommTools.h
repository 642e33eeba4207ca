#pragma once
#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>

class SerialPort;
class ZtTools;

// The device link's program-wide state and its port, transmit and receive procedures.
class CommTools : public QObject {
    Q_OBJECT
public:
    CommTools(ZtTools &zt, SerialPort &comm, QObject *parent = nullptr);

    // --- state ---
    QByteArray CommInBuffer;
    bool CommCancel = false;
    bool CommWaitingForResponse = false;
    QString CommTransferCaption;
    bool CommPortOpen = false;
    int CommDebug = 0;
    // Link values of section "Comm".
    qint16 TimeOut = 10;          // seconds; 0 or less: no time-out
    bool ShowCancelDialog = true;
    qint16 TimerInterval = 500;   // ms
    // Set by the data commands, compared by the acknowledgement.
    qint32 SentChecksum = 0;
    QByteArray RequestedCommand;

    SerialPort &Comm() { return m_comm; }
    QTimer &TimerComm() { return m_timerComm; }

    // --- port settings and lifecycle: 0 or the failed step ---
    int Comm_LoadSettings(SerialPort &comm);
    int Comm_SaveSettings(SerialPort &comm);
    int Comm_Init();
    bool Comm_OpenPort();
    bool Comm_ClosePort();

private:
    ZtTools &m_zt;
    SerialPort &m_comm;
    QTimer m_timerComm;
};
