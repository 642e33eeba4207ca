#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include "settings/Messages.h"

class TestMessages : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    QString settings(const QByteArray &bytes)
    {
        const QString p = m_dir.filePath(QStringLiteral("m%1.Ini").arg(++m_count));
        QFile f(p);
        if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            f.write(bytes);
        return p;
    }
    int m_count = 0;

private Q_SLOTS:
    void formatMessage_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("expected");
        QTest::newRow("second place emptied") << "a & b & c" << QStringList{"X"} << "a X b  c";
        QTest::newRow("argument brings an &") << "& and &" << QStringList{"x&y", "Z"} << "xZy and ";
        QTest::newRow("only five places")
            << "1&2&3&4&5&6&7&" << QStringList{"a", "b", "c", "d", "e"} << "1a2b3c4d5e6&7&";
        QTest::newRow("no place") << "plain" << QStringList{"a"} << "plain";
        QTest::newRow("place at the ends") << "&mid&" << QStringList{"<", ">"} << "<mid>";
    }
    void formatMessage()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, args);
        QFETCH(QString, expected);
        while (args.size() < 5)
            args << QString();
        QCOMPARE(FormatMessage(text, args[0], args[1], args[2], args[3], args[4]), expected);
    }

    void lookup_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("expected");
        QTest::newRow("German") << "GER"
                                << "Ready"
                                << "Bereit";
        QTest::newRow("English") << "ENG"
                                 << "Ready"
                                 << "Ready to go";
        QTest::newRow("missing text shows its key") << "ENG"
                                                    << "NotDefined"
                                                    << "NotDefined";
        QTest::newRow("language not read yet") << ""
                                               << "WriteLog_Err"
                                               << "Log & failed";
        QTest::newRow("cleaned like every value") << "GER"
                                                  << "QueryEndProg"
                                                  << "Beenden?";
    }
    void lookup()
    {
        QFETCH(QString, language);
        QFETCH(QString, key);
        QFETCH(QString, expected);
        Messages m(settings("[Messages_]\nWriteLog_Err=Log & failed\n"
                            "[Messages_GER]\nReady = Bereit\nQueryEndProg=\tBeenden? ; asks\n"
                            "[Messages_ENG]\nReady=Ready to go\n"));
        m.setLanguage(language);
        QCOMPARE(m.text(key), expected);
    }

    // A text is read once; later changes of the file show only through fresh().
    void heldForTheRun()
    {
        Messages m(settings("[Messages_GER]\nReady=Bereit\n"));
        m.setLanguage("GER");
        QCOMPARE(m.text("Ready"), QString("Bereit"));
        QCOMPARE(m.text("Form_Proto.ToolTip", QString()), QString());
        QFile f(m.iniFile());
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write("[Messages_GER]\nReady=Fertig\nForm_Proto.ToolTip=Protokoll\n");
        f.close();
        QCOMPARE(m.text("Ready"), QString("Bereit"));
        QCOMPARE(m.text("Form_Proto.ToolTip", QString()), QString());
        QCOMPARE(m.fresh("Ready", "Ready"), QString("Fertig"));
        m.setLanguage("ENG"); // held per language: the new section is read
        QCOMPARE(m.text("Ready"), QString("Ready"));
    }
};

QTEST_GUILESS_MAIN(TestMessages)
#include "tst_messages.moc"
