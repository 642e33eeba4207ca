#pragma once
#include <QByteArray>
#include <QList>
#include <QPointer>
#include <QTime>
#include <QWidget>

class Messages;
class QAction;
class QLabel;
class QPlainTextEdit;
class QShortcut;
class QTimer;

// Shows serial data as aligned cells: hex values above, printable characters below.
// F12 clears both boxes; the window keeps its place in the settings file. The port's
// traffic arrives as chunks, shown a line each with direction and time, a few times a
// second: its cost per byte stays small and bounded however fast the line runs.
class frmCommDebug : public QWidget {
    Q_OBJECT
public:
    static constexpr int TextCap = 20480;
    static constexpr int FlushIntervalMs = 100;

    enum class Direction { Sent, Received };

    frmCommDebug(const QString &iniFile, Messages &messages, QWidget *parent = nullptr);

    // txt: hex digits, two a byte (validData), or one byte a character.
    void DebugAusgabe(const QString &txt, bool validData);
    void WriteCommDebug(const QString &txt, QPlainTextEdit *box);

    // The cells of one run, before they are appended.
    static void cells(const QString &txt, bool validData, QString &hexRun, QString &charRun);
    // The box text after appending txt with the cap applied.
    static QString capped(const QString &boxText, const QString &txt);
    // One chunk of traffic as a line of each box: "RX 12:00:01.250 |-81-|-0D-| ".
    static void trafficLines(Direction direction, const QTime &time, const QByteArray &bytes,
                             QString &hexLine, QString &charLine);

    // The window belongs to owner (the main window): it opens only once owner shows,
    // stays in front of it, and F12 in owner's windows opens and closes it.
    void setOwner(QWidget *owner);
    void showBeside();
    void toggle();

    void setPaused(bool paused);
    bool paused() const { return m_paused; }
    void clearBoxes();
    // Both boxes, their lines taken in turn (hex, then characters); false on failure.
    bool saveTo(const QString &path) const;

    QPlainTextEdit *txtHex() const { return m_txtHex; }
    QPlainTextEdit *txtAscii() const { return m_txtAscii; }

public Q_SLOTS:
    // Raw traffic of the port (SerialPort::bytesSent / bytesReceived). Only queues: safe to
    // call from the port's receive notification.
    void showSent(const QByteArray &bytes);
    void showReceived(const QByteArray &bytes);

protected:
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    struct Chunk {
        Direction direction;
        QTime time;
        QByteArray bytes;
    };
    void Form_Load();
    void queue(Direction direction, const QByteArray &bytes);
    void flush();
    void save();
    void showMenu(QPlainTextEdit *box, const QPoint &at);

    QString m_iniFile;
    Messages &m_messages;
    QPlainTextEdit *m_txtHex;
    QPlainTextEdit *m_txtAscii;
    QLabel *m_lblPaused;
    QAction *m_pause, *m_clear, *m_save;
    QTimer *m_flush;
    QPointer<QWidget> m_owner;
    QPointer<QShortcut> m_toggleKey;
    QList<Chunk> m_pending;
    qsizetype m_pendingCells = 0; // text the pending chunks make, per box
    qint64 m_skipped = 0;         // bytes that gave way before they were shown
    bool m_paused = false;
};
