#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "StringSink.h"
#include "log/AppLog.h"

// Log lines are checked byte for byte against a fixed clock and locale.
class TestAppLog : public QObject {
    Q_OBJECT

    QDateTime m_now;

    static QLocale german() { return QLocale(QLocale::German, QLocale::Germany); }
    static QLocale english() { return QLocale(QLocale::English, QLocale::UnitedStates); }

    AppLog makeLog(const QString &dir, const QLocale &locale = german())
    {
        return AppLog(
            dir, QStringLiteral("zteditor"), [this] { return m_now; }, locale);
    }

    static QByteArray readAll(const QString &path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }

    static void touch(const QString &path)
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
    }

private Q_SLOTS:
    void init() { m_now = QDateTime(QDate(2026, 12, 7), QTime(17, 2, 36)); }

    void lineForms_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("txt");
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("proto");

        QTest::newRow("entry, German weekday")
            << german() << "Init" << QByteArray("Mo  07.12.2026  17:02:36 >  Init\r\n")
            << " Mo  07.12.2026  17:02:36   Init\r\n";
        QTest::newRow("entry, English weekday")
            << english() << "Init" << QByteArray("Mon  07.12.2026  17:02:36 >  Init\r\n")
            << " Mon  07.12.2026  17:02:36   Init\r\n";
        QTest::newRow("start marker, nothing shown")
            << german() << "*" << QByteArray("Mo  07.12.2026  17:02:36 ***** Start *****\r\n")
            << "";
        QTest::newRow("end marker and two empty lines, nothing shown")
            << german() << ""
            << QByteArray("Mo  07.12.2026  17:02:36 ***** End   *****\r\n\r\n\r\n") << "";
        QTest::newRow("trailing CR gets LF")
            << german() << "Zeile\r" << QByteArray("Mo  07.12.2026  17:02:36 >  Zeile\r\n\r\n")
            << " Mo  07.12.2026  17:02:36   Zeile\r\n\r\n";
        QTest::newRow("umlauts as UTF-8")
            << german() << "Größe ändern"
            << QByteArray("Mo  07.12.2026  17:02:36 >  Gr\xc3\xb6\xc3\x9f"
                          "e \xc3\xa4ndern\r\n")
            << " Mo  07.12.2026  17:02:36   Größe ändern\r\n";
    }

    void lineForms()
    {
        QFETCH(QLocale, locale);
        QFETCH(QString, txt);
        QFETCH(QByteArray, file);
        QFETCH(QString, proto);
        QTemporaryDir dir;
        StringSink sink;
        AppLog log = makeLog(dir.path(), locale);
        log.setFileName(QStringLiteral("a.Log"));
        log.setTextControl(&sink);
        log.WriteLog(txt);
        QCOMPARE(readAll(dir.filePath("a.Log")), file);
        QCOMPARE(sink.text(), proto);
        QCOMPARE(sink.caret, proto.size());
    }

    void openAndClose()
    {
        QTemporaryDir dir;
        StringSink sink;
        AppLog log = makeLog(dir.path());
        log.OpenLog(QStringLiteral("b.Log"), &sink, qint16(0));
        log.WriteLog(QStringLiteral("Init"));
        m_now = m_now.addSecs(5);
        log.CloseLog();
        QCOMPARE(readAll(dir.filePath("b.Log")),
                 QByteArray("Mo  07.12.2026  17:02:36 ***** Start *****\r\n"
                            "Mo  07.12.2026  17:02:36 >  Init\r\n"
                            "Mo  07.12.2026  17:02:41 ***** End   *****\r\n\r\n\r\n"));
        QCOMPARE(sink.text(), QStringLiteral(" Mo  07.12.2026  17:02:36   Init\r\n"));
    }

    void switches_data()
    {
        QTest::addColumn<bool>("fileDisabled");
        QTest::addColumn<bool>("screenDisabled");
        QTest::addColumn<bool>("toLog");
        QTest::addColumn<bool>("toScreen");
        QTest::addColumn<bool>("inFile");
        QTest::addColumn<bool>("onScreen");

        QTest::newRow("both") << false << false << true << true << true << true;
        QTest::newRow("file disabled") << true << false << true << true << false << true;
        QTest::newRow("screen disabled") << false << true << true << true << true << false;
        QTest::newRow("toLog false") << false << false << false << true << false << true;
        QTest::newRow("toScreen false") << false << false << true << false << true << false;
        QTest::newRow("nothing") << true << false << true << false << false << false;
    }

    void switches()
    {
        QFETCH(bool, fileDisabled);
        QFETCH(bool, screenDisabled);
        QFETCH(bool, toLog);
        QFETCH(bool, toScreen);
        QFETCH(bool, inFile);
        QFETCH(bool, onScreen);
        QTemporaryDir dir;
        StringSink sink;
        AppLog log = makeLog(dir.path());
        log.setFileName(QStringLiteral("c.Log"));
        log.setTextControl(&sink);
        log.setToFileDisabled(fileDisabled);
        log.setToScreenDisabled(screenDisabled);
        log.WriteLog(QStringLiteral("Eintrag"), toLog, toScreen);
        log.WriteLog(QStringLiteral("*"), toLog, toScreen); // markers are never shown
        QCOMPARE(QFile::exists(dir.filePath("c.Log")), inFile);
        QCOMPARE(sink.text(),
                 onScreen ? QStringLiteral(" Mo  07.12.2026  17:02:36   Eintrag\r\n") : QString());
    }

    void fileNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("resolved");

        QTest::newRow("empty: default template") << ""
                                                 << "/opt/zt/zteditor-2026-12-07.Log";
        QTest::newRow("bare name") << "x.log"
                                   << "/opt/zt/x.log";
        QTest::newRow("relative folder") << "logs/x.log"
                                         << "/opt/zt/logs/x.log";
        QTest::newRow("absolute") << "/var/log/x.log"
                                  << "/var/log/x.log";
        QTest::newRow("drive colon") << "D:/logs/x.log"
                                     << "D:/logs/x.log";
        QTest::newRow("token lower case") << "zt-$date$.log"
                                          << "/opt/zt/zt-2026-12-07.log";
        QTest::newRow("token mixed case") << "/l/$Date$.txt"
                                          << "/l/2026-12-07.txt";
    }

    void fileNames()
    {
        QFETCH(QString, name);
        QFETCH(QString, resolved);
        AppLog log = makeLog(QStringLiteral("/opt/zt"));
        QCOMPARE(log.fileName(), QString());
        log.setFileName(name);
        QCOMPARE(log.fileName(), resolved);
    }

    void rollOverAfterMidnight_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("files");
        QTest::newRow("template") << "z-$DATE$.Log"
                                  << QStringList{"z-2026-12-07.Log", "z-2026-12-08.Log"};
        QTest::newRow("dated name stays") << "z-2026-12-07.Log" << QStringList{"z-2026-12-07.Log"};
    }

    void rollOverAfterMidnight()
    {
        QFETCH(QString, name);
        QFETCH(QStringList, files);
        QTemporaryDir dir;
        AppLog log = makeLog(dir.path());
        m_now = QDateTime(QDate(2026, 12, 7), QTime(23, 59, 59));
        log.setFileName(name);
        log.WriteLog(QStringLiteral("vorher"));
        m_now = QDateTime(QDate(2026, 12, 8), QTime(0, 0, 1));
        log.WriteLog(QStringLiteral("nachher"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files, QDir::Name), files);
        QVERIFY(readAll(dir.filePath(files.last()))
                    .endsWith("Di  08.12.2026  00:00:01 >  nachher\r\n"));
        QCOMPARE(log.fileName(), dir.filePath(files.last()));
    }

    void purge_data()
    {
        QTest::addColumn<int>("maxAge");
        QTest::addColumn<bool>("fileDisabled");
        QTest::addColumn<QStringList>("kept");
        QTest::addColumn<QString>("entry");

        const QStringList all{"zteditor-2026-09-07.Log", "zteditor-2026-09-08.Log",
                              "zteditor-2026-09-09.Log", "zteditor-alt.Log", "zteditor.Ini"};
        QTest::newRow("90 days: 90 and 91 days old go")
            << 90 << false
            << QStringList{"zteditor-2026-09-09.Log", "zteditor-alt.Log", "zteditor.Ini"}
            << "Logs älter als 90 Tage gelöscht (2)";
        QTest::newRow("0 disables") << 0 << false << all << "";
        QTest::newRow("nothing that old") << 365 << false << all << "";
        QTest::newRow("file output disabled") << 1 << true << all << "";
    }

    void purge()
    {
        QFETCH(int, maxAge);
        QFETCH(bool, fileDisabled);
        QFETCH(QStringList, kept);
        QFETCH(QString, entry);
        QTemporaryDir dir;
        // 89, 90 and 91 days before 7 December 2026, a name without a date, another file
        for (const char *name : {"zteditor-2026-09-07.Log", "zteditor-2026-09-08.Log",
                                 "zteditor-2026-09-09.Log", "zteditor-alt.Log", "zteditor.Ini"})
            touch(dir.filePath(name));
        StringSink sink;
        AppLog log = makeLog(dir.path());
        log.setFileName(QString());
        log.setTextControl(&sink);
        log.setMaxLogFileAge(qint16(maxAge));
        log.setToFileDisabled(fileDisabled);
        log.CloseLog();

        QStringList files = QDir(dir.path()).entryList(QDir::Files, QDir::Name);
        files.removeOne(QStringLiteral("zteditor-2026-12-07.Log"));
        QCOMPARE(files, kept);
        const QByteArray today = readAll(dir.filePath("zteditor-2026-12-07.Log"));
        const QByteArray end("Mo  07.12.2026  17:02:36 ***** End   *****\r\n\r\n\r\n");
        if (fileDisabled)
            QCOMPARE(today, QByteArray("<missing>"));
        else if (entry.isEmpty())
            QCOMPARE(today, end);
        else
            QCOMPARE(today, "Mo  07.12.2026  17:02:36 >  " + entry.toUtf8() + "\r\n" + end);
    }

    void unwritableFolder_data()
    {
        QTest::addColumn<QString>("errorText");
        QTest::addColumn<QString>("expected"); // %1 = the system's description

        QTest::newRow("built-in template") << ""
                                           << " Fehler 2 beim Schreiben des Logs (%1)\r\n";
        QTest::newRow("catalogue template") << "  Log: Schritt &, &; nochmals &"
                                            << "   Log: Schritt 2, %1; nochmals %1\r\n";
    }

    void unwritableFolder()
    {
        QFETCH(QString, errorText);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("fehlt/x.Log"));
        QFile probe(path);
        QVERIFY(!probe.open(QIODevice::WriteOnly | QIODevice::Append));

        StringSink sink;
        AppLog log = makeLog(dir.path());
        if (!errorText.isEmpty())
            log.setErrorText(errorText);
        log.setFileName(path);
        log.setTextControl(&sink);
        log.WriteLog(QStringLiteral("Eintrag"), true, false); // shown although toScreen is off
        QCOMPARE(sink.text(), expected.arg(probe.errorString()));
        QVERIFY(!QFile::exists(path));

        // the next call starts afresh
        log.setFileName(QStringLiteral("ok.Log"));
        log.WriteLog(QStringLiteral("Eintrag"));
        QCOMPARE(readAll(dir.filePath("ok.Log")),
                 QByteArray("Mo  07.12.2026  17:02:36 >  Eintrag\r\n"));
    }

    void writeBeforeOpenShowsNothing()
    {
        AppLog log = makeLog(QStringLiteral("/opt/zt"));
        log.WriteLog(QStringLiteral("früh")); // no file name, no text control: silently lost
        StringSink sink;
        log.setTextControl(&sink);
        log.WriteLog(QStringLiteral("früh"));
        QVERIFY(sink.text().startsWith(QStringLiteral(" Fehler 2 beim Schreiben des Logs (")));
    }

    void cap_data()
    {
        QTest::addColumn<QString>("head"); // start of the existing text, padded with 'x'
        QTest::addColumn<int>("length");   // length of the existing text
        QTest::addColumn<int>("lineLength");
        QTest::addColumn<int>("removed");

        QTest::newRow("exactly at the cap: nothing removed") << "ab\r\n" << 20460 << 20 << 0;
        QTest::newRow("one over: nothing removed") << "ab\r\n" << 20461 << 20 << 0;
        QTest::newRow("four over: first line goes") << "ab\r\n" << 20464 << 20 << 4;
        QTest::newRow("10 short, line break at 10") << "ab\r\ncdefg\r\n" << 20470 << 20 << 11;
        QTest::newRow("10 short, line break at 9") << "ab\r\ncdef\r\n" << 20470 << 20 << 10;
        QTest::newRow("10 short, line break at 11 is too late") << "ab\r\ncdefgh\r\n"
                                                                << 20470 << 20 << 4;
        QTest::newRow("10 short, first break after 10") << "abcdefghijk\r\n" << 20470 << 20 << 0;
        QTest::newRow("break at position 1 is not cut") << "\r\nab" << 20470 << 20 << 0;
        QTest::newRow("single long line") << "" << 20470 << 20 << 0;
        QTest::newRow("new line longer than the cap: all whole lines go") << "ab\r\n"
                                                                          << 10 << 20500 << 4;
    }

    void cap()
    {
        QFETCH(QString, head);
        QFETCH(int, length);
        QFETCH(int, lineLength);
        QFETCH(int, removed);
        const QString before = head + QString(length - head.size(), QLatin1Char('x'));
        const QString line(lineLength, QLatin1Char('L'));
        StringSink sink;
        sink.setText(before);
        AppLog log = makeLog(QStringLiteral("/opt/zt"));
        log.setTextControl(&sink);
        log.WriteProto(line, 255);
        const QString expected = before.mid(removed) + " " + line + "\r\n";
        QCOMPARE(sink.text(), expected);
        QCOMPARE(sink.caret, expected.size());
    }

    void noTextControl()
    {
        AppLog log = makeLog(QStringLiteral("/opt/zt"));
        log.WriteProto(QStringLiteral("niemand")); // must simply do nothing
        StringSink sink;
        log.setTextControl(&sink);
        log.setToScreenDisabled(true);
        log.WriteProto(QStringLiteral("aus"));
        QCOMPARE(sink.text(), QString());
    }

    void nestedWriteDuringProtocolUpdate()
    {
        QTemporaryDir dir;
        StringSink sink;
        AppLog log = makeLog(dir.path());
        log.setFileName(QStringLiteral("n.Log"));
        log.setTextControl(&sink);
        // runs inside the outer call's protocol update, while it holds the file
        QTimer::singleShot(0, this, [&] { log.WriteLog(QStringLiteral("innen")); });
        log.WriteLog(QStringLiteral("außen"));
        QCOMPARE(readAll(dir.filePath("n.Log")),
                 QStringLiteral("Mo  07.12.2026  17:02:36 >  außen\r\n"
                                "Mo  07.12.2026  17:02:36 >  innen\r\n")
                     .toUtf8());
        QCOMPARE(sink.text(), QStringLiteral(" Mo  07.12.2026  17:02:36   außen\r\n"
                                             " Mo  07.12.2026  17:02:36   innen\r\n"));
    }
};

QTEST_GUILESS_MAIN(TestAppLog)
#include "tst_applog.moc"
