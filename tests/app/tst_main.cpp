#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "FakeComm.h"
#include "FakeOperator.h"
#include "FakePageBridge.h"
#include "StringSink.h"
#include "app/CoreContext.h"
#include "app/Main.h"
#include "app/StartupWindows.h"
#include "settings/INITools.h"

// Start-up against the shipped settings, channel definitions and default data, in a
// temporary application folder, with the windows, the person and the port played by fakes.

namespace {

QString installFile(const QString &name)
{
    // this file lies in tests/app of the source tree
    QDir root = QFileInfo(QStringLiteral(__FILE__)).absoluteDir();
    root.cdUp();
    root.cdUp();
    return root.filePath(QStringLiteral("install/") + name);
}

class FakeStartupWindows : public StartupWindows {
public:
    QStringList events;
    FakeGeometry geometry;
    StringSink proto;
    QString caption;
    QString title = QStringLiteral("ZT DerUvav");
    int mainWindowCalls = 0;
    // Runs when start-up makes sure of the main window the second time (just before the
    // toolbar buttons are hidden and the splash time is waited out).
    std::function<void()> onMainWindowAgain;
    std::function<void()> onShowMain;

    void showSplash() override { events << QStringLiteral("splash shown"); }
    void closeSplash() override { events << QStringLiteral("splash closed"); }
    QString applicationTitle() const override { return title; }
    TextSink *protocolText() override { return &proto; }
    FormGeometry &mainWindow() override
    {
        if (++mainWindowCalls == 1)
            events << QStringLiteral("main window created");
        else if (onMainWindowAgain)
            onMainWindowAgain();
        return geometry;
    }
    void setMainCaption(const QString &text) override { caption = text; }
    void hideToolbarButton(int index) override { events << QStringLiteral("hide %1").arg(index); }
    void showDummyButton() override { events << QStringLiteral("dummy"); }
    void showMainWindow() override
    {
        events << QStringLiteral("main shown");
        if (onShowMain)
            onShowMain();
    }
    QList<int> hidden() const
    {
        QList<int> out;
        for (const QString &e : events)
            if (e.startsWith(QStringLiteral("hide ")))
                out << e.mid(5).toInt();
        return out;
    }
};

// The operator's choice in the serial settings dialog, played by a hook.
class RigOperator : public FakeOperator {
public:
    std::function<void()> onSerialSettings;
    void showSerialSettings() override
    {
        FakeOperator::showSerialSettings();
        if (onSerialSettings)
            onSerialSettings();
    }
};

// The settings file and the files it names, as shipped, in a temporary application folder.
struct StartupRig {
    QTemporaryDir dir;
    QString ini = dir.filePath(QStringLiteral("zteditor.Ini"));
    RigOperator op;
    FakePageBridge pages;
    FakeComm comm;
    CoreContext core{op, pages, comm, dir.path(), QStringLiteral("zteditor"), ini};
    ZtTools &zt = core.zt;
    CommTools &ct = core.comm;
    FakeStartupWindows windows;
    // The splash time still outlasts the steps before it, so waiting it out is seen; the
    // pause between the requests is short.
    Startup startup{zt, ct, core.menu, windows, StartupPauses{2000, 10}};

    explicit StartupRig(bool withSettings = true)
    {
        if (!withSettings)
            return;
        for (const char *name : {"zteditor.Ini", "zteditor.Chn", "zteditor.Dat"})
            QFile::copy(installFile(QString::fromLatin1(name)),
                        dir.filePath(QString::fromLatin1(name)));
        QFile::setPermissions(ini, QFile::ReadOwner | QFile::WriteOwner);
        // Quick by default: no splash time, no requests to the device.
        set("Main", "Debug", "yes");
        set("Main", "RequestStatus", "no");
        set("Main", "RequestData", "no");
    }

    void set(const char *section, const char *key, const QString &value)
    {
        INI_WriteValue(ini, QString::fromLatin1(section), QString::fromLatin1(key), value);
    }

    QString logText() const
    {
        QFile f(zt.logFileName());
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }
    int endMarkers() const { return int(logText().count(QStringLiteral("***** End   *****"))); }
    QStringList boxTexts() const
    {
        QStringList out;
        for (const auto &b : op.boxes)
            out << b.text;
        return out;
    }
};

} // namespace

class TestMain : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Every start-up failure shows its text once, in a box with the exclamation icon and
    // the executable's name, in the status line and the log, and ends through EndProg.
    void failures_data()
    {
        QTest::addColumn<bool>("withSettings");
        QTest::addColumn<QStringList>("edits"); // "Section|Key|Value", "Chn|Section|Key|Value"
        QTest::addColumn<QString>("text");

        QTest::newRow("no settings file")
            << false << QStringList{} << "Fehler beim Lesen des Eintrags <LoadAtStartup_Default>";
        QTest::newRow("default blank") << true << QStringList{"Main|LoadAtStartup_Default| "}
                                       << "Fehler beim Lesen des Eintrags <LoadAtStartup_Default>";
        QTest::newRow("*none* in lower case")
            << true << QStringList{"Main|LoadAtStartup_Default|*none*"}
            << "Fehler beim Lesen der in <LoadAtStartup_Default> angegebenen Datei";
        QTest::newRow("missing default file, ENG")
            << true << QStringList{"Main|LoadAtStartup_Default|nowhere.Dat", "Main|Language|ENG"}
            << "Error reading the file in <LoadAtStartup_Default>";
        QTest::newRow("any other language gives English")
            << true << QStringList{"Main|LoadAtStartup_Default|nowhere.Dat", "Main|Language|fra"}
            << "Error reading the file in <LoadAtStartup_Default>";
        QTest::newRow("language ger in lower case is GER")
            << true << QStringList{"Main|LoadAtStartup_Default|nowhere.Dat", "Main|Language|ger"}
            << "Fehler beim Lesen der in <LoadAtStartup_Default> angegebenen Datei";
        QTest::newRow("rows not a number") << true << QStringList{"Main|CountKeyRows|many"}
                                           << "Fehler beim Setzen des Flags <RequestStatus>";
        QTest::newRow("Channel_DataDef blank")
            << true << QStringList{"Main|Channel_DataDef|"}
            << "Fehler beim Lesen des Eintrags <Channel_DataDef>";
        QTest::newRow("Channel_DataDef blank, ENG")
            << true << QStringList{"Main|Channel_DataDef|", "Main|Language|ENG"}
            << "Error reading value <Channel_DataDef>";
        QTest::newRow("non-numeric channel key")
            << true << QStringList{"Chn|DATA_CHAN_GER|Taste|Label"}
            << "Fehler beim Lesen der Einträge aus der Datei <Channel_DataDef>: Nicht-numerisches "
               "Label";
        QTest::newRow("channel key out of range")
            << true << QStringList{"Chn|DATA_CANBUS_ADDR_GER|99999999999|Label"}
            << "Fehler beim Lesen der Einträge aus der Datei <Channel_DataDef>";
        QTest::newRow("port settings twice wrong")
            << true << QStringList{"Comm|Settings|fast please"}
            << "Fehler bei Setzen der Einstellungen für den COM-Port";
        QTest::newRow("port settings twice wrong, ENG")
            << true << QStringList{"Comm|Settings|fast please", "Main|Language|ENG"}
            << "Error setting the COM-Port parameters";
        QTest::newRow("port number not a number")
            << true << QStringList{"Comm|Port|two"} << "Fehler bei Setzen des COM-Ports";
        QTest::newRow("time-out not a number") << true << QStringList{"Comm|TimeOut|soon"}
                                               << "Fehler bei Setzen des Timeouts für den COM-Port";
    }

    void failures()
    {
        QFETCH(bool, withSettings);
        QFETCH(QStringList, edits);
        QFETCH(QString, text);

        StartupRig rig(withSettings);
        for (const QString &edit : edits) {
            QStringList p = edit.split(QLatin1Char('|'));
            QString file = rig.ini;
            if (p.first() == QLatin1String("Chn")) {
                p.removeFirst();
                file = rig.dir.filePath(QStringLiteral("zteditor.Chn"));
            }
            QVERIFY(INI_WriteValue(file, p[0], p[1], p[2]));
        }

        QVERIFY(!rig.startup.Main());

        QCOMPARE(rig.boxTexts(), QStringList{text});
        QCOMPARE(rig.op.boxes.first().icon, BoxIcon::Exclamation);
        QCOMPARE(rig.op.boxes.first().title, QStringLiteral("zteditor"));
        QVERIFY(rig.op.statusHistory.contains(QLatin1Char(' ') + text));
        QVERIFY(rig.op.ended);
        QVERIFY(!rig.zt.programStarted());
        QVERIFY(!rig.windows.events.contains(QStringLiteral("main shown")));
        const QString log = rig.logText();
        QVERIFY2(log.contains(QStringLiteral(">  ") + text), qPrintable(log));
        QVERIFY(log.contains(QStringLiteral("***** Start *****")));
        QCOMPARE(rig.endMarkers(), 1);
        // The failure is logged before the end.
        QVERIFY(log.indexOf(text) < log.indexOf(QStringLiteral("***** End   *****")));
    }

    // A port that cannot be set up is offered once in the serial settings dialog.
    void portSettingsDialogOfferedOnce()
    {
        StartupRig rig;
        rig.set("Comm", "Settings", "fast please");
        QVERIFY(!rig.startup.Main());
        QCOMPARE(rig.op.events.count(QStringLiteral("serial settings")), 1);
    }

    void portCorrectedInTheDialog()
    {
        StartupRig rig;
        rig.set("Comm", "Port", "two");
        rig.op.onSerialSettings = [&] { rig.set("Comm", "Port", "3"); };
        QVERIFY(rig.startup.Main());
        QCOMPARE(rig.op.events.count(QStringLiteral("serial settings")), 1);
        QCOMPARE(rig.comm.commPort(), 3);
        QVERIFY(rig.op.boxes.isEmpty());
        QVERIFY(rig.zt.programStarted());
    }

    void debugShowsDummyAndSkipsTheSplashTime()
    {
        StartupRig rig;
        // Posted just before the splash time: with Debug it can only run when start-up next
        // lets events run, after the main window is shown.
        rig.windows.onMainWindowAgain = [&] {
            QTimer::singleShot(0, [&] { rig.windows.events << QStringLiteral("tick"); });
        };
        QVERIFY(rig.startup.Main());
        const QStringList &e = rig.windows.events;
        QVERIFY(e.contains(QStringLiteral("dummy")));
        QVERIFY(e.indexOf(QStringLiteral("main shown")) < e.indexOf(QStringLiteral("tick")));
    }

    void splashTimeLetsEventsRun()
    {
        StartupRig rig;
        rig.set("Main", "Debug", "no");
        rig.windows.onMainWindowAgain = [&] {
            QTimer::singleShot(0, [&] { rig.windows.events << QStringLiteral("tick"); });
        };
        QVERIFY(rig.startup.Main());
        const QStringList &e = rig.windows.events;
        QVERIFY(!e.contains(QStringLiteral("dummy")));
        QVERIFY(e.indexOf(QStringLiteral("tick")) >= 0);
        QVERIFY(e.indexOf(QStringLiteral("tick")) < e.indexOf(QStringLiteral("main shown")));
    }

    // The window closed (or a signal) while the splash is up: start-up stops there.
    void endedDuringTheSplashTime()
    {
        StartupRig rig;
        rig.set("Main", "Debug", "no");
        rig.set("Main", "RequestStatus", "yes");
        rig.windows.onMainWindowAgain = [&] {
            QTimer::singleShot(0, [&] { rig.zt.EndProg(false); });
        };
        QVERIFY(!rig.startup.Main());
        QVERIFY(rig.op.ended);
        QVERIFY(!rig.windows.events.contains(QStringLiteral("main shown")));
        QVERIFY(rig.comm.written.isEmpty());
        QVERIFY(!rig.zt.programStarted());
        QVERIFY(rig.op.boxes.isEmpty());
        QCOMPARE(rig.endMarkers(), 1);
    }

    // An end that comes while the program is already ending (a second signal, the window
    // closing meanwhile) changes nothing.
    void endingTwiceEndsOnce()
    {
        StartupRig rig;
        QVERIFY(rig.startup.Main());
        QVERIFY(rig.zt.EndProg(false));
        QVERIFY(rig.zt.EndProg(true));
        QCOMPARE(rig.op.events.count(QStringLiteral("end")), 1);
        QCOMPARE(rig.endMarkers(), 1);
        QVERIFY(rig.op.boxes.isEmpty());
    }

    void hiddenToolbarButtons_data()
    {
        QTest::addColumn<QStringList>("enabled"); // flags set to yes, the others to no
        QTest::addColumn<QList<int>>("hidden");
        const QStringList all{"SaveLoadEnabled", "SystemResetEnabled", "VersionInfoEnabled",
                              "OnlineTestEnabled", "ShowProtocolEnabled"};
        QTest::newRow("all on") << all << QList<int>{};
        QTest::newRow("all off") << QStringList{} << QList<int>{1, 2, 7, 8, 9, 12};
        QTest::newRow("save/load off keeps reset")
            << QStringList{"SystemResetEnabled", "VersionInfoEnabled", "OnlineTestEnabled",
                           "ShowProtocolEnabled"}
            << QList<int>{1, 2};
        QTest::newRow("only save/load")
            << QStringList{"SaveLoadEnabled"} << QList<int>{7, 8, 9, 12};
        QTest::newRow("protocol and version")
            << QStringList{"VersionInfoEnabled", "ShowProtocolEnabled"} << QList<int>{1, 2, 7, 9};
    }

    void hiddenToolbarButtons()
    {
        QFETCH(QStringList, enabled);
        QFETCH(QList<int>, hidden);
        StartupRig rig;
        for (const char *flag : {"SaveLoadEnabled", "SystemResetEnabled", "VersionInfoEnabled",
                                 "OnlineTestEnabled", "ShowProtocolEnabled"})
            rig.set("Main", flag,
                    enabled.contains(QString::fromLatin1(flag)) ? QStringLiteral("Ja")
                                                                : QStringLiteral("1"));
        QVERIFY(rig.startup.Main());
        QCOMPARE(rig.windows.hidden(), hidden);
    }

    // A complete start-up with the shipped files.
    void completeStartup()
    {
        StartupRig rig;
        const QDate before = QDate::currentDate(); // the log is named by the day of the start
        QVERIFY(rig.startup.Main());
        const QDate after = QDate::currentDate();
        QVERIFY(rig.zt.programStarted());
        QVERIFY(!rig.op.ended);
        QVERIFY(rig.op.boxes.isEmpty());
        QCOMPARE(rig.windows.caption, QStringLiteral("ZT DerUvav Version 1.0 Build 5"));
        QCOMPARE(rig.windows.events, (QStringList{"splash shown", "main window created", "dummy",
                                                  "main shown", "splash closed"}));
        // Centred on the screen, as nothing is stored in [Screen].
        QCOMPARE(rig.windows.geometry.x, (28800 - 10590) / 2);
        QCOMPARE(rig.windows.geometry.y, (16200 - 9000) / 2);
        QCOMPARE(rig.op.status, QStringLiteral(" Bereit"));
        QCOMPARE(rig.op.statusToolTip, QStringLiteral("Bereit"));
        QCOMPARE(rig.zt.readyText(), QStringLiteral("Bereit"));
        QCOMPARE(rig.zt.notDefinedText(), QStringLiteral("(nicht belegt)"));
        QCOMPARE(rig.zt.maxFormHeight(), qint16(14640));
        QCOMPARE(rig.pages.calls.last(), QStringLiteral("focus"));
        // The default data file became the reset image.
        QCOMPARE(rig.zt.data().DataSetDefault.Version.text().trimmed(), QStringLiteral("1.0"));
        QVERIFY(rig.zt.data().DataSetDefault.button(1, 1) > 0);
        QCOMPARE(rig.zt.data().DataRecord, rig.zt.data().DataSetDefault);
        QVERIFY(!rig.ct.CommPortOpen());

        const QString dir = rig.dir.path() + QStringLiteral("/zteditor");
        QCOMPARE(rig.zt.iniFileName(), dir + QStringLiteral(".Ini"));
        QCOMPARE(rig.zt.dataFileName(), dir + QStringLiteral(".Dat"));
        QCOMPARE(rig.zt.hexFileName(), dir + QStringLiteral(".HEX"));
        const auto logName = [&](QDate day) {
            return dir + QLatin1Char('-') + day.toString(QStringLiteral("yyyy-MM-dd")) +
                   QStringLiteral(".Log");
        };
        QVERIFY2(rig.zt.logFileName() == logName(before) || rig.zt.logFileName() == logName(after),
                 qPrintable(rig.zt.logFileName()));
        const QString log = rig.logText();
        QVERIFY(log.contains(QStringLiteral(">  Init\r\n")));
        QCOMPARE(rig.endMarkers(), 0);
        // The log mirrors into the protocol window's text box.
        QVERIFY(rig.windows.proto.text().contains(QStringLiteral("Init")));
    }

    void storedPositionReplacesTheCentredOne()
    {
        StartupRig rig;
        rig.set("Screen", "Coord_X", "1200");
        rig.set("Screen", "Coord_Y", "900");
        QVERIFY(rig.startup.Main());
        QCOMPARE(rig.windows.geometry.x, 1200);
        QCOMPARE(rig.windows.geometry.y, 900);
    }

    void captionFollowsTheApplicationTitle()
    {
        QCOMPARE(Startup::caption(QStringLiteral("QOV ZT DerUvav")),
                 QStringLiteral("QOV ZT DerUvav Version 1.0 Build 5"));
    }

    void noDefaultDataFile()
    {
        StartupRig rig;
        rig.set("Main", "LoadAtStartup_Default", "*NONE*");
        QVERIFY(rig.startup.Main());
        QCOMPARE(rig.zt.flags().LoadAtStartup_Default, QString());
        QCOMPARE(rig.zt.data().DataSetDefault.button(1, 1), qint16(0));
    }

    // Settings carried over from Windows name subfolders with "\\", in every path-valued key.
    void backslashesInPaths()
    {
        StartupRig rig;
        QVERIFY(QDir(rig.dir.path()).mkdir(QStringLiteral("sub")));
        for (const QString &name : {QStringLiteral("zteditor.Chn"), QStringLiteral("zteditor.Dat")})
            QVERIFY(QFile::rename(rig.dir.filePath(name), rig.dir.filePath("sub/" + name)));
        rig.set("Main", "LoadAtStartup_Default", QStringLiteral("sub\\zteditor.Dat"));
        rig.set("Main", "Channel_DataDef", QStringLiteral("sub\\zteditor.Chn"));
        QVERIFY(rig.startup.Main());
        QCOMPARE(rig.zt.flags().LoadAtStartup_Default,
                 rig.dir.filePath(QStringLiteral("sub/zteditor.Dat")));
        QVERIFY(rig.zt.data().DataSetDefault.button(1, 1) > 0);
    }

    // A default data file of another version is refused with the version box, and the
    // program ends without the start-up box.
    void defaultFileOfAnotherVersion()
    {
        StartupRig rig;
        QByteArray bytes(210, '\0');
        bytes.replace(0, 10, "2.0       ");
        QFile f(rig.dir.filePath(QStringLiteral("v2.Dat")));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        f.close();
        rig.set("Main", "LoadAtStartup_Default", "v2.Dat");

        QVERIFY(!rig.startup.Main());
        QCOMPARE(rig.op.boxes.size(), 1);
        QVERIFY(rig.op.boxes.first().text.startsWith(QStringLiteral("Versionskonflikt")));
        QVERIFY(rig.op.boxes.first().text.contains(QStringLiteral("'2.0'")));
        QVERIFY(rig.op.ended);
        QVERIFY(!rig.zt.programStarted());
        QCOMPARE(rig.op.status.trimmed(), QString());
        QCOMPARE(rig.endMarkers(), 1);
    }

    // Version request first, the quiet data request after it, both on the wire.
    void requestsAtTheEnd_data()
    {
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("data");
        QTest::addColumn<QByteArray>("codes");
        QTest::newRow("both") << "yes"
                              << "yes" << QByteArray("\x82\x84");
        QTest::newRow("version only") << "yes"
                                      << "no" << QByteArray("\x82");
        QTest::newRow("data only") << "no"
                                   << "yes" << QByteArray("\x84");
        QTest::newRow("none") << "no"
                              << "no" << QByteArray();
    }

    void requestsAtTheEnd()
    {
        QFETCH(QString, status);
        QFETCH(QString, data);
        QFETCH(QByteArray, codes);
        StartupRig rig;
        rig.set("Main", "RequestStatus", status);
        rig.set("Main", "RequestData", data);
        rig.set("Main", "ShowMsgBox", "no");
        rig.set("Comm", "TimeOut", "1");
        rig.set("Comm", "ShowCancelDialog", "no");
        // The main window's first activation opens the port.
        rig.windows.onShowMain = [&] { rig.ct.Comm_OpenPort(); };
        QVERIFY(rig.startup.Main());
        QByteArray sent;
        for (const QByteArray &chunk : rig.comm.chunks)
            sent += chunk.left(1);
        QCOMPARE(sent, codes);
        QVERIFY(rig.zt.programStarted());
    }
};

QTEST_GUILESS_MAIN(TestMain)
#include "tst_main.moc"
