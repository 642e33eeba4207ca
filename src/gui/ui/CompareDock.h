#pragma once
#include <QDockWidget>

class Comparison;
class QLabel;
class QPushButton;
class QTreeWidget;
class ZtTools;
class frmMain;

// Below the pages: the keys that differ from a data file or the device (group, row, the
// code and label here, the code and label there), marked on the buttons page as well. A
// difference or all of them can be taken over, one undoable step each time.
class CompareDock : public QDockWidget {
    Q_OBJECT
public:
    CompareDock(ZtTools &zt, Comparison &comparison, frmMain &main);

    QTreeWidget *lstDifferences() const { return m_list; }
    QLabel *lblSummary() const { return m_summary; }
    QPushButton *cmdTakeOver() const { return m_takeOver; }
    QPushButton *cmdTakeOverAll() const { return m_takeOverAll; }

    void withFile();
    void withDevice();
    // The list and the marks as the comparison has them now.
    void showDifferences();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void takeOver(bool all);
    void mark(bool on);

    ZtTools &m_zt;
    Comparison &m_comparison;
    frmMain &m_main;
    QLabel *m_summary;
    QTreeWidget *m_list;
    QPushButton *m_takeOver;
    QPushButton *m_takeOverAll;
};
