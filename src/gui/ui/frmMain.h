#pragma once
#include <QHash>
#include <QIcon>
#include <QMainWindow>
#include <array>
#include <functional>

class QAction;
class QFrame;
class QLabel;
class QPushButton;
class QScrollBar;
class QStatusBar;
class QTabBar;
class QTimer;
class QToolBar;
class ZtTools;
class frmChoose;
class frmTabStripData01;
class frmTabStripData02;
class frmTabStripData09;
class sdFrame;

// What the main window hands on to the rest of the program.
struct MainCallbacks {
    std::function<void(int)> menuCommand; // Interpret_MenuCommand
    std::function<void()> openPort;       // first activation
    std::function<bool()> endProgram;     // window closing: true lets it close
    std::function<void()> dummy;          // the debug command button
};

// The editing window: toolbar, tab strip, the page area with its scroll bar, status bar.
class frmMain : public QMainWindow {
    Q_OBJECT
public:
    frmMain(ZtTools &zt, MainCallbacks callbacks, QWidget *parent = nullptr);
    ~frmMain() override;

    void CorrectFormHeight();
    void Form_Activate();
    void TabStrip_Build();
    void TabData_Click();
    void Toolbar1_ButtonClick(int index);

    // Toolbar position 1..15 (separators included); null outside.
    QAction *toolbarButton(int index) const;
    // The page frame in front, null before the first page was shown.
    sdFrame *activePage() const { return m_activePage; }

    frmTabStripData01 *page01() const { return m_page01; }
    frmTabStripData02 *page02() const { return m_page02; }
    frmTabStripData09 *page09() const { return m_page09; }
    // The status bar's data file and modified fields follow the program state.
    void refreshDataState();

    // The choice dialog; exists once the pages are built.
    frmChoose &chooser() const { return *m_chooser; }

    QToolBar *Toolbar1;
    QTabBar *TabData;
    sdFrame *fraContainer;
    QFrame *fraBlind;
    std::array<QIcon, 2> picXP;
    QScrollBar *VScroll;
    QStatusBar *StatusBar;
    QLabel *lblLink;     // the serial link, beside the status text
    QLabel *lblDataFile; // permanent fields at the right of the status bar
    QLabel *lblModified;
    QPushButton *cmdDummy;
    QTimer *timSendData;

protected:
    void showEvent(QShowEvent *event) override;
    void changeEvent(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void InitToolbarAndTabs();
    void AdjustScrollBar();
    void VScroll_Change();
    void Form_Resize();
    void applyHeightBounds();
    int frameHeight() const; // title bar and borders, in pixels
    void placeTabData();
    void scrollPages(int pages);          // PgUp/PgDn
    void scrollIntoView(QWidget *widget); // a control of the page that took the focus
    // Tab strip client area, in twips.
    int clientLeft() const;
    int clientTop() const;
    int clientWidth() const;
    int clientHeight() const;

    ZtTools &m_zt;
    MainCallbacks m_callbacks;
    frmChoose *m_chooser = nullptr;
    QFrame *m_tabPanel;
    std::array<QAction *, 15> m_buttons{};
    frmTabStripData01 *m_page01 = nullptr;
    frmTabStripData02 *m_page02 = nullptr;
    frmTabStripData09 *m_page09 = nullptr;
    QList<QWidget *> m_forms;                // the page forms in load order
    QHash<QWidget *, sdFrame *> m_pageFrame; // form -> its page frame
    sdFrame *m_activePage = nullptr;
    bool m_activated = false;
    int m_tabDataHeight = 7575;
    int m_vscrollLeft = 10080;
    int m_vscrollHeight = 7095;
};
