#pragma once
#include <QIcon>
#include <QMainWindow>
#include <array>
#include <functional>

class CompareDock;
class Comparison;
class FindBar;
class QAction;
class QFrame;
class QLabel;
class QMenu;
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
enum class MenuCommand : int;

// Asked when the main window is about to close: the program end decides whether it may.
// A direct call rather than a signal, because the answer decides the close event and a
// signal has no answer to give back.
class MainWindowClose {
public:
    virtual bool mayClose() = 0;

protected:
    ~MainWindowClose() = default;
};

// The editing window: toolbar, tab strip, the page area with its scroll bar, status bar.
class frmMain : public QMainWindow {
    Q_OBJECT
public:
    frmMain(ZtTools &zt, MainWindowClose &closing, QWidget *parent = nullptr);
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

    // The compare that the compare buttons and the compare dock work on; set before the
    // window is first shown.
    void setComparison(Comparison &comparison) { m_comparison = &comparison; }
    // The find bar, the compare dock and their buttons; exist once the pages are built.
    FindBar *findBar() const { return m_findBar; }
    CompareDock *compareDock() const { return m_compareDock; }
    QAction *compareButton(bool withDevice) const { return m_compareButtons[withDevice ? 1 : 0]; }
    // Shows the key (group and row 1-based) on the buttons page, scrolled into sight.
    void revealKey(int group, int row);
    // A bar below the pages came or went: the page area keeps its height, the window grows
    // or shrinks by the bar.
    void fitBottomBars();

    // The choice dialog; exists once the pages are built.
    frmChoose &chooser() const { return *m_chooser; }

    // The documented caption; the title adds the data file and the unsaved mark.
    void setCaption(const QString &caption);
    const QString &caption() const { return m_caption; }
    // The open button's drop-down asks this for the recent files each time it opens.
    void setRecentFilesSource(std::function<QStringList()> source)
    {
        m_recentSource = std::move(source);
    }

    // The serial link, shown beside the status text (long ones shortened, whole in the
    // tooltip).
    void setLinkText(const QString &text);
    void showDummyButton();
    // The tab strip takes the focus while the window is shown.
    void FocusTabStrip();
    int selectedTab() const; // 1-based, 0 for none
    // The drop-down pictures: 0 the themed one, 1 the plain one.
    const QIcon &picXP(int index) const { return m_picXP[index]; }
    // Runs the queued data send once it elapses.
    QTimer &sendDataTimer() { return *timSendData; }

Q_SIGNALS:
    void menuCommandRequested(MenuCommand command); // toolbar buttons and the send buttons
    void firstActivated();                          // opens the port
    void dummyRequested();                          // the debug command button
    void fileDropped(const QString &path);          // a file dropped on the window
    void recentFileChosen(const QString &path);     // from the open button's drop-down
    // The key sheet buttons after the documented ones.
    void keySheetPrintRequested();
    void keySheetPdfRequested();
    void keySheetCsvRequested();

protected:
    void showEvent(QShowEvent *event) override;
    void changeEvent(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void InitToolbarAndTabs();
    void addWorkTools();
    void AdjustScrollBar();
    void VScroll_Change();
    void Form_Resize();
    void applyHeightBounds();
    int frameHeight() const; // title bar and borders, in pixels
    void placeTabData();
    void scrollPages(int pages); // PgUp/PgDn
    void wheelRows(const QWheelEvent &wheel);
    void addKeySheetButtons();
    void fillRecentMenu();
    void showLinkText();
    void scrollIntoView(QWidget *widget); // a control of the page that took the focus
    // Tab strip client area, in twips.
    int clientLeft() const;
    int clientTop() const;
    int clientWidth() const;
    int clientHeight() const;

    QToolBar *Toolbar1;
    QTabBar *TabData;
    sdFrame *fraContainer;
    QFrame *fraBlind;
    std::array<QIcon, 2> m_picXP;
    QScrollBar *VScroll;
    QStatusBar *StatusBar;
    QLabel *lblLink;
    QLabel *lblDataFile; // permanent fields at the right of the status bar
    QLabel *lblModified;
    QPushButton *cmdDummy;
    QTimer *timSendData;

    ZtTools &m_zt;
    MainWindowClose &m_closing;
    frmChoose *m_chooser = nullptr;
    QFrame *m_tabPanel;
    std::array<QAction *, 15> m_buttons{};
    frmTabStripData01 *m_page01 = nullptr;
    frmTabStripData02 *m_page02 = nullptr;
    frmTabStripData09 *m_page09 = nullptr;
    QList<sdFrame *> m_tabPages; // by tab: the page it shows, null for none
    sdFrame *m_activePage = nullptr;
    bool m_activated = false;
    QString m_caption;
    QString m_linkText;
    QMenu *m_recentMenu = nullptr;
    std::function<QStringList()> m_recentSource;
    int m_wheelRest = 0; // eighths of a degree not yet moved (fine-grained wheels)
    Comparison *m_comparison = nullptr;
    FindBar *m_findBar = nullptr;
    CompareDock *m_compareDock = nullptr;
    std::array<QAction *, 2> m_compareButtons{};
    int m_bottomRoom = 0; // pixels the bars below the pages take
    int m_tabDataHeight = 7575;
    int m_vscrollLeft = 10080;
    int m_vscrollHeight = 7095;
};
