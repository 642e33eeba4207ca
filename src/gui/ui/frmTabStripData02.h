#pragma once
#include <QHash>
#include <QPoint>
#include <QWidget>
#include <array>

class QGroupBox;
class QIcon;
class QLineEdit;
class QToolButton;
class ZtTools;
class frmChoose;
class sdFrame;

// The buttons page: the grid of key fields, up to 25 rows and 4 columns (groups A to D).
class frmTabStripData02 : public QWidget {
    Q_OBJECT
public:
    // The drop-down pictures: the plain one, and the one for the themed look.
    frmTabStripData02(ZtTools &zt, frmChoose &chooser, const QIcon &designPicture,
                      const QIcon &themedPicture, QWidget *parent);

    // group 0..3 (A..D), index 0..24
    QLineEdit *keyField(int group, int index) const { return m_txtButtons[group][index]; }
    QToolButton *picture(int group, int index) const { return m_pic[group][index]; }
    // The page itself, which the main window moves into its page area.
    sdFrame *tabFrame() const { return fraTab; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void InitPage(const QIcon &designPicture, const QIcon &themedPicture);
    int titleRoom();
    void choose(int group, int index);
    // The visible key field next to (group, index) in the direction (dg, di), or null.
    QLineEdit *neighbour(int group, int index, int dg, int di) const;

    sdFrame *fraTab;
    QGroupBox *fraButtons01;
    QGroupBox *fraButtons02;
    QGroupBox *fraButtons03;
    std::array<QLineEdit *, 4> txtLblTop{};
    std::array<QLineEdit *, 25> txtLblLeft{};

    ZtTools &m_zt;
    frmChoose &m_chooser;
    std::array<std::array<QLineEdit *, 25>, 4> m_txtButtons{};
    std::array<std::array<QToolButton *, 25>, 4> m_pic{};
    QHash<QObject *, QPoint> m_cell; // key field -> (group, index)
};
