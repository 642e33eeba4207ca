#pragma once
#include <QWidget>
#include <array>
#include <functional>

class QGroupBox;
class QLabel;
class QLineEdit;
class QToolBar;
class QToolButton;
class ZtTools;
class frmChoose;
class sdFrame;

// The system page: ACU version and CAN bus address, each with its own send button.
class frmTabStripData09 : public QWidget {
    Q_OBJECT
public:
    // menuCommand: where the send buttons' commands go (108, 109).
    frmTabStripData09(ZtTools &zt, frmChoose &chooser, std::function<void(int)> menuCommand,
                      QWidget *parent);

    sdFrame *fraTab;
    QGroupBox *fraContainerPart01;
    std::array<QLabel *, 2> lblPart01{};
    QLineEdit *txtACUVersion;
    QLineEdit *txtCanBusAddr;
    QToolButton *picCanBusAddr;
    std::array<QToolBar *, 2> ToolbarPart01{};

    void ToolbarPart01_ButtonClick(int Index);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void InitPage();
    void choose();

    ZtTools &m_zt;
    frmChoose &m_chooser;
    std::function<void(int)> m_menuCommand;
};
