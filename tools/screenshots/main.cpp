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
class TestScreenshots : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void pictures();
};

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
    const QDir bin(qEnvironmentVariable("ZT_BIN_DIR"));
    QFile ini(bin.filePath(QStringLiteral("zteditor.Ini")));
    QVERIFY(ini.open(QIODevice::ReadOnly));
    GuiHarness h(QString::fromUtf8(ini.readAll()));
    h.zt.Flags.ShowTabStrip_System = true;
    h.zt.NotDefinedText = h.messages.text(QStringLiteral("NotDefined"));
    QCOMPARE(ChannelDef_ReadLists(bin.filePath(QStringLiteral("zteditor.Chn")),
                                  QStringLiteral("GER"), h.zt.ChannelList, h.zt.CanBusList),
             0);
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
    ChooseFieldCode(key, h.zt.ChannelList, m.chooser(), h.zt.NotDefinedText);
    QCoreApplication::processEvents();
    QVERIFY(m.chooser().grab().save(QDir(out).filePath(QStringLiteral("choose.png"))));
    m.chooser().cmdCancel_Click();
}

QTEST_MAIN(TestScreenshots)
#include "tst_screenshots.moc"
