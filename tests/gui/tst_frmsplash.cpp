#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QUrl>

#include "gui/app/ScreenTwips.h"
#include "gui/controls/frmSplash.h"

Q_DECLARE_METATYPE(frmSplash::VersionInfo)

// With ZT_SCREENSHOT_DIR set, the window's picture is kept there for the documentation.
static void keepPicture(QWidget *w, const char *name)
{
    const QString dir = qEnvironmentVariable("ZT_SCREENSHOT_DIR");
    if (!dir.isEmpty())
        QVERIFY(w->grab().save(dir + QLatin1Char('/') + QLatin1String(name)));
}

class TstFrmSplash : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void fillInfo_data();
    void fillInfo();
    void variant_data();
    void variant();
    void altAddsLegalNoticeUntilClosed();
    void escapeClosesAbout();
    void splashShowsVersionOnly();
    void webLink_data();
    void webLink();
    void designSizes();
};

static frmSplash::VersionInfo info(const QString &product, const QString &description = {},
                                   const QString &company = {}, const QString &comments = {})
{
    frmSplash::VersionInfo v;
    v.productName = product;
    v.major = 1;
    v.minor = 0;
    v.revision = 5;
    v.fileDescription = description;
    v.legalCopyright = QStringLiteral("Copyright X");
    v.companyName = company;
    v.comments = comments;
    return v;
}

void TstFrmSplash::fillInfo_data()
{
    QTest::addColumn<frmSplash::VersionInfo>("version");
    QTest::addColumn<bool>("extended");
    QTest::addColumn<QString>("variant");
    QTest::addColumn<QString>("expected");

    QTest::newRow("product line only")
        << info("ZT DerUvav") << false << QString() << "ZT DerUvav  V1.0.5";
    QTest::newRow("empty fields add no lines")
        << info("P", {}, "Firm") << false << QString() << "P  V1.0.5\r\nFirm";
    QTest::newRow("legal notice only when extended, after the description")
        << info("P", "Desc", "Firm") << true << QString()
        << "P  V1.0.5\r\nDesc\r\nCopyright X\r\nFirm";
    QTest::newRow("placeholders") << info("P", "a<cr>b<tab>c<cr>d") << false << QString()
                                  << "P  V1.0.5\r\na\r\nb\tc\r\nd";
    QTest::newRow("variant ZT changes nothing") << info("ZT DerUvav", "ZT editor") << false << "ZT"
                                                << "ZT DerUvav  V1.0.5\r\nZT editor";
    QTest::newRow("variant replaces every ZT once")
        << info("ZT DerUvav", "ZT editor, ZTZT") << false << "QOV ZT"
        << "QOV ZT DerUvav  V1.0.5\r\nQOV ZT editor, QOV ZTQOV ZT";
    // A variant ending in "Z" forms a new "ZT" with the text after it: no runaway.
    QTest::newRow("variant joining the next letter") << info("ZTT") << false << "XZ"
                                                     << "XZT  V1.0.5";
    QTest::newRow("backslashes of a field stay") << info("P", "\\\\srv\\share") << false << "QOV ZT"
                                                 << "P  V1.0.5\r\n\\\\srv\\share";
}

void TstFrmSplash::fillInfo()
{
    QFETCH(frmSplash::VersionInfo, version);
    QFETCH(bool, extended);
    QFETCH(QString, variant);
    QFETCH(QString, expected);
    QCOMPARE(frmSplash::FillInfo(version, extended, variant), expected);
}

void TstFrmSplash::variant_data()
{
    QTest::addColumn<QString>("productVersion");
    QTest::addColumn<int>("logo");
    QTest::addColumn<QString>("title");

    QTest::newRow("default ZT") << "ZT" << 2 << "Info zu ZT DerUvav";
    QTest::newRow("star removed") << "*QOV ZT" << 3 << "Info zu QOV ZT DerUvav";
    QTest::newRow("JIR") << "JIR ZT" << 0 << "Info zu JIR ZT DerUvav";
    QTest::newRow("VEP") << "VEP ZT" << 1 << "Info zu VEP ZT DerUvav";
    QTest::newRow("unknown keeps default logo") << "ABC" << -1 << "Info zu ABC DerUvav";
    QTest::newRow("empty changes nothing") << "" << -1 << "Info zu ZT DerUvav";
    QTest::newRow("compared exactly") << "qov zt" << -1 << "Info zu qov zt DerUvav";
}

void TstFrmSplash::variant()
{
    QFETCH(QString, productVersion);
    QFETCH(int, logo);
    QFETCH(QString, title);
    frmSplash w(productVersion);
    w.IsSplash = false;
    w.Form_Load();
    QCOMPARE(w.logoIndex(), logo);
    QCOMPARE(w.windowTitle(), title);
    // A second load does not put the variant in front again.
    w.Form_Load();
    QCOMPARE(w.windowTitle(), title);
}

void TstFrmSplash::altAddsLegalNoticeUntilClosed()
{
    frmSplash w(QStringLiteral("ZT"));
    const QString notice = frmSplash::programVersion().legalCopyright;
    QVERIFY(!notice.isEmpty());
    w.setFolderLine(QStringLiteral("Ordner: /srv/ZT/site7")); // the instance folder, last
    w.IsSplash = false;
    w.Form_Load();
    w.open();
    auto *txtInfo = w.findChild<QPlainTextEdit *>(QStringLiteral("txtInfo"));
    QVERIFY(txtInfo);
    QVERIFY(!txtInfo->toPlainText().contains(notice));
    QVERIFY(txtInfo->toPlainText().endsWith(QStringLiteral("\nOrdner: /srv/ZT/site7")));
    QTest::keyPress(&w, Qt::Key_Alt);
    QVERIFY(txtInfo->toPlainText().contains(notice));
    QVERIFY(txtInfo->toPlainText().endsWith(QStringLiteral("\nOrdner: /srv/ZT/site7")));

    QTest::mouseClick(w.findChild<QPushButton *>(QStringLiteral("cmdOk")), Qt::LeftButton);
    QVERIFY(!w.isVisible());
    w.Form_Load();
    w.open();
    QVERIFY(!txtInfo->toPlainText().contains(notice));
    w.close();
}

void TstFrmSplash::escapeClosesAbout()
{
    frmSplash w(QStringLiteral("ZT"));
    w.IsSplash = false;
    w.Form_Load();
    w.open();
    QVERIFY(w.isVisible());
    QTest::keyClick(&w, Qt::Key_Escape);
    QVERIFY(!w.isVisible());
}

void TstFrmSplash::splashShowsVersionOnly()
{
    frmSplash w(QStringLiteral("QOV ZT"));
    w.showSplash();
    auto *picLogo = w.findChild<QWidget *>(QStringLiteral("picLogo"));
    QCOMPARE(w.size(), picLogo->size());
    QCOMPARE(picLogo->pos(), QPoint(0, 0));
    QCOMPARE(w.findChild<QLabel *>(QStringLiteral("lblInfo1"))->text(), QStringLiteral("V%1.%2.%3")
                                                                            .arg(ZT_VERSION_MAJOR)
                                                                            .arg(ZT_VERSION_MINOR)
                                                                            .arg(ZT_VERSION_PATCH));
    QCOMPARE(w.findChild<QLabel *>(QStringLiteral("lblInfo2"))->text(),
             QStringLiteral("Initialization..."));
    QVERIFY(!w.findChild<QPushButton *>(QStringLiteral("cmdOk"))->isVisible());
    QVERIFY(!w.findChild<QPlainTextEdit *>(QStringLiteral("txtInfo"))->isVisible());
    w.hide();
}

void TstFrmSplash::webLink_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("opened");
    QTest::newRow("https") << frmSplash::WebAddress << true;
    QTest::newRow("http upper case") << "HTTP://example.com/x" << true;
    QTest::newRow("file") << "file:///etc/passwd" << false;
    QTest::newRow("program") << "/usr/bin/xterm" << false;
    QTest::newRow("javascript") << "javascript:alert(1)" << false;
    QTest::newRow("no host") << "https://" << false;
}

void TstFrmSplash::webLink()
{
    QFETCH(QString, address);
    QFETCH(bool, opened);
    QCOMPARE(frmSplash::isWebLink(QUrl(address)), opened);
}

void TstFrmSplash::designSizes()
{
    frmSplash w(QStringLiteral("ZT"));
    w.showSplash();
    QCOMPARE(w.size(), QSize(ScreenTwips::px(4245), ScreenTwips::px(4245)));
    keepPicture(&w, "splash.png");
    w.hide();
    w.IsSplash = false;
    w.Form_Load();
    w.open();
    // The design size, grown downwards as far as the information text needs to show whole.
    QCOMPARE(w.width(), ScreenTwips::px(4500));
    QVERIFY(w.height() >= ScreenTwips::px(6060));
    auto *info = w.findChild<QPlainTextEdit *>(QStringLiteral("txtInfo"));
    QCoreApplication::processEvents();
    QCOMPARE(info->verticalScrollBar()->maximum(), 0);
    QCOMPARE(w.findChild<QWidget *>(QStringLiteral("picLogo"))->geometry(),
             QRect(ScreenTwips::px(120), ScreenTwips::px(120), ScreenTwips::px(4245),
                   ScreenTwips::px(4245)));
    keepPicture(&w, "about.png");
    w.close();
}

QTEST_MAIN(TstFrmSplash)
#include "tst_frmsplash.moc"
