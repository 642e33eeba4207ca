#pragma once
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <functional>

#include "app/PageBridge.h"
#include "common/Operator.h"
#include "log/TextSink.h"

// The person at the desk, on a console: messages go to standard error with a prefix that
// names the program (and the port), every question is answered "yes", file dialogs take
// the name they are offered, and there are no windows.
class ConsoleOperator : public QObject, public Operator {
public:
    ConsoleOperator();

    QString prefix = QStringLiteral("ztcfg: ");
    bool verbose = false;     // log lines and answered questions are printed too
    QString lastStatus;       // the status line as it stands now, trimmed
    int boxes = 0;            // message boxes shown so far
    mutable QString lastSaid; // the last message said, without the prefix
    // Runs when the one-shot send-data timer fires (a device asked for the data).
    std::function<void()> onSendDataTimer;
    // Inside the fleet, where many devices share the process: messages are kept here instead
    // of going to standard error, and the end of the program ends only this exchange.
    QString *kept = nullptr;
    bool ended = false; // the program's end came inside the fleet
    QString endedWith;  // what was said last before it

    // A message on standard error, one line per line of text, behind the prefix.
    void say(const QString &text) const;

    void setStatus(const QString &text, const QString &toolTip) override;
    void messageBox(const QString &text, BoxIcon icon, const QString &title) override;
    bool askYesNo(const QString &text, BoxIcon icon, const QString &title) override;
    void setHourglass(bool) override {}
    QString mainCaption() const override { return QStringLiteral("ztcfg"); }
    QString saveFileDialog(const QString &, const QString &, const QString &,
                           const QString &initialName) override
    {
        return initialName;
    }
    QString openFileDialog(const QString &, const QString &, const QString &,
                           const QString &initialName) override
    {
        return initialName;
    }
    void showTransferWindow(const QString &, std::function<void()>) override {}
    void hideTransferWindow() override {}
    void showSerialSettings() override {}
    void showProtocol() override {}
    void showAbout() override {}
    void showCommDebug() override {}
    void startSendDataTimer(int intervalMs) override;
    FormGeometry *mainWindow() override { return nullptr; }
    // The version check refused the device: the process ends with a device failure (in
    // the fleet, the exchange).
    void endProgram() override;

private:
    QTimer m_sendData;
};

// The DataSet is the only page there is: nothing to copy to or from.
class HeadlessPages : public PageBridge {
public:
    void DataSet_FromPages() override {}
    void DataSet_ToPages() override {}
    void FocusTabStrip() override {}
    int selectedTab() const override { return 0; }
};

// The log's text control: keeps each line, and prints it in verbose mode.
class ConsoleLogSink : public TextSink {
public:
    explicit ConsoleLogSink(const ConsoleOperator &op) : m_op(op) {}
    QStringList lines;
    // The log always appends to what text() returns; returning nothing hands over one line.
    QString text() const override { return {}; }
    void setText(const QString &text) override;
    void setCaret(int) override {}

private:
    const ConsoleOperator &m_op;
};
