#include "gui/ui/frmMain.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QFrame>
#include <QHelpEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QShortcut>
#include <QStatusBar>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTabBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QToolTip>
#include <QUndoStack>

#include "app/MenuCommands.h"
#include "app/PageBridge.h"
#include "app/ZtTools.h"
#include "common/Tools.h"
#include "gui/app/ScreenTwips.h"
#include "gui/controls/sdFrame.h"
#include "gui/ui/CompareDock.h"
#include "gui/ui/FindBar.h"
#include "gui/ui/ScrollArithmetic.h"
#include "gui/ui/frmChoose.h"
#include "gui/ui/frmTabStripData01.h"
#include "gui/ui/frmTabStripData02.h"
#include "gui/ui/frmTabStripData09.h"
#include "settings/BuiltInTexts.h"
#include "settings/INITools.h"

using ScreenTwips::px;
using ScreenTwips::tw;

// The pictures live in a static library: nothing else would pull them in.
static void initResources()
{
    Q_INIT_RESOURCE(zt);
}

namespace {
constexpr int TabDataLeft = 0;
constexpr int TabDataTop = 480;
constexpr int TabDataWidth = 10425;
constexpr int VScrollTop = 840;
constexpr int VScrollWidth = 255;
// The tab strip's client area lies inside its panel border.
constexpr int PanelBorder = 30;

struct ToolbarButton {
    const char *key; // empty for a separator
    const char *themeIcon;
    const char *designToolTip;
    QKeySequence::StandardKey standardKey;
    QKeyCombination key2; // when there is no standard one
};

constexpr auto NoStd = QKeySequence::UnknownKey;

// Positions 1 to 15; the position is what the program acts on.
const ToolbarButton Buttons[15] = {
    {"FileRead", "document-open", "Daten laden", QKeySequence::Open, Qt::Key_unknown},
    {"FileWrite", "document-save", "Daten sichern", QKeySequence::Save, Qt::Key_unknown},
    {"Reset", "edit-clear", "Editor-Reset", NoStd, Qt::CTRL | Qt::Key_R},
    {"", "", "", NoStd, Qt::Key_unknown},
    {"CommSendData", "go-up", "Daten senden", NoStd, Qt::Key_F5},
    {"CommReceiveData", "go-down", "Daten empfangen", NoStd, Qt::Key_F6},
    {"CommRestart", "system-reboot", "Befehl zum System-Reset senden", NoStd,
     Qt::CTRL | Qt::SHIFT | Qt::Key_R},
    {"CommGetInfo", "dialog-information", "Version abfragen", NoStd, Qt::Key_F8},
    {"CommCheck", "network-transmit-receive", "Online-Test", NoStd, Qt::Key_F9},
    {"CommSettings", "preferences-system", "Parameter Serielle Schnittstelle", NoStd,
     Qt::CTRL | Qt::Key_Comma},
    {"", "", "", NoStd, Qt::Key_unknown},
    {"ShowProtocol", "text-x-generic", "Protokoll anzeigen", NoStd, Qt::CTRL | Qt::Key_L},
    {"ShowAbout", "help-about", "Informationen über den Editor anzeigen", NoStd, Qt::Key_F1},
    {"", "", "", NoStd, Qt::Key_unknown},
    {"EndProgram", "application-exit", "Programm beenden", QKeySequence::Quit, Qt::Key_unknown},
};

QKeySequence shortcutOf(const ToolbarButton &b)
{
    if (b.key2.key() != Qt::Key_unknown)
        return QKeySequence(b.key2);
    // Quit has no binding on some desktops; Ctrl+Q is what the toolbar promises.
    if (b.standardKey == QKeySequence::Quit)
        return QKeySequence(Qt::CTRL | Qt::Key_Q);
    return b.standardKey == NoStd ? QKeySequence() : QKeySequence(b.standardKey);
}

// A disabled scroll bar has nothing to scroll: it shows its groove and arrows, no thumb.
class PageScrollBar : public QScrollBar {
public:
    using QScrollBar::QScrollBar;

protected:
    void paintEvent(QPaintEvent *event) override
    {
        if (isEnabled()) {
            QScrollBar::paintEvent(event);
            return;
        }
        QPainter painter(this);
        QStyleOptionSlider opt;
        initStyleOption(&opt);
        opt.subControls &= ~QStyle::SC_ScrollBarSlider;
        style()->drawComplexControl(QStyle::CC_ScrollBar, &opt, &painter, this);
    }
};

// The catalogue texts of the toolbar tooltips, by position.
QString toolTipText(Messages &msg, int index)
{
    switch (index) {
    case 1:
        return msg.text(QStringLiteral("Menu_FileRead.ToolTip"));
    case 2:
        return msg.text(QStringLiteral("Menu_FileWrite.ToolTip"));
    case 3:
        return msg.text(QStringLiteral("Menu_Reset.ToolTip"));
    case 5:
        return msg.text(QStringLiteral("Menu_CommSendData.ToolTip"));
    case 6:
        return msg.text(QStringLiteral("Menu_CommReceiveData.ToolTip"));
    case 7:
        return msg.text(QStringLiteral("Menu_CommRestart.ToolTip"));
    case 8:
        return msg.text(QStringLiteral("Menu_CommGetInfo.ToolTip"));
    case 9:
        return msg.text(QStringLiteral("Menu_CommCheck.ToolTip"));
    case 10:
        return msg.text(QStringLiteral("Menu_CommSettings.ToolTip"));
    case 12:
        return msg.text(QStringLiteral("Menu_ShowProtocol.ToolTip"));
    case 13:
        return msg.text(QStringLiteral("Menu_ShowAbout.ToolTip"));
    case 15:
        return msg.text(QStringLiteral("Menu_EndProgram.ToolTip"));
    default:
        return QString();
    }
}

// The key sheet buttons after the documented ones: name, theme picture, catalogue key, key.
struct SheetButton {
    const char *key;
    const char *themeIcon;
    const char *toolTipKey;
    QKeyCombination shortcut;
    void (frmMain::*signal)();
};
const SheetButton SheetButtons[] = {
    {"KeySheetPrint", "document-print", "Menu_KeySheetPrint.ToolTip", Qt::CTRL | Qt::Key_P,
     &frmMain::keySheetPrintRequested},
    {"KeySheetPdf", "application-pdf", "Menu_KeySheetPdf.ToolTip", Qt::CTRL | Qt::SHIFT | Qt::Key_P,
     &frmMain::keySheetPdfRequested},
    {"KeySheetCsv", "text-csv", "Menu_KeySheetCsv.ToolTip", Qt::CTRL | Qt::Key_E,
     &frmMain::keySheetCsvRequested},
};

QString tabTag(const QTabBar *bar, int i)
{
    return bar->tabData(i).toString();
}
} // namespace

frmMain::frmMain(ZtTools &zt, MainWindowClose &closing, QWidget *parent)
    : QMainWindow(parent), Toolbar1(new QToolBar), TabData(nullptr), fraContainer(nullptr),
      fraBlind(nullptr), VScroll(nullptr), StatusBar(new QStatusBar), cmdDummy(nullptr),
      timSendData(new QTimer(this)), m_zt(zt), m_closing(closing), m_tabPanel(nullptr)
{
    initResources();
    setObjectName(QStringLiteral("frmMain"));
    auto *central = new QWidget(this);
    central->setObjectName(QStringLiteral("centralArea"));
    setCentralWidget(central);

    Toolbar1->setParent(central);
    Toolbar1->setObjectName(QStringLiteral("Toolbar1"));
    Toolbar1->setMovable(false);
    Toolbar1->setFloatable(false);
    Toolbar1->setIconSize(QSize(16, 16));
    for (int i = 0; i < 15; ++i) {
        const ToolbarButton &b = Buttons[i];
        const QString key = QString::fromLatin1(b.key);
        QAction *a = nullptr;
        if (key.isEmpty()) {
            a = Toolbar1->addSeparator();
        } else {
            const QIcon fallback(QStringLiteral(":/zt/icons/%1.png").arg(key));
            a = Toolbar1->addAction(QIcon::fromTheme(QString::fromLatin1(b.themeIcon), fallback),
                                    QString());
            a->setObjectName(key);
            a->setToolTip(QString::fromUtf8(b.designToolTip));
            a->setShortcut(shortcutOf(b));
            Toolbar1->widgetForAction(a)->setObjectName(key);
            Toolbar1->widgetForAction(a)->installEventFilter(this);
            const int index = i + 1;
            connect(a, &QAction::triggered, this, [this, index] { Toolbar1_ButtonClick(index); });
        }
        m_buttons[i] = a;
    }
    addKeySheetButtons();
    // The toolbar is reached with F10 and walked with Tab; the open button's arrow holds the
    // recent files.
    for (QAction *a : Toolbar1->actions())
        if (QWidget *button = Toolbar1->widgetForAction(a); button && !a->isSeparator())
            button->setFocusPolicy(Qt::TabFocus);
    auto *toToolbar = new QShortcut(QKeySequence(Qt::Key_F10), this);
    connect(toToolbar, &QShortcut::activated, this, [this] {
        for (QAction *a : Toolbar1->actions())
            if (a->isVisible() && !a->isSeparator()) {
                Toolbar1->widgetForAction(a)->setFocus(Qt::ShortcutFocusReason);
                return;
            }
    });
    m_recentMenu = new QMenu(this);
    m_recentMenu->setObjectName(QStringLiteral("mnuRecentFiles"));
    connect(m_recentMenu, &QMenu::aboutToShow, this, &frmMain::fillRecentMenu);
    if (auto *open = qobject_cast<QToolButton *>(Toolbar1->widgetForAction(m_buttons[0]))) {
        open->setMenu(m_recentMenu);
        open->setPopupMode(QToolButton::MenuButtonPopup);
    }
    setAcceptDrops(true);

    m_tabPanel = new QFrame(central);
    m_tabPanel->setObjectName(QStringLiteral("TabDataPanel"));
    m_tabPanel->setFrameStyle(QFrame::StyledPanel | QFrame::Raised);
    TabData = new QTabBar(central);
    TabData->setObjectName(QStringLiteral("TabData"));
    TabData->setDrawBase(false);
    TabData->setExpanding(false);
    TabData->setFocusPolicy(Qt::StrongFocus);
    for (const QString &caption : {QStringLiteral("status"), QStringLiteral("buttons")})
        TabData->setTabData(TabData->addTab(caption), QString());

    fraContainer = new sdFrame(central, QStringLiteral("fraContainer"));
    fraBlind = new QFrame(fraContainer);
    fraBlind->setObjectName(QStringLiteral("fraBlind"));
    fraBlind->setFrameStyle(QFrame::NoFrame);
    fraBlind->setAutoFillBackground(true);

    m_picXP[0] = QIcon(QStringLiteral(":/zt/icons/dropdown-xp.png"));
    m_picXP[1] = QIcon(QStringLiteral(":/zt/icons/dropdown.png"));

    VScroll = new PageScrollBar(Qt::Vertical, central);
    VScroll->setObjectName(QStringLiteral("VScroll"));
    VScroll->setEnabled(false);

    StatusBar->setObjectName(QStringLiteral("StatusBar"));
    setStatusBar(StatusBar);
    lblLink = new QLabel(StatusBar);
    lblLink->setObjectName(QStringLiteral("lblLink"));
    StatusBar->addPermanentWidget(lblLink);
    lblDataFile = new QLabel(StatusBar);
    lblDataFile->setObjectName(QStringLiteral("lblDataFile"));
    lblModified = new QLabel(StatusBar);
    lblModified->setObjectName(QStringLiteral("lblModified"));
    StatusBar->addPermanentWidget(lblDataFile);
    StatusBar->addPermanentWidget(lblModified);

    cmdDummy = new QPushButton(QStringLiteral("dataset"), central);
    cmdDummy->setObjectName(QStringLiteral("cmdDummy"));
    cmdDummy->setVisible(zt.flags().Debug);
    timSendData->setObjectName(QStringLiteral("timSendData"));

    // The keyboard and the wheel reach the page area wherever the focus is.
    fraContainer->installEventFilter(this);
    auto *pageUp = new QShortcut(QKeySequence(Qt::Key_PageUp), this);
    connect(pageUp, &QShortcut::activated, this, [this] { scrollPages(-1); });
    auto *pageDown = new QShortcut(QKeySequence(Qt::Key_PageDown), this);
    connect(pageDown, &QShortcut::activated, this, [this] { scrollPages(1); });
    connect(qApp, &QApplication::focusChanged, this,
            [this](QWidget *, QWidget *now) { scrollIntoView(now); });
    // One history of the pages for the whole run; the unsaved state follows it.
    QUndoStack &history = m_zt.history().stack();
    QAction *undo = history.createUndoAction(this);
    undo->setShortcuts(QKeySequence::Undo);
    QAction *redo = history.createRedoAction(this);
    redo->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    addActions({undo, redo});
    connect(&history, &QUndoStack::indexChanged, this, &frmMain::refreshDataState);

    connect(TabData, &QTabBar::currentChanged, this, [this] { TabData_Click(); });
    connect(VScroll, &QScrollBar::valueChanged, this, [this] { VScroll_Change(); });
    connect(cmdDummy, &QPushButton::clicked, this, &frmMain::dummyRequested);

    // Form_Load
    QApplication::setOverrideCursor(Qt::WaitCursor);
    CorrectFormHeight();
    QApplication::restoreOverrideCursor();
    resize(px(ScrollArithmetic::FormWidth), px(TabDataTop + m_tabDataHeight + 320));
}

// The widgets going away move the focus; the application would report that to a window
// that is no longer whole.
frmMain::~frmMain()
{
    disconnect(qApp, nullptr, this, nullptr);
}

void frmMain::addKeySheetButtons()
{
    Toolbar1->addSeparator();
    for (const SheetButton &b : SheetButtons) {
        const QString key = QString::fromLatin1(b.key);
        const QIcon fallback(QStringLiteral(":/zt/icons/%1.png").arg(key));
        QAction *a = Toolbar1->addAction(
            QIcon::fromTheme(QString::fromLatin1(b.themeIcon), fallback), QString());
        a->setObjectName(key);
        a->setProperty("toolTipKey", QString::fromLatin1(b.toolTipKey));
        a->setToolTip(BuiltInText(m_zt.msg(), QString::fromLatin1(b.toolTipKey)));
        a->setShortcut(QKeySequence(b.shortcut));
        Toolbar1->widgetForAction(a)->setObjectName(key);
        Toolbar1->widgetForAction(a)->installEventFilter(this);
        connect(a, &QAction::triggered, this, b.signal);
    }
}

void frmMain::CorrectFormHeight()
{
    setFixedWidth(px(ScrollArithmetic::FormWidth));
    applyHeightBounds();
    m_vscrollLeft = TabDataLeft + TabDataWidth - 320;
    placeTabData();
}

QAction *frmMain::toolbarButton(int index) const
{
    return (index >= 1 && index <= 15) ? m_buttons[index - 1] : nullptr;
}

int frmMain::clientLeft() const
{
    return TabDataLeft + PanelBorder;
}
int frmMain::clientTop() const
{
    return TabDataTop + tw(TabData->sizeHint().height()) + PanelBorder;
}
int frmMain::clientWidth() const
{
    return TabDataWidth - 2 * PanelBorder;
}
int frmMain::clientHeight() const
{
    return qMax(0, m_tabDataHeight - tw(TabData->sizeHint().height()) - 2 * PanelBorder);
}

void frmMain::placeTabData()
{
    Toolbar1->setGeometry(0, 0, width(), qMin(Toolbar1->sizeHint().height(), px(TabDataTop)));
    const int barHeight = TabData->sizeHint().height();
    TabData->setGeometry(px(TabDataLeft), px(TabDataTop), px(TabDataWidth), barHeight);
    m_tabPanel->setGeometry(px(TabDataLeft), px(TabDataTop) + barHeight - 1, px(TabDataWidth),
                            px(m_tabDataHeight) - barHeight + 1);
    m_tabPanel->lower();
    VScroll->setGeometry(px(m_vscrollLeft), px(VScrollTop), px(VScrollWidth), px(m_vscrollHeight));
    VScroll->raise();
    cmdDummy->move(px(TabDataLeft + TabDataWidth) - cmdDummy->sizeHint().width(), 0);
}

void frmMain::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    Form_Activate();
}

void frmMain::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        Form_Activate();
    QMainWindow::changeEvent(event);
}

void frmMain::Form_Activate()
{
    if (m_activated)
        return;
    m_activated = true;
    InitToolbarAndTabs();
    Q_EMIT firstActivated();
}

void frmMain::InitToolbarAndTabs()
{
    for (int i = 1; i <= 15; ++i) {
        if (!Buttons[i - 1].key[0])
            continue;
        m_buttons[i - 1]->setToolTip(toolTipText(m_zt.msg(), i));
    }
    for (QAction *a : Toolbar1->actions())
        if (const QString key = a->property("toolTipKey").toString(); !key.isEmpty())
            a->setToolTip(BuiltInText(m_zt.msg(), key));
    TabStrip_Build();
    addWorkTools();
}

// After the documented buttons: the two compares, with their keys in the tooltip.
void frmMain::addWorkTools()
{
    m_findBar = new FindBar(m_zt, *this);
    auto *openFind = new QShortcut(QKeySequence::Find, this);
    connect(openFind, &QShortcut::activated, m_findBar, &FindBar::open);
    if (!m_comparison)
        return;
    m_compareDock = new CompareDock(m_zt, *m_comparison, *this);
    Toolbar1->addSeparator();
    const struct {
        const char *name;
        const char *tip;
        QStyle::StandardPixmap icon;
        QKeySequence key;
    } buttons[2] = {{"CompareFile", "Compare_File.ToolTip", QStyle::SP_FileDialogContentsView,
                     QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F)},
                    {"CompareDevice", "Compare_Device.ToolTip", QStyle::SP_ComputerIcon,
                     QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_D)}};
    for (int i = 0; i < 2; ++i) {
        QAction *a = Toolbar1->addAction(style()->standardIcon(buttons[i].icon), QString());
        a->setObjectName(QString::fromLatin1(buttons[i].name));
        Toolbar1->widgetForAction(a)->setObjectName(a->objectName());
        a->setShortcut(buttons[i].key);
        a->setToolTip(BuiltInText(m_zt.msg(), buttons[i].tip) + QStringLiteral(" (") +
                      buttons[i].key.toString(QKeySequence::NativeText) + u')');
        m_compareButtons[i] = a;
    }
    connect(m_compareButtons[0], &QAction::triggered, m_compareDock, &CompareDock::withFile);
    connect(m_compareButtons[1], &QAction::triggered, m_compareDock, &CompareDock::withDevice);
    m_compareButtons[0]->setVisible(m_zt.flags().SaveLoadEnabled);
}

void frmMain::revealKey(int group, int row)
{
    if (!m_page02)
        return;
    const int tab = int(m_tabPages.indexOf(m_page02->tabFrame()));
    if (tab >= 0 && tab != TabData->currentIndex())
        TabData->setCurrentIndex(tab);
    scrollIntoView(m_page02->keyField(group - 1, row - 1));
}

void frmMain::fitBottomBars()
{
    const int bar = StatusBar->isVisible() ? StatusBar->height() : 0;
    const int pages = height() - bar - m_bottomRoom;
    layout()->activate();
    m_bottomRoom = height() - bar - centralWidget()->height();
    applyHeightBounds();
    resize(width(), pages + bar + m_bottomRoom);
}

void frmMain::TabStrip_Build()
{
    const QString &ini = m_zt.iniFileName();
    const QString language = m_zt.flags().Language;
    if (m_zt.flags().ShowTabStrip_System)
        TabData->setTabData(TabData->addTab(QStringLiteral("SYSTEM")), QString());

    const QSignalBlocker noClicks(TabData);
    m_page01 = new frmTabStripData01(m_zt, this);
    // Made with the pages: its texts are looked up once the language is known.
    m_chooser = new frmChoose(m_zt.msg(), this);
    m_page02 = new frmTabStripData02(m_zt, *m_chooser, m_picXP[1], m_picXP[0], this);
    m_page09 = new frmTabStripData09(m_zt, *m_chooser, this);
    connect(m_page09, &frmTabStripData09::menuCommandRequested, this,
            &frmMain::menuCommandRequested);
    connect(m_chooser, &QDialog::finished, this, &frmMain::refreshDataState);
    // A chosen code or CAN address, the typed ACU version: each a step of the history.
    connect(m_chooser, &QDialog::finished, this, [this] { m_zt.history().commit(); });
    connect(m_page09->acuVersionField(), &QLineEdit::textEdited, this,
            [this] { m_zt.history().commit(EditHistory::Kind::Typing); });
    connect(m_page09->acuVersionField(), &QLineEdit::textEdited, this, &frmMain::refreshDataState);
    // The buttons page may have lowered the height limit.
    applyHeightBounds();

    fraContainer->move(clientLeft(), clientTop(), clientWidth() - VScrollWidth - 8, clientHeight());
    fraContainer->setBorderStyle(0);
    fraContainer->setCaption(QString());
    fraBlind->setGeometry(0, 0, px(20000), px(20000));

    m_tabPages = QList<sdFrame *>(TabData->count(), nullptr);
    const std::pair<QWidget *, sdFrame *> forms[] = {{m_page01, m_page01->tabFrame()},
                                                     {m_page02, m_page02->tabFrame()},
                                                     {m_page09, m_page09->tabFrame()}};
    for (const auto &[form, page] : forms) {
        page->setParent(fraContainer);
        page->setVisible(false);
        page->setBorderStyle(0);
        page->move(0, 0, fraContainer->Width(), page->Height());
        const QString pageCaption = page->Caption().trimmed().toUpper();
        for (int t = 0; t < TabData->count(); ++t) {
            if (TabData->tabText(t).trimmed().toUpper() != pageCaption)
                continue;
            TabData->setTabData(t, tabTag(TabData, t) + QStringLiteral("|FormName=") +
                                       form->objectName().trimmed() + QStringLiteral("|") +
                                       QStringLiteral("|TabStrip=") +
                                       TabData->tabText(t).trimmed() + QStringLiteral("|"));
            // Two pages of one caption: the first one loaded is shown.
            if (!m_tabPages[t])
                m_tabPages[t] = page;
            break;
        }
        page->setCaption(QString());
    }

    for (int t = 0; t < TabData->count(); ++t) {
        const QString text =
            (QStringLiteral("|") + tabTag(TabData, t).trimmed() + QStringLiteral("|")).toUpper();
        const qsizetype at = text.indexOf(QStringLiteral("TABSTRIP="));
        if (at < 0)
            continue;
        QString pageName;
        for (qsizetype i = at + 9; i < text.size(); ++i) {
            const QChar c = text[i];
            if (c == QLatin1Char('"') || c == QLatin1Char(' ') || c == QLatin1Char('|'))
                break;
            pageName += c;
        }
        if (pageName.trimmed().isEmpty())
            continue;
        if (text.contains(QStringLiteral("|TABSTRIP=SYSTEM|"))) {
            TabData->setTabText(t, QStringLiteral("S&YSTEM"));
            continue;
        }
        const QString section =
            QStringLiteral("TabStrip_") + pageName + QStringLiteral("_") + language;
        TabData->setTabText(t, INI_ReadValue(ini, section, QStringLiteral("Caption"), section));
        TabData->setTabToolTip(t,
                               INI_ReadValue(ini, section, QStringLiteral("ToolTip"), QString()));
    }
    placeTabData();

    int selected = 1;
    if (m_zt.flags().RestoreLastPosition) {
        const qint64 stored = Tools::ValOf(INI_ReadValue(
            ini, QStringLiteral("Recent"), QStringLiteral("ActTabStrip"), QStringLiteral("1")));
        selected = (stored < 1 || stored > TabData->count()) ? 1 : static_cast<int>(stored);
    }
    TabData->setCurrentIndex(selected - 1);
    TabData_Click();
}

void frmMain::TabData_Click()
{
    if (m_zt.programStarted()) {
        m_zt.pages().DataSet_FromPages();
        m_zt.CheckDataSet(true);
        m_zt.pages().DataSet_ToPages();
    }
    sdFrame *page = m_tabPages.value(TabData->currentIndex());
    if (!page)
        return;
    // The page shown before goes out of sight as well, so the keyboard cannot reach it.
    if (m_activePage && m_activePage != page)
        m_activePage->setVisible(false);
    page->raise();
    page->setVisible(true);
    fraBlind->raise();
    fraBlind->move(0, px(page->Top() + page->Height()));
    m_activePage = page;
    AdjustScrollBar();
}

void frmMain::AdjustScrollBar()
{
    if (!m_activePage)
        return;
    ScrollArithmetic::PageArea area;
    area.tabDataHeight = m_tabDataHeight;
    area.tabClientHeight = clientHeight();
    area.containerHeight = fraContainer->Height();
    area.pageTop = m_activePage->Top();
    area.pageHeight = m_activePage->Height();
    area.scrollMax = VScroll->maximum();
    const ScrollArithmetic::ScrollBarState s = ScrollArithmetic::AdjustScrollBar(area);

    m_vscrollHeight = s.height;
    VScroll->setGeometry(px(m_vscrollLeft), px(VScrollTop), px(VScrollWidth), px(m_vscrollHeight));
    const QSignalBlocker quiet(VScroll);
    VScroll->setEnabled(s.enabled);
    VScroll->setRange(0, s.max);
    if (s.enabled) {
        VScroll->setSingleStep(s.smallChange);
        VScroll->setPageStep(s.largeChange);
    }
    VScroll->setValue(s.value);
    m_activePage->setTop(s.pageTop);
    fraBlind->move(0, px(s.blindTop));
}

void frmMain::VScroll_Change()
{
    if (!m_activePage)
        return;
    const ScrollArithmetic::PagePosition p =
        ScrollArithmetic::VScroll_Change(VScroll->value(), m_activePage->Height());
    m_activePage->setTop(p.pageTop);
    fraBlind->move(0, px(p.blindTop));
}

void frmMain::setCaption(const QString &caption)
{
    m_caption = caption;
    refreshDataState();
}

void frmMain::setLinkText(const QString &text)
{
    m_linkText = text;
    showLinkText();
}

// A port path as long as the window must not push the data file out of the status bar:
// the link takes at most half of it, shortened in the middle, whole in the tooltip.
void frmMain::showLinkText()
{
    const int room = qMax(1, width() / 2);
    const QString shownText = lblLink->fontMetrics().elidedText(m_linkText, Qt::ElideMiddle, room);
    lblLink->setText(shownText);
    lblLink->setToolTip(shownText == m_linkText ? QString() : m_linkText);
}

void frmMain::showDummyButton()
{
    cmdDummy->setVisible(true);
}

void frmMain::FocusTabStrip()
{
    if (StatusBar->isVisible())
        TabData->setFocus(Qt::OtherFocusReason);
}

int frmMain::selectedTab() const
{
    return TabData->currentIndex() + 1;
}

void frmMain::refreshDataState()
{
    const QString file = m_zt.dataFileName();
    lblDataFile->setText(QFileInfo(file).fileName());
    lblDataFile->setToolTip(file);
    const UnsavedEdits::Parts parts = m_page02 ? m_zt.Unsaved() : UnsavedEdits::Nothing;
    QStringList marks;
    if (parts & UnsavedEdits::Codes)
        marks << m_zt.msg().text(QStringLiteral("DataModified"));
    if (parts & UnsavedEdits::System)
        marks << BuiltInText(m_zt.msg(), "DataModified_System");
    lblModified->setText(marks.join(QStringLiteral(", ")));
    const QString name = QFileInfo(file).fileName();
    setWindowTitle(m_caption + (name.isEmpty() ? QString() : QStringLiteral(" \u2013 ") + name) +
                   QStringLiteral("[*]"));
    setWindowModified(parts != UnsavedEdits::Nothing);
}

void frmMain::fillRecentMenu()
{
    m_recentMenu->clear();
    const QStringList files = m_recentSource ? m_recentSource() : QStringList();
    for (const QString &file : files) {
        QAction *a = m_recentMenu->addAction(file);
        connect(a, &QAction::triggered, this, [this, file] { Q_EMIT recentFileChosen(file); });
    }
    if (files.isEmpty())
        m_recentMenu->addAction(BuiltInText(m_zt.msg(), QStringLiteral("Menu_FileRecent.ToolTip")))
            ->setEnabled(false);
}

namespace {
// The one local file a drag carries; empty for anything else.
QString droppedFile(const QMimeData *mime)
{
    if (!mime || !mime->hasUrls() || mime->urls().size() != 1 ||
        !mime->urls().first().isLocalFile())
        return {};
    return mime->urls().first().toLocalFile();
}
} // namespace

void frmMain::dragEnterEvent(QDragEnterEvent *event)
{
    if (!droppedFile(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void frmMain::dropEvent(QDropEvent *event)
{
    const QString file = droppedFile(event->mimeData());
    if (file.isEmpty())
        return;
    event->acceptProposedAction();
    Q_EMIT fileDropped(file);
}

void frmMain::scrollPages(int pages)
{
    if (!VScroll->isEnabled())
        return;
    // One page area less a row, so the row at the edge stays in sight.
    const int step = qMax(ScrollArithmetic::ScrollStep, fraContainer->Height() - 480);
    VScroll->setValue(VScroll->value() + pages * step);
}

// A notch of the wheel (120 eighths of a degree) moves the page one row; the scroll bar's
// own steps stay as they are for its arrows.
void frmMain::wheelRows(const QWheelEvent &wheel)
{
    constexpr int Notch = 120;
    constexpr int RowTwips = 480;
    if (!VScroll->isEnabled())
        return;
    m_wheelRest += wheel.angleDelta().y();
    const int notches = m_wheelRest / Notch;
    m_wheelRest -= notches * Notch;
    VScroll->setValue(VScroll->value() - notches * RowTwips);
}

void frmMain::scrollIntoView(QWidget *widget)
{
    if (!widget || !m_activePage || !VScroll->isEnabled() || !m_activePage->isAncestorOf(widget))
        return;
    const QRect r(widget->mapTo(m_activePage, QPoint(0, 0)), widget->size());
    const int visible = tw(fraContainer->height());
    const int value = VScroll->value();
    if (tw(r.top()) < value)
        VScroll->setValue(tw(r.top()));
    else if (tw(r.bottom() + 1) > value + visible)
        VScroll->setValue(tw(r.bottom() + 1) - visible);
}

bool frmMain::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == fraContainer && event->type() == QEvent::Wheel) {
        wheelRows(*static_cast<QWheelEvent *>(event));
        return true;
    }
    if (event->type() == QEvent::ToolTip) {
        // The catalogue's tooltip with the button's key beside it.
        for (QAction *a : Toolbar1->actions()) {
            if (a->isSeparator() || Toolbar1->widgetForAction(a) != watched)
                continue;
            const QString keys = a->shortcut().toString(QKeySequence::NativeText);
            const QString tip =
                keys.isEmpty() ? a->toolTip() : a->toolTip() + QStringLiteral(" (") + keys + u')';
            const auto *help = static_cast<QHelpEvent *>(event);
            QToolTip::showText(help->globalPos(), tip, static_cast<QWidget *>(watched));
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void frmMain::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    Form_Resize();
    showLinkText();
}

int frmMain::frameHeight() const
{
    return frameGeometry().height() - height();
}

void frmMain::applyHeightBounds()
{
    // The bounds hold the whole window: the title bar and borders come off the client.
    setMinimumHeight(qMax(0, px(ScrollArithmetic::MinFormHeight) - frameHeight()) + m_bottomRoom);
    setMaximumHeight(px(m_zt.maxFormHeight()) - frameHeight() + m_bottomRoom);
}

void frmMain::Form_Resize()
{
    if (isMinimized())
        return;
    // The frame is known once the window system has placed the window.
    applyHeightBounds();
    // The bars below the pages come on top of the window's designed height.
    const int designed = height() - m_bottomRoom;
    const ScrollArithmetic::WindowSize w = ScrollArithmetic::Form_Resize(
        tw(designed), m_zt.maxFormHeight(), TabDataTop, tw(frameHeight()));
    // A height within the bounds stays as it is in pixels; a bound that does not convert
    // exactly cannot make the window resize itself forever.
    const int wantHeight = (tw(designed) == w.height ? designed : px(w.height)) + m_bottomRoom;
    const QSize want(px(w.width), qBound(minimumHeight(), wantHeight, maximumHeight()));
    if (want != size()) {
        resize(want);
        return;
    }
    m_tabDataHeight = w.tabDataHeight;
    placeTabData();
    fraContainer->setHeight(clientHeight());
    AdjustScrollBar();
}

void frmMain::Toolbar1_ButtonClick(int index)
{
    Q_EMIT menuCommandRequested(MenuCommand(index));
}

void frmMain::closeEvent(QCloseEvent *event)
{
    // Form_Unload: the program end decides whether the window closes.
    event->setAccepted(m_closing.mayClose());
}
