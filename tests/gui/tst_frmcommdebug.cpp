#include <QAction>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include "gui/app/ScreenTwips.h"
#include "gui/linktools/frmCommDebug.h"
#include "settings/INITools.h"
#include "settings/Messages.h"

// Box text with every time of day as "T".
static QString timeless(const QString &text)
{
    static const QRegularExpression time(QStringLiteral("\\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\d"));
    return QString(text).replace(time, QStringLiteral("T"));
}

static void feed(frmCommDebug &w, const QStringList &chunks) // "TX:" or "RX:" + hex
{
    for (const QString &chunk : chunks) {
        const QByteArray bytes = QByteArray::fromHex(chunk.mid(3).toLatin1());
        if (chunk.startsWith(QLatin1String("TX:")))
            w.showSent(bytes);
        else
            w.showReceived(bytes);
    }
}

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
    void traffic_data();
    void traffic();
    void cap_data();
    void cap();
    void floodStaysBounded();
    void pauseHoldsTheView();
    void f12OpensAndClosesBesideItsOwner();
    void positionSaved();
    void openedAtDesignSize();

private:
    QTemporaryDir m_dir;
    QString m_ini;
    Messages m_msgs;
};

void TstFrmCommDebug::init()
{
    m_ini = m_dir.filePath(QStringLiteral("zteditor.Ini"));
    QFile ini(m_ini);
    QVERIFY(ini.open(QIODevice::WriteOnly));
    ini.write("[Messages_ENG]\nCommDebug_Skipped=... & bytes not shown\n");
    ini.close();
    m_msgs = Messages(m_ini);
    m_msgs.setLanguage(QStringLiteral("ENG"));
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
    frmCommDebug w(m_ini, m_msgs);
    // Writing lets no window events run: the port's notifications must never wait on it.
    bool eventsRan = false;
    QTimer::singleShot(0, [&] { eventsRan = true; });
    for (const QString &call : calls)
        w.DebugAusgabe(call.mid(2), call.startsWith(QLatin1String("h:")));
    QVERIFY(!eventsRan);
    QCOMPARE(w.txtHex()->toPlainText(), hex);
    QCOMPARE(w.txtAscii()->toPlainText(), chars);
}

void TstFrmCommDebug::f12Clears()
{
    frmCommDebug w(m_ini, m_msgs);
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

void TstFrmCommDebug::traffic_data()
{
    QTest::addColumn<QStringList>("chunks");
    QTest::addColumn<QString>("hex");
    QTest::addColumn<QString>("chars");
    QTest::newRow("a line a chunk, with direction and time")
        << QStringList{"TX:800D", "RX:85300D"} << "TX T |-80-|-0D-| \nRX T |-85-|-30-|-0D-| "
        << "TX T |    |    | \nRX T |    | 0  |    | ";
    QTest::newRow("chunks coalesced into one update stay apart")
        << QStringList{"RX:41", "RX:42", "TX:7F"} << "RX T |-41-| \nRX T |-42-| \nTX T |-7F-| "
        << "RX T | A  | \nRX T | B  | \nTX T | \x7f  | ";
}

void TstFrmCommDebug::traffic()
{
    QFETCH(QStringList, chunks);
    QFETCH(QString, hex);
    QFETCH(QString, chars);
    frmCommDebug w(m_ini, m_msgs);
    w.show();
    feed(w, chunks);
    // The port's notification only queues; the boxes follow on the next update.
    QCOMPARE(w.txtHex()->toPlainText(), QString());
    QTRY_VERIFY(!w.txtHex()->toPlainText().isEmpty());
    QCOMPARE(timeless(w.txtHex()->toPlainText()), hex);
    QCOMPARE(timeless(w.txtAscii()->toPlainText()), chars);

    const QString saved = m_dir.filePath(QStringLiteral("traffic.txt"));
    QVERIFY(w.saveTo(saved));
    QFile file(saved);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QStringList lines =
        timeless(QString::fromUtf8(file.readAll())).split(QStringLiteral("\r\n"));
    QCOMPARE(lines.size(), 2 * chunks.size() + 1);
    for (qsizetype i = 0; i < chunks.size(); ++i) {
        QCOMPARE(lines[2 * i], hex.split(QLatin1Char('\n'))[i]);
        QCOMPARE(lines[2 * i + 1], chars.split(QLatin1Char('\n'))[i]);
    }
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

void TstFrmCommDebug::floodStaysBounded()
{
    frmCommDebug w(m_ini, m_msgs);
    w.show();
    const QByteArray chunk(512, 'U');
    const qint64 total = 20000 * chunk.size(); // 10 MB before the next update
    for (int i = 0; i < 20000; ++i)
        w.showReceived(chunk);
    w.showSent(QByteArray("\x80\r", 2));
    QTRY_VERIFY(w.txtHex()->toPlainText().endsWith(QLatin1String("|-80-|-0D-| ")));
    const QString hex = w.txtHex()->toPlainText();
    const QString chars = w.txtAscii()->toPlainText();
    QVERIFY2(hex.size() <= frmCommDebug::TextCap, qPrintable(QString::number(hex.size())));
    QCOMPARE(hex.size(), chars.size()); // cells stay one above the other
    // What gave way is counted: shown and not shown add up to what came.
    static const QRegularExpression skipped(QStringLiteral("^\\.\\.\\. (\\d+) bytes not shown\n"));
    const QRegularExpressionMatch m = skipped.match(hex);
    QVERIFY2(m.hasMatch(), qPrintable(hex.left(80)));
    QCOMPARE(m.captured(1).toLongLong() + hex.count(QLatin1String("-55-|")), total);
}

void TstFrmCommDebug::pauseHoldsTheView()
{
    frmCommDebug w(m_ini, m_msgs);
    w.show();
    auto *pause = w.findChild<QAction *>(QStringLiteral("actPause"));
    QVERIFY(pause);
    pause->trigger();
    QVERIFY(w.paused());
    QVERIFY(w.findChild<QLabel *>(QStringLiteral("lblPaused"))->isVisible());
    w.showReceived("A");
    QTest::qWait(3 * frmCommDebug::FlushIntervalMs);
    QCOMPARE(w.txtHex()->toPlainText(), QString());
    pause->trigger();
    QTRY_VERIFY(!w.txtAscii()->toPlainText().isEmpty());
    QCOMPARE(timeless(w.txtAscii()->toPlainText()), QStringLiteral("RX T | A  | "));
}

void TstFrmCommDebug::f12OpensAndClosesBesideItsOwner()
{
    QWidget owner;
    frmCommDebug w(m_ini, m_msgs);
    w.setOwner(&owner);
    w.showBeside();
    QVERIFY(!w.isVisible()); // not before the main window: the splash is still up
    owner.show();
    QTRY_VERIFY(w.isVisible());
    QCOMPARE(w.windowHandle()->transientParent(), owner.windowHandle());

    owner.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&owner));
    QTest::keyClick(&owner, Qt::Key_F12);
    QVERIFY(!w.isVisible());
    owner.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&owner));
    QTest::keyClick(&owner, Qt::Key_F12);
    QVERIFY(w.isVisible());
    // In the window itself F12 clears, as its title says.
    w.DebugAusgabe(QStringLiteral("41"), true);
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QTest::keyClick(w.txtHex(), Qt::Key_F12);
    QVERIFY(w.isVisible());
    QCOMPARE(w.txtHex()->toPlainText(), QString());
}

void TstFrmCommDebug::positionSaved()
{
    {
        frmCommDebug w(m_ini, m_msgs);
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
    frmCommDebug again(m_ini, m_msgs);
    QCOMPARE(again.size(), QSize(640, 400));
}

void TstFrmCommDebug::openedAtDesignSize()
{
    // Nothing stored: design size, centred.
    frmCommDebug w(m_dir.filePath(QStringLiteral("empty.Ini")), m_msgs);
    QCOMPARE(w.size(), QSize(ScreenTwips::px(8000), ScreenTwips::px(6000)));
    w.show();
    w.showSent(QByteArray::fromHex("8530303031303030320D"));
    w.showReceived(QByteArray("\x86"
                              "0F3A\r",
                              6));
    QTRY_VERIFY(!w.txtHex()->toPlainText().isEmpty());
    QCOMPARE(w.txtHex()->height(), w.height() / 2);
    QCOMPARE(w.txtAscii()->y(), w.txtHex()->height());
    keepPicture(&w, "comm-debug.png");
}

QTEST_MAIN(TstFrmCommDebug)
#include "tst_frmcommdebug.moc"
