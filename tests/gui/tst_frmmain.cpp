#include <QAbstractItemView>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QTabBar>
#include <QToolBar>
#include <QToolButton>
#include <QToolTip>
#include <QtTest>

#include "GuiHarness.h"
#include "gui/app/GuiOperator.h"
#include "gui/app/ScreenTwips.h"
#include "gui/controls/sdFrame.h"
#include "gui/ui/FieldEditing.h"
#include "gui/ui/frmChoose.h"
#include "gui/ui/frmTabStripData02.h"

using ScreenTwips::px;

// A layout promise that failed: which control and value, under which font, and the rule.
#define LAYOUT_CHECK(widget, rule, condition, actual, expected)                                    \
    QVERIFY2(condition, layoutFailure(widget, rule, actual, expected).constData())

namespace {
QByteArray layoutFailure(const QWidget *w, const char *rule, int actual, int expected)
{
    const QFontInfo font(w->font());
    return QStringLiteral("%1: %2, expected %3 (rule: %4; font %5 %6 pt, style %7)")
        .arg(w->objectName())
        .arg(actual)
        .arg(expected)
        .arg(QLatin1String(rule), font.family())
        .arg(font.pointSizeF())
        .arg(w->style()->name())
        .toUtf8();
}

const QString Ini = QStringLiteral("[Messages_GER]\n"
                                   "Menu_CommSendData.ToolTip=Daten senden zum Gerät\n"
                                   "[TabStrip_STATUS_GER]\n"
                                   "Caption=&Status\n"
                                   "ToolTip=Statustexte\n"
                                   "[TabStrip_Buttons_GER]\n"
                                   "LabelLeft03=Nr. 3\n"
                                   "[Recent]\n"
                                   "ActTabStrip=%1\n");

CodeList channels()
{
    return {{QStringLiteral("Mikrofone"), -1, true},
            {QStringLiteral("Mikrofon 1"), 1, true},
            {QStringLiteral("Lautsprecher 1"), 11, true}};
}

template <typename T> T *child(QWidget &w, const QString &name)
{
    T *c = w.findChild<T *>(name);
    if (!c)
        qFatal("no control %s", qPrintable(name));
    return c;
}

QLineEdit *field(QWidget &w, const QString &name)
{
    return child<QLineEdit>(w, name);
}
QTabBar *tabData(QWidget &w)
{
    return child<QTabBar>(w, QStringLiteral("TabData"));
}
QScrollBar *vScroll(QWidget &w)
{
    return child<QScrollBar>(w, QStringLiteral("VScroll"));
}
sdFrame *container(QWidget &w)
{
    return child<sdFrame>(w, QStringLiteral("fraContainer"));
}
} // namespace

class TestFrmMain : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void toolbarClickRaisesItsCommand_data();
    void toolbarClickRaisesItsCommand();
    void toolbarToolTips();
    void firstActivationBuildsOnce();
    void tabs_data();
    void tabs();
    void rowsAndColumns_data();
    void rowsAndColumns();
    void windowKeepsItsBounds_data();
    void windowKeepsItsBounds();
    void tabChangeCarriesValuesThroughTheDataSet();
    void tabChangeBeforeStartDoesNotTouchData();
    void scrollOffsetSurvivesTabChange_data();
    void scrollOffsetSurvivesTabChange();
    void pageAreaScrolls_data();
    void pageAreaScrolls();
    void acuVersionTakesDigitsOnly_data();
    void acuVersionTakesDigitsOnly();
    void sendButtonsRaiseTheirCommands();
    void closingAsksTheProgramEnd();
    void dummyButtonOnlyWithDebug();
    void keyGridByKeyboard();
    void pageTextsFromSettings();
    void statusBarShowsFileAndEdits();
    void themedDropDownPictures();
    void keySheetButtons();
    void titleNamesFileAndEdits();
    void dropAndRecentFiles();
    void longLinkTextShortened();
};

void TestFrmMain::toolbarClickRaisesItsCommand_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QKeySequence>("shortcut");
    const QKeySequence shortcuts[15] = {QKeySequence(Qt::CTRL | Qt::Key_O),
                                        QKeySequence(Qt::CTRL | Qt::Key_S),
                                        QKeySequence(Qt::CTRL | Qt::Key_R),
                                        {},
                                        QKeySequence(Qt::Key_F5),
                                        QKeySequence(Qt::Key_F6),
                                        QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_R),
                                        QKeySequence(Qt::Key_F8),
                                        QKeySequence(Qt::Key_F9),
                                        QKeySequence(Qt::CTRL | Qt::Key_Comma),
                                        {},
                                        QKeySequence(Qt::CTRL | Qt::Key_L),
                                        QKeySequence(Qt::Key_F1),
                                        {},
                                        QKeySequence(Qt::CTRL | Qt::Key_Q)};
    const char *keys[] = {"FileRead",
                          "FileWrite",
                          "Reset",
                          "",
                          "CommSendData",
                          "CommReceiveData",
                          "CommRestart",
                          "CommGetInfo",
                          "CommCheck",
                          "CommSettings",
                          "",
                          "ShowProtocol",
                          "ShowAbout",
                          "",
                          "EndProgram"};
    for (int i = 1; i <= 15; ++i)
        QTest::addRow("%d", i) << i << QString::fromLatin1(keys[i - 1]) << shortcuts[i - 1];
}

void TestFrmMain::toolbarClickRaisesItsCommand()
{
    QFETCH(int, index);
    QFETCH(QString, key);
    GuiHarness h(Ini.arg(1));
    frmMain &m = h.build();
    QAction *a = m.toolbarButton(index);
    QVERIFY(a);
    if (key.isEmpty()) {
        QVERIFY(a->isSeparator());
        return;
    }
    QCOMPARE(a->objectName(), key);
    QWidget *button = child<QToolBar>(m, QStringLiteral("Toolbar1"))->widgetForAction(a);
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(h.commands, QList<int>{index});
    QVERIFY(button->focusPolicy() & Qt::TabFocus);

    // The key does the same, and the tooltip names it beside the catalogue's text.
    QFETCH(QKeySequence, shortcut);
    QHelpEvent help(QEvent::ToolTip, QPoint(2, 2), button->mapToGlobal(QPoint(2, 2)));
    QCoreApplication::sendEvent(button, &help);
    QCOMPARE(QToolTip::text(), a->toolTip() + QStringLiteral(" (") +
                                   shortcut.toString(QKeySequence::NativeText) + u')');
    QApplication::setActiveWindow(&m);
    QVERIFY(QTest::qWaitForWindowActive(&m));
    QTest::keySequence(&m, shortcut);
    QCOMPARE(h.commands, (QList<int>{index, index}));
}

void TestFrmMain::toolbarToolTips()
{
    GuiHarness h(Ini.arg(1) + QStringLiteral("[Messages_ENG]\n"
                                             "Form_Choose.Caption=Choose target\n"
                                             "Menu_CommSendData.ToolTip=Send data\n"));
    h.messages.setLanguage(QStringLiteral("")); // not yet known while the window is made
    frmMain &m = h.build(false);
    h.messages.setLanguage(QStringLiteral("ENG"));
    h.zt.setupFlags().Language = QStringLiteral("ENG");
    QCOMPARE(m.toolbarButton(5)->toolTip(), QStringLiteral("Daten senden"));
    m.show();
    QCOMPARE(m.toolbarButton(5)->toolTip(), QStringLiteral("Send data"));
    QCOMPARE(m.chooser().windowTitle(), QStringLiteral("Choose target"));
    QCOMPARE(m.toolbarButton(3)->toolTip(), QStringLiteral("Menu_Reset.ToolTip"));
    QVERIFY(!m.toolbarButton(1)->icon().isNull());
    QVERIFY(!m.toolbarButton(15)->icon().isNull());
}

void TestFrmMain::firstActivationBuildsOnce()
{
    GuiHarness h(Ini.arg(1));
    frmMain &m = h.build();
    QCOMPARE(h.portOpened, 1);
    m.hide();
    m.show();
    m.Form_Activate();
    QCOMPARE(h.portOpened, 1);
    QCOMPARE(tabData(m)->count(), 2);
    QCOMPARE(m.findChildren<frmTabStripData02 *>().size(), 1);
}

void TestFrmMain::tabs_data()
{
    QTest::addColumn<bool>("system");
    QTest::addColumn<bool>("restore");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("selected");

    QTest::newRow("restored") << false << true << "2" << 2 << 2;
    QTest::newRow("not restored") << false << false << "2" << 2 << 1;
    QTest::newRow("zero") << false << true << "0" << 2 << 1;
    QTest::newRow("beyond the tabs") << false << true << "3" << 2 << 1;
    QTest::newRow("not a number") << false << true << "abc" << 2 << 1;
    QTest::newRow("system tab restored") << true << true << "3" << 3 << 3;
}

void TestFrmMain::tabs()
{
    QFETCH(bool, system);
    QFETCH(bool, restore);
    QFETCH(QString, stored);
    GuiHarness h(Ini.arg(stored));
    h.zt.setupFlags().ShowTabStrip_System = system;
    h.zt.setupFlags().RestoreLastPosition = restore;
    frmMain &m = h.build();
    QTEST(tabData(m)->count(), "count");
    QTEST(h.pages.selectedTab(), "selected");

    QCOMPARE(tabData(m)->tabText(0), QStringLiteral("&Status"));
    QCOMPARE(tabData(m)->tabToolTip(0), QStringLiteral("Statustexte"));
    QCOMPARE(tabData(m)->tabText(1), QStringLiteral("TabStrip_BUTTONS_GER"));
    QCOMPARE(tabData(m)->tabData(0).toString(),
             QStringLiteral("|FormName=frmTabStripData01||TabStrip=status|"));
    if (system) {
        QCOMPARE(tabData(m)->tabText(2), QStringLiteral("S&YSTEM"));
        QCOMPARE(tabData(m)->tabData(2).toString(),
                 QStringLiteral("|FormName=frmTabStripData09||TabStrip=SYSTEM|"));
    }
    // The selected page is in front, and only it.
    QVERIFY(m.activePage());
    QVERIFY(m.activePage()->isVisible());
    QCOMPARE(container(m)->findChildren<sdFrame *>(QStringLiteral("fraTab")).size(), 3);
    for (sdFrame *p : container(m)->findChildren<sdFrame *>(QStringLiteral("fraTab")))
        QCOMPARE(p->isVisible(), p == m.activePage());
    QVERIFY(container(m)->Caption().isEmpty());
}

void TestFrmMain::rowsAndColumns_data()
{
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("cols");
    QTest::addColumn<int>("maxHeight");
    QTest::addColumn<bool>("roomyTitles"); // a style whose titles surely need the shift

    QTest::newRow("15 x 3") << 15 << 3 << 9840 << false;
    QTest::newRow("25 x 4") << 25 << 4 << 14640 << false;
    QTest::newRow("1 x 1") << 1 << 1 << 3120 << false;
    QTest::newRow("24 x 2") << 24 << 2 << 14160 << false;
    QTest::newRow("15 x 3, roomy titles") << 15 << 3 << 9840 << true;
}

void TestFrmMain::rowsAndColumns()
{
    QFETCH(int, rows);
    QFETCH(int, cols);
    QFETCH(bool, roomyTitles);
    const QString style = QApplication::style()->name();
    if (roomyTitles)
        QApplication::setStyle(new RoomyTitles(style));
    const auto restore = qScopeGuard([&] { QApplication::setStyle(style); });
    GuiHarness h(Ini.arg(2));
    h.zt.setupFlags().CountKeyRows = static_cast<qint16>(rows);
    h.zt.setupFlags().CountKeyCols = static_cast<qint16>(cols);
    frmMain &m = h.build();
    QTEST(int(h.zt.maxFormHeight()), "maxHeight");

    const char letters[] = "ABCD";
    for (int g = 0; g < 4; ++g) {
        for (int r = 0; r < 25; ++r) {
            const bool shown = g < cols && r < rows;
            const QString n = QStringLiteral("(%1)").arg(r);
            QCOMPARE(!field(m, QStringLiteral("txtButtons") + letters[g] + n)->isHidden(), shown);
            QCOMPARE(!child<QWidget>(m, QStringLiteral("pic") + letters[g] + n)->isHidden(), shown);
        }
        QCOMPARE(!field(m, QStringLiteral("txtLblTop(%1)").arg(g))->isHidden(), g < cols);
    }
    for (int r = 0; r < 25; ++r)
        QCOMPARE(!field(m, QStringLiteral("txtLblLeft(%1)").arg(r))->isHidden(), r < rows);

    // Titles taller than the design allows push the content down, by the same shift for
    // every row, and only when a title would cover row 1 at its design place.
    sdFrame *page = m.page02()->tabFrame();
    QLineEdit *top0 = field(m, QStringLiteral("txtLblTop(0)"));
    const int shift = top0->y() - px(240);
    LAYOUT_CHECK(top0, "the content never moves up", shift >= 0, shift, 0);
    int titlesBottom = 0;
    for (const char *name : {"fraButtons02", "fraButtons03"}) {
        const auto *box = child<QGroupBox>(m, QString::fromLatin1(name));
        const QRect title = PageStyle::titleRect(box);
        titlesBottom = qMax(titlesBottom, title.bottom());
        for (const QWidget *c : box->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
            if (c->isVisibleTo(page))
                LAYOUT_CHECK(c, "no title covers a label", !c->geometry().intersects(title), c->y(),
                             title.bottom() + 1);
        }
    }
    if (shift > 0)
        LAYOUT_CHECK(top0, "a shift only where a title would cover row 1", titlesBottom >= px(240),
                     titlesBottom, px(240));
    const auto inPage = [&](QWidget *w) { return w->mapTo(page, QPoint(0, 0)).y(); };
    const int row1 = inPage(field(m, QStringLiteral("txtButtonsA(0)")));
    for (int r = 0; r < rows; ++r) {
        QLineEdit *label = field(m, QStringLiteral("txtLblLeft(%1)").arg(r));
        LAYOUT_CHECK(label, "rows 480 twips apart",
                     inPage(label) - row1 == px(240 + 480 * r) - px(240), inPage(label) - row1,
                     px(240 + 480 * r) - px(240));
        for (int g = 0; g < cols; ++g) {
            QLineEdit *key =
                field(m, QStringLiteral("txtButtons") + letters[g] + QStringLiteral("(%1)").arg(r));
            LAYOUT_CHECK(key, "level with its row label", inPage(key) == inPage(label), inPage(key),
                         inPage(label));
        }
    }
    if (roomyTitles)
        LAYOUT_CHECK(top0, "titles 8 pixels taller move the content down", shift > 0, shift, 1);

    // The page is 480 shorter for every hidden row and grows by twice the shift (the column
    // titles' box and the row boxes below it); the window cannot outgrow the limit.
    const int designHeight = 12855 - 480 * (25 - rows);
    LAYOUT_CHECK(page, "the page grows by twice the shift",
                 page->Height() == designHeight + ScreenTwips::tw(2 * shift), page->Height(),
                 designHeight + ScreenTwips::tw(2 * shift));
    m.resize(m.width(), px(20000));
    QCOMPARE(m.frameGeometry().height(), px(h.zt.maxFormHeight()));
}

void TestFrmMain::windowKeepsItsBounds_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("expectedHeight");
    QTest::addColumn<bool>("bound"); // a bound holds the whole window, its frame included
    QTest::newRow("narrow and low") << 3000 << 1000 << 2970 << true;
    QTest::newRow("wide and high") << 15000 << 20000 << 9840 << true;
    QTest::newRow("wide, height inside") << 12000 << 6000 << 6000 << false;
}

void TestFrmMain::windowKeepsItsBounds()
{
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(int, expectedHeight);
    GuiHarness h(Ini.arg(1));
    frmMain &m = h.build();
    m.resize(px(width), px(height));
    QCoreApplication::processEvents();
    QCOMPARE(m.width(), px(10590));
    QFETCH(bool, bound);
    QCOMPARE(bound ? m.frameGeometry().height() : m.height(), px(expectedHeight));
    // The tab strip and scroll bar follow the height.
    QVERIFY(vScroll(m)->geometry().bottom() <= m.statusBar()->geometry().top());
}

void TestFrmMain::tabChangeCarriesValuesThroughTheDataSet()
{
    GuiHarness h(Ini.arg(2));
    h.zt.setupFlags().ShowTabStrip_System = true;
    h.zt.setCodeLists(channels(), {{QStringLiteral("Zentrale"), 5, true}});
    frmMain &m = h.build();

    DataSet &d = h.zt.data();
    d.DataRecord.button(1, 1) = 11;
    d.DataRecord.button(4, 25) = -3; // hidden field, heading code from a data file
    d.DataRecord.button(2, 3) = 77;  // a code the list does not know
    d.TextStatus[0].set(QStringLiteral("ZT 4000"));
    d.ACUVersion.set(QStringLiteral("12"));
    d.CanBusAddr = 5;
    h.pages.DataSet_ToPages();

    QCOMPARE(field(m, QStringLiteral("txtButtonsA(0)"))->text(), QStringLiteral("Lautsprecher 1"));
    QCOMPARE(field(m, QStringLiteral("txtButtonsB(2)"))->text(), QStringLiteral("77"));
    QCOMPARE(fieldTag(field(m, QStringLiteral("txtButtonsB(0)"))), QString());
    QCOMPARE(field(m, QStringLiteral("txtButtonsB(0)"))->text(), h.zt.notDefinedText());
    QCOMPARE(field(m, QStringLiteral("txtStatus(0)"))->text(), QStringLiteral("ZT 4000"));
    QCOMPARE(field(m, QStringLiteral("txtStatus(1)"))->text(), QString()); // never filled
    QCOMPARE(field(m, QStringLiteral("txtACUVersion"))->text(), QStringLiteral("12"));
    QCOMPARE(field(m, QStringLiteral("txtCanBusAddr"))->text(), QStringLiteral("Zentrale"));

    // The operator edits; a page change takes the edits into the DataSet.
    SetFieldCode(field(m, QStringLiteral("txtButtonsC(1)")), h.zt.channelList(), 1,
                 h.zt.notDefinedText());
    field(m, QStringLiteral("txtACUVersion"))->setText(QStringLiteral("0815"));
    h.zt.setProgramStarted(true);
    tabData(m)->setCurrentIndex(0);

    QCOMPARE(d.DataRecord.button(3, 2), qint16(1));
    QCOMPARE(d.DataRecord.button(1, 1), qint16(11));
    QCOMPARE(d.DataRecord.button(4, 25), qint16(-3));
    QCOMPARE(d.DataRecord.button(2, 3), qint16(77));
    QCOMPARE(d.ACUVersion.text(), QStringLiteral("0815"));
    QCOMPARE(d.TextStatus[0].text(), QStringLiteral("ZT 4000").leftJustified(32));
    QCOMPARE(d.TextStatus[1].text(), QString(32, QLatin1Char(' ')));
    QCOMPARE(d.CanBusAddr, qint16(5));
    QCOMPARE(fieldTag(field(m, QStringLiteral("txtButtonsD(24)"))), QStringLiteral("-3"));
    QCOMPARE(h.pages.selectedTab(), 1);
}

void TestFrmMain::tabChangeBeforeStartDoesNotTouchData()
{
    GuiHarness h(Ini.arg(1));
    frmMain &m = h.build();
    h.zt.data().DataRecord.button(1, 1) = 11;
    tabData(m)->setCurrentIndex(1);
    QCOMPARE(h.zt.data().DataRecord.button(1, 1), qint16(11));
    QCOMPARE(m.activePage(), m.page02()->tabFrame());
}

void TestFrmMain::scrollOffsetSurvivesTabChange_data()
{
    QTest::addColumn<int>("heightBetween");
    QTest::addColumn<int>("expected");
    QTest::newRow("same window") << 6000 << 960;
    QTest::newRow("taller window, offset beyond Max") << 14000 << 0;
}

void TestFrmMain::scrollOffsetSurvivesTabChange()
{
    QFETCH(int, heightBetween);
    GuiHarness h(Ini.arg(2));
    h.zt.setupFlags().CountKeyRows = 25;
    h.zt.setupFlags().CountKeyCols = 4;
    frmMain &m = h.build();
    m.resize(m.width(), px(6000));
    QCoreApplication::processEvents();
    QVERIFY(vScroll(m)->isEnabled());
    QCOMPARE(vScroll(m)->singleStep(), 96);
    vScroll(m)->setValue(960);
    sdFrame *page = m.page02()->tabFrame();
    QCOMPARE(page->Top(), -960);
    // The blind covers what lies below the page (whose height follows the titles' font).
    const QFrame *blind = child<QFrame>(m, QStringLiteral("fraBlind"));
    LAYOUT_CHECK(blind, "the blind starts where the page ends",
                 blind->y() == px(-960 + page->Height()), blind->y(), px(-960 + page->Height()));

    tabData(m)->setCurrentIndex(0);
    QVERIFY(!vScroll(m)->isEnabled());
    QCOMPARE(m.activePage()->Top(), 0);
    m.resize(m.width(), px(heightBetween));
    QCoreApplication::processEvents();

    tabData(m)->setCurrentIndex(1);
    QTEST(vScroll(m)->value(), "expected");
    QCOMPARE(m.page02()->tabFrame()->Top(), -vScroll(m)->value());
    QVERIFY(vScroll(m)->value() <= vScroll(m)->maximum());
}

void TestFrmMain::pageAreaScrolls_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("down");
    QTest::newRow("wheel") << "wheel" << true;
    QTest::newRow("page down") << "PgDn" << true;
    QTest::newRow("page up at the top") << "PgUp" << false;
    QTest::newRow("focus to the last row") << "focus" << true;
}

void TestFrmMain::pageAreaScrolls()
{
    QFETCH(QString, how);
    GuiHarness h(Ini.arg(2));
    h.zt.setupFlags().CountKeyRows = 25;
    frmMain &m = h.build();
    m.resize(m.width(), px(6000));
    QApplication::setActiveWindow(&m);
    QVERIFY(QTest::qWaitForWindowActive(&m));
    QLineEdit *first = field(m, QStringLiteral("txtButtonsA(0)"));
    QLineEdit *last = field(m, QStringLiteral("txtButtonsC(24)"));
    first->setFocus();
    QVERIFY(vScroll(m)->isEnabled());
    if (how == QLatin1String("wheel")) {
        QWheelEvent wheel(QPointF(5, 5), m.mapToGlobal(QPointF(5, 5)), {}, QPoint(0, -120),
                          Qt::NoButton, {}, Qt::NoScrollPhase, false);
        // Only the window system's own wheel events travel up from the control under the mouse.
        QCoreApplication::sendEvent(container(m), &wheel);
        QCOMPARE(vScroll(m)->value(), 480); // one row a notch
        QCOMPARE(vScroll(m)->singleStep(), 96);
    } else if (how == QLatin1String("focus")) {
        last->setFocus();
    } else {
        QTest::keyClick(first, how == QLatin1String("PgDn") ? Qt::Key_PageDown : Qt::Key_PageUp);
    }
    QFETCH(bool, down);
    QCOMPARE(vScroll(m)->value() > 0, down);
    QCOMPARE(m.page02()->tabFrame()->Top(), -vScroll(m)->value());
    if (how == QLatin1String("focus")) {
        const QRect inArea(last->mapTo(container(m), QPoint(0, 0)), last->size());
        QVERIFY(container(m)->rect().contains(inArea));
    }

    // A page that fits: the scroll bar is off and shows no thumb, one colour down its middle.
    tabData(m)->setCurrentIndex(0);
    QVERIFY(!vScroll(m)->isEnabled());
    const QImage bar = vScroll(m)->grab().toImage();
    const int x = bar.width() / 2;
    const int arrow = vScroll(m)->width() + 2;
    for (int y = arrow; y < bar.height() - arrow; ++y)
        QCOMPARE(bar.pixel(x, y), bar.pixel(x, arrow));
}

void TestFrmMain::acuVersionTakesDigitsOnly_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("expected");
    QTest::newRow("digits") << "0815"
                            << "0815";
    QTest::newRow("letters and points dropped") << "1a.2 b3"
                                                << "123";
    QTest::newRow("at most four") << "123456"
                                  << "1234";
    QTest::newRow("nothing but letters") << "abc"
                                         << "";
}

void TestFrmMain::acuVersionTakesDigitsOnly()
{
    QFETCH(QString, typed);
    GuiHarness h(Ini.arg(1));
    frmMain &m = h.build();
    QLineEdit *acu = field(m, QStringLiteral("txtACUVersion"));
    QTest::keyClicks(acu, typed);
    QTEST(acu->text(), "expected");
    QFETCH(QString, expected);
    QTest::keyClick(acu, Qt::Key_Backspace);
    QCOMPARE(acu->text(), expected.left(qMax(0, expected.size() - 1)));
    // Pasted text passes no key filter but still only digits get in.
    acu->clear();
    acu->insert(QStringLiteral("x9"));
    QCOMPARE(acu->text(), QString());
}

void TestFrmMain::sendButtonsRaiseTheirCommands()
{
    GuiHarness h(Ini.arg(1));
    frmMain &m = h.build();
    for (int i = 0; i < 2; ++i) {
        QToolBar *bar = child<QToolBar>(m, QStringLiteral("ToolbarPart01(%1)").arg(i));
        QTest::mouseClick(bar->widgetForAction(bar->actions().front()), Qt::LeftButton);
    }
    QCOMPARE(h.commands, (QList<int>{108, 109}));
}

void TestFrmMain::closingAsksTheProgramEnd()
{
    GuiHarness h(Ini.arg(1));
    frmMain &m = h.build();
    h.allowClose = false;
    QVERIFY(!m.close());
    QVERIFY(m.isVisible());
    h.allowClose = true;
    QVERIFY(m.close());
    QCOMPARE(h.closeRequests, 2);
}

void TestFrmMain::dummyButtonOnlyWithDebug()
{
    for (bool debug : {false, true}) {
        GuiHarness h(Ini.arg(1));
        h.zt.setupFlags().Debug = debug;
        frmMain &m = h.build();
        QPushButton *dummy = child<QPushButton>(m, QStringLiteral("cmdDummy"));
        QCOMPARE(dummy->isVisible(), debug);
        QCOMPARE(dummy->text(), QStringLiteral("dataset"));
        if (debug) {
            QTest::mouseClick(dummy, Qt::LeftButton);
            QCOMPARE(h.dummies, 1);
        }
    }
}

void TestFrmMain::keyGridByKeyboard()
{
    GuiHarness h(Ini.arg(2));
    h.zt.setCodeLists(channels(), {});
    frmMain &m = h.build();
    QApplication::setKeyboardInputInterval(60000);
    QApplication::setActiveWindow(&m);
    QVERIFY(QTest::qWaitForWindowActive(&m));
    QLineEdit *a0 = field(m, QStringLiteral("txtButtonsA(0)"));
    a0->setFocus();
    QTest::keyClick(a0, Qt::Key_Right);
    QCOMPARE(QApplication::focusWidget(), field(m, QStringLiteral("txtButtonsB(0)")));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    QCOMPARE(QApplication::focusWidget(), field(m, QStringLiteral("txtButtonsB(1)")));
    // Column D is hidden with three columns: the last column stays put.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);
    QCOMPARE(QApplication::focusWidget(), field(m, QStringLiteral("txtButtonsC(1)")));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), field(m, QStringLiteral("txtButtonsA(2)")));

    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F4);
    QVERIFY(m.chooser().isVisible());
    QTest::keyClicks(m.chooser().lstView(), QStringLiteral("Mik"));
    QTest::keyClick(m.chooser().lstView(), Qt::Key_Return);
    QVERIFY(!m.chooser().isVisible());
    QCOMPARE(fieldTag(field(m, QStringLiteral("txtButtonsA(2)"))), QStringLiteral("1"));

    // A click on the picture beside a field opens the choice for that field.
    QTest::mouseClick(child<QWidget>(m, QStringLiteral("picB(3)")), Qt::LeftButton);
    QVERIFY(m.chooser().isVisible());
    QCOMPARE(m.chooser().windowTitle(),
             QStringLiteral("Form_Choose.Caption – LabelTop02, LabelLeft04"));
    QTest::keyClick(m.chooser().lstView(), Qt::Key_Escape);
}

void TestFrmMain::pageTextsFromSettings()
{
    GuiHarness h(Ini.arg(1));
    frmMain &m = h.build();
    QCOMPARE(field(m, QStringLiteral("txtLblLeft(2)"))->text(), QStringLiteral("Nr. 3 "));
    QCOMPARE(field(m, QStringLiteral("txtLblLeft(3)"))->text(), QStringLiteral("LabelLeft04 "));
    QCOMPARE(field(m, QStringLiteral("txtLblStatus(0)"))->text(), QStringLiteral("Label01"));
    QCOMPARE(field(m, QStringLiteral("txtButtonsA(0)"))->text(), h.zt.notDefinedText());
    QCOMPARE(field(m, QStringLiteral("txtCanBusAddr"))->text(), h.zt.notDefinedText());
}

void TestFrmMain::statusBarShowsFileAndEdits()
{
    GuiHarness h(Ini.arg(2));
    h.zt.setCodeLists(channels(), {});
    frmMain &m = h.build();
    h.zt.setFiles({.appDir = h.zt.appDir(),
                   .iniFile = h.zt.iniFileName(),
                   .dataFile = h.dir.filePath(QStringLiteral("Anlage.DAT"))});
    h.zt.MarkDataClean();
    m.refreshDataState();
    QCOMPARE(child<QLabel>(m, QStringLiteral("lblDataFile"))->text(), QStringLiteral("Anlage.DAT"));
    QCOMPARE(child<QLabel>(m, QStringLiteral("lblDataFile"))->toolTip(), h.zt.dataFileName());
    QCOMPARE(child<QLabel>(m, QStringLiteral("lblModified"))->text(), QString());

    // A code chosen on the page: modified; chosen back: as loaded again.
    for (const auto &[code, modified] : {std::pair{1, true}, std::pair{0, false}}) {
        ChooseFieldCode(field(m, QStringLiteral("txtButtonsB(4)")), h.zt.channelList(), m.chooser(),
                        h.zt.notDefinedText());
        QAbstractItemView *list = m.chooser().lstView();
        for (int i = 0; i < list->model()->rowCount(); ++i) {
            const QModelIndex row = list->model()->index(i, 0);
            if (h.zt.channelList()
                    .value(row.data(Qt::UserRole).toInt(),
                           CodeEntry{h.zt.notDefinedText(), 0, true})
                    .code == code)
                list->setCurrentIndex(row);
        }
        m.chooser().cmdOk_Click();
        QCOMPARE(child<QLabel>(m, QStringLiteral("lblModified"))->text(),
                 modified ? QStringLiteral("DataModified") : QString());
    }
}

void TestFrmMain::themedDropDownPictures()
{
    for (bool themed : {false, true}) {
        GuiHarness h(Ini.arg(2));
        h.zt.setThemeActive(themed);
        frmMain &m = h.build();
        const qint64 shown = m.page02()->picture(3, 24)->icon().cacheKey();
        QCOMPARE(shown == m.picXP(0).cacheKey(), themed);
        QCOMPARE(shown == m.picXP(1).cacheKey(), !themed);
    }
}

// After the documented buttons, each with its key in the tooltip; F10 reaches the toolbar.
void TestFrmMain::keySheetButtons()
{
    GuiHarness h(Ini.arg(1));
    frmMain &m = h.build();
    QApplication::setActiveWindow(&m);
    QVERIFY(QTest::qWaitForWindowActive(&m));
    auto *bar = child<QToolBar>(m, QStringLiteral("Toolbar1"));
    const std::tuple<const char *, QKeySequence, void (frmMain::*)()> buttons[] = {
        {"KeySheetPrint", QKeySequence(Qt::CTRL | Qt::Key_P), &frmMain::keySheetPrintRequested},
        {"KeySheetPdf", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_P),
         &frmMain::keySheetPdfRequested},
        {"KeySheetCsv", QKeySequence(Qt::CTRL | Qt::Key_E), &frmMain::keySheetCsvRequested}};
    for (const auto &[name, keys, signal] : buttons) {
        auto *a = bar->findChild<QAction *>(QLatin1String(name));
        QVERIFY(a && bar->actions().indexOf(a) > bar->actions().indexOf(m.toolbarButton(15)));
        QVERIFY(!a->icon().isNull());
        QSignalSpy spy(&m, signal);
        QTest::keySequence(&m, keys);
        QCOMPARE(spy.size(), 1);
        QWidget *button = bar->widgetForAction(a);
        QHelpEvent help(QEvent::ToolTip, QPoint(2, 2), button->mapToGlobal(QPoint(2, 2)));
        QCoreApplication::sendEvent(button, &help);
        QVERIFY2(!a->toolTip().isEmpty() &&
                     QToolTip::text().endsWith(keys.toString(QKeySequence::NativeText) + u')'),
                 qPrintable(QToolTip::text()));
    }
    QTest::keyClick(&m, Qt::Key_F10);
    QCOMPARE(QApplication::focusWidget(), bar->widgetForAction(m.toolbarButton(1)));
}

// The caption, the file, the unsaved mark; boxes keep the caption alone.
void TestFrmMain::titleNamesFileAndEdits()
{
    GuiHarness h(Ini.arg(2));
    frmMain &m = h.build();
    m.setCaption(QStringLiteral("ZT DerUvav Version 1.0 Build 5"));
    h.zt.setDataFileName(h.dir.filePath(QStringLiteral("Anlage.DAT")));
    h.zt.MarkDataClean();
    m.refreshDataState();
    const QString title = QStringLiteral("ZT DerUvav Version 1.0 Build 5 \u2013 Anlage.DAT[*]");
    QCOMPARE(m.windowTitle(), title);
    QVERIFY(!m.isWindowModified());
    SetFieldCode(field(m, QStringLiteral("txtButtonsA(0)")), {}, 5, h.zt.notDefinedText());
    m.refreshDataState();
    QCOMPARE(m.windowTitle(), title);
    QVERIFY(m.isWindowModified());
    GuiOperator op(&m);
    QCOMPARE(op.mainCaption(), QStringLiteral("ZT DerUvav Version 1.0 Build 5"));
}

// One local file dropped is handed on; the open button's arrow lists the recent files.
void TestFrmMain::dropAndRecentFiles()
{
    GuiHarness h(Ini.arg(2));
    frmMain &m = h.build();
    QSignalSpy dropped(&m, &frmMain::fileDropped);
    const QString file = h.dir.filePath(QStringLiteral("site7.DAT"));
    const QList<QList<QUrl>> drags{{QUrl::fromLocalFile(file)},
                                   {QUrl(QStringLiteral("https://example.org/a.DAT"))},
                                   {QUrl::fromLocalFile(file), QUrl::fromLocalFile(file)}};
    for (const QList<QUrl> &urls : drags) {
        QMimeData mime;
        mime.setUrls(urls);
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, {});
        QCoreApplication::sendEvent(&m, &enter);
        QCOMPARE(enter.isAccepted(), urls.size() == 1 && urls[0].isLocalFile());
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, {});
        QCoreApplication::sendEvent(&m, &drop);
    }
    QCOMPARE(dropped.size(), 1);
    QCOMPARE(dropped[0][0].toString(), file);

    m.setRecentFilesSource([file] { return QStringList{file, QStringLiteral("/b.DAT")}; });
    auto *open = qobject_cast<QToolButton *>(
        child<QToolBar>(m, QStringLiteral("Toolbar1"))->widgetForAction(m.toolbarButton(1)));
    QVERIFY(open && open->menu());
    Q_EMIT open->menu()->aboutToShow();
    QCOMPARE(open->menu()->actions().size(), 2);
    QSignalSpy chosen(&m, &frmMain::recentFileChosen);
    open->menu()->actions()[1]->trigger();
    QCOMPARE(chosen.size(), 1);
    QCOMPARE(chosen[0][0].toString(), QStringLiteral("/b.DAT"));
}

void TestFrmMain::longLinkTextShortened()
{
    GuiHarness h(Ini.arg(2));
    frmMain &m = h.build();
    auto *link = child<QLabel>(m, QStringLiteral("lblLink"));
    const QString text = QStringLiteral("COM3  /dev/serial/by-id/") + QString(200, u'x') +
                         QStringLiteral("  19200 8N1  offen");
    m.setLinkText(text);
    QVERIFY(link->fontMetrics().horizontalAdvance(link->text()) <= m.width() / 2);
    QVERIFY(link->text().endsWith(QStringLiteral("offen")));
    QCOMPARE(link->toolTip(), text);
    m.setLinkText(QStringLiteral("COM1"));
    QCOMPARE(link->text(), QStringLiteral("COM1"));
    QCOMPARE(link->toolTip(), QString());
}

QTEST_MAIN(TestFrmMain)
#include "tst_frmmain.moc"
