#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>

#include "common/Twips.h"
#include "linktools/frmCommDebug.h"
#include "settings/INITools.h"

// With ZT_SCREENSHOT_DIR set, the window's picture is kept there for the documentation.
static void keepPicture(QWidget *w, const char *name)
{
    const QString dir = qEnvironmentVariable("ZT_SCREENSHOT_DIR");
    if (!dir.isEmpty())
        QVERIFY(w->grab().save(dir + QLatin1Char('/') + QLatin1String(name)));
}

class TstFrmCommDebug : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cells_data();
    void cells();
    void runsJoin_data();
    void runsJoin();
    void f12Clears();
    void rawBytesShown();
    void cap_data();
    void cap();
    void capKeepsShowingTraffic();
    void positionSaved();
    void openedAtDesignSize();

private:
    QTemporaryDir m_dir;
    QString m_ini;
};

void TstFrmCommDebug::init()
{
    m_ini = m_dir.filePath(QStringLiteral("zteditor.Ini"));
}

void TstFrmCommDebug::cells_data()
{
    QTest::addColumn<QString>("txt");
    QTest::addColumn<bool>("validData");
    QTest::addColumn<QString>("hexRun");
    QTest::addColumn<QString>("charRun");
    QTest::newRow("hex pair") << "4142" << true << "41 | 42 | "
                              << "A  | B  | ";
    QTest::newRow("lower-case digit is a marker") << "4a" << true << "4-61-| "
                                                  << "-61-| ";
    QTest::newRow("pair straddles a marker") << "4x1" << true << "4-78-| 1 | "
                                             << "-78-| A  | ";
    QTest::newRow("unprintable") << "0D7F80" << true << "0D | 7F | 80 | "
                                 << "   | \x7f  |    | ";
    QTest::newRow("raw bytes") << "AB" << false << "-41-|-42-| "
                               << " A  | B  | ";
    QTest::newRow("raw CR") << "\r" << false << "-0D-| "
                            << "    | ";
    QTest::newRow("empty") << "" << true << ""
                           << "";
}

void TstFrmCommDebug::cells()
{
    QFETCH(QString, txt);
    QFETCH(bool, validData);
    QFETCH(QString, hexRun);
    QFETCH(QString, charRun);
    QString h, c;
    frmCommDebug::cells(txt, validData, h, c);
    QCOMPARE(h, hexRun);
    QCOMPARE(c, charRun);
}

void TstFrmCommDebug::runsJoin_data()
{
    QTest::addColumn<QStringList>("calls"); // "h:" hex text, "r:" raw
    QTest::addColumn<QString>("hex");
    QTest::addColumn<QString>("chars");
    QTest::newRow("raw in two calls") << QStringList{"r:AB", "r:C"} << "|-41-|-42-|-43-| "
                                      << "| A  | B  | C  | ";
    QTest::newRow("hex into empty boxes") << QStringList{"h:4142"} << "|41 | 42 | "
                                          << "|A  | B  | ";
    QTest::newRow("hex then raw") << QStringList{"h:41", "r:B"} << "|41 |-42-| "
                                  << "|A  | B  | ";
}

void TstFrmCommDebug::runsJoin()
{
    QFETCH(QStringList, calls);
    QFETCH(QString, hex);
    QFETCH(QString, chars);
    frmCommDebug w(m_ini);
    for (const QString &call : calls)
        w.DebugAusgabe(call.mid(2), call.startsWith(QLatin1String("h:")));
    QCOMPARE(w.txtHex()->toPlainText(), hex);
    QCOMPARE(w.txtAscii()->toPlainText(), chars);
}

void TstFrmCommDebug::f12Clears()
{
    frmCommDebug w(m_ini);
    w.show();
    w.DebugAusgabe(QStringLiteral("4142"), true);
    QTest::keyClick(w.txtAscii(), Qt::Key_F12);
    QCOMPARE(w.txtHex()->toPlainText(), QString());
    QCOMPARE(w.txtAscii()->toPlainText(), QString());
    w.DebugAusgabe(QStringLiteral("43"), true);
    QCOMPARE(w.txtHex()->toPlainText(), QStringLiteral("|43 | "));
    QCOMPARE(w.txtAscii()->toPlainText(), QStringLiteral("|C  | "));
    w.hide();
}

void TstFrmCommDebug::rawBytesShown()
{
    frmCommDebug w(m_ini);
    w.showBytes(QByteArray("\x85\x30\x0d", 3));
    QCOMPARE(w.txtHex()->toPlainText(), QStringLiteral("|-85-|-30-|-0D-| "));
    QCOMPARE(w.txtAscii()->toPlainText(), QStringLiteral("|    | 0  |    | "));
}

void TstFrmCommDebug::cap_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("txt");
    QTest::addColumn<QString>("expected");
    const QString full = QStringLiteral("|") + QString(20474, QLatin1Char('x'));
    QTest::newRow("exactly at the cap") << full << "ab | " << full + "ab | ";
    QTest::newRow("below the cap") << "|41 | "
                                   << "42 | "
                                   << "|41 | 42 | ";
    const QString lines = QStringLiteral("aaaa\r\n") + QString(20470, QLatin1Char('b'));
    QTest::newRow("line break before the excess")
        << lines << "0123456789" << QString(20470, QLatin1Char('b')) + "0123456789";
}

void TstFrmCommDebug::cap()
{
    QFETCH(QString, box);
    QFETCH(QString, txt);
    QFETCH(QString, expected);
    QCOMPARE(frmCommDebug::capped(box, txt), expected);
}

void TstFrmCommDebug::capKeepsShowingTraffic()
{
    frmCommDebug w(m_ini);
    const QByteArray chunk(400, 'U');
    for (int i = 0; i < 60; ++i) // far beyond the cap
        w.showBytes(chunk);
    const QString hex = w.txtHex()->toPlainText();
    const QString chars = w.txtAscii()->toPlainText();
    QVERIFY2(hex.size() <= frmCommDebug::TextCap + 3000, qPrintable(QString::number(hex.size())));
    QVERIFY(hex.startsWith(QLatin1String("|-55-|")));
    QVERIFY(chars.startsWith(QLatin1String("| U  |")));
    QVERIFY(hex.endsWith(QLatin1String("-55-| ")));
    // Cells stay aligned: both boxes are cut at the same cell boundary.
    QCOMPARE(hex.size(), chars.size());
}

void TstFrmCommDebug::positionSaved()
{
    {
        frmCommDebug w(m_ini);
        w.show();
        w.move(150, 90);
        w.resize(640, 400);
        w.close();
    }
    QCOMPARE(INI_ReadValue(m_ini, QStringLiteral("Screen"), QStringLiteral("Comm_Debug_Coord_W"),
                           QString())
                 .trimmed(),
             QStringLiteral("9600"));
    QCOMPARE(INI_ReadValue(m_ini, QStringLiteral("Screen"), QStringLiteral("Comm_Debug_Coord_H"),
                           QString())
                 .trimmed(),
             QStringLiteral("6000"));
    frmCommDebug again(m_ini);
    QCOMPARE(again.size(), QSize(640, 400));
}

void TstFrmCommDebug::openedAtDesignSize()
{
    // Nothing stored: design size, centred.
    frmCommDebug w(m_dir.filePath(QStringLiteral("empty.Ini")));
    QCOMPARE(w.size(), QSize(Twips::toPixels(8000), Twips::toPixels(6000)));
    w.show();
    w.showBytes(QByteArray::fromHex("8530303031303030320D"));
    w.DebugAusgabe(QStringLiteral("86414243"), true);
    w.showBytes(QByteArray("\x86"
                           "0F3A\r",
                           6));
    QCOMPARE(w.txtHex()->height(), w.height() / 2);
    QCOMPARE(w.txtAscii()->y(), w.txtHex()->height());
    keepPicture(&w, "comm-debug.png");
}

QTEST_MAIN(TstFrmCommDebug)
#include "tst_frmcommdebug.moc"
