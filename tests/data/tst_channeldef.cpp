#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include "FakeOperator.h"
#include "FakePageBridge.h"
#include "TestFiles.h"
#include "app/ZtTools.h"
#include "data/ChannelDef.h"
#include "log/AppLog.h"
#include "settings/INITools.h"

namespace {

// "label=code" per entry, "label=-" for an entry without code.
QString describe(const CodeList &list)
{
    QStringList out;
    for (const CodeEntry &e : list)
        out << e.label + QLatin1Char('=') +
                   (e.hasCode ? QString::number(e.code) : QStringLiteral("-"));
    return out.join(QLatin1Char('|'));
}

} // namespace

class TestChannelDef : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void lists_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("result");
        QTest::addColumn<QString>("channels");
        QTest::addColumn<QString>("canBus");

        QTest::newRow("both sections")
            << QByteArray("[DATA_CHAN_GER]\n10=Mic 1\n11=Mic 2\n[DATA_CANBUS_ADDR_GER]\n1=Adr 1\n")
            << 0 << "Mic 1=10|Mic 2=11"
            << "Adr 1=1";
        QTest::newRow("section names in lower case")
            << QByteArray("[data_chan_ger]\r\n10=Mic 1\r\n11=Mic 2\r\n") << 0 << "Mic 1=10|Mic 2=11"
            << "";
        QTest::newRow("comment and tabs")
            << QByteArray("[DATA_CHAN_GER]\n10=Mic 1 ; first mic\n11=\tMic\t2\t\n") << 0
            << "Mic 1=10|Mic2=11"
            << "";
        QTest::newRow("signed keys")
            << QByteArray("[DATA_CHAN_GER]\n-5=Heading\n+7=Plus\n007=Seven\n") << 0
            << "Heading=-5|Plus=7|Seven=7"
            << "";
        QTest::newRow("32-bit limits")
            << QByteArray("[DATA_CHAN_GER]\n2147483647=Max\n-2147483648=Min\n") << 0
            << "Max=2147483647|Min=-2147483648"
            << "";
        QTest::newRow("non-numeric in CAN bus list")
            << QByteArray("[DATA_CHAN_GER]\n10=Mic 1\n11=Mic 2\n"
                          "[DATA_CANBUS_ADDR_GER]\n1=Adr 1\nA1=Bad\n2=Never\n")
            << 3 << "Mic 1=10|Mic 2=11"
            << "Adr 1=1|Bad=-";
        // Both lists come from one pass over the file, whichever section comes first.
        QTest::newRow("CAN bus section first")
            << QByteArray("[DATA_CANBUS_ADDR_GER]\n1=Adr 1\n[DATA_CHAN_GER]\n10=Mic 1\n") << 0
            << "Mic 1=10"
            << "Adr 1=1";
        QTest::newRow("channel failure leaves the CAN bus list")
            << QByteArray("[DATA_CANBUS_ADDR_GER]\n1=Adr 1\n[DATA_CHAN_GER]\nX=Bad\n") << 3
            << "Bad=-"
            << "old=2";
        QTest::newRow("channel failure reported before a CAN bus one")
            << QByteArray("[DATA_CANBUS_ADDR_GER]\nA=Bad\n[DATA_CHAN_GER]\n2147483648=Big\n") << 2
            << "Big=-"
            << "old=2";
        QTest::newRow("only the first section of a name")
            << QByteArray("[DATA_CHAN_GER]\n1=A\n[DATA_CANBUS_ADDR_GER]\n2=B\n"
                          "[DATA_CHAN_GER]\n3=C\n[DATA_CANBUS_ADDR_GER]\n4=D\n")
            << 0 << "A=1"
            << "B=2";
        QTest::newRow("hex is not a number")
            << QByteArray("[DATA_CHAN_GER]\n0x10=Hex\n") << 3 << "Hex=-"
            << "";
        QTest::newRow("basic hex is not a number")
            << QByteArray("[DATA_CHAN_GER]\n&H10=Hex\n") << 3 << "Hex=-"
            << "";
        QTest::newRow("sign alone is not a number")
            << QByteArray("[DATA_CHAN_GER]\n1=One\n-=Dash\n") << 3 << "One=1|Dash=-"
            << "";
        QTest::newRow("fraction is not a number")
            << QByteArray("[DATA_CHAN_GER]\n1=One\n1.5=Half\n") << 3 << "One=1|Half=-"
            << "";
        QTest::newRow("beyond 32 bits")
            << QByteArray("[DATA_CHAN_GER]\n1=One\n1099511627776=Big\n2=Two\n") << 2
            << "One=1|Big=-"
            << "";
        QTest::newRow("one past 32 bits")
            << QByteArray("[DATA_CHAN_GER]\n2147483648=Big\n") << 2 << "Big=-"
            << "";
        QTest::newRow("one below 32 bits")
            << QByteArray("[DATA_CHAN_GER]\n-2147483649=Small\n") << 2 << "Small=-"
            << "";
        QTest::newRow("beyond 64 bits")
            << QByteArray("[DATA_CHAN_GER]\n99999999999999999999999=Huge\n") << 2 << "Huge=-"
            << "";
        QTest::newRow("other language only")
            << QByteArray("[DATA_CHAN_ENG]\n10=Mic 1\n[DATA_CANBUS_ADDR_ENG]\n1=Adr\n") << 0 << ""
            << "";
        QTest::newRow("Windows-1252 label") << QByteArray("[DATA_CHAN_GER]\n3=Ger\xE4t\n") << 0
                                            << QString::fromUtf8("Gerät=3") << "";
    }
    void lists()
    {
        QFETCH(QByteArray, file);
        QFETCH(int, result);
        QFETCH(QString, channels);
        QFETCH(QString, canBus);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("chan.ini"));
        writeRaw(path, file);
        // Lists from an earlier reading are replaced, not extended.
        CodeList chan{{QStringLiteral("old"), 1, true}}, can{{QStringLiteral("old"), 2, true}};
        QCOMPARE(ChannelDef_ReadLists(path, QStringLiteral("GER"), chan, can), result);
        QCOMPARE(describe(chan), channels);
        if (result == 0 || !canBus.isEmpty())
            QCOMPARE(describe(can), canBus);
    }

    void missingFileGivesEmptyLists()
    {
        QTemporaryDir dir;
        CodeList chan, can;
        QCOMPARE(ChannelDef_ReadLists(dir.filePath(QStringLiteral("none.ini")),
                                      QStringLiteral("GER"), chan, can),
                 0);
        QVERIFY(chan.isEmpty() && can.isEmpty());
    }

    void manyEntries()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("big.ini"));
        QByteArray text("[DATA_CHAN_GER]\n");
        for (int i = 1; i <= 50000; ++i)
            text += QByteArray::number(i) + "=Channel " + QByteArray::number(i) + '\n';
        writeRaw(path, text);
        CodeList chan, can;
        QCOMPARE(ChannelDef_ReadLists(path, QStringLiteral("GER"), chan, can), 0);
        QCOMPARE(chan.size(), 50000);
        QCOMPARE(describe(chan.mid(49998)),
                 QStringLiteral("Channel 49999=49999|Channel 50000=50000"));
    }

    void junkDoesNotCrash()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("junk.ini"));
        QRandomGenerator rng(4711);
        for (int round = 0; round < 50; ++round) {
            QByteArray bytes(4096, '\0');
            for (char &c : bytes)
                c = char(rng.bounded(256));
            if (round % 2)
                bytes.prepend("[DATA_CHAN_GER]\n");
            writeRaw(path, bytes);
            CodeList chan, can;
            const int r = ChannelDef_ReadLists(path, QStringLiteral("GER"), chan, can);
            QVERIFY(r == 0 || r == 2 || r == 3);
        }
    }

    // The one-pass reading sees the file as the section functions do (sections, encodings,
    // repeated keys, value clean-up): every seed of the settings and channel fuzzers.
    void sameAsSectionFunctions()
    {
        QDir seeds(QFINDTESTDATA("../fuzz/corpus"));
        QStringList files;
        for (const QString &fuzzer :
             {QStringLiteral("fuzz_channeldef"), QStringLiteral("fuzz_profile")})
            for (const QFileInfo &f : QDir(seeds.filePath(fuzzer)).entryInfoList(QDir::Files))
                files << f.filePath();
        QVERIFY(files.size() > 100);
        for (const QString &path : files) {
            CodeList lists[2];
            const int result =
                ChannelDef_ReadLists(path, QStringLiteral("GER"), lists[0], lists[1]);
            const QString sections[2] = {QStringLiteral("DATA_CHAN_GER"),
                                         QStringLiteral("DATA_CANBUS_ADDR_GER")};
            for (int n = 0; n < (result == 0 ? 2 : 1); ++n) {
                QStringList keys, values;
                INI_ReadSectionKeys(path, sections[n], keys, &values);
                const CodeList &list = lists[n];
                QVERIFY2(result == 0 ? list.size() == keys.size() : list.size() <= keys.size(),
                         qPrintable(path));
                for (qsizetype i = 0; i < list.size(); ++i) {
                    QVERIFY2(list[i].label == values[i], qPrintable(path));
                    QVERIFY2(!list[i].hasCode || list[i].code == keys[i].toInt(), qPrintable(path));
                }
            }
        }
    }

    // The file is named by key Channel_DataDef, relative to the application folder.
    void fileNameFromSettings_data()
    {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<int>("result");
        QTest::newRow("blank") << QByteArray("   ") << 1;
        QTest::newRow("missing") << QByteArray() << 1;
        QTest::newRow("relative") << QByteArray("Channel_DataDef=sub/chan.ini") << 0;
        QTest::newRow("windows separator") << QByteArray("Channel_DataDef=sub\\chan.ini") << 0;
    }
    void fileNameFromSettings()
    {
        QFETCH(QByteArray, value);
        QFETCH(int, result);
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("sub")));
        writeRaw(dir.filePath(QStringLiteral("sub/chan.ini")),
                 "[DATA_CHAN_GER]\n10=Mic 1\n[DATA_CANBUS_ADDR_GER]\n5=Adr 5\n");
        const QByteArray line = value.startsWith("Channel") ? value : "Channel_DataDef=" + value;
        writeRaw(dir.filePath(QStringLiteral("zteditor.Ini")),
                 "[Main]\n" + (value.isEmpty() ? QByteArray() : line) + "\n");
        FakeOperator op;
        FakePageBridge pages;
        AppLog log(dir.path(), QStringLiteral("zteditor"));
        Messages messages(dir.filePath(QStringLiteral("zteditor.Ini")));
        ZtTools zt(op, pages, log, messages);
        zt.setFiles(
            {.appDir = dir.path(), .iniFile = dir.filePath(QStringLiteral("zteditor.Ini"))});
        QCOMPARE(zt.ChannelDef_Read(), result);
        QCOMPARE(describe(zt.channelList()), result == 0 ? QStringLiteral("Mic 1=10") : QString());
        QCOMPARE(describe(zt.canBusList()), result == 0 ? QStringLiteral("Adr 5=5") : QString());
    }
};

QTEST_GUILESS_MAIN(TestChannelDef)
#include "tst_channeldef.moc"
