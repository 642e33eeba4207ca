#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QStatusBar>
#include <QTabBar>
#include <QtTest>

#include "GuiHarness.h"
#include "data/ChannelDef.h"
#include "ui/FieldEditing.h"
#include "ui/frmChoose.h"
#include "ui/frmTabStripData02.h"

// Pictures of the main window on each page and of the choice dialog, for the documentation.
// Written only when ZT_SHOT_DIR names a folder: ZT_SHOT_DIR=docs build/bin/tst_screenshots
// The same windows with the shipped texts keep their texts whole.
class TestScreenshots : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void textFits();
    void pictures();
};

namespace {
// The main window with the shipped settings texts and channel lists, every page shown.
void loadShipped(GuiHarness &h)
{
    const QDir bin(qEnvironmentVariable("ZT_BIN_DIR"));
    h.zt.Flags.ShowTabStrip_System = true;
    h.zt.NotDefinedText = h.messages.text(QStringLiteral("NotDefined"));
    QCOMPARE(ChannelDef_ReadLists(bin.filePath(QStringLiteral("zteditor.Chn")),
                                  QStringLiteral("GER"), h.zt.ChannelList, h.zt.CanBusList),
             0);
}

QString shippedIni()
{
    QFile ini(QDir(qEnvironmentVariable("ZT_BIN_DIR")).filePath(QStringLiteral("zteditor.Ini")));
    return ini.open(QIODevice::ReadOnly) ? QString::fromUtf8(ini.readAll()) : QString();
}
} // namespace

void TestScreenshots::textFits()
{
    const QString ini = shippedIni();
    QVERIFY(!ini.isEmpty());
    GuiHarness h(ini);
    loadShipped(h);
    frmMain &m = h.build();
    for (int t = 0; t < m.TabData->count(); ++t) {
        m.TabData->setCurrentIndex(t);
        QCOMPARE(clippedTexts(&m), QStringList());
    }
    QLineEdit *key = m.page02()->keyField(1, 2);
    ChooseFieldCode(key, h.zt.ChannelList, m.chooser(), h.zt.NotDefinedText);
    QCOMPARE(clippedTexts(&m.chooser()), QStringList());
    m.chooser().cmdCancel_Click();
}

void TestScreenshots::pictures()
{
    const QString out = qEnvironmentVariable("ZT_SHOT_DIR");
    if (out.isEmpty())
        QSKIP("ZT_SHOT_DIR not set");
    // ZT_SHOT_DARK=1: the same pictures under a dark desktop palette.
    if (qEnvironmentVariableIsSet("ZT_SHOT_DARK")) {
        QPalette dark;
        dark.setColor(QPalette::Window, QColor(45, 45, 48));
        dark.setColor(QPalette::WindowText, QColor(230, 230, 230));
        dark.setColor(QPalette::Base, QColor(30, 30, 32));
        dark.setColor(QPalette::Text, QColor(230, 230, 230));
        dark.setColor(QPalette::Button, QColor(55, 55, 58));
        dark.setColor(QPalette::ButtonText, QColor(230, 230, 230));
        QApplication::setPalette(dark);
    }
    GuiHarness h(shippedIni());
    loadShipped(h);
    frmMain &m = h.build();
    m.setWindowTitle(QStringLiteral("ZT Editor"));
    DataSet &d = h.zt.Data;
    d.TextStatus[0].set(QStringLiteral("ZT 4000"));
    d.TextStatus[1].set(QStringLiteral("V 2.13"));
    d.ACUVersion.set(QStringLiteral("0815"));
    d.CanBusAddr = 1;
    d.DataRecord.button(1, 1) = 1;
    d.DataRecord.button(2, 1) = 11;
    d.DataRecord.button(1, 2) = 41;
    d.DataRecord.button(3, 3) = 12;
    h.pages.DataSet_ToPages();
    // Loaded from a file, then one key changed on the page.
    h.zt.DataFileName = QStringLiteral("/home/technik/Anlage-Nord.DAT");
    h.zt.MarkDataClean();
    SetFieldCode(m.page02()->keyField(0, 3), h.zt.ChannelList, 13, h.zt.NotDefinedText);
    m.refreshDataState();
    m.StatusBar->showMessage(QStringLiteral("Bereit"));
    QDir().mkpath(out);

    const char *names[] = {"main-status.png", "main-buttons.png", "main-system.png"};
    for (int t = 0; t < 3; ++t) {
        m.TabData->setCurrentIndex(t);
        QCoreApplication::processEvents();
        QVERIFY(m.grab().save(QDir(out).filePath(QString::fromLatin1(names[t]))));
    }

    m.TabData->setCurrentIndex(1);
    QLineEdit *key = m.page02()->keyField(2, 2);
    ChooseFieldCode(key, h.zt.ChannelList, m.chooser(), h.zt.NotDefinedText,
                    QStringLiteral("Gruppe B, Nr. 3"));
    QTest::keyClicks(m.chooser().txtFilter(), QStringLiteral("laut"));
    QCoreApplication::processEvents();
    QVERIFY(m.chooser().grab().save(QDir(out).filePath(QStringLiteral("choose.png"))));
    m.chooser().cmdCancel_Click();
}

QTEST_MAIN(TestScreenshots)
#include "tst_screenshots.moc"
