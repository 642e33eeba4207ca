#include <QTemporaryDir>
#include <QtTest>

#include "FakeOperator.h"
#include "FakePageBridge.h"
#include "TestFiles.h"
#include "app/DataFileOpening.h"
#include "app/RecentFiles.h"
#include "app/ZtTools.h"
#include "log/AppLog.h"

namespace {
const char *const Catalogue = "[Messages_GER]\n"
                              "FileNotFound=Datei & nicht gefunden\n"
                              "ReadingData_Ok=Daten gelesen\n"
                              "ReadFromDisk_Err=Fehler & beim Lesen von &\n"
                              "QueryDiscardChanges=Verwerfen?\n";

// A program run whose pages hold codes of their own, so unsaved edits can be told.
struct Rig {
    QTemporaryDir dir;
    FakeOperator op;
    FakePageBridge pages;
    AppLog log{dir.path(), QStringLiteral("zteditor")};
    Messages messages{dir.filePath(QStringLiteral("zteditor.Ini"))};
    ZtTools zt{op, pages, log, messages};
    RecentFiles recent{dir.filePath(QStringLiteral("zteditor.recent"))};
    DataFileOpening opening{zt, recent};
    decltype(ButtonRecord::Buttons) shown{};

    Rig()
    {
        writeRaw(dir.filePath(QStringLiteral("zteditor.Ini")), Catalogue);
        messages.setLanguage(QStringLiteral("GER"));
        zt.setFiles({.appDir = dir.path(), .dataFile = path("zteditor.Dat")});
        pages.onToPages = [this] { shown = zt.data().DataRecord.Buttons; };
        pages.onFromPages = [this] { zt.data().DataRecord.Buttons = shown; };
        zt.data().DataRecord.button(1, 1) = 7;
        zt.data().DataSetDefault.button(1, 1) = 99;
        pages.DataSet_ToPages();
        zt.MarkDataClean();
    }
    QString path(const char *name) const { return dir.filePath(QLatin1String(name)); }
};

QByteArray dataFile(const QByteArray &version, qint16 a1)
{
    QByteArray b = version.leftJustified(10, ' ') + QByteArray(200, '\0');
    b[10] = char(a1);
    return b;
}
} // namespace

class TestDataFileOpening : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void open_data();
    void open();
    void recentFilesSurviveARestart();
};

void TestDataFileOpening::open_data()
{
    QTest::addColumn<QByteArray>("bytes"); // empty: no file
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<bool>("edited");
    QTest::addColumn<QList<bool>>("answers");
    QTest::addColumn<QString>("box"); // the start of the one box shown, empty for none
    QTest::addColumn<qint16>("a1");   // code A1 shown afterwards; 7 when nothing was loaded
    QTest::newRow("data file") << dataFile("1.0", 5) << true << false << QList<bool>{} << ""
                               << qint16(5);
    QTest::newRow("no such file") << QByteArray() << true << false << QList<bool>{} << "Datei "
                                  << qint16(7);
    QTest::newRow("not a data file")
        << QByteArray("hello\n") << true << false << QList<bool>{} << "  Fehler " << qint16(7);
    QTest::newRow("other version")
        << dataFile("2.0", 5) << true << false << QList<bool>{} << "Versionskonflikt" << qint16(7);
    QTest::newRow("loading switched off")
        << dataFile("1.0", 5) << false << false << QList<bool>{} << "Das Laden" << qint16(7);
    // A drop or a recent file: refused before the unsaved edits are asked about.
    QTest::newRow("loading switched off, edits")
        << dataFile("1.0", 5) << false << true << QList<bool>{} << "Das Laden" << qint16(8);
    QTest::newRow("edits kept") << dataFile("1.0", 5) << true << true << QList<bool>{false}
                                << "Verwerfen?" << qint16(8);
    QTest::newRow("edits dropped")
        << dataFile("1.0", 5) << true << true << QList<bool>{true} << "Verwerfen?" << qint16(5);
}

// Loaded: the file's codes on the pages, the data file, the newest recent file, nothing
// unsaved. Refused: one box, and pages, data file, recent files and unsaved state as before.
void TestDataFileOpening::open()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, enabled);
    QFETCH(bool, edited);
    QFETCH(QList<bool>, answers);
    QFETCH(QString, box);
    QFETCH(qint16, a1);
    Rig rig;
    const QString file = rig.path("site7.DAT");
    if (!bytes.isEmpty())
        writeRaw(file, bytes);
    rig.zt.setupFlags().SaveLoadEnabled = enabled;
    if (edited)
        rig.shown[0][0] = 8;
    rig.op.answers = answers;

    const bool loaded = rig.opening.open(file, edited ? DataFileOpening::Ask::UnsavedEdits
                                                      : DataFileOpening::Ask::Nothing);
    QCOMPARE(loaded, a1 == 5);
    QCOMPARE(rig.shown[0][0], a1);
    QCOMPARE(rig.op.boxes.size(), box.isEmpty() ? 0 : 1);
    if (!box.isEmpty())
        QVERIFY2(rig.op.boxes[0].text.startsWith(box), qPrintable(rig.op.boxes[0].text));
    QCOMPARE(rig.zt.dataFileName(), loaded ? file : rig.path("zteditor.Dat"));
    QCOMPARE(rig.recent.files(), loaded ? QStringList{file} : QStringList{});
    QCOMPARE(rig.zt.DataModified(), edited && !loaded);
    if (loaded)
        QCOMPARE(rig.op.status.trimmed(), QStringLiteral("Daten gelesen"));
    // The editor reset still brings the default data back.
    QCOMPARE(rig.zt.data().DataSetDefault.button(1, 1), qint16(99));
}

// The newest first, each once, at most eight, still there for the next run.
void TestDataFileOpening::recentFilesSurviveARestart()
{
    QTemporaryDir dir;
    const QString list = dir.filePath(QStringLiteral("zteditor.recent"));
    {
        RecentFiles recent(list);
        for (int i = 1; i <= 10; ++i)
            recent.add(dir.filePath(QStringLiteral("f%1.DAT").arg(i)));
        recent.add(dir.filePath(QStringLiteral("f5.DAT")));
    }
    QStringList expected{dir.filePath(QStringLiteral("f5.DAT"))};
    for (int i = 10; expected.size() < RecentFiles::MaxFiles; --i)
        if (i != 5)
            expected << dir.filePath(QStringLiteral("f%1.DAT").arg(i));
    QCOMPARE(RecentFiles(list).files(), expected);
    QCOMPARE(readAll(list).count('\n'), RecentFiles::MaxFiles);
}

QTEST_GUILESS_MAIN(TestDataFileOpening)
#include "tst_datafileopening.moc"
