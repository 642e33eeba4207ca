#pragma once
#include <QDialog>
#include <QStringList>

class CommTools;
class Operator;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;
class SerialPort;

// Lets the operator choose the serial port, its line parameters, the send time-out and
// the receive timer interval. Shown modally by Comm_Edit_Settings.
class frmCommDialog : public QDialog {
    Q_OBJECT
public:
    // appTitle: the title of the open-port question.
    frmCommDialog(SerialPort &comm, CommTools &tools, Operator &op, const QString &iniFile,
                  const QString &language, const QString &appTitle, QWidget *parent = nullptr);

    // Everything before showing: lists, the open-port question, the stored settings, the
    // port probe, the selections. False when the dialog is not to be shown.
    bool prepare();
    bool result() const { return m_result; }
    bool german() const { return m_german; }

    // Lists the ports again when the serial devices of the system have changed.
    void refreshPorts();

    static constexpr int DeviceRole = Qt::UserRole + 1; // device of a port not yet numbered
    static constexpr int NetworkEntry = -1; // port data of the entry that takes an address

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void reject() override;

private:
    void FillLists();
    // Lists the ports and selects the one numbered selected (0: none).
    void probePorts(int selected);
    void addUnnumberedDevices();
    void portChosen();
    int freePortNumber() const;
    QString text(const char *german, const char *english) const;
    bool check(bool ok, const char *german, const char *english, QWidget *focus);
    void cmdOk_Click();
    template <typename Run> void guarded(Run &&run);
    static QStringList deviceSignature();

    SerialPort &m_comm;
    CommTools &m_tools;
    Operator &m_op;
    QString m_iniFile;
    QString m_appTitle;
    bool m_german;
    bool m_result = true;
    QStringList m_devices;
    QList<int> m_keepStored; // steps whose stored values OK leaves alone
    // The port as it was when the dialog closed it.
    struct {
        bool closed = false;
        int port = 0;
        QString settings;
    } m_reopen;

    QLabel *m_labels[8];
    QComboBox *m_cmbPort, *m_cmbBPS, *m_cmbDataBits, *m_cmbParity, *m_cmbStopBits,
        *m_cmbFlowControl;
    QLineEdit *m_txtTimeout, *m_txtInterval;
    QPushButton *m_cmdOk, *m_cmdCancel;
    QTimer *m_refresh;
};

// Shows the dialog for the program's serial port; false when the operator declined to
// close the open port, the stored settings could not be loaded or preparing failed.
bool Comm_Edit_Settings(SerialPort &comm, CommTools &tools, Operator &op, const QString &iniFile,
                        const QString &language, const QString &appTitle);
