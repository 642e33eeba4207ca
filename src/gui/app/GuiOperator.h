#pragma once
#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <QTimer>

#include "common/Operator.h"
#include "gui/app/WidgetGeometry.h"

class SerialPort;
class CommTools;
class frmComm;
class frmProto;
class frmSplash;
class frmCommDebug;

// The real Operator: boxes, dialogs and the status line of the main window.
class GuiOperator : public Operator {
public:
    // The status texts go to the main window's status bar.
    explicit GuiOperator(QMainWindow *mainWindow);
    ~GuiOperator() override;
    // The main window is made after the operator during start-up; sendDataTimer is the
    // one startSendDataTimer runs.
    void setMainWindow(QMainWindow *mainWindow, QTimer *sendDataTimer);

    // Loads Qt's own German texts (Yes/No, file dialogs) when language is "GER".
    // Returns whether a translation was installed.
    static bool installQtTranslations(const QString &language);

    // The windows reached by menu commands, owned by start-up and kept for the run.
    struct SerialSettingsTarget {
        SerialPort *port = nullptr;
        CommTools *tools = nullptr;
        QString iniFile;
        QString language;
        QString appTitle; // the title of the dialog's open-port question
    };
    void setSerialSettings(const SerialSettingsTarget &target) { m_serial = target; }
    void setProtocolWindow(frmProto *window) { m_proto = window; }
    void setAboutWindow(frmSplash *window) { m_about = window; }
    void setCommDebugWindow(frmCommDebug *window) { m_commDebug = window; }

    frmComm *transferWindow(); // created on first use

    // True once endProgram ran: a program ended during start-up, before its event loop
    // ran, returns from main instead of entering the loop.
    static bool programEnded();

    void setStatus(const QString &text, const QString &toolTip) override;
    void messageBox(const QString &text, BoxIcon icon, const QString &title) override;
    bool askYesNo(const QString &text, BoxIcon icon, const QString &title) override;
    SaveChoice askSaveChanges(const QString &text, bool offerSave, const QString &title) override;
    void setHourglass(bool on) override;
    QString mainCaption() const override;
    QString saveFileDialog(const QString &title, const QString &filter,
                           const QString &defaultSuffix, const QString &initialName) override;
    QString openFileDialog(const QString &title, const QString &filter,
                           const QString &defaultSuffix, const QString &initialName) override;
    void showTransferWindow(const QString &caption, std::function<void()> onCancel) override;
    void hideTransferWindow() override;
    void showSerialSettings() override;
    void showProtocol() override;
    void showAbout() override;
    void showCommDebug() override;
    void startSendDataTimer(int intervalMs) override;
    FormGeometry *mainWindow() override;
    void endProgram() override;

private:
    QWidget *boxParent();
    // Hides the transfer window; true when it was showing.
    bool endExchangeLook();
    QString fileDialog(bool save, const QString &title, const QString &filter,
                       const QString &defaultSuffix, const QString &initialName);

    QPointer<QMainWindow> m_main;
    QPointer<QTimer> m_sendDataTimer;
    WidgetGeometry m_geometry;
    bool m_hourglass = false;
    QPointer<frmComm> m_comm;
    std::function<void()> m_onCancel; // of the exchange the transfer window shows
    SerialSettingsTarget m_serial;
    frmProto *m_proto = nullptr;
    frmSplash *m_about = nullptr;
    frmCommDebug *m_commDebug = nullptr;
};
