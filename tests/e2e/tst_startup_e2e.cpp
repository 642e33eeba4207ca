#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtEndian>
#include <QtTest>

#include <csignal>

#include "app/ZtTools.h"
#include "common/Tools.h"
#include "gui/app/Program.h"
#include "gui/linktools/frmCommDialog.h"
#include "gui/ui/frmMain.h"
#include "settings/INITools.h"

// The whole program against the device simulator on a pseudo-terminal: start-up with its
// requests to the device, the pages showing what the device sent, and the end.

namespace {

const QStringList DeviceTexts{QStringLiteral("E2E Zentrale"), QStringLiteral("Firmware 9.99"),
                              QStringLiteral("Serie 0815")};

QString binDir()
{
    const QString dir = qEnvironmentVariable("ZT_BIN_DIR");
    return dir.isEmpty() ? QCoreApplication::applicationDirPath() : dir;
}

QString sourceFile(const QString &relative)
{
    // this file lies in tests/e2e of the source tree
    QDir root = QFileInfo(QStringLiteral(__FILE__)).absoluteDir();
    root.cdUp();
    root.cdUp();
    return root.filePath(relative);
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

qint16 codeAt(const QByteArray &dataFile, int index)
{
    return qFromLittleEndian<qint16>(dataFile.constData() + 10 + 2 * index);
}

// An application folder with the shipped settings, a simulator on a pseudo-terminal
// mapped to COM1, and the settings of one test.
struct E2eRig {
    QTemporaryDir dir;
    QString ini = dir.filePath(QStringLiteral("zteditor.Ini"));
    QString device = dir.filePath(QStringLiteral("ztdevice"));
    QString deviceData = dir.filePath(QStringLiteral("device.Dat"));
    QProcess simulator;
    const QDate made = QDate::currentDate();

    bool prepare()
    {
        for (const char *name : {"zteditor.Ini", "zteditor.Chn", "zteditor.Dat"}) {
            const QString to = dir.filePath(QString::fromLatin1(name));
            if (!QFile::copy(sourceFile(QStringLiteral("install/") + QLatin1String(name)), to))
                return false;
            QFile::setPermissions(to, QFile::ReadOwner | QFile::WriteOwner);
        }
        set("Ports", "COM1", device);
        set("Comm", "Port", QStringLiteral("1"));
        set("Main", "Debug", QStringLiteral("yes"));
        set("Main", "ShowMsgBox", QStringLiteral("no"));
        return true;
    }

    void set(const char *section, const char *key, const QString &value)
    {
        INI_WriteValue(ini, QLatin1String(section), QLatin1String(key), value);
    }

    // The device holds the default data with the first two codes of group A swapped, so
    // its data differs from what the editor loads at start-up.
    bool startSimulator()
    {
        QByteArray data = readAll(dir.filePath(QStringLiteral("zteditor.Dat")));
        if (data.size() != 210)
            return false;
        std::swap(data[10], data[12]);
        std::swap(data[11], data[13]);
        QFile f(deviceData);
        if (!f.open(QIODevice::WriteOnly) || f.write(data) != data.size())
            return false;
        f.close();
        simulator.setProcessChannelMode(QProcess::MergedChannels);
        simulator.start(binDir() + QStringLiteral("/ztdevsim"),
                        {QStringLiteral("--pty"), device, QStringLiteral("--data"), deviceData,
                         QStringLiteral("--status1"), DeviceTexts[0], QStringLiteral("--status2"),
                         DeviceTexts[1], QStringLiteral("--status3"), DeviceTexts[2]});
        if (!simulator.waitForStarted(10000))
            return false;
        simulator.closeWriteChannel();
        return Tools::WaitUntil([&] { return QFileInfo::exists(device); }, QDeadlineTimer(10000));
    }

    ~E2eRig()
    {
        if (simulator.state() != QProcess::NotRunning) {
            simulator.terminate();
            if (!simulator.waitForFinished(5000))
                simulator.kill();
        }
    }

    // The program names its log by the day it starts: the day this rig was made, or the
    // next one when midnight came in between.
    QString logFile() const
    {
        const auto name = [this](QDate day) {
            return dir.filePath(
                QStringLiteral("zteditor-%1.Log").arg(day.toString(QStringLiteral("yyyy-MM-dd"))));
        };
        return QFileInfo::exists(name(made)) ? name(made) : name(made.addDays(1));
    }
    QString logText() const { return QString::fromUtf8(readAll(logFile())); }

    // Every key line of the tidied settings file: two blanks, the key padded to its
    // section's longest key, " = ".
    void checkTidied() const
    {
        const QStringList lines = QString::fromUtf8(readAll(ini)).split(QStringLiteral("\n"));
        int keyLines = 0;
        QString section;
        QHash<QString, qsizetype> equalsAt;
        for (QString line : lines) {
            line.remove(QLatin1Char('\r'));
            if (line.startsWith(QLatin1Char('['))) {
                section = line;
                continue;
            }
            if (line.isEmpty() || line.startsWith(QLatin1Char(';')))
                continue;
            QVERIFY2(line.startsWith(QStringLiteral("  ")) && line[2] != QLatin1Char(' '),
                     qPrintable(line));
            const qsizetype eq = line.indexOf(QStringLiteral(" = "));
            QVERIFY2(eq > 2, qPrintable(line));
            if (!equalsAt.contains(section))
                equalsAt[section] = eq;
            QVERIFY2(equalsAt[section] == eq, qPrintable(section + QLatin1Char(' ') + line));
            ++keyLines;
        }
        QVERIFY(keyLines > 50);
    }
};

} // namespace

class TestStartupE2e : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // A kill ends the running program as closing its window does, whether it comes
    // while start-up talks to the device or after the exchanges.
    void sigtermEndsLikeClosing_data()
    {
        QTest::addColumn<QByteArray>("deviceSaw");
        QTest::newRow("during the version request") << QByteArray("version-info request");
        QTest::newRow("after the data block") << QByteArray("out 85");
    }

    void sigtermEndsLikeClosing()
    {
        QFETCH(QByteArray, deviceSaw);
        E2eRig rig;
        QVERIFY(rig.prepare());
        QVERIFY(rig.startSimulator());
        rig.set("Main", "LoadAtStartup_Default", QStringLiteral("*NONE*"));
        rig.set("Main", "RequestStatus", QStringLiteral("yes"));
        rig.set("Main", "RequestData", QStringLiteral("yes"));
        QVERIFY(QFile::copy(binDir() + QStringLiteral("/zteditor"),
                            rig.dir.filePath(QStringLiteral("zteditor"))));

        QProcess editor;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        editor.setProcessEnvironment(env);
        editor.setProcessChannelMode(QProcess::MergedChannels);
        editor.start(rig.dir.filePath(QStringLiteral("zteditor")), {});
        QVERIFY(editor.waitForStarted(10000));
        QByteArray deviceOutput;
        QVERIFY(Tools::WaitUntil(
            [&] {
                deviceOutput += rig.simulator.readAll();
                return deviceOutput.contains(deviceSaw) || editor.state() == QProcess::NotRunning;
            },
            QDeadlineTimer(30000)));
        QCOMPARE(editor.state(), QProcess::Running);

        QCOMPARE(::kill(pid_t(editor.processId()), SIGTERM), 0);
        QVERIFY(editor.waitForFinished(30000));
        QCOMPARE(editor.exitStatus(), QProcess::NormalExit);
        QCOMPARE(editor.exitCode(), 0);

        const QString log = rig.logText();
        QCOMPARE(log.count(QStringLiteral("***** End   *****")), 1);
        QVERIFY2(log.contains(QStringLiteral(">  Programm beendet")), qPrintable(log));
        QVERIFY2(log.endsWith(QStringLiteral("***** End   *****\r\n\r\n\r\n")),
                 qPrintable(log.right(300)));
        QVERIFY(!INI_ReadValue(rig.ini, QStringLiteral("Screen"), QStringLiteral("Coord_X"), {})
                     .isEmpty());
        rig.checkTidied();
    }

    // A stored value the port cannot take: start-up's settings dialog opens with that list
    // empty; choosing there and OK brings the program up on the device, and the values the
    // dialog does not show stay as they were stored.
    void badStoredValueRepairedAtStartup_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QStringList>("empty"); // the lists the dialog shows without selection
        const QStringList line{"cmbBPS", "cmbParity", "cmbDataBits", "cmbStopBits"};
        QTest::newRow("Port=99") << "Port"
                                 << "99" << QStringList{"cmbPort"};
        QTest::newRow("Port=0") << "Port"
                                << "0" << QStringList{"cmbPort"};
        QTest::newRow("Port=abc") << "Port"
                                  << "abc" << QStringList{"cmbPort"};
        QTest::newRow("Settings=abc") << "Settings"
                                      << "abc" << line;
        QTest::newRow("Settings=19200,x,9,3") << "Settings"
                                              << "19200,x,9,3" << line.mid(1);
    }

    void badStoredValueRepairedAtStartup()
    {
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(QStringList, empty);
        E2eRig rig;
        QVERIFY(rig.prepare());
        rig.set("Main", "RequestStatus", QStringLiteral("yes"));
        rig.set("Main", "RequestData", QStringLiteral("no"));
        const QList<std::pair<const char *, QString>> kept{{"InBufferSize", "2048"},
                                                           {"OutBufferSize", "256"},
                                                           {"DTREnable", "no"},
                                                           {"RTSEnable", "no"},
                                                           {"HandShaking", "0"}};
        for (const auto &[k, v] : kept)
            rig.set("Comm", k, v);
        rig.set("Comm", qPrintable(key), value);
        QVERIFY(rig.startSimulator());

        // The dialog is answered from inside its own event loop; boxes are closed.
        QStringList emptySeen, boxes;
        int dialogs = 0;
        QTimer answer;
        answer.setInterval(50);
        QObject::connect(&answer, &QTimer::timeout, [&] {
            QWidget *modal = QApplication::activeModalWidget();
            if (auto *box = qobject_cast<QMessageBox *>(modal)) {
                boxes << box->text();
                box->accept();
                return;
            }
            auto *dialog = qobject_cast<frmCommDialog *>(modal);
            if (!dialog || !dialog->isVisible())
                return;
            ++dialogs;
            const auto list = [&](const char *name) {
                return dialog->findChild<QComboBox *>(QLatin1String(name));
            };
            for (const char *name :
                 {"cmbPort", "cmbBPS", "cmbParity", "cmbDataBits", "cmbStopBits"})
                if (list(name)->currentIndex() < 0)
                    emptySeen << QLatin1String(name);
            list("cmbPort")->setCurrentIndex(list("cmbPort")->findData(1));
            list("cmbBPS")->setCurrentText(QStringLiteral("19200"));
            list("cmbParity")->setCurrentIndex(list("cmbParity")->findData(int('N')));
            list("cmbDataBits")->setCurrentText(QStringLiteral("8"));
            list("cmbStopBits")->setCurrentText(QStringLiteral("1"));
            dialog->findChild<QPushButton *>(QStringLiteral("cmdOk"))->click();
        });
        answer.start();

        Program program(rig.dir.path(), QStringLiteral("zteditor"));
        QVERIFY(program.Main());
        answer.stop();
        QCOMPARE(dialogs, 1);
        QCOMPARE(emptySeen, empty);
        QVERIFY2(boxes.isEmpty(), qPrintable(boxes.join(QLatin1Char('|'))));
        frmMain *window = program.mainWindow();
        QVERIFY(window && window->isVisible());
        auto *link = window->findChild<QLabel *>(QStringLiteral("lblLink"));
        QCOMPARE(link->toolTip().isEmpty() ? link->text() : link->toolTip(),
                 QStringLiteral("COM1  %1  19200 8N1  offen").arg(rig.device));
        QVERIFY(rig.simulator.readAll().contains("version-info request"));

        const auto stored = [&](const char *k) {
            return INI_ReadValue(rig.ini, QStringLiteral("Comm"), QLatin1String(k), {}).trimmed();
        };
        QCOMPARE(stored("Port"), QStringLiteral("1"));
        QCOMPARE(stored("Settings"), QStringLiteral("19200,N,8,1"));
        for (const auto &[k, v] : kept)
            QCOMPARE(stored(k), v);
    }

    // Events that fail are caught where they enter: the debug button with a hex dump that
    // cannot be written logs the failure once and the program goes on. An ACU version typed
    // and not sent shows in the status bar, and closing asks (Discard or Cancel: no file
    // holds it); Cancel keeps the window.
    void failuresAndUnsentEditsKeepTheProgram()
    {
        E2eRig rig;
        QVERIFY(rig.prepare());
        rig.set("Main", "RequestStatus", QStringLiteral("no"));
        rig.set("Main", "RequestData", QStringLiteral("no"));
        rig.set("Main", "LogHexData", QStringLiteral("yes"));
        rig.set("Recent", "ActTabStrip", QStringLiteral("3"));
        QVERIFY(QDir().mkpath(rig.dir.filePath(QStringLiteral("zteditor.HEX/x"))));
        QVERIFY(rig.startSimulator());
        Program program(rig.dir.path(), QStringLiteral("zteditor"));
        QVERIFY(program.Main());
        frmMain *window = program.mainWindow();

        QTest::mouseClick(window->findChild<QPushButton *>(QStringLiteral("cmdDummy")),
                          Qt::LeftButton);
        QCOMPARE(rig.logText().count(QStringLiteral("Fehler beim Ausführen des Befehls: ")), 1);
        QVERIFY(window->isVisible());

        auto *acu = window->findChild<QLineEdit *>(QStringLiteral("txtACUVersion"));
        QTest::keyClicks(acu, QStringLiteral("12"));
        QCOMPARE(window->findChild<QLabel *>(QStringLiteral("lblModified"))->text(),
                 QStringLiteral("System nicht gesendet"));
        QStringList asked;
        bool saveOffered = true;
        QTimer cancel;
        cancel.setInterval(50);
        QObject::connect(&cancel, &QTimer::timeout, [&] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                asked << box->text();
                saveOffered = box->button(QMessageBox::Save) != nullptr;
                box->button(QMessageBox::Cancel)->click();
            }
        });
        cancel.start();
        QVERIFY(!window->close());
        cancel.stop();
        QCOMPARE(asked.size(), 1);
        QVERIFY2(asked[0].startsWith(QStringLiteral("ACU-Version oder CanBus-Adresse")),
                 qPrintable(asked[0]));
        QVERIFY(!saveOffered);
        QVERIFY(window->isVisible());
        QVERIFY(!program.zt().programEnded());
    }

    // zteditor FILE.DAT: the file, named relative to the working folder, is loaded once
    // start-up is done and becomes the newest recent file, kept beside the settings.
    void namedDataFileLoadsAfterStartup()
    {
        E2eRig rig;
        QVERIFY(rig.prepare());
        rig.set("Main", "RequestStatus", QStringLiteral("no"));
        rig.set("Main", "RequestData", QStringLiteral("no"));
        QVERIFY(rig.startSimulator());
        QByteArray data = readAll(rig.dir.filePath(QStringLiteral("zteditor.Dat")));
        data[10] = 13;
        const QString site = rig.dir.filePath(QStringLiteral("site7.DAT"));
        QFile f(site);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(data) == data.size());
        f.close();
        QVERIFY(QFile::copy(binDir() + QStringLiteral("/zteditor"),
                            rig.dir.filePath(QStringLiteral("zteditor"))));

        QProcess editor;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        editor.setProcessEnvironment(env);
        editor.setWorkingDirectory(rig.dir.path());
        editor.setProcessChannelMode(QProcess::MergedChannels);
        editor.start(rig.dir.filePath(QStringLiteral("zteditor")), {QStringLiteral("site7.DAT")});
        QVERIFY(editor.waitForStarted(10000));
        const QString reading = QStringLiteral("Lese Datei ") + site;
        QVERIFY2(Tools::WaitUntil(
                     [&] {
                         const QString log = rig.logText();
                         return log.indexOf(QStringLiteral("Daten erfolgreich geladen"),
                                            log.indexOf(reading)) > 0 ||
                                editor.state() == QProcess::NotRunning;
                     },
                     QDeadlineTimer(30000)),
                 qPrintable(rig.logText()));
        QCOMPARE(editor.state(), QProcess::Running);
        QCOMPARE(::kill(pid_t(editor.processId()), SIGTERM), 0);
        QVERIFY(editor.waitForFinished(30000));
        QCOMPARE(readAll(rig.dir.filePath(QStringLiteral("zteditor.recent"))),
                 site.toUtf8() + '\n');
    }

    // Start-up asks the device for its version and its data; the pages show both. Runs
    // last: the program's end takes the event handling of this process with it.
    void wholeStartupAgainstTheSimulator()
    {
        E2eRig rig;
        QVERIFY(rig.prepare());
        rig.set("Main", "RequestStatus", QStringLiteral("yes"));
        rig.set("Main", "RequestData", QStringLiteral("yes"));
        rig.set("Recent", "ActTabStrip", QStringLiteral("2"));
        QVERIFY(rig.startSimulator());
        const QByteArray deviceData = readAll(rig.deviceData);

        Program program(rig.dir.path(), QStringLiteral("zteditor"));
        QVERIFY(program.Main());
        ZtTools &zt = program.zt();
        QVERIFY(zt.programStarted());
        frmMain *window = program.mainWindow();
        QVERIFY(window && window->isVisible());
        QCOMPARE(window->windowTitle(),
                 QStringLiteral("ZT DerUvav Version 1.0 Build 5 \u2013 zteditor.Dat[*]"));

        // The data block arrives after start-up's last wait; the next collector tick
        // brings it to the pages.
        auto tagOf = [&](const QString &name) {
            auto *field = window->findChild<QLineEdit *>(name);
            return field ? field->property("Tag").toString() : QString();
        };
        const QString a1 = QString::number(codeAt(deviceData, 0));
        const QString a2 = QString::number(codeAt(deviceData, 1));
        QVERIFY(a1 != a2);
        QVERIFY2(Tools::WaitUntil([&] { return tagOf(QStringLiteral("txtButtonsA(0)")) == a1; },
                                  QDeadlineTimer(20000)),
                 qPrintable(tagOf(QStringLiteral("txtButtonsA(0)"))));
        QCOMPARE(tagOf(QStringLiteral("txtButtonsA(1)")), a2);
        for (int k = 2; k < 15; ++k)
            QCOMPARE(tagOf(QStringLiteral("txtButtonsA(%1)").arg(k)),
                     QString::number(codeAt(deviceData, k)));
        QCOMPARE(tagOf(QStringLiteral("txtButtonsC(14)")),
                 QString::number(codeAt(deviceData, 2 * 25 + 14)));

        for (int i = 0; i < 3; ++i) {
            auto *status = window->findChild<QLineEdit *>(QStringLiteral("txtStatus(%1)").arg(i));
            QVERIFY(status);
            QCOMPARE(status->text(), DeviceTexts[i]);
        }
        QVERIFY(rig.simulator.readAll().contains("version-info request"));

        // The status bar's link field follows the port through an unplugging and back.
        auto *link = window->findChild<QLabel *>(QStringLiteral("lblLink"));
        QVERIFY(link && link->isVisible());
        const QString head = QStringLiteral("COM1  %1  19200 8N1  ").arg(rig.device);
        // Shortened where it is long; whole in the tooltip then.
        const auto linkText = [link] {
            return link->toolTip().isEmpty() ? link->text() : link->toolTip();
        };
        QCOMPARE(linkText(), head + QStringLiteral("offen"));
        rig.simulator.terminate();
        QVERIFY(rig.simulator.waitForFinished(5000));
        QVERIFY(Tools::WaitUntil(
            [&] { return linkText() == head + QStringLiteral("Verbindung verloren"); },
            QDeadlineTimer(10000)));
        QVERIFY(rig.startSimulator());
        QVERIFY2(Tools::WaitUntil([&] { return linkText() == head + QStringLiteral("offen"); },
                                  QDeadlineTimer(10000)),
                 qPrintable(linkText()));
        QVERIFY(
            rig.logText().contains(QStringLiteral("Verbindung wiederhergestellt: ") + rig.device));

        // The codes came from the device, not from a data file: closing asks once, and
        // Discard ends the program.
        QStringList asked;
        QTimer discard;
        discard.setInterval(50);
        QObject::connect(&discard, &QTimer::timeout, [&] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                asked << box->text();
                box->button(QMessageBox::Discard)->click();
            }
        });
        discard.start();
        window->close();
        discard.stop();
        QCOMPARE(asked.size(), 1);
        QVERIFY2(asked[0].startsWith(QStringLiteral("Die Tastenbelegung wurde geändert")),
                 qPrintable(asked[0]));
        QVERIFY(zt.programEnded());
        const QString log = rig.logText();
        QCOMPARE(log.count(QStringLiteral("***** End   *****")), 1);
        QVERIFY(log.contains(QStringLiteral(">  Programm beendet")));
        for (const char *key : {"Coord_X", "Coord_Y", "Coord_W", "Coord_H"})
            QVERIFY2(
                !INI_ReadValue(rig.ini, QStringLiteral("Screen"), QLatin1String(key), {}).isEmpty(),
                key);
        QCOMPARE(
            INI_ReadValue(rig.ini, QStringLiteral("Recent"), QStringLiteral("ActTabStrip"), {}),
            QStringLiteral("2"));
        rig.checkTidied();
    }
};

QTEST_MAIN(TestStartupE2e)
#include "tst_startup_e2e.moc"
