#pragma once
#include <QDialog>

class QLabel;
class QPushButton;

// The transfer window: shown around every transmit and wait, its cancel button
// stops the running one.
class frmComm : public QDialog {
    Q_OBJECT
public:
    explicit frmComm(QWidget *mainWindow);

    // Shows the window centred on its main window; a non-empty caption becomes the title.
    void activate(const QString &caption);

    void reject() override; // Escape and the close control cancel as the button does

Q_SIGNALS:
    void cancelled(); // the running transmit or wait is to stop

private:
    void cmdCancel_Click();
};
