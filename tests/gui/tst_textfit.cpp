#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QStatusBar>
#include <QTabBar>
#include <QtTest>

#include "GuiHarness.h"
#include "data/ChannelDef.h"
#include "gui/ui/FieldEditing.h"
#include "gui/ui/frmChoose.h"
#include "gui/ui/frmTabStripData02.h"

// The main window on each page and the choice dialog, with the shipped texts, keep their
// texts whole and readable: on the desktop's palette, on a dark one, and under a style whose
// group-box titles take more room than the design leaves them.
class TestTextFit : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void textFits_data();
    void textFits();
};

namespace {
// The main window with the shipped settings texts and channel lists, every page shown.
void loadShipped(GuiHarness &h)
{
    const QDir bin(qEnvironmentVariable("ZT_BIN_DIR"));
    h.zt.setupFlags().ShowTabStrip_System = true;
    h.zt.setNotDefinedText(h.messages.text(QStringLiteral("NotDefined")));
    CodeList channels, canBus;
    QCOMPARE(ChannelDef_ReadLists(bin.filePath(QStringLiteral("zteditor.Chn")),
                                  QStringLiteral("GER"), channels, canBus),
             0);
    h.zt.setCodeLists(std::move(channels), std::move(canBus));
}

QPalette darkPalette()
{
    QPalette pal(QColor(53, 53, 53), QColor(35, 35, 35));
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        pal.setColor(role, QColor(230, 230, 230));
    return pal;
}

QString shippedIni()
{
    QFile ini(QDir(qEnvironmentVariable("ZT_BIN_DIR")).filePath(QStringLiteral("zteditor.Ini")));
    return ini.open(QIODevice::ReadOnly) ? QString::fromUtf8(ini.readAll()) : QString();
}
} // namespace

void TestTextFit::textFits_data()
{
    QTest::addColumn<QPalette>("palette");
    QTest::addColumn<bool>("roomyTitles");
    QTest::newRow("desktop palette") << QApplication::palette() << false;
    QTest::newRow("dark palette") << darkPalette() << false;
    QTest::newRow("roomy titles") << QApplication::palette() << true;
}

void TestTextFit::textFits()
{
    QFETCH(QPalette, palette);
    QFETCH(bool, roomyTitles);
    const QString style = QApplication::style()->name();
    const QPalette desktop = QApplication::palette();
    if (roomyTitles)
        QApplication::setStyle(new RoomyTitles(style));
    QApplication::setPalette(palette);
    const auto restore = qScopeGuard([&] {
        QApplication::setStyle(style);
        QApplication::setPalette(desktop);
    });
    const QString ini = shippedIni();
    QVERIFY(!ini.isEmpty());
    GuiHarness h(ini);
    loadShipped(h);
    frmMain &m = h.build();
    auto *tabs = m.findChild<QTabBar *>(QStringLiteral("TabData"));
    for (int t = 0; t < tabs->count(); ++t) {
        tabs->setCurrentIndex(t);
        QCOMPARE(clippedTexts(&m), QStringList());
        QCOMPARE(unreadableTexts(&m), QStringList());
    }
    QLineEdit *key = m.page02()->keyField(1, 2);
    ChooseFieldCode(key, h.zt.channelList(), m.chooser(), h.zt.notDefinedText());
    QCOMPARE(clippedTexts(&m.chooser()), QStringList());
    QCOMPARE(unreadableTexts(&m.chooser()), QStringList());
    m.chooser().cmdCancel_Click();
}

QTEST_MAIN(TestTextFit)
#include "tst_textfit.moc"
