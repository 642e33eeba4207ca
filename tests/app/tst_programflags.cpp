#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include "app/ProgramFlags.h"

class TestProgramFlags : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    int m_count = 0;

    // A settings file with section Main holding the given lines (default file "*NONE*").
    QString settings(const QByteArray &mainLines, bool withDefaultFile = true)
    {
        const QString p = m_dir.filePath(QStringLiteral("s%1.Ini").arg(++m_count));
        QFile f(p);
        if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            f.write(QByteArray("[Main]\n") +
                    (withDefaultFile ? "LoadAtStartup_Default=*NONE*\n" : "") + mainLines);
        return p;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QFile dat(m_dir.filePath("default.Dat"));
        QVERIFY(dat.open(QIODevice::WriteOnly));
        dat.write(QByteArray(210, '\0'));
    }

    void defaults()
    {
        ProgramFlags f;
        f.Language = "x";
        f.ShowMsgBox = f.RestoreLastPosition = false;
        f.Debug = true;
        QCOMPARE(int(LoadProgramFlags(settings(""), m_dir.path(), f)), 0);
        QCOMPARE(f.Language, QString("GER"));
        QVERIFY(f.ShowMsgBox && f.RequestData && f.SaveLoadEnabled && f.RequestStatus &&
                f.RestoreLastPosition);
        QVERIFY(!f.Debug && !f.LogHexData && !f.SystemResetEnabled && !f.VersionInfoEnabled &&
                !f.OnlineTestEnabled && !f.ShowProtocolEnabled && !f.ShowTabStrip_System);
        QCOMPARE(f.ProductVersion, QString("*ZT"));
        QCOMPARE(f.LoadAtStartup_Default, QString());
        QCOMPARE(f.CountKeyRows, qint16(15));
        QCOMPARE(f.CountKeyCols, qint16(3));
    }

    void yesNo_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<bool>("expected");
        for (const char *t : {"Ja", "JA", "yes", " YES ; on"})
            QTest::newRow(t) << QByteArray(t) << true;
        for (const char *t : {"1", "Y", "true", "", "no", "jaa"})
            QTest::newRow(*t ? t : "empty") << QByteArray(t) << false;
    }
    void yesNo()
    {
        QFETCH(QByteArray, text);
        QFETCH(bool, expected);
        ProgramFlags f;
        QCOMPARE(int(LoadProgramFlags(settings("Debug=" + text + "\nShowMsgBox=" + text + "\n"),
                                      m_dir.path(), f)),
                 0);
        QCOMPARE(f.Debug, expected);
        QCOMPARE(f.ShowMsgBox, expected);
    }

    void counts_data()
    {
        QTest::addColumn<QByteArray>("rows");
        QTest::addColumn<QByteArray>("cols");
        QTest::addColumn<int>("result");
        QTest::addColumn<int>("expectedRows");
        QTest::addColumn<int>("expectedCols");
        QTest::newRow("empty") << QByteArray("") << QByteArray("") << 0 << 25 << 4;
        QTest::newRow("zero") << QByteArray("0") << QByteArray("0") << 0 << 25 << 4;
        QTest::newRow("too many") << QByteArray("30") << QByteArray("9") << 0 << 25 << 4;
        QTest::newRow("in range") << QByteArray("7") << QByteArray("2") << 0 << 7 << 2;
        QTest::newRow("fraction, comment")
            << QByteArray("7.9 ; rows") << QByteArray("1e0") << 0 << 7 << 1;
        QTest::newRow("rows not a number") << QByteArray("abc") << QByteArray("2") << 19 << 15 << 3;
        QTest::newRow("cols not a number") << QByteArray("7") << QByteArray("4x") << 19 << 7 << 3;
        QTest::newRow("beyond 16 bits") << QByteArray("40000") << QByteArray("2") << 19 << 15 << 3;
    }
    void counts()
    {
        QFETCH(QByteArray, rows);
        QFETCH(QByteArray, cols);
        QFETCH(int, result);
        QFETCH(int, expectedRows);
        QFETCH(int, expectedCols);
        ProgramFlags f;
        QCOMPARE(
            int(LoadProgramFlags(settings("CountKeyRows=" + rows + "\nCountKeyCols=" + cols + "\n"),
                                 m_dir.path(), f)),
            result);
        QCOMPARE(int(f.CountKeyRows), expectedRows);
        QCOMPARE(int(f.CountKeyCols), expectedCols);
    }

    void defaultFile_data()
    {
        QTest::addColumn<QByteArray>("lines");
        QTest::addColumn<int>("result");
        QTest::addColumn<QString>("file");
        QTest::newRow("none") << QByteArray("LoadAtStartup_Default= *NONE* \n") << 0 << "";
        QTest::newRow("existing file")
            << QByteArray("LoadAtStartup_Default=default.Dat\n") << 0 << "default.Dat";
        QTest::newRow("lower-case none is a name")
            << QByteArray("LoadAtStartup_Default=*none*\n") << 18 << "*none*";
        QTest::newRow("missing file")
            << QByteArray("LoadAtStartup_Default=nothere.Dat\n") << 18 << "nothere.Dat";
        QTest::newRow("blank") << QByteArray("LoadAtStartup_Default=   \n") << 17 << "";
        QTest::newRow("absent") << QByteArray("Language=ger\n") << 17 << "";
    }
    void defaultFile()
    {
        QFETCH(QByteArray, lines);
        QFETCH(int, result);
        QFETCH(QString, file);
        ProgramFlags f;
        QCOMPARE(int(LoadProgramFlags(settings(lines, false), m_dir.path(), f)), result);
        QCOMPARE(f.LoadAtStartup_Default, file.isEmpty() ? QString() : m_dir.path() + "/" + file);
    }

    void noSettingsFile()
    {
        ProgramFlags f;
        QCOMPARE(int(LoadProgramFlags(m_dir.filePath("none.Ini"), m_dir.path(), f)), 17);
        QCOMPARE(f.Language, QString("GER"));
        QCOMPARE(StartupErrorText(StartupError(17), f.Language),
                 QString("Fehler beim Lesen des Eintrags <LoadAtStartup_Default>"));
    }

    void language()
    {
        ProgramFlags f;
        QCOMPARE(int(LoadProgramFlags(settings("Language= eng\n"), m_dir.path(), f)), 0);
        QCOMPARE(f.Language, QString("ENG"));
    }

    void errorTexts_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("expected");
        QTest::newRow("32 German") << 32 << "GER"
                                   << "Fehler bei Setzen der Einstellungen für den COM-Port";
        QTest::newRow("32 English") << 32 << "ENG"
                                    << "Error setting the COM-Port parameters";
        QTest::newRow("18 other language") << 18 << "FRA"
                                           << "Error reading the file in <LoadAtStartup_Default>";
        QTest::newRow("12 language not read") << 12 << ""
                                              << "Error setting flag <WriteLogFile>";
        QTest::newRow("24 German") << 24 << "GER"
                                   << "Fehler beim Lesen der Einträge aus der Datei "
                                      "<Channel_DataDef>: Nicht-numerisches Label";
        QTest::newRow("31 English") << 31 << "ENG"
                                    << "Error setting the COM-Port";
        QTest::newRow("38 English") << 38 << "ENG"
                                    << "Error setting der general values for the COM-Port";
        QTest::newRow("41 German") << 41 << "GER"
                                   << "Fehler beim Einrichten des COM-Ports";
        QTest::newRow("45 English") << 45 << "ENG"
                                    << "Error setting up the COM-Port";
        QTest::newRow("0 none") << 0 << "GER"
                                << "";
        QTest::newRow("20 none") << 20 << "ENG"
                                 << "";
        QTest::newRow("30 none") << 30 << "GER"
                                 << "";
    }
    void errorTexts()
    {
        QFETCH(int, index);
        QFETCH(QString, language);
        QFETCH(QString, expected);
        QCOMPARE(StartupErrorText(StartupError(index), language), expected);
    }
};

QTEST_GUILESS_MAIN(TestProgramFlags)
#include "tst_programflags.moc"
