#pragma once
#include <QWidget>
#include <array>

class QGroupBox;
class QLineEdit;
class ZtTools;
class sdFrame;

// The status page: three labelled, read-only status texts.
class frmTabStripData01 : public QWidget {
    Q_OBJECT
public:
    frmTabStripData01(ZtTools &zt, QWidget *parent);

    // The page itself, which the main window moves into its page area.
    sdFrame *tabFrame() const { return fraTab; }
    QLineEdit *statusField(int index) const { return txtStatus[index]; } // 0..2

private:
    void InitPage(ZtTools &zt);

    sdFrame *fraTab;
    QGroupBox *fraStatus;
    std::array<QLineEdit *, 3> txtLblStatus{};
    std::array<QLineEdit *, 3> txtStatus{};
};
