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

// The main window on each page and the choice dialog, with the shipped texts, keep their
// texts whole.
class TestTextFit : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void textFits();
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

void TestTextFit::textFits()
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

QTEST_MAIN(TestTextFit)
#include "tst_textfit.moc"
