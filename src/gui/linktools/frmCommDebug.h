#pragma once
#include <QWidget>

class QPlainTextEdit;

// Shows serial data as aligned cells: hex values above, printable characters below.
// F12 clears both boxes; the window keeps its place in the settings file.
class frmCommDebug : public QWidget {
    Q_OBJECT
public:
    static constexpr int TextCap = 20480;

    explicit frmCommDebug(const QString &iniFile, QWidget *parent = nullptr);

    // txt: hex digits, two a byte (validData), or one byte a character.
    void DebugAusgabe(const QString &txt, bool validData);
    void WriteCommDebug(const QString &txt, QPlainTextEdit *box);

    // The cells of one run, before they are appended.
    static void cells(const QString &txt, bool validData, QString &hexRun, QString &charRun);
    // The box text after appending txt with the cap applied.
    static QString capped(const QString &boxText, const QString &txt);

    QPlainTextEdit *txtHex() const { return m_txtHex; }
    QPlainTextEdit *txtAscii() const { return m_txtAscii; }

public Q_SLOTS:
    // Raw traffic of the port (SerialPort::bytesSent / bytesReceived).
    void showBytes(const QByteArray &bytes);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void Form_Load();
    void clearBoxes();

    QString m_iniFile;
    QPlainTextEdit *m_txtHex;
    QPlainTextEdit *m_txtAscii;
};
