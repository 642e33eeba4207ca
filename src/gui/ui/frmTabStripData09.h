#pragma once
#include <QWidget>
#include <array>

class QGroupBox;
class QLabel;
class QLineEdit;
class QToolBar;
class QToolButton;
class ZtTools;
class frmChoose;
class sdFrame;
enum class MenuCommand : int;

// The system page: ACU version and CAN bus address, each with its own send button.
class frmTabStripData09 : public QWidget {
    Q_OBJECT
public:
    frmTabStripData09(ZtTools &zt, frmChoose &chooser, QWidget *parent);

    // The page itself, which the main window moves into its page area.
    sdFrame *tabFrame() const { return fraTab; }
    QLineEdit *acuVersionField() const { return txtACUVersion; }
    QLineEdit *canBusAddrField() const { return txtCanBusAddr; }

    void ToolbarPart01_ButtonClick(int Index);

Q_SIGNALS:
    void menuCommandRequested(MenuCommand command); // the send buttons (108, 109)

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void InitPage();
    void choose();

    sdFrame *fraTab;
    QGroupBox *fraContainerPart01;
    std::array<QLabel *, 2> lblPart01{};
    QLineEdit *txtACUVersion;
    QLineEdit *txtCanBusAddr;
    QToolButton *picCanBusAddr;
    std::array<QToolBar *, 2> ToolbarPart01{};

    ZtTools &m_zt;
    frmChoose &m_chooser;
};
