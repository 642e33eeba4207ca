#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QtTest>

#include "FakeOperator.h"
#include "FakePageBridge.h"
#include "StringSink.h"
#include "TestFiles.h"
#include "Unprivileged.h"
#include "app/ZtTools.h"
#include "common/Tools.h"
#include "common/ZtError.h"
#include "log/AppLog.h"

namespace {

const char *const Catalogue = R"([Main]
Language=GER

[Messages_GER]
SaveAs=Speichern unter
OpenFile=Datei öffnen
DataFile=Datendatei
ConfigFile=Konfiguration
QueryOverwrite=Datei & überschreiben?
FileNotFound=Datei & nicht gefunden
WritingData=Schreibe Daten
WritingFile=Schreibe Datei &
WritingData_Ok=Daten geschrieben
WriteToDisk_Err=Fehler & beim Schreiben von &
QueryReadData=Daten aus & lesen?
ReadingData=Lese Daten
ReadingFile=Lese Datei &
ReadingData_Ok=Daten gelesen
ReadingData_Err=Datei & nicht vorhanden
ReadFromDisk_Err=Fehler & beim Lesen von &
QueryDataReset=Zurücksetzen?
QueryDiscardChanges=Änderungen verwerfen?
ResetDone=Zurückgesetzt
QueryEndProg=Beenden?
QueryEndProg_ByUser=Ende durch Benutzer
QueryEndProg_NoQuery=Ende ohne Frage
EndProg_Err=Fehler beim Beenden: &

[Screen]
Coord_X=111
)";

const QString Caption = QStringLiteral("ZT DerUvav Version 1.0 Build 5");
const QString CrLf = QStringLiteral("\r\n");

// A record with a code in every group, and its file form.
ButtonRecord fileRecord()
{
    ButtonRecord r;
    r.Version.set(QStringLiteral("1.0"));
    r.button(1, 1) = 101;
    r.button(2, 7) = -2;
    r.button(3, 25) = 32767;
    r.button(4, 1) = 4;
    return r;
}

QByteArray fileBytes(const QByteArray &version)
{
    QByteArray b = version.leftJustified(10, ' ', true) + QByteArray(200, '\0');
    b[10] = 101;             // A1
    b[60 + 12] = char(0xFE); // B7 = -2
    b[60 + 13] = char(0xFF);
    b[110 + 48] = char(0xFF); // C25 = 32767
    b[110 + 49] = 0x7F;
    b[160] = 4; // D1
    return b;
}

// Operator, pages, log and catalogue of one program run in a temporary folder.
struct Rig {
    QTemporaryDir dir;
    FakeOperator op;
    FakePageBridge pages;
    StringSink sink;
    AppLog log{dir.path(), QStringLiteral("zteditor")};
    Messages messages{dir.filePath(QStringLiteral("zteditor.Ini"))};
    ZtTools zt{op, pages, log, messages};

    Rig()
    {
        writeRaw(ini(), Catalogue);
        messages.setLanguage(QStringLiteral("GER"));
        zt.setFiles({.appDir = dir.path(),
                     .exeName = QStringLiteral("zteditor"),
                     .iniFile = ini(),
                     .dataFile = path(QStringLiteral("zteditor.Dat"))});
        log.OpenLog(logFile(), &sink);
    }
    QString path(const QString &name) const { return dir.filePath(name); }
    QString ini() const { return path(QStringLiteral("zteditor.Ini")); }
    QString logFile() const { return path(QStringLiteral("test.Log")); }

    // The texts of the log's entry lines, in order.
    QStringList logEntries() const
    {
        QStringList out;
        const QString all = QString::fromUtf8(readAll(logFile()));
        for (const QString &line : all.split(CrLf)) {
            const qsizetype p = line.indexOf(QLatin1String(">  "));
            if (p >= 0)
                out << line.mid(p + 3);
        }
        return out;
    }
};

// Makes a folder read-only for the life of the object by its permissions (which bind
// ordinary users only). Files already in it stay writable, as with a folder that only lost
// its write right.
class ReadOnlyFolder {
public:
    explicit ReadOnlyFolder(const QString &path) : m_path(path)
    {
        QFile::setPermissions(path, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup |
                                        QFile::ExeGroup);
    }
    ~ReadOnlyFolder()
    {
        QFile::setPermissions(m_path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    // False when the permissions do not stop a new file in the folder.
    bool holds() const
    {
        QFile probe(m_path + QStringLiteral("/probe"));
        if (!probe.open(QIODevice::WriteOnly))
            return true;
        probe.remove();
        return false;
    }

private:
    QString m_path;
};

// Writes the first half of the file, then fails as a full disk does.
class DiskFullIo : public DataFileIo {
protected:
    void writeBytes(QSaveFile &file, QByteArrayView bytes) override
    {
        file.write(bytes.data(), bytes.size() / 2);
        throw ZtError(28, QStringLiteral("No space left on device"));
    }
};

QString versionConflict(const QString &file, const QString &version)
{
    return QStringLiteral("Versionskonflikt: Die Datei '") + file +
           QStringLiteral("' kann nicht gelesen werden (Datei = '") + version +
           QStringLiteral("' <> Programm = '1.0').");
}

} // namespace

class TestZtTools : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void statusText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("tip");
        QTest::newRow("two blanks") << "  Ready"
                                    << " Ready"
                                    << "Ready";
        QTest::newRow("blanks both sides") << "   a b  "
                                           << " a b"
                                           << "a b";
        QTest::newRow("empty") << ""
                               << " "
                               << "";
    }
    void statusText()
    {
        QFETCH(QString, text);
        QFETCH(QString, shown);
        QFETCH(QString, tip);
        Rig rig;
        rig.zt.StatusText(text);
        QCOMPARE(rig.op.status, shown);
        QCOMPARE(rig.op.statusToolTip, tip);
    }

    void dialogFilters_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("filter");
        QTest::newRow("data") << 1 << "ZT DerUvav Datendatei  (*.DAT *.dat *.Dat)";
        QTest::newRow("cns") << 2 << "ZT DerUvav Konfiguration  (*.CNS *.cns *.Cns)";
        QTest::newRow("cng") << 3 << "ZT DerUvav Konfiguration  (*.CNG *.cng *.Cng)";
    }
    void dialogFilters()
    {
        QFETCH(int, kind);
        QFETCH(QString, filter);
        Rig rig;
        rig.op.dialogNames = {rig.path("new.x"), rig.path("new.x")};
        QCOMPARE(rig.zt.SaveAsDialog(QStringLiteral("start"), kind), rig.path("new.x"));
        QCOMPARE(rig.zt.OpenFileDialog(QStringLiteral("start"), kind), QString());
        QCOMPARE(rig.op.events, QStringList({"save dialog Speichern unter|" + filter + "|start",
                                             "open dialog Datei öffnen|" + filter + "|start"}));
        // The open dialog's name does not exist: one box, titled with the caption.
        QCOMPARE(rig.op.boxes.size(), 1);
        QCOMPARE(rig.op.boxes[0].text, "Datei " + rig.path("new.x") + " nicht gefunden");
        QCOMPARE(rig.op.boxes[0].icon, BoxIcon::Exclamation);
        QCOMPARE(rig.op.boxes[0].title, Caption);
    }

    void saveWritesTheExactBytes()
    {
        Rig rig;
        rig.zt.data().DataRecord = fileRecord();
        rig.zt.data().DataRecord.Version.set(QStringLiteral("9.9"));
        const QString target = rig.path("out.DAT");
        rig.op.dialogNames = {target};
        rig.zt.WriteDataFile();

        QCOMPARE(readAll(target), fileBytes("1.0"));
        QCOMPARE(rig.zt.dataFileName(), target);
        QCOMPARE(rig.op.statusHistory, QStringList({" Schreibe Daten", " Daten geschrieben"}));
        QCOMPARE(rig.op.statusToolTip, QStringLiteral("Daten geschrieben"));
        QCOMPARE(rig.logEntries(),
                 QStringList({"  Schreibe Datei " + target, "  Daten geschrieben"}));
        QVERIFY(rig.op.boxes.isEmpty());
    }

    void saveCancelledWritesNothing()
    {
        Rig rig;
        const QString before = rig.zt.dataFileName();
        rig.zt.WriteDataFile(); // the dialog returns no name
        QCOMPARE(rig.zt.dataFileName(), before);
        QVERIFY(!QFile::exists(before));
        QVERIFY(rig.op.statusHistory.isEmpty());
        QVERIFY(rig.logEntries().isEmpty());
    }

    void overwriteQuestion_data()
    {
        QTest::addColumn<bool>("yes");
        QTest::newRow("declined") << false;
        QTest::newRow("accepted") << true;
    }
    void overwriteQuestion()
    {
        QFETCH(bool, yes);
        Rig rig;
        const QString target = rig.path("old.DAT");
        const QByteArray old(4096, 'o');
        writeRaw(target, old);
        rig.zt.data().DataRecord = fileRecord();
        rig.op.dialogNames = {target};
        rig.op.answers = {yes};
        const QString before = rig.zt.dataFileName();
        rig.zt.WriteDataFile();

        QCOMPARE(rig.op.boxes.size(), 1);
        QCOMPARE(rig.op.boxes[0].text, "Datei " + target + " überschreiben?");
        QCOMPARE(rig.op.boxes[0].icon, BoxIcon::Question);
        QCOMPARE(rig.op.boxes[0].title, Caption);
        QCOMPARE(readAll(target), yes ? fileBytes("1.0") : old);
        QCOMPARE(rig.zt.dataFileName(), yes ? target : before);
    }

    void interruptedSaveKeepsTheOldFile()
    {
        Rig rig;
        DiskFullIo full;
        rig.zt.setDataFileIo(full);
        const QString target = rig.path("keep.DAT");
        const QByteArray old = fileBytes("1.0").replace(10, 1, "\x55");
        writeRaw(target, old);
        rig.op.dialogNames = {target};
        rig.zt.WriteDataFile();

        QCOMPARE(readAll(target), old);
        QCOMPARE(QDir(rig.dir.path()).entryList({"*.DAT", "*keep*"}, QDir::Files | QDir::Hidden),
                 QStringList{"keep.DAT"});
        const QString err = "  Fehler No space left on device beim Schreiben von " + target;
        QCOMPARE(rig.op.boxes.size(), 2); // the overwrite question, then the failure
        QCOMPARE(rig.op.boxes[1].text, err);
        QCOMPARE(rig.op.boxes[1].icon, BoxIcon::Exclamation);
        QCOMPARE(rig.op.boxes[1].title, QStringLiteral("zteditor"));
        QCOMPARE(rig.logEntries(), QStringList({"  Schreibe Datei " + target, err}));
        QCOMPARE(rig.op.status, QStringLiteral(" Schreibe Daten"));
    }

    void load_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("shownVersion"); // for a version conflict
        QTest::addColumn<QString>("failure");      // part of the ReadFromDisk_Err description
        QTest::newRow("version 1.0") << fileBytes("1.0") << true << ""
                                     << "";
        QTest::newRow("1.0 behind blanks") << fileBytes("   1.0") << true << ""
                                           << "";
        QTest::newRow("longer file") << fileBytes("1.0") + QByteArray(3886, '\x33') << true << ""
                                     << "";
        QTest::newRow("version 2.0") << fileBytes("2.0") << false << "2.0"
                                     << "";
        QTest::newRow("letters") << fileBytes("abc") << false << "0.0"
                                 << "";
        QTest::newRow("negative") << fileBytes("-1") << false << "-1"
                                  << "";
        QTest::newRow("blank") << fileBytes("") << false << "0.0"
                               << "";
        QTest::newRow("empty file") << QByteArray() << false << ""
                                    << "0 bytes";
        QTest::newRow("one byte short") << fileBytes("1.0").left(209) << false << ""
                                        << "209 bytes";
    }
    void load()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, ok);
        QFETCH(QString, shownVersion);
        QFETCH(QString, failure);
        Rig rig;
        const QString file = rig.path("in.DAT");
        writeRaw(file, bytes);
        ButtonRecord image;
        image.button(2, 2) = 22;
        rig.zt.data().DataSetDefault = image;
        rig.zt.data().DataRecord.button(4, 4) = 44;
        rig.zt.data().TextStatus[1].set(QStringLiteral("status"));
        rig.zt.data().ACUVersion.set(QStringLiteral("0815"));
        rig.zt.data().CanBusAddr = 7;
        const DataSet before = rig.zt.data();
        rig.op.dialogNames = {file};

        QCOMPARE(rig.zt.ReadDataFile(), ok);

        QCOMPARE(rig.zt.dataFileName(), file);
        QCOMPARE(rig.op.boxes[0].text, "Daten aus " + file + " lesen?");
        QCOMPARE(rig.op.boxes[0].icon, BoxIcon::Stop);
        QCOMPARE(rig.op.boxes[0].title, Caption);
        QVERIFY(!rig.op.hourglass);
        // Only the button part comes from a file.
        QCOMPARE(rig.zt.data().TextStatus, before.TextStatus);
        QCOMPARE(rig.zt.data().ACUVersion, before.ACUVersion);
        QCOMPARE(rig.zt.data().CanBusAddr, before.CanBusAddr);
        QCOMPARE(rig.zt.data().DataSetDefault, image);
        // The reset before reading shows the reset image on the pages.
        QCOMPARE(rig.pages.calls.mid(0, 2), QStringList({"to", "focus"}));

        QStringList log{"Lese Datei " + file};
        if (!failure.isEmpty()) {
            QCOMPARE(rig.zt.data().DataRecord, image); // nothing of the short file
            QCOMPARE(rig.op.boxes.size(), 2);
            const QString text = rig.op.boxes[1].text;
            QVERIFY2(text.startsWith("  Fehler ") && text.endsWith(" beim Lesen von " + file) &&
                         text.contains(failure) && text.contains("210"),
                     qPrintable(text));
            QCOMPARE(rig.op.boxes[1].icon, BoxIcon::Exclamation);
            QCOMPARE(rig.op.boxes[1].title, QStringLiteral("zteditor"));
            QCOMPARE(rig.logEntries(), log << text);
            return;
        }
        // Codes are kept even when the version is refused; the version is stored trimmed.
        QCOMPARE(rig.zt.data().DataRecord.Buttons, fileRecord().Buttons);
        QCOMPARE(rig.zt.data().DataRecord.Version.text(),
                 QString::fromLatin1(bytes.left(10).trimmed()).leftJustified(10));
        log << "Daten gelesen";
        if (ok) {
            QCOMPARE(rig.op.boxes.size(), 1);
            QCOMPARE(rig.op.status, QStringLiteral(" Daten gelesen"));
        } else {
            const QString german = versionConflict(file, shownVersion);
            const QString english = "Version conflict: The file '" + file +
                                    "' cannot be read (file = '" + shownVersion +
                                    "' <> program = '1.0').";
            QCOMPARE(rig.op.boxes.size(), 2);
            QCOMPARE(rig.op.boxes[1].text, german + CrLf + CrLf + english + CrLf + CrLf);
            QCOMPARE(rig.op.boxes[1].icon, BoxIcon::Exclamation);
            QCOMPARE(rig.op.boxes[1].title, QStringLiteral("zteditor"));
            log << german;
        }
        QCOMPARE(rig.logEntries(), log);
    }

    void silentLoadAsksNothing()
    {
        Rig rig;
        QString file = rig.path("default.DAT");
        writeRaw(file, fileBytes("1.0"));
        rig.zt.data().DataRecord.button(1, 1) = 5;
        QVERIFY(rig.zt.ReadFromDisk(file, true, true));
        QVERIFY(rig.op.events.isEmpty()); // no dialog
        QVERIFY(rig.op.boxes.isEmpty());
        QCOMPARE(rig.op.status, QStringLiteral(" "));
        QCOMPARE(rig.zt.data().DataRecord, fileRecord());
        QVERIFY(!rig.pages.calls.contains("to")); // no reset
        QCOMPARE(rig.logEntries(), QStringList{"Lese Datei " + file});
    }

    void missingFileIsReported()
    {
        Rig rig;
        QString file = rig.path("gone.DAT");
        const DataSet before = rig.zt.data();
        QVERIFY(!rig.zt.ReadFromDisk(file, true));
        QCOMPARE(rig.op.boxes.size(), 1);
        QCOMPARE(rig.op.boxes[0].text, "Datei " + file + " nicht vorhanden"); // without the blanks
        QCOMPARE(rig.op.boxes[0].icon, BoxIcon::Exclamation);
        QCOMPARE(rig.op.boxes[0].title, QStringLiteral("zteditor"));
        QCOMPARE(rig.logEntries(), QStringList{"  Datei " + file + " nicht vorhanden"});
        QCOMPARE(rig.zt.data().DataRecord, before.DataRecord);
        QVERIFY(rig.pages.calls.isEmpty());
    }

    void declinedOrCancelledLoad()
    {
        Rig rig;
        const QString file = rig.path("in.DAT");
        writeRaw(file, fileBytes("1.0"));
        rig.zt.data().DataRecord.button(3, 3) = 33;
        const DataSet before = rig.zt.data();
        const QString startName = rig.zt.dataFileName();

        QVERIFY(!rig.zt.ReadDataFile()); // dialog cancelled
        QCOMPARE(rig.zt.dataFileName(), startName);

        rig.op.dialogNames = {file};
        rig.op.answers = {false};
        QVERIFY(!rig.zt.ReadDataFile());       // question declined
        QCOMPARE(rig.zt.dataFileName(), file); // the chosen name stays
        QCOMPARE(rig.zt.data().DataRecord, before.DataRecord);
        QVERIFY(rig.pages.calls.isEmpty());
        QVERIFY(rig.op.statusHistory.isEmpty());
        QVERIFY(rig.logEntries().isEmpty());
    }

    void clearDataSet()
    {
        Rig rig;
        rig.zt.data().DataRecord.button(1, 2) = 12;
        rig.zt.ClearDataSet();
        QCOMPARE(rig.zt.data().DataRecord, ButtonRecord{});
        QCOMPARE(rig.zt.data().DataRecord.Version.text(), QString(10, QChar(0)));
        QCOMPARE(rig.pages.calls, QStringList{"to"});
    }

    void resetQuestionDeclinedChangesNothing()
    {
        Rig rig;
        rig.zt.data().DataRecord.button(1, 1) = 9;
        rig.zt.data().TextStatus[0].set(QStringLiteral("kept"));
        const DataSet before = rig.zt.data();
        rig.op.answers = {false};
        rig.zt.DataReset(false, false, true);
        QCOMPARE(rig.op.boxes.size(), 1);
        QCOMPARE(rig.op.boxes[0].text, QStringLiteral("Zurücksetzen?"));
        QCOMPARE(rig.op.boxes[0].icon, BoxIcon::Stop);
        QCOMPARE(rig.op.boxes[0].title, Caption);
        QCOMPARE(rig.zt.data().DataRecord, before.DataRecord);
        QCOMPARE(rig.zt.data().TextStatus, before.TextStatus);
        QVERIFY(rig.pages.calls.isEmpty());
        QVERIFY(rig.op.statusHistory.isEmpty());
    }

    void resetFromToolbar()
    {
        Rig rig;
        ButtonRecord image;
        image.button(1, 3) = 13;
        rig.zt.data().DataSetDefault = image;
        rig.zt.data().DataRecord.button(1, 1) = 9;
        rig.zt.data().TextStatus[2].set(QStringLiteral("x"));
        rig.zt.data().ACUVersion.set(QStringLiteral("1234"));
        rig.zt.data().CanBusAddr = 3;
        rig.zt.DataReset(false, false, true);
        QCOMPARE(rig.zt.data().DataRecord, image);
        for (const auto &t : rig.zt.data().TextStatus)
            QCOMPARE(t.text(), QString(32, ' '));
        QCOMPARE(rig.zt.data().ACUVersion.text(), QStringLiteral("1234"));
        QCOMPARE(rig.zt.data().CanBusAddr, qint16(3));
        QCOMPARE(rig.pages.calls, QStringList{"to"});
        QCOMPARE(rig.op.status, QStringLiteral(" Zurückgesetzt"));
    }

    void startupResetLoadsTheDefaultFile()
    {
        Rig rig;
        rig.zt.setupFlags().LoadAtStartup_Default = rig.path("default.DAT");
        writeRaw(rig.zt.flags().LoadAtStartup_Default, fileBytes("1.0"));
        rig.zt.DataReset(true, true, false);
        QCOMPARE(rig.zt.data().DataRecord, fileRecord());
        QCOMPARE(rig.zt.data().DataSetDefault, fileRecord());
        QVERIFY(!rig.op.statusHistory.contains(" Daten gelesen")); // no query: no status text
        QCOMPARE(rig.op.status, QStringLiteral(" Zurückgesetzt"));
        QVERIFY(!rig.op.ended);
    }

    void startupResetWithoutDefaultFile()
    {
        Rig rig;
        rig.zt.setupFlags().LoadAtStartup_Default = QStringLiteral("   ");
        rig.zt.DataReset(true, true, false);
        QCOMPARE(rig.zt.data().DataRecord, ButtonRecord{});
        QVERIFY(rig.op.boxes.isEmpty());
        QVERIFY(!rig.op.ended);
    }

    void unreadableDefaultFileEndsTheProgram()
    {
        Rig rig;
        rig.zt.setupFlags().LoadAtStartup_Default = rig.path("missing.DAT");
        rig.zt.DataReset(true, true, false);
        QVERIFY(rig.op.ended);
        QCOMPARE(rig.op.boxes.size(), 1); // the load's own report, no end question
        QVERIFY(rig.logEntries().contains(QStringLiteral("Ende ohne Frage")));
    }

    void endProg_data()
    {
        QTest::addColumn<bool>("queryMode");
        QTest::addColumn<bool>("maximised");
        QTest::addColumn<QString>("logged");
        QTest::newRow("by user") << true << false << "Ende durch Benutzer";
        QTest::newRow("no query") << false << false << "Ende ohne Frage";
        QTest::newRow("maximised") << false << true << "Ende ohne Frage";
    }
    void endProg()
    {
        QFETCH(bool, queryMode);
        QFETCH(bool, maximised);
        QFETCH(QString, logged);
        Rig rig;
        rig.pages.tab = 3;
        rig.op.geometry.normal = !maximised;
        rig.op.geometry.x = 1530;
        QByteArray iniAtClose, logAtClose;
        bool endedAtClose = true;
        rig.zt.setPortCloser([&] {
            iniAtClose = readAll(rig.ini());
            logAtClose = readAll(rig.logFile());
            endedAtClose = rig.op.ended;
            return true;
        });
        QVERIFY(rig.zt.EndProg(queryMode));

        QCOMPARE(rig.op.boxes.size(), queryMode ? 1 : 0);
        if (queryMode) {
            QCOMPARE(rig.op.boxes[0].text, QStringLiteral("Beenden?"));
            QCOMPARE(rig.op.boxes[0].icon, BoxIcon::Stop);
            QCOMPARE(rig.op.boxes[0].title, Caption);
        }
        QCOMPARE(rig.logEntries(), QStringList{logged});
        // By the time the port closes the settings are written and tidied, the log is open.
        QVERIFY(!endedAtClose);
        QVERIFY2(iniAtClose.contains("\n  ActTabStrip = 3"), iniAtClose.constData());
        QCOMPARE(iniAtClose.contains("Coord_X = 1530"), !maximised);
        QCOMPARE(iniAtClose.contains("Coord_X = 111"), maximised);
        QVERIFY(!logAtClose.contains("***** End"));
        QVERIFY(readAll(rig.logFile()).contains("***** End"));
        QCOMPARE(rig.op.events, QStringList{"end"});
    }

    // Once the codes were loaded or saved, a changed code on the pages is an unsaved edit,
    // and so is an ACU version or CAN bus address the device was not given: ending asks the
    // one unsaved-edits question (Save offered for codes only), loading the discard question,
    // each in place of its own. The rig's catalogue lacks the newer texts: built-in ones show.
    void unsavedEditsAsk_data()
    {
        QTest::addColumn<QString>("step");
        QTest::addColumn<QString>("edit"); // on the pages: "", "code", "acu" or "can"
        QTest::addColumn<bool>("saved");   // written to disk after the edit
        QTest::addColumn<QString>("question");
        const QString codes = "Die Tastenbelegung wurde geändert und nicht gesichert.\r\n";
        const QString system = "ACU-Version oder CanBus-Adresse wurden geändert und nicht an "
                               "das Gerät gesendet.\r\n";
        QTest::newRow("end, unchanged") << "end"
                                        << "" << false << "Beenden?";
        QTest::newRow("end, code edited")
            << "end"
            << "code" << false << codes + "Sollen die Änderungen gesichert werden?";
        QTest::newRow("end, code edited and saved") << "end"
                                                    << "code" << true << "Beenden?";
        QTest::newRow("end, ACU version typed")
            << "end"
            << "acu" << false << system + "Sollen die Änderungen verworfen werden?";
        QTest::newRow("end, CAN address chosen")
            << "end"
            << "can" << false << system + "Sollen die Änderungen verworfen werden?";
        QTest::newRow("load, unchanged") << "load"
                                         << "" << false << "Daten aus & lesen?";
        QTest::newRow("load, code edited") << "load"
                                           << "code" << false << "Änderungen verwerfen?";
        QTest::newRow("load, ACU version typed") << "load"
                                                 << "acu" << false << "Daten aus & lesen?";
    }

    void unsavedEditsAsk()
    {
        QFETCH(QString, step);
        QFETCH(QString, edit);
        QFETCH(bool, saved);
        Rig rig;
        const QString file = rig.path("in.DAT");
        writeRaw(file, fileBytes("1.0"));
        rig.op.dialogNames = {file};
        rig.zt.data().DataRecord.button(1, 1) = 5;
        QVERIFY(!rig.zt.DataModified()); // nothing loaded yet: nothing to lose
        QVERIFY(rig.zt.ReadDataFile());
        const DataSet loaded = rig.zt.data();
        rig.pages.onFromPages = [&] {
            if (edit == QLatin1String("code"))
                rig.zt.data().DataRecord.button(1, 1) = 99;
            if (edit == QLatin1String("acu"))
                rig.zt.data().ACUVersion.set(QStringLiteral("12"));
            if (edit == QLatin1String("can"))
                rig.zt.data().CanBusAddr = 7;
        };
        QCOMPARE(bool(rig.zt.Unsaved()), !edit.isEmpty());
        QCOMPARE(rig.zt.data().DataRecord, loaded.DataRecord); // asking changes nothing
        QCOMPARE(rig.zt.data().ACUVersion, loaded.ACUVersion);
        if (saved) {
            rig.op.dialogNames = {rig.path("out.DAT")};
            rig.zt.pages().DataSet_FromPages(); // as saving takes the pages first
            rig.zt.WriteDataFile();
        }

        rig.op.boxes.clear();
        rig.op.answers = {false};
        rig.op.saveAnswers = {SaveChoice::Cancel};
        rig.op.dialogNames = {file};
        if (step == QLatin1String("end"))
            QVERIFY(!rig.zt.EndProg(true));
        else
            QVERIFY(!rig.zt.ReadDataFile());
        QCOMPARE(rig.op.boxes.size(), 1);
        QFETCH(QString, question);
        QCOMPARE(rig.op.boxes[0].text, QString(question).replace(u'&', file));
        QCOMPARE(rig.op.boxes[0].offeredSave,
                 question.contains(QStringLiteral("gesichert werden")));
        QVERIFY(!rig.op.ended);
    }

    // Save in the question saves as the toolbar does; the end goes on only once the file
    // holds the codes.
    void saveInEndQuestion_data()
    {
        QTest::addColumn<QStringList>("names"); // given by the save dialog, in order
        QTest::addColumn<bool>("ended");
        QTest::newRow("saved") << QStringList{"out.DAT"} << true;
        QTest::newRow("save dialog cancelled") << QStringList{} << false;
    }

    void saveInEndQuestion()
    {
        QFETCH(QStringList, names);
        QFETCH(bool, ended);
        Rig rig;
        rig.zt.ClearDataSet();
        rig.pages.onFromPages = [&] { rig.zt.data().DataRecord.button(2, 3) = 42; };
        for (const QString &name : names)
            rig.op.dialogNames << rig.path(name);
        rig.op.saveAnswers = {SaveChoice::Save};
        QCOMPARE(rig.zt.EndProg(true), ended);
        QCOMPARE(rig.op.ended, ended);
        QCOMPARE(QFile::exists(rig.path("out.DAT")), ended);
        if (ended)
            QCOMPARE(readAll(rig.path("out.DAT")).mid(10 + 2 * (25 + 2), 2),
                     QByteArray("\x2a\0", 2));
    }

    void declinedEndGoesOn()
    {
        Rig rig;
        bool closed = false;
        rig.zt.setPortCloser([&] { return closed = true; });
        rig.op.answers = {false};
        QVERIFY(!rig.zt.EndProg(true));
        QVERIFY(!rig.op.ended);
        QVERIFY(!closed);
        QCOMPARE(readAll(rig.ini()), QByteArray(Catalogue));
        QVERIFY(rig.logEntries().isEmpty());
    }

    void endProgEndsWhenStepsFail_data()
    {
        QTest::addColumn<bool>("readOnly");
        QTest::newRow("read-only settings file") << true;
        QTest::newRow("settings folder missing") << false;
    }
    void endProgEndsWhenStepsFail()
    {
        QFETCH(bool, readOnly);
        Rig rig;
        if (readOnly)
            QFile::setPermissions(rig.ini(), QFile::ReadOwner | QFile::ReadGroup);
        else
            rig.zt.setFiles({.appDir = rig.dir.path(),
                             .exeName = rig.zt.exeName(),
                             .iniFile = rig.path("gone/zteditor.Ini")});
        rig.zt.setPortCloser(
            []() -> bool { throw ZtError(5, QStringLiteral("Input/output error")); });
        QVERIFY(rig.zt.EndProg(false));
        QVERIFY(rig.op.ended);
        QVERIFY(readAll(rig.logFile()).contains("***** End")); // the log was still closed
        QVERIFY(rig.logEntries().contains("  Fehler beim Beenden: Input/output error"));
        QVERIFY(rig.logEntries().contains("Ende ohne Frage"));
    }

    // The settings folder lost its write right while the program ran: the end still logs,
    // tries every step, leaves the settings file as it was and ends.
    void endProgWithReadOnlySettingsFolder()
    {
        ZT_AS_ORDINARY_USER(); // root writes into any folder
        Rig rig;
        rig.pages.tab = 2;
        bool portClosed = false;
        rig.zt.setPortCloser([&] { return portClosed = true; });
        const QByteArray iniBefore = readAll(rig.ini());
        const QStringList filesBefore = QDir(rig.dir.path()).entryList(QDir::Files | QDir::Hidden);
        ReadOnlyFolder readOnly(rig.dir.path());
        if (!readOnly.holds())
            QSKIP("this file system lets every process write into any folder");

        QVERIFY(rig.zt.EndProg(false));
        QVERIFY(rig.op.ended);
        QVERIFY(portClosed);
        QCOMPARE(readAll(rig.ini()), iniBefore);
        QCOMPARE(QDir(rig.dir.path()).entryList(QDir::Files | QDir::Hidden), filesBefore);
        const QStringList entries = rig.logEntries();
        QCOMPARE(entries.value(0), QStringLiteral("Ende ohne Frage"));
        QCOMPARE(entries.value(1), QStringLiteral("  Fehler beim Beenden: Recent/ActTabStrip "
                                                  "not written to ") +
                                       rig.ini());
        QVERIFY2(entries.value(2).startsWith(QStringLiteral("  Fehler beim Beenden: INI_Tidy ")),
                 qPrintable(entries.join(QLatin1Char('|'))));
        QCOMPARE(entries.size(), 3);
        QVERIFY(readAll(rig.logFile()).contains("***** End"));
    }
};

QTEST_GUILESS_MAIN(TestZtTools)
#include "tst_zttools.moc"
