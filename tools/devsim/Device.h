#pragma once
#include "data/DataSet.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <array>

class DeviceLink;

// How the simulated device misbehaves on purpose.
struct FaultOptions {
    int delayMs = 0;    // before each answer
    QSet<int> noAnswer; // received codes that get no answer
    bool badChecksum = false;
    int splitBytes = 0;   // 0: each frame in one piece
    int gapMs = 0;        // between pieces
    int garbageBytes = 0; // before each frame
};

// The device end of the protocol: answers the program's frames, starts exchanges on
// command, and prints every frame in and out.
class Device : public QObject {
    Q_OBJECT
public:
    Device(DeviceLink &link, int cols, int rows, const FaultOptions &faults,
           QObject *parent = nullptr);

    // Codes the device holds after start and after a reset.
    void setResetImage(const ButtonRecord &record);
    void setStatusText(int n, const QString &text); // n 1..3
    // Put before each printed line when several devices share one printout.
    void setName(const QString &name) { m_name = name; }

    // One command line; commands run in order, "sleep" holds the ones after it.
    void enqueueCommand(const QString &line);

Q_SIGNALS:
    // "quit" was given and everything queued before it has been written.
    void finished();

private:
    struct Piece {
        QByteArray bytes;
        int waitMs = 0;
        QStringList notes; // printed when the piece is written
    };

    void receive(const QByteArray &bytes);
    void interpret(const QByteArray &frame);
    void answer(quint8 received, quint8 code, const QByteArray &payload = {});
    void send(quint8 code, const QByteArray &payload, int firstWaitMs);
    void queueBytes(const QByteArray &bytes, int firstWaitMs, QStringList notes);
    void pump();
    void runCommands();
    bool runCommand(const QString &line); // false: stop running commands for now
    void storeDataBlock(QByteArrayView payload);
    void showState();

    void say(const QString &text) const;
    QString describe(const QByteArray &frame) const;
    QString describeCodes(QByteArrayView payload) const;

    DeviceLink &m_link;
    QString m_name;
    int m_cols;
    int m_rows;
    FaultOptions m_faults;
    ButtonRecord m_codes;
    ButtonRecord m_resetImage;
    std::array<QString, 3> m_status;
    QString m_acuVersion = QStringLiteral("    ");
    qint16 m_canBusAddr = 0;
    qint32 m_sentChecksum = -1; // of the last data block this device sent

    QByteArray m_inBuffer;
    QList<Piece> m_out;
    bool m_waited = false; // the front piece has had its wait
    QTimer m_outTimer;
    QStringList m_commands;
    QTimer m_sleepTimer;
    bool m_quitting = false;
};

// The stdin commands, for --help and "help".
extern const char *const CommandHelp;

// A line on standard output: time of day, then the text; flushed at once.
void say(const QString &text);
