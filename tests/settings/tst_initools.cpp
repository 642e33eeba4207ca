#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include "FakeOperator.h"
#include "Unprivileged.h"
#include "settings/INITools.h"

class TestIniTools : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    int m_count = 0;

    QString freshPath() { return m_dir.filePath(QStringLiteral("f%1.Ini").arg(++m_count)); }
    static void put(const QString &path, const QByteArray &bytes)
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }
    static QByteArray get(const QString &path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    QString fileWith(const QByteArray &bytes)
    {
        const QString p = freshPath();
        put(p, bytes);
        return p;
    }

private Q_SLOTS:
    void readValue_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("def");
        QTest::addColumn<QString>("expected");
        const QByteArray x126(126, 'x');
        QTest::newRow("comment after value")
            << QByteArray("[Comm]\nTimeOut=500 ; seconds\n") << "Comm"
            << "TimeOut"
            << "9"
            << "500";
        QTest::newRow("cut to 127 before trim")
            << "[A]\nk=" + x126 + " " + QByteArray(73, 'y') + "\n"
            << "A"
            << "k"
            << "" << QString(x126);
        QTest::newRow("';' beyond 127 ignored") << "[A]\nk=" + QByteArray(200, 'a') + ";\n"
                                                << "A"
                                                << "k"
                                                << "" << QString(127, u'a');
        QTest::newRow("empty value is not the default") << QByteArray("[A]\nk=\n") << "A"
                                                        << "k"
                                                        << "def"
                                                        << "";
        QTest::newRow("default cleaned") << QByteArray("[A]\n") << "A"
                                         << "k"
                                         << "  a\tb ; c"
                                         << "ab";
        QTest::newRow("lower-case names") << QByteArray("[Main]\nLanguage=ENG\n") << "main"
                                          << "language"
                                          << "GER"
                                          << "ENG";
        QTest::newRow("blanks around names")
            << QByteArray("  [ Main ]  \n  Language  =  ENG  \n") << " Main "
            << "Language "
            << ""
            << "ENG";
        QTest::newRow("first section counts") << QByteArray("[A]\nk=1\n[a]\nj=4\n") << "A"
                                              << "j"
                                              << "none"
                                              << "none";
        QTest::newRow("first key counts") << QByteArray("[A]\nk=1\nK=2\n") << "A"
                                          << "k"
                                          << ""
                                          << "1";
        QTest::newRow("key before first section") << QByteArray("k=0\n[A]\nj=1\n") << "A"
                                                  << "k"
                                                  << "d"
                                                  << "d";
        QTest::newRow("comment line") << QByteArray("[A]\n ;k=1\nk=2\n") << "A"
                                      << "k"
                                      << ""
                                      << "2";
        QTest::newRow("tabs removed") << QByteArray("[A]\nk=\ta\tb \n") << "A"
                                      << "k"
                                      << ""
                                      << "ab";
        QTest::newRow("value with =") << QByteArray("[A]\nk = a=b\n") << "A"
                                      << "k"
                                      << ""
                                      << "a=b";
        QTest::newRow("CR LF") << QByteArray("[A]\r\nk=v\r\n") << "A"
                               << "k"
                               << ""
                               << "v";
        QTest::newRow("lone CR ends a line") << QByteArray("[A]\rk=v\rj=w") << "A"
                                             << "k"
                                             << ""
                                             << "v";
        QTest::newRow("Windows-1252") << QByteArray("[A]\nk=M\xfcller\n") << "A"
                                      << "k"
                                      << ""
                                      << "Müller";
        QTest::newRow("UTF-8") << QByteArray("[A]\nk=M\xc3\xbcller\n") << "A"
                               << "k"
                               << ""
                               << "Müller";
        QTest::newRow("UTF-8 mark") << QByteArray("\xef\xbb\xbf[A]\nk=v\n") << "A"
                                    << "k"
                                    << ""
                                    << "v";
        QTest::newRow("mark inside is text")
            << QByteArray("[A]\nk=1\n\xef\xbb\xbf[A]\nj=2\n") << "A"
            << "j"
            << ""
            << "2";
        QTest::newRow("section line with comment") << QByteArray("[A] ; c\nk=v") << "A"
                                                   << "k"
                                                   << ""
                                                   << "v";
        QTest::newRow("line without =") << QByteArray("[A]\nk\nk=v\n") << "A"
                                        << "k"
                                        << ""
                                        << "v";
    }
    void readValue()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, def);
        QFETCH(QString, expected);
        QCOMPARE(INI_ReadValue(fileWith(content), section, key, def), expected);
    }

    void readMissingFile()
    {
        QCOMPARE(INI_ReadValue(m_dir.filePath("none.Ini"), "A", "k", "d;x"), QString("d"));
        QCOMPARE(INI_ReadValue(m_dir.path(), "A", "k", "dir"), QString("dir")); // a folder
    }

    // Reads see the file as it is now, also right after a rewrite of the same size.
    void readSeesEveryChange()
    {
        const QString p = fileWith("[A]\nk=1\n");
        QCOMPARE(INI_ReadValue(p, "A", "k", ""), QString("1"));
        put(p, "[A]\nk=2\n");
        QCOMPARE(INI_ReadValue(p, "A", "k", ""), QString("2"));
        QVERIFY(INI_WriteValue(p, "A", "k", "3"));
        QCOMPARE(INI_ReadValue(p, "A", "k", ""), QString("3"));
        QFile::remove(p);
        QCOMPARE(INI_ReadValue(p, "A", "k", "gone"), QString("gone"));
    }

    void replaceAll_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("find");
        QTest::addColumn<QString>("replacement");
        QTest::addColumn<QString>("expected");
        QTest::newRow("tabs") << "\ta\tb\t"
                              << "\t"
                              << ""
                              << "ab";
        QTest::newRow("replacement contains find") << "aXa"
                                                   << "a"
                                                   << "aa"
                                                   << "aaXaa";
        QTest::newRow("left to right") << "aaa"
                                       << "aa"
                                       << "b"
                                       << "ba";
        QTest::newRow("empty find") << "abc"
                                    << ""
                                    << "x"
                                    << "abc";
        QTest::newRow("case sensitive") << "Aa"
                                        << "a"
                                        << ""
                                        << "A";
    }
    void replaceAll()
    {
        QFETCH(QString, text);
        QFETCH(QString, find);
        QFETCH(QString, replacement);
        QFETCH(QString, expected);
        QCOMPARE(INI_ReplaceAll(text, find, replacement), expected);
    }

    void sectionKeys()
    {
        const QString p =
            fileWith("[B]\nx=0\n[Chan]\n10 = Mic 1 ; c\n;9=no\n11=\tMic 2\n10=dup\n[chan]\n12=z\n");
        QStringList keys, values;
        QVERIFY(INI_ReadSectionKeys(p, "CHAN", keys, &values));
        QCOMPARE(keys, QStringList({"10", "11", "10"}));
        QCOMPARE(values, QStringList({"Mic 1", "Mic 2", "Mic 1"}));
        QVERIFY(!INI_ReadSectionKeys(p, "none", keys, &values));
        QVERIFY(keys.isEmpty() && values.isEmpty());
        QVERIFY(!INI_ReadSectionKeys(fileWith("[E]\n; only a comment\n"), "E", keys));
    }

    void sectionKeysAllOfMany()
    {
        QByteArray content = "[DATA_CHAN_GER]\r\n";
        for (int i = 0; i < 20000; ++i)
            content +=
                QByteArray::number(100000 + i) + "=Channel " + QByteArray::number(i) + "\r\n";
        QStringList keys, values;
        QVERIFY(INI_ReadSectionKeys(fileWith(content), "DATA_CHAN_GER", keys, &values));
        QCOMPARE(keys.size(), 20000);
        QCOMPARE(keys.last(), QString("119999"));
        QCOMPARE(values.last(), QString("Channel 19999"));
    }

    void writeValue_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("deleteIfBlank");
        QTest::addColumn<QByteArray>("after");
        QTest::newRow("replace in place") << QByteArray("[A]\r\nk = 1 ; c\r\nj=2\r\n") << "A"
                                          << "k"
                                          << "5" << false << QByteArray("[A]\r\nk = 5\r\nj=2\r\n");
        QTest::newRow("aligned line") << QByteArray("[C]\n  Port          = 2\n") << "c"
                                      << "PORT"
                                      << "3" << false << QByteArray("[C]\n  Port          = 3\n");
        QTest::newRow("first of two") << QByteArray("[A]\nk=1\nk=2\n") << "A"
                                      << "k"
                                      << "9" << false << QByteArray("[A]\nk=9\nk=2\n");
        QTest::newRow("value not trimmed") << QByteArray("[A]\nk=1\n") << "A"
                                           << "k"
                                           << " x " << false << QByteArray("[A]\nk= x \n");
        QTest::newRow("append to section")
            << QByteArray("[A]\nk=1\n\n[B]\nx=1\n") << "A"
            << "j"
            << "2" << false << QByteArray("[A]\nk=1\nj=2\n\n[B]\nx=1\n");
        QTest::newRow("append indented") << QByteArray("[A]\n  k = 1\n") << "A"
                                         << "j"
                                         << "2" << false << QByteArray("[A]\n  k = 1\n  j=2\n");
        QTest::newRow("append to empty section") << QByteArray("[A]\n[B]\n") << "A"
                                                 << "k"
                                                 << "1" << false << QByteArray("[A]\nk=1\n[B]\n");
        QTest::newRow("no line end at the end")
            << QByteArray("[A]\r\nk=1") << "A"
            << "j"
            << "2" << false << QByteArray("[A]\r\nk=1\r\nj=2\r\n");
        QTest::newRow("new section") << QByteArray("[A]\nk=1\n") << "B"
                                     << "j"
                                     << "2" << false << QByteArray("[A]\nk=1\n\n[B]\nj=2\n");
        QTest::newRow("new file") << QByteArray() << "B"
                                  << "j"
                                  << "Ü" << false << QByteArray("[B]\nj=\xc3\x9c\n");
        QTest::newRow("delete") << QByteArray("[A]\nk=1\nj=2\n") << "A"
                                << "k"
                                << " " << true << QByteArray("[A]\nj=2\n");
        QTest::newRow("delete missing") << QByteArray("[A]\nj=2\n") << "A"
                                        << "k"
                                        << "" << true << QByteArray("[A]\nj=2\n");
        QTest::newRow("blank kept without delete") << QByteArray("[A]\nk=1\n") << "A"
                                                   << "k"
                                                   << "" << false << QByteArray("[A]\nk=\n");
        QTest::newRow("Windows-1252 kept")
            << QByteArray("[A]\nk=M\xfcller\x81\nj=1\n") << "A"
            << "j"
            << "Öl" << false << QByteArray("[A]\nk=M\xfcller\x81\nj=\xd6l\n");
        QTest::newRow("key before sections") << QByteArray("k=0\n[A]\n") << "A"
                                             << "k"
                                             << "1" << false << QByteArray("k=0\n[A]\nk=1\n");
    }
    void writeValue()
    {
        QFETCH(QByteArray, before);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(bool, deleteIfBlank);
        QFETCH(QByteArray, after);
        const QString p = freshPath();
        if (!before.isNull())
            put(p, before);
        QVERIFY(INI_WriteValue(p, section, key, value, deleteIfBlank));
        QCOMPARE(get(p), after);
    }

    // Text that would break the line structure is refused and the file left as it was.
    void writeRefusesLineBreaks()
    {
        const QString p = fileWith("[A]\nk=1\n");
        QVERIFY(!INI_WriteValue(p, "A", "k", "2\n[B]"));
        QVERIFY(!INI_WriteValue(p, "A]", "k", "2"));
        QVERIFY(!INI_WriteValue(p, "A", "k=x", "2"));
        QCOMPARE(get(p), QByteArray("[A]\nk=1\n"));
    }

    void tidy_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QByteArray>("after");
        QTest::newRow("aligned") << QByteArray("[Comm]\nPort=2\nOutBufferSize = 512\n")
                                 << QByteArray(
                                        "[Comm]\n  Port          = 2\n  OutBufferSize = 512\n");
        QTest::newRow("width per section")
            << QByteArray("[A]\nab=1\n[B]\nx=1\nlonger=2\n")
            << QByteArray("[A]\n  ab = 1\n[B]\n  x      = 1\n  longer = 2\n");
        QTest::newRow("comments and sections trimmed")
            << QByteArray("   [A]  \n  ; note  \nk=1\n") << QByteArray("[A]\n; note\n  k = 1\n");
        QTest::newRow("empty lines collapse")
            << QByteArray("[A]\nk=1\n\n   \n\n[B]\n") << QByteArray("[A]\n  k = 1\n\n[B]\n");
        QTest::newRow("leading empty line kept") << QByteArray("\n[A]\n") << QByteArray("\n[A]\n");
        QTest::newRow("line without =")
            << QByteArray("[A]\nloose\nk=v\n") << QByteArray("[A]\n  loose\n  k = v\n");
        QTest::newRow("empty value") << QByteArray("[A]\nk=\n") << QByteArray("[A]\n  k = \n");
        QTest::newRow("CR LF kept")
            << QByteArray("[A]\r\nk=1\r\n\r\n\r\n") << QByteArray("[A]\r\n  k = 1\r\n\r\n");
        QTest::newRow("lone CR line ends")
            << QByteArray("[A]\rk=1\r\r\r") << QByteArray("[A]\r  k = 1\r\r");
        QTest::newRow("stray CR before line end")
            << QByteArray("[A]\nk=1\r\r\n") << QByteArray("[A]\n  k = 1\n\n");
        QTest::newRow("Windows-1252 kept") << QByteArray("[A]\n\xfc=\xe4\x81\nlong=1\n")
                                           << QByteArray("[A]\n  \xfc    = \xe4\x81\n  long = 1\n");
        QTest::newRow("UTF-8 marks kept") << QByteArray("\xef\xbb\xbf[A]\n\xef\xbb\xbf[B]\n")
                                          << QByteArray("\xef\xbb\xbf[A]\n  \xef\xbb\xbf[B]\n");
        QTest::newRow("UTF-8 width in characters")
            << QByteArray("[A]\n\xc3\xbc=1\nab=2\n")
            << QByteArray("[A]\n  \xc3\xbc  = 1\n  ab = 2\n");
    }
    void tidy()
    {
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, after);
        const QString p = fileWith(before);
        QCOMPARE(INI_Tidy(p), qint16(0));
        QCOMPARE(get(p), after);
        QCOMPARE(INI_Tidy(p), qint16(0)); // a tidy file stays as it is
        QCOMPARE(get(p), after);
        QVERIFY(!QFile::exists(m_dir.filePath("tmptmp.tmp")));
    }

    // The installed files: a tidy changes their layout, never a value.
    void shippedFilesSurviveTidy_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("settings") << "zteditor.Ini";
        QTest::newRow("channel definitions") << "zteditor.Chn";
    }
    void shippedFilesSurviveTidy()
    {
        QFETCH(QString, name);
        const QString shipped = qEnvironmentVariable("ZT_BIN_DIR") + "/" + name;
        if (!QFile::exists(shipped))
            QSKIP("installation data not next to the programs");
        const QString p = fileWith(get(shipped));
        QStringList sections;
        static const QRegularExpression header(QStringLiteral("^\\s*\\[([^\\]]*)\\]"),
                                               QRegularExpression::MultilineOption);
        for (auto it = header.globalMatch(QString::fromUtf8(get(p))); it.hasNext();)
            sections << it.next().captured(1);
        const auto snapshot = [&] {
            QStringList all;
            for (const QString &sec : sections) {
                QStringList keys, values;
                INI_ReadSectionKeys(p, sec, keys, &values);
                for (qsizetype i = 0; i < keys.size(); ++i)
                    all << sec + "/" + keys[i] + "=" + values[i];
            }
            return all;
        };
        const QStringList before = snapshot();
        QVERIFY(before.size() > 10);
        QCOMPARE(INI_Tidy(p), qint16(0));
        QCOMPARE(snapshot(), before);
        const QByteArray tidied = get(p);
        QCOMPARE(INI_Tidy(p), qint16(0));
        QCOMPARE(get(p), tidied);
    }

    void tidyRefusals()
    {
        QCOMPARE(INI_Tidy(m_dir.filePath("none.Ini")), qint16(1000));
        const QByteArray early("k=1\n[A]\nj=2\n");
        const QString p = fileWith(early);
        QCOMPARE(INI_Tidy(p) / 1000, 3);
        QCOMPARE(get(p), early);
    }

    void tidyIgnoresStaleTemporary()
    {
        put(m_dir.filePath("tmptmp.tmp"), QByteArray(5000, 'J') + "\n[Junk]\n");
        const QString p = fileWith("[A]\nk=1\n");
        QCOMPARE(INI_Tidy(p), qint16(0));
        QCOMPARE(get(p), QByteArray("[A]\n  k = 1\n"));
    }

    // The replacement of the file fails: the settings stay as they were.
    void tidyFailedReplaceKeepsFile()
    {
#ifdef Q_OS_LINUX
        ZT_AS_ORDINARY_USER(); // root writes into any folder
        QTemporaryDir dir;
        const QString p = dir.filePath("keep.Ini");
        const QByteArray before("[A]\nk=1\n");
        put(p, before);
        put(dir.filePath("tmptmp.tmp"), "stale");
        // The folder refuses the rename; the existing temporary file is still writable.
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner);
        const auto restore = qScopeGuard([&] {
            QFile::setPermissions(dir.path(),
                                  QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        });
        QCOMPARE(INI_Tidy(p) / 1000, 12);
        QCOMPARE(get(p), before);
        QCOMPARE(INI_ReadValue(p, "A", "k", ""), QString("1"));
#else
        QSKIP("needs a Linux file system");
#endif
    }

    void restorePosition_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("withSize");
        QTest::addColumn<QList<int>>("expected"); // x, y, w, h
        QTest::newRow("absent: centred")
            << QByteArray() << true << QList<int>{9105, 3600, 10590, 9000};
        QTest::newRow("all zero: centred")
            << QByteArray("[Screen]\nCoord_X=0\nCoord_Y=0\nCoord_W=0\nCoord_H=0\n") << true
            << QList<int>{9105, 3600, 10590, 9000};
        QTest::newRow("stored")
            << QByteArray("[Screen]\nCoord_X=1530\nCoord_Y=900\nCoord_W=12000\nCoord_H=8000\n")
            << true << QList<int>{1530, 900, 12000, 8000};
        QTest::newRow("width 0 keeps own")
            << QByteArray("[Screen]\nCoord_X=15\nCoord_Y=9\nCoord_W=0\nCoord_H=-5\n") << true
            << QList<int>{15, 9, 10590, 9000};
        QTest::newRow("size not wanted")
            << QByteArray("[Screen]\nCoord_X=15\nCoord_Y=9\nCoord_W=500\nCoord_H=500\n") << false
            << QList<int>{15, 9, 10590, 9000};
        QTest::newRow("left monitor, fractions, text")
            << QByteArray("[Screen]\nCoord_X=-1500.5\nCoord_Y=12.7abc\nCoord_W=abc\n") << true
            << QList<int>{-1501, 12, 10590, 9000};
        QTest::newRow("beyond 16 bits clamped")
            << QByteArray("[Screen]\nCoord_X=1\nCoord_W=40000\nCoord_H=99999999999\n") << true
            << QList<int>{1, 0, 32767, 32767};
    }
    void restorePosition()
    {
        QFETCH(QByteArray, content);
        QFETCH(bool, withSize);
        QFETCH(QList<int>, expected);
        FakeGeometry g;
        g.x = g.y = -7;
        INI_RestoreFormPosition(g, fileWith(content), "Screen", "Coord_", withSize, withSize);
        QCOMPARE((QList<int>{g.x, g.y, g.w, g.h}), expected);
    }

    void savePosition()
    {
        FakeGeometry g;
        g.x = 1530, g.y = -20, g.w = 12000, g.h = 8000;
        const QString p = fileWith("[Screen]\nCoord_Y=1\n");
        INI_SaveFormPosition(g, p, "Screen", "Coord_", true, false);
        QCOMPARE(get(p), QByteArray("[Screen]\nCoord_Y=-20\nCoord_X=1530\nCoord_W=12000\n"));
        g.normal = false; // minimised or maximised: nothing stored
        const QString q = freshPath();
        INI_SaveFormPosition(g, q, "Screen", "Coord_");
        QVERIFY(!QFile::exists(q));
    }

    // Damaged files never crash a read; the first match still counts.
    void junkAndHugeFiles()
    {
        QByteArray junk;
        junk.reserve(50 * 1024 * 1024 + 100);
        quint32 seed = 12345;
        while (junk.size() < 50 * 1024 * 1024) {
            seed = seed * 1664525u + 1013904223u;
            junk += char(seed >> 24);
        }
        const QByteArray longLine(100000, 'L');
        QByteArray head("[A]\nk=first\nnul=a");
        head += '\0';
        head += "b\n" + longLine + "=" + longLine + "\n";
        const QString p = fileWith(head + junk + "\n[Z]\nk=" + longLine + "\n[A]\nk=second\n");
        QCOMPARE(INI_ReadValue(p, "A", "k", ""), QString("first"));
        QCOMPARE(INI_ReadValue(p, "Z", "k", ""), QString(127, u'L'));
        QCOMPARE(INI_ReadValue(p, "A", "nul", ""), QString::fromLatin1("a\0b", 3));
        QCOMPARE(INI_ReadValue(p, "A", QString(longLine), ""), QString(127, u'L'));
        QCOMPARE(INI_ReadValue(p, "none", "k", "d"), QString("d"));
        QStringList keys;
        QVERIFY(INI_ReadSectionKeys(p, "A", keys));
        QCOMPARE(keys.first(), QString("k"));
    }
};

QTEST_GUILESS_MAIN(TestIniTools)
#include "tst_initools.moc"
