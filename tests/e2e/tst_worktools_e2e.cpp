// The editor's day-long tools on the real main window and a simulated device: undo and redo
// of every kind of edit, compare with a file and with the device, find on the pages.
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include "DevSim.h"
#include "FakeOperator.h"
#include "app/CoreContext.h"
#include "data/DataFile.h"
#include "gui/app/GuiPageBridge.h"
#include "gui/ui/CompareDock.h"
#include "gui/ui/FindBar.h"
#include "gui/ui/frmChoose.h"
#include "gui/ui/frmMain.h"
#include "gui/ui/frmTabStripData02.h"
#include "gui/ui/frmTabStripData09.h"
#include "link/QtSerialComm.h"

namespace {

// Two groups of three keys are shown and exchanged; the rest stay hidden.
constexpr int Cols = 2;
constexpr int Rows = 3;

struct Rig : MainWindowClose {
    QTemporaryDir dir;
    QString ini = dir.filePath(QStringLiteral("zteditor.Ini"));
    FakeOperator op;
    GuiPageBridge pages;
    QtSerialComm port{ini};
    CoreContext core{op, pages, port, dir.path(), QStringLiteral("zteditor"), ini};
    ZtTools &zt = core.zt;
    DevSim sim;
    std::unique_ptr<frmMain> main;

    bool mayClose() override { return true; }

    // A data file with codes[g][r] of the first keys (the rest 0) and hidden keys as given.
    QString dataFile(const QString &name, const QList<QList<qint16>> &codes, qint16 hidden = 0)
    {
        ButtonRecord r;
        r.Version.set(QStringLiteral("1.0"));
        for (auto &group : r.Buttons)
            group.fill(hidden);
        for (int g = 0; g < codes.size(); ++g)
            for (int k = 0; k < codes[g].size(); ++k)
                r.Buttons[g][k] = codes[g][k];
        const QString path = dir.filePath(name);
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(DataFile::encode(r));
        return path;
    }

    // The pages show file A; the device has deviceData (all 0 without).
    bool start(const QStringList &simArgs = {})
    {
        if (!sim.start(QStringList{QStringLiteral("--cols"), QString::number(Cols),
                                   QStringLiteral("--rows"), QString::number(Rows)} +
                       simArgs))
            return false;
        if (!DevSim::writeSettings(
                ini, "[Comm]\r\nPort=1\r\nSettings=19200,N,8,1\r\nTimeOut=2\r\nTimerInterval=20\r\n"
                     "ShowCancelDialog=no\r\n[Ports]\r\nCOM1=" +
                         sim.link().toLocal8Bit() + "\r\n"))
            return false;
        core.messages.setLanguage(QStringLiteral("ENG"));
        ProgramFlags &flags = zt.setupFlags();
        flags.ShowMsgBox = false;
        flags.CountKeyCols = Cols;
        flags.CountKeyRows = Rows;
        flags.Language = QStringLiteral("ENG");
        flags.LoadAtStartup_Default = dataFile(QStringLiteral("A.DAT"), {{1, 2, 3}, {4, 0, 5}});
        zt.setNotDefinedText(QStringLiteral("not assigned"));
        CodeList channels;
        for (int c = 1; c <= 9; ++c)
            channels.append({QStringLiteral("Speaker %1 Hall").arg(c), c, true});
        zt.setCodeLists(channels,
                        {{QStringLiteral("Node 1"), 1, true}, {QStringLiteral("Node 2"), 2, true}});
        main = std::make_unique<frmMain>(zt, *this);
        pages.attach(zt, *main);
        main->setComparison(core.compare);
        main->show();
        if (!QTest::qWaitForWindowActive(main.get()))
            return false;
        zt.DataReset(true, true, false);
        zt.setProgramStarted(true);
        zt.history().start();
        return core.comm.Comm_LoadSettings(port) == 0 && core.comm.Comm_OpenPort();
    }

    KeyCodes keys() { return zt.history().pagesNow().buttons; }
    QLineEdit *field(int g, int r) { return main->page02()->keyField(g - 1, r - 1); }
    QString modified() { return main->findChild<QLabel *>(QStringLiteral("lblModified"))->text(); }
    void keys(const QKeySequence &sequence) { QTest::keySequence(main.get(), sequence); }

    // Picks the entry labelled label in the choose dialog the field opens.
    void choose(QLineEdit *field, const QString &label)
    {
        QTest::mouseClick(field, Qt::LeftButton);
        pick(label);
    }
    void pick(const QString &label)
    {
        frmChoose &chooser = main->chooser();
        QTRY_VERIFY(chooser.isVisible());
        const QAbstractItemModel *list = chooser.lstView()->model();
        const auto rows =
            list->match(list->index(0, 0), Qt::DisplayRole, label, 1, Qt::MatchContains);
        QVERIFY(!rows.isEmpty());
        chooser.lstView()->setCurrentIndex(rows.front());
        chooser.cmdOk_Click();
    }
};

QStringList marked(Rig &rig)
{
    QStringList keys;
    for (int g = 1; g <= 4; ++g)
        for (int r = 1; r <= 25; ++r)
            if (rig.field(g, r)->property("ztDiffers").toBool())
                keys << QStringLiteral("%1 %2").arg(QLatin1Char(char('A' + g - 1))).arg(r);
    return keys;
}

// The list as ztcfg diff prints it: "GROUP ROW: this -> other".
QStringList listed(Rig &rig)
{
    QStringList lines;
    QTreeWidget *list = rig.main->compareDock()->lstDifferences();
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *item = list->topLevelItem(i);
        lines << QStringLiteral("%1 %2: %3 -> %4")
                     .arg(item->text(0), item->text(1), item->text(2).section(u' ', 0, 0),
                          item->text(3).section(u' ', 0, 0));
    }
    return lines;
}

} // namespace

class tst_WorkTools : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void undoRedo_data();
    void undoRedo();
    void compare_data();
    void compare();
    void deviceSilent();
    void find();
};

enum Edit { Code, CanBus, AcuTyped, Reset, Load, Requested, Unasked };

void tst_WorkTools::undoRedo_data()
{
    QTest::addColumn<int>("edit");
    // System values count until sent, codes from the device until saved to a file.
    QTest::addColumn<bool>("modifiedAfter");
    QTest::addColumn<bool>("modifiedUndone");
    QTest::newRow("chosen code") << int(Code) << true << false;
    QTest::newRow("chosen CAN address") << int(CanBus) << true << false;
    QTest::newRow("typed ACU version") << int(AcuTyped) << true << false;
    QTest::newRow("editor reset after a code") << int(Reset) << false << true;
    QTest::newRow("loaded file") << int(Load) << false << true;
    QTest::newRow("requested data block") << int(Requested) << true << false;
    QTest::newRow("data block sent unasked") << int(Unasked) << true << false;
}

void tst_WorkTools::undoRedo()
{
    QFETCH(int, edit);
    QFETCH(bool, modifiedAfter);
    QFETCH(bool, modifiedUndone);
    Rig rig;
    const QString device = rig.dataFile(QStringLiteral("D.DAT"), {{7, 7, 7}, {8, 8, 8}});
    QVERIFY(rig.start({QStringLiteral("--data"), device}));
    if (edit == Reset)
        rig.choose(rig.field(2, 2), QStringLiteral("Speaker 9"));
    const PageState before = rig.zt.history().pagesNow();
    switch (edit) {
    case Code:
        rig.choose(rig.field(1, 3), QStringLiteral("Speaker 6"));
        break;
    case CanBus:
        QTest::keyClick(rig.main->page09()->canBusAddrField(), Qt::Key_F4);
        rig.pick(QStringLiteral("Node 2"));
        break;
    case AcuTyped:
        QTest::keyClicks(rig.main->page09()->acuVersionField(), QStringLiteral("42"));
        rig.zt.FocusTabStrip();
        break;
    case Reset:
        rig.core.menu.Interpret_MenuCommand(MenuCommand::EditorReset);
        break;
    case Load:
        rig.op.dialogNames << rig.dataFile(QStringLiteral("B.DAT"), {{9, 9}});
        rig.core.menu.Interpret_MenuCommand(MenuCommand::LoadData);
        break;
    case Requested:
        rig.core.menu.Interpret_MenuCommand(MenuCommand::ReceiveData);
        QTRY_VERIFY(rig.keys() != before.buttons);
        break;
    case Unasked:
        rig.sim.command("send-data");
        QTRY_VERIFY(rig.keys() != before.buttons);
        break;
    }
    const PageState after = rig.zt.history().pagesNow();
    QVERIFY(after != before);
    QCOMPARE(rig.zt.history().stack().count(), edit == Reset ? 2 : 1);
    QCOMPARE(!rig.modified().isEmpty(), modifiedAfter);

    rig.keys(QKeySequence(Qt::CTRL | Qt::Key_Z));
    QVERIFY(rig.zt.history().pagesNow() == before);
    QCOMPARE(!rig.modified().isEmpty(), modifiedUndone);
    rig.keys(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z));
    QVERIFY(rig.zt.history().pagesNow() == after);
    QCOMPARE(!rig.modified().isEmpty(), modifiedAfter);
    rig.keys(QKeySequence(Qt::CTRL | Qt::Key_Z));
    rig.keys(QKeySequence(Qt::CTRL | Qt::Key_Y));
    QVERIFY(rig.zt.history().pagesNow() == after);
}

void tst_WorkTools::compare_data()
{
    QTest::addColumn<bool>("withDevice");
    QTest::addColumn<bool>("loading"); // SaveLoadEnabled
    QTest::newRow("file") << false << true;
    QTest::newRow("device") << true << true;
    QTest::newRow("file, loading switched off") << false << false;
    QTest::newRow("device, loading switched off") << true << false;
    QTest::newRow("device, after a block sent unasked") << true << true;
}

// A differs from B in keys A 1, A 3, B 2 of those shown; the hidden keys are equal.
void tst_WorkTools::compare()
{
    QFETCH(bool, withDevice);
    QFETCH(bool, loading);
    Rig rig;
    const QString b = rig.dataFile(QStringLiteral("B.DAT"), {{9, 2, 0}, {4, 6, 5}});
    rig.zt.setupFlags().SaveLoadEnabled = loading;
    QVERIFY(rig.start({QStringLiteral("--data"), b}));
    const KeyCodes before = rig.keys();
    // Without loading there is no compare with a file, neither by button nor by key.
    QCOMPARE(rig.main->compareButton(false)->isVisible(), loading);
    if (!loading && !withDevice) {
        rig.op.dialogNames << b;
        rig.keys(rig.main->compareButton(false)->shortcut());
        QCOMPARE(rig.op.dialogNames.size(), 1); // no file asked for
        QVERIFY(!rig.main->compareDock()->isVisible());
        return;
    }
    if (QByteArray(QTest::currentDataTag()).endsWith("unasked")) {
        // The block is on the line, not yet read, as the compare starts: it replaces the
        // pages as always, and the compare's answer then equals them.
        rig.sim.command("send-data");
        QVERIFY(rig.sim.waitFor("out 85"));
        rig.main->compareButton(true)->trigger();
        QVERIFY(rig.keys() != before);
        QCOMPARE(rig.zt.history().stack().count(), 1);
        QVERIFY(rig.main->compareDock()->isVisible());
        QCOMPARE(marked(rig), QStringList());
        return;
    }
    if (withDevice) {
        rig.main->compareButton(true)->trigger();
        QVERIFY(rig.sim.waitFor(" in  86")); // the block was acknowledged
    } else {
        rig.op.dialogNames << b;
        rig.main->compareButton(false)->trigger();
    }
    QVERIFY(rig.main->compareDock()->isVisible());
    QCOMPARE(rig.keys(), before); // only a take-over changes the pages
    QCOMPARE(marked(rig), QStringList({"A 1", "A 3", "B 2"}));

    // The same list as ztcfg diff of the two files.
    QProcess ztcfg;
    ztcfg.start(DevSim::binDir() + QStringLiteral("/ztcfg"),
                {QStringLiteral("diff"), rig.zt.flags().LoadAtStartup_Default, b});
    QVERIFY(ztcfg.waitForFinished(30000));
    QCOMPARE(listed(rig),
             QString::fromUtf8(ztcfg.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts));

    // One taken over, undone, then all.
    QTreeWidget *list = rig.main->compareDock()->lstDifferences();
    list->topLevelItem(1)->setSelected(true);
    rig.main->compareDock()->cmdTakeOver()->click();
    QCOMPARE(rig.field(1, 3)->property("Tag").toString(), QStringLiteral(""));
    QCOMPARE(marked(rig), QStringList({"A 1", "B 2"}));
    QCOMPARE(list->topLevelItemCount(), 2);
    rig.keys(QKeySequence::Undo);
    QCOMPARE(rig.keys(), before);
    QCOMPARE(marked(rig), QStringList({"A 1", "A 3", "B 2"}));
    rig.main->compareDock()->cmdTakeOverAll()->click();
    QCOMPARE(marked(rig), QStringList());
    QCOMPARE(rig.field(1, 1)->property("Tag").toString(), QStringLiteral("9"));
    QCOMPARE(rig.zt.history().stack().count(), 1);
}

// A device that does not answer: the link's message, no marks, no list.
void tst_WorkTools::deviceSilent()
{
    Rig rig;
    QVERIFY(rig.start({QStringLiteral("--no-answer"), QStringLiteral("84")}));
    rig.main->compareButton(true)->trigger();
    QVERIFY(!rig.main->compareDock()->isVisible());
    QCOMPARE(marked(rig), QStringList());
    QVERIFY(!rig.op.status.trimmed().isEmpty());
}

void tst_WorkTools::find()
{
    Rig rig;
    QVERIFY(rig.start());
    FindBar *bar = rig.main->findBar();
    rig.keys(QKeySequence::Find);
    QVERIFY(bar->isVisible());
    QTRY_COMPARE(QApplication::focusWidget(), bar->txtFind());
    const auto at = [&] {
        return QStringLiteral("%1 %2").arg(bar->current().group).arg(bar->current().row);
    };
    // Codes 1..5 on A 1..3, B 1 and B 3; "hall" is in every label, found row by row.
    QTest::keyClicks(bar->txtFind(), QStringLiteral("hALL"));
    QCOMPARE(at(), QStringLiteral("1 1"));
    QVERIFY(rig.field(1, 1)->property("ztFound").toBool());
    QTest::keyClick(bar->txtFind(), Qt::Key_Return);
    QCOMPARE(at(), QStringLiteral("2 1"));
    rig.keys(QKeySequence(Qt::Key_F3));
    QCOMPARE(at(), QStringLiteral("1 2"));
    rig.keys(QKeySequence(Qt::SHIFT | Qt::Key_F3));
    rig.keys(QKeySequence(Qt::SHIFT | Qt::Key_F3));
    QCOMPARE(at(), QStringLiteral("1 1"));
    QVERIFY(!rig.field(2, 1)->property("ztFound").toBool());
    bar->txtFind()->clear();
    QTest::keyClicks(bar->txtFind(), QStringLiteral("5"));
    QCOMPARE(at(), QStringLiteral("2 3"));
    // The keys found follow the pages: an edit adds A 1, its undo takes it away again.
    rig.choose(rig.field(1, 1), QStringLiteral("Speaker 5 Hall"));
    rig.keys(QKeySequence(Qt::Key_F3));
    QCOMPARE(at(), QStringLiteral("1 1"));
    rig.keys(QKeySequence::Undo);
    rig.keys(QKeySequence(Qt::Key_F3));
    rig.keys(QKeySequence(Qt::Key_F3));
    QCOMPARE(at(), QStringLiteral("2 3"));
    QTest::keyClick(bar->txtFind(), Qt::Key_Escape);
    QVERIFY(!bar->isVisible());

    // In the choose dialog, Ctrl+F goes to its filter.
    QTest::mouseClick(rig.field(1, 1), Qt::LeftButton);
    QVERIFY(QTest::qWaitForWindowActive(&rig.main->chooser()));
    QTest::keySequence(rig.main->chooser().lstView(), QKeySequence::Find);
    QTRY_COMPARE(QApplication::focusWidget(), rig.main->chooser().txtFilter());
    rig.main->chooser().cmdCancel_Click();
}

QTEST_MAIN(tst_WorkTools)
#include "tst_worktools_e2e.moc"
