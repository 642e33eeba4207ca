#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include "DevSim.h"
#include "FakeOperator.h"
#include "FakePageBridge.h"
#include "TestFiles.h"

#include "app/KeySheet.h"
#include "app/ZtTools.h"
#include "data/ChannelDef.h"
#include "gui/app/KeySheetPrinter.h"
#include "log/AppLog.h"

namespace {
// The shipped settings, channels and default data: what ztcfg reads too.
struct Rig {
    QTemporaryDir dir;
    FakeOperator op;
    FakePageBridge pages;
    AppLog log{dir.path(), QStringLiteral("site7")};
    Messages messages;
    ZtTools zt{op, pages, log, messages};

    Rig()
    {
        const QString bin = DevSim::binDir();
        zt.setFiles({.appDir = dir.path(),
                     .exeName = QStringLiteral("site7"),
                     .iniFile = bin + QStringLiteral("/zteditor.Ini"),
                     .dataFile = bin + QStringLiteral("/zteditor.Dat")});
        messages.setIniFile(zt.iniFileName());
        messages.setLanguage(QStringLiteral("GER"));
        zt.setNotDefinedText(messages.text(QStringLiteral("NotDefined")));
        CodeList channels, canBus;
        ChannelDef_ReadLists(bin + QStringLiteral("/zteditor.Chn"), QStringLiteral("GER"), channels,
                             canBus);
        zt.setCodeLists(channels, canBus);
        zt.setupFlags().CountKeyRows = 25;
        zt.setupFlags().CountKeyCols = 4;
        zt.data().DataRecord = DataFile::decode(readAll(zt.dataFileName()));
        zt.data().TextStatus[1].set(QStringLiteral("Halle Nord"));
        zt.data().CanBusAddr = 12;
    }
    QString path(const char *name) const { return dir.filePath(QLatin1String(name)); }
};

QString pdfText(const QString &pdf)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    if (!p.waitForFinished(30000) || p.exitCode() != 0)
        return QStringLiteral("<pdftotext failed>");
    return QString::fromUtf8(p.readAllStandardOutput());
}
} // namespace

class TestKeySheet : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void pdfOnEachPaperSize_data();
    void pdfOnEachPaperSize();
    void csvAgreesWithZtcfg();
    void csvQuotes();
    void failingPrinterChangesNothing();
};

void TestKeySheet::pdfOnEachPaperSize_data()
{
    QTest::addColumn<int>("size");
    QTest::newRow("A4") << int(QPageSize::A4);
    QTest::newRow("Letter") << int(QPageSize::Letter);
}

// Every key on the pages, by group, row, code and label, on as many numbered pages as
// it takes; the header names the site, the file, the status texts and the addresses.
void TestKeySheet::pdfOnEachPaperSize()
{
    QFETCH(int, size);
    Rig rig;
    const QString pdf = rig.path("sheet.pdf");
    KeySheetPrinter printer(rig.zt, nullptr);
    QVERIFY(printer.writePdf(pdf, QPageSize::PageSizeId(size)));
    const QString text = pdfText(pdf);
    const qsizetype pages = text.count(u'\f');
    QVERIFY2(pages >= 2, qPrintable(text)); // 100 keys do not fit one page at 10 points
    for (qsizetype n = 1; n <= pages; ++n)
        QVERIFY(text.contains(QStringLiteral("Seite %1 von %2").arg(n).arg(pages)));
    // A long path is shortened in its middle: the file's name stays.
    for (const QString &s : {QStringLiteral("Tastenbelegung \u2013 site7"),
                             QFileInfo(rig.zt.dataFileName()).fileName(),
                             QStringLiteral("Halle Nord"), QStringLiteral("CAN-Bus-Adresse")})
        QVERIFY2(text.contains(s), qPrintable(s));
    const KeySheet sheet = MakeKeySheet(rig.zt, QDate::currentDate());
    QCOMPARE(sheet.keys.size(), 100);
    for (const KeySheet::Key &k : sheet.keys) {
        const QRegularExpression line(QStringLiteral("(^|\\n)\\s*%1\\s+%2\\s+%3\\s+%4")
                                          .arg(k.group)
                                          .arg(k.row)
                                          .arg(k.code)
                                          .arg(QRegularExpression::escape(k.label)));
        QVERIFY2(text.contains(line), qPrintable(line.pattern()));
    }
    QVERIFY(rig.op.boxes.isEmpty());
}

// The CSV of a file holds the codes and labels ztcfg shows for it, key by key.
void TestKeySheet::csvAgreesWithZtcfg()
{
    Rig rig;
    rig.zt.setupFlags().CountKeyRows = 20; // only the keys shown
    rig.zt.setupFlags().CountKeyCols = 3;
    const QString csv = rig.path("keys.csv");
    rig.op.dialogNames << csv;
    ExportKeySheetCsv(rig.zt);

    QProcess ztcfg;
    const QString bin = DevSim::binDir();
    ztcfg.start(bin + QStringLiteral("/ztcfg"),
                {QStringLiteral("show"), rig.zt.dataFileName(), QStringLiteral("--channels"),
                 bin + QStringLiteral("/zteditor.Chn"), QStringLiteral("--ini"),
                 rig.zt.iniFileName(), QStringLiteral("--language"), QStringLiteral("GER"),
                 QStringLiteral("--json")});
    QVERIFY(ztcfg.waitForFinished(30000));
    const QJsonObject json = QJsonDocument::fromJson(ztcfg.readAllStandardOutput()).object();
    QStringList expected{QStringLiteral("group,row,code,label")};
    for (int g = 0; g < 3; ++g)
        for (int r = 0; r < 20; ++r)
            expected << QStringLiteral("%1,%2,%3,%4")
                            .arg(QChar(u'A' + g))
                            .arg(r + 1)
                            .arg(json[QStringLiteral("codes")][g][r].toInt())
                            .arg(json[QStringLiteral("labels")][g][r].toString());
    QCOMPARE(QString::fromUtf8(readAll(csv)),
             expected.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"));
}

void TestKeySheet::csvQuotes()
{
    KeySheet sheet;
    sheet.keys << KeySheet::Key{QStringLiteral("A"), 1, 5, QStringLiteral("Mikro \"Ost\", Ü")};
    QCOMPARE(KeySheetCsv(sheet), QByteArray("group,row,code,label\r\nA,1,5,\"Mikro \"\"Ost\"\", "
                                            "\xC3\x9C\"\r\n"));
}

// A printer that refuses: one box naming it, the data as it was.
void TestKeySheet::failingPrinterChangesNothing()
{
    Rig rig;
    const DataSet before = rig.zt.data();
    QPrinter printer;
    printer.setOutputFormat(QPrinter::PdfFormat);
    const QString nowhere = rig.path("missing/sheet.pdf");
    printer.setOutputFileName(nowhere);
    KeySheetPrinter sheetPrinter(rig.zt, nullptr);
    QVERIFY(!sheetPrinter.print(printer));
    QCOMPARE(rig.op.boxes.size(), 1);
    QVERIFY2(rig.op.boxes[0].text.contains(nowhere), qPrintable(rig.op.boxes[0].text));
    QCOMPARE(rig.zt.data().DataRecord, before.DataRecord);
    QCOMPARE(rig.zt.dataFileName(), DevSim::binDir() + QStringLiteral("/zteditor.Dat"));
}

QTEST_MAIN(TestKeySheet)
#include "tst_keysheet.moc"
